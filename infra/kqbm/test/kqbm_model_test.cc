// Randomized model test: long runs of stores, replaces, deletes and fetches checked
// against std::map, with the whole tree checked after every operation and the file
// closed and reopened between phases.
#include <fcntl.h>

#include <map>
#include <random>

#include "kqbm_checker.h"

using namespace kq::kqbm::test;

namespace {

struct Model {
  std::mt19937 rng;
  std::map<std::string, std::string> map;
  int maxKey, maxItem;
  std::string alphabet;

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  std::string Text(int len) {
    std::string s(static_cast<size_t>(len), ' ');
    for (auto &c : s) c = alphabet[static_cast<size_t>(Uniform(0, (int)alphabet.size() - 1))];
    return s;
  }
  // Mostly short keys, some up to the limit; shared prefixes come from the alphabet.
  std::string NewKey() { return Text(Uniform(0, 9) == 0 ? Uniform(1, maxKey) : Uniform(1, 12)); }
  std::string Content(const std::string &key) {
    int room = maxItem - (int)key.size();
    return Text(Uniform(0, 3) == 0 ? Uniform(0, room) : Uniform(0, std::min(room, 24)));
  }
  std::string ExistingKey() {
    auto it = map.lower_bound(Text(Uniform(1, 3)));
    return (it == map.end() ? map.begin() : it)->first;
  }
};

// A new database in a scratch directory, open for reading and writing.
struct Fresh {
  ScratchDir dir;
  std::string name = dir.Path("model");
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
};

void ExpectSame(KQBM_dbHandle_t db, const Model &m, const std::string &when) {
  Items items;
  ASSERT_EQ(CheckTree(db, &items), "") << when;
  ASSERT_EQ(items, Items(m.map.begin(), m.map.end())) << when;
}

// Deletes `k` from the file and the model and checks the tree.
void Delete(KQBM_dbHandle_t db, Model &m, const std::string &k, const char *when) {
  ASSERT_EQ(KQBM_delete(db, D(k)), 0u) << when;
  m.map.erase(k);
  ExpectSame(db, m, when);
}

// One phase of random operations on an open read-write handle.
void RunOps(KQBM_dbHandle_t db, Model &m, int ops, int deleteWeight) {
  for (int n = 0; n < ops; n++) {
    int op = m.Uniform(0, 9);
    std::string when = "op " + std::to_string(n);
    if (op < 4 || m.map.empty()) {  // insert
      std::string k = m.NewKey(), c = m.Content(k);
      ASSERT_EQ(KQBM_store(db, D(k), D(c), KQBM_INSERT), m.map.count(k) ? KQBM_ST_EXISTS : 0u)
          << when;
      m.map.emplace(k, c);
    } else if (op < 5) {  // replace
      std::string k = m.ExistingKey(), c = m.Content(k);
      ASSERT_EQ(KQBM_store(db, D(k), D(c), KQBM_REPLACE), 0u) << when;
      m.map[k] = c;
    } else if (op < 5 + deleteWeight) {  // delete, present or absent
      std::string k = m.Uniform(0, 4) ? m.ExistingKey() : m.NewKey();
      ASSERT_EQ(KQBM_delete(db, D(k)), m.map.erase(k) ? 0u : KQBM_ST_NOT_FOUND) << when;
    } else {  // fetch
      std::string k = m.Uniform(0, 3) ? m.ExistingKey() : m.NewKey();
      ASSERT_EQ(Fetch(db, k), m.map.count(k) ? m.map[k] : "<none>") << when;
      continue;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectSame(db, m, when));
  }
}

// Reopens read-only (whole-file when it fits) and checks every key by fetching.
void CheckReadOnly(const std::string &name, const Model &m) {
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDONLY, 0, 1);
  if (!db) db = KQBM_open(name.c_str(), O_RDONLY, 0, 0);  // too large for whole-file loading
  ASSERT_NE(db, nullptr);
  ExpectSame(db, m, "read-only reopen");
  for (auto &[k, v] : m.map) ASSERT_EQ(Fetch(db, k), v);
  EXPECT_EQ(KQBM_store(db, D("x"), D("y"), KQBM_INSERT), KQBM_ST_BAD_MODE);
  KQBM_close(db);
}

