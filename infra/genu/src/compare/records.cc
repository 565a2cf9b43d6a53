// Compares with rules of their own: distinguished name strings, access control
// lists, ignored attributes and generalized times.
#include <ctime>

#include "internal/stf_fail.h"
#include "private/genu_compare_util.h"
#include "private/genu_hooks.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

namespace {

uint32_t distNames(STF_statusList_t *sl, const GEN_DistNameString_t *a,
                   const GEN_DistNameString_t *b, bool bytewise, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  if (a->nameOrOid && b->nameOrOid) {
    if (GEN_CompareNameOrOID(sl, a->nameOrOid, b->nameOrOid, r)) return 1;
    if (*r != 0) return 0;
  } else if (a->nameOrOid || b->nameOrOid) {
    *r = a->nameOrOid ? 1 : -1;
    return 0;
  }
  if (bytewise) return GEN_BinCompareText(sl, &a->text, &b->text, r);
  if (genu::IsWindowsDomain(genu::DomainKindOf(a)))
    return GEN_ICompareText(sl, &a->text, &b->text, r);
  return GEN_CompareText(sl, &a->text, &b->text, r);
}

int32_t unsignedOrder(uint32_t a, uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// The calendar seconds of a generalized time, read as the local clock does.
bool calendarSeconds(const GEN_GeneralizedTime_t *t, time_t *out) {
  struct tm tm = {};
  tm.tm_mon = t->month - 1;
  tm.tm_mday = t->day;
  tm.tm_hour = t->hour;
  tm.tm_sec = t->second;
  tm.tm_isdst = 0;
  if (t->utc) {
    tm.tm_year = t->year;
    tm.tm_min = t->minute;
  } else {
    tm.tm_year = t->year - 1900;
    tm.tm_min = t->minute + t->diffUTC;
  }
  *out = mktime(&tm);
  return *out != static_cast<time_t>(-1);
}

}  // namespace

namespace kq::genu {

bool TimeToCalendar(const GEN_GeneralizedTime_t *t, time_t *out) { return calendarSeconds(t, out); }

}  // namespace kq::genu

extern "C" {

uint32_t GEN_CompareDistNameString(STF_statusList_t *sl, const GEN_DistNameString_t *a,
                                   const GEN_DistNameString_t *b, int32_t *r) {
  return distNames(sl, a, b, genu::bytewiseTexts != 0, r);
}

uint32_t GEN_BinCompareDistNameString(STF_statusList_t *sl, const GEN_DistNameString_t *a,
                                      const GEN_DistNameString_t *b, int32_t *r) {
  return distNames(sl, a, b, true, r);
}

uint32_t GENU__CompareACL(STF_statusList_t *sl, const GEN_PSISAccessControlList_t *a,
                          const GEN_PSISAccessControlList_t *b, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  if (a->choice != b->choice) {
    *r = a->choice < b->choice ? -1 : 1;
    return 0;
  }
  if (a->choice == 2) return GEN_CompareOctetString(sl, &a->dceList, &b->dceList, r);
  if (a->choice != 1) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (GEN_CompareSimpleName(sl, &a->name, &b->name, r)) return 1;
  if (*r != 0) return 0;
  *r = unsignedOrder(a->nameType ? *a->nameType : 2, b->nameType ? *b->nameType : 2);
  if (*r == 0)
    *r = unsignedOrder(a->privilegeLevel ? *a->privilegeLevel : 1,
                       b->privilegeLevel ? *b->privilegeLevel : 1);
  return 0;
}

uint32_t GENU__CompareExtACL(STF_statusList_t *sl, const GEN_ExtACL_t *a, const GEN_ExtACL_t *b,
                             int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  if (GEN_CompareDistNameString(sl, &a->domain, &b->domain, r)) return 1;
  if (*r != 0) return 0;
  uint32_t rc = genu::IsWindowsDomain(genu::DomainKindOf(&a->domain))
                    ? GEN_ICompareSimpleName(sl, &a->principal, &b->principal, r)
                    : GEN_CompareSimpleName(sl, &a->principal, &b->principal, r);
  if (rc || *r != 0) return rc;
  *r = unsignedOrder(a->nameType, b->nameType);
  if (*r == 0) *r = unsignedOrder(a->privilegeLevel, b->privilegeLevel);
  return 0;
}

uint32_t GENU__CompareIgnoredAttribute(STF_statusList_t *sl, const GEN_IgnoredAttribute_t *a,
                                       const GEN_IgnoredAttribute_t *b, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  if (GENU__CompareAttrHandle(sl, &a->attribute, &b->attribute, r)) return 1;
  if (*r != 0) return 0;
  if (a->documentNumber && b->documentNumber)
    *r = unsignedOrder(static_cast<uint32_t>(*a->documentNumber),
                       static_cast<uint32_t>(*b->documentNumber));
  else
    *r = a->documentNumber ? 1 : (b->documentNumber ? -1 : 0);
  return 0;
}

uint32_t GEN_CompareGeneralizedTime(STF_statusList_t *sl, const GEN_GeneralizedTime_t *a,
                                    const GEN_GeneralizedTime_t *b, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  time_t ta, tb;
  if (!calendarSeconds(a, &ta) || !calendarSeconds(b, &tb)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (ta == tb)
    *r = a->millisecond - b->millisecond;
  else
    *r = difftime(ta, tb) > 0 ? 1 : -1;
  return 0;
}

}  // extern "C"
