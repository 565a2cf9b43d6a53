// Value operations other than adding: copying values between attributes,
// deleting, finding, walking and reading values, and replacing one value.
#include "private/as_internal.h"

namespace as = kq::as;

namespace {

// Appends copies of every value of `source` to `dest`, all or nothing. `dest` may
// be `source`: the copies are all made before any is linked.
uint32_t CopyValsInto(STF_statusList_t *sl, as::Attr *dest, const as::Attr *source) {
  if (dest->valueType != source->valueType) return as::Report(sl, AS_ST_TYPE_MISMATCH);
  const uint32_t count = source->valCount;
  if (count == 0) return 0;
  if (as::kMaxCount - dest->valCount < count) return as::Report(sl, AS_ST_ATTR_FULL);
  const AS_allocateDescriptor_t &alloc = dest->set->alloc;
  auto **copies = static_cast<as::Val **>(
      as::AllocateOrReport(sl, alloc.allocate, sizeof(as::Val *) * size_t(count)));
  if (copies == nullptr) return AS_ST_NO_MEMORY;
  uint32_t made = 0;
  for (const as::Val *v = source->first; made < count; v = v->next, made++) {
    if (uint32_t rc = AS__CopyAttrValInternal(sl, v, dest, &copies[made])) {
      kq::stf::ScratchList scratch;
      for (uint32_t i = 0; i < made; i++) AS__DeleteAttrValInternalForce(scratch, copies[i]);
      alloc.deallocate(copies);
      return rc;
    }
  }
  for (uint32_t i = 0; i < count; i++) AS__AddAttrValToAttrAO(dest, copies[i]);
  alloc.deallocate(copies);
  return 0;
}

uint32_t ValuesOut(STF_statusList_t *sl, const as::Attr *attr, AS_valueList_t *out,
                   AS_allocateFunction_t allocate) {
  if (attr->valCount == 0) {
    *out = {0, nullptr};
    return 0;
  }
  auto **array = static_cast<void **>(as::AllocateOrReport(
      sl, allocate != nullptr ? allocate : AS__Allocate, sizeof(void *) * size_t(attr->valCount)));
  if (array == nullptr) return AS_ST_NO_MEMORY;
  uint32_t i = 0;
  for (const as::Val *v = attr->first; v != nullptr; v = v->next) array[i++] = v->value;
  *out = {attr->valCount, array};
  return 0;
}

// Hands out the first value of `attr`: its handle with one more user when asked.
uint32_t FirstValOut(STF_statusList_t *sl, const as::Attr *attr, AS_attrValHandle_t *valOut,
                     void **valueOut) {
  if (attr->first == nullptr) return as::Report(sl, AS_ST_NO_VALUES);
  if (valOut != nullptr) {
    if (uint32_t rc = AS__AcquireHandleHO(sl, attr->first->handle)) return rc;
    *valOut = as::PublicValHandle(attr->first->handle);
  }
  if (valueOut != nullptr) *valueOut = attr->first->value;
  return 0;
}

uint32_t StepVal(STF_statusList_t *sl, AS_attrValHandle_t *valVar, void **valueOut, bool forward) {
  if (!as::Begin(sl)) return 1;
  if (valVar == nullptr) return as::BadArg(sl, 1), 1;
  as::Val *val, *to;
  if (as::UseVal(sl, *valVar, 1, &val) != 0) return 1;
  uint32_t rc = forward ? AS__GetNextAttrValVO(sl, val, &to) : AS__GetPrevAttrValVO(sl, val, &to);
  if (rc != 0 || as::MoveUserHO(sl, val->handle, to->handle) != 0) return 1;
  *valVar = as::PublicValHandle(to->handle);
  if (valueOut != nullptr) *valueOut = to->value;
  return 0;
}

}  // namespace