void RunModel(unsigned seed, int maxKey, int maxItem, const std::string &alphabet, int phases,
              int opsPerPhase) {
  Fresh f;
  ASSERT_NE(f.db, nullptr);
  Model m{std::mt19937(seed), {}, maxKey, maxItem, alphabet};
  for (int phase = 0; phase < phases; phase++) {
    // Grow in the first phases, shrink in the later ones.
    RunOps(f.db, m, opsPerPhase, phase < phases / 2 ? 1 : 3);
    KQBM_close(f.db);
    f.db = nullptr;
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(CheckReadOnly(f.name, m));
    ASSERT_NE(f.db = KQBM_open(f.name.c_str(), O_RDWR, 0, 0), nullptr);
    ASSERT_NO_FATAL_FAILURE(ExpectSame(f.db, m, "read-write reopen"));
  }
  // Delete everything that is left, then refill a little.
  std::vector<std::string> keys;
  for (auto &kv : m.map) keys.push_back(kv.first);
  std::shuffle(keys.begin(), keys.end(), m.rng);
  for (auto &k : keys) ASSERT_NO_FATAL_FAILURE(Delete(f.db, m, k, "emptying"));
  RunOps(f.db, m, opsPerPhase / 4, 1);
  KQBM_close(f.db);
}

TEST(KqbmModel, ShortKeysSmallContents) { RunModel(1, 12, 40, "abcdefgh", 6, 1000 * TestScale()); }

TEST(KqbmModel, KeysAndContentsUpToTheLimits) {
  RunModel(2, 128, 256, "ab-cdXY", 6, 600 * TestScale());
}

TEST(KqbmModel, BinaryKeysWithPrefixes) {
  RunModel(3, 128, 256, std::string("\0\1\x7f\x80\xff", 5), 4, 700 * TestScale());
}

TEST(KqbmModel, LargeItemsOnly) {
  // Every item near 256 bytes: only three or four fit a leaf, many splits and merges.
  Fresh f;
  ASSERT_NE(f.db, nullptr);
  Model m{std::mt19937(4), {}, 128, 256, "pqrs"};
  for (int round = 0; round < 2; round++) {
    for (int n = 0; n < 150 * TestScale(); n++) {
      std::string k = m.Text(m.Uniform(100, 128));
      std::string c = m.Text(256 - (int)k.size() - m.Uniform(0, 1));
      if (!m.map.emplace(k, c).second) continue;
      ASSERT_EQ(KQBM_store(f.db, D(k), D(c), KQBM_INSERT), 0u);
      ASSERT_NO_FATAL_FAILURE(ExpectSame(f.db, m, "large insert"));
    }
    while (m.map.size() > 10) {
      std::string k = std::next(m.map.begin(), m.Uniform(0, (int)m.map.size() - 1))->first;
      ASSERT_NO_FATAL_FAILURE(Delete(f.db, m, k, "large delete"));
    }
  }
  KQBM_close(f.db);
}

TEST(KqbmModel, AscendingAndDescendingRuns) {
  Fresh f;
  ASSERT_NE(f.db, nullptr);
  Model m{std::mt19937(5), {}, 16, 64, "x"};
  int n = 1500 * TestScale();
  for (int i = 0; i < n; i++) {
    char k[16];
    snprintf(k, sizeof k, "%08d", i % 2 ? i : n * 2 - i);
    std::string c(static_cast<size_t>(i % 40), 'c');
    ASSERT_EQ(KQBM_store(f.db, D(k), D(c), KQBM_INSERT), 0u);
    m.map[k] = c;
    if (i % 7 && i != n - 1) continue;
    ASSERT_NO_FATAL_FAILURE(ExpectSame(f.db, m, "runs"));
  }
  KQBM_close(f.db);
}

}  // namespace
