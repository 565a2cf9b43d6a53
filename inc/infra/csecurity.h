/* Client credentials: the ONC system credentials an RPC client carries, and the
 * privilege attribute certificate (PAC) every request carries in its common arguments:
 * the user's login name and naming domain, the host's name and domain. The user's
 * domain follows the passwd source the entry came from (local files or NIS, decided
 * through the "passwd" line of the name-service switch); the host's domain is the DNS
 * domain, else the NIS domain, else the host name.
 *
 * The SEC_ functions answer the SEC_* result codes below (0 on success), which the
 * protocol client turns into status codes. Process state is set up once, on first use,
 * and guarded by one mutex: every function may be called from any thread. */
#ifndef KQ_INFRA_CSECURITY_H
#define KQ_INFRA_CSECURITY_H

#include <stdint.h>
#include <sys/types.h>

#include "as.h"
#include "kqexport.h"

KQ_BEGIN_DECLS

struct passwd;
struct __auth; /* AUTH of ONC RPC: the slot is &client->cl_auth */

/* Result codes. */
#define SEC_OK 0
#define SEC_FAILURE 100
#define SEC_NO_MEMORY 102
#define SEC_UNSUPPORTED 103 /* unsupported selector, or credentials not made */
#define SEC_BAD_VALUE 107   /* the set refused the argument or its handle is stale */
#define SEC_BAD_SET 109     /* the set is inconsistent or holds the attribute twice */

/* Security selector: mechanism and flavour. */
#define SEC_MECH_ONC 0
#define SEC_FLAVOUR_NONE 0
#define SEC_FLAVOUR_SYS 1   /* system credentials of the effective user */
#define SEC_FLAVOUR_PROXY 4 /* the proxy account, uid and gid 60001 */
typedef struct {
  uint32_t mechanism;
  uint32_t flavour;
} SEC_selector_t;

/* Client types (SEC_SetClientType): an administrator client sends the credentials of
 * root on "localhost" in the "sysadmin" group instead of the effective user's. */
#define SEC_CLIENT_USER 0
#define SEC_CLIENT_ADMIN 1

/* Services of the name-service switch that may hold a passwd entry (the numbers of
 * ns_get_svc_order in infra/prt.h). */
#define SEC_SVC_FILES 3
#define SEC_SVC_NIS 4
#define SEC_SVC_COMPAT 7
#define SEC_SVC_DNS 8
#define SEC_MAX_SERVICES 20

/* Short object identifiers of the domain name syntaxes the PAC names. */
#define SEC_SYNTAX_NIS 3044u
#define SEC_SYNTAX_DNS 3045u
#define SEC_SYNTAX_FILE 3047u

/* The PAC record, 2596 bytes, zero-filled before its fields are set; the 32-bit
 * fields are in the host's byte order. */
#define SEC_PAC_VERSION 1001
#define SEC_PAC_SIZE 2596
#define SEC_NAME_MAX 256
#define SEC_DOMAIN_MAX 1024
typedef struct {
  int32_t version; /* SEC_PAC_VERSION */
  int32_t reserved1;
  char userName[SEC_NAME_MAX];
  char userDomainName[SEC_DOMAIN_MAX];
  int32_t userDomainType; /* SEC_Shoid2DomType of the syntax */
  char hostName[SEC_NAME_MAX];
  char hostDomainName[SEC_DOMAIN_MAX];
  int32_t hostDomainType;
  unsigned char reserved2[20];
} SEC_pac_t;

/* Puts new credentials into an RPC client's authentication slot (&client->cl_auth),
 * destroying the ones it held. */
KQ_EXPORT int SEC_AddCredential_C(const SEC_selector_t *selector, struct __auth **slot);
/* Builds the PAC and makes it the only value of id-att-privileges in `set`. The
 * credential kind does not change the PAC. */
KQ_EXPORT int SEC_AddPAC_C(int credentialKind, AS_setHandle_t set);
/* The domain of the user and of the host, fetched once per process; the short OID of
 * the name syntax goes to *syntaxOut. NULL when none can be found. */
KQ_EXPORT const char *SEC_GetUserDomain(uint32_t *syntaxOut);
KQ_EXPORT const char *SEC_GetHostDomain(uint32_t *syntaxOut);
/* The domain a passwd service names: files the host name, nis the NIS domain, dns the
 * DNS domain. *nameOut is a new text the caller frees. 0, or -1 no NIS domain, -2 no
 * DNS domain or host name or memory, -3 another service. */
KQ_EXPORT int SEC_GetDomainFromNsSwitchType(int service, uint32_t *syntaxOut, char **nameOut);
/* getpwuid_r, and the passwd service the entry came from (SEC_SVC_FILES or
 * SEC_SVC_NIS) given the switch's order `services` (ended by 0, up to 20). 0, the
 * error of getpwuid_r (ENOENT for an unknown uid), or -2 when the order names neither
 * files nor nis. */
KQ_EXPORT int CSEC_getpwuid_r(uid_t uid, struct passwd *pwd, char *buffer, size_t size,
                              struct passwd **result, const int *services, int *sourceOut);
/* The domain type code of a name syntax's short OID; -1 for any other identifier. */
KQ_EXPORT int SEC_Shoid2DomType(uint32_t syntax);
/* SEC_CLIENT_USER or SEC_CLIENT_ADMIN for the credentials made from now on;
 * SEC_UNSUPPORTED for another type. */
KQ_EXPORT int SEC_SetClientType(int clientType);

KQ_END_DECLS

#endif
