// Access control lists: makers, the textual form and the conversions between
// the ext form and the protocol's form.
#include <cstring>
#include <string>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

std::string nameOf(const GEN_SimpleName_t &n) {
  Status s;
  char *p = nullptr;
  EXPECT_EQ(GENU_ExtractSimpleName(s, &p, &n, nullptr), 0u);
  std::string r = p ? p : "";
  free(p);
  return r;
}

struct Domain {
  std::string value;
  uint32_t kind;
};
Domain domainOf(const GEN_ExtACL_t *acl) {
  Status s;
  char *p = nullptr;
  uint32_t kind = 99;
  EXPECT_EQ(GENU_ExtractDistNameString(s, &p, &kind, &acl->domain, nullptr), 0u);
  Domain d{p ? p : "", kind};
  free(p);
  return d;
}

struct Ext {
  GEN_ExtACL_t *acl = nullptr;
  ~Ext() {
    Status s;
    if (acl) GEN_DeleteExtACL(s, acl, nullptr);
  }
};

struct Psis {
  GEN_PSISAccessControlList_t *acl = nullptr;
  ~Psis() {
    Status s;
    if (acl) GEN_DeletePSISAccessControlList(s, acl, nullptr);
  }
};

// Keys in any case and order; a named principal defaults to a group, no name to all
// users; the level defaults to end user.
TEST(GenvAclText, TextFormsGiveKeysValuesAndDefaults) {
  const struct {
    const char *text, *name, *domain;
    uint32_t kind, nameType, level;
  } rows[] = {
      {"name=bob domain=nis:eng name-type=user", "bob", "eng", 3044, 1, 1},
      {"  NAME=Ann   Privilege-Level=Operator domain=winnt:CORP ", "Ann", "CORP", 3050, 2, 2},
      {"domain=eng", "", "eng", 0, 0, 1},
      {nullptr, "", nullptr, 0, 0, 1},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.text ? r.text : "(null)");
    Status s;
    Ext e;
    ASSERT_EQ(GENU_eACLFromText(s, &e.acl, r.text), 0u);
    EXPECT_EQ(nameOf(e.acl->principal), r.name);
    if (r.domain) {
      EXPECT_EQ(domainOf(e.acl).value, r.domain);
      EXPECT_EQ(domainOf(e.acl).kind, r.kind);
    }
    EXPECT_EQ(e.acl->nameType, r.nameType);
    EXPECT_EQ(e.acl->privilegeLevel, r.level);
  }
}

TEST(GenvAclText, MalformedTextsAreRefused) {
  for (const char *bad : {"name=a name=b", "nmae=x", "name bob", "domain=foo:x", "name-type=boss",
                          "privilege-level=root", "=", "name=bob domain"}) {
    GEN_ExtACL_t *acl = reinterpret_cast<GEN_ExtACL_t *>(1);
    EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_eACLFromText(s, &acl, bad));
  }
  char *text = nullptr;
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GENU_ACLToText(s, &text, nullptr));
}

TEST(GenvAclMake, ProtocolFormsFollowTheNameType) {
  Status s;
  GEN_ACLNameType_t allUsers = 0, user = 1;
  GEN_ACLPrivilegeLevel_t admin = 3;
  Psis a;
  ASSERT_EQ(GENU_MakeONCACL(s, &a.acl, "bob", &allUsers, &admin, nullptr), 0u);
  EXPECT_EQ(nameOf(a.acl->name), "");
  ASSERT_NE(a.acl->nameType, nullptr);
  EXPECT_EQ(*a.acl->nameType, 0u);
  EXPECT_EQ(*a.acl->privilegeLevel, 3u);
  Psis b;
  ASSERT_EQ(GENU_MakeONCACL(s, &b.acl, "", nullptr, nullptr, nullptr), 0u);
  ASSERT_NE(b.acl->nameType, nullptr);
  EXPECT_EQ(*b.acl->nameType, 0u);
  EXPECT_EQ(b.acl->privilegeLevel, nullptr);
  Psis c;
  ASSERT_EQ(GENU_MakeONCACL(s, &c.acl, "bob", nullptr, nullptr, nullptr), 0u);
  EXPECT_EQ(nameOf(c.acl->name), "bob");
  EXPECT_EQ(c.acl->nameType, nullptr);
  Psis d;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_MakeONCACL(s, &d.acl, nullptr, &user, nullptr, nullptr));
}

