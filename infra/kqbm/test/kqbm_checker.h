// Test support: a walk over a whole database that checks every rule of the tree and
// returns its items in key order.
#ifndef KQ_INFRA_KQBM_TEST_KQBM_CHECKER_H
#define KQ_INFRA_KQBM_TEST_KQBM_CHECKER_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "infra/kqbm.h"
#include "kqtest.h"

namespace kq::kqbm::test {

using Items = std::vector<std::pair<std::string, std::string>>;

std::string CheckTree(KQBM_dbHandle_t db, Items *items, int *depth = nullptr);

// The number of items after checking the tree; a broken rule fails the test.
inline size_t CheckedCount(KQBM_dbHandle_t db) {
  Items items;
  EXPECT_EQ(CheckTree(db, &items), "");
  return items.size();
}

// Multiplier of the operation counts: KQBM_TEST_SCALE, else 4 (1 in sanitizer builds).
int TestScale();

// A fresh directory for database files, removed with its files.
struct ScratchDir : kq::test::TempDir {
  ScratchDir() : TempDir("kqbm") {}
  std::string Path(const std::string &name) const { return *this / name; }
};

inline datum D(const std::string &s) { return {const_cast<char *>(s.data()), (int32_t)s.size()}; }
inline std::string S(datum d) {
  return d.dptr ? std::string(d.dptr, (size_t)d.dsize) : std::string();
}
// The content of `key`, "<none>" when absent (a null pointer with size 0), and for a
// null pointer of another size that size: what the lookups hand back, in one line.
inline std::string Fetched(datum d) {
  if (d.dptr) return S(d);
  return d.dsize == 0 ? "<none>" : "<" + std::to_string(d.dsize) + ">";
}
inline std::string Fetch(KQBM_dbHandle_t db, const std::string &key) {
  return Fetched(KQBM_fetch(db, D(key)));
}
// The names of a match list, which is freed.
inline std::vector<std::string> Names(KQBM_nameSeq_t *list) {
  std::vector<std::string> out;
  for (KQBM_nameSeq_t *next; list; list = next) {
    out.push_back(list->name);
    next = list->next;
    free(list);
  }
  return out;
}

// "key=content" of each key through KQBM_fetch, separated by blanks.
inline std::string FetchAll(KQBM_dbHandle_t db, std::initializer_list<std::string> keys) {
  std::string text;
  for (const std::string &k : keys) text += (text.empty() ? "" : " ") + k + "=" + Fetch(db, k);
  return text;
}

}  // namespace kq::kqbm::test

#endif
