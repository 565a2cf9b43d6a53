// Set lifecycle: create, destroy, clear, counts, the duplicate flag, the allocator.
#include "private/as_internal.h"

namespace as = kq::as;

extern "C" {

uint32_t AS_Create(STF_statusList_t *sl, AS_setHandle_t *setOut,
                   const AS_allocateDescriptor_t *allocateDescriptor, uint32_t allowDuplicates) {
  if (!as::Begin(sl)) return 1;
  if (setOut == nullptr) return as::BadArg(sl, 1), 1;
  if (!as::DescriptorOk(allocateDescriptor)) return as::BadArg(sl, 2), 1;
  const AS_allocateDescriptor_t *alloc =
      allocateDescriptor != nullptr ? allocateDescriptor : &AS__defaultAllocator;
  as::Set *set;
  if (as::NewSetInternal(sl, allowDuplicates, alloc, &set) != 0) return 1;
  AS__AcquireHandleHO(sl, set->handle);
  *setOut = as::PublicSetHandle(set->handle);
  return 0;
}

static uint32_t DestroyWith(STF_statusList_t *sl, AS_setHandle_t *setVar) {
  if (setVar == nullptr) return as::BadArg(sl, 1), 1;
  as::Set *set;
  if (as::UseSet(sl, *setVar, 1, &set) != 0) return 1;
  as::Handle *handle = set->handle;
  if (AS__DeleteSetInternal(sl, set) != 0) return 1;
  // The set is gone and its handle stale; other holders keep it until they free it.
  as::DropStaleUserHO(handle);
  *setVar = AS_nullSetHandle;
  return 0;
}

uint32_t AS_Destroy(STF_statusList_t *sl, AS_setHandle_t *set) {
  if (sl != nullptr) {
    STF_ClearStatus(sl);
    return DestroyWith(sl, set);
  }
  // Without a list the set is still destroyed; value delete functions get a list of
  // their own, since they may refuse to work without one.
  kq::stf::ScratchList scratch;
  return DestroyWith(scratch, set);
}

uint32_t AS_Clear(STF_statusList_t *sl, AS_setHandle_t set) {
  if (!as::Begin(sl)) return 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  return AS__DeleteAllAttrsInternal(sl, s) != 0;
}

uint32_t AS_GetCount(STF_statusList_t *sl, AS_setHandle_t set, uint32_t *countOut) {
  if (!as::Begin(sl)) return 1;
  if (countOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  *countOut = AS__GetAttrCountSO(s);
  return 0;
}

uint32_t AS_IsEmpty(STF_statusList_t *sl, AS_setHandle_t set, uint32_t *emptyOut) {
  if (!as::Begin(sl)) return 1;
  if (emptyOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  *emptyOut = AS__GetAttrCountSO(s) == 0 ? 1 : 0;
  return 0;
}

uint32_t AS_AllowDuplicates(STF_statusList_t *sl, AS_setHandle_t set) {
  if (!as::Begin(sl)) return 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  AS__SetDuplicateFlagSO(s, 1);
  return 0;
}

uint32_t AS_DisallowDuplicates(STF_statusList_t *sl, AS_setHandle_t set) {
  if (!as::Begin(sl)) return 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  AS__SetDuplicateFlagSO(s, 0);
  return 0;
}

uint32_t AS_GetAllocator(STF_statusList_t *sl, AS_setHandle_t set,
                         AS_allocateDescriptor_t *allocateDescriptorOut) {
  if (!as::Begin(sl)) return 1;
  if (allocateDescriptorOut == nullptr) return as::BadArg(sl, 2), 1;
  as::Set *s;
  if (as::UseSet(sl, set, 1, &s) != 0) return 1;
  *allocateDescriptorOut = *AS__GetAllocateDescriptorSO(s);
  return 0;
}

}  // extern "C"
