// Argument, handle and object checks shared by the exported operations.
#include "private/as_internal.h"

namespace {

uint32_t OnTop(STF_statusList_t *sl, AS__Role role, uint32_t first, uint32_t second) {
  if (role == AS__kFirst) return AS__Report(sl, first);
  if (role == AS__kSecond) return AS__Report(sl, second);
  return 0;
}

}  // namespace

uint32_t AS__CheckArgHandle(STF_statusList_t *sl, const AS__Handle *handle, uint32_t kind,
                            int argNo, AS__Role role) {
  uint32_t rc = AS__CheckHandleHO(sl, handle, kind, AS__MagicReaderOf(kind));
  if (rc == AS_ST_INVALID_HANDLE) return AS__BadArg(sl, argNo);
  if (rc == AS_ST_STALE_HANDLE) {
    uint32_t top = OnTop(sl, role, AS_ST_STALE_FIRST, AS_ST_STALE_SECOND);
    return top != 0 ? top : rc;
  }
  return rc;
}

uint32_t AS__CheckArgSet(STF_statusList_t *sl, const AS__Set *set, AS__Role role) {
  uint32_t rc = AS__CheckSetSO(sl, set);
  if (rc == 0) return 0;
  uint32_t top = OnTop(sl, role, AS_ST_BAD_FIRST, AS_ST_BAD_SECOND);
  return top != 0 ? top : rc;
}

uint32_t AS__CheckArgAttr(STF_statusList_t *sl, const AS__Attr *attr, AS__Role role) {
  uint32_t rc = AS__CheckAttrAO(sl, attr);
  if (rc == 0) return 0;
  uint32_t top = OnTop(sl, role, AS_ST_BAD_FIRST, AS_ST_BAD_SECOND);
  return top != 0 ? top : rc;
}

uint32_t AS__UseSet(STF_statusList_t *sl, AS_setHandle_t handle, int argNo, AS__Set **setOut) {
  AS__Handle *h = AS__HandleOf(handle);
  if (uint32_t rc = AS__CheckArgHandle(sl, h, AS__kSetKind, argNo, AS__kAlone)) return rc;
  auto *set = static_cast<AS__Set *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckSetSO(sl, set)) return rc;
  *setOut = set;
  return 0;
}

uint32_t AS__UseAttr(STF_statusList_t *sl, AS_attrHandle_t handle, int argNo, AS__Attr **attrOut) {
  AS__Handle *h = AS__HandleOf(handle);
  if (uint32_t rc = AS__CheckArgHandle(sl, h, AS__kAttrKind, argNo, AS__kAlone)) return rc;
  auto *attr = static_cast<AS__Attr *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckAttrAO(sl, attr)) return rc;
  *attrOut = attr;
  return 0;
}

uint32_t AS__UseVal(STF_statusList_t *sl, AS_attrValHandle_t handle, int argNo, AS__Val **valOut) {
  AS__Handle *h = AS__HandleOf(handle);
  if (uint32_t rc = AS__CheckArgHandle(sl, h, AS__kValKind, argNo, AS__kAlone)) return rc;
  auto *val = static_cast<AS__Val *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckValVO(sl, val)) return rc;
  *valOut = val;
  return 0;
}

uint32_t AS__UseAttrById(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                         AS__Attr **attrOut) {
  AS__Set *s;
  if (uint32_t rc = AS__UseSet(sl, set, 1, &s)) return rc;
  return AS__FindAttrInternal(sl, s, attrId, attrOut);
}
