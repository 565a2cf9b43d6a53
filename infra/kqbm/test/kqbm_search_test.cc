// Name and abbreviation searches: the comparison rules and the searches over trees of
// one and of several levels, with and without the list of matches.
#include <fcntl.h>

#include <set>

#include "kqbm_checker.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm::test;
using kq::kqbm::CompareKeysAbbrev;

namespace {

int Abbrev(const std::string &a, const std::string &b) {
  return CompareKeysAbbrev(reinterpret_cast<const uint8_t *>(a.data()), (int)a.size(),
                           reinterpret_cast<const uint8_t *>(b.data()), (int)b.size());
}
// CompareKeysAbbrev: 1 a match (each component a prefix; an empty component matches
// anything), 0 or 2 the first component before or after, 4 no match. The key order
// itself is the model tests' (KqbmModel.BinaryKeysWithPrefixes).
TEST(KqbmCompare, AbbreviationRules) {
  // clang-format off
  const std::pair<const char *, std::pair<const char *, int>> rows[] = {
      {"j-n", {"job-name", 1}}, {"jo-na", {"job-name", 1}}, {"j-n", {"job-name-x", 4}},
      {"jo-n", {"jobname", 4}}, {"job-names", {"job-name", 4}}, {"k-n", {"job-name", 2}},
      {"a-n", {"job-name", 0}}, {"jobs-n", {"job", 2}}, {"x", {"x", 1}},
      {"pr-", {"printer-state", 1}}, {"p-n-x", {"printer-name", 4}}, {"p", {"printer-name", 4}}};
  // clang-format on
  for (const auto &[a, kw] : rows)
    EXPECT_EQ(Abbrev(a, kw.first), kw.second) << a << " " << kw.first;
}

class KqbmSearch : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string name = dir.Path("names");
  KQBM_dbHandle_t db = nullptr;

  void Fill(const std::vector<std::string> &keys) {
    db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
    ASSERT_NE(db, nullptr);
    for (auto &k : keys) ASSERT_EQ(KQBM_store(db, D(k), D("v:" + k), KQBM_INSERT), 0u);
  }
  void TearDown() override { KQBM_close(db); }
};

TEST_F(KqbmSearch, NameSearchWithAndWithoutCase) {
  Fill({"alpha", "beta", "gamma", "Zeta"});
  EXPECT_EQ(S(KQBM_fetchName(db, D("beta"), KQBM_CASE_EXACT)), "v:beta");
  EXPECT_EQ(KQBM_fetchName(db, D("Beta"), KQBM_CASE_EXACT).dptr, nullptr);
  EXPECT_EQ(S(KQBM_fetchName(db, D("BETA"), 0)), "v:beta");
  EXPECT_EQ(S(KQBM_fetchName(db, D("Gamma"), 2)), "v:gamma");
  EXPECT_EQ(KQBM_fetchName(db, D("Alph"), 0).dptr, nullptr);
  // The tree is in byte order ("Zeta" before "alpha"); the search stops at the first
  // key that does not sort before the name without case, so "zeta" is not found.
  EXPECT_EQ(KQBM_fetchName(db, D("zeta"), 0).dptr, nullptr);
  EXPECT_EQ(S(KQBM_fetchName(db, D("Zeta"), KQBM_CASE_EXACT)), "v:Zeta");
  // A NUL byte ends the text: both keys agree up to it.
  EXPECT_EQ(S(KQBM_fetchName(db, {const_cast<char *>("beta\0zz"), 7}, KQBM_CASE_EXACT)), "");
}

TEST_F(KqbmSearch, AbbreviationSearchOverADeepTreeFindsWhatAScanFinds) {
  // Registry-like names: a few prefixes, two or three components.
  std::vector<std::string> keys;
  const char *first[] = {"id", "job", "printer", "document", "server", "medium"};
  const char *second[] = {"att", "val", "oc", "state", "name", "size", "copies", "sheets"};
  for (auto f : first)
    for (auto s : second)
      for (int i = 0; i < 30; i++) {
        keys.push_back(std::string(f) + "-" + s + "-x" + std::to_string(i));
        if (i < 3) keys.push_back(std::string(f) + "-" + s + std::to_string(i));
      }
  Fill(keys);
  Items items;
  int depth = 0;
  ASSERT_EQ(CheckTree(db, &items, &depth), "");
  ASSERT_GE(depth, 2);
  std::set<std::string> all(keys.begin(), keys.end());
  for (auto f : {"i", "j", "pr", "d", "s", "m", "me", "x"}) {
    for (auto s : {"a", "at", "v", "s", "st", "n", "c", "sh", "sheets0", "q"}) {
      for (auto t : {"", "-x", "-x1", "-x11"}) {
        std::string a = std::string(f) + "-" + s + t;
        std::vector<std::string> want;
        for (auto &k : all)
          if (Abbrev(a, k) == 1) want.push_back(k);
        const std::string outcome = want.empty()       ? "<-1>"
                                    : want.size() == 1 ? "v:" + want[0]
                                                       : "<-2>";
        // The list of matches comes when asked to keep it, and for an ambiguous
        // abbreviation also when not.
        KQBM_nameSeq_t *list;
        EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D(a), &list, 1)), outcome) << a;
        EXPECT_EQ(Names(list), want) << a;
        EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D(a), &list, 0)), outcome) << a;
        EXPECT_EQ(Names(list), want.size() > 1 ? want : std::vector<std::string>()) << a;
        EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D(a), nullptr, 0)), outcome) << a;
      }
    }
  }
}

}  // namespace
