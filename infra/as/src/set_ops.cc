// Set lifecycle: create, destroy, clear, counts, the duplicate flag, the allocator.
#include "private/as_internal.h"

extern "C" {

uint32_t AS_Create(STF_statusList_t *sl, AS_setHandle_t *setOut,
                   const AS_allocateDescriptor_t *allocateDescriptor, uint32_t allowDuplicates) {
  if (!AS__Begin(sl)) return 1;
  if (setOut == nullptr) return AS__BadArg(sl, 1), 1;
  if (!AS__DescriptorOk(allocateDescriptor)) return AS__BadArg(sl, 2), 1;
  const AS_allocateDescriptor_t *alloc =
      allocateDescriptor != nullptr ? allocateDescriptor : &AS__defaultAllocator;
  AS__Set *set;
  if (AS__NewSetInternal(sl, allowDuplicates, alloc, &set) != 0) return 1;
  AS__AcquireHandleHO(sl, set->handle);
  *setOut = AS__PublicSetHandle(set->handle);
  return 0;
}

static uint32_t DestroyWith(STF_statusList_t *sl, AS_setHandle_t *setVar) {
  if (setVar == nullptr) return AS__BadArg(sl, 1), 1;
  AS__Set *set;
  if (AS__UseSet(sl, *setVar, 1, &set) != 0) return 1;
  AS__Handle *handle = set->handle;
  if (AS__DeleteSetInternal(sl, set) != 0) return 1;
  // The set is gone and its handle stale; other holders keep it until they free it.
  AS__DropStaleUserHO(handle);
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
  if (!AS__Begin(sl)) return 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  return AS__DeleteAllAttrsInternal(sl, s) != 0;
}

uint32_t AS_GetCount(STF_statusList_t *sl, AS_setHandle_t set, uint32_t *countOut) {
  if (!AS__Begin(sl)) return 1;
  if (countOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  *countOut = AS__GetAttrCountSO(s);
  return 0;
}

uint32_t AS_IsEmpty(STF_statusList_t *sl, AS_setHandle_t set, uint32_t *emptyOut) {
  if (!AS__Begin(sl)) return 1;
  if (emptyOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  *emptyOut = AS__GetAttrCountSO(s) == 0 ? 1 : 0;
  return 0;
}

uint32_t AS_AllowDuplicates(STF_statusList_t *sl, AS_setHandle_t set) {
  if (!AS__Begin(sl)) return 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  AS__SetDuplicateFlagSO(s, 1);
  return 0;
}

uint32_t AS_DisallowDuplicates(STF_statusList_t *sl, AS_setHandle_t set) {
  if (!AS__Begin(sl)) return 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  AS__SetDuplicateFlagSO(s, 0);
  return 0;
}

uint32_t AS_GetAllocator(STF_statusList_t *sl, AS_setHandle_t set,
                         AS_allocateDescriptor_t *allocateDescriptorOut) {
  if (!AS__Begin(sl)) return 1;
  if (allocateDescriptorOut == nullptr) return AS__BadArg(sl, 2), 1;
  AS__Set *s;
  if (AS__UseSet(sl, set, 1, &s) != 0) return 1;
  *allocateDescriptorOut = *AS__GetAllocateDescriptorSO(s);
  return 0;
}

}  // extern "C"
