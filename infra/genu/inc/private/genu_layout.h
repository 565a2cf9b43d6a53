// Record layouts: every generic value record is described once, as a list of
// fields (kind, offset, size, the choice it belongs to, the layout of the record
// it holds), and one engine deep-copies, deep-deletes, compares and generates
// random values of any record by walking that description.
#ifndef KQ_GENU_LAYOUT_H
#define KQ_GENU_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <random>

#include "infra/genu.h"

enum GenuKind : uint8_t {
  GK_I32,     // signed 32-bit
  GK_U32,     // unsigned 32-bit (short OIDs, enumerations)
  GK_I16,     // signed 16-bit
  GK_F64,     // double
  GK_CHARS,   // inline NUL-terminated string; size = capacity with the terminator
  GK_SHORTOCT, // inline 16-bit length + bytes; size = byte capacity
  GK_CSTR,    // owned NUL-terminated string
  GK_OCTETS,  // GEN_OctetString_t (owned bytes)
  GK_BITS,    // GEN_BitString_t (owned bytes, length in bits)
  GK_EMBED,   // an inline record of layout `sub`
  GK_PTR,     // an owned optional record of layout `sub`
  GK_SEQ,     // a value sequence of records of layout `sub`
  GK_ATTR,    // an attribute handle living alone in a private attribute set
  GK_BYTES,   // inline raw bytes of `size`
};

struct GenuLayout;
typedef uint32_t (*GenuCompareHook)(STF_statusList_t *sl, const void *a, const void *b,
                                    int32_t *result);
typedef void (*GenuRandomHook)(void *record, std::mt19937 &rng);

// Rows name their members (designated initializers); those a row leaves out take
// the defaults below.
struct GenuField {
  GenuKind kind;
  int32_t when = 0;  // the choice this field belongs to; 0: always present
  uint32_t offset = 0;
  uint32_t size;
  const GenuLayout *sub = nullptr;
  int32_t whenLast = 0;  // with `when`: the field belongs to choices when..whenLast
};

struct GenuLayout {
  const char *name;
  uint32_t size;
  int32_t maxChoice;  // > 0: an int32 choice 1..maxChoice at offset 0
  const GenuField *fields;
  uint32_t fieldCount;
  GenuCompareHook compare;  // the record's own compare rule, else structural
  GenuRandomHook random;    // fixes up generated values that must satisfy a rule
};

// The engine. All take the allocator the caller gave (null: the defaults).
uint32_t genu_DeepCopy(STF_statusList_t *sl, const GenuLayout *L, void *dst, const void *src,
                       const AS_allocateDescriptor_t *alloc);
uint32_t genu_DeepDelete(STF_statusList_t *sl, const GenuLayout *L, void *rec,
                         const AS_allocateDescriptor_t *alloc);
uint32_t genu_Copy(STF_statusList_t *sl, const GenuLayout *L, void **out, const void *src,
                   const AS_allocateDescriptor_t *alloc);
uint32_t genu_Delete(STF_statusList_t *sl, const GenuLayout *L, void *rec,
                     const AS_allocateDescriptor_t *alloc);
// Uses the layout's compare hook when it has one; structural otherwise.
uint32_t genu_Compare(STF_statusList_t *sl, const GenuLayout *L, const void *a, const void *b,
                      int32_t *result);
// Always structural: choice first, then fields in declaration order.
uint32_t genu_CompareStruct(STF_statusList_t *sl, const GenuLayout *L, const void *a,
                            const void *b, int32_t *result);
// Fills `rec` (zeroed by the caller) with a random valid value; parts allocated
// with malloc, so genu_DeepDelete(..., null) releases them.
void genu_Random(const GenuLayout *L, void *rec, std::mt19937 &rng, int depth = 0);

// Owned byte strings: a copy of `length` bytes plus one zero byte (none for
// length 0); a negative length is refused.
uint32_t genu_CopyOctets(STF_statusList_t *sl, GEN_OctetString_t *dst, const GEN_OctetString_t *src,
                         const AS_allocateDescriptor_t *alloc);
uint32_t genu_DeleteOctets(STF_statusList_t *sl, GEN_OctetString_t *value,
                           const AS_allocateDescriptor_t *alloc);

uint32_t genu_CopyBits(STF_statusList_t *sl, GEN_BitString_t *dst, const GEN_BitString_t *src,
                       const AS_allocateDescriptor_t *alloc);
uint32_t genu_DeleteBits(STF_statusList_t *sl, GEN_BitString_t *value,
                         const AS_allocateDescriptor_t *alloc);
// Attributes inside values: a copy lives alone in a new private attribute set
// made with `alloc`; deleting destroys the set the attribute lives in.
uint32_t genu_CopyAttr(STF_statusList_t *sl, AS_attrHandle_t *dst, const AS_attrHandle_t *src,
                       const AS_allocateDescriptor_t *alloc);
uint32_t genu_DeleteAttr(STF_statusList_t *sl, AS_attrHandle_t *value);

void *genu_Alloc(const AS_allocateDescriptor_t *alloc, size_t size);
void genu_Free(const AS_allocateDescriptor_t *alloc, void *block);

// Layout of every record, genu_L_<Record>.
#define GENU_LAYOUT_EXTERN(R) extern const GenuLayout genu_L_##R;
GENU_COPY_DELETE_RECORDS(GENU_LAYOUT_EXTERN)
GENU_DEEP_RECORDS(GENU_LAYOUT_EXTERN)
extern const GenuLayout genu_L_FinishingSpec, genu_L_FinishingSpecPrivate, genu_L_SetOfCheckpoints,
    genu_L_LocaleCode;

// The layout of the record of value type id `id`, null without one.
const GenuLayout *genu_LayoutOfType(uint32_t id);

#endif
