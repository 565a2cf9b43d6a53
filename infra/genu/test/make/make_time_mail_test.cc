// Time arithmetic around midnights, month ends and daylight saving; the current
// time; 64-bit cardinal arithmetic; RFC 1327 escapes and mail addresses.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

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

// A time as one line; `full` adds the difference from UTC, the UTC flag and the
// milliseconds.
std::string show(const GEN_GeneralizedTime_t &t, bool full = false) {
  char buf[96];
  int n = snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                   t.minute, t.second);
  if (full) snprintf(buf + n, sizeof buf - n, " %+d utc=%d .%03d", t.diffUTC, t.utc, t.millisecond);
  return buf;
}

TEST(GenvTimeArithmetic, ShiftsCrossMidnightsMonthEndsAndKeepTheLocalHour) {
  const char *kDst = "CET-1CEST,M3.5.0,M10.5.0/3";
  const struct {
    const char *zone;
    GEN_GeneralizedTime_t from;
    int32_t delta, op;
    const char *expected;
  } rows[] = {
      {"UTC0", At(2024, 5, 14, 0, 30), 3600, GENU_DELTA_SUBTRACT, "2024-05-13 23:30:00"},
      {"UTC0", At(2024, 3, 1, 0, 30), 3600, GENU_DELTA_SUBTRACT, "2024-02-29 23:30:00"},
      {"UTC0", At(2023, 3, 1, 0, 30), 3600, GENU_DELTA_SUBTRACT, "2023-02-28 23:30:00"},
      {"UTC0", At(2024, 12, 31, 23, 30), 3600, GENU_DELTA_ADD, "2025-01-01 00:30:00"},
      {kDst, At(2024, 1, 15, 10, 30), 3600, GENU_DELTA_SUBTRACT, "2024-01-15 09:30:00"},
      {kDst, At(2024, 7, 15, 10, 30), 3600, GENU_DELTA_SUBTRACT, "2024-07-15 09:30:00"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.expected);
    Zone z(r.zone);
    Status s;
    GEN_GeneralizedTime_t out{};
    EXPECT_EQ(GENU_GeneralizedTimeDeltaArithmetic(s, &r.from, r.delta, r.op, &out), 0u);
    EXPECT_EQ(show(out), r.expected);
  }
  GEN_GeneralizedTime_t out{};
  EXPECT_REFUSED(GENU_ST_NULL_COMPARE, GENU_GeneralizedTimeDeltaArithmetic(s, nullptr, 1, 0, &out));
}

TEST(GenvTimeArithmetic, DifferenceFromUtcAndUtcTimesKeepTheirForm) {
  Zone z("UTC0");
  GEN_GeneralizedTime_t t = At(2024, 5, 14, 23, 30, 0, 250);
  t.diffUTC = 60;
  Status s;
  GEN_GeneralizedTime_t out{};
  ASSERT_EQ(GENU_AddDeltaTimeToGeneralizedTime(s, &t, 1800, &out), 0u);
  EXPECT_EQ(show(out, true), "2024-05-15 00:00:00 +60 utc=0 .250");
  GEN_GeneralizedTime_t u = At(124, 5, 14, 10, 0);  // UTC: year counted from 1900
  u.utc = 1;
  ASSERT_EQ(GENU_SubtractDeltaTimeFromGeneralizedTime(s, &u, 86400, &out), 0u);
  EXPECT_EQ(show(out, true), "0124-05-13 10:00:00 +0 utc=1 .000");
}

TEST(GenvCurrentTime, LocalAndUtcFormsNameOneInstant) {
  Zone z("CET-1");  // without summer time: one hour east of UTC all year
  GEN_GeneralizedTime_t local, utc;
  GENU_MakeCurrentTime(&local, 0);
  GENU_MakeCurrentTime(&utc, 1);
  EXPECT_EQ(show(local, true).substr(19), " -60 utc=0 .000");
  EXPECT_EQ(show(utc, true).substr(19), " +0 utc=1 .000");
  EXPECT_GE(local.year, 2024);
  EXPECT_TRUE(utc.year >= 124 && utc.year < 1900) << show(utc);  // counted from 1900
  // Both name the same instant (within the second boundary of the two reads).
  Status s;
  int32_t r = 0;
  ASSERT_EQ(GEN_CompareGeneralizedTime(s, &local, &utc, &r), 0u);
  EXPECT_LE(std::abs(r), 1);
  GEN_GeneralizedTime_t *p = nullptr;
  ASSERT_EQ(GENU_GetCurrentTime(s, &p, 1), 0u);
  EXPECT_EQ(p->utc, 1);
  free(p);
}

