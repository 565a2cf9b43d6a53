// Adding and replacing values: one value, a copy of one value, or a list of values,
// by set and ID or by attribute handle. Every form is all or nothing: the value
// objects are made before anything is linked, and a failure gives the caller back
// every value it passed in.
#include "private/as_internal.h"

namespace as = kq::as;

namespace {

// How values are put: added to the attribute's values or replacing them all, each
// value stored as given or as a copy, one value or a list.
enum class Put : uint8_t {
  kAdd = 0,
  kCopy = 1 << 0,     // store a copy of the value (the M forms)
  kReplace = 1 << 1,  // the new values replace every value the attribute has
  kList = 1 << 2,     // the values come as a list
};
constexpr Put operator|(Put a, Put b) { return Put(uint8_t(a) | uint8_t(b)); }
constexpr bool Has(Put mode, Put flag) { return (uint8_t(mode) & uint8_t(flag)) != 0; }

// The attribute that receives the values: one of the set, or a new one prepared
// for the set but not yet linked into it.
struct Target {
  as::Set *set;
  as::Attr *attr;
  bool isNew;
};

void DropPrepared(const Target &t) {
  if (t.isNew) as::DiscardAttrInternal(t.attr);
}

// Finds the attribute with `attrId` or prepares a new one with `valueType`.
uint32_t FindOrPrepare(STF_statusList_t *sl, as::Set *set, uint32_t attrId, uint32_t valueType,
                       Target *t) {
  as::Attr *attr;
  uint32_t rc = AS__FindAttrInternal(sl, set, attrId, &attr);
  if (rc == AS_ST_ATTR_NOT_FOUND) {
    STF_ClearStatus(sl);  // not finding it is how a new attribute starts
    if (AS__GetAttrCountSO(set) == as::kMaxCount) return as::Report(sl, AS_ST_SET_FULL);
    if (uint32_t rc2 = as::NewAttrInternal(sl, set, attrId, valueType, nullptr, &attr)) return rc2;
    *t = {set, attr, true};
    return 0;
  }
  if (rc != 0) return rc;
  if (attr->valueType != valueType) return as::Report(sl, AS_ST_TYPE_MISMATCH);
  *t = {set, attr, false};
  return 0;
}

uint32_t ExistingTarget(STF_statusList_t *sl, as::Attr *attr, uint32_t valueType, Target *t) {
  if (attr->valueType != valueType) return as::Report(sl, AS_ST_TYPE_MISMATCH);
  *t = {attr->set, attr, false};
  return 0;
}

// Checks that an existing attribute can take `count` more values and, when its
// handle is to be returned, one more user. A prepared attribute always can.
uint32_t CheckRoom(STF_statusList_t *sl, const Target &t, uint32_t count, bool checkCount,
                   const AS_attrHandle_t *attrOut) {
  if (t.isNew) return 0;
  if (checkCount && as::kMaxCount - t.attr->valCount < count) {
    return as::Report(sl, AS_ST_ATTR_FULL);
  }
  if (attrOut != nullptr && AS__GetHandleUserCountHO(t.attr->handle) == as::kMaxCount) {
    return as::Report(sl, AS_ST_HANDLE_FULL);
  }
  return 0;
}

// Makes value objects for `values`, then (for kReplace) deletes the attribute's
// old values, then links the new ones, and a prepared attribute, in order. A list
// keeps its value objects in a scratch array from the set's allocator; a single
// value needs none.
uint32_t PutValues(STF_statusList_t *sl, const Target &t, uint32_t count, void *const *values,
                   const AS_valueDescriptor_t *desc, Put mode, AS_attrHandle_t *attrOut) {
  const AS_allocateDescriptor_t &alloc = t.set->alloc;
  if (t.isNew) {
    if (uint32_t rc = AS__ReserveAttrsSO(sl, t.set, 1)) {
      DropPrepared(t);
      return rc;
    }
  }
  as::Val *single[1];
  as::Val **vals = single;
  if (Has(mode, Put::kList) && count != 0) {
    vals = static_cast<as::Val **>(
        as::AllocateOrReport(sl, alloc.allocate, sizeof(as::Val *) * size_t(count)));
    if (vals == nullptr) {
      DropPrepared(t);
      return AS_ST_NO_MEMORY;
    }
  }
  auto release = [&](uint32_t made) {
    for (uint32_t i = 0; i < made; i++) as::DiscardValInternal(vals[i]);
    if (vals != single) alloc.deallocate(vals);
  };
  for (uint32_t i = 0; i < count; i++) {
    if (uint32_t rc = as::NewValInternal(sl, t.attr, values[i], desc, &vals[i])) {
      release(i);
      DropPrepared(t);
      return rc;
    }
  }
  if (Has(mode, Put::kReplace) && !t.isNew) {
    if (uint32_t rc = AS__DeleteAllAttrValsInternal(sl, t.attr)) {
      release(count);
      return rc;
    }
  }
  for (uint32_t i = 0; i < count; i++) AS__AddAttrValToAttrAO(t.attr, vals[i]);
  release(0);
  if (t.isNew) AS__AddAttrToSetSO(t.set, t.attr);
  if (attrOut != nullptr) {
    AS__AcquireHandleHO(sl, t.attr->handle);  // room checked beforehand
    *attrOut = as::PublicAttrHandle(t.attr->handle);
  }
  return 0;
}

bool ListOk(const AS_valueList_t *values) {
  return values != nullptr && (values->count == 0 || values->values != nullptr);
}

// What the forms by set and ID share once the set has passed its checks.
uint32_t PutInSet(STF_statusList_t *sl, as::Set *set, uint32_t attrId, uint32_t valueType,
                  uint32_t count, void *const *values, const AS_valueDescriptor_t *desc, Put mode,
                  AS_attrHandle_t *attrOut) {
  Target t;
  if (uint32_t rc = FindOrPrepare(sl, set, attrId, valueType, &t)) return rc;
  if (uint32_t rc = CheckRoom(sl, t, count, !Has(mode, Put::kReplace), attrOut)) return rc;
  return PutValues(sl, t, count, values, desc, mode, attrOut);
}

// The same for the forms by attribute handle.
uint32_t PutInAttr(STF_statusList_t *sl, as::Attr *attr, uint32_t valueType, uint32_t count,
                   void *const *values, const AS_valueDescriptor_t *desc, Put mode) {
  Target t;
  if (uint32_t rc = ExistingTarget(sl, attr, valueType, &t)) return rc;
  if (uint32_t rc = CheckRoom(sl, t, count, !Has(mode, Put::kReplace), nullptr)) return rc;
  return PutValues(sl, t, count, values, desc, mode, nullptr);
}

// One value by set and ID; kCopy puts a copy of it instead (the M forms).
uint32_t OneBySet(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, uint32_t valueType,
                  const void *value, const AS_valueDescriptor_t *desc, AS_attrHandle_t *attrOut,
                  Put mode) {
  const bool copy = Has(mode, Put::kCopy);
  if (!as::Begin(sl)) return 1;
  if (!as::ValueDescriptorOk(desc)) return as::BadArg(sl, 5), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  void *v = const_cast<void *>(value);
  if (copy && desc->copyValue(sl, &v, value, &s->alloc) != 0) return 1;
  if (PutInSet(sl, s, attrId, valueType, 1, &v, desc, mode, attrOut) == 0) return 0;
  if (copy) desc->deleteValue(kq::stf::ScratchList(), v, &s->alloc);
  return 1;
}

uint32_t OneByAttr(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                   const void *value, const AS_valueDescriptor_t *desc, Put mode) {
  const bool copy = Has(mode, Put::kCopy);
  if (!as::Begin(sl)) return 1;
  if (!as::ValueDescriptorOk(desc)) return as::BadArg(sl, 4), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  void *v = const_cast<void *>(value);
  if (copy && desc->copyValue(sl, &v, value, &a->set->alloc) != 0) return 1;
  if (PutInAttr(sl, a, valueType, 1, &v, desc, mode) == 0) return 0;
  if (copy) desc->deleteValue(kq::stf::ScratchList(), v, &a->set->alloc);
  return 1;
}

uint32_t ListBySet(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, uint32_t valueType,
                   const AS_valueList_t *values, const AS_valueDescriptor_t *desc,
                   AS_attrHandle_t *attrOut, Put mode) {
  if (!as::Begin(sl)) return 1;
  if (!ListOk(values)) return as::BadArg(sl, 4), 1;
  if (!as::ValueDescriptorOk(desc)) return as::BadArg(sl, 5), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  return PutInSet(sl, s, attrId, valueType, values->count, values->values, desc, mode | Put::kList,
                  attrOut) != 0;
}

uint32_t ListByAttr(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                    const AS_valueList_t *values, const AS_valueDescriptor_t *desc, Put mode) {
  if (!as::Begin(sl)) return 1;
  if (!ListOk(values)) return as::BadArg(sl, 3), 1;
  if (!as::ValueDescriptorOk(desc)) return as::BadArg(sl, 4), 1;
  as::Attr *a;
  if (as::UseAttr(sl, attr, 1, &a) != 0) return 1;
  return PutInAttr(sl, a, valueType, values->count, values->values, desc, mode | Put::kList) != 0;
}

}  // namespace

