// Addressing the compiled table: short OIDs to entries, and the binary searches of
// the BER and name indexes.
#include <cstring>

#include "private/oidconv_table.h"

namespace genu = kq::genu;

namespace kq::genu {

int64_t EntryOfShort(uint32_t shoid) {
  if (shoid < kTableEntries) return shoid;  // 1093..1656 too: accepted on input
  if (shoid >= kHighFirst && shoid <= kHighLast) return shoid - kHighShift;
  return -1;
}

namespace {

// Content octets in byte order, a shorter prefix first; a missing form first of all.
int CompareBer(const GENU_berOid_t *form, const unsigned char *octets, uint32_t length) {
  if (!form) return -1;
  uint32_t n = form->length < length ? form->length : length;
  int c = n ? memcmp(form->value, octets, n) : 0;
  if (c) return c;
  return form->length < length ? -1 : form->length > length ? 1 : 0;
}

template <typename Cmp>
int64_t Bisect(const OidIndexEntry *index, Cmp cmp) {
  uint32_t lo = 0, hi = kIndexEntries;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    int c = cmp(*index[mid].entry);
    if (c == 0) return index[mid].number;
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return -1;
}

int64_t BisectBer(const unsigned char *octets, uint32_t length) {
  return Bisect(bertable, [&](const OidEntry &e) { return CompareBer(e.ber, octets, length); });
}

uint32_t HashBer(const unsigned char *octets, uint32_t length) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (uint32_t i = 0; i < length; ++i) h = (h ^ octets[i]) * 16777619u;
  return h;
}

// Every BER form of the table in an open-addressing hash, each with the entry the
// binary search finds for it, so that a received identifier costs one hash and one
// comparison instead of a search. Built on first use.
class BerHash {
 public:
  BerHash() {
    for (const OidIndexEntry &i : bertable) {
      const GENU_berOid_t *form = i.entry->ber;
      if (!form || !form->value || form->length == 0) continue;
      uint32_t slot = HashBer(form->value, form->length) & kMask;
      while (slots_[slot].form && !Same(*slots_[slot].form, form->value, form->length))
        slot = (slot + 1) & kMask;
      if (!slots_[slot].form) slots_[slot] = {form, BisectBer(form->value, form->length)};
    }
  }
  // The entry of the form, -1 when the table has no such form.
  int64_t Find(const unsigned char *octets, uint32_t length) const {
    for (uint32_t slot = HashBer(octets, length) & kMask; slots_[slot].form;
         slot = (slot + 1) & kMask)
      if (Same(*slots_[slot].form, octets, length)) return slots_[slot].number;
    return -1;
  }

 private:
  static constexpr uint32_t kMask = 4095;  // at most 41% full
  static_assert(kIndexEntries * 2 < kMask);
  static bool Same(const GENU_berOid_t &form, const unsigned char *octets, uint32_t length) {
    return form.length == length && memcmp(form.value, octets, length) == 0;
  }
  struct Slot {
    const GENU_berOid_t *form;
    int64_t number;
  };
  Slot slots_[kMask + 1] = {};
};

}  // namespace

int64_t FindBer(const unsigned char *octets, uint32_t length) {
  if (!octets || length == 0) return -1;
  static const BerHash hash;  // static storage: no allocation
  return hash.Find(octets, length);
}

int64_t FindName(const char *name) {
  if (!name || !*name) return -1;
  return Bisect(nametable, [&](const OidEntry &e) { return strcmp(e.name, name); });
}

}  // namespace kq::genu

extern "C" uint32_t NumberOfShoids(void) { return kq::genu::kIndexEntries; }
