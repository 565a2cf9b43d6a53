/* Generic attribute value records: the plain C record of every value type, the
 * records used only inside others, value sequences, and their copy and delete
 * operations. Optional members are owned pointers (null when absent); sequences
 * are singly linked lists of GEN_ValueSeq_t nodes, each owning one record.
 * Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_VALUE_H
#define KQ_INFRA_GENU_VALUE_H

#include <stdint.h>

#include "as.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the generic values (facility 0xc00e) used by these records. */
#define GENU_ST_NO_MEMORY 0xc00e0068u      /* memory could not be allocated */
#define GENU_ST_NULL_COMPARE 0xc00e006bu   /* compare of a null value / null input */
#define GENU_ST_NULL_DELETE 0xc00e006cu    /* delete of a null record */
#define GENU_ST_SET_ACCESS 0xc00e006du     /* an attribute set could not be read or written */
#define GENU_ST_NOT_COMPARABLE 0xc00e0085u /* values or forms that do not convert */
#define GENU_ST_BAD_VALUE 0xc00e00a0u      /* unknown choice, bad length, bad time, bad syntax */
#define GENU_ST_COLLATION 0xc00e00c4u      /* strcoll failed */

#define GEN_TEXT_MAX 4095       /* characters of a Text */
#define GEN_SIMPLE_NAME_MAX 255 /* characters of a SimpleName */

/* Text and SimpleName choices. */
#define GEN_TEXT_ISO646 1
#define GEN_TEXT_STRING 2
#define GEN_TEXT_LATIN1 3
#define GEN_TEXT_OCTETS 4
#define GEN_TEXT_OTHER 5

/* Value sequence node: the next node (or null) and one owned record. */
typedef struct GEN_ValueSeq {
  struct GEN_ValueSeq *next;
  void *value;
} GEN_ValueSeq_t;

typedef int32_t GEN_Boolean_t;
typedef int32_t GEN_Integer_t; /* also cardinal, delta time, maximum, minimum, positive */
typedef struct {
  int32_t lower, upper;
} GEN_IntegerRange_t;
typedef double GEN_Real_t;
typedef struct {
  double lower, upper;
} GEN_RealRange_t;
typedef int16_t GEN_Sides_t;
typedef int16_t GEN_Percent_t;
typedef int16_t GEN_Priority_t;
typedef uint32_t GEN_Edge_t;       /* 0 bottom, 1 right, 2 top, 3 left */
typedef uint32_t GEN_PageIdType_t; /* 1 numeric, 2 alphanumeric, 3 tag */
typedef uint32_t GEN_PageOrderType_t;
typedef uint32_t GEN_Realization_t;
typedef struct {
  uint32_t high, low;
} GEN_Cardinal64_t;
typedef struct {
  GEN_Cardinal64_t lower, upper;
} GEN_Cardinal64Range_t;
typedef uint32_t GEN_Identifier_t;        /* short OID */
typedef uint32_t GEN_ACLNameType_t;       /* 0 all users, 1 user, 2 group, 3 netgroup */
typedef uint32_t GEN_ACLPrivilegeLevel_t; /* 1 end user, 2 operator, 3 administrator */
typedef uint32_t GEN_PreprocessorType_t;  /* GEN_PRESCANNER ... */
typedef uint32_t GEN_ExecutableType_t;    /* GEN_EXECUTABLE, GEN_LIBRARY */
typedef struct {
  double x, y;
} GEN_MediumDimensions_t;

#define GEN_TRANSLATION 0
#define GEN_MODIFICATION 1
#define GEN_DEVICE_TEE 2
#define GEN_PRESCANNER 0
#define GEN_MODIFICATION_FILTER 1
#define GEN_TRANSLATION_FILTER 2
#define GEN_EXECUTABLE 0
#define GEN_LIBRARY 1

typedef struct {
  int32_t length;
  unsigned char *value;
} GEN_OctetString_t;
typedef struct {
  int16_t length;
  unsigned char value[255];
} GEN_Octet255_t;
typedef struct {
  char *string;
} GEN_CString_t;
typedef struct {
  int32_t bitLength;
  unsigned char *bits;
} GEN_BitString_t;

typedef struct {
  int32_t choice; /* GEN_TEXT_* */
  union {
    char *string;             /* 1, 2 */
    GEN_OctetString_t octets; /* 3, 4, 5 */
  } u;
  uint32_t codeSet; /* short OID of the code set of choice 5, 0 when absent */
} GEN_Text_t;

