/* Directory of printers, servers and queues: where an object's server runs and under
 * which RPC program and version it listens. Entries are DPA address strings kept in
 * the printer configuration ("paddr", "saddr", "qaddr"); an address may defer the
 * program and version to the pts registry service on the server's host.
 *
 * The NS_ functions answer the NS_ERR_* result codes (0 on success). */
#ifndef KQ_INFRA_NS_H
#define KQ_INFRA_NS_H

#include "kqexport.h"

KQ_BEGIN_DECLS

/* Result codes. */
#define NS_OK 0
#define NS_ERR_NOT_PERMITTED 2 /* not allowed for a client */
#define NS_ERR_BAD_KIND 5      /* bad kind or class */
#define NS_ERR_DOMAIN 7        /* domain differs from the current one */
#define NS_ERR_NO_HANDLE 9     /* missing list or domain handle */
#define NS_ERR_NAME 10         /* missing or wrong name */
#define NS_ERR_OBJECT 11       /* missing or bad object */
#define NS_ERR_END 12          /* no domain, or the end of a list */
#define NS_ERR_NOT_INIT 13     /* NS_Init has not run */
#define NS_ERR_NO_MEMORY 14
#define NS_ERR_NOT_FOUND 15   /* no such entry */
#define NS_ERR_UNAVAILABLE 17 /* entry present but not usable now (skipped by lists) */
#define NS_ERR_SYSTEM 19      /* system call or store failure */
#define NS_ERR_UNSUPPORTED 20 /* environment or operation not supported */

/* Object kinds; the class of an address uses the same numbers. */
#define NS_KIND_LOGICAL 0
#define NS_KIND_PHYSICAL 1
#define NS_KIND_PRINTER 2 /* logical or physical */
#define NS_KIND_SPOOLER 3
#define NS_KIND_SUPERVISOR 4
#define NS_KIND_SERVER 5 /* spooler or supervisor */
#define NS_KIND_QUEUE 6
#define NS_KIND_NOTIFY 7
#define NS_CLASS_CLIENT 10 /* NS_Init class of a client program */

#define NS_ENV_ONC 0

/* Authentication indexes. */
#define NS_AUTH_NONE 0
#define NS_AUTH_SYS 1
#define NS_AUTH_DES 2
#define NS_AUTH_KERB 3

/* The pts registry service. */
#define PTS_PROGRAM 105004
#define PTS_VERSION 1
#define PTS_ADD 1
#define PTS_DELETE 2
#define PTS_GET 3
#define PTS_TYPE_SERVER 5 /* the type the directory registers under */

/* A DPA address string, "%s,%d,%d,%s,%s,%s,%d": host, program, version,
 * authentication name, class name, server name, registry flag. */
#define NS_DPA_ADDR_FORMAT "%s,%d,%d,%s,%s,%s,%d"

typedef struct ns_dpa_addr {
  char *name; /* object name */
  char *host;
  int prognum;
  int versnum;
  int auth;     /* NS_AUTH_*; 0 for an unknown name */
  char *key;    /* "paddr", "saddr" or "qaddr" */
  char *ns;     /* name service the entry was found in */
  int cls;      /* NS_KIND_*; 0 for an unknown class name */
  char *server; /* server name */
  int flag;     /* non-zero: program and version come from the pts service */
} ns_dpa_addr_t;

/* A directory object. Strings are malloc'd and released by NS_FreeObject. */
typedef struct NS_object {
  int env;  /* adapter: NS_ENV_ONC */
  int kind; /* after a lookup: the class of the entry */
  char *name;
  int serverType; /* serving server: 3 spooler, 4 supervisor, 7 notification */
  char *serverName;
  char *host;
  int prognum;
  int versnum;
  int auth;
  char *key; /* configuration key of the entry */
  char *nameService;
  int flag; /* registry flag of the address */
  char *domain;
  /* Fields of environment 1. */
  char *env1Name;
  char *env1Address;
  /* Fields of environment 2. */
  int env2Count;
  char **env2Strings;
  char *env2String;
  int env2Value;
} NS_object_t;

typedef struct NS_domain {
  int env;
  char *name; /* NULL: the environment's current domain */
} NS_domain_t;

typedef struct NS_list NS_list_t;             /* opaque */
typedef struct NS_domainList NS_domainList_t; /* opaque */

/* Front end. */
KQ_EXPORT int NS_Init(const char *myName, int myClass);
KQ_EXPORT int NS_Term(void);
KQ_EXPORT int NS_GetObject(int kind, const char *name, const NS_domain_t *domain,
                           NS_object_t **objectOut);
