/* Status lists: numbered status codes with typed arguments, carried from where a
 * failure happens to the caller and read back as codes or as message lines. */
#ifndef KQ_INFRA_STF_H
#define KQ_INFRA_STF_H

#include <stdint.h>

#include "kqexport.h"
#include "stf_types.h"

KQ_BEGIN_DECLS

/* A status list: one block of fixed size, entries newest first. Opaque. */
typedef struct STF_statusList STF_statusList_t;

/* Entry flags. */
#define STF_ENTRY_STATIC 1    /* part of the static no-memory list */
#define STF_ENTRY_ARGS_LOST 2 /* arguments dropped for lack of space or too many */

/* Flags of STF_GetMessage and STF_PutMessages. */
#define STF_MSG_NO_APPLICATION 0x1
#define STF_MSG_NO_SOURCE 0x2
#define STF_MSG_NO_FACILITY 0x4
#define STF_MSG_NO_NEWLINE 0x100

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
                                   const char *localeName, STF_messageSink_t sink, void *userData);

KQ_END_DECLS

#endif
