// Building new sets from whole sets: copy, append, overlay, intersect, subset.
// Sources are only read; a result that cannot be finished is force-deleted.
#include <cstring>

#include "private/as_internal.h"

namespace {

const AS_allocateDescriptor_t *Chosen(const AS_allocateDescriptor_t *d) {
  return d != nullptr ? d : &AS__defaultAllocator;
}

// Hands a finished result to the caller.
uint32_t Deliver(STF_statusList_t *sl, AS__Set *result, AS_setHandle_t *resultOut) {
  AS__AcquireHandleHO(sl, result->handle);  // a new handle: cannot be full
  *resultOut = AS__PublicSetHandle(result->handle);
  return 0;
}

uint32_t Abandon(AS__Set *result, uint32_t rc) {
  AS__DeleteSetInternalForce(kq::stf::ScratchList(), result);
  return rc;
}

uint32_t AppendCopy(STF_statusList_t *sl, AS__Set *result, const AS__Attr *source) {
  if (AS__GetAttrCountSO(result) == AS__kMaxCount) return AS__Report(sl, AS_ST_SET_FULL);
  AS__Attr *copy;
  if (uint32_t rc = AS__CopyAttrInternal(sl, source, result, &copy)) return rc;
  AS__AddAttrToSetSO(result, copy);
  return 0;
}

// Both set handles, then both sets, as the first and second of a pair.
uint32_t UseTwoSets(STF_statusList_t *sl, AS_setHandle_t first, AS_setHandle_t second,
                    AS__Set **firstOut, AS__Set **secondOut) {
  AS__Handle *fh = AS__HandleOf(first), *sh = AS__HandleOf(second);
  if (uint32_t rc = AS__CheckArgHandle(sl, fh, AS__kSetKind, 2, AS__kFirst)) return rc;
  if (uint32_t rc = AS__CheckArgHandle(sl, sh, AS__kSetKind, 3, AS__kSecond)) return rc;
  auto *f = static_cast<AS__Set *>(AS__GetObjectRefFromHandleHO(fh));
  auto *s = static_cast<AS__Set *>(AS__GetObjectRefFromHandleHO(sh));
  if (uint32_t rc = AS__CheckArgSet(sl, f, AS__kFirst)) return rc;
  if (uint32_t rc = AS__CheckArgSet(sl, s, AS__kSecond)) return rc;
  *firstOut = f;
  *secondOut = s;
  return 0;
}

// Append may go ahead when neither set holds an ID twice and the sets share none.
bool CheckForMatchingAttrs(const AS__Set *first, const AS__Set *second) {
  if (AS__CheckSetForDuplicatesSO(first) || AS__CheckSetForDuplicatesSO(second)) return false;
  for (const AS__Attr *a = first->first; a != nullptr; a = a->next) {
    if (AS__FindAttrInSetSO(second, a->attrId) != nullptr) return false;
  }
  return true;
}

// The IDs in ascending order without repetitions, by insertion.
uint32_t CreateSortedIDList(STF_statusList_t *sl, const AS_attrIdList_t *ids,
                            const AS_allocateDescriptor_t *alloc, uint32_t **sortedOut,
                            uint32_t *countOut) {
  *sortedOut = nullptr;
  *countOut = 0;
  if (ids->count == 0) return 0;
  auto *sorted = static_cast<uint32_t *>(
      AS__AllocateOrReport(sl, alloc->allocate, sizeof(uint32_t) * size_t(ids->count)));
  if (sorted == nullptr) return AS_ST_NO_MEMORY;
  uint32_t n = 0;
  for (uint32_t i = 0; i < ids->count; i++) {
    const uint32_t id = ids->ids[i];
    uint32_t at = 0;
    while (at < n && sorted[at] < id) at++;
    if (at < n && sorted[at] == id) continue;
    std::memmove(sorted + at + 1, sorted + at, sizeof(uint32_t) * (n - at));
    sorted[at] = id;
    n++;
  }
  *sortedOut = sorted;
  *countOut = n;
  return 0;
}

bool FindAndRemoveIDFromSortedIDList(uint32_t *sorted, uint32_t *count, uint32_t id) {
  uint32_t lo = 0, hi = *count;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (sorted[mid] < id) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo == *count || sorted[lo] != id) return false;
  std::memmove(sorted + lo, sorted + lo + 1, sizeof(uint32_t) * (*count - lo - 1));
  (*count)--;
  return true;
}

// The first attribute of each listed ID, in set order; the IDs found leave the
// sorted list, so what remains is what the set lacks.
uint32_t CreateMatchingAttrList(STF_statusList_t *sl, const AS__Set *set, uint32_t *sorted,
                                uint32_t *sortedCount, const AS_allocateDescriptor_t *alloc,
                                const AS__Attr ***matchesOut, uint32_t *matchCountOut) {
  *matchesOut = nullptr;
  *matchCountOut = 0;
  if (*sortedCount == 0) return 0;
  auto **matches = static_cast<const AS__Attr **>(
      AS__AllocateOrReport(sl, alloc->allocate, sizeof(AS__Attr *) * size_t(*sortedCount)));
  if (matches == nullptr) return AS_ST_NO_MEMORY;
  uint32_t n = 0;
  for (const AS__Attr *a = set->first; a != nullptr && *sortedCount != 0; a = a->next) {
    if (FindAndRemoveIDFromSortedIDList(sorted, sortedCount, a->attrId)) matches[n++] = a;
  }
  *matchesOut = matches;
  *matchCountOut = n;
  return 0;
}

