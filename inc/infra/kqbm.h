/* Paged B-tree database files: a single file of 1024-byte pages holding a B+-tree
 * that maps byte-string keys to byte-string contents. The OID registry and the
 * dynamic-OID database keep their records in these files.
 *
 * A database named N lives in the file "N.dbm". Operations return their status code
 * directly (0 for success); there is no status list. A handle is used by one thread
 * at a time; callers serialise all use of it. */
#ifndef KQ_INFRA_KQBM_H
#define KQ_INFRA_KQBM_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* A key or a content: a byte pointer and a length. */
typedef struct {
  char *dptr;
  int32_t dsize;
} datum;

/* An open database. Opaque; freed by KQBM_close. */
typedef struct KQBM_database *KQBM_dbHandle_t;

/* One element of the list of names matched by an abbreviation: a NUL-terminated
 * copy of the matched key and the next element. Each element is one malloc'ed
 * block (the name lives inside it): free(element) releases both. */
typedef struct KQBM_nameSeq {
  struct KQBM_nameSeq *next;
  char *name;
} KQBM_nameSeq_t;

/* Limits of a stored item. */
#define KQBM_MAX_KEY 128  /* bytes of key */
#define KQBM_MAX_ITEM 256 /* bytes of key plus content */
#define KQBM_PAGE_SIZE 1024
#define KQBM_MAX_WHOLE_FILE_PAGES 124 /* largest file a whole-file open loads */
#define KQBM_SUFFIX ".dbm"

/* Modes of KQBM_store. */
#define KQBM_INSERT 0 /* any value other than KQBM_REPLACE */
#define KQBM_REPLACE 1

/* Case modes of KQBM_fetchName. */
#define KQBM_CASE_EXACT 1 /* any other value: case-insensitive */

/* Sizes returned (with a null pointer) by KQBM_fetchAbbrev. */
#define KQBM_ABBREV_NONE (-1)      /* no key matches */
#define KQBM_ABBREV_AMBIGUOUS (-2) /* more than one key matches */
#define KQBM_ABBREV_NO_MEMORY (-3) /* the list of matches could not be built */

/* Status codes. */
#define KQBM_ST_EXISTS 0xc00a0072u        /* insert-only store of a key that exists */
#define KQBM_ST_NO_ROOM 0xc00a0080u       /* no room in a page (no page number left) */
#define KQBM_ST_NO_MEMORY 0xc00a0081u     /* out of memory while copying a key */
#define KQBM_ST_ITEM_TOO_LONG 0xc00a0084u /* key length plus content length over 256 */
#define KQBM_ST_KEY_TOO_LONG 0xc00a0088u  /* key length over 128 (or no key bytes) */
#define KQBM_ST_BAD_NODE 0xc00a008bu      /* damaged page, or a page read/write failed */
#define KQBM_ST_NOT_FOUND 0xc00a0094u     /* delete of a key that is absent */
#define KQBM_ST_NO_PARENT 0xc00a009cu     /* a page to be split has no parent */
#define KQBM_ST_BAD_PARENT 0xc00a0069u    /* a parent lacks the expected child */
#define KQBM_ST_BAD_MODE 0xc00a0086u      /* store or delete on a handle opened read-only */
#define KQBM_ST_NO_HANDLE 0xc00a0087u     /* no handle given */
#define KQBM_ST_NOT_EMPTY 4u              /* the tree looked empty but the root is not */

/* Opens the database `name` (without ".dbm"). `flags` are those of open(2): with
 * O_CREAT the file is created or emptied and opened read-write; O_RDONLY opens for
 * reading, loading the whole file into memory when `wholeFile` is 1 (at most 124
 * pages); O_RDWR opens for reading and writing; O_WRONLY is refused. Returns the
 * handle, or a null pointer on failure. */
KQ_EXPORT KQBM_dbHandle_t KQBM_open(const char *name, int flags, int mode, int wholeFile);

/* Writes every changed page, closes the file and frees the handle (null allowed). */
KQ_EXPORT void KQBM_close(KQBM_dbHandle_t db);

/* The content stored under `key`, or {NULL, 0}. The content points into the handle's
 * page buffers: it stays valid until the next operation on the handle. */
KQ_EXPORT datum KQBM_fetch(KQBM_dbHandle_t db, datum key);

/* As KQBM_fetch, descending with text comparison: exact case when `caseMode` is 1,
 * case-insensitive otherwise. */
KQ_EXPORT datum KQBM_fetchName(KQBM_dbHandle_t db, datum key, int caseMode);

/* The content of the single key that `abbrev` abbreviates ("-"-separated components,
 * each a prefix of the key's matching component). No match gives {NULL, -1}, more
 * than one {NULL, -2}. With `list` given, every matching key is collected: on -2
 * the list is handed to the caller; on a single match it is handed over when
 * `keepList` is 1 and freed otherwise; {NULL, -3} means the list could not be
 * allocated. *list is set to NULL when nothing is handed over. */
KQ_EXPORT datum KQBM_fetchAbbrev(KQBM_dbHandle_t db, datum abbrev, KQBM_nameSeq_t **list,
                                 int keepList);

/* Stores `content` under `key`. Mode KQBM_REPLACE replaces an existing content; any
 * other mode refuses an existing key with KQBM_ST_EXISTS. */
KQ_EXPORT uint32_t KQBM_store(KQBM_dbHandle_t db, datum key, datum content, int mode);

/* Removes `key`; KQBM_ST_NOT_FOUND when it is absent. */
KQ_EXPORT uint32_t KQBM_delete(KQBM_dbHandle_t db, datum key);

KQ_END_DECLS

#endif
