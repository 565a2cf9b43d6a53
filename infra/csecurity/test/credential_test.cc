// Client credentials: the identity each selector puts in an RPC client's credential
// slot, read back from the credential as libtirpc sends it, and threads building
// credentials and PACs at once.
#include <grp.h>
#include <rpc/rpc.h>

#include <string>
#include <thread>
#include <vector>

#include "csec_test_util.h"

namespace kq::test {
namespace {

// The identity the credential in the slot carries: "sys MACHINE UID GID G1,G2,..." or
// "flavor N".
std::string Seen(AUTH *auth) {
  const opaque_auth &cred = auth->ah_cred;
  if (cred.oa_flavor != AUTH_SYS) return "flavor " + std::to_string(cred.oa_flavor);
  XDR xdr;
  xdrmem_create(&xdr, cred.oa_base, cred.oa_length, XDR_DECODE);
  authunix_parms parms = {};
  if (!xdr_authunix_parms(&xdr, &parms)) return "undecodable credential";
  std::string seen = std::string("sys ") + parms.aup_machname + " " +
                     std::to_string(parms.aup_uid) + " " + std::to_string(parms.aup_gid) + " ";
  for (u_int i = 0; i < parms.aup_len; ++i)
    seen += (i ? "," : "") + std::to_string(parms.aup_gids[i]);
  xdr_free(reinterpret_cast<xdrproc_t>(xdr_authunix_parms), reinterpret_cast<char *>(&parms));
  return seen;
}

std::string Sys(const std::string &machine, unsigned uid, unsigned gid) {
  return "sys " + machine + " " + std::to_string(uid) + " " + std::to_string(gid) + " " +
         std::to_string(gid);
}

// A slot as a new client has it: no credentials of the caller's yet.
struct Slot {
  ~Slot() { auth_destroy(auth); }
  AUTH *auth = authnone_create();
};

using Credential = CredentialFiles;

// One slot, its credentials replaced by each selector in turn; a selector that makes
// no credentials is refused and leaves the slot as it was.
TEST_F(Credential, EachSelectorGivesItsIdentity) {
  const std::string me = Sys(NodeName(), geteuid(), getegid());
  const std::string proxy = Sys(NodeName(), 60001, 60001);
  struct group *sysadmin = getgrnam("sysadmin");  // an administrator's group, else 14
  // Client type, mechanism and flavour, and the identity (a refused selector leaves the
  // previous credentials).
  const std::tuple<int, SEC_selector_t, std::string> cases[] = {
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_SYS}, me},
      {SEC_CLIENT_USER, {1, SEC_FLAVOUR_SYS}, "refused " + me},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_PROXY}, proxy},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, 2}, "refused " + proxy},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_NONE}, "flavor 0"},
      {SEC_CLIENT_ADMIN,
       {SEC_MECH_ONC, SEC_FLAVOUR_SYS},
       Sys("localhost", 0, sysadmin ? sysadmin->gr_gid : 14)}};
  Slot slot;
  for (const auto &[type, selector, seen] : cases) {
    SEC_SetClientType(type);
    AUTH *before = slot.auth;
    int rc = SEC_AddCredential_C(&selector, &slot.auth);
    std::string got = rc == SEC_UNSUPPORTED && slot.auth == before ? "refused " : "";
    EXPECT_EQ((rc && got.empty() ? "rc " + std::to_string(rc) : got) + Seen(slot.auth), seen)
        << type << " " << selector.mechanism << " " << selector.flavour;
  }
  SEC_SetClientType(SEC_CLIENT_USER);
}

TEST_F(Credential, AnotherUsersCredentialsNameThatUser) {
  EXPECT_EQ(RunAs(1, 1,
                  [] {
                    Slot slot;
                    SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
                    int rc = SEC_AddCredential_C(&selector, &slot.auth);
                    return rc == SEC_OK ? Seen(slot.auth) : "rc " + std::to_string(rc);
                  }),
            Sys(NodeName(), 1, 1));
}

TEST_F(Credential, ThreadsBuildCredentialsAndPacsAtOnce) {
  constexpr int kThreads = 8, kRounds = 25;
  const std::string want = BuildPac();
  const std::string seenWant = Sys(NodeName(), geteuid(), getegid());
  Reread();  // the threads race through the set-up and fill the caches together

  std::vector<std::string> problems(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Slot slot;
      StatusList status;
      AS_setHandle_t set = nullptr;
      AS_Create(status, &set, nullptr, 0);
      SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
      for (int round = 0; round < kRounds && problems[t].empty(); ++round) {
        uint32_t syntax = 0;
        if (SEC_AddCredential_C(&selector, &slot.auth) != SEC_OK)
          problems[t] = "credential refused";
        else if (SEC_AddPAC_C(0, set) != SEC_OK)
          problems[t] = "PAC refused";
        else if (PacInSet(set) != want)
          problems[t] = "PAC differs";
        else if (std::string seen = Seen(slot.auth); seen != seenWant)
          problems[t] = "credential names " + seen;
        else if (!SEC_GetUserDomain(&syntax) || !SEC_GetHostDomain(&syntax))
          problems[t] = "no domain";
      }
      AS_Destroy(status, &set);
    });
  }
  for (std::thread &t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(problems[t], "") << "thread " << t;
}

}  // namespace
}  // namespace kq::test
