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

TEST_F(Pac, DomainsFallBackToTheHostNameWithoutResolverOrNis) {
  // The resolver's default domain (null: no configuration file), the switch's passwd line.
  const std::pair<const char *, const char *> cases[] = {
      {nullptr, "files nis"}, {"", "nis"}, {nullptr, "files"}, {"", "compat"}};
  for (const auto &[domain, passwd] : cases) {
    SCOPED_TRACE(std::string(domain ? "empty default domain, " : "no resolver, ") + passwd);
    Resolver(domain);
    SwitchPasswd(passwd);
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
    void *value = nullptr;
    ASSERT_EQ(AS_GetAttrValCount(status, set, 97, &count) +
                  AS_GetAttrValType(status, set, 97, &type) +
                  AS_GetAttrVal(status, set, 97, &value),
              0u)
        << status.Text();
    EXPECT_EQ(std::make_pair(count, type), std::make_pair(1u, 76u));
    auto *privileges = static_cast<GEN_Privileges_t *>(value);
    EXPECT_TRUE(privileges->proxy == nullptr && privileges->operation->choice == 2);
    EXPECT_EQ(FirstDifference(PacInSet(set), want), "");
  }
  AS_Destroy(status, &set);
  EXPECT_TRUE(Counting().live.empty());
  EXPECT_EQ(Counting().badFrees, 0u);
}

// The PAC is built once per effective uid: a request under another uid carries that
// user's. The domains are kept once found, even when the resolver's file goes, until
// the state is read again. Root is a user of the files, named by the host.
TEST_F(Pac, FollowsTheEffectiveUidAndTheStateReadAgain) {
  SwitchPasswd("files");
  Resolver("first.example.test");
  std::string answer = InChild([this] {
    const std::string root =
        PacLayout("root", HostName(), 0, ShortNodeName(), "first.example.test", 3);
    const struct {
      uid_t euid;
      bool reread;  // first without the resolver's file, and then the state read again
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
      if (step.euid == 1) unlink(resolvFile.c_str());
      if (step.reread) Reread();
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
  // One row per result code; the rest of the mapping is data.
  const std::pair<uint32_t, int> cases[] = {{AS_ST_AMBIGUOUS_ATTR, SEC_BAD_SET},
                                            {AS_ST_STALE_HANDLE, SEC_BAD_VALUE},
                                            {AS_ST_NO_MEMORY, SEC_NO_MEMORY},
                                            {AS_ST_SET_FULL, SEC_FAILURE}};
  for (const auto &[status, result] : cases) EXPECT_EQ(SEC__ASerror(status), result) << status;
  EXPECT_EQ(SEC__GENUerror(GENU_ST_NO_MEMORY), SEC_NO_MEMORY);
  EXPECT_EQ(SEC__GENUerror(0xc00e00afu), SEC_FAILURE);
}

}  // namespace
}  // namespace kq::test
