// Test support: a walk over a whole database that checks every rule of the tree and
// returns its items in key order.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "infra/kqbm.h"
#include "kqtest.h"

namespace kq::kqbm::test {

using Items = std::vector<std::pair<std::string, std::string>>;

struct TreeStats {
  int depth = 0;
  int pages = 0;  // pages reached from the root, root included
};

// Empty string when the tree holds; otherwise the first broken rule.
std::string CheckTree(KQBM_dbHandle_t db, Items *items, TreeStats *stats = nullptr);

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

}  // namespace kq::kqbm::test
