// The attribute index of a large set: an open-addressing hash table with linear probing
// from attribute ID to the first attribute with that ID and the number of attributes
// carrying it. The list stays the order of record; the index only answers "where is ID
// n" in constant time, so that building or searching a set of thousands of attributes
// is not quadratic. It lives in one block from the set's allocate descriptor, kept at
// most half full.
#include <cstddef>

#include "private/as_objects.h"

namespace kq::as {

namespace {

struct Slot {
  uint32_t id;
  uint32_t count;  // 0: the slot is empty
  Attr *first;
};

constexpr uint32_t kMinSlots = 64;

}  // namespace

struct AttrIndex {
  uint32_t shift;       // 32 - log2(slot count)
  uint32_t mask;        // slot count - 1
  uint32_t used;        // slots in use (distinct IDs)
  uint32_t duplicated;  // IDs carried by more than one attribute
  Slot *slots;          // right after this header, in the same block
};

namespace {

// Fibonacci hashing: the top bits of the product spread consecutive IDs over the table.
uint32_t Home(const AttrIndex *index, uint32_t id) {
  return uint32_t(id * 2654435761u) >> index->shift;
}

Slot *Probe(const AttrIndex *index, uint32_t id) {
  for (uint32_t i = Home(index, id);; i = (i + 1) & index->mask) {
    Slot *s = &index->slots[i];
    if (s->count == 0 || s->id == id) return s;
  }
}

void Record(AttrIndex *index, Attr *attr) {
  Slot *s = Probe(index, attr->attrId);
  if (s->count == 0) {
    *s = Slot{attr->attrId, 1, attr};
    index->used++;
    return;
  }
  if (++s->count == 2) index->duplicated++;
}

}  // namespace

bool IndexHasRoom(const AttrIndex *index, uint32_t more) {
  return index != nullptr && (uint64_t(index->used) + more) * 2 <= uint64_t(index->mask) + 1;
}

bool GrowIndex(Set *set, uint32_t attrs) {
  uint64_t slots = kMinSlots;
  uint32_t bits = 6;
  while (slots < uint64_t(attrs) * 2) slots *= 2, bits++;
  if (slots > (uint64_t(1) << 31)) return false;
  const size_t header = (sizeof(AttrIndex) + alignof(Slot) - 1) / alignof(Slot) * alignof(Slot);
  auto *index = static_cast<AttrIndex *>(set->alloc.allocate(header + slots * sizeof(Slot)));
  if (index == nullptr) return false;
  index->shift = 32 - bits;
  index->mask = uint32_t(slots - 1);
  index->used = 0;
  index->duplicated = 0;
  index->slots = reinterpret_cast<Slot *>(reinterpret_cast<char *>(index) + header);
  for (uint64_t i = 0; i < slots; i++) index->slots[i] = Slot{0, 0, nullptr};
  for (Attr *a = set->first; a != nullptr; a = a->next) Record(index, a);
  FreeIndex(set);
  set->index = index;
  return true;
}

void IndexAppended(AttrIndex *index, Attr *attr) { Record(index, attr); }

void IndexRemoving(AttrIndex *index, const Attr *attr) {
  Slot *s = Probe(index, attr->attrId);
  if (s->count == 0) return;  // not recorded: nothing to forget
  if (s->count > 1) {
    if (--s->count == 1) index->duplicated--;
    // The next attribute with the ID follows the removed one in the list.
    if (s->first == attr) {
      Attr *next = attr->next;
      while (next->attrId != attr->attrId) next = next->next;
      s->first = next;
    }
    return;
  }
  // Backward-shift deletion: move later entries of the probe run into the hole so that
  // every entry stays reachable from its home slot without tombstones.
  uint32_t hole = uint32_t(s - index->slots);
  for (uint32_t i = (hole + 1) & index->mask;; i = (i + 1) & index->mask) {
    Slot &next = index->slots[i];
    if (next.count == 0) break;
    const uint32_t home = Home(index, next.id);
    // `next` may move to the hole when its home is not in the cyclic range (hole, i].
    if (((i - home) & index->mask) >= ((i - hole) & index->mask)) {
      index->slots[hole] = next;
      hole = i;
    }
  }
  index->slots[hole] = Slot{0, 0, nullptr};
  index->used--;
}

IndexHit IndexFind(const AttrIndex *index, uint32_t attrId) {
  const Slot *s = Probe(index, attrId);
  return s->count == 0 ? IndexHit{nullptr, 0} : IndexHit{s->first, s->count};
}

bool IndexHasDuplicates(const AttrIndex *index) { return index->duplicated != 0; }

void FreeIndex(Set *set) {
  if (set->index != nullptr) set->alloc.deallocate(set->index);
  set->index = nullptr;
}

}  // namespace kq::as