KQ_EXPORT int NS_CreateObject(const NS_object_t *object, int replace, NS_object_t **objectOut);
KQ_EXPORT int NS_CreateBackup(const NS_object_t *printer, const NS_object_t *backup);
KQ_EXPORT int NS_CreateGroup(const NS_object_t *group, const NS_object_t *member);
KQ_EXPORT int NS_DeleteObject(const NS_object_t *object);
KQ_EXPORT int NS_ListObjectBegin(int kind, const NS_domain_t *domain, NS_list_t **listOut);
KQ_EXPORT int NS_ListBackupPrtBegin(const NS_object_t *printer, NS_list_t **listOut);
KQ_EXPORT int NS_ListGroupMbrBegin(const NS_object_t *group, NS_list_t **listOut);
KQ_EXPORT int NS_ListNext(NS_list_t *list, NS_object_t **objectOut);
KQ_EXPORT int NS_ListEnd(NS_list_t *list);
KQ_EXPORT int NS_IsSameHost(const NS_object_t *object, int *flagOut);
KQ_EXPORT int NS_IsSameServer(const NS_object_t *object, int *flagOut);
KQ_EXPORT int NS_CreateDomainHandle(NS_domain_t **domainOut);
KQ_EXPORT int NS_GetDomain(int env, const NS_domain_t *domain, char **nameOut);
KQ_EXPORT int NS_SetDomain(int env, const char *name, NS_domain_t *domain);
KQ_EXPORT int NS_FreeDomainHandle(NS_domain_t *domain);
KQ_EXPORT int NS_ListDomainBegin(int env, NS_domainList_t **listOut);
KQ_EXPORT int NS_ListDomainNext(NS_domainList_t *list, char **nameOut);
KQ_EXPORT int NS_ListDomainEnd(NS_domainList_t *list);
/* A malloc'd array of the supported environments and its length. */
KQ_EXPORT int NS_ListSupportedEnv(int **envsOut, int *countOut);
KQ_EXPORT int NS_FreeObject(NS_object_t *object);
KQ_EXPORT int NS_CopyObject(const NS_object_t *object, NS_object_t **copyOut);
KQ_EXPORT int NS_FreeString(char *string);

/* Address store over the printer configuration. Lists are NULL-terminated. */
KQ_EXPORT ns_dpa_addr_t *str_to_dpa_addr(const char *name, const char *key, const char *string);
KQ_EXPORT void ns_free_dpa_addr(ns_dpa_addr_t *addr);
KQ_EXPORT ns_dpa_addr_t *ns_get_dpa_addr(const char *name, int kind);
KQ_EXPORT int ns_put_dpa_addr(ns_dpa_addr_t *addr);
KQ_EXPORT int ns_delete_dpa_addr(const char *name, int kind);
KQ_EXPORT ns_dpa_addr_t **ns_list_dpa_addr(int kind);
KQ_EXPORT void ns_free_dpa_addr_list(ns_dpa_addr_t **list);
/* Fills `services` (room for 11 pointers) with the configured service names for
 * printers, ended by NULL; left as the caller filled it when none is configured. */
KQ_EXPORT int ns_getservices(const char **services);

/* The pts registry service. */
typedef struct pts_object_name {
  char *name;
  int type;
} pts_object_name_t;

typedef struct pts_binding {
  pts_object_name_t name;
  unsigned long prognum;
  unsigned long versnum;
} pts_binding_t;

struct __rpc_client;
struct __rpc_xdr;

KQ_EXPORT int xdr_pts_object_name_t(struct __rpc_xdr *xdrs, pts_object_name_t *object);
KQ_EXPORT int xdr_pts_binding_t(struct __rpc_xdr *xdrs, pts_binding_t *binding);
/* Client stubs: the RPC status (0 = RPC_SUCCESS); the reply is stored in *result. */
KQ_EXPORT int pts_add_1(pts_binding_t *binding, int *result, struct __rpc_client *client);
KQ_EXPORT int pts_delete_1(pts_object_name_t *object, int *result, struct __rpc_client *client);
KQ_EXPORT int pts_get_1(pts_object_name_t *object, pts_binding_t *result,
                        struct __rpc_client *client);
/* 0 on success, 1 on failure. Registering and removing go to this host. */
KQ_EXPORT int pts_add(const pts_binding_t *binding);
KQ_EXPORT int pts_delete(const char *name, int type);
/* A new binding (pts_destroy), or NULL when the host has none or cannot be asked. */
KQ_EXPORT pts_binding_t *pts_get(const char *host, const char *name, int type);
KQ_EXPORT void pts_destroy(pts_binding_t *binding);

KQ_END_DECLS

#endif
