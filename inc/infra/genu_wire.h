/* Wire conversion: generic value records to the records the BER coder encodes
 * ("wire structures") and back, and the packing of one generic value into the
 * encoded bytes of its wire type. Part of infra/genu.h.
 *
 * Conventions of every converter: ToBER_x(status, wire out, generic in) fills a wire
 * structure the caller owns and allocates only what hangs off it (with the coding
 * world's allocator); FreeBER_x(status, wire) releases exactly those parts, never the
 * structure; ToGEN_x(status, wire in, generic out) fills a generic record the caller
 * owns, its parts on the process heap. All return 0 on success and 1 on failure, with
 * the reason in the status list and nothing left allocated. The wire structures are
 * those of the library's compiled protocol module, declared here as opaque tags. */
#ifndef KQ_INFRA_GENU_WIRE_H
#define KQ_INFRA_GENU_WIRE_H

#include <stdint.h>

#include "as.h"
#include "genu_value.h"
#include "genu_world.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the wire conversion (facility 0xc00e). */
#define GENU_ST_EMPTY_ENCODING 0xc00e0071u  /* empty encoded value or type without wire form */
#define GENU_ST_DECODE_FAILED 0xc00e0072u   /* an encoded value could not be decoded */
#define GENU_ST_ENCODE_FAILED 0xc00e0073u   /* a value could not be encoded */
#define GENU_ST_OID_CONVERT 0xc00e00a5u     /* an identifier could not be converted */
#define GENU_ST_CODESET_CONVERT 0xc00e00a4u /* text from another code set did not convert */
#define GENU_ST_TOO_LONG 0xc00e00bdu        /* text or name too long */
#define GENU_ST_RELEASE_FAILED 0xc00e00c1u  /* a wire structure could not be released */

struct ber_oid;
struct ber_octets;
struct Text;
struct SimpleName;
struct NameOrOID;
struct CardinalRange;
struct Cardinal64Range;
struct CardinalOrOid;
struct PosIntOrOid;
struct CardinalOrNoid;
struct GeneralizedTimeValue;
struct MediumDimensions;
struct Locale;
struct DistNameString;
struct NewJobIdentifier;
struct InputTrayMedium;
struct OidCardinalMap;
struct NumbersUpSupported;
struct FontReference;
struct DocumentFormat;
struct DocumentIdentifier;
struct ObjectIdent;
struct SeqOfObjId_node;
struct NameOrOidSeq_node;
struct DistNameStringSeq_node;
struct SetOfText_node;
struct SetOfDocumentFormat_node;
struct Attribute;
struct Attribute_values_node;
struct AttributeList_node;
struct ModifyAttribute;
struct AttributeValueAssertion;
struct IgnoredAttribute;
struct ModifyAttributeList_node;

/* Release operations and the undo helpers of the failure paths. */
typedef int (*GENU_freeBER_t)(STF_statusList_t *status, void *wire);
typedef int (*GENU_freeGEN_t)(STF_statusList_t *status, const AS_allocateDescriptor_t *alloc,
                              void *record);
/* Pairs (release, object) up to a null release; null objects are skipped. Returns 1
 * when a release failed (all are still called). */
KQ_EXPORT int FreeBER_Multiple(STF_statusList_t *status, ...);
KQ_EXPORT int FreeGEN_Multiple(STF_statusList_t *status, const AS_allocateDescriptor_t *alloc, ...);
KQ_EXPORT int FreeBER_void(STF_statusList_t *status, void *block); /* the world's free */
KQ_EXPORT int FreeBER_noOp(STF_statusList_t *status, void *wire);
KQ_EXPORT int FreeGEN_void(STF_statusList_t *status, const AS_allocateDescriptor_t *alloc,
                           void *block);

/* The converters of the simple member types. Texts: choices 1, 2 strings and 3, 4
 * counted bytes below 4096 (names: 256); 5 text in another code set. */
