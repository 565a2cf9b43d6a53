// Operations on whole structures of a set (finding, copying, deleting), and the
// argument, handle and object checks shared by the exported operations.
#ifndef KQ_INFRA_AS_INC_PRIVATE_AS_INTERNAL_H
#define KQ_INFRA_AS_INC_PRIVATE_AS_INTERNAL_H

#include <cstdint>

#include "as_objects.h"
#include "infra/stf.h"
#include "internal/stf_scratch.h"

// ---- Public handles and handle objects

namespace kq::as {

inline Handle *HandleOf(AS_setHandle_t h) { return reinterpret_cast<Handle *>(h); }
inline Handle *HandleOf(AS_attrHandle_t h) { return reinterpret_cast<Handle *>(h); }
inline Handle *HandleOf(AS_attrValHandle_t h) { return reinterpret_cast<Handle *>(h); }
inline AS_setHandle_t PublicSetHandle(Handle *h) { return reinterpret_cast<AS_setHandle_t>(h); }
inline AS_attrHandle_t PublicAttrHandle(Handle *h) { return reinterpret_cast<AS_attrHandle_t>(h); }
inline AS_attrValHandle_t PublicValHandle(Handle *h) {
  return reinterpret_cast<AS_attrValHandle_t>(h);
}

}  // namespace kq::as

// ---- Composite operations

// First match, or in a set allowing duplicates the only match
// (AS_ST_ATTR_NOT_FOUND, AS_ST_AMBIGUOUS_ATTR).
uint32_t AS__FindAttrInternal(STF_statusList_t *sl, const kq::as::Set *set, uint32_t attrId,
                              kq::as::Attr **attrOut);

// A new set (handle with no users) holding copies of everything in `source`,
// allocated through `alloc`. Nothing is left behind on failure.
uint32_t AS__CopySetInternal(STF_statusList_t *sl, const kq::as::Set *source,
                             kq::as::Set **newSetOut, const AS_allocateDescriptor_t *alloc);
// A copy of `source` (values, characteristics, modify operator) belonging to
// `destSet` but not yet linked into it.
uint32_t AS__CopyAttrInternal(STF_statusList_t *sl, const kq::as::Attr *source,
                              kq::as::Set *destSet, kq::as::Attr **newAttrOut);
// A copy of one value for `destAttr`, not yet linked; value data from the copy
// function, allocated through the destination set's descriptor.
uint32_t AS__CopyAttrValInternal(STF_statusList_t *sl, const kq::as::Val *source,
                                 kq::as::Attr *destAttr, kq::as::Val **newValOut);

// Deletions that keep the handle rules: values' delete functions run, handles
// with users become stale. A failing delete function stops the walk with
// AS_ST_DELETE_FAILED and leaves the rest in place, consistent.
uint32_t AS__DeleteAllAttrValsInternal(STF_statusList_t *sl, kq::as::Attr *attr);
uint32_t AS__DeleteAttrValInternal(STF_statusList_t *sl, kq::as::Val *val);
uint32_t AS__DeleteAttrInternal(STF_statusList_t *sl, kq::as::Attr *attr);
uint32_t AS__DeleteAllAttrsInternal(STF_statusList_t *sl, kq::as::Set *set);
// Deletes every attribute, makes the set's handle stale and frees the set object;
// the handle itself is left to the caller.
uint32_t AS__DeleteSetInternal(STF_statusList_t *sl, kq::as::Set *set);

// Forced deletions, for throwing away half-built copies nobody holds: everything,
// handles included, is freed whatever happens; the result is AS_ST_DELETE_FAILED
// when any delete function failed. The objects need not be linked.
uint32_t AS__DeleteAttrValInternalForce(STF_statusList_t *sl, kq::as::Val *val);
uint32_t AS__DeleteAttrInternalForce(STF_statusList_t *sl, kq::as::Attr *attr);
uint32_t AS__DeleteSetInternalForce(STF_statusList_t *sl, kq::as::Set *set);

namespace kq::as {

// Frees an unlinked value object and its handle, leaving the value data alone (an
// add that failed gives the caller back its value).
void DiscardValInternal(Val *val);
// Frees a prepared attribute that has no values and was never linked.
void DiscardAttrInternal(Attr *attr);

// Creates the handle and the object of a new empty set (handle without users), or
// of a new, unlinked attribute or value.
uint32_t NewSetInternal(STF_statusList_t *sl, uint32_t duplicateFlag,
                        const AS_allocateDescriptor_t *alloc, Set **setOut);
uint32_t NewAttrInternal(STF_statusList_t *sl, Set *set, uint32_t attrId, uint32_t valueType,
                         const int32_t *modifyOp, Attr **attrOut);
uint32_t NewValInternal(STF_statusList_t *sl, Attr *attr, void *value,
                        const AS_valueDescriptor_t *desc, Val **valOut);

}  // namespace kq::as

// ---- Checks of the exported operations

namespace kq::as {

// Clears the caller's list; false when there is none.
inline bool Begin(STF_statusList_t *sl) {
  if (sl == nullptr) return false;
  STF_ClearStatus(sl);
  return true;
}

// The invalid-argument code of argument `argNo` (1-based, after the status list).
inline uint32_t ArgCode(int argNo) { return AS_ST_BAD_ARG1 + uint32_t(argNo - 1); }
inline uint32_t BadArg(STF_statusList_t *sl, int argNo) { return Report(sl, ArgCode(argNo)); }

// Where a handle or object stands among the arguments: alone, or the first or
// second of the two that an operation combines.
enum Role { kAlone, kFirst, kSecond };

// Handle check for argument `argNo`: an invalid handle gets the argument's code on
// top, a stale one of a pair the pair's stale code on top.
uint32_t CheckArgHandle(STF_statusList_t *sl, const Handle *handle, uint32_t kind, int argNo,
                        Role role);
// Object checks with the pair's code on top of AS_ST_BAD_OBJECT.
uint32_t CheckArgSet(STF_statusList_t *sl, const Set *set, Role role);
uint32_t CheckArgAttr(STF_statusList_t *sl, const Attr *attr, Role role);

// Handle check, then object check, of a lone argument.
uint32_t UseSet(STF_statusList_t *sl, AS_setHandle_t handle, int argNo, Set **setOut);
uint32_t UseAttr(STF_statusList_t *sl, AS_attrHandle_t handle, int argNo, Attr **attrOut);
uint32_t UseVal(STF_statusList_t *sl, AS_attrValHandle_t handle, int argNo, Val **valOut);
// A set (argument 1) and an ID: the attribute as AS__FindAttrInternal finds it.
uint32_t UseAttrById(STF_statusList_t *sl, AS_setHandle_t set, uint32_t attrId, Attr **attrOut);

// An allocate descriptor argument is acceptable when absent or complete.
inline bool DescriptorOk(const AS_allocateDescriptor_t *d) {
  return d == nullptr || (d->allocate != nullptr && d->deallocate != nullptr);
}
inline bool ValueDescriptorOk(const AS_valueDescriptor_t *d) {
  return d != nullptr && d->copyValue != nullptr && d->deleteValue != nullptr;
}

}  // namespace kq::as

#endif
