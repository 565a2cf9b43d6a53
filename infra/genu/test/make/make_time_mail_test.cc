// Time arithmetic around midnights, month ends and daylight saving; the current
// time; 64-bit cardinal arithmetic; RFC 1327 escapes and mail addresses.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

// The time zone `tz` for the lifetime of the object, the one before afterwards.
struct ZoneInit {
  ~ZoneInit() { GENU_TimeZoneInit(); }  // after the guard restored TZ
};
struct Zone {
  ZoneInit init;
  kq::test::EnvGuard env;
  explicit Zone(const char *tz) : env{{"TZ", tz}} { GENU_TimeZoneInit(); }
};

std::string show(const GEN_GeneralizedTime_t &t) {
  char buf[64];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
           t.minute, t.second);
  return buf;
}

std::string shift(const GEN_GeneralizedTime_t &t, int32_t delta, int32_t op) {
  Status s;
  GEN_GeneralizedTime_t out{};
  EXPECT_EQ(GENU_GeneralizedTimeDeltaArithmetic(s, &t, delta, op, &out), 0u);
  return show(out);
}

TEST(GenvTimeArithmetic, MidnightsAndMonthEnds) {
  Zone z("UTC0");
  EXPECT_EQ(shift(At(2024, 5, 14, 10, 30), 3600, GENU_DELTA_SUBTRACT), "2024-05-14 09:30:00");
  EXPECT_EQ(shift(At(2024, 5, 14, 0, 30), 3600, GENU_DELTA_SUBTRACT), "2024-05-13 23:30:00");
  EXPECT_EQ(shift(At(2024, 3, 1, 0, 30), 3600, GENU_DELTA_SUBTRACT), "2024-02-29 23:30:00");
  EXPECT_EQ(shift(At(2023, 3, 1, 0, 30), 3600, GENU_DELTA_SUBTRACT), "2023-02-28 23:30:00");
  EXPECT_EQ(shift(At(2024, 12, 31, 23, 30), 3600, GENU_DELTA_ADD), "2025-01-01 00:30:00");
  EXPECT_EQ(shift(At(2024, 4, 30, 23, 59), 61, GENU_DELTA_ADD), "2024-05-01 00:00:01");
}

TEST(GenvTimeArithmetic, DifferenceFromUtcAndUtcTimesKeepTheirForm) {
  Zone z("UTC0");
  GEN_GeneralizedTime_t t = At(2024, 5, 14, 23, 30);
  t.diffUTC = 60;
  t.millisecond = 250;
  Status s;
  GEN_GeneralizedTime_t out{};
  ASSERT_EQ(GENU_AddDeltaTimeToGeneralizedTime(s, &t, 1800, &out), 0u);
  EXPECT_EQ(show(out), "2024-05-15 00:00:00");
  EXPECT_EQ(out.diffUTC, 60);
  EXPECT_EQ(out.millisecond, 250);
  GEN_GeneralizedTime_t u = At(124, 5, 14, 10, 0);  // UTC: year counted from 1900
  u.utc = 1;
  ASSERT_EQ(GENU_SubtractDeltaTimeFromGeneralizedTime(s, &u, 86400, &out), 0u);
  EXPECT_EQ(show(out), "0124-05-13 10:00:00");
  EXPECT_EQ(out.utc, 1);
}

