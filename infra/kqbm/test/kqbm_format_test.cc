// The file format: bytes the library writes for a few stores, a file built by hand
// from the page layout, the open modes, and the limits of an item.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
  int dataAt;
  std::vector<int> offsets;
  int used = 0;

  PageBuilder(int type, int id, int parent) {
    pg[0] = (uint8_t)type;
    Put(4, id);
    Put(8, parent);
    dataAt = type == 2 ? 76 : 140;
  }
  void Put(int at, int v) {
    pg[at] = (uint8_t)(v >> 8);
    pg[at + 1] = (uint8_t)v;
  }
  void Field(const std::string &s) {
    Put(dataAt + used, (int)s.size());
    memcpy(&pg[dataAt + used + 2], s.data(), s.size());
    used += 2 + (int)s.size() + ((int)s.size() & 1);
  }
  PageBuilder &Item(const std::string &k, const std::string &c) {
    offsets.push_back(used);
    Field(k);
    Field(c);
    return *this;
  }
  PageBuilder &Key(const std::string &k) {
    offsets.push_back(used);
    Field(k);
    return *this;
  }
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

Page Join(std::initializer_list<Page> pages) {
  Page out;
  for (auto &p : pages) out += p;
  return out;
}

class KqbmFile : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string name = dir.Path("db");
  std::string file = name + ".dbm";

  KQBM_dbHandle_t Create() { return KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0); }
};

TEST_F(KqbmFile, FirstStoreWritesRootAndTwoLeaves) {
  KQBM_dbHandle_t db = Create();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(Fetch(db, "a"), "<none>");
  ASSERT_EQ(KQBM_store(db, D("a"), D("1"), KQBM_INSERT), 0u);
  KQBM_close(db);

  auto root = PageBuilder(0, 0, 2).Key("a").Children({1, 2}).Done();
  auto leaf = PageBuilder(2, 1, 0).Item("a", "1").Done();
  auto empty = PageBuilder(2, 2, 0).Done();
  EXPECT_EQ(ReadFile(file), Join({root, leaf, empty}));
  // Spelled out once: the root's head, key and children, and the leaf's item.
  auto bytes = ReadFile(file);
  EXPECT_EQ(bytes.substr(0, 10), Page("\0\0\0\1\0\0\0\4\0\2", 10));
  EXPECT_EQ(bytes.substr(140, 4), Page("\0\1a\0", 4));
  EXPECT_EQ(bytes.substr(1024 + 76, 8), Page("\0\1a\0\0\0011\0", 8));
}

