// The privilege attribute certificate: the effective user's name and domain and the
// host's, as a 2596-byte record sent as the privileges attribute of every request.
#include <pwd.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/genu_value.h"
#include "infra/stf.h"
#include "infra/svclog.h"
#include "private/csec_internal.h"

static_assert(sizeof(SEC_pac_t) == SEC_PAC_SIZE);
static_assert(offsetof(SEC_pac_t, userName) == 8);
static_assert(offsetof(SEC_pac_t, userDomainName) == 264);
static_assert(offsetof(SEC_pac_t, userDomainType) == 1288);
static_assert(offsetof(SEC_pac_t, hostName) == 1292);
static_assert(offsetof(SEC_pac_t, hostDomainName) == 1548);
static_assert(offsetof(SEC_pac_t, hostDomainType) == 2572);

namespace kq::csecurity {
namespace {

constexpr uint32_t kPrivilegesAttr = 97;  // id-att-privileges
constexpr uint32_t kPrivilegesType = 76;  // value type of privileges

// Copies `text` into a field of `size` bytes; false when it does not fit.
bool Fill(char *field, size_t size, const std::string &text) {
  if (text.size() >= size) return false;
  memcpy(field, text.data(), text.size());
  return true;
}

// A status list the functions below report into and that never reaches a caller.
class Scratch {
 public:
  Scratch() : list_(STF_CreateList(nullptr)) {}
  ~Scratch() { STF_DeleteList(list_); }
  operator STF_statusList_t *() const { return list_; }

 private:
  STF_statusList_t *list_;
};

}  // namespace
}  // namespace kq::csecurity

using namespace kq::csecurity;

int GetUserPacForONC(SEC_pac_t *out, int *sizeOut) {
  // Built aside so that a failure hands out no partial record.
  SEC_pac_t pac;
  memset(&pac, 0, sizeof pac);

  std::string node = NodeName();
  std::string host = node.substr(0, node.find('.'));
  uint32_t hostSyntax = 0;
  const char *hostDomain = SEC_GetHostDomain(&hostSyntax);
  if (host.empty() || !hostDomain || !Fill(pac.hostName, sizeof pac.hostName, host) ||
      !Fill(pac.hostDomainName, sizeof pac.hostDomainName, hostDomain)) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "GetUserPacForONC: no host name or host domain\n");
    return SEC_FAILURE;
  }
  pac.hostDomainType = SEC_Shoid2DomType(hostSyntax);

  struct passwd entry, *found = nullptr;
  char buffer[4096];
  int source = 0;
  uid_t uid = geteuid();
  if (CSEC_getpwuid_r(uid, &entry, buffer, sizeof buffer, &found, CSEC__GetServices(), &source) !=
      0)
    return SEC_FAILURE;
  if (!Fill(pac.userName, sizeof pac.userName, found->pw_name)) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "GetUserPacForONC: user name of uid %d too long\n",
                     static_cast<int>(uid));
    return SEC_FAILURE;
  }

  uint32_t userSyntax = 0;
  char *userDomain = nullptr;
  int rc = SEC_GetDomainFromNsSwitchType(source, &userSyntax, &userDomain);
  if (rc != 0) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "SEC_GetDomainFromNsSwitchType failed s=%d\n", rc);
    return rc;
  }
  bool fits = Fill(pac.userDomainName, sizeof pac.userDomainName, userDomain);
  free(userDomain);
  if (!fits) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "GetUserPacForONC: user domain too long\n");
    return SEC_FAILURE;
  }
  pac.userDomainType = SEC_Shoid2DomType(userSyntax);
  pac.version = SEC_PAC_VERSION;
  LOG_COND_MESSAGE(LOG_SEV_CRED, "GetUserPacForONC: user = %s, userDom = %s:%s\n", pac.userName,
                   pac.userDomainName, ServiceName(source));
  *out = pac;
  *sizeOut = static_cast<int>(sizeof pac);
  return SEC_OK;
}

int SEC__GENUerror(uint32_t status) {
  return status == GENU_ST_NO_MEMORY ? SEC_NO_MEMORY : SEC_FAILURE;
}

int SEC__ASerror(uint32_t status) {
  switch (status) {
    case AS_ST_AMBIGUOUS_ATTR:
    case AS_ST_TYPE_MISMATCH:
    case AS_ST_BAD_OBJECT:
      return SEC_BAD_SET;
    case AS_ST_BAD_ARG1:
    case AS_ST_STALE_HANDLE:
      return SEC_BAD_VALUE;
    case AS_ST_NO_MEMORY:
      return SEC_NO_MEMORY;
    default:
      return SEC_FAILURE;
  }
}

int SEC_AddPAC_C(int, AS_setHandle_t set) {
  CSEC__Init();
  // Every request carries the PAC: it is built once per effective uid, not per call.
  SEC_pac_t pac;
  int size = static_cast<int>(sizeof pac);
  uid_t uid = geteuid();
  PacCache &cache = UserPacCache();
  THR_LockMutex(&Mutex());
  bool cached = cache.known && cache.uid == uid;
  if (cached) pac = cache.pac;
  THR_UnlockMutex(&Mutex());
  if (!cached) {
    int rc = GetUserPacForONC(&pac, &size);
    if (rc != SEC_OK) return rc;
    THR_LockMutex(&Mutex());
    cache.known = true;
    cache.uid = uid;
    cache.pac = pac;
    THR_UnlockMutex(&Mutex());
  }

  GEN_External_t certificate;
  memset(&certificate, 0, sizeof certificate);
  certificate.choice = 2;  // octet aligned
  certificate.u.octets.length = size;
  certificate.u.octets.value = reinterpret_cast<unsigned char *>(&pac);
  GEN_Privileges_t privileges = {&certificate, nullptr};

  // The copy is made with the set's own allocator: the set frees its values with it.
  Scratch status;
  AS_allocateDescriptor_t alloc{};
  if (AS_GetAllocator(status, set, &alloc) != 0) return SEC__ASerror(STF_GetStatus(status));
  void *copy = nullptr;
  if (GEN_CopyPrivileges(status, &copy, &privileges, &alloc) != 0)
    return SEC__GENUerror(STF_GetStatus(status));
  if (AS_ReplaceAllAttrVals(status, set, kPrivilegesAttr, kPrivilegesType, copy,
                            &GENU_PrivilegesDesc, nullptr) != 0) {
    int rc = SEC__ASerror(STF_GetStatus(status));
    Scratch cleanup;
    GEN_DeletePrivileges(cleanup, copy, &alloc);
    return rc;
  }
  return SEC_OK;
}
