// ONC credentials put into an RPC client's authentication slot: none, the effective
// user's system credentials, an administrator's, or the proxy account's.
#include <grp.h>
#include <rpc/rpc.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "infra/svclog.h"
#include "private/csec_internal.h"

namespace kq::csecurity {
namespace {

constexpr gid_t kDefaultSysadminGid = 14;
constexpr uid_t kProxyId = 60001;

std::atomic<int> clientType{SEC_CLIENT_USER};

// Replaces what the slot holds; a refused creation (null) leaves it alone.
int Store(AUTH **slot, AUTH *auth, int refused) {
  if (!auth) return refused;
  if (*slot) auth_destroy(*slot);
  *slot = auth;
  return SEC_OK;
}

AUTH *SystemCredentials(const std::string &machine, uid_t uid, gid_t gid) {
  gid_t groups[1] = {gid};
  return authsys_create(const_cast<char *>(machine.c_str()), uid, gid, 1, groups);
}

gid_t SysadminGid() {
  struct group entry, *found = nullptr;
  char buffer[4096];
  if (getgrnam_r("sysadmin", &entry, buffer, sizeof buffer, &found) == 0 && found)
    return found->gr_gid;
  return kDefaultSysadminGid;
}

}  // namespace
}  // namespace kq::csecurity

using namespace kq::csecurity;

int SEC__AddCredential_aux(const SEC_selector_t *, AUTH **slot, int administrator) {
  if (administrator) {
    gid_t gid = SysadminGid();
    return Store(slot, SystemCredentials("localhost", 0, gid), SEC_FAILURE);
  }
  std::string machine = NodeName();
  if (machine.empty()) return SEC_FAILURE;
  return Store(slot, SystemCredentials(machine, geteuid(), getegid()), SEC_UNSUPPORTED);
}

int AddONCProxyAccount(AUTH **slot) {
  std::string machine = NodeName();
  if (machine.empty()) return SEC_FAILURE;
  return Store(slot, SystemCredentials(machine, kProxyId, kProxyId), SEC_FAILURE);
}

int SEC_AddCredential_C(const SEC_selector_t *selector, AUTH **slot) {
  LOG_COND_FUNC_TRACE("SEC_AddCredential_C", 1, "%s", "");
  CSEC__Init();
  int rc;
  if (!selector || !slot) {
    rc = SEC_UNSUPPORTED;
  } else if (selector->mechanism != SEC_MECH_ONC) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "SEC_AddCredential_C: Authorization type %d not supported\n",
                     static_cast<int>(selector->mechanism));
    rc = SEC_UNSUPPORTED;
  } else {
    switch (selector->flavour) {
      case SEC_FLAVOUR_NONE:
        rc = Store(slot, authnone_create(), SEC_UNSUPPORTED);
        break;
      case SEC_FLAVOUR_SYS:
        rc = SEC__AddCredential_aux(selector, slot, clientType.load() == SEC_CLIENT_ADMIN);
        break;
      case SEC_FLAVOUR_PROXY:
        rc = AddONCProxyAccount(slot);
        break;
      default:
        rc = SEC_UNSUPPORTED;
    }
  }
  LOG_COND_FUNC_TRACE("SEC_AddCredential_C", 0, "status=%d", rc);
  return rc;
}

int SEC_SetClientType(int type) {
  if (type != SEC_CLIENT_USER && type != SEC_CLIENT_ADMIN) return SEC_UNSUPPORTED;
  clientType.store(type);
  return SEC_OK;
}
