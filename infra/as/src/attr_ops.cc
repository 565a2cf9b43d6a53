// Attribute operations: adding, copying, deleting, finding and walking attributes,
// and reading or changing their ID, modify operator and characteristics.
#include <cstring>

#include "private/as_internal.h"

namespace as = kq::as;

namespace {

// Appends a copy of `source` to `dest`, the copy's handle returned when asked for.
uint32_t CopyAttrInto(STF_statusList_t *sl, as::Set *dest, const as::Attr *source,
                      AS_attrHandle_t *attrOut) {
  if (dest->duplicates == 0 && AS__FindAttrInSetSO(dest, source->attrId) != nullptr) {
    return as::Report(sl, AS_ST_DUPLICATE_ATTR);
  }
  if (AS__GetAttrCountSO(dest) == as::kMaxCount) return as::Report(sl, AS_ST_SET_FULL);
  if (uint32_t rc = AS__ReserveAttrsSO(sl, dest, 1)) return rc;
  as::Attr *copy;
  if (uint32_t rc = AS__CopyAttrInternal(sl, source, dest, &copy)) return rc;
  AS__AddAttrToSetSO(dest, copy);
  if (attrOut != nullptr) {
    AS__AcquireHandleHO(sl, copy->handle);  // a new handle: cannot be full
    *attrOut = as::PublicAttrHandle(copy->handle);
  }
  return 0;
}

uint32_t CopyCharacteristicsOut(STF_statusList_t *sl, const as::Attr *attr, void **dataOut,
                                uint32_t *lengthOut, AS_allocateFunction_t allocate) {
  if (attr->charData == nullptr) {
    *dataOut = nullptr;
    *lengthOut = 0;
    return 0;
  }
  void *copy =
      as::AllocateOrReport(sl, allocate != nullptr ? allocate : AS__Allocate, attr->charLength);
  if (copy == nullptr) return AS_ST_NO_MEMORY;
  std::memcpy(copy, attr->charData, attr->charLength);
  *dataOut = copy;
  *lengthOut = attr->charLength;
  return 0;
}

bool ModifyOpInRange(int32_t op) { return op >= AS_MODIFY_NOOP && op <= AS_MODIFY_SET_DEFAULT; }

}  // namespace