extern "C" {

uint32_t AS_CopyAttrVals(STF_statusList_t *sl, AS_attrHandle_t destAttr, AS_setHandle_t sourceSet,
                         uint32_t attrId) {
  if (!as::Begin(sl)) return 1;
  as::Handle *dh = as::HandleOf(destAttr), *sh = as::HandleOf(sourceSet);
  if (as::CheckArgHandle(sl, dh, as::kAttrKind, 1, as::kFirst) != 0 ||
      as::CheckArgHandle(sl, sh, as::kSetKind, 2, as::kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<as::Attr *>(AS__GetObjectRefFromHandleHO(dh));
  auto *set = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(sh));
  if (as::CheckArgAttr(sl, dest, as::kFirst) != 0 || as::CheckArgSet(sl, set, as::kSecond) != 0) {
    return 1;
  }
  as::Attr *source;
  if (AS__FindAttrInternal(sl, set, attrId, &source) != 0) return 1;
  return CopyValsInto(sl, dest, source) != 0;
}

uint32_t AS_CopyAttrValsR(STF_statusList_t *sl, AS_attrHandle_t destAttr,
                          AS_attrHandle_t sourceAttr) {
  if (!as::Begin(sl)) return 1;
  as::Handle *dh = as::HandleOf(destAttr), *sh = as::HandleOf(sourceAttr);
  if (as::CheckArgHandle(sl, dh, as::kAttrKind, 1, as::kFirst) != 0 ||
      as::CheckArgHandle(sl, sh, as::kAttrKind, 2, as::kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<as::Attr *>(AS__GetObjectRefFromHandleHO(dh));
  auto *source = static_cast<as::Attr *>(AS__GetObjectRefFromHandleHO(sh));
  if (as::CheckArgAttr(sl, dest, as::kFirst) != 0 ||
      as::CheckArgAttr(sl, source, as::kSecond) != 0) {
    return 1;
  }
  return CopyValsInto(sl, dest, source) != 0;
}

uint32_t AS_DeleteAllAttrVals(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId) {
  if (!as::Begin(sl)) return 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return AS__DeleteAllAttrValsInternal(sl, attr) != 0;
}

uint32_t AS_DeleteAllAttrValsR(STF_statusList_t *sl, AS_attrHandle_t attr) {
  if (!as::Begin(sl)) return 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return AS__DeleteAllAttrValsInternal(sl, a) != 0;
}

uint32_t AS_DeleteAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *valVar) {
  if (!as::Begin(sl)) return 1;
  if (valVar == nullptr) return as::BadArg(sl, 1), 1;
  as::Val *val;
  if (as::UseVal(sl, *valVar, 1, &val) != 0) return 1;
  as::Handle *handle = val->handle;
  if (AS__DeleteAttrValInternal(sl, val) != 0) return 1;
  as::DropStaleUserHO(handle);  // stale now, since the caller holds it
  *valVar = AS_nullAttrValHandle;
  return 0;
}

uint32_t AS_FindFirstAttrVal(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                             AS_attrValHandle_t *valOut, void **valueOut) {
  if (!as::Begin(sl)) return 1;
  if (valOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return FirstValOut(sl, attr, valOut, valueOut) != 0;
}

uint32_t AS_FindFirstAttrValR(STF_statusList_t *sl, AS_attrHandle_t attr,
                              AS_attrValHandle_t *valOut, void **valueOut) {
  if (!as::Begin(sl)) return 1;
  if (valOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return FirstValOut(sl, a, valOut, valueOut) != 0;
}

uint32_t AS_FindNextAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *val, void **valueOut) {
  return StepVal(sl, val, valueOut, true);
}

uint32_t AS_FindPrevAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *val, void **valueOut) {
  return StepVal(sl, val, valueOut, false);
}

uint32_t AS_GetAttrVal(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, void **valueOut) {
  if (!as::Begin(sl)) return 1;
  if (valueOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return FirstValOut(sl, attr, nullptr, valueOut) != 0;
}

uint32_t AS_GetAttrValR(STF_statusList_t *sl, AS_attrHandle_t attr, void **valueOut) {
  if (!as::Begin(sl)) return 1;
  if (valueOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return FirstValOut(sl, a, nullptr, valueOut) != 0;
}

uint32_t AS_GetAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t val, void **valueOut) {
  if (!as::Begin(sl)) return 1;
  if (valueOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Val *v;
  if (as::UseVal(sl, val, 1, &v) != 0) return 1;
  *valueOut = AS__GetAttrValPointerVO(v);
  return 0;
}

uint32_t AS_GetAttrValList(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                           AS_valueList_t *valuesOut, AS_allocateFunction_t allocate) {
  if (!as::Begin(sl)) return 1;
  if (valuesOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return ValuesOut(sl, attr, valuesOut, allocate) != 0;
}

uint32_t AS_GetAttrValListR(STF_statusList_t *sl, AS_attrHandle_t attr, AS_valueList_t *valuesOut,
                            AS_allocateFunction_t allocate) {
  if (!as::Begin(sl)) return 1;
  if (valuesOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return ValuesOut(sl, a, valuesOut, allocate) != 0;
}

uint32_t AS_GetAttrValCount(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                            uint32_t *countOut) {
  if (!as::Begin(sl)) return 1;
  if (countOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  *countOut = attr->valCount;
  return 0;
}

uint32_t AS_GetAttrValCountR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t *countOut) {
  if (!as::Begin(sl)) return 1;
  if (countOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  *countOut = a->valCount;
  return 0;
}

uint32_t AS_GetAttrValType(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                           uint32_t *valueTypeOut) {
  if (!as::Begin(sl)) return 1;
  if (valueTypeOut == nullptr) return as::BadArg(sl, 3), 1;
  as::Attr *attr;
  if (as::UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  *valueTypeOut = attr->valueType;
  return 0;
}

uint32_t AS_GetAttrValTypeR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t *valueTypeOut) {
  if (!as::Begin(sl)) return 1;
  if (valueTypeOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  *valueTypeOut = a->valueType;
  return 0;
}

uint32_t AS_GetAttrValDescriptorVR(STF_statusList_t *sl, AS_attrValHandle_t val,
                                   AS_valueDescriptor_t *descriptorOut) {
  if (!as::Begin(sl)) return 1;
  if (descriptorOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Val *v;
  if (as::UseVal(sl, val, 1, &v) != 0) return 1;
  *descriptorOut = v->desc;
  return 0;
}

uint32_t AS_ReplaceAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t val, uint32_t valueType,
                             void *newValue, const AS_valueDescriptor_t *newDescriptor) {
  if (!as::Begin(sl)) return 1;
  if (!as::ValueDescriptorOk(newDescriptor)) return as::BadArg(sl, 4), 1;
  as::Val *v;
  if (as::UseVal(sl, val, 1, &v) != 0) return 1;
  if (v->attr->valueType != valueType) return as::Report(sl, AS_ST_TYPE_MISMATCH), 1;
  if (AS__DeleteAttrValPointerVO(sl, v) != 0) return 1;
  AS__ReplaceAttrValVO(v, newValue);
  AS__ReplaceAttrValDescVO(v, newDescriptor);
  return 0;
}

}  // extern "C"
