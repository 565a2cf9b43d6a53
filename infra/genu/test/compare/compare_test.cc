// The compare dispatch by type id and the rules of numbers, byte strings, times,
// ranges, 64-bit values, attributes inside values, access control lists, texts and
// simple names.
#include <clocale>
#include <cmath>
#include <cstring>
#include <vector>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

int32_t cmp(uint32_t id, const void *a, const void *b) {
  Status s;
  int32_t r = 99;
  EXPECT_EQ(GEN_CompareAttrValue(s, id, a, b, &r), 0u) << id;
  return r;
}

GEN_OctetString_t oct(const char *s) {
  return GEN_OctetString_t{static_cast<int32_t>(strlen(s)),
                           reinterpret_cast<unsigned char *>(const_cast<char *>(s))};
}

// One compare by type id: the values, and the order the rule gives.
struct Rule {
  uint32_t id;
  const void *a, *b;
  int32_t order;
};

TEST(GenvCompareRules, EachTypeComparesByItsOwnRule) {
  // Octet strings: an empty one sorts last, then byte by byte.
  static GEN_OctetString_t empty = oct(""), abc = oct("abc"), abcd = oct("abcd"), abd = oct("abd");
  static uint32_t big = 0xFFFFFFFFu, one = 1, e1 = 1, e3 = 3;
  static int32_t t = 1, t2 = 2;
  static int16_t p = -5, q = 3;
  // Reals compare their integer parts; differences beyond 32 bits stay ordered; NaNs,
  // as a received REAL may hold, are equal only to NaNs.
  static double a = 2.9, b = 2.0, c = 3.0, huge = 1e300, tiny = -1e300, inf = HUGE_VAL,
                nan = std::nan("");
  // Ranges are equal or different; 64-bit cardinals order high word first.
  static GEN_IntegerRange_t r1{1, 5}, r2{1, 6}, r3{0, 9};
  static GEN_RealRange_t x{0.5, 1.5}, y{0.5, 1.5};
  static GEN_MediumDimensions_t m{210, 297}, n{297, 210};
  static GEN_Cardinal64_t high{1, 0}, low{0, 0xFFFFFFFFu};
  static GEN_Cardinal64Range_t c1{{0, 5}, {1, 0}}, c2{{0, 5}, {0, 9}};
  // Times compare in UTC to the millisecond; the difference from UTC moves the
  // minutes (10:00 at +60 is 11:00); a UTC time holds its year counted from 1900.
  static GEN_GeneralizedTime_t ms250 = At(2024, 3, 10, 10, 0, 0, 250),
                               ms100 = At(2024, 3, 10, 10, 0, 0, 100),
                               sec1 = At(2024, 3, 10, 10, 0, 1, 0),
                               shifted = At(2024, 3, 10, 10, 0), eleven = At(2024, 3, 10, 11, 0),
                               utc = At(124, 3, 10, 11, 0);
  shifted.diffUTC = 60;
  utc.utc = 1;
  // clang-format off
  const Rule rules[] = {
      {20, &empty, &abc, 1}, {20, &abc, &empty, -1}, {20, &empty, &empty, 0},
      {20, &abc, &abcd, -1}, {20, &abd, &abcd, 1},
      {1, &big, &one, 1}, {12, &big, &one, -1}, {10, &big, &one, 1},  // only integers are signed
      {0, &t, &t, 0}, {0, &t, &t2, 1}, {0, &t2, &t, 1}, {44, &e3, &e1, 2}, {68, &e1, &e3, -2},
      {71, &p, &q, -8}, {75, &q, &p, 8}, {26, &p, &q, 1},
      {23, &a, &b, 0}, {23, &c, &b, 1}, {62, &b, &c, -1}, {23, &huge, &tiny, INT32_MAX},
      {23, &tiny, &inf, INT32_MIN}, {23, &nan, &nan, 0}, {23, &inf, &inf, 0}, {62, &nan, &b, 1},
      {2, &r1, &r1, 0}, {2, &r1, &r2, 1}, {13, &r2, &r3, 1}, {13, &r3, &r2, 1}, {25, &x, &y, 0},
      {57, &m, &n, 1}, {31, &high, &low, 1}, {31, &low, &high, -1}, {32, &c1, &c2, 1},
      {32, &c2, &c2, 0},
      {48, &ms250, &ms100, 150}, {48, &ms250, &sec1, -1}, {48, &sec1, &ms100, 1},
      {48, &shifted, &eleven, 0}, {48, &utc, &eleven, 0}};
  // clang-format on
  for (const Rule &r : rules)
    EXPECT_EQ(cmp(r.id, r.a, r.b), r.order) << "id " << r.id << " row " << &r - rules;
  // The caseless and short forms of octet strings, and a negative length.
  GEN_OctetString_t upper = oct("ABC"), neg{-1, nullptr};
  Status s;
  int32_t r = 5;
  EXPECT_EQ(GEN_ICompareOctetString(s, &upper, &abc, &r), 0u);
  EXPECT_EQ(r, 0);
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_CompareOctetString(s, &neg, &abc, &r));
  GEN_Octet255_t ab{2, "ab"}, none{}, AB{3, "AB"};
  EXPECT_EQ(GEN_CompareOctet255(s, &none, &ab, &r), 0u);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(GEN_ICompareOctet255(s, &ab, &AB, &r), 0u);
  EXPECT_EQ(r, -1);
}

