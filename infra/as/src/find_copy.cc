// Finding attributes and copying attributes, values and whole sets.
#include "private/as_internal.h"

uint32_t AS__FindAttrInternal(STF_statusList_t *sl, const AS__Set *set, uint32_t attrId,
                              AS__Attr **attrOut) {
  if (set->duplicates != 0) return AS__FindUniqueAttrInSetSO(sl, set, attrId, attrOut);
  AS__Attr *attr = AS__FindAttrInSetSO(set, attrId);
  if (attr == nullptr) return AS__Report(sl, AS_ST_ATTR_NOT_FOUND);
  *attrOut = attr;
  return 0;
}

uint32_t AS__NewAttrInternal(STF_statusList_t *sl, AS__Set *set, uint32_t attrId,
                             uint32_t valueType, const int32_t *modifyOp, AS__Attr **attrOut) {
  AS__Handle *handle;
  if (uint32_t rc = AS__CreateHandleHO(sl, AS__kAttrKind, nullptr, 0, &set->alloc, &handle)) {
    return rc;
  }
  AS__Attr *attr;
  if (uint32_t rc = AS__CreateAttrAO(sl, set, attrId, valueType, modifyOp, set->alloc.allocate,
                                     handle, &attr)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, attr);
  AS__SetObjectMagicInHandleHO(handle, AS__kAttrMagic);
  *attrOut = attr;
  return 0;
}

uint32_t AS__NewValInternal(STF_statusList_t *sl, AS__Attr *attr, void *value,
                            const AS_valueDescriptor_t *desc, AS__Val **valOut) {
  const AS_allocateDescriptor_t *alloc = &attr->set->alloc;
  AS__Handle *handle;
  if (uint32_t rc = AS__CreateHandleHO(sl, AS__kValKind, nullptr, 0, alloc, &handle)) return rc;
  AS__Val *val;
  if (uint32_t rc = AS__CreateAttrValVO(sl, attr, value, desc, alloc->allocate, handle, &val)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, val);
  AS__SetObjectMagicInHandleHO(handle, AS__kValMagic);
  *valOut = val;
  return 0;
}

uint32_t AS__CopyAttrValInternal(STF_statusList_t *sl, const AS__Val *source, AS__Attr *destAttr,
                                 AS__Val **newValOut) {
  // The objects first: if they cannot be had, no copy of the data needs undoing.
  AS__Val *val;
  if (uint32_t rc = AS__NewValInternal(sl, destAttr, nullptr, &source->desc, &val)) return rc;
  void *copy;
  if (uint32_t rc = AS__CopyAttrValPointerVO(sl, source, &destAttr->set->alloc, &copy)) {
    AS__DiscardValInternal(val);
    return rc;
  }
  AS__ReplaceAttrValVO(val, copy);
  *newValOut = val;
  return 0;
}

uint32_t AS__CopyAttrInternal(STF_statusList_t *sl, const AS__Attr *source, AS__Set *destSet,
                              AS__Attr **newAttrOut) {
  AS__Attr *attr;
  if (uint32_t rc = AS__NewAttrInternal(sl, destSet, source->attrId, source->valueType,
                                        &source->modifyOp, &attr)) {
    return rc;
  }
  uint32_t rc = 0;
  for (const AS__Val *v = source->first; v != nullptr && rc == 0; v = v->next) {
    AS__Val *copy;
    rc = AS__CopyAttrValInternal(sl, v, attr, &copy);
    if (rc == 0) AS__AddAttrValToAttrAO(attr, copy);
  }
  if (rc == 0 && source->charLength != 0) {
    rc = AS__SetAttrCharacteristicsDataAO(sl, attr, source->charData, source->charLength);
  }
  if (rc != 0) {
    AS__DeleteAttrInternalForce(kq::stf::ScratchList(), attr);
    return rc;
  }
  *newAttrOut = attr;
  return 0;
}

uint32_t AS__NewSetInternal(STF_statusList_t *sl, uint32_t duplicateFlag,
                            const AS_allocateDescriptor_t *alloc, AS__Set **setOut) {
  AS__Handle *handle;
  if (uint32_t rc = AS__CreateHandleHO(sl, AS__kSetKind, nullptr, 0, alloc, &handle)) return rc;
  AS__Set *set;
  if (uint32_t rc = AS__CreateSetSO(sl, duplicateFlag, alloc, handle, &set)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, set);
  AS__SetObjectMagicInHandleHO(handle, AS__kSetMagic);
  *setOut = set;
  return 0;
}

uint32_t AS__CopySetInternal(STF_statusList_t *sl, const AS__Set *source, AS__Set **newSetOut,
                             const AS_allocateDescriptor_t *alloc) {
  AS__Set *set;
  if (uint32_t rc = AS__NewSetInternal(sl, source->duplicates, alloc, &set)) return rc;
  for (const AS__Attr *a = source->first; a != nullptr; a = a->next) {
    AS__Attr *copy;
    if (uint32_t rc = AS__CopyAttrInternal(sl, a, set, &copy)) {
      AS__DeleteSetInternalForce(kq::stf::ScratchList(), set);
      return rc;
    }
    AS__AddAttrToSetSO(set, copy);
  }
  *newSetOut = set;
  return 0;
}
