/* Type descriptors of the BER runtime. Every ASN.1 type of a module is one constant
 * ber_type; the generic encoder, decoder, printer and freer walk these tables. The
 * tables themselves are generated from the module's ASN.1 text at build time
 * (infra/ber/gen/asn1gen.py). */
#ifndef KQ_INFRA_BER_IFACE_INTERNAL_BER_DESC_H
#define KQ_INFRA_BER_IFACE_INTERNAL_BER_DESC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* How a type is held in memory. */
enum ber_kind {
  BER_K_BOOLEAN,       /* uint8_t, 0 or 1 */
  BER_K_INT16,         /* int16_t */
  BER_K_INT32,         /* int32_t */
  BER_K_CARD64,        /* ber_card64: high and low words of an unsigned 64-bit number */
  BER_K_ENUM,          /* int32_t */
  BER_K_REAL,          /* double */
  BER_K_NULL,          /* one unused byte */
  BER_K_OCTETS,        /* ber_octets: int32 length, owned bytes */
  BER_K_OCTETS_INLINE, /* uint16 length, then up to `upper` bytes */
  BER_K_CHARS_INLINE,  /* char[upper + 1], NUL-terminated */
  BER_K_CHARS,         /* char *, owned, NUL-terminated (null when absent) */
  BER_K_OID,           /* ber_oid: uint16 length, owned content octets */
  BER_K_OPEN,          /* ber_octets: one complete encoding, carried as it is */
  BER_K_BITS,          /* ber_bits: int32 number of bits, owned bytes */
  BER_K_SEQUENCE,      /* struct: optional presence mask, then the fields */
  BER_K_SEQOF,         /* pointer to the first node {next, element} of a list */
  BER_K_CHOICE         /* struct: uint16 choice number (1 = first), then the union */
};

/* A tag: class in the top two bits, number below. */
#define BER_CLASS_UNIVERSAL 0x00000000u
#define BER_CLASS_APPLICATION 0x40000000u
#define BER_CLASS_CONTEXT 0x80000000u
#define BER_CLASS_PRIVATE 0xc0000000u
#define BER_TAG_NUMBER(t) ((t)&0x3fffffffu)
#define BER_TAG_CLASS(t) ((t)&0xc0000000u)
#define BER_NOTAG 0xffffffffu /* untagged CHOICE or ANY: the content decides */

enum ber_tag_mode { BER_TAG_NONE, BER_TAG_IMPLICIT, BER_TAG_EXPLICIT };
#define BER_MANDATORY (-1)
#define BER_OPT_NONNULL (-2)

typedef struct ber_card64 {
  uint32_t high;
  uint32_t low;
} ber_card64;

typedef struct ber_octets {
  int32_t length;
  uint8_t *value;
} ber_octets;

typedef struct ber_oid {
  uint16_t length;
  uint8_t *value;
} ber_oid;

typedef struct ber_bits {
  int32_t length; /* in bits */
  uint8_t *value;
} ber_bits;

struct ber_type;

/* A component of a SEQUENCE or an alternative of a CHOICE. */
typedef struct ber_field {
  const char *name;
  const struct ber_type *type;
  uint32_t offset; /* in the SEQUENCE struct, or in the CHOICE struct (union member) */
  uint32_t tag;    /* the component's own tag, when mode is not NONE */
  uint8_t mode;    /* enum ber_tag_mode */
  int8_t bit;      /* presence bit number in the mask (15 = 0x8000); BER_MANDATORY, or
                      BER_OPT_NONNULL for an optional string present when non-null */
  uint8_t pointer; /* held through an owned pointer (recursive types) */
} ber_field;

typedef struct ber_named {
  int32_t value;
  const char *name;
} ber_named;

typedef struct ber_type {
  const char *name;
  uint8_t kind;            /* enum ber_kind */
  uint8_t mask_bytes;      /* SEQUENCE: 0, 1 or 2 bytes of presence mask at offset 0 */
  uint8_t utag;            /* strings: universal tag number of the segments of a constructed form */
  uint32_t tag;            /* the type's tag (the universal tag of its kind unless retagged) */
  uint32_t etag;           /* an explicit outer tag of the type itself, or BER_NOTAG */
  uint32_t size;           /* bytes of the C representation */
  uint32_t lower, upper;   /* size bounds of strings and lists; upper 0 = none */
  const ber_field *fields; /* SEQUENCE components, CHOICE alternatives */
  uint32_t nfields;
  const struct ber_type *elem; /* SEQOF element */
  uint32_t elem_offset;        /* SEQOF: offset of the element in a node */
  uint32_t node_size;          /* SEQOF: bytes of a node */
  const ber_named *names;      /* ENUMERATED: named values */
  uint32_t nnames;
} ber_type;

typedef struct ber_pdu {
  int number;
  const char *name;
  const ber_type *type;
} ber_pdu;

struct OssGlobal;

/* A compiled module: its PDU table (sorted by number) and the set-up that links the
 * coder parts it needs into a world. */
typedef struct ber_module {
  const char *name;
  const ber_pdu *pdus;
  uint32_t npdus;
  int (*init)(struct OssGlobal *world);
} ber_module;

const ber_pdu *BER__FindPDU(const ber_module *module, int number);

#ifdef __cplusplus
}
#endif

#endif
