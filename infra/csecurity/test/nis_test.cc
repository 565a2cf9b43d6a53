// Credentials against the real NIS server of the nis fixture: a user known only to
// NIS is named by the NIS domain, the NIS passwd map confirms or refuses users, and the
// host falls back to the NIS domain without DNS.
#include <pwd.h>
#include <rpcsvc/ypclnt.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "csec_test_util.h"

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
  // The switch's services, whether the file holds the user too, and the source: NIS for
  // a user not in the file; with the user in the file, the first of the two, NIS
  // confirming it.
  const std::tuple<std::vector<int>, bool, int> cases[] = {
      {{3, 4, 0}, false, 4}, {{4, 3, 0}, true, 4}, {{7, 0}, false, 4}};
  for (const auto &[services, inFile, want] : cases) {
    WriteFile(passwdFile, std::string(kLocalLines) + (inFile ? kNisUserLine : ""));
    struct passwd entry, *found = nullptr;
    char buffer[1024];
    int source = -1;
    ASSERT_EQ(
        CSEC_getpwuid_r(kNisUser, &entry, buffer, sizeof buffer, &found, services.data(), &source),
        0);
    EXPECT_EQ(found->pw_name + std::to_string(source), "kqnisuser" + std::to_string(want))
        << services[0] << " " << inFile;
  }
}

TEST_F(Nis, PasswdMapConfirmsOrSaysWhyNot) {
  // Another uid, an entry that is no passwd line, no entry.
  const std::tuple<uid_t, const char *, int> cases[] = {{kNisUser, "kqnisuser", 0},
                                                        {4799, "kqnisuser", -3},
                                                        {1, "kqbroken", -2},
                                                        {1, "nosuchuser", YPERR_KEY}};
  for (const auto &[uid, name, result] : cases)
    EXPECT_EQ(CSEC__MatchNISPasswd(uid, name), result) << name;
}

TEST_F(Nis, DomainsNameNisWhereTheSwitchAndTheResolverLeaveIt) {
  // The switch's passwd line and the user's domain; the host is in the NIS domain.
  const std::string nis = kNisDomain + std::string(" 3044");
  const std::pair<const char *, std::string> cases[] = {
      {"files nis", nis}, {"compat", nis}, {"files", HostName() + " 3047"}};
  for (const auto &[passwd, want] : cases) {
    SwitchPasswd(passwd);
    uint32_t userSyntax = 0, hostSyntax = 0;
    const char *user = SEC_GetUserDomain(&userSyntax), *host = SEC_GetHostDomain(&hostSyntax);
    ASSERT_TRUE(user && host);
    EXPECT_EQ(
        user + (" " + std::to_string(userSyntax)) + " / " + host + " " + std::to_string(hostSyntax),
        want + " / " + nis)
        << passwd;
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
