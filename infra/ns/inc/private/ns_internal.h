// Internals of the directory shared between its source files.
#ifndef KQ_INFRA_NS_INC_PRIVATE_NS_INTERNAL_H
#define KQ_INFRA_NS_INC_PRIVATE_NS_INTERNAL_H

#include <sys/time.h>

#include <string>

#include "infra/ns.h"
#include "infra/prt.h"

namespace kq::ns {

constexpr int kKindCount = 8;  // kinds with a configuration key (0..7)

const char *KeyOfKind(int kind);
const char *ClassName(int cls);
const char *AuthName(int auth);
// The serving-server type of a class: 3, 4 or 7; 0 for the classes 2 and 5.
int ServingType(int cls);
bool IsServerKey(const char *key);
// The address text of a record.
std::string AddressText(const ns_dpa_addr_t &addr);
ns_dpa_addr_t *CopyAddress(const ns_dpa_addr_t *addr);
// The address as stored, without asking the pts service.
ns_dpa_addr_t *StoredAddress(const char *name, int kind);
// Replaces program and version from the pts service when the flag asks for it;
// false when the service has no binding.
bool ResolveRegistry(ns_dpa_addr_t *addr);
// Services to search for entries ("etc", "nis" unless the switch says otherwise),
// in printer-configuration names.
int ConfiguredServices(const char **services, int max);

// Time-outs of the pts clients.
extern struct timeval nsCreateTimeout;
extern struct timeval nsRpcCallTimeout;
// Reads PTS_TIMEOUT, ENV_JQP_RPC_TIMEOUT and JQP_LONGTIME into the two time-outs.
void ComputeTimeouts(void);
void GetTimeOut(void);

}  // namespace kq::ns

#endif
