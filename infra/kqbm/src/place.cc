// Writing a node's entries back into the tree: in place when they fit, else shifted
// into a neighbour, spread over three pages, or, at the root, pushed one level down.
// Every change below a node is written before the node itself is changed, so each
// step works on pages taken afresh from the pool.
#include "infra/svclog.h"
#include "private/kqbm_balance.h"
#include "private/kqbm_db.h"

namespace kq::kqbm {

uint32_t LoadSeq(KQBM_database *db, uint16_t p, Seq &out, uint8_t *type) {
  const uint8_t *pg = CachedNode(db, p);
  if (!pg) return KQBM_ST_BAD_NODE;
  *type = NodeType(pg);
  DecodePage(pg, out, p);
  return 0;
}

uint32_t StoreSeq(KQBM_database *db, uint16_t p, const Seq &seq, size_t b, size_t e) {
  uint8_t *pg = CachedNode(db, p);
  if (!pg) return KQBM_ST_BAD_NODE;
  EncodePage(pg, seq, b, e);
  if (IsLeaf(pg)) return 0;
  for (size_t i = b; i < e; i++) {
    if (seq[i].from == p || seq[i].child == 0) continue;
    uint8_t *child = CachedNode(db, seq[i].child);
    if (!child) return KQBM_ST_BAD_NODE;
    SetParent(child, p);
    MarkModified(child);
  }
  return 0;
}

uint32_t ParentOf(KQBM_database *db, uint16_t x, uint16_t *parent, int *index) {
  const uint8_t *pg = CachedNode(db, x);
  if (!pg) return KQBM_ST_BAD_NODE;
  uint16_t p = Parent(pg);
  const uint8_t *ppg = p == x ? nullptr : CachedNode(db, p);
  if (!ppg) {
    LOG_COND_MESSAGE(kSevError, "KQBM: SplitLeafNode(), parentNode is NULL!!\n");
    return KQBM_ST_NO_PARENT;
  }
  if (!IsLeaf(ppg) && !(Last(ppg) == 0 && Child(ppg, 0) == 0)) {
    for (int i = 0; i <= Last(ppg); i++) {
      if (Child(ppg, i) == x) {
        *parent = p;
        *index = i;
        return 0;
      }
    }
  }
  LOG_COND_MESSAGE(kSevError, "KQBM: node[%d] is not a child of its parent node[%d]\n", x, p);
  return KQBM_ST_BAD_PARENT;
}

uint32_t SetGreatest(KQBM_database *db, uint16_t y, const std::string &key, int depth) {
  if (y == 0) return 0;
  if (depth > kMaxDepth) return KQBM_ST_BAD_NODE;
  uint16_t p;
  int i;
  if (uint32_t st = ParentOf(db, y, &p, &i)) return st;
  uint8_t *pg = CachedNode(db, p);
  if (!pg) return KQBM_ST_BAD_NODE;
  if (i == Last(pg)) return SetGreatest(db, p, key, depth + 1);  // not stored in p
  Bytes k = EntryKey(pg, i);
  if (k.len == static_cast<int>(key.size()) && memcmp(k.p, key.data(), key.size()) == 0) return 0;
  const auto *kb = reinterpret_cast<const uint8_t *>(key.data());
  if (ReplaceKeyRaw(pg, i, kb, static_cast<int>(key.size()))) return 0;
  LOG_COND_MESSAGE(kSevDetail,
                   "KQBM: ReplaceContentAt().  Not enough room in node = %d sizeDiff = %d "
                   "freeSpace = %d\n",
                   p, FieldSize(static_cast<int>(key.size())) - FieldSize(k.len), FreeSpace(pg));
  Seq ps;
  uint8_t type;
  if (uint32_t st = LoadSeq(db, p, ps, &type)) return st;
  ps[i].key = key;
  return Place(db, p, ps, false, -1, depth + 1);
}

namespace {

// The last key of page p as it is now (empty when the page has no entry).
bool LastKeyOf(KQBM_database *db, uint16_t p, std::string *out) {
  const uint8_t *pg = CachedNode(db, p);
  if (!pg || Last(pg) == 0) return false;
  Bytes k = EntryKey(pg, Last(pg) - 1);
  out->assign(reinterpret_cast<const char *>(k.p), static_cast<size_t>(k.len));
  return true;
}

// Writes the run c spread over `pages` (page j gets [cuts[j], cuts[j + 1])), which
// stand at pseq[first ...] in their parent p, then places the parent.
uint32_t Commit(KQBM_database *db, uint8_t type, uint16_t p, Seq &pseq, size_t first,
                const std::vector<uint16_t> &pages, const Seq &c, const std::vector<size_t> &cuts,
                bool extChanged, int newAtParent, int depth) {
  const uint16_t lastPage = pages.back();
  bool rightmost = first + pages.size() == pseq.size();
  bool extParent = false;
  if (rightmost) {
    if (type == kLeafNode) {
      std::string old;
      extParent = !LastKeyOf(db, lastPage, &old) || old != c.back().key;
    } else {
      extParent = extChanged;
    }
  }
  for (size_t j = 0; j < pages.size(); j++) {
    if (uint32_t st = StoreSeq(db, pages[j], c, cuts[j], cuts[j + 1])) return st;
    Entry &pe = pseq[first + j];
    const Entry &last = c[cuts[j + 1] - 1];
    pe.key = last.key;
    pe.hasKey = last.hasKey;
    pe.child = pages[j];
  }
  return Place(db, p, pseq, extParent, newAtParent, depth + 1);
}

uint32_t SplitRootNode(KQBM_database *db, Seq &seq) {
  LOG_COND_MESSAGE(kSevDetail, "Entering SplitRootNode()\n");
  Run run = MakeRun(kInnerNode, seq);
  std::vector<size_t> cuts;
  int cut = PlanShiftRight(run, seq.size(), -1);
  if (cut > 0) {
    cuts = {static_cast<size_t>(cut)};
  } else if (!PlanEven(run, 2, cuts) && !PlanEven(run, 3, cuts)) {
    LOG_COND_MESSAGE(kSevError, "KQBM: SplitRootNode(), no room\n");
    return KQBM_ST_NO_ROOM;
  }
  cuts.insert(cuts.begin(), 0);
  cuts.push_back(seq.size());
  Seq root;
  for (size_t j = 0; j + 1 < cuts.size(); j++) {
    uint16_t page;
    if (!GetNewPage(db, kInnerNode, 0, &page)) return KQBM_ST_NO_ROOM;
    if (uint32_t st = StoreSeq(db, page, seq, cuts[j], cuts[j + 1])) return st;
    Entry e;
    e.child = page;
    e.key = seq[cuts[j + 1] - 1].key;
    e.hasKey = j + 2 < cuts.size();
    root.push_back(std::move(e));
  }
  return StoreSeq(db, 0, root, 0, root.size());
}

}  // namespace

uint32_t Place(KQBM_database *db, uint16_t x, Seq &seq, bool extChanged, int newAt, int depth) {
  if (depth > kMaxDepth) return KQBM_ST_BAD_NODE;
  const uint8_t *pg = CachedNode(db, x);
  if (!pg) return KQBM_ST_BAD_NODE;
  const uint8_t type = NodeType(pg);
  const size_t n = seq.size();
  if (SeqFits(type, seq, 0, n)) {
    bool changed = extChanged;
    if (type == kLeafNode && n > 0) {
      std::string old;
      changed = !LastKeyOf(db, x, &old) || old != seq.back().key;
    }
    if (uint32_t st = StoreSeq(db, x, seq, 0, n)) return st;
    if (changed && n > 0 && seq.back().hasKey) return SetGreatest(db, x, seq.back().key, depth + 1);
    return 0;
  }
  if (x == 0) return SplitRootNode(db, seq);

  uint16_t p;
  int i;
  if (uint32_t st = ParentOf(db, x, &p, &i)) return st;
  Seq pseq;
  uint8_t ptype;
  if (uint32_t st = LoadSeq(db, p, pseq, &ptype)) return st;
  const size_t ix = static_cast<size_t>(i);
  const bool rightmost = ix + 1 == pseq.size();
  // The key of a page's last entry is its separator in the parent; neighbours of a
  // page that is not the parent's last child need it once entries move.
  auto completeExt = [&](Seq &s, size_t at) {
    if (type != kLeafNode && !s.empty() && !s.back().hasKey && at + 1 < pseq.size()) {
      s.back().key = pseq[at].key;
      s.back().hasKey = true;
    }
  };
  completeExt(seq, ix);

  Seq right, left;
  uint8_t stype;
  if (!rightmost) {
    if (uint32_t st = LoadSeq(db, pseq[ix + 1].child, right, &stype)) return st;
    if (stype != type) return KQBM_ST_BAD_NODE;
    completeExt(right, ix + 1);
    Seq c = seq;
    c.insert(c.end(), right.begin(), right.end());
    int cut = PlanShiftRight(MakeRun(type, c), n, newAt);
    if (cut > 0) {
      LOG_COND_MESSAGE(kSevDetail, "ShiftRight() -- node[%d], %d entries\n", x,
                       static_cast<int>(n) - cut);
      return Commit(db, type, p, pseq, ix, {x, pseq[ix + 1].child}, c,
                    {0, static_cast<size_t>(cut), c.size()}, extChanged, -1, depth);
    }
  }
  if (ix > 0) {
    if (uint32_t st = LoadSeq(db, pseq[ix - 1].child, left, &stype)) return st;
    if (stype != type) return KQBM_ST_BAD_NODE;
    completeExt(left, ix - 1);
    Seq c = left;
    c.insert(c.end(), seq.begin(), seq.end());
    int at = newAt >= 0 ? newAt + static_cast<int>(left.size()) : -1;
    int cut = PlanShiftLeft(MakeRun(type, c), left.size(), at);
    if (cut > 0) {
      LOG_COND_MESSAGE(kSevDetail, "ShiftLeft() -- node[%d], %d entries\n", x,
                       cut - static_cast<int>(left.size()));
      return Commit(db, type, p, pseq, ix - 1, {pseq[ix - 1].child, x}, c,
                    {0, static_cast<size_t>(cut), c.size()}, extChanged, -1, depth);
    }
  }

  // Two into three: this page and its right neighbour, or the left neighbour and this
  // page when this is the last child.
  if (pseq.size() < 2) return KQBM_ST_BAD_PARENT;
  const size_t first = rightmost ? ix - 1 : ix;
  Seq c = rightmost ? left : seq;
  const Seq &second = rightmost ? seq : right;
  const size_t nl = c.size();
  int at = newAt >= 0 ? newAt + (rightmost ? static_cast<int>(nl) : 0) : -1;
  c.insert(c.end(), second.begin(), second.end());
  size_t b1, b2;
  if (!PlanSplit(MakeRun(type, c), nl, at, &b1, &b2)) return KQBM_ST_NO_ROOM;
  uint16_t mid;
  if (!GetNewPage(db, type, p, &mid)) return KQBM_ST_NO_ROOM;
  LOG_COND_MESSAGE(kSevDetail,
                   type == kLeafNode ? "SplitLeafNode() -- node[%d], new node[%d]\n"
                                     : "SplitNode() -- node[%d], new node[%d]\n",
                   x, mid);
  Entry me;
  me.child = mid;
  me.from = p;
  pseq.insert(pseq.begin() + static_cast<long>(first) + 1, std::move(me));
  return Commit(db, type, p, pseq, first, {pseq[first].child, mid, pseq[first + 2].child}, c,
                {0, b1, b2, c.size()}, extChanged, static_cast<int>(first) + 1, depth);
}

}  // namespace kq::kqbm
