/* Printer configuration: printer entries read from the system printers file, the
 * user's ".printers" file and the NIS map "printers.conf.byname", with inheritance
 * between entries, writing back through a temporary file, BSD remote-printer
 * addresses derived from the entries, and the name-service switch reader.
 *
 * Functions answer NULL or -1 on failure and log the reason through the service log.
 * Lists are NULL-terminated pointer arrays allocated with malloc; objects and lists
 * handed out belong to the caller. */
#ifndef KQ_INFRA_PRT_H
#define KQ_INFRA_PRT_H

#include "kqexport.h"

KQ_BEGIN_DECLS

/* Well-known entry names. */
#define NS_NAME_DEFAULT "_default"
#define NS_NAME_ALL "_all"

/* Attribute keys whose values are not plain text. */
#define NS_KEY_BSDADDR "bsdaddr" /* value: ns_bsd_addr_t * */
#define NS_KEY_ALL "all"         /* value: char ** (printer names) */
#define NS_KEY_GROUP "group"     /* value: char ** (printer names) */
#define NS_KEY_LIST "list"       /* value: ns_printer_t ** */
#define NS_KEY_USE "use"         /* value: char * */

/* Service names of printer objects. */
#define NS_SVC_USER "user"
#define NS_SVC_ETC "etc"
#define NS_SVC_NIS "nis"
#define NS_SVC_POSIX "posix"

/* Name-service switch services (ns_parse_confentries, ns_get_svc_string). */
#define NS_SVC_NUM_USER 1
#define NS_SVC_NUM_PRINTCAP 2
#define NS_SVC_NUM_FILES 3
#define NS_SVC_NUM_NIS 4
#define NS_SVC_NUM_NISPLUS 5
#define NS_SVC_NUM_XFN 6
#define NS_SVC_NUM_COMPAT 7
#define NS_SVC_NUM_DNS 8

typedef struct ns_bsd_addr {
  char *server;
  char *printer;   /* NULL when the address names none */
  char *extension; /* NULL when absent */
  char *pname;     /* name of the entry the address was read from */
} ns_bsd_addr_t;

/* A key and its value; the value's form depends on the key (see NS_KEY_*). */
typedef struct ns_kvp {
  char *key;
  void *value;
} ns_kvp_t;

typedef struct ns_printer {
  char *name;
  char **aliases;                /* NULL-terminated, may be NULL */
  char *source;                  /* "user", "etc", "nis", "posix" or NULL */
  ns_kvp_t **attributes;         /* NULL-terminated, may be NULL */
  struct ns_printer **inherited; /* entries looked up for inherited values; freed with it */
} ns_printer_t;

/* Lists. */
KQ_EXPORT void **list_append(void **list, void *item);
KQ_EXPORT void **list_append_unique(void **list, void *item, int (*cmp)(void *, void *));
KQ_EXPORT void *list_locate(void **list, int (*cmp)(void *, void *), void *element);
KQ_EXPORT void **list_concatenate(void **list1, void **list2);
KQ_EXPORT int list_iterate(void **list, int (*fn)(void *, void *), void *arg);
/* Pointers into `string`, which is cut at every delimiter; empty pieces skipped. */
KQ_EXPORT char **strsplit(char *string, const char *separators);

/* Printer objects and their values. ns_kvp_create copies the key and takes the value;
 * ns_printer_create copies the name and source and takes the aliases and attributes. */
KQ_EXPORT ns_bsd_addr_t *bsd_addr_create(const char *server, const char *printer,
                                         const char *extension);
KQ_EXPORT ns_kvp_t *ns_kvp_create(const char *key, void *value);
KQ_EXPORT ns_printer_t *ns_printer_create(const char *name, char **aliases, const char *source,
                                          ns_kvp_t **attributes);
KQ_EXPORT void ns_printer_destroy(ns_printer_t *printer);
KQ_EXPORT int ns_bsd_addr_cmp(ns_bsd_addr_t *a, ns_bsd_addr_t *b);

/* Values: the returned value belongs to the printer. ns_set_value takes the value
 * (NULL removes the key); without a key every attribute is removed. */
KQ_EXPORT void *ns_get_value(const char *key, ns_printer_t *printer);
/* A new text the caller frees, or NULL. */
KQ_EXPORT char *ns_get_value_string(const char *key, ns_printer_t *printer);
KQ_EXPORT int ns_set_value(const char *key, void *value, ns_printer_t *printer);
KQ_EXPORT int ns_set_value_from_string(const char *key, const char *string, ns_printer_t *printer);
KQ_EXPORT int ns_printer_match_name(ns_printer_t *printer, const char *name);
/* A new text: the name and aliases joined with '|'. */
KQ_EXPORT char *ns_printer_name_list(const ns_printer_t *printer);

/* Lookups and writing. */
KQ_EXPORT ns_printer_t *ns_printer_get_name(const char *name, const char *service);
KQ_EXPORT ns_printer_t **ns_printer_get_list(const char *service);
KQ_EXPORT ns_printer_t *ns_printer_get_name_all(const char *name);
KQ_EXPORT int ns_printer_put(ns_printer_t *printer);
/* Frees a list of printers and every printer in it. */
KQ_EXPORT void ns_printer_list_destroy(ns_printer_t **list);

/* BSD addresses. Results are new and freed with ns_bsd_addr_destroy (lists with
 * ns_bsd_addr_list_destroy); the walks (_once) hand out addresses the caller frees. */
KQ_EXPORT void ns_bsd_addr_destroy(ns_bsd_addr_t *addr);
KQ_EXPORT void ns_bsd_addr_list_destroy(ns_bsd_addr_t **list);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_get_name(const char *name);
KQ_EXPORT ns_bsd_addr_t **ns_bsd_addr_get_list(void);
KQ_EXPORT ns_bsd_addr_t **ns_bsd_addr_get_all(void);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_get_default(void);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_user_get_list_once(void);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_etc_get_list_once(void);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_nis_get_list_once(void);
KQ_EXPORT ns_bsd_addr_t *ns_bsd_addr_get_all_once(void);

/* Name-service switch. The order array receives service numbers ended by 0. */
KQ_EXPORT int ns_get_svc_order(const char *database, int maxCount, int *order);
KQ_EXPORT int ns_parse_confentries(const char *text, int maxCount, int *order);
KQ_EXPORT const char *ns_get_svc_string(int service);

/* Reader/writer lock, one per cached configuration source, with writer preference:
 * new readers wait while a writer holds the lock or waits for it. Results: 0, -1 no
 * memory, -2 a system call failed. */
typedef struct rw_lock rw_lock_t;
KQ_EXPORT int rw_init(rw_lock_t **lockOut);
KQ_EXPORT int rw_term(rw_lock_t *lock);
KQ_EXPORT int rw_read_lock(rw_lock_t *lock);
KQ_EXPORT int rw_write_lock(rw_lock_t *lock);
KQ_EXPORT int rw_rwunlock(rw_lock_t *lock);

KQ_END_DECLS

#endif
