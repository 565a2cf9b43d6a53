// The file format: bytes the library writes for a few stores, a file built by hand
// from the page layout, the open modes, and the limits of an item.
#include <fcntl.h>
#include <unistd.h>

#include "kqbm_checker.h"

using namespace kq::kqbm::test;

namespace {

using Page = std::string;  // bytes
using kq::test::ReadFile;
using kq::test::WriteFile;

// A page written field by field from the layout, independently of the library.
struct PageBuilder {
  Page pg = Page(1024, 0);
  int dataAt, used = 0;
  std::vector<int> offsets;

  PageBuilder(int type, int id, int parent) : dataAt(type == 2 ? 76 : 140) {
    pg[0] = (uint8_t)type;
    Put(4, id);
    Put(8, parent);
  }
  void Put(int at, int v) {
    pg[at] = (uint8_t)(v >> 8);
    pg[at + 1] = (uint8_t)v;
  }
  // A length-prefixed field padded to even length; `first` starts an entry.
  PageBuilder &Field(const std::string &s, bool first = true) {
    if (first) offsets.push_back(used);
    Put(dataAt + used, (int)s.size());
    memcpy(&pg[dataAt + used + 2], s.data(), s.size());
    used += 2 + (int)s.size() + ((int)s.size() & 1);
    return *this;
  }
  PageBuilder &Item(const std::string &k, const std::string &c) { return Field(k).Field(c, false); }
  PageBuilder &Key(const std::string &k) { return Field(k); }
  PageBuilder &Children(std::initializer_list<int> c) {
    int i = 0;
    for (int v : c) Put(74 + 2 * i++, v);
    return *this;
  }
  Page Done() {
    Put(2, (int)offsets.size());
    Put(6, used);
    for (size_t i = 0; i < offsets.size(); i++) Put(10 + 2 * (int)i, offsets[i]);
    return pg;
  }
};

class KqbmFile : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string name = dir.Path("db"), file = name + ".dbm";
  KQBM_dbHandle_t Create() { return KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0); }
};

// The bytes of a new file after a few stores and deletes: the root and two leaves.
TEST_F(KqbmFile, StoresWriteTheLayoutByteForByte) {
  using B = PageBuilder;
  auto root = [](const char *key) { return B(0, 0, 2).Key(key).Children({1, 2}).Done(); };
  // Stores of (key, content) in order; a null content deletes the key.
  const struct {
    const char *what;
    std::vector<std::pair<const char *, const char *>> ops;
    Page file;
  } rows[] = {// clang-format off
      {"first store", {{"a", "1"}},
       root("a") + B(2, 1, 0).Item("a", "1").Done() + B(2, 2, 0).Done()},
      // Before "m" shifts it, a prefix sorts first, "zz" goes after the root key.
      {"in place, in order, padded", {{"m", "mm"}, {"ab", ""}, {"a", "xyz"}, {"zz", "q"}},
       root("m") + B(2, 1, 0).Item("a", "xyz").Item("ab", "").Item("m", "mm").Done() +
           B(2, 2, 0).Item("zz", "q").Done()},
      // The leaf keeps "a" only: the root key follows it.
      {"end of leaf replaces the separator", {{"b", "1"}, {"a", "2"}, {"b", nullptr}},
       root("a") + B(2, 1, 0).Item("a", "2").Done() + B(2, 2, 0).Done()}};
  // clang-format on
  for (const auto &row : rows) {
    KQBM_dbHandle_t db = Create();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(Fetch(db, "a"), "<none>");
    for (auto [k, c] : row.ops)
      ASSERT_EQ(c ? KQBM_store(db, D(k), D(c), KQBM_INSERT) : KQBM_delete(db, D(k)), 0u) << k;
    KQBM_close(db);
    EXPECT_EQ(ReadFile(file), row.file) << row.what;
  }
  // Spelled out once: the root's head, key and children, and the leaf's item.
  auto bytes = root("a") + B(2, 1, 0).Item("a", "1").Done();
  EXPECT_EQ(bytes.substr(0, 10), Page("\0\0\0\1\0\0\0\4\0\2", 10));
  EXPECT_EQ(bytes.substr(140, 4), Page("\0\1a\0", 4));
  EXPECT_EQ(bytes.substr(1024 + 76, 8), Page("\0\1a\0\0\0011\0", 8));
}

