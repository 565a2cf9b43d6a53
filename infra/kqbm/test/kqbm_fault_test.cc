// Damaged files with exact expectations: a file cut inside a page, and pages whose
// entry offsets or lengths point outside them. The test reads the good file's pages by
// their documented layout to know which page every key lives under; a key under a
// damaged page is not found, every other key keeps its content, stores end with a
// status of damage or can be read back, and nothing reads or writes outside a page
// (the sanitizer build watches that).
#include <fcntl.h>
#include <gtest/gtest.h>

#include <functional>

#include "kqbm_checker.h"

using namespace kq::kqbm::test;

namespace {

constexpr size_t kPage = 1024;

// The pages of a file as the layout describes them (16-bit fields, high byte first).
struct Layout {
  const std::string &b;
  int Get(size_t at) const { return (uint8_t)b[at] << 8 | (uint8_t)b[at + 1]; }
  bool Leaf(int p) const { return (b[p * kPage] & 0x3f) == 2; }
  int Last(int p) const { return Get(p * kPage + 2); }
  size_t Data(int p) const { return p * kPage + (Leaf(p) ? 76 : 140); }
  int Offset(int p, int i) const { return Get(p * kPage + 10 + 2 * i); }
  std::string Key(int p, int i) const {
    size_t at = Data(p) + Offset(p, i);
    return b.substr(at + 2, Get(at));
  }
  // The pages from the root down to the leaf that holds (or would hold) `key`.
  std::vector<int> Path(const std::string &key) const {
    std::vector<int> path{0};
    while (!Leaf(path.back())) {
      int p = path.back(), i = 0;
      while (i < Last(p) && key > Key(p, i)) i++;
      path.push_back(Get(p * kPage + 74 + 2 * i));
    }
    return path;
  }
  int FirstPage(bool leaf) const {
    for (int p = 1; p * kPage < b.size(); p++)
      if (Leaf(p) == leaf && Last(p) > 2) return p;
    return -1;
  }
};

class KqbmFault : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string name = dir.Path("f"), file = name + ".dbm", good;
  std::vector<std::string> keys;

  void SetUp() override {
    KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
    ASSERT_NE(db, nullptr);
    char k[32];
    for (int i = 0; i < 1500; i++) {
      snprintf(k, sizeof k, "key-%05d", i * 7 % 1500 * 3);
      keys.push_back(k);
      ASSERT_EQ(KQBM_store(db, D(k), D(Content(k)), KQBM_INSERT), 0u);
    }
    KQBM_close(db);
    good = kq::test::ReadFile(file);
    ASSERT_GT(Layout{good}.Path(keys[0]).size(), 2u) << "no inner pages";
  }

  static std::string Content(const std::string &key) { return "content of " + key; }

  // Opens `bytes` as the file in every mode and checks every 5th key: found with its
  // content unless its path passes a page in `lost` (or the root is lost: no open).
  // Read-write handles then store a key next to each: the store gives a status of
  // damage, or succeeds and the key reads back. (A store that fails half-way may have
  // moved items already, so the lookups come first.)
  void Check(const std::string &bytes, const std::function<bool(int)> &lost) {
    Layout layout{good};
    for (int mode : {0, 1, 2}) {
      SCOPED_TRACE("open mode " + std::to_string(mode));
      kq::test::WriteFile(file, bytes);
      KQBM_dbHandle_t db = mode == 2 ? KQBM_open(name.c_str(), O_RDWR, 0, 0)
                                     : KQBM_open(name.c_str(), O_RDONLY, 0, mode);
      if (lost(0)) {
        EXPECT_EQ(db, nullptr);
        KQBM_close(db);
        continue;
      }
      ASSERT_NE(db, nullptr);
      for (size_t i = 0; i < keys.size(); i += 5) {
        const std::string &k = keys[i];
        std::vector<int> path = layout.Path(k);
        std::string want = std::any_of(path.begin(), path.end(), lost) ? "<none>" : Content(k);
        ASSERT_EQ(Fetch(db, k), want) << k;
        EXPECT_EQ(Fetched(KQBM_fetchName(db, D(k), 0)), want) << k;
      }
      for (size_t i = 0; mode == 2 && i < keys.size(); i += 5) {
        uint32_t st = KQBM_store(db, D(keys[i] + "+"), D("new"), KQBM_INSERT);
        EXPECT_TRUE(st == 0 || st == KQBM_ST_BAD_NODE || st == KQBM_ST_BAD_PARENT ||
                    st == KQBM_ST_NO_PARENT)
            << keys[i] << std::hex << " " << st;
        if (st == 0) {
          EXPECT_EQ(Fetch(db, keys[i] + "+"), "new") << keys[i];
        }
      }
      KQBM_close(db);
    }
  }
};

