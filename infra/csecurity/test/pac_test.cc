// The PAC record byte by byte, the domains it names, and the PAC as the privileges
// attribute of a set.
#include <unistd.h>

#include <string>

#include "csec_test_util.h"
#include "infra/genu_value.h"
#include "private/csec_internal.h"

namespace kq::test {
namespace {

using Pac = CredentialFiles;

TEST_F(Pac, RootIsAFilesUserNamedByTheHostAndTheHostIsInItsDnsDomain) {
  Resolver("lab.example.test");
  EXPECT_EQ(FirstDifference(InChild(BuildPac), PacLayout("root", HostName(), 0, ShortNodeName(),
                                                         "lab.example.test", 3)),
            "");
}

TEST_F(Pac, DomainsFallBackToTheHostNameWithoutResolverOrNis) {
  struct Case {
    const char *domain;  // resolver's default domain; null: no configuration file
    const char *passwd;  // the switch's passwd line
  } cases[] = {{nullptr, "files nis"}, {"", "nis"}, {nullptr, "files"}, {"", "compat"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.domain ? "empty default domain, " : "no resolver, ") + c.passwd);
    Resolver(c.domain);
    SwitchPasswd(c.passwd);
    std::string answer = InChild([] {
      uint32_t hostSyntax = 0, userSyntax = 0;
      const char *host = SEC_GetHostDomain(&hostSyntax), *user = SEC_GetUserDomain(&userSyntax);
      if (!host || !user) return std::string("no domain");
      return std::string(host) + " " + std::to_string(hostSyntax) + " " + user + " " +
             std::to_string(userSyntax) + " " +
             FirstDifference(BuildPac(),
                             PacLayout("root", HostName(), 0, ShortNodeName(), HostName(), 0));
    });
    EXPECT_EQ(answer, HostName() + " 3047 " + HostName() + " 3047 ");
  }
}

TEST_F(Pac, DomainsAreKeptOnceFound) {
  Resolver("first.example.test");
  std::string answer = InChild([this] {
    uint32_t syntax = 0;
    std::string first = SEC_GetHostDomain(&syntax);
    unlink(resolvFile.c_str());  // not looked at again while the state is kept
    std::string second = SEC_GetHostDomain(&syntax);
    Reread();
    return first + " " + second + " " + SEC_GetHostDomain(&syntax);
  });
  EXPECT_EQ(answer, "first.example.test first.example.test " + HostName());
}

// The set has its own allocator: the PAC it holds is allocated and freed through it.
TEST_F(Pac, IsTheOnlyPrivilegesValueOfTheSetAfterEveryCall) {
  StatusList status;
  AS_setHandle_t set = nullptr;
  AS_allocateDescriptor_t counting = {CountingAllocate, CountingFree};
  Counting().Reset();
  ASSERT_EQ(AS_Create(status, &set, &counting, 0), 0u) << status.Text();
  const std::string want = BuildPac();
  for (int call = 0; call < 3; ++call) {
    SCOPED_TRACE(call);
    ASSERT_EQ(SEC_AddPAC_C(call, set), SEC_OK);  // the kind does not change the PAC
    uint32_t count = 0, type = 0;
    ASSERT_EQ(AS_GetAttrValCount(status, set, 97, &count), 0u) << status.Text();
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(AS_GetAttrValType(status, set, 97, &type), 0u);
    EXPECT_EQ(type, 76u);
    void *value = nullptr;
    ASSERT_EQ(AS_GetAttrVal(status, set, 97, &value), 0u);
    auto *privileges = static_cast<GEN_Privileges_t *>(value);
    EXPECT_EQ(privileges->proxy, nullptr);
    EXPECT_EQ(privileges->operation->choice, 2);
    EXPECT_EQ(FirstDifference(PacInSet(set), want), "");
  }
  AS_Destroy(status, &set);
  EXPECT_TRUE(Counting().live.empty());
  EXPECT_EQ(Counting().badFrees, 0u);
}

// The PAC is built once per effective uid: a request under another uid carries that
// user's, and reading the state again builds it anew.
TEST_F(Pac, FollowsTheEffectiveUidAndTheStateReadAgain) {
  SwitchPasswd("files");
  Resolver("first.example.test");
  std::string answer = InChild([this] {
    const std::string root =
        PacLayout("root", HostName(), 0, ShortNodeName(), "first.example.test", 3);
    const struct {
      uid_t euid;
      bool reread;  // the state is read again first, without the resolver's file
      std::string pac;
    } steps[] = {
        {0, false, root},
        {1, false, PacLayout("daemon", HostName(), 0, ShortNodeName(), "first.example.test", 3)},
        {0, false, root},
        {0, true, PacLayout("root", HostName(), 0, ShortNodeName(), HostName(), 0)}};
    std::string out;
    StatusList status;
    AS_setHandle_t set = nullptr;
    AS_Create(status, &set, nullptr, 0);
    for (const auto &step : steps) {
      if (step.reread) unlink(resolvFile.c_str()), Reread();
      int rc = seteuid(step.euid) == 0 ? SEC_AddPAC_C(0, set) : -99;
      out +=
          (rc == SEC_OK ? FirstDifference(PacInSet(set), step.pac) : "rc " + std::to_string(rc)) +
          ";";
      seteuid(0);
    }
    AS_Destroy(status, &set);
    return out;
  });
  EXPECT_EQ(answer, ";;;;");
}

TEST(PacErrors, SetAndValueFailuresBecomeResultCodes) {
  struct Case {
    uint32_t status;
    int result;
  } cases[] = {{AS_ST_AMBIGUOUS_ATTR, SEC_BAD_SET}, {AS_ST_TYPE_MISMATCH, SEC_BAD_SET},
               {AS_ST_BAD_OBJECT, SEC_BAD_SET},     {AS_ST_BAD_ARG1, SEC_BAD_VALUE},
               {AS_ST_STALE_HANDLE, SEC_BAD_VALUE}, {AS_ST_NO_MEMORY, SEC_NO_MEMORY},
               {AS_ST_INVALID_HANDLE, SEC_FAILURE}, {AS_ST_SET_FULL, SEC_FAILURE}};
  for (const Case &c : cases) EXPECT_EQ(SEC__ASerror(c.status), c.result) << std::hex << c.status;
  EXPECT_EQ(SEC__GENUerror(GENU_ST_NO_MEMORY), SEC_NO_MEMORY);
  EXPECT_EQ(SEC__GENUerror(0xc00e00afu), SEC_FAILURE);
}

}  // namespace
}  // namespace kq::test