extern "C" {

uint32_t AS_AddAttrVal(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                       uint32_t valueType, void *value, const AS_valueDescriptor_t *descriptor,
                       AS_attrHandle_t *attrOut) {
  return OneBySet(sl, set, attrId, valueType, value, descriptor, attrOut, Put::kAdd);
}

uint32_t AS_AddAttrValR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType, void *value,
                        const AS_valueDescriptor_t *descriptor) {
  return OneByAttr(sl, attr, valueType, value, descriptor, Put::kAdd);
}

uint32_t AS_AddAttrValM(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                        uint32_t valueType, const void *value,
                        const AS_valueDescriptor_t *descriptor, AS_attrHandle_t *attrOut) {
  return OneBySet(sl, set, attrId, valueType, value, descriptor, attrOut, Put::kCopy);
}

uint32_t AS_AddAttrValMR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                         const void *value, const AS_valueDescriptor_t *descriptor) {
  return OneByAttr(sl, attr, valueType, value, descriptor, Put::kCopy);
}

uint32_t AS_AddAttrValList(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                           uint32_t valueType, const AS_valueList_t *values,
                           const AS_valueDescriptor_t *descriptor, AS_attrHandle_t *attrOut) {
  return ListBySet(sl, set, attrId, valueType, values, descriptor, attrOut, Put::kAdd);
}

