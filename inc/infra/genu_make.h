/* Value makers, extractors and converters: building common records from C
 * strings and numbers, reading them back, converting between text forms, mail
 * address forms and access-control-list forms, and time and 64-bit arithmetic.
 * Every operation takes a status list first and an allocate descriptor last
 * (null: malloc/free) and returns 0 on success, 1 on failure; on failure
 * nothing it allocated stays allocated. Part of infra/genu.h.
 *
 * Ownership: a value handed to a set (AS_AddAttrVal and the other non-M forms) is
 * freed later with the set's allocator, so make it with the set's descriptor
 * (AS_GetAllocator); a value made with a null descriptor goes only into a set created
 * with a null one, or is added as a copy (the M forms) and freed by the caller. */
#ifndef KQ_INFRA_GENU_MAKE_H
#define KQ_INFRA_GENU_MAKE_H

#include "genu_value.h"

KQ_BEGIN_DECLS

/* Texts and names. "Embedded" forms fill a record the caller owns; the others
 * allocate the record. */
KQ_EXPORT uint32_t GENU_MakeEmbeddedString(STF_statusList_t *statusList, GEN_OctetString_t *out,
                                           const char *string,
                                           const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeEmbeddedText(STF_statusList_t *statusList, GEN_Text_t *out,
                                         const char *string, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeText(STF_statusList_t *statusList, GEN_Text_t **out, const char *string,
                                 const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeEmbeddedSimpleName(STF_statusList_t *statusList, GEN_SimpleName_t *out,
                                               const char *string,
                                               const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeSimpleName(STF_statusList_t *statusList, GEN_SimpleName_t **out,
                                       const char *string, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeEmbeddedErrorMsg(STF_statusList_t *statusList, GEN_ErrorMsg_t *out,
                                             const char *string,
                                             const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeErrorMsg(STF_statusList_t *statusList, GEN_ErrorMsg_t **out,
                                     const char *string, const AS_allocateDescriptor_t *alloc);

/* Extractors: a fresh NUL-terminated string. */
KQ_EXPORT uint32_t GENU_ExtractText(STF_statusList_t *statusList, char **out,
                                    const GEN_Text_t *text, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_ExtractSimpleName(STF_statusList_t *statusList, char **out,
                                          const GEN_SimpleName_t *name,
                                          const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_ExtractOctetString(STF_statusList_t *statusList, char **out,
                                           const GEN_OctetString_t *value,
                                           const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_ExtractOctet255(STF_statusList_t *statusList, char **out,
                                        const GEN_Octet255_t *value,
                                        const AS_allocateDescriptor_t *alloc);
/* The domain kind (0 without a name-or-OID, the OID, or the kind named) and the text. */
KQ_EXPORT uint32_t GENU_ExtractDistNameString(STF_statusList_t *statusList, char **textOut,
                                              uint32_t *kindOut, const GEN_DistNameString_t *value,
                                              const AS_allocateDescriptor_t *alloc);

/* Text forms: choice 1 (ISO 646 IRV) to choice 3 (ISO Latin-1). */
KQ_EXPORT uint32_t GEN_Text2IsoLatin1(STF_statusList_t *statusList, GEN_Text_t **out,
                                      const GEN_Text_t *text, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_SimpleName2IsoLatin1(STF_statusList_t *statusList, GEN_SimpleName_t **out,
                                            const GEN_SimpleName_t *name,
                                            const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_Iso646irv2IsoLatin1Text(STF_statusList_t *statusList, GEN_Text_t **out,
                                                const GEN_Text_t *text,
                                                const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_Iso646irv2IsoLatin1SimpleName(STF_statusList_t *statusList,
                                                      GEN_SimpleName_t **out,
                                                      const GEN_SimpleName_t *name,
                                                      const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_Text2Unicode(STF_statusList_t *statusList, GEN_Text_t **out,
                                    const GEN_Text_t *text, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_SimpleName2Unicode(STF_statusList_t *statusList, GEN_SimpleName_t **out,
                                          const GEN_SimpleName_t *name,
                                          const AS_allocateDescriptor_t *alloc);

/* Object identifications, distinguished name strings, RPC addresses. */
KQ_EXPORT uint32_t GENU_MakeObjectIdent_JobId(STF_statusList_t *statusList, GEN_ObjectIdent_t **out,
                                              const GEN_JobIdentifier_t *value,
                                              const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_DocId(STF_statusList_t *statusList, GEN_ObjectIdent_t **out,
                                              const GEN_DocumentIdentifier_t *value,
                                              const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_Oid(STF_statusList_t *statusList, GEN_ObjectIdent_t **out,
                                            uint32_t oid, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_DistName(STF_statusList_t *statusList,
                                                 GEN_ObjectIdent_t **out,
                                                 const GEN_DistNameString_t *value,
                                                 const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_FontRef(STF_statusList_t *statusList,
                                                GEN_ObjectIdent_t **out,
                                                const GEN_FontReference_t *value,
                                                const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_NameOrOID(STF_statusList_t *statusList,
                                                  GEN_ObjectIdent_t **out,
                                                  const GEN_NameOrOID_t *value,
                                                  const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeObjectIdent_SimpleName(STF_statusList_t *statusList,
                                                   GEN_ObjectIdent_t **out,
                                                   const GEN_SimpleName_t *value,
                                                   const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeDistNameString(STF_statusList_t *statusList, GEN_DistNameString_t **out,
                                           const GEN_Text_t *text,
                                           const GEN_NameOrOID_t *nameOrOid /* or null */,
                                           const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeDistNameString2(STF_statusList_t *statusList,
                                            GEN_DistNameString_t **out, const char *string,
                                            uint32_t oid, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeEmbeddedDistNameString2(STF_statusList_t *statusList,
                                                    GEN_DistNameString_t *out, const char *string,
                                                    uint32_t oid,
                                                    const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeNameRPCAddress(STF_statusList_t *statusList, GEN_RPCAddress_t **out,
                                           const char *name, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeONCRPCAddress(STF_statusList_t *statusList, GEN_RPCAddress_t **out,
                                          const char *host, uint32_t program, uint32_t version,
                                          uint32_t procedure, const char *authName,
                                          const AS_allocateDescriptor_t *alloc);

/* Access control lists. */
KQ_EXPORT uint32_t GENU_MakeACL(STF_statusList_t *statusList, GEN_ExtACL_t **out, const char *name,
                                const char *domainValue, uint32_t domainKind,
                                const GEN_ACLNameType_t *nameType /* or null */,
                                const GEN_ACLPrivilegeLevel_t *privilegeLevel /* or null */,
                                const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_MakeONCACL(STF_statusList_t *statusList, GEN_PSISAccessControlList_t **out,
                                   const char *name,
                                   const GEN_ACLNameType_t *nameType /* or null */,
                                   const GEN_ACLPrivilegeLevel_t *privilegeLevel /* or null */,
                                   const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU_eACLFromText(STF_statusList_t *statusList, GEN_ExtACL_t **out,
                                     const char *text);
KQ_EXPORT uint32_t GENU_ACLToText(STF_statusList_t *statusList, char **out,
                                  const GEN_ExtACL_t *acl);
KQ_EXPORT uint32_t GENU_ACLToPSIS(STF_statusList_t *statusList, GEN_PSISAccessControlList_t **out,
                                  const GEN_ExtACL_t *acl);
KQ_EXPORT uint32_t GENU_ACLFromPSIS(STF_statusList_t *statusList, GEN_ExtACL_t **out,
                                    const GEN_PSISAccessControlList_t *list);

/* Mail addresses held in the domain-defined attributes of an O/R address. */
KQ_EXPORT uint32_t GEN_X400ToInternetMailAddress(STF_statusList_t *statusList, char **out,
                                                 const GEN_StandardAttrs_t *address,
                                                 const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_InternetMailToX400Address(STF_statusList_t *statusList,
                                                 GEN_StandardAttrs_t *out, const char *string,
                                                 const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_X400ToMSMailAddress(STF_statusList_t *statusList, char **out,
                                           const GEN_StandardAttrs_t *address,
                                           const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_MsMailToX400Address(STF_statusList_t *statusList, GEN_StandardAttrs_t *out,
                                           const char *string,
                                           const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_X400ToStringAddress(STF_statusList_t *statusList, char **out,
                                           const GEN_StandardAttrs_t *address,
                                           const AS_allocateDescriptor_t *alloc);
#define GEN_ADDRESS_INTERNET 1
#define GEN_ADDRESS_MSMAIL 2
KQ_EXPORT uint32_t GEN_StringToX400Address(STF_statusList_t *statusList, GEN_StandardAttrs_t *out,
                                           const char *string, int32_t kind,
                                           const AS_allocateDescriptor_t *alloc);

/* Times. */
KQ_EXPORT void GENU_TimeZoneInit(void);
KQ_EXPORT void GENU_MakeCurrentTime(GEN_GeneralizedTime_t *record, int32_t utc);
KQ_EXPORT uint32_t GENU_GetCurrentTime(STF_statusList_t *statusList, GEN_GeneralizedTime_t **out,
                                       int32_t utc);
#define GENU_DELTA_ADD 0
#define GENU_DELTA_SUBTRACT 1
KQ_EXPORT uint32_t GENU_GeneralizedTimeDeltaArithmetic(STF_statusList_t *statusList,
                                                       const GEN_GeneralizedTime_t *time,
                                                       int32_t deltaSeconds, int32_t operation,
                                                       GEN_GeneralizedTime_t *out);
KQ_EXPORT uint32_t GENU_AddDeltaTimeToGeneralizedTime(STF_statusList_t *statusList,
                                                      const GEN_GeneralizedTime_t *time,
                                                      int32_t deltaSeconds,
                                                      GEN_GeneralizedTime_t *out);
KQ_EXPORT uint32_t GENU_SubtractDeltaTimeFromGeneralizedTime(STF_statusList_t *statusList,
                                                             const GEN_GeneralizedTime_t *time,
                                                             int32_t deltaSeconds,
                                                             GEN_GeneralizedTime_t *out);

/* 64-bit cardinals, added modulo 2^64. */
KQ_EXPORT void GENU_AddCardinal64(GEN_Cardinal64_t *out, const GEN_Cardinal64_t *a,
                                  const GEN_Cardinal64_t *b);
KQ_EXPORT void GENU_AddCardinal64Int(GEN_Cardinal64_t *out, const GEN_Cardinal64_t *a, int32_t b);

/* Printer records built from copies of their members. */
KQ_EXPORT uint32_t GENU_MakeMediaConsumed(STF_statusList_t *statusList, GEN_MediaConsumed_t **out,
                                          const GEN_NameOrOID_t *printType,
                                          const GEN_ObjectIdent_t *media,
                                          int32_t printedImpressions, int32_t consumedSheets,
                                          const AS_allocateDescriptor_t *alloc);

KQ_EXPORT uint32_t GENU_MakePreprocessorDefinition(
    STF_statusList_t *statusList, GEN_PreprocessorDefinition_t **out, const char *name,
    GEN_PreprocessorType_t preprocessorType, GEN_ExecutableType_t executableType,
    const char *pathName, const GEN_Filter_t *attributePattern /* or null */,
    const GEN_SetOfIgnoredAttribute_t *attributesToSet /* or null */,
    const int32_t *timeout /* or null */,
    const GEN_SetOfDocumentFormat_t *inputFormats /* or null */,
    const GEN_SetOfDocumentFormat_t *outputFormats /* or null */,
    const AS_allocateDescriptor_t *alloc);
/* `files`: a null-terminated list of names, or null. */
KQ_EXPORT uint32_t GENU_MakeDriverInfo(STF_statusList_t *statusList, GEN_DriverInfo_t **out,
                                       const char *name, uint32_t oid, const char *manufacturer,
                                       const char *model, const char *version,
                                       const char *description, const char *const *files,
                                       const char *alias, const char *comment,
                                       const AS_allocateDescriptor_t *alloc);

KQ_END_DECLS

#endif
