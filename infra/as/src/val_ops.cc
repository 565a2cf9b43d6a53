// Value operations other than adding: copying values between attributes,
// deleting, finding, walking and reading values, and replacing one value.
#include "private/as_internal.h"

namespace {

// Appends copies of every value of `source` to `dest`, all or nothing. `dest` may
// be `source`: the copies are all made before any is linked.
uint32_t CopyValsInto(STF_statusList_t *sl, AS__Attr *dest, const AS__Attr *source) {
  if (dest->valueType != source->valueType) return AS__Report(sl, AS_ST_TYPE_MISMATCH);
  const uint32_t count = source->valCount;
  if (count == 0) return 0;
  if (AS__kMaxCount - dest->valCount < count) return AS__Report(sl, AS_ST_ATTR_FULL);
  const AS_allocateDescriptor_t &alloc = dest->set->alloc;
  auto **copies = static_cast<AS__Val **>(
      AS__AllocateOrReport(sl, alloc.allocate, sizeof(AS__Val *) * size_t(count)));
  if (copies == nullptr) return AS_ST_NO_MEMORY;
  uint32_t made = 0;
  for (const AS__Val *v = source->first; made < count; v = v->next, made++) {
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

uint32_t ValuesOut(STF_statusList_t *sl, const AS__Attr *attr, AS_valueList_t *out,
                   AS_allocateFunction_t allocate) {
  if (attr->valCount == 0) {
    *out = {0, nullptr};
    return 0;
  }
  auto **array = static_cast<void **>(AS__AllocateOrReport(
      sl, allocate != nullptr ? allocate : AS__Allocate, sizeof(void *) * size_t(attr->valCount)));
  if (array == nullptr) return AS_ST_NO_MEMORY;
  uint32_t i = 0;
  for (const AS__Val *v = attr->first; v != nullptr; v = v->next) array[i++] = v->value;
  *out = {attr->valCount, array};
  return 0;
}

// Hands out the first value of `attr`: its handle with one more user when asked.
uint32_t FirstValOut(STF_statusList_t *sl, const AS__Attr *attr, AS_attrValHandle_t *valOut,
                     void **valueOut) {
  if (attr->first == nullptr) return AS__Report(sl, AS_ST_NO_VALUES);
  if (valOut != nullptr) {
    if (uint32_t rc = AS__AcquireHandleHO(sl, attr->first->handle)) return rc;
    *valOut = AS__PublicValHandle(attr->first->handle);
  }
  if (valueOut != nullptr) *valueOut = attr->first->value;
  return 0;
}

uint32_t StepVal(STF_statusList_t *sl, AS_attrValHandle_t *valVar, void **valueOut, bool forward) {
  if (!AS__Begin(sl)) return 1;
  if (valVar == nullptr) return AS__BadArg(sl, 1), 1;
  AS__Val *val, *to;
  if (AS__UseVal(sl, *valVar, 1, &val) != 0) return 1;
  uint32_t rc = forward ? AS__GetNextAttrValVO(sl, val, &to) : AS__GetPrevAttrValVO(sl, val, &to);
  if (rc != 0 || AS__MoveUserHO(sl, val->handle, to->handle) != 0) return 1;
  *valVar = AS__PublicValHandle(to->handle);
  if (valueOut != nullptr) *valueOut = to->value;
  return 0;
}

}  // namespace

extern "C" {

uint32_t AS_CopyAttrVals(STF_statusList_t *sl, AS_attrHandle_t destAttr, AS_setHandle_t sourceSet,
                         uint32_t attrId) {
  if (!AS__Begin(sl)) return 1;
  AS__Handle *dh = AS__HandleOf(destAttr), *sh = AS__HandleOf(sourceSet);
  if (AS__CheckArgHandle(sl, dh, AS__kAttrKind, 1, AS__kFirst) != 0 ||
      AS__CheckArgHandle(sl, sh, AS__kSetKind, 2, AS__kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<AS__Attr *>(AS__GetObjectRefFromHandleHO(dh));
  auto *set = static_cast<AS__Set *>(AS__GetObjectRefFromHandleHO(sh));
  if (AS__CheckArgAttr(sl, dest, AS__kFirst) != 0 || AS__CheckArgSet(sl, set, AS__kSecond) != 0) {
    return 1;
  }
  AS__Attr *source;
  if (AS__FindAttrInternal(sl, set, attrId, &source) != 0) return 1;
  return CopyValsInto(sl, dest, source) != 0;
}

uint32_t AS_CopyAttrValsR(STF_statusList_t *sl, AS_attrHandle_t destAttr,
                          AS_attrHandle_t sourceAttr) {
  if (!AS__Begin(sl)) return 1;
  AS__Handle *dh = AS__HandleOf(destAttr), *sh = AS__HandleOf(sourceAttr);
  if (AS__CheckArgHandle(sl, dh, AS__kAttrKind, 1, AS__kFirst) != 0 ||
      AS__CheckArgHandle(sl, sh, AS__kAttrKind, 2, AS__kSecond) != 0) {
    return 1;
  }
  auto *dest = static_cast<AS__Attr *>(AS__GetObjectRefFromHandleHO(dh));
  auto *source = static_cast<AS__Attr *>(AS__GetObjectRefFromHandleHO(sh));
  if (AS__CheckArgAttr(sl, dest, AS__kFirst) != 0 ||
      AS__CheckArgAttr(sl, source, AS__kSecond) != 0) {
    return 1;
  }
  return CopyValsInto(sl, dest, source) != 0;
}

uint32_t AS_DeleteAllAttrVals(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId) {
  if (!AS__Begin(sl)) return 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return AS__DeleteAllAttrValsInternal(sl, attr) != 0;
}

uint32_t AS_DeleteAllAttrValsR(STF_statusList_t *sl, AS_attrHandle_t attr) {
  if (!AS__Begin(sl)) return 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  return AS__DeleteAllAttrValsInternal(sl, a) != 0;
}

uint32_t AS_DeleteAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *valVar) {
  if (!AS__Begin(sl)) return 1;
  if (valVar == nullptr) return AS__BadArg(sl, 1), 1;
  AS__Val *val;
  if (AS__UseVal(sl, *valVar, 1, &val) != 0) return 1;
  AS__Handle *handle = val->handle;
  if (AS__DeleteAttrValInternal(sl, val) != 0) return 1;
  AS__DropStaleUserHO(handle);  // stale now, since the caller holds it
  *valVar = AS_nullAttrValHandle;
  return 0;
}

uint32_t AS_FindFirstAttrVal(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                             AS_attrValHandle_t *valOut, void **valueOut) {
  if (!AS__Begin(sl)) return 1;
  if (valOut == nullptr) return AS__BadArg(sl, 3), 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return FirstValOut(sl, attr, valOut, valueOut) != 0;
}

uint32_t AS_FindFirstAttrValR(STF_statusList_t *sl, AS_attrHandle_t attr,
                              AS_attrValHandle_t *valOut, void **valueOut) {
  if (!AS__Begin(sl)) return 1;
  if (valOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  return FirstValOut(sl, a, valOut, valueOut) != 0;
}

uint32_t AS_FindNextAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *val, void **valueOut) {
  return StepVal(sl, val, valueOut, true);
}

uint32_t AS_FindPrevAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t *val, void **valueOut) {
  return StepVal(sl, val, valueOut, false);
}

uint32_t AS_GetAttrVal(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, void **valueOut) {
  if (!AS__Begin(sl)) return 1;
  if (valueOut == nullptr) return AS__BadArg(sl, 3), 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return FirstValOut(sl, attr, nullptr, valueOut) != 0;
}

uint32_t AS_GetAttrValR(STF_statusList_t *sl, AS_attrHandle_t attr, void **valueOut) {
  if (!AS__Begin(sl)) return 1;
  if (valueOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  return FirstValOut(sl, a, nullptr, valueOut) != 0;
}

uint32_t AS_GetAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t val, void **valueOut) {
  if (!AS__Begin(sl)) return 1;
  if (valueOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Val *v;
  if (AS__UseVal(sl, val, 1, &v) != 0) return 1;
  *valueOut = AS__GetAttrValPointerVO(v);
  return 0;
}

uint32_t AS_GetAttrValList(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                           AS_valueList_t *valuesOut, AS_allocateFunction_t allocate) {
  if (!AS__Begin(sl)) return 1;
  if (valuesOut == nullptr) return AS__BadArg(sl, 3), 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  return ValuesOut(sl, attr, valuesOut, allocate) != 0;
}

uint32_t AS_GetAttrValListR(STF_statusList_t *sl, AS_attrHandle_t attr, AS_valueList_t *valuesOut,
                            AS_allocateFunction_t allocate) {
  if (!AS__Begin(sl)) return 1;
  if (valuesOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  return ValuesOut(sl, a, valuesOut, allocate) != 0;
}

uint32_t AS_GetAttrValCount(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                            uint32_t *countOut) {
  if (!AS__Begin(sl)) return 1;
  if (countOut == nullptr) return AS__BadArg(sl, 3), 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  *countOut = attr->valCount;
  return 0;
}

uint32_t AS_GetAttrValCountR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t *countOut) {
  if (!AS__Begin(sl)) return 1;
  if (countOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  *countOut = a->valCount;
  return 0;
}

uint32_t AS_GetAttrValType(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                           uint32_t *valueTypeOut) {
  if (!AS__Begin(sl)) return 1;
  if (valueTypeOut == nullptr) return AS__BadArg(sl, 3), 1;
  AS__Attr *attr;
  if (AS__UseAttrById(sl, set, attrId, &attr) != 0) return 1;
  *valueTypeOut = attr->valueType;
  return 0;
}

uint32_t AS_GetAttrValTypeR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t *valueTypeOut) {
  if (!AS__Begin(sl)) return 1;
  if (valueTypeOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Attr *a;
  if (AS__UseAttr(sl, attr, 1, &a) != 0) return 1;
  *valueTypeOut = a->valueType;
  return 0;
}

uint32_t AS_GetAttrValDescriptorVR(STF_statusList_t *sl, AS_attrValHandle_t val,
                                   AS_valueDescriptor_t *descriptorOut) {
  if (!AS__Begin(sl)) return 1;
  if (descriptorOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Val *v;
  if (AS__UseVal(sl, val, 1, &v) != 0) return 1;
  *descriptorOut = v->desc;
  return 0;
}

uint32_t AS_ReplaceAttrValVR(STF_statusList_t *sl, AS_attrValHandle_t val, uint32_t valueType,
                             void *newValue, const AS_valueDescriptor_t *newDescriptor) {
  if (!AS__Begin(sl)) return 1;
  if (!AS__ValueDescriptorOk(newDescriptor)) return AS__BadArg(sl, 4), 1;
  AS__Val *v;
  if (AS__UseVal(sl, val, 1, &v) != 0) return 1;
  if (v->attr->valueType != valueType) return AS__Report(sl, AS_ST_TYPE_MISMATCH), 1;
  if (AS__DeleteAttrValPointerVO(sl, v) != 0) return 1;
  AS__ReplaceAttrValVO(v, newValue);
  AS__ReplaceAttrValDescVO(v, newDescriptor);
  return 0;
}

}  // extern "C"
