// The makers and extractors: texts, names, object identifications, addresses and
// printer records; access control lists (makers, the textual form and the
// conversions between the ext form and the protocol's form); time arithmetic around
// midnights, month ends and daylight saving; the current time; 64-bit cardinal
// arithmetic; RFC 1327 escapes and mail addresses.
#include <cstdlib>
#include <cstring>
#include <ctime>
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

  // Extractors read every choice and refuse a negative length.
  GEN_Text_t empty = MakeText(GEN_TEXT_ISO646, ""), t = MakeText(GEN_TEXT_OCTETS, "abcdef");
  EXPECT_EQ(extract(&empty), "");
  t.u.octets.length = 3;
  EXPECT_EQ(extract(&t), "abc");
  char *p = reinterpret_cast<char *>(1);
  t.u.octets.length = -1;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_ExtractText(s, &p, &t, nullptr));
}

TEST(GenvMakeText, Latin1ConversionsTakeIsoTextsAndRefuseOthers) {
  Status s;
  GEN_Text_t iso = MakeText(GEN_TEXT_ISO646, "caf"), *out = nullptr;
  ASSERT_EQ(GEN_Text2IsoLatin1(s, &out, &iso, nullptr), 0u);
  EXPECT_EQ(Take(out), "3/0 caf");
  GEN_Text_t other = MakeText(GEN_TEXT_OTHER, "x");
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GEN_Text2IsoLatin1(s, &out, &other, nullptr));
  std::string over(4096, 'a');
  iso.u.string = over.data();
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_Text2IsoLatin1(s, &out, &iso, nullptr));
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

// Access control lists.
std::string nameOf(const GEN_SimpleName_t &n) {
  Status s;
  char *p = nullptr;
  EXPECT_EQ(GENU_ExtractSimpleName(s, &p, &n, nullptr), 0u);
  std::string r = p ? p : "";
  free(p);
  return r;
}

// One line per list: the principal, the domain and its kind, the name type and the level.
std::string Text(const GEN_ExtACL_t *acl) {
  Status s;
  char *p = nullptr;
  uint32_t kind = 99;
  EXPECT_EQ(GENU_ExtractDistNameString(s, &p, &kind, &acl->domain, nullptr), 0u);
  std::string r = nameOf(acl->principal) + " domain=" + (p ? p : "") + ":" + std::to_string(kind) +
                  " type=" + std::to_string(acl->nameType) +
                  " level=" + std::to_string(acl->privilegeLevel);
  free(p);
  return r;
}
std::string Text(const GEN_PSISAccessControlList_t *acl) {
  auto opt = [](const uint32_t *v) { return v ? std::to_string(*v) : std::string("-"); };
  return std::to_string(acl->choice) + " " + nameOf(acl->name) + " type=" + opt(acl->nameType) +
         " level=" + opt(acl->privilegeLevel);
}

// A list owned by the test, deleted with its delete function.
template <typename T,
          uint32_t (*Delete)(STF_statusList_t *, void *, const AS_allocateDescriptor_t *)>
struct Owned {
  T *acl = nullptr;
  ~Owned() {
    Status s;
    if (acl) Delete(s, acl, nullptr);
  }
};
using Ext = Owned<GEN_ExtACL_t, GEN_DeleteExtACL>;
using Psis = Owned<GEN_PSISAccessControlList_t, GEN_DeletePSISAccessControlList>;

// Keys in any case and order; a named principal defaults to a group, no name to all
// users; the level defaults to end user.
TEST(GenvAclText, TextFormsGiveKeysValuesAndDefaults) {
  const struct {
    const char *text, *expected;
  } rows[] = {
      {"name=bob domain=nis:eng name-type=user", "bob domain=eng:3044 type=1 level=1"},
      {"  NAME=Ann   Privilege-Level=Operator domain=winnt:CORP ",
       "Ann domain=CORP:3050 type=2 level=2"},
      {"domain=eng", " domain=eng:0 type=0 level=1"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.text);
    Status s;
    Ext e;
    ASSERT_EQ(GENU_eACLFromText(s, &e.acl, r.text), 0u);
    EXPECT_EQ(Text(e.acl), r.expected);
  }
  for (const char *bad :
       {"name=a name=b", "nmae=x", "name bob", "domain=foo:x", "name-type=boss"}) {
    GEN_ExtACL_t *acl = reinterpret_cast<GEN_ExtACL_t *>(1);
    EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_eACLFromText(s, &acl, bad));
  }
}

