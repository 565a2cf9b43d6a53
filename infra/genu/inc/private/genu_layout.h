// Record layouts: every generic value record is described once, as a list of
// fields (kind, offset, size, the choice it belongs to, the layout of the record
// it holds), and one engine deep-copies, deep-deletes, compares and generates
// random values of any record by walking that description.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_LAYOUT_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <random>

#include "infra/genu.h"

namespace kq::genu {

enum class FieldKind : uint8_t {
  kI32,       // signed 32-bit
  kU32,       // unsigned 32-bit (short OIDs, enumerations)
  kI16,       // signed 16-bit
  kF64,       // double
  kChars,     // inline NUL-terminated string; size = capacity with the terminator
  kShortOct,  // inline 16-bit length + bytes; size = byte capacity
  kCStr,      // owned NUL-terminated string
  kOctets,    // GEN_OctetString_t (owned bytes)
  kBits,      // GEN_BitString_t (owned bytes, length in bits)
  kEmbed,     // an inline record of layout `sub`
  kPtr,       // an owned optional record of layout `sub`
  kSeq,       // a value sequence of records of layout `sub`
  kAttr,      // an attribute handle living alone in a private attribute set
  kBytes,     // inline raw bytes of `size`
};

struct Layout;
typedef uint32_t (*CompareHook)(STF_statusList_t *sl, const void *a, const void *b,
                                int32_t *result);
typedef void (*RandomHook)(void *record, std::mt19937 &rng);

// Rows name their members (designated initializers); those a row leaves out take
// the defaults below.
struct Field {
  FieldKind kind;
  int32_t when = 0;  // the choice this field belongs to; 0: always present
  uint32_t offset = 0;
  uint32_t size;
  const Layout *sub = nullptr;
  int32_t whenLast = 0;  // with `when`: the field belongs to choices when..whenLast
};

struct Layout {
  const char *name;
  uint32_t size;
  int32_t maxChoice;  // > 0: an int32 choice 1..maxChoice at offset 0
  const Field *fields;
  uint32_t fieldCount;
  CompareHook compare;  // the record's own compare rule, else structural
  RandomHook random;    // fixes up generated values that must satisfy a rule
};

// The engine. All take the allocator the caller gave (null: the defaults).
uint32_t DeepCopy(STF_statusList_t *sl, const Layout *L, void *dst, const void *src,
                  const AS_allocateDescriptor_t *alloc);
uint32_t DeepDelete(STF_statusList_t *sl, const Layout *L, void *rec,
                    const AS_allocateDescriptor_t *alloc);
uint32_t Copy(STF_statusList_t *sl, const Layout *L, void **out, const void *src,
              const AS_allocateDescriptor_t *alloc);
uint32_t Delete(STF_statusList_t *sl, const Layout *L, void *rec,
                const AS_allocateDescriptor_t *alloc);
// Uses the layout's compare hook when it has one; structural otherwise.
uint32_t Compare(STF_statusList_t *sl, const Layout *L, const void *a, const void *b,
                 int32_t *result);
// Always structural: choice first, then fields in declaration order.
uint32_t CompareStruct(STF_statusList_t *sl, const Layout *L, const void *a, const void *b,
                       int32_t *result);
// Fills `rec` (zeroed by the caller) with a random valid value; parts allocated
// with malloc, so DeepDelete(..., null) releases them.
void Random(const Layout *L, void *rec, std::mt19937 &rng, int depth = 0);

// Owned byte strings: a copy of `length` bytes plus one zero byte (none for
// length 0); a negative length is refused.
uint32_t CopyOctets(STF_statusList_t *sl, GEN_OctetString_t *dst, const GEN_OctetString_t *src,
                    const AS_allocateDescriptor_t *alloc);
uint32_t DeleteOctets(STF_statusList_t *sl, GEN_OctetString_t *value,
                      const AS_allocateDescriptor_t *alloc);

uint32_t CopyBits(STF_statusList_t *sl, GEN_BitString_t *dst, const GEN_BitString_t *src,
                  const AS_allocateDescriptor_t *alloc);
uint32_t DeleteBits(STF_statusList_t *sl, GEN_BitString_t *value,
                    const AS_allocateDescriptor_t *alloc);
// Attributes inside values: a copy lives alone in a new private attribute set
// made with `alloc`; deleting destroys the set the attribute lives in.
uint32_t CopyAttr(STF_statusList_t *sl, AS_attrHandle_t *dst, const AS_attrHandle_t *src,
                  const AS_allocateDescriptor_t *alloc);
uint32_t DeleteAttr(STF_statusList_t *sl, AS_attrHandle_t *value);

void *Alloc(const AS_allocateDescriptor_t *alloc, size_t size);
void Free(const AS_allocateDescriptor_t *alloc, void *block);

// Layout of every record, k<Record>Layout.
#define GENU_LAYOUT_EXTERN(R) extern const Layout k##R##Layout;
GENU_COPY_DELETE_RECORDS(GENU_LAYOUT_EXTERN)
GENU_DEEP_RECORDS(GENU_LAYOUT_EXTERN)
extern const Layout kFinishingSpecLayout, kFinishingSpecPrivateLayout, kSetOfCheckpointsLayout,
    kLocaleCodeLayout;

// The layout of the record of value type id `id`, null without one.
const Layout *LayoutOfType(uint32_t id);

}  // namespace kq::genu

#endif
