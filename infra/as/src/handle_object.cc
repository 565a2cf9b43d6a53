// Handle objects: what callers hold instead of object pointers.
#include <cstdlib>

#include "private/as_objects.h"

void *AS__Allocate(size_t size) { return std::malloc(size); }
void AS__Deallocate(void *block) { std::free(block); }
const AS_allocateDescriptor_t AS__defaultAllocator = {AS__Allocate, AS__Deallocate};

uint32_t AS__Report(STF_statusList_t *sl, uint32_t code) {
  STF_AddStatus(sl, code, 0);
  return code;
}

void *AS__AllocateOrReport(STF_statusList_t *sl, AS_allocateFunction_t allocate, size_t size) {
  void *p = allocate(size);
  if (p == nullptr) AS__Report(sl, AS_ST_NO_MEMORY);
  return p;
}

uint32_t AS__CreateHandleHO(STF_statusList_t *sl, uint32_t kind, void *objectRef,
                            uint32_t objectMagic, const AS_allocateDescriptor_t *alloc,
                            AS__Handle **handleOut) {
  auto *h =
      static_cast<AS__Handle *>(AS__AllocateOrReport(sl, alloc->allocate, sizeof(AS__Handle)));
  if (h == nullptr) return AS_ST_NO_MEMORY;
  h->magic = AS__kHandleMagic;
  h->userCount = 0;
  h->kind = kind;
  h->objectMagic = objectMagic;
  h->objectRef = objectRef;
  h->deallocate = alloc->deallocate;
  *handleOut = h;
  return 0;
}

void AS__DeleteHandleHO(AS__Handle *handle) {
  handle->magic = 0;
  handle->deallocate(handle);
}

uint32_t AS__AcquireHandleHO(STF_statusList_t *sl, AS__Handle *handle) {
  if (handle->userCount == AS__kMaxCount) return AS__Report(sl, AS_ST_HANDLE_FULL);
  handle->userCount++;
  return 0;
}

void AS__ReleaseHandleHO(AS__Handle *handle) {
  if (handle->userCount != 0) handle->userCount--;
}

uint32_t AS__CheckHandleHO(STF_statusList_t *sl, const AS__Handle *handle, uint32_t kind,
                           AS__GetMagicFunction getMagic) {
  if (handle == nullptr || handle->magic != AS__kHandleMagic || handle->userCount == 0 ||
      handle->deallocate == nullptr || handle->kind != kind) {
    return AS__Report(sl, AS_ST_INVALID_HANDLE);
  }
  const bool noRef = handle->objectRef == nullptr;
  const bool noMagic = handle->objectMagic == 0;
  if (noRef != noMagic) return AS__Report(sl, AS_ST_INVALID_HANDLE);
  if (noRef) return AS__Report(sl, AS_ST_STALE_HANDLE);
  if (getMagic(handle->objectRef) != handle->objectMagic) {
    return AS__Report(sl, AS_ST_STALE_HANDLE);
  }
  return 0;
}

AS__GetMagicFunction AS__MagicReaderOf(uint32_t kind) {
  switch (kind) {
    case AS__kSetKind:
      return AS__GetSetMagicSO;
    case AS__kAttrKind:
      return AS__GetAttrMagicAO;
    default:
      return AS__GetValMagicVO;
  }
}

void AS__RetireHandleHO(AS__Handle *handle) {
  if (AS__HandleIsInUseHO(handle)) {
    AS__MakeHandleStaleHO(handle);
  } else {
    AS__DeleteHandleHO(handle);
  }
}

void AS__DropStaleUserHO(AS__Handle *handle) {
  if (AS__HandleHasMultipleUsersHO(handle)) {
    AS__ReleaseHandleHO(handle);
  } else {
    AS__DeleteHandleHO(handle);
  }
}

uint32_t AS__MoveUserHO(STF_statusList_t *sl, AS__Handle *from, AS__Handle *to) {
  if (uint32_t rc = AS__AcquireHandleHO(sl, to)) return rc;
  AS__ReleaseHandleHO(from);
  return 0;
}