#define GENU_DECLARE_CONVERTERS(N, W, G)                                         \
  KQ_EXPORT int ToBER_##N(STF_statusList_t *status, struct W *out, const G *in); \
  KQ_EXPORT int ToGEN_##N(STF_statusList_t *status, const struct W *in, G *out);
GENU_DECLARE_CONVERTERS(text, Text, GEN_Text_t)
GENU_DECLARE_CONVERTERS(message, Text, GEN_Text_t)
GENU_DECLARE_CONVERTERS(descriptor, Text, GEN_Text_t)
GENU_DECLARE_CONVERTERS(simpleName, SimpleName, GEN_SimpleName_t)
GENU_DECLARE_CONVERTERS(descriptiveName, SimpleName, GEN_SimpleName_t)
GENU_DECLARE_CONVERTERS(nameOrOid, NameOrOID, GEN_NameOrOID_t)
GENU_DECLARE_CONVERTERS(oid, ber_oid, uint32_t)
GENU_DECLARE_CONVERTERS(ObjectID, ber_oid, uint32_t)
GENU_DECLARE_CONVERTERS(octetString, ber_octets, GEN_OctetString_t)
GENU_DECLARE_CONVERTERS(cardinalRange, CardinalRange, GEN_IntegerRange_t)
GENU_DECLARE_CONVERTERS(cardinal64Range, Cardinal64Range, GEN_Cardinal64Range_t)
GENU_DECLARE_CONVERTERS(cardinalOrOid, CardinalOrOid, GEN_CardinalOrOid_t)
GENU_DECLARE_CONVERTERS(posIntOrOid, PosIntOrOid, GEN_PosIntOrOid_t)
GENU_DECLARE_CONVERTERS(cardinalOrNoid, CardinalOrNoid, GEN_CardinalOrNoid_t)
GENU_DECLARE_CONVERTERS(generalizedTime, GeneralizedTimeValue, GEN_GeneralizedTime_t)
GENU_DECLARE_CONVERTERS(mediumDimensions, MediumDimensions, GEN_MediumDimensions_t)
GENU_DECLARE_CONVERTERS(locale, Locale, GEN_Locale_t)
GENU_DECLARE_CONVERTERS(distNameString, DistNameString, GEN_DistNameString_t)
GENU_DECLARE_CONVERTERS(newJobIdentifier, NewJobIdentifier, GEN_NewJobIdentifier_t)
GENU_DECLARE_CONVERTERS(inputTrayMedium, InputTrayMedium, GEN_InputTrayMedium_t)
GENU_DECLARE_CONVERTERS(oidCardinalMap, OidCardinalMap, GEN_OidCardinalMap_t)
GENU_DECLARE_CONVERTERS(numbersUpSupported, NumbersUpSupported, GEN_NumbersUpSupported_t)
GENU_DECLARE_CONVERTERS(fontReference, FontReference, GEN_FontReference_t)
GENU_DECLARE_CONVERTERS(docFormat, DocumentFormat, GEN_DocumentFormat_t)
GENU_DECLARE_CONVERTERS(docIdentifier, DocumentIdentifier, GEN_DocumentIdentifier_t)
GENU_DECLARE_CONVERTERS(objectIdent, ObjectIdent, GEN_ObjectIdent_t)
/* Lists: the wire side is the head of a chain of nodes, released by FreeBER_. */
#define GENU_DECLARE_LIST_CONVERTERS(N, Node, G)                                     \
  KQ_EXPORT int ToBER_##N(STF_statusList_t *status, struct Node **out, const G *in); \
  KQ_EXPORT int ToGEN_##N(STF_statusList_t *status, struct Node *const *in, G *out); \
  KQ_EXPORT int FreeBER_##N(STF_statusList_t *status, struct Node **wire);