TEST(GenvCompareRules, IdsWithoutACompareAreRefused) {
  int32_t x = 0, r = 0;
  for (uint32_t id : {3u, 41u, 500u})
    EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_CompareAttrValue(s, id, &x, &x, &r));
  EXPECT_REFUSED(GENU_ST_NULL_COMPARE, GEN_CompareAttrValue(s, 12, nullptr, &x, &r));
}

// An attribute with integer values, alone in a private set.
struct Attr {
  AS_attrHandle_t handle = AS_nullAttrHandle;
  Attr(uint32_t id, std::vector<int32_t> values, uint32_t type = 12) {
    Status s;
    AS_setHandle_t set = AS_nullSetHandle;
    EXPECT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
    AddIntegers(set, id, values, &handle, type);
    EXPECT_EQ(AS_FreeSetHandle(s, &set), 0u);
  }
  ~Attr() {
    Status s;
    GEN_DeepDeleteAttrHandle(s, &handle, nullptr);
  }
};

TEST(GenvCompareRules, AttributesMatchValuesInAnyOrderAndIgnoredOnesByDocumentNumber) {
  Attr a(500, {1, 1, 2}), b(500, {2, 1, 1}), c(500, {1, 2, 2}), other(501, {1, 1, 2});
  Attr shorter(500, {1, 2}), typed(500, {1, 1, 2}, 1);
  GEN_Attribute_t ra{a.handle}, rb{b.handle}, rc{c.handle}, ro{other.handle}, rs{shorter.handle};
  EXPECT_EQ(cmp(37, &ra, &rb), 0);
  for (const GEN_Attribute_t *other : {&rc, &ro, &rs}) {
    EXPECT_EQ(cmp(37, &ra, other), 1);
    EXPECT_EQ(cmp(37, other, &ra), 1);
  }
  int32_t r;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU__CompareAttrHandle(s, &a.handle, &typed.handle, &r));
  // Ignored attributes order by their document numbers first; an absent one sorts first.
  int32_t three = 3, four = 4;
  GEN_IgnoredAttribute_t x{&three, a.handle}, y{&four, b.handle}, none{nullptr, b.handle},
      noneToo{nullptr, a.handle};
  EXPECT_EQ(cmp(11, &x, &y), -1);
  EXPECT_EQ(cmp(11, &x, &none), 1);
  EXPECT_EQ(cmp(11, &none, &x), -1);
  EXPECT_EQ(cmp(11, &none, &noneToo), 0);
}

GEN_SimpleName_t sname(const char *s) { return MakeName(GEN_TEXT_ISO646, s); }

// Absent name types count as a group, absent levels as an end user.
TEST(GenvCompareRules, AccessControlListsCompareWithTheirDefaults) {
  uint32_t group = 2, user = 1, endUser = 1, admin = 3;
  GEN_PSISAccessControlList_t a{}, dce{};
  a.choice = 1, a.name = sname("bob"), dce.choice = 2;
  GEN_PSISAccessControlList_t defaults = a, byUser = a, byAdmin = a;
  defaults.nameType = &group, defaults.privilegeLevel = &endUser;
  byUser.nameType = &user, byAdmin.privilegeLevel = &admin;
  EXPECT_EQ(cmp(85, &a, &defaults), 0);
  EXPECT_EQ(cmp(85, &a, &byUser), 1);
  EXPECT_EQ(cmp(85, &a, &byAdmin), -1);
  EXPECT_EQ(cmp(85, &a, &dce), -1);
}

GEN_ExtACL_t extAcl(const char *principal, const char *domain, uint32_t *kind,
                    GEN_NameOrOID_t *noid) {
  GEN_ExtACL_t e{};
  e.principal = sname(principal);
  e.domain.text = MakeText(GEN_TEXT_ISO646, domain);
  if (kind) {
    noid->choice = 1;
    noid->u.oid = *kind;
    e.domain.nameOrOid = noid;
  }
  e.nameType = 2;
  e.privilegeLevel = 1;
  return e;
}