typedef struct {
  int32_t choice; /* GEN_TEXT_* */
  union {
    char string[GEN_SIMPLE_NAME_MAX + 1]; /* 1, 2 */
    GEN_Octet255_t octets;                /* 3, 4, 5 */
  } u;
  uint32_t codeSet;
} GEN_SimpleName_t;

typedef struct {
  int32_t choice; /* 1 OID, 2 name */
  union {
    uint32_t oid;
    GEN_SimpleName_t name;
  } u;
} GEN_NameOrOID_t;

typedef struct {
  char value[256];
} GEN_JobIdentifier_t;
typedef struct {
  int32_t choice;
  union {
    uint32_t number;
    uint32_t oid;
  } u;
} GEN_CardinalOrOid_t;
typedef GEN_CardinalOrOid_t GEN_PosIntOrOid_t;

typedef struct {
  GEN_Text_t text;
  GEN_NameOrOID_t *nameOrOid; /* the domain kind; optional */
} GEN_DistNameString_t;

typedef struct {
  GEN_JobIdentifier_t job;
  int32_t documentNumber;
} GEN_DocumentIdentifier_t;
typedef struct {
  int32_t choice;
  GEN_SimpleName_t name;
} GEN_FontReference_t;

typedef struct {
  int32_t choice; /* 1..7 */
  union {
    GEN_JobIdentifier_t job;
    GEN_DocumentIdentifier_t document;
    uint32_t oid;
    GEN_DistNameString_t distName;
    GEN_FontReference_t font;
    GEN_NameOrOID_t nameOrOid;
    GEN_SimpleName_t name;
  } u;
} GEN_ObjectIdent_t;

typedef struct {
  int16_t year, month, day, hour, minute, second, millisecond, diffUTC;
  int32_t utc;
} GEN_GeneralizedTime_t;

typedef struct {
  uint32_t *oid;
  uint32_t cardinal;
} GEN_OidCardinalMap_t;
typedef struct {
  int16_t length;
  char value[2];
} GEN_LocaleCode_t;
typedef struct {
  GEN_LocaleCode_t language;
  GEN_LocaleCode_t country;
  uint32_t codeSet;
  GEN_Octet255_t dpaLocale; /* present when its length is above 0 */
} GEN_Locale_t;

/* Sequences: each record is the head of a value sequence of the named element. */
#define GENU_SEQ_RECORD(Name) \
  typedef struct {            \
    GEN_ValueSeq_t *first;    \
  } GEN_##Name##_t
GENU_SEQ_RECORD(SetOfOctetStrings);      /* OctetString */
GENU_SEQ_RECORD(SeqOfOctetString);       /* OctetString */
GENU_SEQ_RECORD(SeqOfStrings);           /* CString */
GENU_SEQ_RECORD(SetOfOids);              /* Identifier */
GENU_SEQ_RECORD(SetOfObjId);             /* Identifier */
GENU_SEQ_RECORD(SeqOfObjId);             /* Identifier */
GENU_SEQ_RECORD(APContexts);             /* Identifier */
GENU_SEQ_RECORD(SetOfText);              /* Text */
GENU_SEQ_RECORD(SeqOfSimpleName);        /* SimpleName */
GENU_SEQ_RECORD(DistNameStringSeq);      /* DistNameString */
GENU_SEQ_RECORD(NameOrOidSeq);           /* NameOrOID */
GENU_SEQ_RECORD(SetOfDocumentFormat);    /* DocumentFormat */
GENU_SEQ_RECORD(SetOfIgnoredAttribute);  /* IgnoredAttribute */
GENU_SEQ_RECORD(SetOfCheckpoints);       /* Checkpoint */
GENU_SEQ_RECORD(MediaConsumedSeq);       /* MediaConsumed */
GENU_SEQ_RECORD(SeqOfPageMediaSelect);   /* PageMediaSelect */
GENU_SEQ_RECORD(PageSelectSeq);          /* PageSelect */
GENU_SEQ_RECORD(SeqOfInsertSheet);       /* InsertSheet */
GENU_SEQ_RECORD(SeqOfFinishingProcSpec); /* FinishingProcSpec */
GENU_SEQ_RECORD(SetOfFilter);            /* Filter */
GENU_SEQ_RECORD(SetOfNameComponent);     /* NameComponent */
GENU_SEQ_RECORD(RdnSeq);                 /* SetOfNameComponent */
GENU_SEQ_RECORD(SetOfObjNameComponent);  /* ObjNameComponent */
GENU_SEQ_RECORD(IfwRDNSeq);              /* IfwRDN */
GENU_SEQ_RECORD(ExtensionAttrs);         /* ExtensionAttr */
GENU_SEQ_RECORD(QualityOfService);       /* QosLevel */

