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

}  // namespace

int64_t FindBer(const unsigned char *octets, uint32_t length) {
  if (!octets || length == 0) return -1;
  return Bisect(bertable, [&](const OidEntry &e) { return CompareBer(e.ber, octets, length); });
}

int64_t FindName(const char *name) {
  if (!name || !*name) return -1;
  return Bisect(nametable, [&](const OidEntry &e) { return strcmp(e.name, name); });
}

}  // namespace kq::genu

extern "C" uint32_t NumberOfShoids(void) { return kq::genu::kIndexEntries; }
