// Building new sets from whole sets: copy, append, overlay, intersect, subset.
// Sources are only read; a result that cannot be finished is force-deleted.
#include <cstring>

#include "private/as_internal.h"

namespace as = kq::as;

namespace {

const AS_allocateDescriptor_t *Chosen(const AS_allocateDescriptor_t *d) {
  return d != nullptr ? d : &AS__defaultAllocator;
}

// Hands a finished result to the caller.
uint32_t Deliver(STF_statusList_t *sl, as::Set *result, AS_setHandle_t *resultOut) {
  AS__AcquireHandleHO(sl, result->handle);  // a new handle: cannot be full
  *resultOut = as::PublicSetHandle(result->handle);
  return 0;
}

uint32_t Abandon(as::Set *result, uint32_t rc) {
  AS__DeleteSetInternalForce(kq::stf::ScratchList(), result);
  return rc;
}

uint32_t AppendCopy(STF_statusList_t *sl, as::Set *result, const as::Attr *source) {
  if (AS__GetAttrCountSO(result) == as::kMaxCount) return as::Report(sl, AS_ST_SET_FULL);
  if (uint32_t rc = AS__ReserveAttrsSO(sl, result, 1)) return rc;
  as::Attr *copy;
  if (uint32_t rc = AS__CopyAttrInternal(sl, source, result, &copy)) return rc;
  AS__AddAttrToSetSO(result, copy);
  return 0;
}

// Both set handles, then both sets, as the first and second of a pair.
uint32_t UseTwoSets(STF_statusList_t *sl, AS_setHandle_t first, AS_setHandle_t second,
                    as::Set **firstOut, as::Set **secondOut) {
  as::Handle *fh = as::HandleOf(first), *sh = as::HandleOf(second);
  if (uint32_t rc = as::CheckArgHandle(sl, fh, as::kSetKind, 2, as::kFirst)) return rc;
  if (uint32_t rc = as::CheckArgHandle(sl, sh, as::kSetKind, 3, as::kSecond)) return rc;
  auto *f = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(fh));
  auto *s = static_cast<as::Set *>(AS__GetObjectRefFromHandleHO(sh));
  if (uint32_t rc = as::CheckArgSet(sl, f, as::kFirst)) return rc;
  if (uint32_t rc = as::CheckArgSet(sl, s, as::kSecond)) return rc;
  *firstOut = f;
  *secondOut = s;
  return 0;
}