typedef struct {
  uint32_t type;
  GEN_OctetString_t value;
} GEN_IfwRDN_t;
typedef struct {
  uint32_t type;
  GEN_Text_t value;
} GEN_NameComponent_t;
typedef struct {
  uint32_t type;
  GEN_OctetString_t value;
} GEN_ObjNameComponent_t;
typedef struct {
  int32_t choice;
  GEN_RdnSeq_t rdnSequence;
} GEN_Name_t; /* 1 RDN sequence */

/* EXTERNAL: choice 1 single ASN.1 type, 2 octet aligned, 3 arbitrary (bit string). */
typedef struct {
  int32_t choice;
  uint32_t directReference;        /* short OID, 0 when absent */
  int32_t *indirectReference;      /* optional */
  GEN_Text_t *dataValueDescriptor; /* optional */
  union {
    GEN_OctetString_t octets;
    GEN_BitString_t bits;
  } u;
} GEN_External_t;

/* Document object references. */
typedef struct {
  GEN_OctetString_t pSelector, sSelector, tSelector;
  GEN_SetOfOctetStrings_t nAddresses;
} GEN_PresentationAddress_t;
typedef struct {
  GEN_IfwRDNSeq_t apTitle;
  int32_t *aeQualifier;
} GEN_AETitle_t;
typedef struct {
  int32_t choice; /* 1 presentation address, 2 network name */
  union {
    GEN_PresentationAddress_t address;
    GEN_Text_t name;
  } u;
} GEN_LocationalIdentifier_t;
typedef struct {
  GEN_AETitle_t *title;
  GEN_LocationalIdentifier_t *location;
  GEN_APContexts_t *contexts;
} GEN_AEIdentifier_t;
typedef struct {
  int32_t choice;
  union {
    int32_t level;
    uint32_t oid;
  } u;
} GEN_QosLevel_t;
typedef struct {
  GEN_OctetString_t value;
} GEN_Token_t;
typedef struct {
  GEN_OctetString_t reference;
} GEN_LocalReference_t;
typedef struct {
  GEN_AEIdentifier_t *aeIdentifier;
  GEN_LocalReference_t localReference;
  uint32_t dataObjectType;
  GEN_QualityOfService_t *qualityOfService;
  GEN_Token_t *token;
} GEN_FileReference_t;
typedef GEN_FileReference_t GEN_Dor_t;
typedef struct {
  int32_t choice; /* 1 EXTERNAL, 2 document object reference */
  union {
    GEN_External_t external;
    GEN_Dor_t dor;
  } u;
} GEN_DocumentContent_t;

/* X.400 O/R names (fixed bounds of X.411 plus the terminator). */
typedef struct {
  int32_t choice;
  char value[4];
} GEN_CountryName_t; /* 1 numeric, 2 printable */
typedef struct {
  int32_t choice;
  char value[17];
} GEN_DomainName_t;
typedef struct {
  char value[16];
} GEN_NetworkAddress_t;
typedef struct {
  char value[25];
} GEN_TerminalIdentifier_t;
typedef struct {
  char value[65];
} GEN_OrganizationName_t;
typedef struct {
  char value[33];
} GEN_OrganizationUnitName_t;
typedef struct {
  int16_t count;
  GEN_OrganizationUnitName_t units[4];
} GEN_OrganizationUnitNames_t;
typedef struct {
  char value[33];
} GEN_NumericUserId_t;
typedef struct {
  char surname[41];
  char givenName[17];
  char initials[6];
  char generation[4];
} GEN_PersonalName_t;
typedef struct {
  char type[9];
  char value[129];
} GEN_DomainDefinedAttr_t;
typedef struct {
  int16_t count;
  GEN_DomainDefinedAttr_t attrs[4];
} GEN_DomainDefinedAttrs_t;
typedef struct {
  int32_t choice;
  char value[17];
} GEN_PostalCode_t;
typedef struct {
  int16_t count;
  char lines[6][31];
} GEN_UnformatPostalAddr_t;
typedef struct {
  char value[31];
} GEN_PdsParameter_t;
typedef struct {
  char number[16];
  char subAddress[41];
} GEN_ExtNetworkAddr_t;
typedef struct {
  int32_t type;
  GEN_OctetString_t value;
} GEN_ExtensionAttr_t;
/* The O/R address: twelve owned parts, all null when empty; the tenth holds the
 * domain-defined attributes. */
