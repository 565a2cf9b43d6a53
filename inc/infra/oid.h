/* The object identifier registry: names, abbreviations, characteristics and
 * related attributes of every identifier the system uses, kept in paged B-tree
 * files in one directory, with caches in front.
 *
 * Binary OID: tag byte 6, one length byte L (below 128), L content octets. A copy
 * made by the registry ends with one 0 byte (L + 3 bytes: OID_BINARY_MAX is
 * enough for any). Characteristics: a 19-byte record (OID_CHARS_LEN).
 *
 * Registry operations take a status list first and return 0, or the status code
 * they also add to the list. */
#ifndef KQ_INFRA_OID_H
#define KQ_INFRA_OID_H

#include <stdint.h>

#include "kqbm.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

#define OID_CHARS_LEN 19
#define OID_BINARY_MAX 130 /* tag, length, 127 octets, the closing 0 byte */
#define OID_NAME_MAX 128   /* a name buffer: names are shorter than 128 characters */
#define OID_TEXT_MAX 256   /* a descriptor buffer */
#define OID_VC_NAME_MAX 50 /* longest value class name */

#define OID_MODE_READ 0
#define OID_MODE_WRITE 2

/* Files of a registry directory (KQBM_open adds ".dbm"). */
#define OID_MAIN_FILE "DPAOIDs"
#define OID_LINK_FILE "DPAOIDs_l"
#define OID_DEFAULT_LOCALE_FILE "DPAOIDs_C"
#define OID_LOCK_FILE ".kq.lck"
#define OID_LAST_INDEX_KEY "last-locale-index"

/* Kinds in bits 7..4 of characteristics byte 1. */
#define OID_KIND_OBJECT_CLASS 1
#define OID_KIND_SYNTAX 5

#define OID_MAX_OPERATION 29
#define OID_MAX_OBJECT_CLASS 55

/* Status codes. */
#define OID_ST_AMBIGUOUS 0xc00a0065u       /* abbreviation matches several names */
#define OID_ST_NO_CHARS_TEXT 0xc00a0067u   /* characteristics wanted, none in the text */
#define OID_ST_INCONSISTENT 0xc00a0068u    /* registry files disagree, or a store failed */
#define OID_ST_NO_RELATED 0xc00a006cu      /* no related attribute / value not cached */
#define OID_ST_ROLLBACK_FAILED 0xc00a006du /* undoing a failed change failed too */
#define OID_ST_INIT_TWICE 0xc00a006eu      /* registry already initialised */
#define OID_ST_LOCK_FAILED 0xc00a006fu     /* the registry lock could not be taken */
#define OID_ST_NOT_INIT 0xc00a0070u        /* registry not initialised */
#define OID_ST_NAME_EXISTS 0xc00a0073u     /* the name is already registered */
#define OID_ST_OID_EXISTS 0xc00a0074u      /* the identifier is already registered */
#define OID_ST_NO_LOCALE_FILE 0xc00a0075u  /* not even the default locale file opens */
#define OID_ST_TOO_MANY_NAMES 0xc00a0077u  /* the identifier has too many names */
#define OID_ST_BAD_LOCK_PATH 0xc00a0078u   /* the lock file path is bad */
#define OID_ST_ALREADY_OPEN 0xc00a0079u    /* file already open (treated as success) */
#define OID_ST_BAD_PATH 0xc00a007au        /* bad directory, or a file does not open */
#define OID_ST_GENU_FAILED 0xc00a007du     /* the form conversions did not start */
#define OID_ST_PATH_DIFFERS 0xc00a007eu    /* not the directory of OID_Init */
#define OID_ST_MODE_DIFFERS 0xc00a007fu    /* not the mode of OID_Init */
#define OID_ST_NO_MEMORY 0xc00a0081u       /* out of memory */
#define OID_ST_BAD_CHARS 0xc00a0083u       /* bad characteristics in a dotted text */
#define OID_ST_BAD_DOTTED 0xc00a0085u      /* bad dotted text */
#define OID_ST_BAD_MODE 0xc00a0086u        /* mode other than 0 and 2 */
#define OID_ST_NO_BLOCK 0xc00a0087u        /* no database block */
#define OID_ST_BAD_NAME 0xc00a008au        /* no name, or a name too long */
#define OID_ST_BAD_BINARY 0xc00a008cu      /* not a binary OID */
#define OID_ST_OUT_OF_RANGE 0xc00a008fu    /* object class or syntax number above 255 */
#define OID_ST_NO_LOCK_FILE 0xc00a0090u    /* the lock file does not exist */
#define OID_ST_SHORT_UNKNOWN 0xc00a0091u   /* short OID unknown */
#define OID_ST_WRONG_KIND 0xc00a0093u      /* the record is of another kind */
#define OID_ST_NOT_FOUND 0xc00a0094u       /* not found */
#define OID_ST_OID_UNKNOWN 0xc00a0099u     /* the identifier is not registered */
#define OID_ST_BAD_LOCALE 0xc00a009du      /* bad locale, or its file does not open */
#define OID_ST_VC_UNKNOWN 0xc00a009eu      /* value class unknown */
#define OID_ST_NOT_SUPPORTED 0xc00a009fu   /* not supported */

