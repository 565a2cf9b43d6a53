// Deleting an item, and merging pages left with fewer than two entries into a
// neighbour, up the tree.
#include <new>
#include <string>

#include "infra/svclog.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm;

namespace {

uint32_t MergeNode(KQBM_database *db, uint16_t x, int depth);

// Whether node p may lose a child: it keeps two or more keys, or it is not the root
// and its own parent may lose it in turn. A node that may not keeps its last two
// children, so no node is ever left with a child but no key.
bool CanLoseChild(KQBM_database *db, uint16_t p, int depth) {
  const uint8_t *pg = CachedNode(db, p);
  if (!pg || depth > kMaxDepth) return false;
  if (Last(pg) >= 2) return true;
  if (p == 0) return false;
  uint16_t gp;
  int gi;
  if (ParentOf(db, p, &gp, &gi)) return false;
  return CanLoseChild(db, gp, depth + 1);
}

// After a child of p went away: an inner node below two keys merges in turn.
uint32_t MergeUp(KQBM_database *db, uint16_t p, int depth) {
  if (p == 0) return 0;
  const uint8_t *pg = CachedNode(db, p);
  if (!pg) return KQBM_ST_BAD_NODE;
  if (Last(pg) >= 2) return 0;
  LOG_COND_MESSAGE(kSevDetail,
                   "RemoveFromInnerNode(), node[%d] has only %d item.  Let's merge...\n", p,
                   Last(pg));
  return MergeNode(db, p, depth + 1);
}

uint32_t MergeNode(KQBM_database *db, uint16_t x, int depth) {
  if (x == 0) return 0;
  if (depth > kMaxDepth) return KQBM_ST_BAD_NODE;
  Seq xs, pseq, ss;
  uint8_t type, ptype, stype;
  if (uint32_t st = LoadSeq(db, x, xs, &type)) return st;
  LOG_COND_MESSAGE(kSevDetail, "Entering MergeNode() -- node[%d] = %d", x,
                   static_cast<int>(xs.size()));
  uint16_t p;
  int i;
  if (uint32_t st = ParentOf(db, x, &p, &i)) return st;
  if (!CanLoseChild(db, p, depth)) {
    if (p == 0) {
      LOG_COND_MESSAGE(kSevDetail,
                       "MergeNode(), parent is a root and it has only %d leafNodes.  Keep the last "
                       "2 childNodes of the root",
                       Last(db->root) + 1);
    }
    return 0;
  }
  if (uint32_t st = LoadSeq(db, p, pseq, &ptype)) return st;
  const size_t ix = static_cast<size_t>(i);
  if (pseq.size() < 2) return 0;
  // Inner nodes: the key of the last entry is the separator held in the parent.
  auto completeExt = [&](Seq &s, size_t at) {
    if (type != kLeafNode && !s.empty() && !s.back().hasKey && at + 1 < pseq.size()) {
      s.back().key = pseq[at].key;
      s.back().hasKey = true;
    }
  };
  completeExt(xs, ix);
  const size_t is = ix == 0 ? 1 : ix - 1;
  const uint16_t s = pseq[is].child;
  if (uint32_t st = LoadSeq(db, s, ss, &stype)) return st;
  if (stype != type) return KQBM_ST_BAD_NODE;
  completeExt(ss, is);

  Seq c = ix == 0 ? xs : ss;
  const Seq &second = ix == 0 ? ss : xs;
  c.insert(c.end(), second.begin(), second.end());
  if (SeqFits(type, c, 0, c.size())) {
    // Everything goes to the sibling; x leaves its parent.
    const bool wasLast = ix + 1 == pseq.size();
    if (uint32_t st = StoreSeq(db, s, c, 0, c.size())) return st;
    if (uint32_t st = StoreSeq(db, x, Seq(), 0, 0)) return st;
    bool extChanged = false;
    if (ix > 0) {
      pseq[is].key = c.back().key;
      pseq[is].hasKey = c.back().hasKey;
      if (wasLast && xs.empty()) {
        LOG_COND_MESSAGE(kSevDetail,
                         "KQBM: RemoveFromInnerNode(), Removing the lastnode. Replace the parent "
                         "key\n");
        extChanged = c.back().hasKey;
      }
    }
    pseq.erase(pseq.begin() + static_cast<long>(ix));
    if (uint32_t st = Place(db, p, pseq, extChanged, -1, depth + 1)) return st;
    return MergeUp(db, p, depth);
  }

  // The sibling is full: take one entry from it instead, and stop.
  const size_t minKeep = type == kLeafNode ? 1 : 2;
  if (ss.size() <= minKeep) return 0;
  if (ix == 0) {
    xs.push_back(ss.front());
    ss.erase(ss.begin());
  } else {
    xs.insert(xs.begin(), ss.back());
    ss.pop_back();
  }
  const Seq &l = ix == 0 ? xs : ss;  // the left one of the two pages
  if (!SeqFits(type, xs, 0, xs.size()) || !l.back().hasKey) return 0;
  if (uint32_t st = StoreSeq(db, x, xs, 0, xs.size())) return st;
  if (uint32_t st = StoreSeq(db, s, ss, 0, ss.size())) return st;
  const size_t il = ix == 0 ? ix : is;
  pseq[il].key = l.back().key;
  pseq[il].hasKey = true;
  return Place(db, p, pseq, false, -1, depth + 1);
}

}  // namespace