typedef struct {
  GEN_CountryName_t *country;
  GEN_DomainName_t *adminDomain;
  GEN_NetworkAddress_t *networkAddress;
  GEN_TerminalIdentifier_t *terminalIdentifier;
  GEN_DomainName_t *privateDomain;
  GEN_OrganizationName_t *organization;
  GEN_NumericUserId_t *numericUserId;
  GEN_PersonalName_t *personalName;
  GEN_OrganizationUnitNames_t *organizationUnits;
  GEN_DomainDefinedAttrs_t *domainDefined;
  GEN_ExtensionAttrs_t *extensions;
  GEN_Text_t *commonName;
} GEN_StandardAttrs_t;
typedef struct {
  GEN_StandardAttrs_t address;
  GEN_Name_t *directoryName;
} GEN_ORName_t;
typedef struct {
  int32_t choice;
  union {
    GEN_Name_t name;
    GEN_Text_t text;
  } u;
} GEN_GlobalName_t;
typedef struct {
  GEN_SimpleName_t name;
  GEN_SeqOfSimpleName_t qualifiers;
} GEN_StructuredName_t;

typedef struct {
  int32_t choice;
  union {
    GEN_SimpleName_t name;
    GEN_DistNameString_t distName;
  } u;
} GEN_OwnerName_t;
typedef struct {
  GEN_SimpleName_t name;
  GEN_SetOfText_t sizes;
} GEN_FontResource_t;

/* RPC addresses. */
typedef struct {
  GEN_Text_t host;
  uint32_t program, version, procedure;
  GEN_Text_t authName;
} GEN_ONCBinding_t;
typedef struct {
  int32_t choice;
  union {
    GEN_Text_t name;
    GEN_ONCBinding_t onc;
  } u;
} GEN_RPCAddress_t;

typedef struct {
  int32_t choice; /* 1 O/R, 2 directory name, 3 Text, 4 file, 5 octets, 6 DistNameString, 7 RPC */
  union {
    GEN_ORName_t orName;
    GEN_Name_t name;
    GEN_Text_t text;
    GEN_FileReference_t file;
    GEN_OctetString_t octets;
    GEN_DistNameString_t distName;
    GEN_RPCAddress_t rpc;
  } u;
} GEN_DeliveryAddress_t;

typedef struct {
  GEN_SetOfOids_t *events;
  uint32_t *deliveryMethod;
  GEN_Text_t *comment;
  GEN_DeliveryAddress_t *deliveryAddress;
  GEN_Locale_t *locale;
} GEN_EventHandlingProfile_t;
typedef struct {
  uint32_t *deliveryMethod;
  GEN_Text_t *comment;
  GEN_DeliveryAddress_t *deliveryAddress;
  int32_t *jobCopies;
  GEN_NameOrOID_t *outputBin;
} GEN_ResultsProfile_t;

typedef struct {
  GEN_DistNameString_t *printerName;
  int32_t *jobCopiesCompleted, *copiesCompleted, *pagesCompleted;
  GEN_Cardinal64_t *octetsCompleted;
  GEN_Octet255_t context;
  uint32_t format;
} GEN_Checkpoint_t;

typedef struct {
  int32_t choice; /* 1 cardinal, 2 NameOrOID, 3 range */
  union {
    int32_t cardinal;
    GEN_NameOrOID_t nameOrOid;
    GEN_IntegerRange_t range;
  } u;
} GEN_NumbersUpSupported_t;
typedef struct {
  int32_t choice;
  union {
    int32_t cardinal;
    GEN_NameOrOID_t nameOrOid;
  } u;
} GEN_CardinalOrNoid_t;

/* An attribute held inside a value: the handle of an attribute that lives alone in
 * a private attribute set. */
typedef struct {
  AS_attrHandle_t attribute;
} GEN_Attribute_t;
typedef GEN_Attribute_t GEN_Criteria_t;
typedef struct {
  int32_t *documentNumber;
  AS_attrHandle_t attribute;
} GEN_IgnoredAttribute_t;

