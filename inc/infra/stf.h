/* Status lists: numbered status codes with typed arguments, carried from where a
 * failure happens to the caller and read back as codes or as message lines. */
#ifndef KQ_INFRA_STF_H
#define KQ_INFRA_STF_H

#include <stdint.h>

#include "infra/kqexport.h"

KQ_BEGIN_DECLS

/* A status list: one block of fixed size, entries newest first. Opaque. */
typedef struct STF_statusList STF_statusList_t;

/* Status sources: how an entry's code is read. */
#define STF_SRC_STF 1   /* a status code: facility word above, message number below */
#define STF_SRC_MSG 2   /* a code of the message facility's own numbering */
#define STF_SRC_ERRNO 3 /* a raw errno value */

/* Argument types of STF_AddStatus. Bit 0x8000: the bytes pointed to are copied into
 * the list; bit 0x4000: an explicit length precedes the value. */
#define STF_ARG_CHAR 1         /* int (kept as one byte) */
#define STF_ARG_INT 3          /* int32_t */
#define STF_ARG_DOUBLE 4       /* double */
#define STF_ARG_STRING 0x8005  /* const char *, NUL-terminated, copied */
#define STF_ARG_BYTES 0xC005   /* int length, then const void *, copied */
#define STF_ARG_COPIED 0x8000
#define STF_ARG_LENGTH 0x4000

#define STF_MAX_ARGS 9

/* Entry flags. */
#define STF_ENTRY_STATIC 1     /* part of the static no-memory list */
#define STF_ENTRY_ARGS_LOST 2  /* arguments dropped for lack of space or too many */

/* Flags of STF_GetMessage and STF_PutMessages. */
#define STF_MSG_NO_APPLICATION 0x1
#define STF_MSG_NO_SOURCE 0x2
#define STF_MSG_NO_FACILITY 0x4
#define STF_MSG_NO_NEWLINE 0x100

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

/* What STF_GetObjectInfo reports about one entry. */
typedef struct STF_objectInfo {
  uint32_t source;
  uint32_t code;
  uint32_t flags;
  int32_t argCount; /* -1 when the arguments were lost */
  const STF_argument_t *args;
} STF_objectInfo_t;

/* Receives one message line from STF_PutMessages; returns 0 to go on. `length`
 * counts the terminating NUL; `index` is negated for the last entry. */
typedef uint32_t (*STF_messageSink_t)(const char *text, uint32_t length, int32_t index,
                                      void *userData);

/* Allocation-failure injection: an allocation whose tag matches fails (0xffff in
 * either half matches any value of that half). 0 disables it. */
KQ_EXPORT extern uint32_t STF__memoryUserBlocked;
#define STF_TAG_LIST 0x20003u
#define STF_TAG_MESSAGE_BUFFER 0x20002u

KQ_EXPORT STF_statusList_t *STF_CreateList(STF_statusList_t *parent);
KQ_EXPORT STF_statusList_t *STF_CreateListExplicit(STF_statusList_t *parent, int32_t maxEntries,
                                                   int32_t sizeBytes);
KQ_EXPORT void STF_DeleteList(STF_statusList_t *list);

/* Variable arguments: argCount groups of (type, [length,] value). */
KQ_EXPORT void STF_AddStatus(STF_statusList_t *list, uint32_t code, int32_t argCount, ...);
/* As STF_AddStatus, followed by a chain of (source, code, argCount, groups...)
 * causes ended by a source of 0. */
KQ_EXPORT void STF_AddEnvStatus(STF_statusList_t *list, uint32_t code, int32_t argCount, ...);
KQ_EXPORT void STF_AddEnvStatusByArray(STF_statusList_t *list, ...);
KQ_EXPORT void STF_ConvertErrno(STF_statusList_t *list, int32_t errnoValue, const char *text);

KQ_EXPORT uint32_t STF_GetStatus(const STF_statusList_t *list);
KQ_EXPORT void STF_ClearStatus(STF_statusList_t *list);
KQ_EXPORT uint32_t STF_GetObjectInfo(const STF_statusList_t *list, int32_t index,
                                     STF_objectInfo_t *info);
KQ_EXPORT uint32_t STF_GetMessage(const STF_statusList_t *list, int32_t index, uint32_t flags,
                                  const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                                  char *buffer);
KQ_EXPORT uint32_t STF_PutMessages(const STF_statusList_t *list, uint32_t flags,
                                   const char *localeName, STF_messageSink_t sink,
                                   void *userData);

KQ_END_DECLS

#endif