GENU_DECLARE_LIST_CONVERTERS(seqOfObjId, SeqOfObjId_node, GEN_SeqOfObjId_t)
GENU_DECLARE_LIST_CONVERTERS(setOfOIDs, SeqOfObjId_node, GEN_SetOfOids_t)
GENU_DECLARE_LIST_CONVERTERS(nameOrOidSeq, NameOrOidSeq_node, GEN_NameOrOidSeq_t)
GENU_DECLARE_LIST_CONVERTERS(distNameStringSeq, DistNameStringSeq_node, GEN_DistNameStringSeq_t)
GENU_DECLARE_LIST_CONVERTERS(setOfText, SetOfText_node, GEN_SetOfText_t)
GENU_DECLARE_LIST_CONVERTERS(setOfDocumentFormat, SetOfDocumentFormat_node,
                             GEN_SetOfDocumentFormat_t)
/* The job identifier travels as a NUL-terminated string of up to 255 characters. */
KQ_EXPORT int ToBER_jobId(STF_statusList_t *status, char (*out)[256],
                          const GEN_JobIdentifier_t *in);
KQ_EXPORT int ToGEN_jobId(STF_statusList_t *status, const char (*in)[256],
                          GEN_JobIdentifier_t *out);

/* The only simple wire structures owning a part: the bytes of an octet string, and of
 * an open value (one complete encoding carried as it is). */
KQ_EXPORT int FreeBER_octetString(STF_statusList_t *status, struct ber_octets *wire);
GENU_DECLARE_CONVERTERS(Any, ber_octets, GEN_OctetString_t)
KQ_EXPORT int FreeBER_Any(STF_statusList_t *status, struct ber_octets *wire);

/* Attribute sets. ToBER_AS fills *out with one Attribute per attribute of the set
 * (the null set handle gives an empty list); `mode` 1001 keeps ext access control
 * lists as they are, any other mode sends them as access control lists. ToGEN_AS
 * makes a new set (process allocator, no duplicates) holding the attributes of the
 * list, each value unpacked under the type the identifier registry gives. */
#define GENU_AS_MODE_KEEP_EXT_ACL 1001
KQ_EXPORT int ToBER_AS(STF_statusList_t *status, struct AttributeList_node **out,
                       const AS_setHandle_t *set, uint32_t mode);
KQ_EXPORT int ToBER_Attr(STF_statusList_t *status, struct Attribute *out, AS_attrHandle_t attr,
                         uint32_t mode);
KQ_EXPORT int FreeBER_AS(STF_statusList_t *status, struct AttributeList_node **list);
KQ_EXPORT int FreeBER_Attr(STF_statusList_t *status, struct Attribute *attribute);
KQ_EXPORT int FreeBER_attributeValues(STF_statusList_t *status,
                                      struct Attribute_values_node **values);
KQ_EXPORT int ToGEN_AS(STF_statusList_t *status, struct AttributeList_node *const *in,
                       AS_setHandle_t *setOut);
/* Modify lists: as above, each record also carrying the attribute's modify operator
 * (1 add values, 2 delete values, 3 set to default; any other operator is not sent).
 * ToGEN_ModOpAS makes a set allowing duplicates. */
KQ_EXPORT int ToBER_ModOpAS(STF_statusList_t *status, struct ModifyAttributeList_node **out,
                            const AS_setHandle_t *set, uint32_t mode);
KQ_EXPORT int ToBER_ModOpAttr(STF_statusList_t *status, struct ModifyAttribute *out,
                              AS_attrHandle_t attr, uint32_t mode);
KQ_EXPORT int FreeBER_ModOpAS(STF_statusList_t *status, struct ModifyAttributeList_node **list);
KQ_EXPORT int FreeBER_ModOpAttr(STF_statusList_t *status, struct ModifyAttribute *attribute);
KQ_EXPORT int ToGEN_ModOpAS(STF_statusList_t *status, struct ModifyAttributeList_node *const *in,
                            AS_setHandle_t *setOut);