TEST(GenvCardinal64, AdditionCarriesAndWraps) {
  GEN_Cardinal64_t a{0, 0xFFFFFFFFu}, one{0, 1}, max{0xFFFFFFFFu, 0xFFFFFFFFu}, b{1, 0}, out[3];
  GENU_AddCardinal64(&out[0], &a, &one);
  GENU_AddCardinal64(&out[1], &max, &one);
  GENU_AddCardinal64Int(&out[2], &b, -1);
  std::vector<uint32_t> words;
  for (const GEN_Cardinal64_t &c : out) words.insert(words.end(), {c.high, c.low});
  EXPECT_EQ(words, (std::vector<uint32_t>{1, 0, 0, 0, 0, 0xFFFFFFFFu}));
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

using AddressTo = uint32_t (*)(STF_statusList_t *, char **, const GEN_StandardAttrs_t *,
                               const AS_allocateDescriptor_t *);
// What `to` makes of the address ("<null>" for nothing), expecting `rc` and `code`.
std::string Out(const GEN_StandardAttrs_t &a, AddressTo to = GEN_X400ToInternetMailAddress,
                uint32_t rc = 0, uint32_t code = 0) {
  Status s;
  char *out = reinterpret_cast<char *>(1);
  EXPECT_EQ(to(s, &out, &a, nullptr), rc);
  if (code) {
    EXPECT_TRUE(s.Has(code)) << s.Text();
  }
  std::string r = out ? out : "<null>";
  free(out);
  return r;
}
// The domain-defined attributes as "type=value;" each.
std::string Attrs(const GEN_StandardAttrs_t &a) {
  std::string r;
  for (int i = 0; a.domainDefined && i < a.domainDefined->count; ++i)
    r += std::string(a.domainDefined->attrs[i].type) + "=" + a.domainDefined->attrs[i].value + ";";
  return r;
}

TEST(GenvMail, InternetAddressesUseRfc1327Escapes) {
  for (auto [mail, escaped] : {std::pair<const char *, const char *>{"a_b@c.d", "a(u)b(a)c.d"},
                               {"j doe!%()\"-x", "j(32)doe(b)(p)(l)(r)(q)(45)x"}}) {
    Address x;
    Status s;
    ASSERT_EQ(GEN_InternetMailToX400Address(s, &x.a, mail, nullptr), 0u);
    EXPECT_EQ(Attrs(x.a), "RFC-822=" + std::string(escaped) + ";");
    EXPECT_EQ(Out(x.a), mail);
  }
  Address z;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_InternetMailToX400Address(s, &z.a, "caf\xe9@x", nullptr));
  EXPECT_EQ(z.a.domainDefined, nullptr);
}

TEST(GenvMail, UnescapeRulesAndLengthBound) {
  Address a;
  a.add("rfc-822", "x(45)y(A)z");
  EXPECT_EQ(Out(a.a), "x-y@z");
  for (const char *bad : {"a(128)", "a(z)", "a(12"}) {
    Address b;
    b.add("RFC-822", bad);
    EXPECT_EQ(Out(b.a, GEN_X400ToInternetMailAddress, 1, GENU_ST_BAD_VALUE), "<null>") << bad;
  }
  Status s;
  Address fits, tooLong;
  EXPECT_EQ(GEN_InternetMailToX400Address(s, &fits.a, std::string(128, 'a').c_str(), nullptr), 0u);
  EXPECT_REFUSED(
      GENU_ST_BAD_VALUE,  // "(a)" makes 129 characters
      GEN_InternetMailToX400Address(s, &tooLong.a, (std::string(126, 'a') + "@").c_str(), nullptr));
}

TEST(GenvMail, EachAddressKindConvertsOnlyItsOwnAttribute) {
  Address none, ms, inet;
  Status s;
  ASSERT_EQ(GEN_StringToX400Address(s, &ms.a, "BOB/POSTOFFICE", GEN_ADDRESS_MSMAIL, nullptr), 0u);
  inet.add("RFC-822", "a(a)b");
  EXPECT_EQ(Attrs(ms.a), "MS-Mail=BOB(47)POSTOFFICE;");
  auto *internet = GEN_X400ToInternetMailAddress, *msMail = GEN_X400ToMSMailAddress;
  EXPECT_EQ(Out(ms.a, internet, 1, GENU_ST_NOT_COMPARABLE), "<null>");
  EXPECT_EQ(Out(ms.a, msMail), "BOB/POSTOFFICE");
  EXPECT_EQ(Out(inet.a, msMail), "<null>");  // none of the kind
  EXPECT_EQ(Out(none.a, GEN_X400ToStringAddress, 1, GENU_ST_NOT_COMPARABLE), "<null>");
}

}  // namespace