// Append may go ahead when neither set holds an ID twice and the sets share none.
bool CheckForMatchingAttrs(const as::Set *first, const as::Set *second) {
  if (AS__CheckSetForDuplicatesSO(first) || AS__CheckSetForDuplicatesSO(second)) return false;
  for (const as::Attr *a = first->first; a != nullptr; a = a->next) {
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
      as::AllocateOrReport(sl, alloc->allocate, sizeof(uint32_t) * size_t(ids->count)));
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
uint32_t CreateMatchingAttrList(STF_statusList_t *sl, const as::Set *set, uint32_t *sorted,
                                uint32_t *sortedCount, const AS_allocateDescriptor_t *alloc,
                                const as::Attr ***matchesOut, uint32_t *matchCountOut) {
  *matchesOut = nullptr;
  *matchCountOut = 0;
  if (*sortedCount == 0) return 0;
  auto **matches = static_cast<const as::Attr **>(
      as::AllocateOrReport(sl, alloc->allocate, sizeof(as::Attr *) * size_t(*sortedCount)));
  if (matches == nullptr) return AS_ST_NO_MEMORY;
  uint32_t n = 0;
  for (const as::Attr *a = set->first; a != nullptr && *sortedCount != 0; a = a->next) {
    if (FindAndRemoveIDFromSortedIDList(sorted, sortedCount, a->attrId)) matches[n++] = a;
  }
  *matchesOut = matches;
  *matchCountOut = n;
  return 0;
}

uint32_t Select(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t set,
                const AS_attrIdList_t *attrIds, const AS_allocateDescriptor_t *allocateDescriptor,
                bool everyIdRequired) {
  if (!as::Begin(sl)) return 1;
  if (resultOut == nullptr) return as::BadArg(sl, 1), 1;
  if (attrIds == nullptr || (attrIds->count != 0 && attrIds->ids == nullptr)) {
    return as::BadArg(sl, 3), 1;
  }
  if (!as::DescriptorOk(allocateDescriptor)) return as::BadArg(sl, 4), 1;
  as::Set *source;
  if (as::UseSet(sl, set, 2, &source) != 0) return 1;
  const AS_allocateDescriptor_t *alloc = Chosen(allocateDescriptor);

  uint32_t *sorted;
  uint32_t sortedCount;
  if (CreateSortedIDList(sl, attrIds, alloc, &sorted, &sortedCount) != 0) return 1;
  const as::Attr **matches;
  uint32_t matchCount;
  uint32_t rc =
      CreateMatchingAttrList(sl, source, sorted, &sortedCount, alloc, &matches, &matchCount);
  if (rc == 0 && everyIdRequired && sortedCount != 0) rc = as::Report(sl, AS_ST_ATTR_NOT_FOUND);
  if (sorted != nullptr) alloc->deallocate(sorted);

  as::Set *result = nullptr;
  if (rc == 0) rc = as::NewSetInternal(sl, source->duplicates, alloc, &result);
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
  if (!as::Begin(sl)) return 1;
  if (resultOut == nullptr) return as::BadArg(sl, 1), 1;
  if (!as::DescriptorOk(allocateDescriptor)) return as::BadArg(sl, 3), 1;
  as::Set *s;
  if (as::UseSet(sl, source, 2, &s) != 0) return 1;
  as::Set *result;
  if (AS__CopySetInternal(sl, s, &result, Chosen(allocateDescriptor)) != 0) return 1;
  return Deliver(sl, result, resultOut);
}

uint32_t AS_Append(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t first,
                   AS_setHandle_t second, const AS_allocateDescriptor_t *allocateDescriptor,
                   uint32_t allowDuplicates) {
  if (!as::Begin(sl)) return 1;
  if (resultOut == nullptr) return as::BadArg(sl, 1), 1;
  as::Set *f, *s;
  if (UseTwoSets(sl, first, second, &f, &s) != 0) return 1;
  if (!as::DescriptorOk(allocateDescriptor)) return as::BadArg(sl, 4), 1;
  if (allowDuplicates == 0 && !CheckForMatchingAttrs(f, s)) {
    return as::Report(sl, AS_ST_DUPLICATE_ATTR), 1;
  }
  as::Set *result;
  if (AS__CopySetInternal(sl, f, &result, Chosen(allocateDescriptor)) != 0) return 1;
  for (const as::Attr *a = s->first; a != nullptr; a = a->next) {
    if (uint32_t rc = AppendCopy(sl, result, a)) return Abandon(result, rc), 1;
  }
  return Deliver(sl, result, resultOut);
}

uint32_t AS_Overlay(STF_statusList_t *sl, AS_setHandle_t *resultOut, AS_setHandle_t base,
                    AS_setHandle_t overlay, const AS_allocateDescriptor_t *allocateDescriptor) {
  if (!as::Begin(sl)) return 1;
  if (resultOut == nullptr) return as::BadArg(sl, 1), 1;
  as::Set *b, *o;
  if (UseTwoSets(sl, base, overlay, &b, &o) != 0) return 1;
  if (!as::DescriptorOk(allocateDescriptor)) return as::BadArg(sl, 4), 1;
  if (AS__CheckSetForDuplicatesSO(b) || AS__CheckSetForDuplicatesSO(o)) {
    return as::Report(sl, AS_ST_DUPLICATE_ATTR), 1;
  }
  as::Set *result;
  if (as::NewSetInternal(sl, 0, Chosen(allocateDescriptor), &result) != 0) return 1;
  for (const as::Attr *a = b->first; a != nullptr; a = a->next) {
    if (AS__FindAttrInSetSO(o, a->attrId) != nullptr) continue;  // the overlay's wins
    if (uint32_t rc = AppendCopy(sl, result, a)) return Abandon(result, rc), 1;
  }
  for (const as::Attr *a = o->first; a != nullptr; a = a->next) {
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
