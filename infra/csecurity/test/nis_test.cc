// Credentials against the real NIS server of the kq_nis fixture: a user known only to
// NIS is named by the NIS domain, the NIS passwd map confirms or refuses users, and the
// host falls back to the NIS domain without DNS.
#include <pwd.h>
#include <rpcsvc/ypclnt.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "csec_test_util.h"
#include "private/csec_internal.h"

namespace kq::test {
namespace {

constexpr uid_t kNisUser = 4711;   // kqnisuser, only in the NIS passwd map
constexpr uid_t kLongName = 4712;  // a name longer than the PAC's field
const char kNisUserLine[] = "kqnisuser:x:4711:4711::/tmp:/bin/sh\n";
const char kLocalLines[] = "root:x:0:0::/root:/bin/sh\ndaemon:x:1:1::/:/bin/sh\n";

class Nis : public CredentialFiles {
 protected:
  void SetUp() override {
    std::string why = NisFixtureSkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
    WriteFile(passwdFile, kLocalLines);
  }
};

// The PAC built for the user, and the one a set receives, byte for byte; without DNS
// the host is in the NIS domain.
TEST_F(Nis, UserKnownOnlyToNisIsNamedByTheNisDomainInThePacAndTheSet) {
  std::string got = RunAs(kNisUser, kNisUser, [] {
    StatusList status;
    AS_setHandle_t set = nullptr;
    if (AS_Create(status, &set, nullptr, 0) != 0) return std::string("no set");
    int rc = SEC_AddPAC_C(1, set);
    std::string pac = BuildPac(), inSet = rc == SEC_OK ? PacInSet(set) : "rc " + std::to_string(rc);
    AS_Destroy(status, &set);
    return pac == inSet ? pac : "the set carries " + inSet;
  });
  EXPECT_EQ(
      FirstDifference(got, PacLayout("kqnisuser", kNisDomain, 1, ShortNodeName(), kNisDomain, 1)),
      "");
}

TEST_F(Nis, SourceOfANisUserFollowsTheOrderAndTheFile) {
  struct Case {
    std::vector<int> services;
    std::string file;
    int source;
  } cases[] = {
      {{3, 4, 0}, kLocalLines, 4},                              // not in the file
      {{3, 4, 0}, std::string(kLocalLines) + kNisUserLine, 3},  // the file comes first
      {{4, 3, 0}, kLocalLines, 4},                              // not in the file
      {{4, 3, 0}, std::string(kLocalLines) + kNisUserLine, 4},  // NIS confirms it
      {{7, 0}, kLocalLines, 4},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file + " order " + std::to_string(c.services[0]));
    WriteFile(passwdFile, c.file);
    struct passwd entry, *found = nullptr;
    char buffer[1024];
    int source = -1;
    ASSERT_EQ(CSEC_getpwuid_r(kNisUser, &entry, buffer, sizeof buffer, &found, c.services.data(),
                              &source),
              0);
    EXPECT_STREQ(found->pw_name, "kqnisuser");
    EXPECT_EQ(source, c.source);
  }
}

TEST_F(Nis, PasswdMapConfirmsOrSaysWhyNot) {
  struct Case {
    uid_t uid;
    const char *name;
    int result;
  } cases[] = {{kNisUser, "kqnisuser", 0},
               {4799, "kqnisuser", -3},  // another uid
               {1, "kqbroken", -2},      // an entry that is no passwd line
               {1, "nosuchuser", YPERR_KEY}};
  for (const Case &c : cases) EXPECT_EQ(CSEC__MatchNISPasswd(c.uid, c.name), c.result) << c.name;
}

TEST_F(Nis, DomainsNameNisWhereTheSwitchAndTheResolverLeaveIt) {
  struct Case {
    const char *passwd;  // the switch's passwd line
    std::string user;
    uint32_t userSyntax;
  } cases[] = {
      {"files nis", kNisDomain, SEC_SYNTAX_NIS},
      {"nis", kNisDomain, SEC_SYNTAX_NIS},
      {"compat", kNisDomain, SEC_SYNTAX_NIS},
      {"files", HostName(), SEC_SYNTAX_FILE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.passwd);
    SwitchPasswd(c.passwd);
    uint32_t userSyntax = 0, hostSyntax = 0;
    const char *user = SEC_GetUserDomain(&userSyntax), *host = SEC_GetHostDomain(&hostSyntax);
    ASSERT_TRUE(user && host);
    EXPECT_EQ(user + (" " + std::to_string(userSyntax)),
              c.user + " " + std::to_string(c.userSyntax));
    EXPECT_EQ(host + (" " + std::to_string(hostSyntax)), kNisDomain + std::string(" 3044"));
  }
  Resolver("lab.example.test");  // DNS comes before NIS for the host
  EXPECT_EQ(InChild([] {
              uint32_t syntax = 0;
              const char *host = SEC_GetHostDomain(&syntax);
              return std::string(host ? host : "(none)") + " " + std::to_string(syntax);
            }),
            "lab.example.test 3045");
}

TEST_F(Nis, NameLongerThanThePacHoldsGivesNoPac) {
  EXPECT_EQ(RunAs(kLongName, kLongName, BuildPac), "rc 100");
}

}  // namespace
}  // namespace kq::test
