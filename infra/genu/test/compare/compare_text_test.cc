// Texts and simple names: collating compares across choices and code sets, the
// generic equality and bytewise forms, and bytewise compares inside records.
#include <clocale>
#include <cstring>

#include "../support/genv_test_support.h"

using namespace genvtest;

namespace {

GEN_Text_t text(int32_t choice, const char *s, uint32_t codeSet = 0) {
  return MakeText(choice, s, choice > 2 ? codeSet : 0);
}
GEN_SimpleName_t name(int32_t choice, const char *s, uint32_t codeSet = 0) {
  return MakeName(choice, s, choice > 2 ? codeSet : 0);
}

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
  GEN_Text_t latin = text(3, "Zurich"), iso = text(1, "Zurich"), other = text(1, "Zurich!");
  EXPECT_EQ(run(GEN_CompareText, latin, iso), 0);
  EXPECT_EQ(run(GEN_CompareText, iso, latin), 0);
  EXPECT_EQ(run(GEN_CompareText, latin, other), -1);
  run(GEN_CompareText, latin, text(2, "Zurich"), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareText, iso, text(4, "Zurich"), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareText, iso, text(9, "x"), 1, GENU_ST_BAD_VALUE);
  GEN_SimpleName_t nl = name(3, "tray"), ni = name(1, "tray");
  EXPECT_EQ(run(GEN_CompareSimpleName, nl, ni), 0);
  run(GEN_CompareSimpleName, nl, name(5, "tray"), 1, GENU_ST_NOT_COMPARABLE);
}

TEST(GenvCompareText, OtherCodeSetsCollateOnlyWithTheSameCodeSet) {
  setlocale(LC_COLLATE, "C");
  GEN_Text_t a = text(5, "abc", 17), b = text(5, "abd", 17), c = text(5, "abc", 18);
  EXPECT_EQ(run(GEN_CompareText, a, b), -1);
  EXPECT_EQ(run(GEN_CompareText, b, a), 1);
  run(GEN_CompareText, a, c, 1, GENU_ST_NOT_COMPARABLE);
  GEN_SimpleName_t x = name(5, "m"), y = name(5, "m");
  EXPECT_EQ(run(GEN_CompareSimpleName, x, y), 0);
}

TEST(GenvCompareText, CaselessFormsIgnoreCase) {
  EXPECT_EQ(run(GEN_ICompareText, text(1, "HELLO"), text(1, "hello")), 0);
  EXPECT_NE(run(GEN_CompareText, text(1, "HELLO"), text(1, "hello")), 0);
  EXPECT_EQ(run(GEN_ICompareText, text(4, "MiXeD"), text(4, "mixed")), 0);
  EXPECT_EQ(run(GEN_ICompareSimpleName, name(1, "Tray"), name(3, "TRAY")), 0);
}

TEST(GenvCompareText, EqualityFormAnswersOneForEqualTexts) {
  EXPECT_EQ(run(GEN_EqualText, text(1, "abc"), text(3, "abc")), 1);
  EXPECT_EQ(run(GEN_EqualText, text(1, "abc"), text(1, "abd")), 0);
  EXPECT_EQ(run(GEN_EqualText, text(1, ""), text(1, "")), 1);
  EXPECT_EQ(run(GEN_EqualText, text(5, "x", 4), text(5, "x", 4)), 1);
  run(GEN_EqualText, text(5, "x", 4), text(5, "x", 5), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_EqualText, text(2, "x"), text(3, "x"), 1, GENU_ST_NOT_COMPARABLE);
  EXPECT_EQ(run(GEN_EqualSimpleName, name(3, "q"), name(1, "q")), 1);
}

TEST(GenvCompareText, BytewiseFormSortsEmptyValuesFirst) {
  EXPECT_EQ(run(GEN_BinCompareText, text(1, "ab"), text(1, "abc")), -1);
  EXPECT_EQ(run(GEN_BinCompareText, text(1, "b"), text(3, "abc")), 1);
  // Unlike the octet-string rule, an empty value is the smaller one here.
  EXPECT_EQ(run(GEN_BinCompareText, text(3, ""), text(3, "a")), -1);
  EXPECT_EQ(run(GEN_CompareText, text(3, ""), text(3, "a")), 1);
  EXPECT_EQ(run(GEN_BinCompareSimpleName, name(4, "a"), name(4, "")), 1);
}

TEST(GenvCompareText, BytewiseInsideRecords) {
  GEN_NameOrOID_t a{}, b{};
  a.choice = b.choice = 2;
  a.u.name = name(3, "");
  b.u.name = name(3, "x");
  EXPECT_EQ(run(GEN_CompareNameOrOID, a, b), 1);
  EXPECT_EQ(run(GEN_BinCompareNameOrOID, a, b), -1);
  Status s;
  int32_t r = 0;
  EXPECT_EQ(GEN_BinCompareAttrValue(s, 18, &a, &b, &r), 0u);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(GEN_CompareAttrValue(s, 18, &a, &b, &r), 0u);
  EXPECT_EQ(r, 1);  // the mode does not stick after a bytewise compare

  GEN_ObjectIdent_t x{}, y{};
  x.choice = y.choice = 7;
  x.u.name = name(4, "");
  y.u.name = name(4, "abc");
  EXPECT_EQ(run(GEN_BinCompareObjectIdent, x, y), -1);
  GEN_FontReference_t f{1, name(1, "Times")}, g{1, name(1, "times")};
  EXPECT_EQ(run(GEN_BinCompareFontReference, f, g), -1);
}

TEST(GenvCompareText, ChoiceRecordsCompareChoiceFirst) {
  GEN_NameOrOID_t oid{}, nm{};
  oid.choice = 1;
  oid.u.oid = 99;
  nm.choice = 2;
  nm.u.name = name(1, "a");
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

namespace {

TEST(GenvCompareText, BytewiseReachesNamesInsideEveryRecord) {
  // An empty Latin-1 name sorts after a non-empty one by the octet rule and
  // before it bytewise, wherever it sits.
  GEN_ExtACL_t a{}, b{};
  a.principal = name(3, "");
  b.principal = name(3, "x");
  a.domain.text = b.domain.text = text(1, "eng");
  Status s;
  int32_t r = 0;
  ASSERT_EQ(GEN_CompareAttrValue(s, 89, &a, &b, &r), 0u);
  EXPECT_EQ(r, 1);
  ASSERT_EQ(GEN_BinCompareAttrValue(s, 89, &a, &b, &r), 0u);
  EXPECT_EQ(r, -1);
  GEN_DistNameString_t x{text(3, ""), nullptr}, y{text(3, "x"), nullptr};
  ASSERT_EQ(GEN_BinCompareAttrValue(s, 6, &x, &y, &r), 0u);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(run(GEN_BinCompareDistNameString, x, y), -1);
  EXPECT_EQ(run(GEN_CompareDistNameString, x, y), 1);
}

}  // namespace
