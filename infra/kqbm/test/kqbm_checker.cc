#include "kqbm_checker.h"

#include <stdlib.h>

#include <optional>
#include <set>

#include "private/kqbm_db.h"

using namespace kq::kqbm;

namespace kq::kqbm::test {

namespace {

std::string Str(Bytes b) { return std::string(reinterpret_cast<const char *>(b.p), (size_t)b.len); }

struct Walker {
  KQBM_database *db;
  Items *items;
  std::set<uint16_t> seen;
  int leafDepth = -1;
  std::string err;

  // The page as the handle sees it, without touching the pool's order: the root, a
  // buffer holding it, or the file.
  bool Peek(uint16_t p, uint8_t *into) {
    const uint8_t *at = p == 0 ? db->root : nullptr;
    for (int i = 0; !at && i < db->nbuf; i++)
      if (db->age[i] != kEmptyAge && db->pageNo[i] == p) at = db->pages[i];
    if (!at) return ReadPage(db, p, into);
    memcpy(into, at, kPageSize);
    return true;
  }

  bool Fail(const std::string &what, uint16_t p) {
    if (err.empty()) err = "page " + std::to_string(p) + ": " + what;
    return false;
  }

  // Walks the subtree of p, whose keys must lie in (lo, hi]; *greatest gets its
  // greatest key (none when the subtree holds no item), *openEnd whether its last
  // leaf is empty. Separators name the greatest key of their subtree exactly unless
  // the subtree ends in an empty leaf (kept when a merge may not remove it): then the
  // separator only bounds the subtree's keys.
  bool Walk(uint16_t p, uint16_t parent, int depth, const std::optional<std::string> &lo,
            const std::optional<std::string> &hi, std::optional<std::string> *greatest,
            bool *openEnd) {
    if (!seen.insert(p).second) return Fail("reached twice", p);
    if (p > Highest(db)) return Fail("beyond the highest page", p);
    uint8_t copy[kPageSize];
    if (!Peek(p, copy)) return Fail("cannot be read", p);
    const uint8_t *pg = copy;
    if (!ValidatePage(pg, p == 0)) return Fail("bad structure", p);
    if (p != 0 && Parent(pg) != parent) return Fail("parent link", p);
    if (p != 0 && NodeId(pg) != p) return Fail("node id", p);
    int last = Last(pg);
    std::vector<std::string> keys;
    for (int i = 0; i < last; i++) keys.push_back(Str(EntryKey(pg, i)));
    for (int i = 0; i + 1 < last; i++)
      if (!(keys[i] < keys[i + 1])) return Fail("keys out of order", p);
    for (auto &k : keys)
      if ((lo && !(k > *lo)) || (hi && !(k <= *hi))) return Fail("key outside its bounds", p);
    greatest->reset();
    if (IsLeaf(pg)) {
      if (leafDepth < 0) leafDepth = depth;
      if (leafDepth != depth) return Fail("leaves at different depths", p);
      for (int i = 0; i < last; i++) items->emplace_back(keys[i], Str(ItemContent(pg, i)));
      if (last) *greatest = keys.back();
      *openEnd = last == 0;
      return true;
    }
    if (p != 0 && last < 1) return Fail("inner node without key", p);
    if (p == 0 && last == 0) {
      if (Child(pg, 0) != 0) return Fail("empty root with a child", p);
      *openEnd = true;
      return true;
    }
    for (int i = 0; i <= last; i++) {
      uint16_t c = Child(pg, i);
      if (c == 0) return Fail("missing child", p);
      std::optional<std::string> clo = i == 0 ? lo : std::optional<std::string>(keys[i - 1]);
      std::optional<std::string> chi = i == last ? hi : std::optional<std::string>(keys[i]);
      std::optional<std::string> g;
      bool open = false;
      if (!Walk(c, p, depth + 1, clo, chi, &g, &open)) return false;
      if (i < last && g && !open && *g != keys[i])
        return Fail("separator is not the subtree's greatest", p);
      if (g) *greatest = g;
      *openEnd = open;
    }
    return true;
  }
};

}  // namespace

std::string CheckTree(KQBM_dbHandle_t db, Items *items, int *depth) {
  Walker w{db, items, {}, -1, {}};
  items->clear();
  std::optional<std::string> g;
  bool open;
  w.Walk(0, 0, 0, std::nullopt, std::nullopt, &g, &open);
  if (depth) *depth = w.leafDepth < 0 ? 0 : w.leafDepth;
  return w.err;
}

#ifndef __has_feature
#define __has_feature(x) 0
#endif

int TestScale() {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer) || \
    defined(__SANITIZE_THREAD__) || __has_feature(thread_sanitizer)
  const int scale = 1;
#else
  const int scale = 4;
#endif
  const char *s = getenv("KQBM_TEST_SCALE");
  return s && atoi(s) > 0 ? atoi(s) : scale;
}

}  // namespace kq::kqbm::test
