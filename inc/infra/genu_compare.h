/* Comparing generic values. Every compare takes (status list, a, b, out result)
 * and returns 0 when the comparison could be made, 1 otherwise. The result is
 * negative, 0 or positive for ordered records; 0 (equal) or 1 (different) for
 * records compared for equality only. Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_COMPARE_H
#define KQ_INFRA_GENU_COMPARE_H

#include "genu_value.h"

KQ_BEGIN_DECLS

#define GENU_DECLARE_COMPARE(Fn, R)                                                               \
  KQ_EXPORT uint32_t Fn(STF_statusList_t *statusList, const GEN_##R##_t *a, const GEN_##R##_t *b, \
                        int32_t *result);

/* Records compared structurally: choice first, then the members in declaration
 * order; the first difference decides. */
#define GENU_STRUCT_COMPARES(X)                                \
  X(GENU__CompareEVHProfile, EventHandlingProfile)             \
  X(GEN_CompareNumbersUpSupported, NumbersUpSupported)         \
  X(GENU__CompareOidCardinalMap, OidCardinalMap)               \
  X(GENU__CompareCardinalOrNoid, CardinalOrNoid)               \
  X(GENU__CompareCardinalOrOid, CardinalOrOid)                 \
  X(GENU__CompareAttribute, Attribute)                         \
  X(GENU__CompareDeliveryAddress, DeliveryAddress)             \
  X(GEN_CompareDistNameStringSeq, DistNameStringSeq)           \
  X(GENU__CompareDocFormat, DocumentFormat)                    \
  X(GENU__CompareDOR, FileReference)                           \
  X(GENU__CompareNamedFinishing, Finishing)                    \
  X(GENU__CompareInputTrayMedium, InputTrayMedium)             \
  X(GENU__CompareLocale, Locale)                               \
  X(GEN_CompareNameOrOidSeq, NameOrOidSeq)                     \
  X(GENU__CompareNewJobIdentifier, NewJobIdentifier)           \
  X(GENU__CompareMediaSelect, MediaSelect)                     \
  X(GENU__ComparePageSelectSeq, PageSelectSeq)                 \
  X(GENU__ComparePosIntOrOid, PosIntOrOid)                     \
  X(GENU__CompareCheckpoint, Checkpoint)                       \
  X(GENU__ComparePrivileges, Privileges)                       \
  X(GENU__CompareResultsProfile, ResultsProfile)               \
  X(GENU__CompareRPCAddress, RPCAddress)                       \
  X(GENU__CompareSocketAddress, SocketAddress)                 \
  X(GENU__CompareFastFilterDef, FastFilterDef)                 \
  X(GEN_CompareMediaConsumed, MediaConsumed)                   \
  X(GEN_CompareMediaConsumedSeq, MediaConsumedSeq)             \
  X(GEN_ComparePreprocessorDefinition, PreprocessorDefinition) \
  X(GEN_CompareDriverInfo, DriverInfo)                         \
  X(GEN_CompareJobIdentifier, JobIdentifier)                   \
  X(GEN_CompareNameOrOID, NameOrOID)                           \
  X(GEN_CompareObjectIdent, ObjectIdent)                       \
  X(GEN_CompareFontReference, FontReference)                   \
  X(GEN_CompareDocumentIdentifier, DocumentIdentifier)
GENU_STRUCT_COMPARES(GENU_DECLARE_COMPARE)

/* Records with rules of their own. */
#define GENU_RULE_COMPARES(X)                        \
  X(GEN_CompareInteger, Integer)                     \
  X(GEN_CompareIdentifier, Identifier)               \
  X(GEN_CompareOctetString, OctetString)             \
  X(GEN_ICompareOctetString, OctetString)            \
  X(GEN_CompareOctet255, Octet255)                   \
  X(GEN_ICompareOctet255, Octet255)                  \
  X(GEN_CompareCString, CString)                     \
  X(GEN_CompareText, Text)                           \
  X(GEN_ICompareText, Text)                          \
  X(GEN_EqualText, Text)                             \
  X(GEN_BinCompareText, Text)                        \
  X(GEN_CompareSimpleName, SimpleName)               \
  X(GEN_ICompareSimpleName, SimpleName)              \
  X(GEN_EqualSimpleName, SimpleName)                 \
  X(GEN_BinCompareSimpleName, SimpleName)            \
  X(GEN_CompareGeneralizedTime, GeneralizedTime)     \
  X(GENU__CompareCardinalRange, IntegerRange)        \
  X(GENU__CompareIntegerRange, IntegerRange)         \
  X(GENU__CompareRealRange, RealRange)               \
  X(GENU__CompareNonNegativeRealRange, RealRange)    \
  X(GENU__CompareMediumDimensions, MediumDimensions) \
  X(GENU__CompareCardinal64, Cardinal64)             \
  X(GENU__CompareCardinal64Range, Cardinal64Range)   \
  X(GENU__CompareAttrHandle, AttrHandle)             \
  X(GEN_CompareDistNameString, DistNameString)       \
  X(GEN_BinCompareDistNameString, DistNameString)    \
  X(GEN_BinCompareObjectIdent, ObjectIdent)          \
  X(GEN_BinCompareFontReference, FontReference)      \
  X(GEN_BinCompareNameOrOID, NameOrOID)              \
  X(GENU__CompareACL, PSISAccessControlList)         \
  X(GENU__CompareExtACL, ExtACL)                     \
  X(GENU__CompareIgnoredAttribute, IgnoredAttribute)
GENU_RULE_COMPARES(GENU_DECLARE_COMPARE)

/* Unsigned 32-bit order. */
KQ_EXPORT uint32_t GEN_CompareUnsignedInteger(STF_statusList_t *statusList, const uint32_t *a,
                                              const uint32_t *b, int32_t *result);
/* Inline short octet strings: a signed 16-bit length followed by the bytes. */
KQ_EXPORT uint32_t GENU__CompareShortOctetString(STF_statusList_t *statusList, const void *a,
                                                 const void *b, int32_t *result);
/* Releases a value list read from an attribute (the array only). */
KQ_EXPORT void GENU__FreeAttrValList(AS_valueList_t *list);

/* Compare two values of value type id `id`. */
KQ_EXPORT uint32_t GEN_CompareAttrValue(STF_statusList_t *statusList, uint32_t id, const void *a,
                                        const void *b, int32_t *result);
/* The same with texts and names inside compared bytewise. */
KQ_EXPORT uint32_t GEN_BinCompareAttrValue(STF_statusList_t *statusList, uint32_t id, const void *a,
                                           const void *b, int32_t *result);

KQ_END_DECLS

#endif
