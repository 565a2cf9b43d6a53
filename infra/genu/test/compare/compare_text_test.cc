// Texts and simple names: collating compares across choices and code sets, the
// generic equality and bytewise forms, and bytewise compares inside records.
#include <clocale>
#include <cstring>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

template <typename T, typename F>
int32_t run(F f, const T &a, const T &b, uint32_t expectRc = 0, uint32_t code = 0) {
  Status s;
  int32_t r = 99;
  EXPECT_EQ(f(s, &a, &b, &r), expectRc);
  if (code) {
    EXPECT_TRUE(s.Has(code)) << std::hex << code;
  }
  return r;
}

TEST(GenvCompareText, ChoicesMeetOnlyThroughLatin1) {
  GEN_Text_t latin = MakeText(3, "Zurich"), iso = MakeText(1, "Zurich"),
             other = MakeText(1, "Zurich!");
  EXPECT_EQ(run(GEN_CompareText, latin, iso), 0);
  EXPECT_EQ(run(GEN_CompareText, latin, other), -1);
  run(GEN_CompareText, latin, MakeText(2, "Zurich"), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareText, iso, MakeText(4, "Zurich"), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareText, iso, MakeText(9, "x"), 1, GENU_ST_BAD_VALUE);
  GEN_SimpleName_t nl = MakeName(3, "tray"), ni = MakeName(1, "tray");
  EXPECT_EQ(run(GEN_CompareSimpleName, nl, ni), 0);
  run(GEN_CompareSimpleName, nl, MakeName(5, "tray"), 1, GENU_ST_NOT_COMPARABLE);
}

TEST(GenvCompareText, OtherCodeSetsCollateOnlyWithTheSameCodeSet) {
  setlocale(LC_COLLATE, "C");
  GEN_Text_t a = MakeText(5, "abc", 17), b = MakeText(5, "abd", 17), c = MakeText(5, "abc", 18);
  EXPECT_EQ(run(GEN_CompareText, a, b), -1);
  run(GEN_CompareText, a, c, 1, GENU_ST_NOT_COMPARABLE);
  GEN_SimpleName_t x = MakeName(5, "m"), y = MakeName(5, "m");
  EXPECT_EQ(run(GEN_CompareSimpleName, x, y), 0);
}

TEST(GenvCompareText, CaselessFormsIgnoreCase) {
  EXPECT_EQ(run(GEN_ICompareText, MakeText(1, "HELLO"), MakeText(1, "hello")), 0);
  EXPECT_NE(run(GEN_CompareText, MakeText(1, "HELLO"), MakeText(1, "hello")), 0);
  EXPECT_EQ(run(GEN_ICompareSimpleName, MakeName(1, "Tray"), MakeName(3, "TRAY")), 0);
}

TEST(GenvCompareText, EqualityFormAnswersOneForEqualTexts) {
  EXPECT_EQ(run(GEN_EqualText, MakeText(1, "abc"), MakeText(3, "abc")), 1);
  EXPECT_EQ(run(GEN_EqualText, MakeText(1, "abc"), MakeText(1, "abd")), 0);
  EXPECT_EQ(run(GEN_EqualText, MakeText(5, "x", 4), MakeText(5, "x", 4)), 1);
  run(GEN_EqualText, MakeText(5, "x", 4), MakeText(5, "x", 5), 1, GENU_ST_NOT_COMPARABLE);
  EXPECT_EQ(run(GEN_EqualSimpleName, MakeName(3, "q"), MakeName(1, "q")), 1);
}

TEST(GenvCompareText, BytewiseFormSortsEmptyValuesFirst) {
  EXPECT_EQ(run(GEN_BinCompareText, MakeText(1, "ab"), MakeText(1, "abc")), -1);
  // Unlike the octet-string rule, an empty value is the smaller one here.
  EXPECT_EQ(run(GEN_BinCompareText, MakeText(3, ""), MakeText(3, "a")), -1);
  EXPECT_EQ(run(GEN_CompareText, MakeText(3, ""), MakeText(3, "a")), 1);
  EXPECT_EQ(run(GEN_BinCompareSimpleName, MakeName(4, "a"), MakeName(4, "")), 1);
}

TEST(GenvCompareText, BytewiseReachesNamesInsideEveryRecord) {
  GEN_NameOrOID_t a{}, b{};
  a.choice = b.choice = 2;
  a.u.name = MakeName(3, "");
  b.u.name = MakeName(3, "x");
  EXPECT_EQ(run(GEN_CompareNameOrOID, a, b), 1);
  EXPECT_EQ(run(GEN_BinCompareNameOrOID, a, b), -1);
  Status s;
  int32_t r = 0;
  EXPECT_EQ(GEN_BinCompareAttrValue(s, 18, &a, &b, &r), 0u);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(GEN_CompareAttrValue(s, 18, &a, &b, &r), 0u);
  EXPECT_EQ(r, 1);  // the mode does not stick after a bytewise compare

  // An empty Latin-1 name sorts after a non-empty one by the octet rule and
  // before it bytewise, wherever it sits.
  GEN_ExtACL_t ea{}, eb{};
  ea.principal = MakeName(3, "");
  eb.principal = MakeName(3, "x");
  ea.domain.text = eb.domain.text = MakeText(1, "eng");
  ASSERT_EQ(GEN_CompareAttrValue(s, 89, &ea, &eb, &r), 0u);
  EXPECT_EQ(r, 1);
  ASSERT_EQ(GEN_BinCompareAttrValue(s, 89, &ea, &eb, &r), 0u);
  EXPECT_EQ(r, -1);
  GEN_DistNameString_t dx{MakeText(3, ""), nullptr}, dy{MakeText(3, "x"), nullptr};
  EXPECT_EQ(run(GEN_BinCompareDistNameString, dx, dy), -1);
  EXPECT_EQ(run(GEN_CompareDistNameString, dx, dy), 1);
}

TEST(GenvCompareText, ChoiceRecordsCompareChoiceFirst) {
  GEN_NameOrOID_t oid{}, nm{};
  oid.choice = 1;
  oid.u.oid = 99;
  nm.choice = 2;
  nm.u.name = MakeName(1, "a");
  EXPECT_EQ(run(GEN_CompareNameOrOID, oid, nm), -1);
  EXPECT_EQ(run(GEN_CompareNameOrOID, nm, oid), 1);
  GEN_NameOrOID_t bad{};
  bad.choice = 3;
  run(GEN_CompareNameOrOID, bad, bad, 1, GENU_ST_BAD_VALUE);
  // Members in declaration order: the first difference decides.
  GEN_InputTrayMedium_t t1{oid, nm}, t2{oid, oid};
  EXPECT_EQ(run(GENU__CompareInputTrayMedium, t1, t2), 1);
}

}  // namespace
