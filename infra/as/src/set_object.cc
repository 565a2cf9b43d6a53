// Set objects: the attribute list in insertion order, its index by ID once the set is
// large, and the allocate descriptor.
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
  set->index = nullptr;
  set->alloc = *alloc;
  *setOut = set;
  return 0;
}

}  // namespace kq::as

void AS__DeleteSetSO(as::Set *set) {
  as::FreeIndex(set);
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
  if (set->index == nullptr) return;
  if (as::IndexHasRoom(set->index, 1)) {
    as::IndexAppended(set->index, attr);
  } else {
    as::FreeIndex(set);  // linked without a reservation: back to the list walk
  }
}

uint32_t AS__ReserveAttrsSO(STF_statusList_t *sl, as::Set *set, uint32_t extra) {
  const uint64_t total = uint64_t(set->attrCount) + extra;
  if (total < as::kIndexFrom || as::IndexHasRoom(set->index, extra)) return 0;
  if (total > as::kMaxCount) return 0;  // the caller refuses it: the set is full
  if (!as::GrowIndex(set, uint32_t(total))) {
    return as::Report(sl, AS_ST_NO_MEMORY);
  }
  return 0;
}

void AS__RemoveAttrFromSetSO(as::Set *set, as::Attr *attr) {
  if (set->index != nullptr) as::IndexRemoving(set->index, attr);
  (attr->prev != nullptr ? attr->prev->next : set->first) = attr->next;
  (attr->next != nullptr ? attr->next->prev : set->last) = attr->prev;
  attr->next = nullptr;
  attr->prev = nullptr;
  set->attrCount--;
}

as::Attr *AS__FindAttrInSetSO(const as::Set *set, uint32_t attrId) {
  if (set->index != nullptr) return as::IndexFind(set->index, attrId).first;
  return AS__FindAttrInListAO(set->first, attrId);
}

uint32_t AS__FindUniqueAttrInSetSO(STF_statusList_t *sl, const as::Set *set, uint32_t attrId,
                                   as::Attr **attrOut) {
  if (set->index == nullptr) return AS__FindUniqueAttrInListAO(sl, set->first, attrId, attrOut);
  const as::IndexHit hit = as::IndexFind(set->index, attrId);
  if (hit.count == 0) return as::Report(sl, AS_ST_ATTR_NOT_FOUND);
  if (hit.count > 1) return as::Report(sl, AS_ST_AMBIGUOUS_ATTR);
  *attrOut = hit.first;
  return 0;
}

bool AS__CheckSetForDuplicatesSO(const as::Set *set) {
  if (set->duplicates == 0) return false;
  if (set->index != nullptr) return as::IndexHasDuplicates(set->index);
  return AS__CheckListForDuplicateAttrsAO(set->first);
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
