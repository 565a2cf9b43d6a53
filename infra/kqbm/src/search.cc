// Descending the tree: exact and name search, and the abbreviation search with its
// listing variant.
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "private/kqbm_db.h"

namespace kq::kqbm {

bool Search(KQBM_database *db, const uint8_t *key, int len, int caseMode, Position *out) {
  *out = {0, -1};
  uint16_t node = 0;
  for (int depth = 0; depth < kMaxDepth; depth++) {
    const uint8_t *pg = CachedNode(db, node);
    if (!pg) return false;
    out->node = node;
    if (Used(pg) == 0) return true;
    // The first entry whose key the search key does not sort after. Keys are in
    // order, so the exact search may bisect; the name search scans, since its
    // comparison need not follow the order of the keys.
    int last = Last(pg), i = 0, c = kAfter;
    if (caseMode < 0) {
      int hi = last;
      while (i < hi) {
        int mid = (i + hi) / 2;
        Bytes k = EntryKey(pg, mid);
        if (CompareKeys(key, len, k.p, k.len) == kAfter) {
          i = mid + 1;
        } else {
          hi = mid;
        }
      }
      if (i < last) {
        Bytes k = EntryKey(pg, i);
        c = CompareKeys(key, len, k.p, k.len);
      }
    } else {
      for (; i < last; i++) {
        Bytes k = EntryKey(pg, i);
        c = CompareNames(key, len, k.p, k.len, caseMode);
        if (c != kAfter) break;
      }
    }
    if (IsLeaf(pg)) {
      out->index = i < last && c == kEqual ? i : -1;
      return true;
    }
    uint16_t child = Child(pg, i);
    if (child == 0) return false;  // a node with keys always has its children
    node = child;
  }
  LOG_COND_MESSAGE(kSevError, "KQBM: Search(), tree deeper than %d\n", kMaxDepth);
  return false;
}

namespace {

struct AbbrevSearch {
  KQBM_database *db;
  const uint8_t *abbrev;
  int len;
  KQBM_nameSeq_t **list;  // listing variant when set
  KQBM_nameSeq_t **tail;
  Position result{0, -1};
  int matches = 0;
  int budget;  // pages still to visit; a sound tree visits each page at most once
  bool damaged = false;

  bool Append(const uint8_t *key, int keyLen) {
    auto *e = static_cast<KQBM_nameSeq_t *>(malloc(sizeof(KQBM_nameSeq_t) + keyLen + 1));
    if (!e) return false;
    e->next = nullptr;
    e->name = reinterpret_cast<char *>(e + 1);
    memcpy(e->name, key, static_cast<size_t>(keyLen));
    e->name[keyLen] = '\0';
    *tail = e;
    tail = &e->next;
    LOG_COND_MESSAGE(kSevMatch, "KQBM: abbrev match found: %s\n", e->name);
    return true;
  }

  // True when the search must stop (ambiguous without a list, out of memory, damage).
  bool Stopped() const { return damaged || result.index == -3 || (!list && result.index == -2); }

  // A match at entry i of a leaf.
  void Match(uint16_t node, const uint8_t *pg, int i) {
    if (list) {
      Bytes k = EntryKey(pg, i);
      if (!Append(k.p, k.len)) {
        result.index = -3;
        return;
      }
    }
    if (++matches == 1) {
      result = {node, i};
    } else {
      result.index = -2;
    }
  }

  void Visit(uint16_t node, int depth) {
    if (depth >= kMaxDepth || --budget < 0) {
      damaged = true;
      return;
    }
    const uint8_t *pg = CachedNode(db, node);
    if (!pg) {
      damaged = true;
      return;
    }
    if (Used(pg) == 0) return;
    bool leaf = IsLeaf(pg);
    int last = Last(pg);
    for (int i = 0; i < last; i++) {
      // Descending may have reused this page's buffer; take it again.
      pg = CachedNode(db, node);
      if (!pg) {
        damaged = true;
        return;
      }
      Bytes k = EntryKey(pg, i);
      int c = CompareKeysAbbrev(abbrev, len, k.p, k.len);
      if (leaf) {
        if (c == kEqual) {
          Match(node, pg, i);
          if (Stopped()) return;
        } else if (c == kBefore) {
          return;
        }
        continue;
      }
      if (c == kAfter) continue;
      uint16_t child = Child(pg, i);
      Visit(child, depth + 1);
      if (Stopped() || c == kBefore) return;
    }
    if (!leaf) {
      pg = CachedNode(db, node);
      if (!pg) {
        damaged = true;
        return;
      }
      Visit(Child(pg, last), depth + 1);
    }
  }
};

}  // namespace

Position SearchAbbrev(KQBM_database *db, const uint8_t *abbrev, int len, KQBM_nameSeq_t **list) {
  AbbrevSearch s{db, abbrev, len, list, list, {0, -1}, 0, Highest(db) + 1, false};
  if (list) *list = nullptr;
  s.Visit(0, 0);
  if (s.damaged && s.result.index >= 0) s.result.index = -1;
  return s.result;
}

}  // namespace kq::kqbm
