// Argument, handle and object checks shared by the exported operations.
#include "private/as_internal.h"

namespace as = kq::as;

namespace {

uint32_t OnTop(STF_statusList_t *sl, as::Role role, uint32_t first, uint32_t second) {
  if (role == as::kFirst) return as::Report(sl, first);
  if (role == as::kSecond) return as::Report(sl, second);
  return 0;
}

}  // namespace

namespace kq::as {

uint32_t CheckArgHandle(STF_statusList_t *sl, const Handle *handle, uint32_t kind, int argNo,
                        Role role) {
  uint32_t rc = AS__CheckHandleHO(sl, handle, kind, MagicReaderOf(kind));
  if (rc == AS_ST_INVALID_HANDLE) return BadArg(sl, argNo);
  if (rc == AS_ST_STALE_HANDLE) {
    uint32_t top = OnTop(sl, role, AS_ST_STALE_FIRST, AS_ST_STALE_SECOND);
    return top != 0 ? top : rc;
  }
  return rc;
}

uint32_t CheckArgSet(STF_statusList_t *sl, const Set *set, Role role) {
  uint32_t rc = AS__CheckSetSO(sl, set);
  if (rc == 0) return 0;
  uint32_t top = OnTop(sl, role, AS_ST_BAD_FIRST, AS_ST_BAD_SECOND);
  return top != 0 ? top : rc;
}

uint32_t CheckArgAttr(STF_statusList_t *sl, const Attr *attr, Role role) {
  uint32_t rc = AS__CheckAttrAO(sl, attr);
  if (rc == 0) return 0;
  uint32_t top = OnTop(sl, role, AS_ST_BAD_FIRST, AS_ST_BAD_SECOND);
  return top != 0 ? top : rc;
}

uint32_t UseSet(STF_statusList_t *sl, AS_setHandle_t handle, int argNo, Set **setOut) {
  Handle *h = HandleOf(handle);
  if (uint32_t rc = CheckArgHandle(sl, h, kSetKind, argNo, kAlone)) return rc;
  auto *set = static_cast<Set *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckSetSO(sl, set)) return rc;
  *setOut = set;
  return 0;
}

uint32_t UseAttr(STF_statusList_t *sl, AS_attrHandle_t handle, int argNo, Attr **attrOut) {
  Handle *h = HandleOf(handle);
  if (uint32_t rc = CheckArgHandle(sl, h, kAttrKind, argNo, kAlone)) return rc;
  auto *attr = static_cast<Attr *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckAttrAO(sl, attr)) return rc;
  *attrOut = attr;
  return 0;
}

uint32_t UseVal(STF_statusList_t *sl, AS_attrValHandle_t handle, int argNo, Val **valOut) {
  Handle *h = HandleOf(handle);
  if (uint32_t rc = CheckArgHandle(sl, h, kValKind, argNo, kAlone)) return rc;
  auto *val = static_cast<Val *>(AS__GetObjectRefFromHandleHO(h));
  if (uint32_t rc = AS__CheckValVO(sl, val)) return rc;
  *valOut = val;
  return 0;
}

uint32_t UseAttrById(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, Attr **attrOut) {
  Set *s;
  if (uint32_t rc = UseSet(sl, set, 1, &s)) return rc;
  return AS__FindAttrInternal(sl, s, attrId, attrOut);
}

}  // namespace kq::as
