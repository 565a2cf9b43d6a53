// Name and abbreviation searches: the comparison rules and the searches over trees of
// one and of several levels, with and without the list of matches.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <set>

#include "kqbm_checker.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm::test;
using kq::kqbm::CompareKeys;
using kq::kqbm::CompareKeysAbbrev;

namespace {

int Abbrev(const std::string &a, const std::string &b) {
  return CompareKeysAbbrev(reinterpret_cast<const uint8_t *>(a.data()), (int)a.size(),
                           reinterpret_cast<const uint8_t *>(b.data()), (int)b.size());
}
int Keys(const std::string &a, const std::string &b) {
  return CompareKeys(reinterpret_cast<const uint8_t *>(a.data()), (int)a.size(),
                     reinterpret_cast<const uint8_t *>(b.data()), (int)b.size());
}

TEST(KqbmCompare, KeyOrder) {
  EXPECT_EQ(Keys("ab", "abc"), 0);  // a proper prefix sorts first
  EXPECT_EQ(Keys("abc", "ab"), 2);
  EXPECT_EQ(Keys("abc", "abc"), 1);
  EXPECT_EQ(Keys("\x80", "\x7f"), 2);  // unsigned bytes
  EXPECT_EQ(Keys("", "a"), 0);
  EXPECT_EQ(CompareKeys(nullptr, 0, reinterpret_cast<const uint8_t *>("a"), 1), 3);
}

TEST(KqbmCompare, AbbreviationRules) {
  EXPECT_EQ(Abbrev("j-n", "job-name"), 1);  // each component a prefix
  EXPECT_EQ(Abbrev("jo-na", "job-name"), 1);
  EXPECT_EQ(Abbrev("j-n", "job-name-x"), 4);      // three components: no match
  EXPECT_EQ(Abbrev("jo-n", "jobname"), 4);        // one component with the same letters
  EXPECT_NE(Abbrev("job-names", "job-name"), 1);  // longer than the key
  EXPECT_EQ(Abbrev("job-names", "job-name"), 4);
  EXPECT_EQ(Abbrev("k-n", "job-name"), 2);  // first component after
  EXPECT_EQ(Abbrev("a-n", "job-name"), 0);  // first component before
  EXPECT_EQ(Abbrev("jobs-n", "job"), 2);    // longer first component
  EXPECT_EQ(Abbrev("x", "x"), 1);
  EXPECT_EQ(Abbrev("pr-", "printer-state"), 1);   // an empty component matches anything
  EXPECT_NE(Abbrev("p-n-x", "printer-name"), 1);  // more components than the key
  EXPECT_NE(Abbrev("p", "printer-name"), 1);      // one component never matches two
  EXPECT_EQ(CompareKeysAbbrev(nullptr, 0, reinterpret_cast<const uint8_t *>("a"), 1), 3);
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

// Which keys match is the deep-tree test's; here what each outcome hands back on a
// tree of one level.
TEST_F(KqbmSearch, EachAbbreviationOutcomeHandsBackTheMatchesAskedFor) {
  Fill({"printer-state", "printer-name", "paper-size", "job-name"});
  KQBM_nameSeq_t *list = nullptr;
  EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D("p-s"), &list, 0)),
            "<" + std::to_string(KQBM_ABBREV_AMBIGUOUS) + ">");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"paper-size", "printer-state"}));
  // A single match: the list is handed over only when asked to keep it.
  EXPECT_EQ(S(KQBM_fetchAbbrev(db, D("pr-n"), &list, 0)), "v:printer-name");
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(S(KQBM_fetchAbbrev(db, D("pr-n"), &list, 1)), "v:printer-name");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"printer-name"}));
  EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D("x-y"), &list, 1)),
            "<" + std::to_string(KQBM_ABBREV_NONE) + ">");
  EXPECT_EQ(list, nullptr);
}

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
  TreeStats stats;
  Items items;
  ASSERT_EQ(CheckTree(db, &items, &stats), "");
  ASSERT_GE(stats.depth, 2);
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
        KQBM_nameSeq_t *list;
        EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D(a), &list, 1)), outcome) << a;
        EXPECT_EQ(Names(list), want) << a;
        EXPECT_EQ(Fetched(KQBM_fetchAbbrev(db, D(a), nullptr, 0)), outcome) << a;
      }
    }
  }
}

}  // namespace