/* A database block: the files of one registry in one locale. Opaque. */
typedef struct OID_dbBlock OID_dbBlock_t;

/* A list of names: each element one malloc'ed block, freed by OID_DeleteNameSeq. */
typedef KQBM_nameSeq_t OID_nameSeq_t;

/* What an attribute's characteristics record says about it. */
typedef struct OID_attrProperties {
  uint8_t multiValued;     /* 1: the attribute takes several values (byte 2 is 2) */
  uint8_t flags;           /* byte 3: the caller's property bits */
  uint8_t syntax;          /* the value type id of the attribute's values */
  uint16_t valueClass;     /* for syntaxes that need a value class, else ignored */
  uint8_t valueClassFlags; /* byte 7, for syntaxes that need a value class */
} OID_attrProperties_t;

/* Process set-up and tear-down: the lock on "<directory>/.kq.lck" (shared for mode
 * 0, exclusive for mode 2, never waited for) and the form conversions. */
KQ_EXPORT uint32_t OID_Init(STF_statusList_t *status, const char *directory, uint32_t mode);
KQ_EXPORT uint32_t OID_Term(void);

/* Blocks: a null or empty-named locale means the process's current locale. */
KQ_EXPORT uint32_t OID_OpenDb(STF_statusList_t *status, const char *directory, const char *locale,
                              uint32_t mode, OID_dbBlock_t **blockOut);
KQ_EXPORT uint32_t OID_SetLocale(STF_statusList_t *status, OID_dbBlock_t *block,
                                 const char *locale);
KQ_EXPORT uint32_t OID_CloseDb(STF_statusList_t *status, OID_dbBlock_t **block);

/* Lookups. Binary outputs take OID_BINARY_MAX bytes, characteristics OID_CHARS_LEN,
 * names OID_NAME_MAX, descriptors OID_TEXT_MAX. Outputs marked optional may be null. */
KQ_EXPORT uint32_t OID_LookupName(STF_statusList_t *status, OID_dbBlock_t *block, const char *name,
                                  unsigned char *binaryOut, unsigned char *charsOut /* optional */);
KQ_EXPORT uint32_t OID_LookupAbbrev(STF_statusList_t *status, OID_dbBlock_t *block,
                                    const char *abbrev, unsigned char *binaryOut,
                                    unsigned char *charsOut /* optional */);
/* _A: on an ambiguous abbreviation *listOut receives every matching name. */
KQ_EXPORT uint32_t OID_LookupAbbrev_A(STF_statusList_t *status, OID_dbBlock_t *block,
                                      const char *abbrev, unsigned char *binaryOut,
                                      unsigned char *charsOut, OID_nameSeq_t **listOut);
/* _N: as _A, and a single match gives a list of one name too. */
KQ_EXPORT uint32_t OID_LookupAbbrev_N(STF_statusList_t *status, OID_dbBlock_t *block,
                                      const char *abbrev, unsigned char *binaryOut,
                                      unsigned char *charsOut, OID_nameSeq_t **listOut);
KQ_EXPORT void OID_DeleteNameSeq(OID_nameSeq_t *list);
KQ_EXPORT uint32_t OID_LookupBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                    const unsigned char *binary, char *nameOut /* optional */,
                                    unsigned char *charsOut /* optional */);
KQ_EXPORT uint32_t OID_LookupShort(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t shoid,
                                   char *nameOut /* optional */,
                                   unsigned char *charsOut /* optional */);
KQ_EXPORT uint32_t OID_LookupSupportedFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                                 const unsigned char *binary,
                                                 unsigned char *binaryOut);
KQ_EXPORT uint32_t OID_LookupReadyFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                             const unsigned char *binary, unsigned char *binaryOut);
KQ_EXPORT uint32_t OID_LookupSupportedFromShort(STF_statusList_t *status, OID_dbBlock_t *block,
                                                uint32_t shoid, uint32_t *shoidOut);