TEST_F(KqbmFault, FileCutInsideAPage) {
  Layout layout{good};
  const int inner = layout.FirstPage(false), leaf = layout.FirstPage(true);
  const int lastPage = static_cast<int>(good.size() / kPage) - 1;
  for (int page : {0, inner, leaf, lastPage}) {
    for (size_t cut : {1, 9, 40, 150, 1000}) {
      SCOPED_TRACE("page " + std::to_string(page) + " cut at " + std::to_string(cut));
      // Everything from the cut page on is gone.
      Check(good.substr(0, page * kPage + cut), [page](int p) { return p >= page; });
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(KqbmFault, EntriesPointingOutsideTheirPage) {
  Layout layout{good};
  // Each damage sets one head field of the page, given the page's last entry n and
  // used count u: {field offset in the page, new value}.
  const struct {
    const char *what;
    std::function<std::pair<size_t, int>(int n, int u)> set;
  } damages[] = {
      {"last offset past used",
       [](int n, int u) {
         return std::pair{10 + 2 * (n - 1), u + 2};
       }},
      {"last offset at the page end",
       [](int n, int) {
         return std::pair{10 + 2 * (n - 1), 1024};
       }},
      {"last offset 0xffff",
       [](int n, int) {
         return std::pair{10 + 2 * (n - 1), 0xffff};
       }},
      {"first offset odd",
       [](int, int) {
         return std::pair{10, 1};
       }},
      {"used past the data area",
       [](int, int) {
         return std::pair{6, 1000};
       }},
      {"used short of the last entry",
       [](int, int u) {
         return std::pair{6, u - 2};
       }},
      {"last past 32 entries",
       [](int, int) {
         return std::pair{2, 33};
       }},
      {"last negative",
       [](int, int) {
         return std::pair{2, 0x8000};
       }},
  };
  for (int page : {0, layout.FirstPage(false), layout.FirstPage(true)}) {
    for (const auto &d : damages) {
      SCOPED_TRACE(std::string(d.what) + " in page " + std::to_string(page));
      std::string bad = good;
      auto [field, v] = d.set(layout.Last(page), layout.Get(page * kPage + 6));
      bad[page * kPage + field] = static_cast<char>(v >> 8);
      bad[page * kPage + field + 1] = static_cast<char>(v);
      Check(bad, [page](int p) { return p == page; });
      if (HasFatalFailure()) return;
    }
  }
  // A key length inside an entry that runs past the page.
  for (int page : {layout.FirstPage(false), layout.FirstPage(true)}) {
    SCOPED_TRACE("key length of entry 1 in page " + std::to_string(page));
    std::string bad = good;
    size_t at = layout.Data(page) + layout.Offset(page, 1);
    bad[at] = '\x7f';
    Check(bad, [page](int p) { return p == page; });
  }
}

// A root whose highest page number is below the file's last pages: the pages past it
// cannot be read, and a store that needs a new page takes one past the end of the
// file, never one of them. Once the highest page is past them, they are found again.
TEST_F(KqbmFault, ALowHighestPageNeverLetsAStoreOverwriteThePagesPastIt) {
  int pages = static_cast<int>(good.size() / kPage);
  std::string bad = good;
  bad[8] = static_cast<char>((pages - 3) >> 8);
  bad[9] = static_cast<char>(pages - 3);
  kq::test::WriteFile(file, bad);
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDWR, 0, 0);
  ASSERT_NE(db, nullptr);
  int stored = 0;
  for (size_t i = 0; i < keys.size(); i += 3) {
    stored += KQBM_store(db, D(keys[i] + "+"), D("new"), KQBM_INSERT) == 0;
  }
  ASSERT_GT(stored, 100);
  for (const std::string &k : keys) ASSERT_EQ(Fetch(db, k), Content(k)) << k;
  KQBM_close(db);
}

}  // namespace
