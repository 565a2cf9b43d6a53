// Credentials against the real NIS server of the kq_nis fixture: a user known only to
// NIS is named by the NIS domain, the NIS passwd map confirms or refuses users, and the
// host falls back to the NIS domain without DNS.
#include <pwd.h>
#include <rpcsvc/ypclnt.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "csec_test_util.h"
#include "infra/as.h"
#include "infra/genu_value.h"
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

std::string Bytes(const SEC_pac_t &pac) {
  return std::string(reinterpret_cast<const char *>(&pac), sizeof pac);
}

TEST_F(Nis, UserKnownOnlyToNisIsNamedByTheNisDomainByteForByte) {
  std::string got = RunAs(kNisUser, kNisUser, [] {
    SEC_pac_t pac;
    int size = 0;
    int rc = GetUserPacForONC(&pac, &size);
    return rc == SEC_OK && size == 2596 ? Bytes(pac) : "rc " + std::to_string(rc);
  });
  std::string want(2596, '\0');
  auto put = [&want](size_t offset, const void *bytes, size_t length) {
    memcpy(&want[offset], bytes, length);
  };
  int32_t version = 1001, nis = 1;
  put(0, &version, 4);
  put(8, "kqnisuser", 9);
  put(264, kNisDomain, strlen(kNisDomain));
  put(1288, &nis, 4);
  put(1292, ShortNodeName().data(), ShortNodeName().size());
  put(1548, kNisDomain, strlen(kNisDomain));  // no DNS: the host is in the NIS domain
  put(2572, &nis, 4);
  ASSERT_EQ(got.size(), want.size()) << got;
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "offset " << i;
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
    std::string trace;
  } cases[] = {
      {kNisUser, "kqnisuser", 0, ""},
      {4799, "kqnisuser", -3, "Unmatched UID for user:kqnisuser, expect 4799 found 4711"},
      {1, "kqbroken", -2, "Invalid passwd entry: kqbroken:x"},
      {1, "nosuchuser", YPERR_KEY,
       std::string("yp_match failed on map passwd for domain ") + kNisDomain},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log("i");
    EXPECT_EQ(CSEC__MatchNISPasswd(c.uid, c.name), c.result);
    if (!c.trace.empty()) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
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
    uint32_t syntax = 0;
    const char *user = SEC_GetUserDomain(&syntax);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(std::string(user), c.user);
    EXPECT_EQ(syntax, c.userSyntax);
    const char *host = SEC_GetHostDomain(&syntax);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(std::string(host), kNisDomain);
    EXPECT_EQ(syntax, SEC_SYNTAX_NIS);
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
  LogCapture log("i");
  OpenToAll(log);
  std::string got = RunAs(kLongName, kLongName, [] {
    SEC_pac_t pac;
    int size = 0;
    return std::to_string(GetUserPacForONC(&pac, &size));
  });
  EXPECT_EQ(got, "100");
  EXPECT_NE(log.Text().find("GetUserPacForONC: user name of uid 4712 too long"), std::string::npos)
      << log.Text();
}

TEST_F(Nis, PacOfTheNisUserIsWhatTheSetCarries) {
  std::string got = RunAs(kNisUser, kNisUser, [] {
    StatusList status;
    AS_setHandle_t set = nullptr;
    if (AS_Create(status, &set, nullptr, 0) != 0) return std::string("no set");
    int rc = SEC_AddPAC_C(1, set);
    void *value = nullptr;
    std::string out = "rc " + std::to_string(rc);
    if (rc == SEC_OK && AS_GetAttrVal(status, set, 97, &value) == 0) {
      auto *pac = reinterpret_cast<const SEC_pac_t *>(
          static_cast<GEN_Privileges_t *>(value)->operation->u.octets.value);
      out = std::string(pac->userName) + " " + pac->userDomainName + " " +
            std::to_string(pac->userDomainType);
    }
    AS_Destroy(status, &set);
    return out;
  });
  EXPECT_EQ(got, std::string("kqnisuser ") + kNisDomain + " 1");
}

}  // namespace
}  // namespace kq::test