TEST(GenvAclConvert, ExtListsBecomeProtocolNamesByDomainKind) {
  struct Case {
    const char *principal, *domain;
    uint32_t kind;
    const char *expect;
  } cases[] = {{"bob", "corp", 3050, "1 corp\\bob type=2 level=1"},
               {"bob", "eng", 3044, "1 bob@eng type=2 level=1"},
               {"bob", "", 0, "1 bob type=2 level=1"}};
  for (const Case &c : cases) {
    Status s;
    Ext e;
    ASSERT_EQ(GENU_MakeACL(s, &e.acl, c.principal, c.domain, c.kind, nullptr, nullptr, nullptr),
              0u);
    if (c.kind == 0) {  // kind 0 needs a name-or-OID holding 0
      e.acl->domain.nameOrOid = static_cast<GEN_NameOrOID_t *>(calloc(1, sizeof(GEN_NameOrOID_t)));
      e.acl->domain.nameOrOid->choice = 1;
    }
    Psis p;
    ASSERT_EQ(GENU_ACLToPSIS(s, &p.acl, e.acl), 0u) << c.expect;
    EXPECT_EQ(Text(p.acl), c.expect);
  }
  // Without a name-or-OID, or with a kind that has no protocol form: refused.
  for (uint32_t kind : {0u, 886u}) {
    Status s;
    Ext e;
    ASSERT_EQ(GENU_MakeACL(s, &e.acl, "bob", "eng", kind, nullptr, nullptr, nullptr), 0u);
    Psis p;
    EXPECT_EQ(GENU_ACLToPSIS(s, &p.acl, e.acl), 1u) << kind;
    EXPECT_EQ(p.acl, nullptr);
  }
}

// A protocol form made from a name (with its name type and level, or none) and the
// ext form it gives: the principal and the domain, whose kind the name implies.
TEST(GenvAclConvert, ProtocolNamesSplitIntoPrincipalAndDomain) {
  GEN_ACLNameType_t allUsers = 0, user = 1;
  GEN_ACLPrivilegeLevel_t admin = 3;
  struct Case {
    const char *name;
    GEN_ACLNameType_t *type;
    GEN_ACLPrivilegeLevel_t *level;
    const char *protocol, *ext;
  } cases[] = {
      {"bob", &allUsers, &admin, "1  type=0 level=3", " domain=:0 type=0 level=3"},
      {"", nullptr, nullptr, "1  type=0 level=-", " domain=:0 type=0 level=1"},
      {"@", nullptr, nullptr, "1 @ type=- level=-", " domain=:3055 type=0 level=1"},
      {"bob@host.example", nullptr, nullptr, "1 bob@host.example type=- level=-",
       "bob domain=host.example:3045 type=2 level=1"},
      {"bob@<files>", nullptr, nullptr, "1 bob@<files> type=- level=-",
       "bob domain=<files>:3047 type=2 level=1"},
      {"bob@eng", &user, nullptr, "1 bob@eng type=1 level=-", "bob domain=eng:3044 type=1 level=1"},
      {"bob", nullptr, nullptr, "1 bob type=- level=-", "bob domain=:0 type=2 level=1"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Status s;
    Psis p;
    ASSERT_EQ(GENU_MakeONCACL(s, &p.acl, c.name, c.type, c.level, nullptr), 0u);
    EXPECT_EQ(Text(p.acl), c.protocol);
    Ext e;
    ASSERT_EQ(GENU_ACLFromPSIS(s, &e.acl, p.acl), 0u);
    EXPECT_EQ(Text(e.acl), c.ext);
  }
  Psis d;  // a name type other than all users needs a name
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_MakeONCACL(s, &d.acl, nullptr, &user, nullptr, nullptr));
  // A DCE list carries its name as an octet string; type and level default.
  GEN_PSISAccessControlList_t dce{};
  dce.choice = 2;
  dce.dceList =
      GEN_OctetString_t{9, reinterpret_cast<unsigned char *>(const_cast<char *>("alice@eng"))};
  Status s;
  Ext e;
  ASSERT_EQ(GENU_ACLFromPSIS(s, &e.acl, &dce), 0u);
  EXPECT_EQ(Text(e.acl), "alice domain=eng:3044 type=2 level=1");
}

// Times, 64-bit cardinals and mail addresses.
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
