// Finding attributes and copying attributes, values and whole sets.
#include "private/as_internal.h"

namespace as = kq::as;

uint32_t AS__FindAttrInternal(STF_statusList_t *sl, const as::Set *set, uint32_t attrId,
                              as::Attr **attrOut) {
  if (set->duplicates != 0) return AS__FindUniqueAttrInSetSO(sl, set, attrId, attrOut);
  as::Attr *attr = AS__FindAttrInSetSO(set, attrId);
  if (attr == nullptr) return as::Report(sl, AS_ST_ATTR_NOT_FOUND);
  *attrOut = attr;
  return 0;
}

namespace kq::as {

uint32_t NewAttrInternal(STF_statusList_t *sl, Set *set, uint32_t attrId, uint32_t valueType,
                         const int32_t *modifyOp, Attr **attrOut) {
  Handle *handle;
  if (uint32_t rc = CreateHandleHO(sl, kAttrKind, nullptr, 0, &set->alloc, &handle)) {
    return rc;
  }
  Attr *attr;
  if (uint32_t rc =
          CreateAttrAO(sl, set, attrId, valueType, modifyOp, set->alloc.allocate, handle, &attr)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, attr);
  AS__SetObjectMagicInHandleHO(handle, kAttrMagic);
  *attrOut = attr;
  return 0;
}

uint32_t NewValInternal(STF_statusList_t *sl, Attr *attr, void *value,
                        const AS_valueDescriptor_t *desc, Val **valOut) {
  const AS_allocateDescriptor_t *alloc = &attr->set->alloc;
  Handle *handle;
  if (uint32_t rc = CreateHandleHO(sl, kValKind, nullptr, 0, alloc, &handle)) return rc;
  Val *val;
  if (uint32_t rc = CreateAttrValVO(sl, attr, value, desc, alloc->allocate, handle, &val)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, val);
  AS__SetObjectMagicInHandleHO(handle, kValMagic);
  *valOut = val;
  return 0;
}

}  // namespace kq::as

uint32_t AS__CopyAttrValInternal(STF_statusList_t *sl, const as::Val *source, as::Attr *destAttr,
                                 as::Val **newValOut) {
  // The objects first: if they cannot be had, no copy of the data needs undoing.
  as::Val *val;
  if (uint32_t rc = as::NewValInternal(sl, destAttr, nullptr, &source->desc, &val)) return rc;
  void *copy;
  if (uint32_t rc = AS__CopyAttrValPointerVO(sl, source, &destAttr->set->alloc, &copy)) {
    as::DiscardValInternal(val);
    return rc;
  }
  AS__ReplaceAttrValVO(val, copy);
  *newValOut = val;
  return 0;
}

uint32_t AS__CopyAttrInternal(STF_statusList_t *sl, const as::Attr *source, as::Set *destSet,
                              as::Attr **newAttrOut) {
  as::Attr *attr;
  if (uint32_t rc = as::NewAttrInternal(sl, destSet, source->attrId, source->valueType,
                                        &source->modifyOp, &attr)) {
    return rc;
  }
  uint32_t rc = 0;
  for (const as::Val *v = source->first; v != nullptr && rc == 0; v = v->next) {
    as::Val *copy;
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

namespace kq::as {

uint32_t NewSetInternal(STF_statusList_t *sl, uint32_t duplicateFlag,
                        const AS_allocateDescriptor_t *alloc, Set **setOut) {
  Handle *handle;
  if (uint32_t rc = CreateHandleHO(sl, kSetKind, nullptr, 0, alloc, &handle)) return rc;
  Set *set;
  if (uint32_t rc = CreateSetSO(sl, duplicateFlag, alloc, handle, &set)) {
    AS__DeleteHandleHO(handle);
    return rc;
  }
  AS__SetObjectRefInHandleHO(handle, set);
  AS__SetObjectMagicInHandleHO(handle, kSetMagic);
  *setOut = set;
  return 0;
}

}  // namespace kq::as

uint32_t AS__CopySetInternal(STF_statusList_t *sl, const as::Set *source, as::Set **newSetOut,
                             const AS_allocateDescriptor_t *alloc) {
  as::Set *set;
  if (uint32_t rc = as::NewSetInternal(sl, source->duplicates, alloc, &set)) return rc;
  if (uint32_t rc = AS__ReserveAttrsSO(sl, set, source->attrCount)) {
    AS__DeleteSetInternalForce(kq::stf::ScratchList(), set);
    return rc;
  }
  for (const as::Attr *a = source->first; a != nullptr; a = a->next) {
    as::Attr *copy;
    if (uint32_t rc = AS__CopyAttrInternal(sl, a, set, &copy)) {
      AS__DeleteSetInternalForce(kq::stf::ScratchList(), set);
      return rc;
    }
    AS__AddAttrToSetSO(set, copy);
  }
  *newSetOut = set;
  return 0;
}
