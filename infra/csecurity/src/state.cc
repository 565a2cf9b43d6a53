// Process state of the credentials: the NIS and DNS domains and the passwd order of
// the name-service switch, read once and guarded by one mutex.
#include <netinet/in.h>
#include <resolv.h>
#include <rpcsvc/ypclnt.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

#include "infra/prt.h"
#include "infra/svclog.h"
#include "internal/csec_files.h"
#include "private/csec_internal.h"

const char *csec__passwd_path = "/etc/passwd";
const char *csec__resolv_path = "/etc/resolv.conf";

namespace kq::csecurity {
namespace {

THR_once_t once = PTHREAD_ONCE_INIT;
THR_mutex_t mutex;

struct State {
  bool loaded = false;
  std::string nisDomain, dnsDomain;  // empty: none
  int services[SEC_MAX_SERVICES + 1] = {};
  DomainCache user, host;
  PacCache pac;
} state;

void CreateMutex() { THR_InitMutex(&mutex); }

std::string ReadNisDomain() {
  char *domain = nullptr;
  if (yp_get_default_domain(&domain) != 0 || !domain || !*domain || strcmp(domain, "(none)") == 0)
    return {};
  return domain;
}

std::string ReadDnsDomain() {
  if (access(csec__resolv_path, R_OK) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "DNS disabled: no /etc/resolv.conf file\n");
    return {};
  }
  if (res_init() != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "res_init failed: Wrong libresolv.so. Need libresolv.so.2\n");
    return {};
  }
  return _res.defdname;
}

void ReadServices(int *services) {
  int rc = ns_get_svc_order("passwd", SEC_MAX_SERVICES, services);
  if (rc != 0 || services[0] == 0) {
    // A switch without a passwd line (1) asks the files and NIS, as one that cannot be
    // read or parsed does.
    if (rc != 0)
      LOG_COND_MESSAGE(LOG_SEV_CRED, "ns_get_svc_order failed: status=%d, using default\n", rc);
    services[0] = SEC_SVC_FILES;
    services[1] = SEC_SVC_NIS;
    services[2] = 0;
  }
  services[SEC_MAX_SERVICES] = 0;
}

// Under the mutex.
void Load() {
  if (state.loaded) return;
  state.nisDomain = ReadNisDomain();
  state.dnsDomain = ReadDnsDomain();
  ReadServices(state.services);
  state.loaded = true;
}

}  // namespace

THR_mutex_t &Mutex() {
  THR_Once(&once, CreateMutex);
  return mutex;
}

std::string NodeName() {
  struct utsname name;
  if (uname(&name) != 0) return {};
  return name.nodename;
}

DomainCache &UserDomainCache() { return state.user; }
DomainCache &HostDomainCache() { return state.host; }
PacCache &UserPacCache() { return state.pac; }

const char *ServiceName(int service) {
  const char *name = ns_get_svc_string(service);
  return name ? name : "unknown";
}

}  // namespace kq::csecurity

using kq::csecurity::Mutex;
using kq::csecurity::state;

void CSEC__Init(void) {
  THR_LockMutex(&Mutex());
  kq::csecurity::Load();
  THR_UnlockMutex(&Mutex());
}

const char *CSEC__GetNISDomain(void) {
  CSEC__Init();
  return state.nisDomain.empty() ? nullptr : state.nisDomain.c_str();
}

const char *CSEC__GetDNSDomain(void) {
  CSEC__Init();
  return state.dnsDomain.empty() ? nullptr : state.dnsDomain.c_str();
}

const int *CSEC__GetServices(void) {
  CSEC__Init();
  return state.services;
}

void CSEC__Reset(void) {
  THR_LockMutex(&Mutex());
  state = {};
  THR_UnlockMutex(&Mutex());
}
