// Internals of the credentials shared between their source files.
#ifndef KQ_INFRA_CSECURITY_INC_PRIVATE_CSEC_INTERNAL_H
#define KQ_INFRA_CSECURITY_INC_PRIVATE_CSEC_INTERNAL_H

#include <cstddef>
#include <string>

#include "infra/csecurity.h"
#include "infra/thr.h"

// One-time set-up of the process state (through THR_Once).
void CSEC__Init(void);
// The NIS and DNS domains found at set-up; NULL when there is none.
const char *CSEC__GetNISDomain(void);
const char *CSEC__GetDNSDomain(void);
// The passwd order read at set-up (ended by 0).
const int *CSEC__GetServices(void);
// 0 when "/etc/passwd" holds `name` (case ignored) with `uid`; -1 the file cannot be
// opened, -2 no such entry.
int CSEC__MatchPasswdFile(uid_t uid, const char *name);
// 0 when NIS's passwd map holds `name` with `uid`; -1 no NIS domain, the NIS error,
// -2 a malformed entry, -3 another uid.
int CSEC__MatchNISPasswd(uid_t uid, const char *name);
// Credentials into the slot; `administrator` makes root's on "localhost".
int SEC__AddCredential_aux(const SEC_selector_t *selector, struct __auth **slot, int administrator);
int AddONCProxyAccount(struct __auth **slot);
// Fills the PAC of the effective user; *sizeOut gets its size.
int GetUserPacForONC(SEC_pac_t *pac, int *sizeOut);
// The SEC_ result for a failure of the value layer and of the attribute set.
int SEC__GENUerror(uint32_t status);
int SEC__ASerror(uint32_t status);

namespace kq::csecurity {

// The process state's mutex: NIS lookups and the domain caches.
THR_mutex_t &Mutex();
// The host's node name, whole, or empty when uname fails.
std::string NodeName();
// A domain found once and kept for the process (under the mutex).
struct DomainCache {
  bool known = false;
  std::string name;
  uint32_t syntax = 0;
};
DomainCache &UserDomainCache();
DomainCache &HostDomainCache();
// The PAC last built, for the effective uid it was built for (under the mutex); read
// again when the process runs under another uid or its state is read again.
struct PacCache {
  bool known = false;
  uid_t uid = 0;
  SEC_pac_t pac{};
};
PacCache &UserPacCache();
// The name of a switch service for traces ("files" for 3).
const char *ServiceName(int service);

}  // namespace kq::csecurity

#endif