TEST(GenvTimeArithmetic, ShiftsInADaylightSavingZoneKeepTheLocalHour) {
  Zone z("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(shift(At(2024, 1, 15, 10, 30), 3600, GENU_DELTA_SUBTRACT), "2024-01-15 09:30:00");
  EXPECT_EQ(shift(At(2024, 7, 15, 10, 30), 3600, GENU_DELTA_SUBTRACT), "2024-07-15 09:30:00");
}

TEST(GenvTimeArithmetic, UnknownOperationsAndNullTimesAreRefused) {
  Status s;
  GEN_GeneralizedTime_t t = At(2024, 5, 14, 10, 30), out{};
  EXPECT_EQ(GENU_GeneralizedTimeDeltaArithmetic(s, &t, 1, 2, &out), 1u);
  EXPECT_REFUSED(GENU_ST_NULL_COMPARE, GENU_GeneralizedTimeDeltaArithmetic(s, nullptr, 1, 0, &out));
}

TEST(GenvCurrentTime, LocalAndUtcFormsNameOneInstant) {
  Zone z("CET-1CEST,M3.5.0,M10.5.0/3");
  GEN_GeneralizedTime_t local, utc;
  GENU_MakeCurrentTime(&local, 0);
  GENU_MakeCurrentTime(&utc, 1);
  EXPECT_GE(local.year, 2024);
  EXPECT_EQ(local.diffUTC, -60);  // one hour east of UTC
  EXPECT_EQ(local.utc, 0);
  EXPECT_GE(utc.year, 124);
  EXPECT_LT(utc.year, 1900);
  EXPECT_EQ(utc.diffUTC, 0);
  EXPECT_EQ(utc.utc, 1);
  EXPECT_GE(utc.month, 1);
  EXPECT_LE(utc.month, 12);
  EXPECT_EQ(utc.millisecond, 0);
  // Both name the same instant (within the second boundary of the two reads).
  Status s;
  int32_t r = 0;
  ASSERT_EQ(GEN_CompareGeneralizedTime(s, &local, &utc, &r), 0u);
  EXPECT_LE(std::abs(r), 1);
  GEN_GeneralizedTime_t *p = nullptr;
  ASSERT_EQ(GENU_GetCurrentTime(s, &p, 1), 0u);
  EXPECT_EQ(p->utc, 1);
  free(p);
  EXPECT_REFUSED(GENU_ST_NULL_COMPARE, GENU_GetCurrentTime(s, nullptr, 0));
}

TEST(GenvCardinal64, AdditionCarriesAndWraps) {
  GEN_Cardinal64_t out, a{0, 0xFFFFFFFFu}, one{0, 1}, max{0xFFFFFFFFu, 0xFFFFFFFFu}, b{1, 0};
  GENU_AddCardinal64(&out, &a, &one);
  EXPECT_EQ(out.high, 1u);
  EXPECT_EQ(out.low, 0u);
  GENU_AddCardinal64(&out, &max, &one);
  EXPECT_EQ(out.high | out.low, 0u);
  GENU_AddCardinal64Int(&out, &b, -1);
  EXPECT_EQ(out.high, 0u);
  EXPECT_EQ(out.low, 0xFFFFFFFFu);
}

struct Address {
  GEN_StandardAttrs_t a{};
  ~Address() {
    Status s;
    GEN_DeepDeleteStandardAttrs(s, &a, nullptr);
  }
  void add(const char *type, const char *value) {
    if (!a.domainDefined)
      a.domainDefined =
          static_cast<GEN_DomainDefinedAttrs_t *>(calloc(1, sizeof(GEN_DomainDefinedAttrs_t)));
    GEN_DomainDefinedAttr_t &d = a.domainDefined->attrs[a.domainDefined->count++];
    strcpy(d.type, type);
    strcpy(d.value, value);
  }
};

std::string toInternet(const GEN_StandardAttrs_t &a, uint32_t rc = 0, uint32_t code = 0) {
  Status s;
  char *out = nullptr;
  EXPECT_EQ(GEN_X400ToInternetMailAddress(s, &out, &a, nullptr), rc);
  if (code) {
    EXPECT_TRUE(s.Has(code));
  }
  std::string r = out ? out : "<null>";
  free(out);
  return r;
}

TEST(GenvMail, InternetAddressesUseRfc1327Escapes) {
  for (auto [mail, escaped] : {std::pair<const char *, const char *>{"a_b@c.d", "a(u)b(a)c.d"},
                               {"j doe!%()\"-x", "j(32)doe(b)(p)(l)(r)(q)(45)x"}}) {
    Address x;
    Status s;
    ASSERT_EQ(GEN_InternetMailToX400Address(s, &x.a, mail, nullptr), 0u);
    ASSERT_NE(x.a.domainDefined, nullptr);
    EXPECT_EQ(x.a.domainDefined->count, 1);
    EXPECT_STREQ(x.a.domainDefined->attrs[0].type, "RFC-822");
    EXPECT_STREQ(x.a.domainDefined->attrs[0].value, escaped);
    EXPECT_EQ(toInternet(x.a), mail);
  }
  Address z;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_InternetMailToX400Address(s, &z.a, "caf\xe9@x", nullptr));
  EXPECT_EQ(z.a.domainDefined, nullptr);
}

