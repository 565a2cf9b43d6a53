// The compiled object identifier table and its two sorted indexes (generated at
// build time from data/oids.txt), and the helpers the conversions share.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_OIDCONV_TABLE_H
#define KQ_INFRA_GENU_INC_PRIVATE_OIDCONV_TABLE_H

#include <cstdint>

#include "infra/genu_oid.h"
#include "internal/stf_fail.h"

namespace kq::genu {

constexpr uint32_t kTableEntries = 1657;  // entry 1656 is the empty end entry
constexpr uint32_t kIndexEntries = 1656;
constexpr uint32_t kLowLast = 1092;    // short OIDs 0..1092 are entries 0..1092
constexpr uint32_t kHighFirst = 3000;  // short OIDs 3000..3563 are entries 1093..1656
constexpr uint32_t kHighLast = 3563;
constexpr uint32_t kHighShift = 1907;

struct OidEntry {
  const char *name;
  const GENU_berOid_t *ber;     // null for entries without forms
  const unsigned char *binary;  // tag 6, length, content octets, 0; null likewise
  uint8_t type;                 // value type id, GENU_OID_NO_TYPE when none
};

struct OidIndexEntry {
  const OidEntry *entry;
  uint32_t number;  // the entry's index in oidTable
};

extern const OidEntry oidTable[kTableEntries];
extern const OidIndexEntry bertable[kIndexEntries];   // by content octets
extern const OidIndexEntry nametable[kIndexEntries];  // by name, byte order

// The table entry a static short OID addresses, or -1 when it addresses none.
int64_t EntryOfShort(uint32_t shoid);
// The short OID a conversion reports for an entry number.
inline uint32_t ShortOfEntry(uint32_t entry) {
  return entry > kLowLast ? entry + kHighShift : entry;
}

// Searches the indexes; -1 when absent.
int64_t FindBer(const unsigned char *octets, uint32_t length);
int64_t FindName(const char *name);

}  // namespace kq::genu

#endif