/* As ToGEN_AS into a set handle it allocates (free it with free after destroying). */
KQ_EXPORT int MallocAStoGEN(STF_statusList_t *status, struct AttributeList_node *const *in,
                            AS_setHandle_t **setOut);
/* Single attributes: an attribute handle to its wire form with ext access control
 * lists kept (ToBER_AVA), and a wire attribute to an attribute alone in a new
 * private set (ToGEN_Attr, ToGEN_AVA; deleting the attribute's value destroys the
 * set). The one-value assertion carries the attribute's first value only. */
KQ_EXPORT int ToBER_AVA(STF_statusList_t *status, struct Attribute *out, AS_attrHandle_t attr);
KQ_EXPORT int ToGEN_Attr(STF_statusList_t *status, const struct ber_oid *type,
                         struct Attribute_values_node *const *values, AS_attrHandle_t *attrOut);
KQ_EXPORT int ToGEN_AVA(STF_statusList_t *status, const struct Attribute *in,
                        AS_attrHandle_t *attrOut);
KQ_EXPORT int ToBER_IfwAVA(STF_statusList_t *status, struct AttributeValueAssertion *out,
                           AS_attrHandle_t attr);
KQ_EXPORT int FreeBER_ifwAVA(STF_statusList_t *status, struct AttributeValueAssertion *wire);
KQ_EXPORT int ToGEN_IfwAVA(STF_statusList_t *status, const struct AttributeValueAssertion *in,
                           AS_attrHandle_t *attrOut);
GENU_DECLARE_CONVERTERS(ignoredAttribute, IgnoredAttribute, GEN_IgnoredAttribute_t)
KQ_EXPORT int FreeBER_ignoredAttribute(STF_statusList_t *status, struct IgnoredAttribute *wire);

/* The composite records: converter name, wire structure (for a list, the pointer to
 * its first node), generic record; the last two columns name the record's layout and
 * wire type inside the library. Each name N has ToBER_N, ToGEN_N and FreeBER_N. */
