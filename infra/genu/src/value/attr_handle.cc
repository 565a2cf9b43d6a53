// Attributes held inside values: each lives alone in a private attribute set,
// reached through its attribute handle. Copying makes a new private set; deleting
// destroys the set the attribute lives in.
#include <cstdlib>

#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/genu_layout.h"

namespace {
// Attribute-set calls clear the list they are given, so they report into a
// scratch list, and the caller's list gets this facility's code for what they
// reported there.
uint32_t Translated(STF_statusList_t *scratch) {
  STF_objectInfo_t info;
  for (int32_t i = 1; STF_GetObjectInfo(scratch, i, &info) == 0; ++i)
    if (info.code == AS_ST_NO_MEMORY || info.code == GENU_ST_NO_MEMORY) return GENU_ST_NO_MEMORY;
  return GENU_ST_SET_ACCESS;
}
}  // namespace

namespace kq::genu {

uint32_t CopyAttr(STF_statusList_t *sl, AS_attrHandle_t *dst, const AS_attrHandle_t *src,
                  const AS_allocateDescriptor_t *alloc) {
  if (!*src) {
    *dst = AS_nullAttrHandle;
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  }
  *dst = AS_nullAttrHandle;
  kq::stf::ScratchList s;
  AS_setHandle_t set = AS_nullSetHandle;
  if (AS_Create(s, &set, alloc, 0)) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  if (AS_CopyAttrR(s, set, *src, dst)) {
    STF_AddStatus(sl, Translated(s), 0);
    AS_Destroy(s, &set);
    *dst = AS_nullAttrHandle;
    return 1;
  }
  AS_FreeSetHandle(s, &set);
  return 0;
}

uint32_t DeleteAttr(STF_statusList_t *sl, AS_attrHandle_t *value) {
  if (!*value) return 0;
  kq::stf::ScratchList s;
  AS_setHandle_t set = AS_nullSetHandle;
  uint32_t rc = AS_GetAttrSetR(s, *value, &set);
  AS_FreeAttrHandle(s, value);
  if (rc == 0) rc = AS_Destroy(s, &set);
  *value = AS_nullAttrHandle;
  if (rc) STF_AddStatus(sl, GENU_ST_SET_ACCESS, 0);
  return rc;
}

}  // namespace kq::genu

extern "C" {

void GENU__FreeAttrValList(AS_valueList_t *list) {
  if (!list) return;
  free(list->values);
  list->values = nullptr;
  list->count = 0;
}

// Attributes are equal when they have the same identifier and their values match
// one to one in any order.
uint32_t GENU__CompareAttrHandle(STF_statusList_t *sl, const GEN_AttrHandle_t *a,
                                 const GEN_AttrHandle_t *b, int32_t *result) {
  if (!a || !b || !result) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  kq::stf::ScratchList s;
  uint32_t idA = 0, idB = 0, typeA = 0, typeB = 0;
  if (AS_GetAttrIDR(s, *a, &idA) || AS_GetAttrIDR(s, *b, &idB) ||
      AS_GetAttrValTypeR(s, *a, &typeA) || AS_GetAttrValTypeR(s, *b, &typeB)) {
    return STF__Fail(sl, GENU_ST_SET_ACCESS);
  }
  *result = 1;
  if (idA != idB) return 0;
  if (typeA != typeB) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  AS_valueList_t la{0, nullptr}, lb{0, nullptr};
  if (AS_GetAttrValListR(s, *a, &la, nullptr) || AS_GetAttrValListR(s, *b, &lb, nullptr)) {
    GENU__FreeAttrValList(&la);
    return STF__Fail(sl, GENU_ST_SET_ACCESS);
  }
  uint32_t rc = 0;
  if (la.count == lb.count) {
    bool *matched = static_cast<bool *>(calloc(lb.count ? lb.count : 1, sizeof(bool)));
    if (!matched) {
      STF_AddStatus(sl, GENU_ST_NO_MEMORY, 0);
      rc = 1;
    }
    bool allMatched = matched != nullptr;
    for (uint32_t i = 0; allMatched && i < la.count; ++i) {
      bool found = false;
      for (uint32_t j = 0; j < lb.count && !found; ++j) {
        if (matched[j]) continue;
        int32_t r = 1;
        if (GEN_CompareAttrValue(sl, typeA, la.values[i], lb.values[j], &r)) {
          rc = 1;
          allMatched = false;
          break;
        }
        if (r == 0) matched[j] = found = true;
      }
      if (!found) allMatched = false;
    }
    if (allMatched) *result = 0;
    free(matched);
  }
  GENU__FreeAttrValList(&la);
  GENU__FreeAttrValList(&lb);
  return rc;
}

}  // extern "C"