typedef struct {
  uint32_t format;
  GEN_Text_t *variants;
  GEN_SimpleName_t *version;
} GEN_DocumentFormat_t;
typedef struct {
  GEN_NameOrOID_t inputTray;
  GEN_NameOrOID_t medium;
} GEN_InputTrayMedium_t;
typedef struct {
  GEN_DistNameString_t serverName;
  GEN_JobIdentifier_t local;
} GEN_NewJobIdentifier_t;

typedef struct {
  int32_t choice; /* 1 number, 2 name, 3 tag */
  union {
    int32_t number;
    GEN_SimpleName_t name;
    GEN_NameOrOID_t tag;
  } u;
} GEN_PageIdentifier_t;
typedef struct {
  GEN_PageIdentifier_t first, last;
  GEN_NameOrOID_t medium;
} GEN_PageMediaSelect_t;
typedef struct {
  GEN_PageIdentifier_t begin, end;
} GEN_PageSelect_t;
typedef struct {
  int32_t choice; /* 1 one medium, 2 per page range */
  union {
    GEN_NameOrOID_t medium;
    GEN_SeqOfPageMediaSelect_t pages;
  } u;
} GEN_MediaSelect_t;

typedef struct {
  GEN_External_t *operation;
  GEN_External_t *proxy;
} GEN_Privileges_t;

typedef struct {
  int32_t choice; /* 1 entry, 2 DCE list */
  GEN_SimpleName_t name;
  GEN_ACLNameType_t *nameType;
  GEN_ACLPrivilegeLevel_t *privilegeLevel;
  GEN_OctetString_t dceList;
} GEN_PSISAccessControlList_t;
typedef struct {
  GEN_SimpleName_t principal;
  GEN_DistNameString_t domain; /* text: domain value; name-or-OID: domain kind */
  GEN_ACLNameType_t nameType;
  GEN_ACLPrivilegeLevel_t privilegeLevel;
} GEN_ExtACL_t;
typedef struct {
  GEN_SimpleName_t name;
  GEN_ACLNameType_t nameType;
  GEN_ACLPrivilegeLevel_t privilegeLevel;
} GEN_OncACL_t;

typedef struct {
  int32_t choice; /* 1 IPv4, 2 IPv6 */
  int32_t port;
  int32_t addressLength;
  unsigned char address[16];
} GEN_SocketAddress_t;

/* Filters and selectors. */
/* A substring match: the attribute, the kind of match (0 exact, 1 case-insensitive,
 * 2 same letter, 3 approximate), and the encoded values of the initial part (absent
 * when empty), of the middle parts in order, and of the final part. */
typedef struct {
  uint32_t attributeType;
  int32_t kind;
  GEN_OctetString_t initial;
  GEN_SeqOfOctetString_t any;
  GEN_OctetString_t final;
} GEN_SubStrings_t;
typedef struct {
  int32_t choice; /* 1 equality, 2 substrings, 3 >=, 4 <=, 5 present, 8 assertion */
  union {
    AS_attrHandle_t attribute;
    GEN_SubStrings_t substrings;
    uint32_t present;
  } u;
} GEN_FilterItem_t;
typedef struct GEN_Filter {
  int32_t choice; /* 1 item, 2 and, 3 or, 4 not */
  union {
    GEN_FilterItem_t item;
    GEN_SetOfFilter_t set;
    struct GEN_Filter *not_;
  } u;
} GEN_Filter_t;
/* A selection: the attributes wanted (all when absent), a filter, and the window of
 * entries (first entry, number of entries). */
typedef struct {
  GEN_SetOfOids_t *attributes;
  GEN_Filter_t *filter;
  int32_t *first;
  int32_t *count;
} GEN_Selector_t;

typedef struct {
  GEN_SimpleName_t name;
  uint32_t *filterType; /* GEN_TRANSLATION ... */
  GEN_DocumentFormat_t *inputFormat;
  GEN_DocumentFormat_t *outputFormat;
  GEN_Text_t text;
} GEN_FastFilterDef_t;

/* Finishing. Every kind of finishing process has the same shape: a type and
 * optional private details. */