#define GENU_WIRE_COMPOSITES(X)                                                                    \
  X(docContent, struct DocumentContent, GEN_DocumentContent_t, DocumentContent, DocumentContent)   \
  X(external, struct External, GEN_External_t, External, External)                                 \
  X(dor, struct FileReference, GEN_Dor_t, Dor, FileReference)                                      \
  X(localReference, struct ber_octets, GEN_LocalReference_t, LocalReference, LocalReference)       \
  X(AEIdentifier, struct AEIdentifier, GEN_AEIdentifier_t, AEIdentifier, AEIdentifier)             \
  X(AETitle, struct AETitle, GEN_AETitle_t, AETitle, AETitle)                                      \
  X(IfwRDN, struct TitleComponent, GEN_IfwRDN_t, IfwRDN, TitleComponent)                           \
  X(IfwRDNSeq, struct TitleComponents_node *, GEN_IfwRDNSeq_t, IfwRDNSeq, TitleComponents)         \
  X(apContexts, struct APContexts_node *, GEN_APContexts_t, APContexts, APContexts)                \
  X(presentationAddress, struct PresentationAddress, GEN_PresentationAddress_t,                    \
    PresentationAddress, PresentationAddress)                                                      \
  X(locationalIdent, struct LocationalIdentifier, GEN_LocationalIdentifier_t,                      \
    LocationalIdentifier, LocationalIdentifier)                                                    \
  X(qualOfServ, struct QualityOfService_node *, GEN_QualityOfService_t, QualityOfService,          \
    QualityOfService)                                                                              \
  X(QoSLevel, struct QosLevel, GEN_QosLevel_t, QosLevel, QosLevel)                                 \
  X(token, struct ber_octets, GEN_Token_t, Token, Token)                                           \
  X(deliveryAddress, struct DeliveryAddress, GEN_DeliveryAddress_t, DeliveryAddress,               \
    DeliveryAddress)                                                                               \
  X(EVHProfile, struct EventHandlingProfile, GEN_EventHandlingProfile_t, EventHandlingProfile,     \
    EventHandlingProfile)                                                                          \
  X(resultsProfile, struct ResultsProfile, GEN_ResultsProfile_t, ResultsProfile, ResultsProfile)   \
  X(finishing, struct Finishing, GEN_Finishing_t, Finishing, Finishing)                            \
  X(printCheckpoint, struct PrintCheckpoint, GEN_Checkpoint_t, Checkpoint, PrintCheckpoint)        \
  X(setOfCheckPoint, struct SetOfCheckpoint_node *, GEN_SetOfCheckpoints_t, SetOfCheckpoints,      \
    SetOfCheckpoint)                                                                               \
  X(pageIdentifier, struct PageIdentifier, GEN_PageIdentifier_t, PageIdentifier, PageIdentifier)   \
  X(pageSelect, struct PageRange, GEN_PageSelect_t, PageSelect, PageRange)                         \
  X(pageSelectSeq, struct PageSelectSeq_node *, GEN_PageSelectSeq_t, PageSelectSeq, PageSelectSeq) \
  X(pageMediaSelect, struct PageMediaSelect, GEN_PageMediaSelect_t, PageMediaSelect,               \
    PageMediaSelect)                                                                               \
  X(seqOfPageMediaSelect, struct PageMediaSelectSeq_node *, GEN_SeqOfPageMediaSelect_t,            \
    SeqOfPageMediaSelect, PageMediaSelectSeq)                                                      \
  X(mediaSelect, struct MediaSelect, GEN_MediaSelect_t, MediaSelect, MediaSelect)                  \
  X(mediaConsumed, struct MediaConsumed, GEN_MediaConsumed_t, MediaConsumed, MediaConsumed)        \
  X(mediaConsumedSeq, struct MediaConsumedSeq_node *, GEN_MediaConsumedSeq_t, MediaConsumedSeq,    \
    MediaConsumedSeq)                                                                              \
  X(preprocessorDefinition, struct PreprocessorDefinition, GEN_PreprocessorDefinition_t,           \
    PreprocessorDefinition, PreprocessorDefinition)                                                \
  X(driverInfo, struct DriverInfo, GEN_DriverInfo_t, DriverInfo, DriverInfo)                       \
  X(fastFilterDef, struct FastFilterDef, GEN_FastFilterDef_t, FastFilterDef, FastFilterDef)        \
  X(errorMessage, struct ErrorMessage, GEN_ErrorMsg_t, ErrorMsg, ErrorMessage)                     \
  X(ShortOctetString, struct ShortOctetString, GEN_Octet255_t, Octet255, ShortOctetString)         \
  X(setOfOctetStrings, struct SetOfOctetStrings_node *, GEN_SetOfOctetStrings_t,                   \
    SetOfOctetStrings, SetOfOctetStrings)                                                          \
  X(seqOfAny, struct SeqOfAny_node *, GEN_SeqOfOctetString_t, SeqOfOctetString, SeqOfAny)          \
  X(seqOfFilterString, struct SeqOfAny_node *, GEN_SeqOfOctetString_t, SeqOfOctetString, SeqOfAny) \
  X(ACL, struct PSISAccessControlList, GEN_PSISAccessControlList_t, PSISAccessControlList,         \
    PSISAccessControlList)                                                                         \
  X(ExtACL, struct ExtACL, GEN_ExtACL_t, ExtACL, ExtACL)                                           \
  X(privileges, struct Privileges, GEN_Privileges_t, Privileges, Privileges)                       \
  X(rpcAddress, struct RPCAddress, GEN_RPCAddress_t, RPCAddress, RPCAddress)                       \
  X(socketAddress, struct SocketAddress, GEN_SocketAddress_t, SocketAddress, SocketAddress)        \
  X(filter, struct Filter, GEN_Filter_t, Filter, Filter)                                           \
  X(filterItem, struct FilterItem, GEN_FilterItem_t, FilterItem, FilterItem)                       \
  X(setOfFilter, struct SetOfFilter_node *, GEN_SetOfFilter_t, SetOfFilter, SetOfFilter)           \
  X(setOfFilters, struct SetOfFilter_node *, GEN_SetOfFilter_t, SetOfFilter, SetOfFilter)          \
  X(substrings, struct Substrings, GEN_SubStrings_t, SubStrings, Substrings)                       \
  X(selector, struct Selector, GEN_Selector_t, Selector, Selector)                                 \
  X(setOfIgnoredAttribute, struct SetOfIgnoredAttribute_node *, GEN_SetOfIgnoredAttribute_t,       \
    SetOfIgnoredAttribute, SetOfIgnoredAttribute)
