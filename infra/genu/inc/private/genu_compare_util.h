// Small helpers shared by the compare rules.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_COMPARE_UTIL_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_COMPARE_UTIL_H

#include <ctime>

#include "infra/genu.h"

namespace kq::genu {

inline int32_t Sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Both records present (else 0xc00e006b) and a result pointer.
inline bool CheckPair(STF_statusList_t *sl, const void *a, const void *b, int32_t *result) {
  if (a && b && result) return true;
  STF_AddStatus(sl, GENU_ST_NULL_COMPARE, 0);
  return false;
}

// The byte-string rule shared by octet strings, short octet strings and texts.
uint32_t OctetRule(STF_statusList_t *sl, int32_t la, const unsigned char *a, int32_t lb,
                   const unsigned char *b, bool caseless, int32_t *r);

// The domain kind of a distinguished name string: 0 without a name-or-OID, the
// OID of choice 1, the kind named by choice 2 (0xFFFFFFFF when unknown).
uint32_t DomainKindOf(const GEN_DistNameString_t *d);
// The kind of a domain name (case-insensitive), 0xFFFFFFFF when unknown.
uint32_t DomainKindByName(const char *name, size_t length);
inline bool IsWindowsDomain(uint32_t kind) { return kind >= 3049 && kind <= 3051; }

// A generalized time as calendar seconds of the local clock (false when mktime
// cannot represent it).
bool TimeToCalendar(const GEN_GeneralizedTime_t *t, time_t *out);

}  // namespace kq::genu

#endif
