/* Text renderings of generic values and attribute sets for tracing. The echo
 * operations append to the calling thread's open service-log message and do
 * nothing (returning 0) when none is open; the to-text operations write into a
 * buffer the caller gives, of at least GENU_RENDER_TEXT_MAX bytes, and return it.
 * Rendering never changes a value. Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_RENDER_H
#define KQ_INFRA_GENU_RENDER_H

#include <stdint.h>

#include "as.h"
#include "ber.h"
#include "genu_value.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* The size of the buffers the to-text operations fill (longer texts are cut). */
#define GENU_RENDER_TEXT_MAX 1024

/* Which limit ended a listing: time (0), count (1) or error (2). */
typedef int32_t GEN_limitEncountered_t;
#define GEN_TIME_LIMIT 0
#define GEN_COUNT_LIMIT 1
#define GEN_ERROR_LIMIT 2

/* Sets and single values. */
KQ_EXPORT uint32_t GEN_EchoAS(STF_statusList_t *statusList, AS_setHandle_t set);
KQ_EXPORT uint32_t GENU_EchoAttrValue(STF_statusList_t *statusList, const char *prefix,
                                      const void *value, uint32_t id);
/* The display name of a value type id; "unknown value type" beyond the table. */
KQ_EXPORT const char *GENU__TypeToAscii(STF_statusList_t *statusList, uint32_t id);
/* The name of an attribute's modify operator; "GetFailed" when it cannot be read. */
KQ_EXPORT const char *GENU__ModifyOpAscii(STF_statusList_t *statusList, AS_attrHandle_t attr);

/* Strings and octets. */
KQ_EXPORT uint32_t GEN_EchoText(STF_statusList_t *statusList, const GEN_Text_t *text);
KQ_EXPORT uint32_t GEN_EchoMessage(STF_statusList_t *statusList, const GEN_Text_t *message);
KQ_EXPORT uint32_t GEN_EchoSimpleName(STF_statusList_t *statusList, const GEN_SimpleName_t *name);
KQ_EXPORT uint32_t GEN_EchoPrintableString(STF_statusList_t *statusList, int32_t length,
                                           const unsigned char *bytes);
KQ_EXPORT uint32_t GEN_EchoOctetString(STF_statusList_t *statusList,
                                       const GEN_OctetString_t *value);
KQ_EXPORT uint32_t GEN_EchoOctetStringInt(STF_statusList_t *statusList, int32_t length,
                                          const unsigned char *bytes);
KQ_EXPORT uint32_t GENU__EchoOctetString(STF_statusList_t *statusList, int32_t length,
                                         const unsigned char *bytes, const char *label);
KQ_EXPORT uint32_t GEN_EchoBer(STF_statusList_t *statusList, const OssBuf *encoded);
KQ_EXPORT uint32_t GEN_EchoShortOID(STF_statusList_t *statusList, uint32_t oid);
KQ_EXPORT uint32_t GEN_EchoNameOrOID(STF_statusList_t *statusList, const GEN_NameOrOID_t *value);
KQ_EXPORT uint32_t GEN_EchoDistNameString(STF_statusList_t *statusList,
                                          const GEN_DistNameString_t *value);

/* Records. */
KQ_EXPORT uint32_t GEN_EchoObjectIdent(STF_statusList_t *statusList,
                                       const GEN_ObjectIdent_t *value);
KQ_EXPORT uint32_t GEN_EchoDocFormat(STF_statusList_t *statusList,
                                     const GEN_DocumentFormat_t *value);
KQ_EXPORT uint32_t GEN_EchoGeneralizedTime(STF_statusList_t *statusList,
                                           const GEN_GeneralizedTime_t *value);
KQ_EXPORT uint32_t GEN_EchoCheckpoint(STF_statusList_t *statusList, const GEN_Checkpoint_t *value);
KQ_EXPORT uint32_t GEN_EchoExternal(STF_statusList_t *statusList, const GEN_External_t *value);
KQ_EXPORT uint32_t GEN_EchoErrorMessage(STF_statusList_t *statusList, const GEN_ErrorMsg_t *value);
KQ_EXPORT uint32_t GEN_EchoLimitEncountered(STF_statusList_t *statusList,
                                            GEN_limitEncountered_t value);

/* The forms used by pack and unpack traces. */
#define GENU_DECLARE_TRACE_ECHO(Name, T) \
  KQ_EXPORT uint32_t GENU__Echo##Name(STF_statusList_t *statusList, const T *value);
