// Handle objects: what callers hold instead of object pointers.
#include <cstdlib>

#include "private/as_objects.h"

namespace as = kq::as;

void *AS__Allocate(size_t size) { return std::malloc(size); }
void AS__Deallocate(void *block) { std::free(block); }
const AS_allocateDescriptor_t AS__defaultAllocator = {AS__Allocate, AS__Deallocate};

namespace kq::as {

uint32_t Report(STF_statusList_t *sl, uint32_t code) {
  STF_AddStatus(sl, code, 0);
  return code;
}

void *AllocateOrReport(STF_statusList_t *sl, AS_allocateFunction_t allocate, size_t size) {
  void *p = allocate(size);
  if (p == nullptr) Report(sl, AS_ST_NO_MEMORY);
  return p;
}

uint32_t CreateHandleHO(STF_statusList_t *sl, uint32_t kind, void *objectRef, uint32_t objectMagic,
                        const AS_allocateDescriptor_t *alloc, Handle **handleOut) {
  auto *h = static_cast<Handle *>(AllocateOrReport(sl, alloc->allocate, sizeof(Handle)));
  if (h == nullptr) return AS_ST_NO_MEMORY;
  h->magic = kHandleMagic;
  h->userCount = 0;
  h->kind = kind;
  h->objectMagic = objectMagic;
  h->objectRef = objectRef;
  h->deallocate = alloc->deallocate;
  *handleOut = h;
  return 0;
}

}  // namespace kq::as

void AS__DeleteHandleHO(as::Handle *handle) {
  handle->magic = 0;
  handle->deallocate(handle);
}

uint32_t AS__AcquireHandleHO(STF_statusList_t *sl, as::Handle *handle) {
  if (handle->userCount == as::kMaxCount) return as::Report(sl, AS_ST_HANDLE_FULL);
  handle->userCount++;
  return 0;
}

void AS__ReleaseHandleHO(as::Handle *handle) {
  if (handle->userCount != 0) handle->userCount--;
}

uint32_t AS__CheckHandleHO(STF_statusList_t *sl, const as::Handle *handle, uint32_t kind,
                           as::GetMagicFunction getMagic) {
  if (handle == nullptr || handle->magic != as::kHandleMagic || handle->userCount == 0 ||
      handle->deallocate == nullptr || handle->kind != kind) {
    return as::Report(sl, AS_ST_INVALID_HANDLE);
  }
  const bool noRef = handle->objectRef == nullptr;
  const bool noMagic = handle->objectMagic == 0;
  if (noRef != noMagic) return as::Report(sl, AS_ST_INVALID_HANDLE);
  if (noRef) return as::Report(sl, AS_ST_STALE_HANDLE);
  if (getMagic(handle->objectRef) != handle->objectMagic) {
    return as::Report(sl, AS_ST_STALE_HANDLE);
  }
  return 0;
}

namespace kq::as {

GetMagicFunction MagicReaderOf(uint32_t kind) {
  switch (kind) {
    case kSetKind:
      return GetSetMagicSO;
    case kAttrKind:
      return GetAttrMagicAO;
    default:
      return GetValMagicVO;
  }
}

void RetireHandleHO(Handle *handle) {
  if (AS__HandleIsInUseHO(handle)) {
    AS__MakeHandleStaleHO(handle);
  } else {
    AS__DeleteHandleHO(handle);
  }
}

void DropStaleUserHO(Handle *handle) {
  if (AS__HandleHasMultipleUsersHO(handle)) {
    AS__ReleaseHandleHO(handle);
  } else {
    AS__DeleteHandleHO(handle);
  }
}

uint32_t MoveUserHO(STF_statusList_t *sl, Handle *from, Handle *to) {
  if (uint32_t rc = AS__AcquireHandleHO(sl, to)) return rc;
  AS__ReleaseHandleHO(from);
  return 0;
}

}  // namespace kq::as
