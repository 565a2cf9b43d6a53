/* Object identifier form conversions: short, BER, binary and name forms, and the
 * dynamic identifiers. Part of infra/genu.h.
 *
 * A short OID is a 32-bit number:
 *   0..1092       table entries 0..1092;
 *   3000..3563    table entries 1093..1656 (entry = short OID - 1907);
 *   1093..1656    accepted on input for the entry with that number, never produced;
 *   top bit set   a dynamic identifier, kept in the "oid_cvrt" database of the
 *                 registry directory (opened by GENU_Init);
 *   anything else unknown.
 * The BER form is the content octets of a BER OBJECT IDENTIFIER (no tag, no length
 * octet) with their 16-bit length; the binary form is tag byte 6, one length byte L
 * and the L content octets. */
#ifndef KQ_INFRA_GENU_OID_H
#define KQ_INFRA_GENU_OID_H

#include <stdint.h>

#include "kqbm.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* The BER form of an identifier: the content octets and their count. */
typedef struct GENU_berOid {
  uint16_t length;
  const unsigned char *value;
} GENU_berOid_t;

/* Status codes. */
#define GENU_ST_OID_NO_MEMORY 0xc00e0068u   /* out of memory opening the dynamic database */
#define GENU_ST_OID_OPEN_TWICE 0xc00e0078u  /* the dynamic database is already open */
#define GENU_ST_OID_NOT_OPEN 0xc00e0080u    /* the dynamic database is not open */
#define GENU_ST_OID_BAD_MODE 0xc00e0092u    /* open mode other than 0 and 2 */
#define GENU_ST_OID_NO_DIR 0xc00e0093u      /* no registry directory */
#define GENU_ST_OID_UNKNOWN 0xc00e00a0u     /* unknown identifier */
#define GENU_ST_OID_OPEN_FAILED 0xc00e00a6u /* the dynamic database could not be opened */

#define GENU_OID_DYNAMIC 0x80000000u /* the bit that marks a dynamic short OID */
#define GENU_OID_NO_TYPE 255u        /* value type of entries that have none */
#define GENU_OID_DB_NAME "oid_cvrt"  /* the dynamic database, in the registry directory */

/* Opens "<directory>/oid_cvrt" whole into memory; mode 0 read-only, 2 read-write.
 * Returns 0, or 1 with a code added. */
KQ_EXPORT int GENU_Init(STF_statusList_t *status, const char *directory, int mode);
/* Closes the dynamic database; results that pointed into it become invalid. */
KQ_EXPORT void GENU_Term(void);
/* The dynamic database handle, or null before GENU_Init. */
KQ_EXPORT KQBM_dbHandle_t GENU_GetCvrtHandle(void);

/* Short OID to BER form; the form points into the table or the dynamic database. */
KQ_EXPORT int GENU_ShortToBerOID(STF_statusList_t *status, uint32_t shoid, GENU_berOid_t *berOut);
/* Short OID to binary form; a withdrawn entry succeeds with *binaryOut null. */
KQ_EXPORT int GENU_ShortToBinaryOID(STF_statusList_t *status, uint32_t shoid,
                                    const unsigned char **binaryOut);
/* The name of a short OID, or "unknown". */
KQ_EXPORT const char *GENU_ShortOIDToAscii(uint32_t shoid);
KQ_EXPORT int GENU_BerToShortOID(STF_statusList_t *status, const GENU_berOid_t *ber,
                                 uint32_t *shoidOut);
KQ_EXPORT int GENU_BinaryToShortOID(STF_statusList_t *status, const unsigned char *binary,
                                    uint32_t *shoidOut);
KQ_EXPORT int GENU_AsciiToShortOID(STF_statusList_t *status, const char *name, uint32_t *shoidOut);
/* The short OID of `name`, with `prefix` put in front unless the name begins with it. */
KQ_EXPORT int GENU_PrefixToShortOID(STF_statusList_t *status, const char *name, const char *prefix,
                                    uint32_t *shoidOut);
/* The value type id of an identifier's values (GENU_OID_NO_TYPE when it has none). */
KQ_EXPORT int GENU_AttrIdToType(STF_statusList_t *status, uint32_t shoid, uint32_t *typeOut);
/* The number of table entries a short OID can address: 1656. */
KQ_EXPORT uint32_t NumberOfShoids(void);

/* The named constant objects: id_syn_descriptor for "id-syn-descriptor", ... */
#include "genu_oid_ids.h"

KQ_END_DECLS

#endif