uint32_t Select(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t set,
                const AS_attrIdList_t *attrIds, const AS_allocateDescriptor_t *allocateDescriptor,
                bool everyIdRequired) {
  if (!AS__Begin(sl)) return 1;
  if (resultOut == nullptr) return AS__BadArg(sl, 1), 1;
  if (attrIds == nullptr || (attrIds->count != 0 && attrIds->ids == nullptr)) {
    return AS__BadArg(sl, 3), 1;
  }
  if (!AS__DescriptorOk(allocateDescriptor)) return AS__BadArg(sl, 4), 1;
  AS__Set *source;
  if (AS__UseSet(sl, set, 2, &source) != 0) return 1;
  const AS_allocateDescriptor_t *alloc = Chosen(allocateDescriptor);

  uint32_t *sorted;
  uint32_t sortedCount;
  if (CreateSortedIDList(sl, attrIds, alloc, &sorted, &sortedCount) != 0) return 1;
  const AS__Attr **matches;
  uint32_t matchCount;
  uint32_t rc =
      CreateMatchingAttrList(sl, source, sorted, &sortedCount, alloc, &matches, &matchCount);
  if (rc == 0 && everyIdRequired && sortedCount != 0) rc = AS__Report(sl, AS_ST_ATTR_NOT_FOUND);
  if (sorted != nullptr) alloc->deallocate(sorted);

  AS__Set *result = nullptr;
  if (rc == 0) rc = AS__NewSetInternal(sl, source->duplicates, alloc, &result);
  for (uint32_t i = 0; rc == 0 && i < matchCount; i++) rc = AppendCopy(sl, result, matches[i]);
  if (rc != 0 && result != nullptr) Abandon(result, rc);
  if (matches != nullptr) alloc->deallocate(matches);
  if (rc != 0) return 1;
  return Deliver(sl, result, resultOut);
}

}  // namespace

extern "C" {

uint32_t AS_Copy(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t source,
                 const AS_allocateDescriptor_t *allocateDescriptor) {
  if (!AS__Begin(sl)) return 1;
  if (resultOut == nullptr) return AS__BadArg(sl, 1), 1;
  if (!AS__DescriptorOk(allocateDescriptor)) return AS__BadArg(sl, 3), 1;
  AS__Set *s;
  if (AS__UseSet(sl, source, 2, &s) != 0) return 1;
  AS__Set *result;
  if (AS__CopySetInternal(sl, s, &result, Chosen(allocateDescriptor)) != 0) return 1;
  return Deliver(sl, result, resultOut);
}

uint32_t AS_Append(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t first,
                   AS_setHandle_t second, const AS_allocateDescriptor_t *allocateDescriptor,
                   uint32_t allowDuplicates) {
  if (!AS__Begin(sl)) return 1;
  if (resultOut == nullptr) return AS__BadArg(sl, 1), 1;
  AS__Set *f, *s;
  if (UseTwoSets(sl, first, second, &f, &s) != 0) return 1;
  if (!AS__DescriptorOk(allocateDescriptor)) return AS__BadArg(sl, 4), 1;
  if (allowDuplicates == 0 && !CheckForMatchingAttrs(f, s)) {
    return AS__Report(sl, AS_ST_DUPLICATE_ATTR), 1;
  }
  AS__Set *result;
  if (AS__CopySetInternal(sl, f, &result, Chosen(allocateDescriptor)) != 0) return 1;
  for (const AS__Attr *a = s->first; a != nullptr; a = a->next) {
    if (uint32_t rc = AppendCopy(sl, result, a)) return Abandon(result, rc), 1;
  }
  return Deliver(sl, result, resultOut);
}

uint32_t AS_Overlay(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t base,
                    AS_setHandle_t overlay, const AS_allocateDescriptor_t *allocateDescriptor) {
  if (!AS__Begin(sl)) return 1;
  if (resultOut == nullptr) return AS__BadArg(sl, 1), 1;
  AS__Set *b, *o;
  if (UseTwoSets(sl, base, overlay, &b, &o) != 0) return 1;
  if (!AS__DescriptorOk(allocateDescriptor)) return AS__BadArg(sl, 4), 1;
  if (AS__CheckSetForDuplicatesSO(b) || AS__CheckSetForDuplicatesSO(o)) {
    return AS__Report(sl, AS_ST_DUPLICATE_ATTR), 1;
  }
  AS__Set *result;
  if (AS__NewSetInternal(sl, 0, Chosen(allocateDescriptor), &result) != 0) return 1;
  for (const AS__Attr *a = b->first; a != nullptr; a = a->next) {
    if (AS__FindAttrInSetSO(o, a->attrId) != nullptr) continue;  // the overlay's wins
    if (uint32_t rc = AppendCopy(sl, result, a)) return Abandon(result, rc), 1;
  }
  for (const AS__Attr *a = o->first; a != nullptr; a = a->next) {
    if (uint32_t rc = AppendCopy(sl, result, a)) return Abandon(result, rc), 1;
  }
  return Deliver(sl, result, resultOut);
}

uint32_t AS_Intersect(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t set,
                      const AS_attrIdList_t *attrIds,
                      const AS_allocateDescriptor_t *allocateDescriptor) {
  return Select(sl, resultOut, set, attrIds, allocateDescriptor, false);
}

uint32_t AS_Subset(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t set,
                   const AS_attrIdList_t *attrIds,
                   const AS_allocateDescriptor_t *allocateDescriptor) {
  return Select(sl, resultOut, set, attrIds, allocateDescriptor, true);
}

}  // extern "C"