TEST_F(KqbmFile, StoresInPlaceKeepKeyOrderAndPadding) {
  KQBM_dbHandle_t db = Create();
  ASSERT_NE(db, nullptr);
  ASSERT_EQ(KQBM_store(db, D("m"), D("mm"), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_store(db, D("ab"), D(""), KQBM_INSERT), 0u);    // before: shifts "m"
  ASSERT_EQ(KQBM_store(db, D("a"), D("xyz"), KQBM_INSERT), 0u);  // a prefix sorts first
  ASSERT_EQ(KQBM_store(db, D("zz"), D("q"), KQBM_INSERT), 0u);   // after the root key "m"
  KQBM_close(db);
  auto root = PageBuilder(0, 0, 2).Key("m").Children({1, 2}).Done();
  auto leaf1 = PageBuilder(2, 1, 0).Item("a", "xyz").Item("ab", "").Item("m", "mm").Done();
  auto leaf2 = PageBuilder(2, 2, 0).Item("zz", "q").Done();
  EXPECT_EQ(ReadFile(file), Join({root, leaf1, leaf2}));
}

TEST_F(KqbmFile, EndOfLeafStoreReplacesTheSeparator) {
  KQBM_dbHandle_t db = Create();
  ASSERT_EQ(KQBM_store(db, D("b"), D("1"), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_store(db, D("a"), D("2"), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_delete(db, D("b")), 0u);  // leaf keeps "a": the root key follows
  KQBM_close(db);
  auto root = PageBuilder(0, 0, 2).Key("a").Children({1, 2}).Done();
  auto leaf1 = PageBuilder(2, 1, 0).Item("a", "2").Done();
  auto leaf2 = PageBuilder(2, 2, 0).Done();
  EXPECT_EQ(ReadFile(file), Join({root, leaf1, leaf2}));
}

TEST_F(KqbmFile, HandBuiltFileIsRead) {
  // A root with two keys over three leaves, the changed mark left set on one page.
  auto root = PageBuilder(0, 0, 3).Key("cat").Key("fox").Children({1, 2, 3}).Done();
  auto l1 = PageBuilder(2, 1, 0).Item("ant", "A").Item("bee", "BB").Item("cat", "CCC").Done();
  auto l2 = PageBuilder(2, 2, 0).Item("dog", "").Item("fox", "F").Done();
  auto l3 = PageBuilder(2, 3, 0).Item("gnu", "gnu!").Item("id-att-job-name", "7").Done();
  l2[0] |= 0x40;
  WriteFile(file, Join({root, l1, l2, l3}));
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
  auto bytes = ReadFile(file);
  // Leaf 2 now holds dog, emu, fox; the root is unchanged.
  EXPECT_EQ(bytes.substr(0, 1024), root);
  auto l2b = PageBuilder(2, 2, 0).Item("dog", "").Item("emu", "E").Item("fox", "F").Done();
  EXPECT_EQ(bytes.substr(2048, 1024), l2b);
}

TEST_F(KqbmFile, LimitsOfKeyAndItem) {
  KQBM_dbHandle_t db = Create();
  std::string k128(128, 'k'), k129(129, 'k');
  EXPECT_EQ(KQBM_store(db, D(k128), D(std::string(128, 'c')), KQBM_INSERT), 0u);
  EXPECT_EQ(KQBM_store(db, D(k129), D(""), KQBM_INSERT), KQBM_ST_KEY_TOO_LONG);
  std::string k100(100, 'j');
  EXPECT_EQ(KQBM_store(db, D(k100), D(std::string(156, 'c')), KQBM_INSERT), 0u);
  EXPECT_EQ(KQBM_store(db, D("x" + k100), D(std::string(156, 'c')), KQBM_INSERT),
            KQBM_ST_ITEM_TOO_LONG);
  // A refused replace keeps the old content.
  EXPECT_EQ(KQBM_store(db, D(k100), D(std::string(157, 'd')), KQBM_REPLACE), KQBM_ST_ITEM_TOO_LONG);
  EXPECT_EQ(Fetch(db, k100), std::string(156, 'c'));
  EXPECT_EQ(KQBM_store(db, {nullptr, 3}, D("x"), KQBM_INSERT), KQBM_ST_KEY_TOO_LONG);
  EXPECT_EQ(KQBM_store(db, D("k"), {nullptr, 4}, KQBM_INSERT), KQBM_ST_ITEM_TOO_LONG);
  EXPECT_EQ(KQBM_store(db, D("k"), {nullptr, -1}, KQBM_INSERT), KQBM_ST_ITEM_TOO_LONG);
  EXPECT_EQ(Fetch(db, k129), "<none>");
  // Any flag but replace only inserts; replace inserts a missing key too.
  EXPECT_EQ(KQBM_store(db, D(k100), D("new"), 7), KQBM_ST_EXISTS);
  EXPECT_EQ(KQBM_store(db, D("other"), D("o"), KQBM_REPLACE), 0u);
  EXPECT_EQ(CheckedCount(db), 3u);
  KQBM_close(db);
}

TEST_F(KqbmFile, DeletingPushesTheLastItemToASiblingAndTheFileNeverShrinks) {
  KQBM_dbHandle_t db = Create();
  // Enough items for several leaves under the root.
  auto key = [](int i) { return "key" + std::to_string(1000 + i); };
  for (int i = 0; i < 200; i++) {
    ASSERT_EQ(KQBM_store(db, D(key(i)), D(std::string(30, 'v')), KQBM_INSERT), 0u);
  }
  KQBM_close(db);
  struct stat before;
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  db = KQBM_open(name.c_str(), O_RDWR, 0, 0);
  TreeStats st0;
  Items items;
  ASSERT_EQ(CheckTree(db, &items, &st0), "");
  for (int i = 0; i < 190; i++) {
    ASSERT_EQ(KQBM_delete(db, D(key(i))), 0u);
    ASSERT_EQ(CheckTree(db, &items), "") << i;
  }
  TreeStats st1;
  ASSERT_EQ(CheckTree(db, &items, &st1), "");
  EXPECT_EQ(items.size(), 10u);
  EXPECT_LT(st1.pages, st0.pages);  // emptied leaves left the tree
  KQBM_close(db);
  struct stat after;
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_GE(after.st_size, before.st_size);
}

TEST_F(KqbmFile, OpenModes) {
  EXPECT_EQ(KQBM_open(name.c_str(), O_RDONLY, 0, 0), nullptr);  // no file yet
  KQBM_dbHandle_t db = Create();
  ASSERT_NE(db, nullptr);
  ASSERT_EQ(KQBM_store(db, D("a"), D("b"), KQBM_INSERT), 0u);
  KQBM_close(db);
  EXPECT_EQ(KQBM_open(name.c_str(), O_WRONLY, 0, 0), nullptr);
  db = KQBM_open(name.c_str(), O_RDONLY, 0, 0);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(KQBM_store(db, D("c"), D("d"), KQBM_INSERT), KQBM_ST_BAD_MODE);
  EXPECT_EQ(KQBM_delete(db, D("a")), KQBM_ST_BAD_MODE);
  EXPECT_EQ(Fetch(db, "a"), "b");
  KQBM_close(db);
  // Creating again empties the file.
  db = Create();
  EXPECT_EQ(Fetch(db, "a"), "<none>");
  KQBM_close(db);
  EXPECT_EQ(ReadFile(file), PageBuilder(0, 0, 0).Done());
  // No handle.
  KQBM_close(nullptr);
  EXPECT_EQ(KQBM_store(nullptr, D("a"), D("b"), KQBM_INSERT), KQBM_ST_NO_HANDLE);
  EXPECT_EQ(KQBM_delete(nullptr, D("a")), KQBM_ST_NO_HANDLE);
  EXPECT_EQ(Fetch(nullptr, "a"), "<none>");
  EXPECT_EQ(Fetched(KQBM_fetchAbbrev(nullptr, D("a"), nullptr, 0)), "<-1>");
  EXPECT_EQ(KQBM_open(nullptr, O_RDONLY, 0, 0), nullptr);
}

TEST_F(KqbmFile, WholeFileLimitIs124Pages) {
  // Pages past the tree's highest page do not matter to the limit: the file size does.
  KQBM_dbHandle_t db = Create();
  ASSERT_EQ(KQBM_store(db, D("a"), D("b"), KQBM_INSERT), 0u);
  KQBM_close(db);
  ASSERT_EQ(truncate(file.c_str(), 124 * 1024), 0);
  for (int whole : {1, 0}) {
    db = KQBM_open(name.c_str(), O_RDONLY, 0, whole);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(Fetch(db, "a"), "b");
    KQBM_close(db);
    // 125 pages, the last one short: too many for the whole file, a single buffer is fine.
    ASSERT_EQ(truncate(file.c_str(), 124 * 1024 + 1), 0);
    EXPECT_EQ(KQBM_open(name.c_str(), O_RDONLY, 0, 1), nullptr);
  }
}

TEST_F(KqbmFile, WholeFileResultsStayValidAcrossLookups) {
  KQBM_dbHandle_t db = Create();
  auto key = [](int i) { return "b-" + std::to_string(i); };
  for (int i = 0; i < 1500; i++) {
    ASSERT_EQ(KQBM_store(db, D(key(i)), D(key(i) + "!"), KQBM_INSERT), 0u);
  }
  KQBM_close(db);
  db = KQBM_open(name.c_str(), O_RDONLY, 0, 1);
  ASSERT_NE(db, nullptr);
  std::vector<datum> kept;
  for (int i = 0; i < 1500; i++) kept.push_back(KQBM_fetch(db, D(key(i))));
  for (int i = 0; i < 1500; i++) ASSERT_EQ(S(kept[(size_t)i]), key(i) + "!");
  KQBM_close(db);
}

}  // namespace
