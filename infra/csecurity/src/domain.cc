// Naming domains: of a passwd source, of the user and of the host, and the domain type
// codes of the name syntaxes.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "private/csec_internal.h"

namespace kq::csecurity {
namespace {

struct SyntaxType {
  uint32_t syntax;
  int type;
};
// Short OIDs of the distinguished-name syntaxes and their domain type codes.
constexpr SyntaxType kSyntaxTypes[] = {
    {SEC_SYNTAX_FILE, 0},
    {SEC_SYNTAX_NIS, 1},
    {3048, 2},
    {SEC_SYNTAX_DNS, 3},
    {3049, 4},
    {3050, 5},
    {3051, 6},
    {3043, 7},
    {3042, 8},
    {3041, 9},
    {3040, 10},
    {3046, 200},
    {3055, 255},
    {3054, 11},
    {3183, 12},
    {3184, 13},
    {3185, 14},
    {3186, 15},
};

// Looks the domain up once; later calls answer the cached one.
const char *Cached(DomainCache &cache, uint32_t *syntaxOut, bool (*find)(DomainCache &)) {
  THR_mutex_t &mutex = Mutex();
  THR_LockMutex(&mutex);
  bool known = cache.known;
  THR_UnlockMutex(&mutex);
  if (!known) {
    DomainCache found;
    if (!find(found)) return nullptr;
    THR_LockMutex(&mutex);
    if (!cache.known) cache = found, cache.known = true;
    THR_UnlockMutex(&mutex);
  }
  if (syntaxOut) *syntaxOut = cache.syntax;
  return cache.name.c_str();
}

bool Take(DomainCache &out, int service) {
  char *name = nullptr;
  if (SEC_GetDomainFromNsSwitchType(service, &out.syntax, &name) != 0) return false;
  out.name = name;
  free(name);
  return true;
}

bool FindUserDomain(DomainCache &out) {
  const int *services = CSEC__GetServices();
  bool nis = false;
  for (int i = 0; i < SEC_MAX_SERVICES && services[i]; ++i)
    nis = nis || services[i] == SEC_SVC_NIS || services[i] == SEC_SVC_COMPAT;
  return (nis && Take(out, SEC_SVC_NIS)) || Take(out, SEC_SVC_FILES);
}

bool FindHostDomain(DomainCache &out) {
  return Take(out, SEC_SVC_DNS) || Take(out, SEC_SVC_NIS) || Take(out, SEC_SVC_FILES);
}

}  // namespace
}  // namespace kq::csecurity

int SEC_Shoid2DomType(uint32_t syntax) {
  for (const auto &entry : kq::csecurity::kSyntaxTypes)
    if (entry.syntax == syntax) return entry.type;
  return -1;
}

int SEC_GetDomainFromNsSwitchType(int service, uint32_t *syntaxOut, char **nameOut) {
  const char *domain = nullptr;
  char host[SEC_NAME_MAX];
  switch (service) {
    case SEC_SVC_FILES:
      if (gethostname(host, sizeof host) != 0) return -2;
      host[sizeof host - 1] = '\0';
      *syntaxOut = SEC_SYNTAX_FILE;
      domain = host;
      break;
    case SEC_SVC_NIS:
      domain = CSEC__GetNISDomain();
      if (!domain) {
        LOG_COND_MESSAGE(LOG_SEV_CRED, "SEC_GetDomainFromNsSwitchType NIS not enabled\n");
        return -1;
      }
      *syntaxOut = SEC_SYNTAX_NIS;
      break;
    case SEC_SVC_DNS:
      domain = CSEC__GetDNSDomain();
      if (!domain) {
        LOG_COND_MESSAGE(LOG_SEV_CRED, "SEC_GetDomainFromNsSwitchType DNS not enabled\n");
        return -2;
      }
      *syntaxOut = SEC_SYNTAX_DNS;
      break;
    default:
      return -3;
  }
  *nameOut = strdup(domain);
  if (!*nameOut) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "SEC_GetDomainFromNsSwitchType: out of memory\n");
    return -2;
  }
  return 0;
}

const char *SEC_GetUserDomain(uint32_t *syntaxOut) {
  return kq::csecurity::Cached(kq::csecurity::UserDomainCache(), syntaxOut,
                               kq::csecurity::FindUserDomain);
}

const char *SEC_GetHostDomain(uint32_t *syntaxOut) {
  return kq::csecurity::Cached(kq::csecurity::HostDomainCache(), syntaxOut,
                               kq::csecurity::FindHostDomain);
}