TEST(GenvCompareRules, WindowsDomainsCompareCaselessly) {
  uint32_t winnt = 3050, nis = 3044;
  GEN_NameOrOID_t n1, n2;
  GEN_ExtACL_t a = extAcl("Bob", "CORP", &winnt, &n1), b = extAcl("bob", "corp", &winnt, &n2);
  EXPECT_EQ(cmp(89, &a, &b), 0);
  GEN_ExtACL_t c = extAcl("Bob", "eng", &nis, &n1), d = extAcl("bob", "eng", &nis, &n2);
  EXPECT_NE(cmp(89, &c, &d), 0);
  // Distinguished name strings: a name-or-OID only on the first side sorts after.
  GEN_DistNameString_t with = a.domain, without = a.domain;
  without.nameOrOid = nullptr;
  EXPECT_EQ(cmp(6, &with, &without), 1);
  EXPECT_EQ(cmp(6, &without, &with), -1);
  // Domain kinds named by a simple name are looked up case-insensitively.
  GEN_NameOrOID_t named{};
  named.choice = 2;
  named.u.name = sname("WinNT");
  GEN_DistNameString_t x = a.domain, y = b.domain;
  x.nameOrOid = y.nameOrOid = &named;
  EXPECT_EQ(cmp(6, &x, &y), 0);
}

// Changes one scalar or inline-string field of `rec`; gives the size of what it
// changed, 0 when the field has no such kind.
size_t bump(const kq::genu::Field &f, void *rec) {
  using kq::genu::FieldKind;
  char *p = static_cast<char *>(rec) + f.offset;
  if (f.kind == FieldKind::kI32 || f.kind == FieldKind::kU32)
    return *reinterpret_cast<int32_t *>(p) += 1, 4;
  if (f.kind == FieldKind::kI16) return *reinterpret_cast<int16_t *>(p) += 1, 2;
  if (f.kind == FieldKind::kF64) return *reinterpret_cast<double *>(p) += 1, 8;
  if (f.kind != FieldKind::kChars || f.size < 2) return 0;
  p[0] = p[0] ? static_cast<char>(p[0] + 1) : 'a';  // an empty string's next byte is 0
  return f.size;
}

TEST(GenvCompareStruct, EveryMemberDifferenceIsSeenAndOrdered) {
  std::mt19937 rng(21);
  std::vector<const kq::genu::Layout *> layouts;
#define GENV_LAYOUT(R) layouts.push_back(&kq::genu::k##R##Layout);
  GENU_COPY_DELETE_RECORDS(GENV_LAYOUT)
#undef GENV_LAYOUT
  int checked = 0;
  for (const kq::genu::Layout *L : layouts) {
    for (int round = 0; round < 4; ++round) {
      RandomValue v(L, rng);
      for (uint32_t i = 0; i < L->fieldCount; ++i) {
        const kq::genu::Field &f = L->fields[i];
        int32_t choice = L->maxChoice ? *static_cast<int32_t *>(v.rec) : 0;
        bool active =
            f.when == 0 || (choice >= f.when && choice <= (f.whenLast ? f.whenLast : f.when));
        if (!active) continue;
        Status s;
        void *copy = nullptr;
        ASSERT_EQ(kq::genu::Copy(s, L, &copy, v.rec, nullptr), 0u) << L->name;
        if (size_t changed = bump(f, copy)) {
          ++checked;
          int32_t ab = 0, ba = 0;
          ASSERT_EQ(kq::genu::CompareStruct(s, L, v.rec, copy, &ab), 0u) << L->name;
          ASSERT_EQ(kq::genu::CompareStruct(s, L, copy, v.rec, &ba), 0u) << L->name;
          EXPECT_NE(ab, 0) << L->name << " field " << i;
          EXPECT_EQ(ab, -ba) << L->name << " field " << i;
          // undo the change so that delete sees the copy as it was made
          memcpy(static_cast<char *>(copy) + f.offset, static_cast<char *>(v.rec) + f.offset,
                 changed);
        }
        EXPECT_EQ(kq::genu::Delete(s, L, copy, nullptr), 0u);
      }
    }
  }
  EXPECT_GT(checked, 300);
}

// A copied attribute is independent and equal; a stale handle is reported, not followed.
// (Copies of live attributes are GenvCopy's, by descriptor.)
TEST(GenvCompareRules, StaleAttributeHandlesAreNotFollowed) {
  Attr live(500, {7, 8});
  AS_attrHandle_t stale = AS_nullAttrHandle;
  {
    Attr gone(500, {1});
    Status s;
    ASSERT_EQ(AS_CopyAttrHandle(s, gone.handle, &stale), 0u);
  }  // its private set is destroyed; `stale` still refers to the handle
  int32_t r = 0;
  EXPECT_REFUSED(GENU_ST_SET_ACCESS, GENU__CompareAttrHandle(s, &live.handle, &stale, &r));
  GEN_IgnoredAttribute_t fromStale{nullptr, stale};
  void *copy = reinterpret_cast<void *>(1);
  Counting().Reset();
  EXPECT_REFUSED(GENU_ST_SET_ACCESS, GEN_CopyIgnoredAttribute(s, &copy, &fromStale, &kCounting));
  EXPECT_EQ(copy, nullptr);
  EXPECT_TRUE(Counting().live.empty());
  Status s;
  AS_FreeAttrHandle(s, &stale);
}

