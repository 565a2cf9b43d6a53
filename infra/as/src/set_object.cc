// Set objects: the attribute list in insertion order and the allocate descriptor.
#include "private/as_objects.h"

namespace as = kq::as;

namespace kq::as {

uint32_t GetSetMagicSO(const void *set) { return static_cast<const Set *>(set)->magic; }

uint32_t CreateSetSO(STF_statusList_t *sl, uint32_t duplicateFlag,
                     const AS_allocateDescriptor_t *alloc, Handle *handle, Set **setOut) {
  auto *set = static_cast<Set *>(AllocateOrReport(sl, alloc->allocate, sizeof(Set)));
  if (set == nullptr) return AS_ST_NO_MEMORY;
  set->magic = kSetMagic;
  set->handle = handle;
  set->duplicates = duplicateFlag ? 1 : 0;
  set->attrCount = 0;
  set->first = nullptr;
  set->last = nullptr;
  set->alloc = *alloc;
  *setOut = set;
  return 0;
}

}  // namespace kq::as

void AS__DeleteSetSO(as::Set *set) {
  set->magic = 0;
  set->alloc.deallocate(set);
}

void AS__AddAttrToSetSO(as::Set *set, as::Attr *attr) {
  attr->set = set;
  attr->next = nullptr;
  attr->prev = set->last;
  if (set->last != nullptr) {
    set->last->next = attr;
  } else {
    set->first = attr;
  }
  set->last = attr;
  set->attrCount++;
}

void AS__RemoveAttrFromSetSO(as::Set *set, as::Attr *attr) {
  (attr->prev != nullptr ? attr->prev->next : set->first) = attr->next;
  (attr->next != nullptr ? attr->next->prev : set->last) = attr->prev;
  attr->next = nullptr;
  attr->prev = nullptr;
  set->attrCount--;
}

as::Attr *AS__FindAttrInSetSO(const as::Set *set, uint32_t attrId) {
  return AS__FindAttrInListAO(set->first, attrId);
}

uint32_t AS__FindUniqueAttrInSetSO(STF_statusList_t *sl, const as::Set *set, uint32_t attrId,
                                   as::Attr **attrOut) {
  return AS__FindUniqueAttrInListAO(sl, set->first, attrId, attrOut);
}

bool AS__CheckSetForDuplicatesSO(const as::Set *set) {
  return set->duplicates != 0 && AS__CheckListForDuplicateAttrsAO(set->first);
}

uint32_t AS__CheckSetSO(STF_statusList_t *sl, const as::Set *set) {
  const bool ok = set != nullptr && set->magic == as::kSetMagic && set->duplicates <= 1 &&
                  set->alloc.allocate != nullptr && set->alloc.deallocate != nullptr &&
                  set->handle != nullptr && set->handle->objectRef == set &&
                  ((set->first == nullptr && set->last == nullptr && set->attrCount == 0) ||
                   (set->first != nullptr && set->last != nullptr && set->attrCount != 0)) &&
                  (set->attrCount != 1 || set->first == set->last);
  return ok ? 0 : as::Report(sl, AS_ST_BAD_OBJECT);
}