extern "C" {

uint32_t AS_AddAttr(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, uint32_t valueType,
                    AS_attrHandle_t *attrOut) {
  if (!as::Begin(sl)) return 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  if (s->duplicates == 0 && AS__FindAttrInSetSO(s, attrId) != nullptr) {
    return as::Report(sl, AS_ST_DUPLICATE_ATTR), 1;
  }
  if (AS__GetAttrCountSO(s) == as::kMaxCount) return as::Report(sl, AS_ST_SET_FULL), 1;
  if (AS__ReserveAttrsSO(sl, s, 1) != 0) return 1;
  as::Attr *attr;
  if (as::NewAttrInternal(sl, s, attrId, valueType, nullptr, &attr) != 0) return 1;
  AS__AddAttrToSetSO(s, attr);
  if (attrOut != nullptr) {
    AS__AcquireHandleHO(sl, attr->handle);
    *attrOut = as::PublicAttrHandle(attr->handle);
  }
  return 0;
}

uint32_t AS_CopyAttr(STF_statusList_t *sl, AS_setHandle_t destSet, AS_setHandle_t sourceSet,
                     uint32_t attrId, AS_attrHandle_t *attrOut) {
  if (!as::Begin(sl)) return 1;
  as::Handle *dh = as::HandleOf(destSet), *sh = as::HandleOf(sourceSet);
  if (as::CheckArgHandle(sl, dh, as::kSetKind, 1, as::kFirst) != 0 ||
      as::CheckArgHandle(sl, sh, as::kSetKind, 2, as::kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(dh));
  auto *source = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(sh));
  if (as::CheckArgSet(sl, dest, as::kFirst) != 0 || as::CheckArgSet(sl, source, as::kSecond) != 0) {
    return 1;
  }
  as::Attr *attr;
  if (AS__FindAttrInternal(sl, source, attrId, &attr) != 0) return 1;
  return CopyAttrInto(sl, dest, attr, attrOut) != 0;
}

uint32_t AS_CopyAttrR(STF_statusList_t *sl, AS_setHandle_t destSet, AS_attrHandle_t sourceAttr,
                      AS_attrHandle_t *attrOut) {
  if (!as::Begin(sl)) return 1;
  as::Handle *dh = as::HandleOf(destSet), *sh = as::HandleOf(sourceAttr);
  if (as::CheckArgHandle(sl, dh, as::kSetKind, 1, as::kFirst) != 0 ||
      as::CheckArgHandle(sl, sh, as::kAttrKind, 2, as::kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(dh));
  auto *attr = static_cast<as::Attr *>(AS__GetObjectRefFromHandleHO(sh));
  if (as::CheckArgSet(sl, dest, as::kFirst) != 0 || as::CheckArgAttr(sl, attr, as::kSecond) != 0) {
    return 1;
  }
  return CopyAttrInto(sl, dest, attr, attrOut) != 0;
}

uint32_t AS_DeleteAttr(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId) {
  if (!as::Begin(sl)) return 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return AS__DeleteAttrInternal(sl, attr) != 0;
}

uint32_t AS_DeleteAttrR(STF_statusList_t *sl, AS_attrHandle_t *attrVar) {
  if (!as::Begin(sl)) return 1;
  if (attrVar == nullptr) return as::BadArg(sl, 1), 1;
  as::Attr *attr;
  if (as::UseAttr(sl, *attrVar, 1, &attr) != 0) return 1;
  as::Handle *handle = attr->handle;
  if (AS__DeleteAttrInternal(sl, attr) != 0) return 1;
  as::DropStaleUserHO(handle);  // stale now, since the caller holds it
  *attrVar = AS_nullAttrHandle;
  return 0;
}

uint32_t AS_FindAttr(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                     AS_attrHandle_t *attrOut) {
  if (!as::Begin(sl)) return 1;
  if (attrOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  if (AS__AcquireHandleHO(sl, attr->handle) != 0) return 1;
  *attrOut = as::PublicAttrHandle(attr->handle);
  return 0;
}

uint32_t AS_FindFirstAttr(STF_statusList_t *sl, AS_setHandle_t set, AS_attrHandle_t *attrOut,
                          uint32_t *attrIdOut) {
  if (!as::Begin(sl)) return 1;
  if (attrOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  if (s->first == nullptr) return as::Report(sl, AS_ST_ATTR_NOT_FOUND), 1;
  if (AS__AcquireHandleHO(sl, s->first->handle) != 0) return 1;
  *attrOut = as::PublicAttrHandle(s->first->handle);
  if (attrIdOut != nullptr) *attrIdOut = s->first->attrId;
  return 0;
}

static uint32_t StepAttr(STF_statusList_t *sl, AS_attrHandle_t *attrVar, uint32_t *attrIdOut,
                         bool forward) {
  if (!as::Begin(sl)) return 1;
  if (attrVar == nullptr) return as::BadArg(sl, 1), 1;
  as::Attr *attr, *to;
  if (as::UseAttr(sl, *attrVar, 1, &attr) != 0) return 1;
  uint32_t rc = forward ? AS__GetNextAttrAO(sl, attr, &to) : AS__GetPrevAttrAO(sl, attr, &to);
  if (rc != 0 || as::MoveUserHO(sl, attr->handle, to->handle) != 0) return 1;
  *attrVar = as::PublicAttrHandle(to->handle);
  if (attrIdOut != nullptr) *attrIdOut = to->attrId;
  return 0;
}

uint32_t AS_FindNextAttrR(STF_statusList_t *sl, AS_attrHandle_t *attr, uint32_t *attrIdOut) {
  return StepAttr(sl, attr, attrIdOut, true);
}

uint32_t AS_FindPrevAttrR(STF_statusList_t *sl, AS_attrHandle_t *attr, uint32_t *attrIdOut) {
  return StepAttr(sl, attr, attrIdOut, false);
}

uint32_t AS_GetAttrCharacteristics(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                                   void **dataOut, uint32_t *lengthOut,
                                   AS_allocateFunction_t allocate) {
  if (!as::Begin(sl)) return 1;
  if (dataOut == nullptr) return as::BadArg(sl, 3), 1;
  if (lengthOut == nullptr) return as::BadArg(sl, 4), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return CopyCharacteristicsOut(sl, attr, dataOut, lengthOut, allocate) != 0;
}

uint32_t AS_GetAttrCharacteristicsR(STF_statusList_t *sl, AS_attrHandle_t attr, void **dataOut,
                                    uint32_t *lengthOut, AS_allocateFunction_t allocate) {
  if (!as::Begin(sl)) return 1;
  if (dataOut == nullptr) return as::BadArg(sl, 2), 1;
  if (lengthOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return CopyCharacteristicsOut(sl, a, dataOut, lengthOut, allocate) != 0;
}

uint32_t AS_SetAttrCharacteristics(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                                   const void *data, uint32_t length) {
  if (!as::Begin(sl)) return 1;
  if (data == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return AS__SetAttrCharacteristicsDataAO(sl, attr, data, length) != 0;
}

uint32_t AS_SetAttrCharacteristicsR(STF_statusList_t *sl, AS_attrHandle_t attr, const void *data,
                                    uint32_t length) {
  if (!as::Begin(sl)) return 1;
  if (data == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return AS__SetAttrCharacteristicsDataAO(sl, a, data, length) != 0;
}

uint32_t AS_GetAttrIDR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t *attrIdOut) {
  if (!as::Begin(sl)) return 1;
  if (attrIdOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  *attrIdOut = AS__GetAttrIDAO(a);
  return 0;
}

uint32_t AS_GetAttrModifyOp(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                            int32_t *modifyOpOut) {
  if (!as::Begin(sl)) return 1;
  if (modifyOpOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  *modifyOpOut = attr->modifyOp;
  return 0;
}

uint32_t AS_GetAttrModifyOpR(STF_statusList_t *sl, AS_attrHandle_t attr, int32_t *modifyOpOut) {
  if (!as::Begin(sl)) return 1;
  if (modifyOpOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  *modifyOpOut = a->modifyOp;
  return 0;
}

uint32_t AS_SetAttrModifyOp(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                            int32_t modifyOp) {
  if (!as::Begin(sl)) return 1;
  if (!ModifyOpInRange(modifyOp)) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  AS__SetAttrModifyOpAO(attr, modifyOp);
  return 0;
}

uint32_t AS_SetAttrModifyOpR(STF_statusList_t *sl, AS_attrHandle_t attr, int32_t modifyOp) {
  if (!as::Begin(sl)) return 1;
  if (!ModifyOpInRange(modifyOp)) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  AS__SetAttrModifyOpAO(a, modifyOp);
  return 0;
}

uint32_t AS_GetAttrSetR(STF_statusList_t *sl, AS_attrHandle_t attr, AS_setHandle_t *setOut) {
  if (!as::Begin(sl)) return 1;
  if (setOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  if (AS__AcquireHandleHO(sl, a->set->handle) != 0) return 1;
  *setOut = as::PublicSetHandle(a->set->handle);
  return 0;
}

uint32_t AS_IsAttrPresent(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                          uint32_t *presentOut) {
  if (!as::Begin(sl)) return 1;
  if (presentOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  *presentOut = AS__FindAttrInSetSO(s, attrId) != nullptr ? 1 : 0;
  return 0;
}

}  // extern "C"