TEST(GenvAclConvert, ExtListsBecomeProtocolNamesByDomainKind) {
  struct Case {
    const char *principal, *domain;
    uint32_t kind;
    const char *expect;
  } cases[] = {{"bob", "corp", 3050, "corp\\bob"},
               {"bob", "eng", 3044, "bob@eng"},
               {"bob", "x.org", 3045, "bob@x.org"},
               {"bob", "", 0, "bob"}};
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
    EXPECT_EQ(p.acl->choice, 1);
    EXPECT_EQ(nameOf(p.acl->name), c.expect);
    EXPECT_EQ(*p.acl->nameType, 2u);
    EXPECT_EQ(*p.acl->privilegeLevel, 1u);
  }
  Status s;
  Ext noKind, otherKind;
  ASSERT_EQ(GENU_MakeACL(s, &noKind.acl, "bob", "eng", 0, nullptr, nullptr, nullptr), 0u);
  Psis p;
  EXPECT_EQ(GENU_ACLToPSIS(s, &p.acl, noKind.acl), 1u);
  EXPECT_EQ(p.acl, nullptr);
  ASSERT_EQ(GENU_MakeACL(s, &otherKind.acl, "bob", "eng", 886, nullptr, nullptr, nullptr), 0u);
  EXPECT_EQ(GENU_ACLToPSIS(s, &p.acl, otherKind.acl), 1u);
}

TEST(GenvAclConvert, ProtocolNamesSplitIntoPrincipalAndDomain) {
  struct Case {
    const char *name, *principal, *domain;
    uint32_t kind;
  } cases[] = {{"@", "", "", 3055},
               {"bob@host.example", "bob", "host.example", 3045},
               {"bob@<files>", "bob", "<files>", 3047},
               {"bob@eng", "bob", "eng", 3044},
               {"bob", "bob", "", 0}};
  for (const Case &c : cases) {
    Status s;
    Psis p;
    ASSERT_EQ(GENU_MakeONCACL(s, &p.acl, c.name, nullptr, nullptr, nullptr), 0u);
    Ext e;
    ASSERT_EQ(GENU_ACLFromPSIS(s, &e.acl, p.acl), 0u) << c.name;
    EXPECT_EQ(nameOf(e.acl->principal), c.principal) << c.name;
    Domain d = domainOf(e.acl);
    EXPECT_EQ(d.value, c.domain) << c.name;
    EXPECT_EQ(d.kind, c.kind) << c.name;
  }
  // A DCE list carries its name as an octet string; type and level default.
  GEN_PSISAccessControlList_t dce{};
  dce.choice = 2;
  dce.dceList =
      GEN_OctetString_t{9, reinterpret_cast<unsigned char *>(const_cast<char *>("alice@eng"))};
  Status s;
  Ext e;
  ASSERT_EQ(GENU_ACLFromPSIS(s, &e.acl, &dce), 0u);
  EXPECT_EQ(nameOf(e.acl->principal), "alice");
  EXPECT_EQ(e.acl->nameType, 2u);
  EXPECT_EQ(e.acl->privilegeLevel, 1u);
}

TEST(GenvAclConvert, RoundTripKeepsTheAcl) {
  Status s;
  Ext e;
  ASSERT_EQ(GENU_eACLFromText(s, &e.acl, "name=carol domain=nis:eng"), 0u);
  Psis p;
  ASSERT_EQ(GENU_ACLToPSIS(s, &p.acl, e.acl), 0u);
  Ext back;
  ASSERT_EQ(GENU_ACLFromPSIS(s, &back.acl, p.acl), 0u);
  int32_t r = 1;
  ASSERT_EQ(GEN_CompareAttrValue(s, 89, e.acl, back.acl, &r), 0u);
  EXPECT_EQ(r, 0);
}

}  // namespace
