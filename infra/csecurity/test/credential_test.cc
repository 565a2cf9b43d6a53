// Credentials put into an authentication slot, read back from the body they carry.
#include <grp.h>
#include <rpc/rpc.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "csec_test_util.h"

namespace kq::test {
namespace {

struct Body {
  int flavor = -1;
  std::string machine;
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<gid_t> groups;
};

// Decodes the credentials an AUTH sends with every call.
Body Read(AUTH *auth) {
  Body body;
  body.flavor = auth->ah_cred.oa_flavor;
  if (body.flavor != AUTH_SYS) return body;
  XDR xdr;
  xdrmem_create(&xdr, auth->ah_cred.oa_base, auth->ah_cred.oa_length, XDR_DECODE);
  struct authunix_parms parms = {};
  if (xdr_authunix_parms(&xdr, &parms)) {
    body.machine = parms.aup_machname;
    body.uid = parms.aup_uid;
    body.gid = parms.aup_gid;
    body.groups.assign(parms.aup_gids, parms.aup_gids + parms.aup_len);
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_authunix_parms), reinterpret_cast<char *>(&parms));
  }
  xdr_destroy(&xdr);
  return body;
}

gid_t ExpectedSysadminGid() {
  struct group *g = getgrnam("sysadmin");
  return g ? g->gr_gid : 14;
}

class Credential : public CredentialFiles {
 protected:
  ~Credential() override {
    SEC_SetClientType(SEC_CLIENT_USER);
    if (slot) auth_destroy(slot);
  }
  AUTH *slot = nullptr;
};

TEST_F(Credential, EachFlavourCarriesItsIdentity) {
  struct Case {
    const char *what;
    int clientType;
    uint32_t flavour;
    int flavor;
    std::string machine;
    uid_t uid;
    gid_t gid;
  } cases[] = {
      {"none", SEC_CLIENT_USER, SEC_FLAVOUR_NONE, AUTH_NONE, "", 0, 0},
      {"system", SEC_CLIENT_USER, SEC_FLAVOUR_SYS, AUTH_SYS, NodeName(), geteuid(), getegid()},
      {"proxy", SEC_CLIENT_USER, SEC_FLAVOUR_PROXY, AUTH_SYS, NodeName(), 60001, 60001},
      {"administrator", SEC_CLIENT_ADMIN, SEC_FLAVOUR_SYS, AUTH_SYS, "localhost", 0,
       ExpectedSysadminGid()},
      {"administrator's proxy", SEC_CLIENT_ADMIN, SEC_FLAVOUR_PROXY, AUTH_SYS, NodeName(), 60001,
       60001},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(SEC_SetClientType(c.clientType), SEC_OK);
    SEC_selector_t selector = {SEC_MECH_ONC, c.flavour};
    ASSERT_EQ(SEC_AddCredential_C(&selector, &slot), SEC_OK);
    ASSERT_NE(slot, nullptr);
    Body body = Read(slot);
    EXPECT_EQ(body.flavor, c.flavor);
    if (c.flavor != AUTH_SYS) continue;
    EXPECT_EQ(body.machine, c.machine);
    EXPECT_EQ(body.uid, c.uid);
    EXPECT_EQ(body.gid, c.gid);
    EXPECT_EQ(body.groups, std::vector<gid_t>{c.gid});
  }
}

TEST_F(Credential, UnsupportedSelectorsLeaveTheSlotAlone) {
  LogCapture log("i");
  SEC_selector_t system = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
  ASSERT_EQ(SEC_AddCredential_C(&system, &slot), SEC_OK);
  AUTH *before = slot;
  struct Case {
    SEC_selector_t selector;
    const char *trace;  // null: none expected
  } cases[] = {
      {{1, SEC_FLAVOUR_SYS}, "SEC_AddCredential_C: Authorization type 1 not supported"},
      {{7, SEC_FLAVOUR_NONE}, "SEC_AddCredential_C: Authorization type 7 not supported"},
      {{SEC_MECH_ONC, 2}, nullptr},
      {{SEC_MECH_ONC, 3}, nullptr},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(SEC_AddCredential_C(&c.selector, &slot), SEC_UNSUPPORTED);
    EXPECT_EQ(slot, before);
    if (c.trace) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
  EXPECT_EQ(SEC_AddCredential_C(nullptr, &slot), SEC_UNSUPPORTED);
  EXPECT_EQ(SEC_AddCredential_C(&system, nullptr), SEC_UNSUPPORTED);
  EXPECT_EQ(SEC_SetClientType(2), SEC_UNSUPPORTED);
}

TEST_F(Credential, TracesEntryAndExitWithTheStatus) {
  LogCapture log("F");
  SEC_selector_t selector = {SEC_MECH_ONC, 9};
  SEC_AddCredential_C(&selector, &slot);
  std::string text = log.Text();
  EXPECT_NE(text.find("SEC_AddCredential_C"), std::string::npos) << text;
  EXPECT_NE(text.find("status=103"), std::string::npos) << text;
}

}  // namespace
}  // namespace kq::test
