// The PAC record byte by byte, and the PAC as the privileges attribute of a set.
#include <sys/types.h>
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

constexpr uint32_t kPrivilegesAttr = 97;

// An expected record written field by field at the offsets of the wire layout.
class PacBytes {
 public:
  PacBytes() : bytes_(2596, '\0') {}
  PacBytes &Int(size_t offset, int32_t value) {
    memcpy(&bytes_[offset], &value, sizeof value);
    return *this;
  }
  PacBytes &Text(size_t offset, const std::string &text) {
    memcpy(&bytes_[offset], text.data(), text.size());
    return *this;
  }
  const std::string &str() const { return bytes_; }

 private:
  std::string bytes_;
};

std::string Bytes(const SEC_pac_t &pac) {
  return std::string(reinterpret_cast<const char *>(&pac), sizeof pac);
}

// The first byte where two records differ, for a readable failure.
std::string FirstDifference(const std::string &got, const std::string &want) {
  if (got.size() != want.size()) return "size " + std::to_string(got.size());
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i])
      return "offset " + std::to_string(i) + ": got " + std::to_string(got[i] & 0xff) + " want " +
             std::to_string(want[i] & 0xff);
  return "";
}

using Pac = CredentialFiles;

// The PAC of the effective user, or the reason there is none.
std::string BuildPac() {
  SEC_pac_t pac;
  int size = 0;
  int rc = GetUserPacForONC(&pac, &size);
  if (rc != SEC_OK) return "GetUserPacForONC: " + std::to_string(rc);
  if (size != 2596) return "size " + std::to_string(size);
  return Bytes(pac);
}

TEST_F(Pac, RootIsAFilesUserNamedByTheHostAndTheHostIsInItsDnsDomain) {
  Resolver("lab.example.test");
  PacBytes want;
  want.Int(0, 1001)
      .Text(8, "root")
      .Text(264, HostName())
      .Int(1288, 0)  // file syntax
      .Text(1292, ShortNodeName())
      .Text(1548, "lab.example.test")
      .Int(2572, 3);  // dns syntax
  EXPECT_EQ(FirstDifference(InChild(BuildPac), want.str()), "");
}

TEST_F(Pac, HostDomainFallsBackToTheHostNameWithoutResolverOrNis) {
  struct Case {
    const char *what;
    const char *domain;  // resolver's default domain; null: no configuration file
  } cases[] = {
      {"no resolver configuration", nullptr},
      {"resolver without a default domain", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Resolver(c.domain);
    std::string answer = InChild([] {
      uint32_t syntax = 0;
      const char *domain = SEC_GetHostDomain(&syntax);
      SEC_pac_t pac;
      int size = 0;
      if (!domain || GetUserPacForONC(&pac, &size) != SEC_OK) return std::string("failed");
      return std::string(domain) + " " + std::to_string(syntax) + " " + pac.hostDomainName + " " +
             std::to_string(pac.hostDomainType);
    });
    EXPECT_EQ(answer, HostName() + " 3047 " + HostName() + " 0");
  }
}

TEST_F(Pac, UserDomainIsTheHostNameWhenNisIsNotRunning) {
  const char *orders[] = {"files nis", "nis", "files", "compat"};
  for (const char *order : orders) {
    SCOPED_TRACE(order);
    SwitchPasswd(order);
    uint32_t syntax = 0;
    const char *domain = SEC_GetUserDomain(&syntax);
    ASSERT_NE(domain, nullptr);
    EXPECT_EQ(std::string(domain), HostName());
    EXPECT_EQ(syntax, SEC_SYNTAX_FILE);
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
    std::string third = SEC_GetHostDomain(&syntax);
    return first + " " + second + " " + third;
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
  SEC_pac_t want;
  int size = 0;
  ASSERT_EQ(GetUserPacForONC(&want, &size), SEC_OK);
  for (int call = 0; call < 3; ++call) {
    SCOPED_TRACE(call);
    ASSERT_EQ(SEC_AddPAC_C(call, set), SEC_OK);  // the kind does not change the PAC
    uint32_t count = 0, type = 0;
    ASSERT_EQ(AS_GetAttrValCount(status, set, kPrivilegesAttr, &count), 0u) << status.Text();
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(AS_GetAttrValType(status, set, kPrivilegesAttr, &type), 0u);
    EXPECT_EQ(type, 76u);
    void *value = nullptr;
    ASSERT_EQ(AS_GetAttrVal(status, set, kPrivilegesAttr, &value), 0u);
    auto *privileges = static_cast<GEN_Privileges_t *>(value);
    ASSERT_NE(privileges->operation, nullptr);
    EXPECT_EQ(privileges->proxy, nullptr);
    EXPECT_EQ(privileges->operation->choice, 2);
    ASSERT_EQ(privileges->operation->u.octets.length, 2596);
    EXPECT_EQ(FirstDifference(
                  std::string(reinterpret_cast<const char *>(privileges->operation->u.octets.value),
                              2596),
                  Bytes(want)),
              "");
  }
  AS_Destroy(status, &set);
  EXPECT_TRUE(Counting().live.empty());
  EXPECT_EQ(Counting().badFrees, 0u);
}

TEST_F(Pac, AddingToNoSetReportsTheArgument) { EXPECT_EQ(SEC_AddPAC_C(0, nullptr), SEC_BAD_VALUE); }

TEST(PacErrors, SetAndValueFailuresBecomeResultCodes) {
  struct Case {
    uint32_t status;
    int result;
  } cases[] = {
      {AS_ST_AMBIGUOUS_ATTR, SEC_BAD_SET}, {AS_ST_TYPE_MISMATCH, SEC_BAD_SET},
      {AS_ST_BAD_OBJECT, SEC_BAD_SET},     {AS_ST_BAD_ARG1, SEC_BAD_VALUE},
      {AS_ST_STALE_HANDLE, SEC_BAD_VALUE}, {AS_ST_NO_MEMORY, SEC_NO_MEMORY},
      {AS_ST_INVALID_HANDLE, SEC_FAILURE}, {AS_ST_SET_FULL, SEC_FAILURE},
  };
  for (const Case &c : cases) EXPECT_EQ(SEC__ASerror(c.status), c.result) << std::hex << c.status;
  EXPECT_EQ(SEC__GENUerror(GENU_ST_NO_MEMORY), SEC_NO_MEMORY);
  EXPECT_EQ(SEC__GENUerror(0xc00e00afu), SEC_FAILURE);
}

}  // namespace
}  // namespace kq::test
