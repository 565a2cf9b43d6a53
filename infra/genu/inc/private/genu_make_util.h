// Helpers shared by the makers.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_MAKE_UTIL_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_MAKE_UTIL_H

#include <cstring>

#include "internal/stf_fail.h"
#include "private/genu_layout.h"

namespace kq::genu {

// Allocates a zeroed record of layout L, lets `fill` build it and hands it out;
// when `fill` fails it must leave nothing owned behind, and the record is freed.
template <typename T, typename Fill>
uint32_t MakeRecord(STF_statusList_t *sl, T **out, const Layout *L,
                    const AS_allocateDescriptor_t *alloc, Fill fill) {
  if (!out) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  *out = nullptr;
  T *rec = static_cast<T *>(Alloc(alloc, L->size));
  if (!rec) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  memset(rec, 0, L->size);
  if (fill(rec)) {
    Free(alloc, rec);
    return 1;
  }
  *out = rec;
  return 0;
}

// A Text of choice 5 that borrows the caller's characters (no allocation): a
// template for Copy, never released itself.
inline GEN_Text_t BorrowText(const char *s) {
  GEN_Text_t t{};
  t.choice = GEN_TEXT_OTHER;
  if (s) {
    t.u.octets.length = static_cast<int32_t>(strlen(s));
    t.u.octets.value = reinterpret_cast<unsigned char *>(const_cast<char *>(s));
  }
  return t;
}

}  // namespace kq::genu

#endif