typedef struct {
  uint32_t *count;
  GEN_Edge_t *edge;
  GEN_Text_t *comment;
} GEN_FinishingSpecPrivate_t;
typedef struct {
  GEN_NameOrOID_t type;
  GEN_FinishingSpecPrivate_t *details;
} GEN_FinishingSpec_t;
// clang-format off
#define GENU_FINISHING_KINDS(X) \
  X(Stitching) X(Binding) X(Trimming) X(DieCutting) X(Punching) X(Perforation) X(Slitting) \
  X(Cover) X(Folding) X(OtherFinishing)
// clang-format on
// clang-format off
#define GENU_FINISHING_TYPEDEF(K) \
  typedef GEN_FinishingSpec_t GEN_##K##Spec_t; typedef GEN_FinishingSpecPrivate_t GEN_##K##SpecPrivate_t;
// clang-format on
GENU_FINISHING_KINDS(GENU_FINISHING_TYPEDEF)
typedef struct {
  int32_t choice;
  GEN_FinishingSpec_t spec;
} GEN_FinishingProcSpec_t; /* 1..10 */
typedef struct {
  GEN_PageIdentifier_t after;
  int32_t count;
} GEN_InsertSpec_t;
typedef struct {
  GEN_InsertSpec_t spec;
  GEN_NameOrOID_t *medium;
} GEN_InsertSheet_t;
typedef struct {
  int32_t choice; /* 1 named, 2 specified */
  union {
    GEN_NameOrOID_t named;
    struct {
      GEN_SeqOfFinishingProcSpec_t processes;
      GEN_SeqOfInsertSheet_t inserts;
    } specified;
  } u;
} GEN_Finishing_t;

typedef struct {
  double value;
  GEN_NameOrOID_t *unit;
} GEN_Dimension_t;
typedef struct {
  GEN_Dimension_t x, y;
} GEN_XYDimensions_t;
typedef struct {
  GEN_Text_t site;
  GEN_SetOfText_t details;
} GEN_Locations_t;
typedef struct {
  GEN_Text_t text;
  GEN_Locale_t *locale;
} GEN_ErrorMsg_t;
typedef struct {
  uint32_t code;
  GEN_SetOfText_t arguments;
} GEN_ErrorMessageData_t;

typedef struct {
  GEN_NameOrOID_t printType;
  GEN_ObjectIdent_t media;
  int32_t printedImpressions;
  int32_t consumedSheets;
} GEN_MediaConsumed_t;

typedef struct {
  GEN_SimpleName_t name;
  GEN_PreprocessorType_t preprocessorType;
  GEN_ExecutableType_t executableType;
  GEN_Text_t pathName;
  GEN_Filter_t *attributePattern;
  GEN_SetOfIgnoredAttribute_t *attributesToSet;
  int32_t *timeout;
  GEN_SetOfDocumentFormat_t *inputFormats;
  GEN_SetOfDocumentFormat_t *outputFormats;
} GEN_PreprocessorDefinition_t;

typedef struct {
  GEN_SimpleName_t name;
  uint32_t oid;
  GEN_Text_t manufacturer, model, version, description;
  GEN_SetOfText_t files;
  GEN_SimpleName_t alias;
  GEN_Text_t comment;
} GEN_DriverInfo_t;

/* The allocate descriptor defaults: malloc and free. */
KQ_EXPORT void *GENU_DefMalloc(size_t size);
KQ_EXPORT void GENU_DefFree(void *block);
KQ_EXPORT extern const AS_allocateDescriptor_t genu_sysAllocator;

KQ_EXPORT void GEN_GenToUint64(uint64_t *out, const GEN_Cardinal64_t *value);
KQ_EXPORT void GEN_Uint64ToGen(GEN_Cardinal64_t *out, uint64_t value);

/* Records with their own copy and delete pair (each also has a value descriptor
 * GENU_<R>Desc holding them): GEN_Copy<R>(status, out record pointer, source,
 * allocator) allocates and fills a new record; GEN_Delete<R>(status, record,
 * allocator) frees it and everything it owns. */
