/* The vocabulary of a status entry: where its code comes from, the types of its
 * arguments and the status codes of the status-list facility. The message catalogues
 * format entries from this alone, so they do not depend on the lists themselves
 * (infra/stf.h), which use the catalogues for their message lines. */
#ifndef KQ_INFRA_STF_TYPES_H
#define KQ_INFRA_STF_TYPES_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* Status sources: how an entry's code is read. */
#define STF_SRC_STF 1   /* a status code: facility word above, message number below */
#define STF_SRC_MSG 2   /* a code of the message facility's own numbering */
#define STF_SRC_ERRNO 3 /* a raw errno value */

/* Argument types of STF_AddStatus. Bit 0x8000: the bytes pointed to are copied into
 * the list; bit 0x4000: an explicit length precedes the value. */
#define STF_ARG_CHAR 1        /* int (kept as one byte) */
#define STF_ARG_INT 3         /* int32_t */
#define STF_ARG_DOUBLE 4      /* double */
#define STF_ARG_STRING 0x8005 /* const char *, NUL-terminated, copied */
#define STF_ARG_BYTES 0xC005  /* int length, then const void *, copied */
#define STF_ARG_COPIED 0x8000
#define STF_ARG_LENGTH 0x4000

#define STF_MAX_ARGS 9

/* Status codes of the status-list facility. */
#define STF_ST_NO_STATUS 0xc0010003u     /* no status */
#define STF_ST_TRUNCATED 0xc0010004u     /* message did not fit the buffer */
#define STF_ST_SYSTEM_ERROR 0xc0010005u  /* a system call failed: errno (int), text (string) */
#define STF_ST_NO_MEMORY 0xc0010006u     /* not enough memory */
#define STF_ST_NO_ENTRY 0xc0010008u      /* no status entry with that index */
#define STF_ST_NOT_SUPPORTED 0xc0010009u /* STF_AddEnvStatusByArray is not supported */
#define STF_ST_BAD_FLAGS 0xc001000du     /* invalid flags given to STF_GetMessage */

/* One typed insert of a status entry (16 bytes). */
typedef struct STF_argument {
  int32_t type;
  int32_t length;
  union {
    char c;
    int32_t i;
    double d;
    const void *p;
  } value;
} STF_argument_t;

KQ_END_DECLS

#endif