// Texts and simple names: collating compares across choices and code sets, the
// caseless, equality and bytewise forms, and bytewise compares inside records.
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

TEST(GenvCompareText, ChoicesMeetOnlyThroughLatin1AndOtherCodeSetsOnlyTheirOwn) {
  setlocale(LC_COLLATE, "C");
  GEN_Text_t latin = MakeText(3, "Zurich"), iso = MakeText(1, "Zurich");
  EXPECT_EQ(run(GEN_CompareText, latin, iso), 0);
  EXPECT_EQ(run(GEN_CompareText, latin, MakeText(1, "Zurich!")), -1);
  run(GEN_CompareText, latin, MakeText(2, "Zurich"), 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareText, iso, MakeText(9, "x"), 1, GENU_ST_BAD_VALUE);
  GEN_Text_t a = MakeText(5, "abc", 17), b = MakeText(5, "abd", 17), c = MakeText(5, "abc", 18);
  EXPECT_EQ(run(GEN_CompareText, a, b), -1);
  run(GEN_CompareText, a, c, 1, GENU_ST_NOT_COMPARABLE);
  run(GEN_CompareSimpleName, MakeName(3, "tray"), MakeName(5, "tray"), 1, GENU_ST_NOT_COMPARABLE);
}

TEST(GenvCompareText, CaselessEqualityAndBytewiseForms) {
  EXPECT_EQ(run(GEN_ICompareText, MakeText(1, "HELLO"), MakeText(1, "hello")), 0);
  EXPECT_NE(run(GEN_CompareText, MakeText(1, "HELLO"), MakeText(1, "hello")), 0);
  EXPECT_EQ(run(GEN_ICompareSimpleName, MakeName(1, "Tray"), MakeName(3, "TRAY")), 0);
  EXPECT_EQ(run(GEN_EqualText, MakeText(1, "abc"), MakeText(3, "abc")), 1);
  EXPECT_EQ(run(GEN_EqualSimpleName, MakeName(3, "q"), MakeName(1, "r")), 0);
  // Unlike the octet-string rule, an empty value is the smaller one bytewise.
  EXPECT_EQ(run(GEN_BinCompareText, MakeText(3, ""), MakeText(3, "a")), -1);
  EXPECT_EQ(run(GEN_CompareText, MakeText(3, ""), MakeText(3, "a")), 1);
}

// An empty Latin-1 name sorts after a non-empty one by the octet rule and before it
// bytewise, wherever it sits; the mode does not stick after a bytewise compare.
TEST(GenvCompareText, BytewiseReachesNamesInsideRecords) {
  GEN_NameOrOID_t a{}, b{};
  a.choice = b.choice = 2;
  a.u.name = MakeName(3, "");
  b.u.name = MakeName(3, "x");
  GEN_ExtACL_t ea{}, eb{};
  ea.principal = a.u.name;
  eb.principal = b.u.name;
  ea.domain.text = eb.domain.text = MakeText(1, "eng");
  Status s;
  int32_t r[4];
  EXPECT_EQ(GEN_BinCompareAttrValue(s, 18, &a, &b, &r[0]) |
                GEN_CompareAttrValue(s, 18, &a, &b, &r[1]) |
                GEN_BinCompareAttrValue(s, 89, &ea, &eb, &r[2]) |
                GEN_CompareAttrValue(s, 89, &ea, &eb, &r[3]),
            0u);
  EXPECT_EQ(std::vector<int32_t>(r, r + 4), (std::vector<int32_t>{-1, 1, -1, 1}));
}

TEST(GenvCompareText, ChoiceRecordsCompareChoiceFirst) {
  GEN_NameOrOID_t oid{}, nm{};
  oid.choice = 1;
  oid.u.oid = 99;
  nm.choice = 2;
  nm.u.name = MakeName(1, "a");
  EXPECT_EQ(run(GEN_CompareNameOrOID, oid, nm), -1);
  EXPECT_EQ(run(GEN_CompareNameOrOID, nm, oid), 1);
  // Members in declaration order: the first difference decides.
  GEN_InputTrayMedium_t t1{oid, nm}, t2{oid, oid};
  EXPECT_EQ(run(GENU__CompareInputTrayMedium, t1, t2), 1);
}

}  // namespace
