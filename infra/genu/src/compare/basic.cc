// Compares of numbers, identifiers, byte strings, C strings, ranges and 64-bit
// cardinals, and the structural compares of the composite records.
#include <strings.h>

#include <cmath>
#include <cstring>

#include "internal/stf_fail.h"
#include "private/genu_compare_util.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

namespace kq::genu {

uint32_t OctetRule(STF_statusList_t *sl, int32_t la, const unsigned char *a, int32_t lb,
                   const unsigned char *b, bool caseless, int32_t *r) {
  if (la < 0 || lb < 0) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (la > 0 && lb > 0) {
    size_t n = static_cast<size_t>(la < lb ? la : lb);
    const char *x = reinterpret_cast<const char *>(a), *y = reinterpret_cast<const char *>(b);
    int c = caseless ? strncasecmp(x, y, n) : strncmp(x, y, n);
    *r = c != 0 ? Sign(c) : Sign(la - lb);
    return 0;
  }
  // An empty first string sorts after a non-empty one, an empty second before.
  *r = (la == 0 && lb == 0) ? 0 : (la == 0 ? 1 : -1);
  return 0;
}

}  // namespace kq::genu

namespace {

// Equal members; a NaN (a received REAL may hold one) equals a NaN, as in the scalar
// compare of reals, so that a value always equals itself.
bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

extern "C" {

uint32_t GEN_CompareUnsignedInteger(STF_statusList_t *sl, const uint32_t *a, const uint32_t *b,
                                    int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  *result = *a < *b ? -1 : (*a > *b ? 1 : 0);
  return 0;
}

uint32_t GEN_CompareInteger(STF_statusList_t *sl, const GEN_Integer_t *a, const GEN_Integer_t *b,
                            int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  *result = *a < *b ? -1 : (*a > *b ? 1 : 0);
  return 0;
}

uint32_t GEN_CompareIdentifier(STF_statusList_t *sl, const GEN_Identifier_t *a,
                               const GEN_Identifier_t *b, int32_t *result) {
  return GEN_CompareUnsignedInteger(sl, a, b, result);
}

uint32_t GEN_CompareOctetString(STF_statusList_t *sl, const GEN_OctetString_t *a,
                                const GEN_OctetString_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  return genu::OctetRule(sl, a->length, a->value, b->length, b->value, false, result);
}

uint32_t GEN_ICompareOctetString(STF_statusList_t *sl, const GEN_OctetString_t *a,
                                 const GEN_OctetString_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  return genu::OctetRule(sl, a->length, a->value, b->length, b->value, true, result);
}

uint32_t GENU__CompareShortOctetString(STF_statusList_t *sl, const void *a, const void *b,
                                       int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  const auto *x = static_cast<const GEN_Octet255_t *>(a);
  const auto *y = static_cast<const GEN_Octet255_t *>(b);
  return genu::OctetRule(sl, x->length, x->value, y->length, y->value, false, result);
}

uint32_t GEN_CompareOctet255(STF_statusList_t *sl, const GEN_Octet255_t *a, const GEN_Octet255_t *b,
                             int32_t *result) {
  return GENU__CompareShortOctetString(sl, a, b, result);
}

uint32_t GEN_ICompareOctet255(STF_statusList_t *sl, const GEN_Octet255_t *a,
                              const GEN_Octet255_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  return genu::OctetRule(sl, a->length, a->value, b->length, b->value, true, result);
}

uint32_t GEN_CompareCString(STF_statusList_t *sl, const GEN_CString_t *a, const GEN_CString_t *b,
                            int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  if (!a->string || !b->string)
    *result = a->string ? 1 : (b->string ? -1 : 0);
  else
    *result = genu::Sign(strcmp(a->string, b->string));
  return 0;
}

// Ranges and dimensions are compared for equality only.
#define GENU_EQUALITY_COMPARE(Fn, T)                                           \
  uint32_t Fn(STF_statusList_t *sl, const T *a, const T *b, int32_t *result) { \
    if (!genu::CheckPair(sl, a, b, result)) return 1;                          \
    *result = (Same(a->lower, b->lower) && Same(a->upper, b->upper)) ? 0 : 1;  \
    return 0;                                                                  \
  }
GENU_EQUALITY_COMPARE(GENU__CompareCardinalRange, GEN_IntegerRange_t)
GENU_EQUALITY_COMPARE(GENU__CompareIntegerRange, GEN_IntegerRange_t)
GENU_EQUALITY_COMPARE(GENU__CompareRealRange, GEN_RealRange_t)
GENU_EQUALITY_COMPARE(GENU__CompareNonNegativeRealRange, GEN_RealRange_t)

uint32_t GENU__CompareMediumDimensions(STF_statusList_t *sl, const GEN_MediumDimensions_t *a,
                                       const GEN_MediumDimensions_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  *result = (Same(a->x, b->x) && Same(a->y, b->y)) ? 0 : 1;
  return 0;
}

uint32_t GENU__CompareCardinal64(STF_statusList_t *sl, const GEN_Cardinal64_t *a,
                                 const GEN_Cardinal64_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  uint64_t x, y;
  GEN_GenToUint64(&x, a);
  GEN_GenToUint64(&y, b);
  *result = x < y ? -1 : (x > y ? 1 : 0);
  return 0;
}

uint32_t GENU__CompareCardinal64Range(STF_statusList_t *sl, const GEN_Cardinal64Range_t *a,
                                      const GEN_Cardinal64Range_t *b, int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  GENU__CompareCardinal64(sl, &a->lower, &b->lower, result);
  if (*result == 0) GENU__CompareCardinal64(sl, &a->upper, &b->upper, result);
  return 0;
}

#define GENU_DEFINE_STRUCT_COMPARE(Fn, R)                                                          \
  uint32_t Fn(STF_statusList_t *sl, const GEN_##R##_t *a, const GEN_##R##_t *b, int32_t *result) { \
    if (!genu::CheckPair(sl, a, b, result)) return 1;                                              \
    return genu::CompareStruct(sl, &genu::k##R##Layout, a, b, result);                             \
  }
GENU_STRUCT_COMPARES(GENU_DEFINE_STRUCT_COMPARE)

}  // extern "C"