// clang-format off
#define GENU_COPY_DELETE_RECORDS(X) \
  X(Boolean) X(Integer) X(IntegerRange) X(Real) X(RealRange) X(Sides) X(Percent) X(Priority) \
  X(Edge) X(PageIdType) X(PageOrderType) X(Realization) X(Cardinal64) X(Cardinal64Range) \
  X(Identifier) X(OctetString) X(Octet255) X(CString) X(Text) X(SimpleName) X(NameOrOID) \
  X(JobIdentifier) X(CardinalOrOid) X(PosIntOrOid) X(ObjectIdent) X(DistNameString) \
  X(DocumentIdentifier) X(FontReference) X(GeneralizedTime) X(OidCardinalMap) X(Locale) \
  X(NumbersUpSupported) X(SetOfOctetStrings) X(AETitle) X(APContexts) X(LocationalIdentifier) \
  X(IfwRDN) X(IfwRDNSeq) X(AEIdentifier) X(QosLevel) X(QualityOfService) X(Token) \
  X(FileReference) X(DocumentContent) X(External) X(ObjNameComponent) X(SetOfObjNameComponent) \
  X(FontResource) X(SeqOfStrings) X(OwnerName) X(SetOfOids) X(DeliveryAddress) \
  X(EventHandlingProfile) X(Privileges) X(SeqOfSimpleName) X(ACLNameType) X(ACLPrivilegeLevel) \
  X(PSISAccessControlList) X(ExtACL) X(SeqOfOctetString) X(SetOfObjId) X(SeqOfObjId) \
  X(SetOfFilter) X(Selector) X(Filter) X(DistNameStringSeq) X(Criteria) X(SetOfDocumentFormat) \
  X(DocumentFormat) X(Checkpoint) X(Surface) X(SeqOfInsertSheet) X(SeqOfFinishingProcSpec) \
  X(Finishing) X(SetOfIgnoredAttribute) X(IgnoredAttribute) X(ResultsProfile) \
  X(SetOfNameComponent) X(RdnSeq) X(PageIdentifier) X(PageSelect) X(PageSelectSeq) \
  X(PageMediaSelect) X(SeqOfPageMediaSelect) X(MediaSelect) X(PersonalName) X(CountryName) \
  X(DomainName) X(NetworkAddress) X(TerminalIdentifier) X(OrganizationName) \
  X(OrganizationUnitName) X(OrganizationUnitNames) X(NumericUserId) X(DomainDefinedAttr) \
  X(DomainDefinedAttrs) X(PostalCode) X(UnformatPostalAddr) X(PdsParameter) X(ExtNetworkAddr) \
  X(ExtensionAttrs) X(Name) X(ORName) X(MediumDimensions) X(SocketAddress) X(NameOrOidSeq) \
  X(CardinalOrNoid) X(ErrorMessageData) X(ErrorMsg) X(InputTrayMedium) X(NewJobIdentifier) \
  X(FastFilterDef) X(MediaConsumed) X(MediaConsumedSeq) X(PreprocessorDefinition) \
  X(PreprocessorType) X(ExecutableType) X(DriverInfo) X(SetOfText) X(Dimension) \
  X(XYDimensions) X(Locations) X(RPCAddress)
// clang-format on

/* Records with deep forms: GEN_DeepCopy<R>(status, destination, source, allocator)
 * fills a record the caller owns, allocating only its parts; GEN_DeepDelete<R>
 * (status, record, allocator) releases what it owns and zero-fills it. */
// clang-format off
#define GENU_DEEP_RECORDS(X) \
  X(OctetString) X(Text) X(External) X(FontReference) X(DistNameString) X(DocumentIdentifier) \
  X(ObjectIdent) X(Filter) X(Dimension) X(XYDimensions) X(DocumentFormat) X(Locations) \
  X(IgnoredAttribute) X(PageSelect) X(PageMediaSelect) X(ORName) X(RPCAddress) X(ErrorMsg) \
  X(NewJobIdentifier) X(MediaConsumed) X(PreprocessorDefinition) X(DriverInfo) X(NameOrOID) \
  X(BitString) X(PresentationAddress) X(AttrHandle) X(Attribute) X(LocalReference) X(Dor) \
  X(StructuredName) X(GlobalName) X(OncACL) X(SubStrings) X(FilterItem) X(InsertSheet) \
  X(InsertSpec) X(FinishingProcSpec) X(NameComponent) X(StandardAttrs) X(ExtensionAttr) \
  X(ONCBinding)
// clang-format on
#define GENU_FINISHING_DEEP(K) X(K##Spec) X(K##SpecPrivate)

typedef AS_attrHandle_t GEN_AttrHandle_t;
typedef uint32_t *GEN_OID_t; /* an owned short OID */