TEST(GenvMail, UnescapeRulesAndLengthBound) {
  Address a;
  a.add("rfc-822", "x(45)y(A)z");
  EXPECT_EQ(toInternet(a.a), "x-y@z");
  for (const char *bad : {"a(128)", "a(z)", "a(12", "a(1234)", "a(ab)"}) {
    Address b;
    b.add("RFC-822", bad);
    EXPECT_EQ(toInternet(b.a, 1, GENU_ST_BAD_VALUE), "<null>") << bad;
  }
  // The first value of the type that converts wins.
  Address c;
  c.add("RFC-822", "(z)");
  c.add("RFC-822", "ok(a)host");
  EXPECT_EQ(toInternet(c.a), "ok@host");

  Status s;
  Address fits, tooLong;
  EXPECT_EQ(GEN_InternetMailToX400Address(s, &fits.a, std::string(128, 'a').c_str(), nullptr), 0u);
  EXPECT_EQ(
      GEN_InternetMailToX400Address(s, &tooLong.a, (std::string(126, 'a') + "@").c_str(), nullptr),
      1u);  // "(a)" makes 129 characters
  EXPECT_TRUE(s.Has(GENU_ST_BAD_VALUE));
}

TEST(GenvMail, EachAddressKindConvertsOnlyItsOwnAttribute) {
  Address none;
  EXPECT_EQ(toInternet(none.a, 1, GENU_ST_NOT_COMPARABLE), "<null>");
  Address ms;
  Status s;
  ASSERT_EQ(GEN_StringToX400Address(s, &ms.a, "BOB/POSTOFFICE", GEN_ADDRESS_MSMAIL, nullptr), 0u);
  EXPECT_STREQ(ms.a.domainDefined->attrs[0].type, "MS-Mail");
  EXPECT_EQ(toInternet(ms.a, 1, GENU_ST_NOT_COMPARABLE), "<null>");
  char *out = nullptr;
  ASSERT_EQ(GEN_X400ToMSMailAddress(s, &out, &ms.a, nullptr), 0u);
  EXPECT_STREQ(out, "BOB/POSTOFFICE");
  free(out);
  ASSERT_EQ(GEN_X400ToStringAddress(s, &out, &ms.a, nullptr), 0u);
  EXPECT_STREQ(out, "BOB/POSTOFFICE");
  free(out);

  Address inet;
  inet.add("RFC-822", "a(a)b");
  out = reinterpret_cast<char *>(1);
  ASSERT_EQ(GEN_X400ToMSMailAddress(s, &out, &inet.a, nullptr), 0u);  // none of the kind
  EXPECT_EQ(out, nullptr);
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_X400ToMSMailAddress(s, &out, &none.a, nullptr));
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_X400ToStringAddress(s, &out, &none.a, nullptr));

  counter() = Counter();
  Address counted;
  ASSERT_EQ(GEN_MsMailToX400Address(s, &counted.a, "X", &kCounting), 0u);
  EXPECT_EQ(GEN_DeepDeleteStandardAttrs(s, &counted.a, &kCounting), 0u);
  EXPECT_TRUE(counter().live.empty());
}

}  // namespace
