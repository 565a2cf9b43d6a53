// Damaged files: every operation on them ends with a status code or an empty result,
// never a crash, a loop or a write outside a page (the sanitizer build watches the
// last two).
#include <fcntl.h>

#include "kqbm_checker.h"

using namespace kq::kqbm::test;

namespace {

class KqbmDamage : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string name = dir.Path("dmg");
  std::string file = name + ".dbm";
  std::string good;

  void SetUp() override {
    KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
    ASSERT_NE(db, nullptr);
    for (int i = 0; i < 2500; i++) {
      std::string k = "id-att-" + std::to_string(i * 7919 % 10007) + "-name";
      ASSERT_EQ(KQBM_store(db, D(k), D(std::string((size_t)(i % 50), 'c')), KQBM_INSERT), 0u);
    }
    KQBM_close(db);
    good = kq::test::ReadFile(file);
    ASSERT_GT(good.size(), 100u * 1024);
  }

  // Every kind of operation in every open mode on the file as it is now; results may
  // be anything but must be one of the documented ones.
  void Exercise(const std::string &bytes) {
    kq::test::WriteFile(file, bytes);
    for (int mode : {0, 1, 2}) {
      KQBM_dbHandle_t db = mode == 2 ? KQBM_open(name.c_str(), O_RDWR, 0, 0)
                                     : KQBM_open(name.c_str(), O_RDONLY, 0, mode);
      for (int i = 0; db && i < 15 * TestScale(); i++) {
        std::string k = "id-att-" + std::to_string(i * 131 % 10007) + "-name";
        datum d = KQBM_fetch(db, D(k));
        EXPECT_TRUE(d.dptr ? d.dsize >= 0 : d.dsize == 0);
        KQBM_fetchName(db, D(k), 0);
        KQBM_nameSeq_t *list = nullptr;
        EXPECT_GE(KQBM_fetchAbbrev(db, D(i % 2 ? "i-a-1-n" : "id-at"), &list, 1).dsize, -3);
        Names(list);
        if (mode != 2) continue;
        uint32_t st = KQBM_store(db, D(k + "x"), D("new"), i % 3 == 0);
        EXPECT_TRUE(st == 0 || (st >> 16) == 0xc00a || st == KQBM_ST_NOT_EMPTY) << std::hex << st;
        st = KQBM_delete(db, D(k));
        EXPECT_TRUE(st == 0 || (st >> 16) == 0xc00a) << std::hex << st;
      }
      KQBM_close(db);
    }
  }
  static void PutAt(std::string &b, size_t at, int v) {
    b[at] = (uint8_t)(v >> 8);
    b[at + 1] = (uint8_t)v;
  }
};

TEST_F(KqbmDamage, HeadFieldsOutOfRange) {
  const size_t pages = good.size() / 1024;
  const std::pair<size_t, int> cases[] = {
      {0, 0x0500}, {0, 0x0000}, {2, 33}, {2, 0xffff},  {6, 1000}, {6, 3},        {8, 0xffff},
      {10, 900},   {12, 1},     {74, 0}, {74, 0xffff}, {76, 0},   {140, 0xffff}, {8, 1}};
  for (const auto &[field, value] : cases) {
    for (size_t p : {(size_t)0, (size_t)1, pages / 2, pages - 1}) {
      std::string bad = good;
      if (field == 0)  // the page type byte alone
        bad[p * 1024] = (uint8_t)(value >> 8);
      else
        PutAt(bad, p * 1024 + field, value);
      Exercise(bad);
      if (HasFailure()) FAIL() << "field " << field << " page " << p;
    }
  }
}

TEST_F(KqbmDamage, ChildLinksThatLoop) {
  // Children of the root pointing at the root, at themselves and at each other.
  // With v 2, pages 1 and 2 claim to be inner nodes whose children are pages 1 and 2.
  for (int v : {0, 1, 2}) {
    std::string bad = good;
    for (int i = 0; i < 33; i++) {
      PutAt(bad, 74 + 2 * (size_t)i, v == 0 ? 0 : v == 1 ? 1 : 2 - i % 2);
      for (size_t p = 1; v == 2 && p <= 2; p++)
        PutAt(bad, p * 1024 + 74 + 2 * (size_t)i, 1 + i % 2);
    }
    for (size_t p = 1; v == 2 && p <= 2; p++) bad[p * 1024] = 1;
    Exercise(bad);
  }
}

TEST_F(KqbmDamage, TruncatedAndTinyFiles) {
  for (size_t size : {(size_t)0, (size_t)10, (size_t)1023, (size_t)1024, (size_t)1500,
                      good.size() / 2 + 300, good.size() - 1})
    Exercise(good.substr(0, size));
}

}  // namespace
