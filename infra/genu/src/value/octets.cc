// Owned byte strings and character arrays, and the default allocator.
#include <cstdlib>
#include <cstring>

#include "internal/stf_fail.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

namespace kq::genu {

uint32_t CopyOctets(STF_statusList_t *sl, GEN_OctetString_t *dst, const GEN_OctetString_t *src,
                    const AS_allocateDescriptor_t *alloc) {
  *dst = GEN_OctetString_t{0, nullptr};
  if (src->length < 0) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (src->length == 0) return 0;
  unsigned char *p = GEN_CopyUnsignedCharArray(src->value, src->length, src->length + 1, alloc);
  if (!p) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  p[src->length] = 0;
  *dst = GEN_OctetString_t{src->length, p};
  return 0;
}

uint32_t DeleteOctets(STF_statusList_t *sl, GEN_OctetString_t *value,
                      const AS_allocateDescriptor_t *alloc) {
  uint32_t rc = 0;
  if (value->length < 0) {
    STF_AddStatus(sl, GENU_ST_BAD_VALUE, 0);
    rc = 1;
  }
  Free(alloc, value->value);
  memset(value, 0, sizeof *value);
  return rc;
}

}  // namespace kq::genu

extern "C" {

void *GENU_DefMalloc(size_t size) { return malloc(size); }
void GENU_DefFree(void *block) { free(block); }
const AS_allocateDescriptor_t genu_sysAllocator = {GENU_DefMalloc, GENU_DefFree};

char *GEN_CopyCharArray(const char *source, int32_t length, int32_t size,
                        const AS_allocateDescriptor_t *alloc) {
  return reinterpret_cast<char *>(GEN_CopyUnsignedCharArray(
      reinterpret_cast<const unsigned char *>(source), length, size, alloc));
}

unsigned char *GEN_CopyUnsignedCharArray(const unsigned char *source, int32_t length, int32_t size,
                                         const AS_allocateDescriptor_t *alloc) {
  if (size < 1) size = 1;
  if (length > size) length = size;
  auto *p = static_cast<unsigned char *>(genu::Alloc(alloc, static_cast<size_t>(size)));
  if (!p) return nullptr;
  if (length < 1)
    p[0] = 0;
  else
    memcpy(p, source, static_cast<size_t>(length));
  return p;
}

// A bit string owns (bitLength + 7) / 8 bytes.
}  // extern "C"

namespace kq::genu {

uint32_t CopyBits(STF_statusList_t *sl, GEN_BitString_t *dst, const GEN_BitString_t *src,
                  const AS_allocateDescriptor_t *alloc) {
  GEN_OctetString_t bytes{src->bitLength < 0 ? -1 : (src->bitLength + 7) / 8, src->bits}, copy;
  if (CopyOctets(sl, &copy, &bytes, alloc)) {
    *dst = GEN_BitString_t{0, nullptr};
    return 1;
  }
  *dst = GEN_BitString_t{src->bitLength, copy.value};
  return 0;
}

uint32_t DeleteBits(STF_statusList_t *sl, GEN_BitString_t *value,
                    const AS_allocateDescriptor_t *alloc) {
  GEN_OctetString_t bytes{value->bitLength < 0 ? -1 : 0, value->bits};
  memset(value, 0, sizeof *value);
  return DeleteOctets(sl, &bytes, alloc);
}

}  // namespace kq::genu

extern "C" {

void GEN_GenToUint64(uint64_t *out, const GEN_Cardinal64_t *value) {
  *out = (static_cast<uint64_t>(value->high) << 32) | value->low;
}

void GEN_Uint64ToGen(GEN_Cardinal64_t *out, uint64_t value) {
  out->high = static_cast<uint32_t>(value >> 32);
  out->low = static_cast<uint32_t>(value);
}

}  // extern "C"
