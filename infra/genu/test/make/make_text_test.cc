// Makers and extractors of texts, names, object identifications, addresses and
// printer records.
#include <cstring>
#include <string>
#include <vector>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

std::string extract(const GEN_Text_t *t) {
  Status s;
  char *p = nullptr;
  EXPECT_EQ(GENU_ExtractText(s, &p, t, nullptr), 0u);
  std::string r = p ? p : "<null>";
  free(p);
  return r;
}
// A made text as one line: choice, code set and what it holds; the text is deleted.
std::string Take(GEN_Text_t *t) {
  std::string r = std::to_string(t->choice) + "/" + std::to_string(t->codeSet) + " " + extract(t);
  Status s;
  EXPECT_EQ(GEN_DeleteText(s, t, nullptr), 0u);
  return r;
}

TEST(GenvMakeText, TextsAreOtherCodeSetWithinTheirBound) {
  Status s;
  GEN_Text_t *t = nullptr;
  std::string max(4095, 'x'), over(4096, 'x');
  for (const char *in : {"hello", max.c_str(), static_cast<const char *>(nullptr)}) {
    ASSERT_EQ(GENU_MakeText(s, &t, in, nullptr), 0u);
    if (in) {
      EXPECT_EQ(t->u.octets.value[t->u.octets.length], 0);  // a spare zero byte
    }
    EXPECT_EQ(Take(t), "5/0 " + std::string(in ? in : ""));
  }
  Counting().Reset();
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_MakeText(s, &t, over.c_str(), &kCounting));
  EXPECT_EQ(t, nullptr);
  EXPECT_TRUE(Counting().live.empty());
}

TEST(GenvMakeText, SimpleNamesStopAt255AndExtractorsReadEveryChoice) {
  Status s;
  GEN_SimpleName_t *n = nullptr;
  std::string max(255, 'n'), over(256, 'n');
  ASSERT_EQ(GENU_MakeSimpleName(s, &n, max.c_str(), nullptr), 0u);
  EXPECT_EQ(n->choice, GEN_TEXT_OTHER);
  char *back = nullptr;
  ASSERT_EQ(GENU_ExtractSimpleName(s, &back, n, nullptr), 0u);
  EXPECT_EQ(std::string(back), max);
  free(back);
  GEN_DeleteSimpleName(s, n, nullptr);
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_MakeSimpleName(s, &n, over.c_str(), nullptr));

  // Extractors read every choice and refuse bad ones.
  GEN_Text_t empty = MakeText(GEN_TEXT_ISO646, ""), t = MakeText(GEN_TEXT_OCTETS, "abcdef");
  EXPECT_EQ(extract(&empty), "");
  t.u.octets.length = 3;
  EXPECT_EQ(extract(&t), "abc");
  char *p = reinterpret_cast<char *>(1);
  t.u.octets.length = -1;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_ExtractText(s, &p, &t, nullptr));
  t.choice = 6;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_ExtractText(s, &p, &t, nullptr));
}

TEST(GenvMakeText, Latin1ConversionsTakeIsoTextsAndRefuseOthers) {
  Status s;
  GEN_Text_t iso = MakeText(GEN_TEXT_ISO646, "caf"), *out = nullptr, *again = nullptr;
  ASSERT_EQ(GEN_Text2IsoLatin1(s, &out, &iso, nullptr), 0u);
  ASSERT_EQ(GEN_Text2IsoLatin1(s, &again, out, nullptr), 0u);  // choice 3: a copy
  EXPECT_NE(again->u.octets.value, out->u.octets.value);
  EXPECT_EQ(Take(again), "3/0 caf");
  EXPECT_EQ(Take(out), "3/0 caf");
  GEN_Text_t other = MakeText(GEN_TEXT_OTHER, "x");
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_Text2IsoLatin1(s, &out, &other, nullptr));
  std::string over(4096, 'a');
  iso.u.string = over.data();
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_Text2IsoLatin1(s, &out, &iso, nullptr));

  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_Text2Unicode(s, &out, &iso, nullptr));
}

TEST(GenvMakeText, ObjectIdentificationsHoldDeepCopies) {
  Status s;
  GEN_DistNameString_t *dn = nullptr;
  ASSERT_EQ(GENU_MakeDistNameString2(s, &dn, "server-1", 3044, nullptr), 0u);
  char *text = nullptr;
  uint32_t kind = 0;
  ASSERT_EQ(GENU_ExtractDistNameString(s, &text, &kind, dn, nullptr), 0u);
  EXPECT_EQ(text + std::string(":") + std::to_string(kind), "server-1:3044");
  free(text);

  Counting().Reset();
  GEN_ObjectIdent_t *oi = nullptr;
  ASSERT_EQ(GENU_MakeObjectIdent_DistName(s, &oi, dn, &kCounting), 0u);
  EXPECT_EQ(oi->choice, 4);
  EXPECT_NE(oi->u.distName.nameOrOid, dn->nameOrOid);
  ExpectSameStruct(&kq::genu::kDistNameStringLayout, &oi->u.distName, dn);
  EXPECT_EQ(GEN_DeleteObjectIdent(s, oi, &kCounting), 0u);
  EXPECT_TRUE(Counting().live.empty());
  GEN_DeleteDistNameString(s, dn, nullptr);

  // Without a kind the name has no name-or-OID part.
  GEN_DistNameString_t plain{};
  ASSERT_EQ(GENU_MakeEmbeddedDistNameString2(s, &plain, "x", 0, nullptr), 0u);
  EXPECT_EQ(plain.nameOrOid, nullptr);
  GEN_DeepDeleteDistNameString(s, &plain, nullptr);
}

TEST(GenvMakeText, DriverInfoCopiesItsMembersAndFailsCleanly) {
  const char *files[] = {"a.ppd", "b.dll", nullptr};
  auto make = [&](const AS_allocateDescriptor_t *alloc, GEN_DriverInfo_t **out) {
    Status s;
    return GENU_MakeDriverInfo(s, out, "drv", 12, "Acme", "X1", "1.0", "laser", files, "alias",
                               "comment", alloc);
  };
  Counting().Reset();
  GEN_DriverInfo_t *d = nullptr;
  ASSERT_EQ(make(&kCounting, &d), 0u);
  uint64_t needed = Counting().attempts;
  EXPECT_EQ(extract(&d->manufacturer), "Acme");
  ASSERT_NE(d->files.first, nullptr);
  EXPECT_EQ(extract(static_cast<GEN_Text_t *>(d->files.first->next->value)), "b.dll");
  Status s;
  EXPECT_EQ(GEN_DeleteDriverInfo(s, d, &kCounting), 0u);
  EXPECT_TRUE(Counting().live.empty());
  for (uint64_t n = 1; n <= needed; ++n) {
    Counting().Reset();
    Counting().failAt = n;
    EXPECT_EQ(make(&kCounting, &d), 1u) << n;
    EXPECT_EQ(d, nullptr);
    EXPECT_TRUE(Counting().live.empty()) << n;
  }
}

}  // namespace