namespace kq::kqbm {

// The greatest key stored under page p; false when the subtree holds no item.
bool GreatestOf(KQBM_database *db, uint16_t p, std::string *out, int depth) {
  const uint8_t *pg = CachedNode(db, p);
  if (!pg || depth > kMaxDepth) return false;
  int last = Last(pg);
  if (IsLeaf(pg)) {
    if (last == 0) return false;
    Bytes k = EntryKey(pg, last - 1);
    out->assign(reinterpret_cast<const char *>(k.p), static_cast<size_t>(k.len));
    return true;
  }
  if (last == 0 && Child(pg, 0) == 0) return false;
  for (int i = last; i >= 0; i--) {
    pg = CachedNode(db, p);
    if (!pg) return false;
    if (GreatestOf(db, Child(pg, i), out, depth + 1)) return true;
  }
  return false;
}

// A leaf that lost its last item: the separators above the subtrees whose last leaf
// it is now name the greatest key those subtrees still hold.
uint32_t LeafEmptied(KQBM_database *db, uint16_t leaf) {
  uint16_t y = leaf;
  for (int depth = 0; y != 0 && depth < kMaxDepth; depth++) {
    uint16_t p;
    int i;
    if (uint32_t st = ParentOf(db, y, &p, &i)) return st;
    const uint8_t *pg = CachedNode(db, p);
    if (!pg) return KQBM_ST_BAD_NODE;
    if (i < Last(pg)) {
      std::string g;
      return y != leaf && GreatestOf(db, y, &g, 0) ? SetGreatest(db, y, g, 1) : 0;
    }
    y = p;
  }
  return 0;
}

uint32_t RemoveItem(KQBM_database *db, const uint8_t *key, int keyLen) {
  Position pos;
  if (!Search(db, key, keyLen, -1, &pos)) return KQBM_ST_BAD_NODE;
  if (pos.index < 0) {
    LOG_COND_MESSAGE(kSevError, "KQBM: RemoveFromTree() : key not found!!\n");
    return KQBM_ST_NOT_FOUND;
  }
  uint8_t *pg = CachedNode(db, pos.node);
  if (!pg || !IsLeaf(pg)) return KQBM_ST_BAD_NODE;
  const int last = Last(pg);
  RemoveItemRaw(pg, pos.index);
  const int left = last - 1;
  if (pos.index == left && left > 0) {
    Bytes k = EntryKey(pg, left - 1);
    std::string greatest(reinterpret_cast<const char *>(k.p), static_cast<size_t>(k.len));
    if (uint32_t st = SetGreatest(db, pos.node, greatest, 1)) return st;
  }
  if (left == 0) {
    if (uint32_t st = LeafEmptied(db, pos.node)) return st;
  }
  if (left >= 2) return 0;
  return MergeNode(db, pos.node, 1);
}

}  // namespace kq::kqbm

extern "C" uint32_t KQBM_delete(KQBM_dbHandle_t db, datum key) {
  LOG_COND_FUNC_TRACE("KQBM_delete", 1, nullptr);
  uint32_t st;
  if (!db) {
    st = KQBM_ST_NO_HANDLE;
  } else if (!db->writable) {
    st = KQBM_ST_BAD_MODE;
  } else if (!key.dptr || key.dsize < 0) {
    st = KQBM_ST_NOT_FOUND;
  } else {
    try {
      st = RemoveItem(db, reinterpret_cast<const uint8_t *>(key.dptr), key.dsize);
    } catch (const std::bad_alloc &) {
      LOG_COND_MESSAGE(kSevError, "KQBM: KQBM_delete(), out of memory\n");
      st = KQBM_ST_NO_MEMORY;
    }
  }
  LOG_COND_FUNC_TRACE("KQBM_delete", 0, "result = 0x%x", st);
  return st;
}
