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

TEST(GenvAclMake, ProtocolFormsFollowTheNameType) {
  GEN_ACLNameType_t allUsers = 0, user = 1;
  GEN_ACLPrivilegeLevel_t admin = 3;
  const struct {
    const char *name;
    GEN_ACLNameType_t *type;
    GEN_ACLPrivilegeLevel_t *level;
    const char *expected;
  } rows[] = {{"bob", &allUsers, &admin, "1  type=0 level=3"},
              {"", nullptr, nullptr, "1  type=0 level=-"}};
  for (const auto &r : rows) {
    Status s;
    Psis p;
    ASSERT_EQ(GENU_MakeONCACL(s, &p.acl, r.name, r.type, r.level, nullptr), 0u);
    EXPECT_EQ(Text(p.acl), r.expected);
  }
  Psis d;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU_MakeONCACL(s, &d.acl, nullptr, &user, nullptr, nullptr));
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

TEST(GenvAclConvert, ProtocolNamesSplitIntoPrincipalAndDomain) {
  struct Case {
    const char *name, *expected;
  } cases[] = {{"@", " domain=:3055 type=0 level=1"},
               {"bob@host.example", "bob domain=host.example:3045 type=2 level=1"},
               {"bob@<files>", "bob domain=<files>:3047 type=2 level=1"},
               {"bob@eng", "bob domain=eng:3044 type=2 level=1"},
               {"bob", "bob domain=:0 type=2 level=1"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Status s;
    Psis p;
    ASSERT_EQ(GENU_MakeONCACL(s, &p.acl, c.name, nullptr, nullptr, nullptr), 0u);
    Ext e;
    ASSERT_EQ(GENU_ACLFromPSIS(s, &e.acl, p.acl), 0u);
    EXPECT_EQ(Text(e.acl), c.expected);
  }
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

}  // namespace