#define GENU_DECLARE_COMPOSITE(N, W, G, L, T)                             \
  KQ_EXPORT int ToBER_##N(STF_statusList_t *status, W *out, const G *in); \
  KQ_EXPORT int ToGEN_##N(STF_statusList_t *status, W const *in, G *out); \
  KQ_EXPORT int FreeBER_##N(STF_statusList_t *status, W *wire);
struct DocumentContent;
struct External;
struct FileReference;
struct AEIdentifier;
struct AETitle;
struct TitleComponent;
struct TitleComponents_node;
struct APContexts_node;
struct PresentationAddress;
struct LocationalIdentifier;
struct QualityOfService_node;
struct QosLevel;
struct DeliveryAddress;
struct EventHandlingProfile;
struct ResultsProfile;
struct Finishing;
struct PrintCheckpoint;
struct SetOfCheckpoint_node;
struct PageIdentifier;
struct PageRange;
struct PageSelectSeq_node;
struct PageMediaSelect;
struct PageMediaSelectSeq_node;
struct MediaSelect;
struct MediaConsumed;
struct MediaConsumedSeq_node;
struct PreprocessorDefinition;
struct DriverInfo;
struct FastFilterDef;
struct ErrorMessage;
struct ShortOctetString;
struct SetOfOctetStrings_node;
struct SeqOfAny_node;
struct PSISAccessControlList;
struct ExtACL;
struct Privileges;
struct RPCAddress;
struct SocketAddress;
struct Filter;
struct FilterItem;
struct SetOfFilter_node;
struct Substrings;
struct Selector;
struct SetOfIgnoredAttribute_node;
GENU_WIRE_COMPOSITES(GENU_DECLARE_COMPOSITE)
/* A filter held through an owned pointer (null: no filter) to a wire filter the
 * conversion allocates (null for none), and back. */
KQ_EXPORT int ToBER_filterShim(STF_statusList_t *status, struct Filter **out,
                               GEN_Filter_t *const *in);
KQ_EXPORT int ToGEN_filterShim(STF_statusList_t *status, struct Filter *const *in,
                               GEN_Filter_t **out);
KQ_EXPORT int FreeBER_filterShim(STF_statusList_t *status, struct Filter **wire);

/* One value: JQP_PackAV into `out`, and JQP_UnpackAV without the descriptor. */
KQ_EXPORT int ToBER_AttrVal(STF_statusList_t *status, OssBuf *out, const void *value,
                            uint32_t type);
KQ_EXPORT int ToGEN_AttrVal(STF_statusList_t *status, const OssBuf *in, void **out, uint32_t type);

/* One generic value of value type `id` to the encoded bytes of its wire type (owned
 * by the caller, free with free), and back: *recordOut receives a new record on the
 * process heap and *descriptorOut a copy of the id's descriptor. */
KQ_EXPORT int JQP_PackAV(STF_statusList_t *status, uint32_t id, const void *value,
                         OssBuf *encodedOut);
KQ_EXPORT int JQP_UnpackAV(STF_statusList_t *status, const OssBuf *encoded, uint32_t id,
                           void **recordOut, AS_valueDescriptor_t *descriptorOut);

KQ_END_DECLS

#endif
