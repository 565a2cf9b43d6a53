// Handing out further references to a handle and giving references back.
#include "private/as_internal.h"

namespace as = kq::as;

extern "C" {
const AS_setHandle_t AS_nullSetHandle = nullptr;
const AS_attrHandle_t AS_nullAttrHandle = nullptr;
const AS_attrValHandle_t AS_nullAttrValHandle = nullptr;
}

namespace {

template <typename PublicHandle>
uint32_t CopyHandle(STF_statusList_t *sl, PublicHandle handle, PublicHandle *out, uint32_t kind) {
  if (!as::Begin(sl)) return 1;
  if (out == nullptr) return as::BadArg(sl, 2), 1;
  as::Handle *h = as::HandleOf(handle);
  if (as::CheckArgHandle(sl, h, kind, 1, as::kAlone) != 0) return 1;
  if (AS__AcquireHandleHO(sl, h) != 0) return 1;
  *out = handle;
  return 0;
}

// A stale handle is freed by its last holder; a live one stays with its object
// even when nobody holds it any more.
template <typename PublicHandle>
uint32_t FreeHandle(STF_statusList_t *sl, PublicHandle *var, uint32_t kind) {
  if (!as::Begin(sl)) return 1;
  if (var == nullptr) return as::BadArg(sl, 1), 1;
  as::Handle *h = as::HandleOf(*var);
  uint32_t rc = AS__CheckHandleHO(sl, h, kind, as::MagicReaderOf(kind));
  if (rc == AS_ST_INVALID_HANDLE) return as::BadArg(sl, 1), 1;
  if (rc == AS_ST_STALE_HANDLE) {
    as::DropStaleUserHO(h);
  } else {
    AS__ReleaseHandleHO(h);
  }
  *var = nullptr;
  return 0;
}

}  // namespace

extern "C" {

uint32_t AS_CopySetHandle(STF_statusList_t *sl, AS_setHandle_t set, AS_setHandle_t *setOut) {
  return CopyHandle(sl, set, setOut, as::kSetKind);
}

uint32_t AS_CopyAttrHandle(STF_statusList_t *sl, AS_attrHandle_t attr, AS_attrHandle_t *attrOut) {
  return CopyHandle(sl, attr, attrOut, as::kAttrKind);
}

uint32_t AS_CopyAttrValHandle(STF_statusList_t *sl, AS_attrValHandle_t val,
                              AS_attrValHandle_t *valOut) {
  return CopyHandle(sl, val, valOut, as::kValKind);
}

uint32_t AS_FreeSetHandle(STF_statusList_t *sl, AS_setHandle_t *set) {
  return FreeHandle(sl, set, as::kSetKind);
}

uint32_t AS_FreeAttrHandle(STF_statusList_t *sl, AS_attrHandle_t *attr) {
  return FreeHandle(sl, attr, as::kAttrKind);
}

uint32_t AS_FreeAttrValHandle(STF_statusList_t *sl, AS_attrValHandle_t *val) {
  return FreeHandle(sl, val, as::kValKind);
}

}  // extern "C"
