// Helpers for writing record layouts (see genu_layout.h).
#ifndef KQ_GENU_LAYOUT_DEF_H
#define KQ_GENU_LAYOUT_DEF_H

#include <cstddef>

#include "private/genu_layout.h"

#define GENU_FLD(K, T, m, Sub)                                                               \
  GenuField {                                                                                \
    .kind = K, .offset = static_cast<uint32_t>(offsetof(T, m)), .size = sizeof(((T *)0)->m), \
    .sub = Sub                                                                               \
  }
#define FI32(T, m) GENU_FLD(GK_I32, T, m, nullptr)
#define FU32(T, m) GENU_FLD(GK_U32, T, m, nullptr)
#define FI16(T, m) GENU_FLD(GK_I16, T, m, nullptr)
#define FF64(T, m) GENU_FLD(GK_F64, T, m, nullptr)
#define FCHARS(T, m) GENU_FLD(GK_CHARS, T, m, nullptr)
#define FBYTES(T, m) GENU_FLD(GK_BYTES, T, m, nullptr)
#define FCSTR(T, m) GENU_FLD(GK_CSTR, T, m, nullptr)
#define FOCT(T, m) GENU_FLD(GK_OCTETS, T, m, nullptr)
#define FBITS(T, m) GENU_FLD(GK_BITS, T, m, nullptr)
#define FATTR(T, m) GENU_FLD(GK_ATTR, T, m, nullptr)
#define FSHORT(T, m)                                                      \
  GenuField {                                                             \
    .kind = GK_SHORTOCT, .offset = static_cast<uint32_t>(offsetof(T, m)), \
    .size = sizeof(((T *)0)->m) - 2                                       \
  }
#define FEMB(T, m, Sub) GENU_FLD(GK_EMBED, T, m, &genu_L_##Sub)
#define FPTR(T, m, Sub) GENU_FLD(GK_PTR, T, m, &genu_L_##Sub)
#define FSEQ(T, m, Sub) GENU_FLD(GK_SEQ, T, m, &genu_L_##Sub)

// A field that belongs to choices first..last of its record.
constexpr GenuField genu_When(int32_t first, int32_t last, GenuField f) {
  f.when = first;
  f.whenLast = last;
  return f;
}
#define WHEN(c, f) genu_When(c, c, f)
#define WHEN2(c, last, f) genu_When(c, last, f)

#define GENU_LAYOUT_HOOKS(R, T, choices, cmp, rnd, ...)     \
  static const GenuField R##_fields[] = {__VA_ARGS__};      \
  extern const GenuLayout genu_L_##R = {                    \
      .name = #R,                                           \
      .size = sizeof(T),                                    \
      .maxChoice = choices,                                 \
      .fields = R##_fields,                                 \
      .fieldCount = sizeof(R##_fields) / sizeof(GenuField), \
      .compare = cmp,                                       \
      .random = rnd,                                        \
  };
#define GENU_LAYOUT(R, T, maxChoice, ...) GENU_LAYOUT_HOOKS(R, T, maxChoice, nullptr, nullptr, __VA_ARGS__)
// A record that is one scalar.
#define GENU_SCALAR(R, T, K) GENU_LAYOUT(R, T, 0, (GenuField{.kind = K, .size = sizeof(T)}))
// A record that is the head of a value sequence of Elem.
#define GENU_SEQUENCE(R, Elem) GENU_LAYOUT(R, GEN_##R##_t, 0, FSEQ(GEN_##R##_t, first, Elem))

// Adapts a typed compare to the layout hook signature.
template <typename T, uint32_t (*F)(STF_statusList_t *, const T *, const T *, int32_t *)>
uint32_t genu_Hook(STF_statusList_t *sl, const void *a, const void *b, int32_t *r) {
  return F(sl, static_cast<const T *>(a), static_cast<const T *>(b), r);
}

#endif