// clang-format off
#define GENU_TRACE_ECHOES(X) \
  X(Cardinal64, GEN_Cardinal64_t) X(CardinalRange, GEN_IntegerRange_t) \
  X(IgnoredAttribute, GEN_IgnoredAttribute_t) X(ResultsProfile, GEN_ResultsProfile_t) \
  X(RPCAddress, GEN_RPCAddress_t) X(SocketAddress, GEN_SocketAddress_t) \
  X(DOR, GEN_FileReference_t) X(CardinalOrNoid, GEN_CardinalOrNoid_t) \
  X(DeliveryAddress, GEN_DeliveryAddress_t) X(Privileges, GEN_Privileges_t) \
  X(EventHandlingProfile, GEN_EventHandlingProfile_t) X(Locale, GEN_Locale_t) \
  X(PosIntOrOid, GEN_PosIntOrOid_t) X(CardinalOrOid, GEN_CardinalOrOid_t) \
  X(PageIdentifier, GEN_PageIdentifier_t) X(PageSelect, GEN_PageSelect_t) \
  X(PageSelectSeq, GEN_PageSelectSeq_t) X(PageMediaSelect, GEN_PageMediaSelect_t) \
  X(MediaSelect, GEN_MediaSelect_t) X(InputTrayMedium, GEN_InputTrayMedium_t) \
  X(FastFilterDef, GEN_FastFilterDef_t) X(NewJobIdentifier, GEN_NewJobIdentifier_t) \
  X(OidCardinalMap, GEN_OidCardinalMap_t) X(ACL, GEN_PSISAccessControlList_t) \
  X(eACL, GEN_ExtACL_t) X(MediaConsumed, GEN_MediaConsumed_t) \
  X(PreprocessorDefinition, GEN_PreprocessorDefinition_t) X(DriverInfo, GEN_DriverInfo_t)
// clang-format on
GENU_TRACE_ECHOES(GENU_DECLARE_TRACE_ECHO)

/* To-text operations: fill `buffer` (GENU_RENDER_TEXT_MAX bytes) and return it. */
KQ_EXPORT char *GENU__GeneralizedTimeToAscii(STF_statusList_t *statusList,
                                             const GEN_GeneralizedTime_t *value, char *buffer);
KQ_EXPORT char *GENU__FontReferenceToAscii(STF_statusList_t *statusList,
                                           const GEN_FontReference_t *value, char *buffer);
KQ_EXPORT char *GENU__NumbersUpToAscii(STF_statusList_t *statusList,
                                       const GEN_NumbersUpSupported_t *value, char *buffer);
KQ_EXPORT char *GENU__CardOrNoidToAscii(STF_statusList_t *statusList,
                                        const GEN_CardinalOrNoid_t *value, char *buffer);
KQ_EXPORT char *GENU__NameOrOidToAscii(STF_statusList_t *statusList, const GEN_NameOrOID_t *value,
                                       char *buffer);
KQ_EXPORT char *GENU__PageIdTypeToAscii(STF_statusList_t *statusList, const GEN_PageIdType_t *value,
                                        char *buffer);
KQ_EXPORT char *GENU__PageIdentToAscii(STF_statusList_t *statusList,
                                       const GEN_PageIdentifier_t *value, char *buffer);
KQ_EXPORT char *GENU__DelAddrToAscii(STF_statusList_t *statusList,
                                     const GEN_DeliveryAddress_t *value, char *buffer);
KQ_EXPORT char *GENU__DistNameStringToAscii(STF_statusList_t *statusList,
                                            const GEN_DistNameString_t *value, char *buffer);
KQ_EXPORT char *GENU__EdgeToAscii(STF_statusList_t *statusList, const GEN_Edge_t *value,
                                  char *buffer);
/* The event handling profile as lines joined by newlines. */
KQ_EXPORT char *GENU_EHPToAscii(STF_statusList_t *statusList,
                                const GEN_EventHandlingProfile_t *value, char *buffer);
/* `leader`, then the names of `list` with `separator` between them; an empty list
 * leaves the leader only when it begins with "." (else an empty text). Returns the
 * end of the text. */
KQ_EXPORT char *GENU__SimpleACLtoAscii(STF_statusList_t *statusList, const char *leader,
                                       const char *separator, const GEN_SeqOfSimpleName_t *list,
                                       char *buffer);
/* A fresh string the caller frees, null on failure. */
KQ_EXPORT char *GENU__SimpleNameToAscii(STF_statusList_t *statusList,
                                        const GEN_SimpleName_t *value);
KQ_EXPORT char *GENU__TextToAscii(STF_statusList_t *statusList, const GEN_Text_t *value);

KQ_END_DECLS

#endif
