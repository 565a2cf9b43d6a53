// Reading the parts of a wire structure that the descriptors point at.
#ifndef KQ_INFRA_BER_IFACE_INTERNAL_BER_ACCESS_H
#define KQ_INFRA_BER_IFACE_INTERNAL_BER_ACCESS_H

#include <cstdint>
#include <cstring>

#include "internal/ber_desc.h"

namespace kq::ber {

inline const uint8_t *At(const void *base, uint32_t offset) {
  return static_cast<const uint8_t *>(base) + offset;
}
inline uint8_t *At(void *base, uint32_t offset) { return static_cast<uint8_t *>(base) + offset; }

template <typename T>
inline T Load(const void *p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
inline void Store(void *p, T v) {
  std::memcpy(p, &v, sizeof v);
}

inline unsigned Mask(const ber_type *t, const void *v) {
  if (t->mask_bytes == 1) return Load<uint8_t>(v);
  if (t->mask_bytes == 2) return Load<uint16_t>(v);
  return 0;
}
inline void SetBit(const ber_type *t, void *v, int bit) {
  if (t->mask_bytes == 1)
    Store<uint8_t>(v, static_cast<uint8_t>(Load<uint8_t>(v) | (1u << bit)));
  else
    Store<uint16_t>(v, static_cast<uint16_t>(Load<uint16_t>(v) | (1u << bit)));
}

// The field's storage, following the pointer of a pointer field (null when unset).
inline void *FieldValue(const ber_field &f, const void *base) {
  void *p = const_cast<uint8_t *>(At(base, f.offset));
  return f.pointer ? Load<void *>(p) : p;
}

// Whether an optional field of a SEQUENCE is present.
inline bool Present(const ber_type *t, const ber_field &f, const void *base) {
  if (f.bit == BER_MANDATORY) return true;
  if (f.bit == BER_OPT_NONNULL) return Load<void *>(At(base, f.offset)) != nullptr;
  return (Mask(t, base) >> f.bit) & 1;
}

// The chosen alternative of a CHOICE, or null for a choice number out of range.
inline const ber_field *Chosen(const ber_type *t, const void *v) {
  uint16_t c = Load<uint16_t>(v);
  return (c >= 1 && c <= t->nfields) ? &t->fields[c - 1] : nullptr;
}

}  // namespace kq::ber

#endif