uint32_t AS_AddAttrValListR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                            const AS_valueList_t *values, const AS_valueDescriptor_t *descriptor) {
  return ListByAttr(sl, attr, valueType, values, descriptor, Put::kAdd);
}

uint32_t AS_ReplaceAllAttrVals(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                               uint32_t valueType, void *value,
                               const AS_valueDescriptor_t *descriptor, AS_attrHandle_t *attrOut) {
  return OneBySet(sl, set, attrId, valueType, value, descriptor, attrOut, Put::kReplace);
}

uint32_t AS_ReplaceAllAttrValsR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                                void *value, const AS_valueDescriptor_t *descriptor) {
  return OneByAttr(sl, attr, valueType, value, descriptor, Put::kReplace);
}

uint32_t AS_ReplaceAllAttrValsM(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                                uint32_t valueType, const void *value,
                                const AS_valueDescriptor_t *descriptor, AS_attrHandle_t *attrOut) {
  return OneBySet(sl, set, attrId, valueType, value, descriptor, attrOut,
                  Put::kCopy | Put::kReplace);
}

uint32_t AS_ReplaceAllAttrValsMR(STF_statusList_t *sl, AS_attrHandle_t attr, uint32_t valueType,
                                 const void *value, const AS_valueDescriptor_t *descriptor) {
  return OneByAttr(sl, attr, valueType, value, descriptor, Put::kCopy | Put::kReplace);
}

uint32_t AS_ReplaceAllAttrValsWithList(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId,
                                       uint32_t valueType, const AS_valueList_t *values,
                                       const AS_valueDescriptor_t *descriptor,
                                       AS_attrHandle_t *attrOut) {
  return ListBySet(sl, set, attrId, valueType, values, descriptor, attrOut, Put::kReplace);
}

uint32_t AS_ReplaceAllAttrValsWithListR(STF_statusList_t *sl, AS_attrHandle_t attr,
                                        uint32_t valueType, const AS_valueList_t *values,
                                        const AS_valueDescriptor_t *descriptor) {
  return ListByAttr(sl, attr, valueType, values, descriptor, Put::kReplace);
}

}  // extern "C"
