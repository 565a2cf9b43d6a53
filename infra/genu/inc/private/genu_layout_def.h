// Helpers for writing record layouts (see genu_layout.h).
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_LAYOUT_DEF_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_LAYOUT_DEF_H

#include <cstddef>

#include "private/genu_layout.h"

namespace kq::genu {

#define GENU_FLD(K, T, m, Sub)                                                               \
  Field {                                                                                    \
    .kind = K, .offset = static_cast<uint32_t>(offsetof(T, m)), .size = sizeof(((T *)0)->m), \
    .sub = Sub                                                                               \
  }
#define FI32(T, m) GENU_FLD(FieldKind::kI32, T, m, nullptr)
#define FU32(T, m) GENU_FLD(FieldKind::kU32, T, m, nullptr)
#define FI16(T, m) GENU_FLD(FieldKind::kI16, T, m, nullptr)
#define FF64(T, m) GENU_FLD(FieldKind::kF64, T, m, nullptr)
#define FCHARS(T, m) GENU_FLD(FieldKind::kChars, T, m, nullptr)
#define FBYTES(T, m) GENU_FLD(FieldKind::kBytes, T, m, nullptr)
#define FCSTR(T, m) GENU_FLD(FieldKind::kCStr, T, m, nullptr)
#define FOCT(T, m) GENU_FLD(FieldKind::kOctets, T, m, nullptr)
#define FBITS(T, m) GENU_FLD(FieldKind::kBits, T, m, nullptr)
#define FATTR(T, m) GENU_FLD(FieldKind::kAttr, T, m, nullptr)
#define FSHORT(T, m)                                                               \
  Field {                                                                          \
    .kind = FieldKind::kShortOct, .offset = static_cast<uint32_t>(offsetof(T, m)), \
    .size = sizeof(((T *)0)->m) - 2                                                \
  }
#define FEMB(T, m, Sub) GENU_FLD(FieldKind::kEmbed, T, m, &k##Sub##Layout)
#define FPTR(T, m, Sub) GENU_FLD(FieldKind::kPtr, T, m, &k##Sub##Layout)
#define FSEQ(T, m, Sub) GENU_FLD(FieldKind::kSeq, T, m, &k##Sub##Layout)

// A field that belongs to choices first..last of its record.
constexpr Field When(int32_t first, int32_t last, Field f) {
  f.when = first;
  f.whenLast = last;
  return f;
}
#define WHEN(c, f) When(c, c, f)
#define WHEN2(c, last, f) When(c, last, f)

#define GENU_LAYOUT_HOOKS(R, T, choices, cmp, rnd, ...) \
  static const Field R##_fields[] = {__VA_ARGS__};      \
  extern const Layout k##R##Layout = {                  \
      .name = #R,                                       \
      .size = sizeof(T),                                \
      .maxChoice = choices,                             \
      .fields = R##_fields,                             \
      .fieldCount = sizeof(R##_fields) / sizeof(Field), \
      .compare = cmp,                                   \
      .random = rnd,                                    \
  };
#define GENU_LAYOUT(R, T, maxChoice, ...) \
  GENU_LAYOUT_HOOKS(R, T, maxChoice, nullptr, nullptr, __VA_ARGS__)
// A record that is one scalar.
#define GENU_SCALAR(R, T, K) GENU_LAYOUT(R, T, 0, (Field{.kind = K, .size = sizeof(T)}))
// A record that is the head of a value sequence of Elem.
#define GENU_SEQUENCE(R, Elem) GENU_LAYOUT(R, GEN_##R##_t, 0, FSEQ(GEN_##R##_t, first, Elem))

// Adapts a typed compare to the layout hook signature.
template <typename T, uint32_t (*F)(STF_statusList_t *, const T *, const T *, int32_t *)>
uint32_t Hook(STF_statusList_t *sl, const void *a, const void *b, int32_t *r) {
  return F(sl, static_cast<const T *>(a), static_cast<const T *>(b), r);
}

}  // namespace kq::genu

#endif
