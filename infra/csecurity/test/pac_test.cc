// The PAC as the privileges attribute of a set, per effective uid.
#include <unistd.h>

#include <string>

#include "csec_test_util.h"

namespace kq::test {
namespace {

using Pac = CredentialFiles;

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
    // The effective uid, whether the state is read again (after the resolver's file
    // went with the second step), the PAC.
    const std::tuple<uid_t, bool, std::string> steps[] = {
        {0, false, root},
        {1, false, PacLayout("daemon", HostName(), 0, ShortNodeName(), "first.example.test", 3)},
        {0, false, root},
        {0, true, PacLayout("root", HostName(), 0, ShortNodeName(), HostName(), 0)}};
    std::string out;
    StatusList status;
    AS_setHandle_t set = nullptr;
    AS_Create(status, &set, nullptr, 0);
    for (const auto &[euid, reread, pac] : steps) {
      if (euid == 1) unlink(resolvFile.c_str());
      if (reread) Reread();
      int rc = seteuid(euid) == 0 ? SEC_AddPAC_C(0, set) : -99;
      out +=
          (rc == SEC_OK ? FirstDifference(PacInSet(set), pac) : "rc " + std::to_string(rc)) + ";";
      seteuid(0);
    }
    AS_Destroy(status, &set);
    return out;
  });
  EXPECT_EQ(answer, ";;;;");
}

}  // namespace
}  // namespace kq::test