KQ_EXPORT uint32_t OID_LookupReadyFromShort(STF_statusList_t *status, OID_dbBlock_t *block,
                                            uint32_t shoid, uint32_t *shoidOut);
KQ_EXPORT uint32_t OID_LookupDescriptorFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                                  const unsigned char *binary, char *textOut);
KQ_EXPORT uint32_t OID_LookupDescriptorFromShort(STF_statusList_t *status, OID_dbBlock_t *block,
                                                 uint32_t shoid, char *textOut);
KQ_EXPORT uint32_t OID_LookupObjectClass(STF_statusList_t *status, OID_dbBlock_t *block,
                                         uint32_t number, unsigned char *binaryOut);
KQ_EXPORT uint32_t OID_LookupSyntax(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t number,
                                    unsigned char *binaryOut);
KQ_EXPORT uint32_t OID_LookupValueClass(STF_statusList_t *status, OID_dbBlock_t *block,
                                        const char *name, uint16_t *idOut);

/* Changes (read-write registries). With checkOnly 1, OID_AddOID only reports
 * whether the name or the identifier already exists. */
KQ_EXPORT uint32_t OID_AddOID(STF_statusList_t *status, OID_dbBlock_t *block,
                              const unsigned char *binary, const char *name,
                              const unsigned char *chars, int checkOnly);
KQ_EXPORT uint32_t OID_AddName(STF_statusList_t *status, OID_dbBlock_t *block,
                               const unsigned char *binary, const char *name);
KQ_EXPORT uint32_t OID_DeleteOID(STF_statusList_t *status, OID_dbBlock_t *block,
                                 const unsigned char *binary);
KQ_EXPORT uint32_t OID_AddDescriptor(STF_statusList_t *status);
KQ_EXPORT uint32_t OID_AddSupported(STF_statusList_t *status);
KQ_EXPORT uint32_t OID_AddReady(STF_statusList_t *status);

/* Dotted form "1.0.10175.1.5.1", with ":" and 19 decimal characteristics bytes when
 * characteristics are given. *textOut is malloc'ed (the caller frees it); *lengthOut
 * counts the NUL. */
KQ_EXPORT uint32_t OID_ConvertBinToDec(STF_statusList_t *status, const unsigned char *binary,
                                       const unsigned char *chars /* optional */,
                                       uint32_t *lengthOut, char **textOut);
KQ_EXPORT uint32_t OID_ConvertDecToBin(STF_statusList_t *status, const char *text,
                                       unsigned char *binaryOut,
                                       unsigned char *charsOut /* optional */);

/* Binary OID utilities. OID_CopyBinary writes L + 2 bytes and a 0 byte and returns
 * L + 3 (-1 for a bad source). OID_CmpBinary: -1, 0, 1, or -2 when either is
 * missing or bad; OID_EqualBinary: 1 or 0. */
KQ_EXPORT int OID_CopyBinary(unsigned char *dest, const unsigned char *binary);
KQ_EXPORT int OID_EqualBinary(const unsigned char *a, const unsigned char *b);
KQ_EXPORT int OID_CmpBinary(const unsigned char *a, const unsigned char *b);
KQ_EXPORT int OID_Len(const unsigned char *binary);
/* The characteristics following a binary OID, or null when the byte after it is 0. */
KQ_EXPORT const unsigned char *OID_GetChars(const unsigned char *binary);

/* Characteristics records. */
KQ_EXPORT void OID_SetAttrCharacteristics(const OID_attrProperties_t *properties,
                                          const uint32_t *operations, uint32_t operationCount,
                                          const uint32_t *objectClasses, uint32_t classCount,
                                          unsigned char *record);
KQ_EXPORT void OID_SetAttrCharacteristics_M(const OID_attrProperties_t *properties,
                                            unsigned char *record);
KQ_EXPORT void OID_SetValueCharacteristics(uint16_t valueClass, uint8_t flags,
                                           unsigned char *record);
KQ_EXPORT void OID_SetValueClassCharacteristics(uint16_t valueClass, unsigned char *record);
KQ_EXPORT void OID_SetValidOperation(uint32_t operation, unsigned char *record);
KQ_EXPORT void OID_SetValidObjectClass(uint32_t objectClass, unsigned char *record);
KQ_EXPORT int OID_ValidForOp(const unsigned char *record, int32_t operation);
KQ_EXPORT int OID_ValidForObject(const unsigned char *record, int32_t objectClass);

KQ_END_DECLS

#endif
