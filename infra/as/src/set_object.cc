// Set objects: the attribute list in insertion order and the allocate descriptor.
#include "private/as_objects.h"

uint32_t AS__GetSetMagicSO(const void *set) { return static_cast<const AS__Set *>(set)->magic; }

uint32_t AS__CreateSetSO(STF_statusList_t *sl, uint32_t duplicateFlag,
                         const AS_allocateDescriptor_t *alloc, AS__Handle *handle,
                         AS__Set **setOut) {
  auto *set = static_cast<AS__Set *>(AS__AllocateOrReport(sl, alloc->allocate, sizeof(AS__Set)));
  if (set == nullptr) return AS_ST_NO_MEMORY;
  set->magic = AS__kSetMagic;
  set->handle = handle;
  set->duplicates = duplicateFlag ? 1 : 0;
  set->attrCount = 0;
  set->first = nullptr;
  set->last = nullptr;
  set->alloc = *alloc;
  *setOut = set;
  return 0;
}

void AS__DeleteSetSO(AS__Set *set) {
  set->magic = 0;
  set->alloc.deallocate(set);
}

void AS__AddAttrToSetSO(AS__Set *set, AS__Attr *attr) {
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

void AS__RemoveAttrFromSetSO(AS__Set *set, AS__Attr *attr) {
  (attr->prev != nullptr ? attr->prev->next : set->first) = attr->next;
  (attr->next != nullptr ? attr->next->prev : set->last) = attr->prev;
  attr->next = nullptr;
  attr->prev = nullptr;
  set->attrCount--;
}

AS__Attr *AS__FindAttrInSetSO(const AS__Set *set, uint32_t attrId) {
  return AS__FindAttrInListAO(set->first, attrId);
}

uint32_t AS__FindUniqueAttrInSetSO(STF_statusList_t *sl, const AS__Set *set, uint32_t attrId,
                                   AS__Attr **attrOut) {
  return AS__FindUniqueAttrInListAO(sl, set->first, attrId, attrOut);
}

bool AS__CheckSetForDuplicatesSO(const AS__Set *set) {
  return set->duplicates != 0 && AS__CheckListForDuplicateAttrsAO(set->first);
}

uint32_t AS__CheckSetSO(STF_statusList_t *sl, const AS__Set *set) {
  const bool ok = set != nullptr && set->magic == AS__kSetMagic && set->duplicates <= 1 &&
                  set->alloc.allocate != nullptr && set->alloc.deallocate != nullptr &&
                  set->handle != nullptr && set->handle->objectRef == set &&
                  ((set->first == nullptr && set->last == nullptr && set->attrCount == 0) ||
                   (set->first != nullptr && set->last != nullptr && set->attrCount != 0)) &&
                  (set->attrCount != 1 || set->first == set->last);
  return ok ? 0 : AS__Report(sl, AS_ST_BAD_OBJECT);
}