TEST_F(KqbmFile, HandBuiltFileIsRead) {
  // A root with two keys over three leaves, the changed mark left set on one page.
  auto root = PageBuilder(0, 0, 3).Key("cat").Key("fox").Children({1, 2, 3}).Done();
  auto l1 = PageBuilder(2, 1, 0).Item("ant", "A").Item("bee", "BB").Item("cat", "CCC").Done();
  auto l2 = PageBuilder(2, 2, 0).Item("dog", "").Item("fox", "F").Done();
  auto l3 = PageBuilder(2, 3, 0).Item("gnu", "gnu!").Item("id-att-job-name", "7").Done();
  l2[0] |= 0x40;
  WriteFile(file, root + l1 + l2 + l3);
  for (int whole : {0, 1}) {
    KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDONLY, 0, whole);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(FetchAll(db, {"bee", "cat", "dog", "gnu", "cow", "id-att-job-name"}),
              "bee=BB cat=CCC dog= gnu=gnu! cow=<none> id-att-job-name=7");
    EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D("i-a-j-n"), nullptr, 0)), "7");
    EXPECT_EQ(CheckedCount(db), 7u);
    KQBM_close(db);
  }
  // Read-write: a store goes into the hand-built tree and the file stays sound.
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDWR, 0, 0);
  ASSERT_NE(db, nullptr);
  ASSERT_EQ(KQBM_store(db, D("emu"), D("E"), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_delete(db, D("ant")), 0u);
  EXPECT_EQ(CheckedCount(db), 7u);
  KQBM_close(db);
  // Leaf 2 now holds dog, emu, fox; the root is unchanged.
  auto l2b = PageBuilder(2, 2, 0).Item("dog", "").Item("emu", "E").Item("fox", "F").Done();
  EXPECT_EQ(ReadFile(file).substr(0, 3 * 1024), root + ReadFile(file).substr(1024, 1024) + l2b);
}

TEST_F(KqbmFile, LimitsOfKeyAndItem) {
  KQBM_dbHandle_t db = Create();
  std::string k100(100, 'j'), c156(156, 'c');
  const std::pair<uint32_t, uint32_t> rows[] = {
      {KQBM_store(db, D(std::string(128, 'k')), D(std::string(128, 'c')), KQBM_INSERT), 0},
      {KQBM_store(db, D(std::string(129, 'k')), D(""), KQBM_INSERT), KQBM_ST_KEY_TOO_LONG},
      {KQBM_store(db, D(k100), D(c156), KQBM_INSERT), 0},
      {KQBM_store(db, D("x" + k100), D(c156), KQBM_INSERT), KQBM_ST_ITEM_TOO_LONG},
      {KQBM_store(db, D(k100), D(c156 + "d"), KQBM_REPLACE), KQBM_ST_ITEM_TOO_LONG},
      {KQBM_store(db, {nullptr, 3}, D("x"), KQBM_INSERT), KQBM_ST_KEY_TOO_LONG},
      {KQBM_store(db, D("k"), {nullptr, -1}, KQBM_INSERT), KQBM_ST_ITEM_TOO_LONG},
      // Any flag but replace only inserts; replace inserts a missing key too.
      {KQBM_store(db, D(k100), D("new"), 7), KQBM_ST_EXISTS},
      {KQBM_store(db, D("other"), D("o"), KQBM_REPLACE), 0}};
  for (size_t i = 0; i < std::size(rows); i++) EXPECT_EQ(rows[i].first, rows[i].second) << i;
  EXPECT_EQ(Fetch(db, k100), c156);  // a refused replace keeps the old content
  EXPECT_EQ(CheckedCount(db), 3u);
  KQBM_close(db);
}

TEST_F(KqbmFile, OpenModesAndTheWholeFileLimitOf124Pages) {
  EXPECT_EQ(KQBM_open(name.c_str(), O_RDONLY, 0, 0), nullptr);  // no file yet
  KQBM_dbHandle_t db = Create();
  ASSERT_EQ(KQBM_store(db, D("a"), D("b"), KQBM_INSERT), 0u);
  KQBM_close(db);
  EXPECT_EQ(KQBM_open(name.c_str(), O_WRONLY, 0, 0), nullptr);
  db = KQBM_open(name.c_str(), O_RDONLY, 0, 0);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(KQBM_delete(db, D("a")), KQBM_ST_BAD_MODE);
  EXPECT_EQ(Fetch(db, "a"), "b");
  KQBM_close(db);
  // Pages past the tree's highest page do not matter to the limit: the file size does.
  ASSERT_EQ(truncate(file.c_str(), 124 * 1024), 0);
  for (int whole : {1, 0}) {
    db = KQBM_open(name.c_str(), O_RDONLY, 0, whole);
    ASSERT_NE(db, nullptr) << whole;
    EXPECT_EQ(Fetch(db, "a"), "b");
    KQBM_close(db);
    // 125 pages, the last one short: too many for the whole file.
    ASSERT_EQ(truncate(file.c_str(), 124 * 1024 + 1), 0);
    EXPECT_EQ(KQBM_open(name.c_str(), O_RDONLY, 0, 1), nullptr);
  }
  db = Create();  // creating again empties the file
  EXPECT_EQ(Fetch(db, "a"), "<none>");
  KQBM_close(db);
  EXPECT_EQ(ReadFile(file), PageBuilder(0, 0, 0).Done());
  EXPECT_EQ(Fetched(KQBM_fetchAbbrev(nullptr, D("a"), nullptr, 0)), "<-1>");  // no handle
}

}  // namespace