// clang-format off
#define GENU_DECLARE_COPY_DELETE(R)                                                         \
  KQ_EXPORT uint32_t GEN_Copy##R(STF_statusList_t *statusList, void **newValueOut,         \
                                 const void *value, const AS_allocateDescriptor_t *alloc); \
  KQ_EXPORT uint32_t GEN_Delete##R(STF_statusList_t *statusList, void *value,               \
                                   const AS_allocateDescriptor_t *alloc);                  \
  KQ_EXPORT extern const AS_valueDescriptor_t GENU_##R##Desc;
// clang-format on
// clang-format off
#define GENU_DECLARE_DEEP(R)                                                                  \
  KQ_EXPORT uint32_t GEN_DeepCopy##R(STF_statusList_t *statusList, GEN_##R##_t *destination, \
                                     const GEN_##R##_t *source,                              \
                                     const AS_allocateDescriptor_t *alloc);                  \
  KQ_EXPORT uint32_t GEN_DeepDelete##R(STF_statusList_t *statusList, GEN_##R##_t *value,     \
                                       const AS_allocateDescriptor_t *alloc);
// clang-format on
#define GENU_DECLARE_FINISHING_DEEP(K) GENU_DECLARE_DEEP(K##Spec) GENU_DECLARE_DEEP(K##SpecPrivate)

typedef struct {
  GEN_Edge_t edge;
  GEN_NameOrOID_t medium;
} GEN_Surface_t;

GENU_COPY_DELETE_RECORDS(GENU_DECLARE_COPY_DELETE)
GENU_DEEP_RECORDS(GENU_DECLARE_DEEP)
GENU_FINISHING_KINDS(GENU_DECLARE_FINISHING_DEEP)

/* Descriptors sharing another record's pair. */
KQ_EXPORT extern const AS_valueDescriptor_t GENU_CardinalDesc, GENU_DeltaTimeDesc,
    GENU_MaximumIntegerDesc, GENU_MinimumIntegerDesc, GENU_PositiveIntegerDesc,
    GENU_CardinalRangeDesc, GENU_DescriptorDesc, GENU_MessageDesc, GENU_DescriptiveNameDesc,
    GENU_NonNegativeRealDesc, GENU_NonNegativeRealRangeDesc, GENU_CriterionTypeDesc;

/* Delete only. */
KQ_EXPORT uint32_t GEN_DeleteSetOfCheckpoints(STF_statusList_t *statusList, void *value,
                                              const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GEN_DeepDeleteOID(STF_statusList_t *statusList, GEN_OID_t *value,
                                     const AS_allocateDescriptor_t *alloc);

/* Inline records: copy the whole inline area; 1 for an unknown choice. */
KQ_EXPORT uint32_t GEN_ShallowCopySimpleName(GEN_SimpleName_t *destination,
                                             const GEN_SimpleName_t *source);
KQ_EXPORT uint32_t GEN_ShallowCopyNameOrOID(GEN_NameOrOID_t *destination,
                                            const GEN_NameOrOID_t *source);

/* Allocate `size` bytes and copy `length` bytes (one zero byte when length < 1). */
KQ_EXPORT char *GEN_CopyCharArray(const char *source, int32_t length, int32_t size,
                                  const AS_allocateDescriptor_t *alloc);
KQ_EXPORT unsigned char *GEN_CopyUnsignedCharArray(const unsigned char *source, int32_t length,
                                                   int32_t size,
                                                   const AS_allocateDescriptor_t *alloc);

/* Copy and delete of a value of type id `id` through its descriptor, and of value
 * sequences of such values. */
KQ_EXPORT uint32_t GENU__CopyAttrVal(STF_statusList_t *statusList, uint32_t id, void **newValueOut,
                                     const void *value, const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU__DeleteAttrVal(STF_statusList_t *statusList, uint32_t id, void *value,
                                       const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU__CopyAttrValSeq(STF_statusList_t *statusList, uint32_t id,
                                        GEN_ValueSeq_t **headOut, const GEN_ValueSeq_t *source,
                                        const AS_allocateDescriptor_t *alloc);
KQ_EXPORT uint32_t GENU__DeleteAttrValSeq(STF_statusList_t *statusList, uint32_t id,
                                          GEN_ValueSeq_t *list,
                                          const AS_allocateDescriptor_t *alloc);

/* PDU number of a value type id, -1 when it has none. */
KQ_EXPORT int32_t GENU_TypeToPDU(uint32_t id);

KQ_END_DECLS

#endif
