// The current time, time-zone set-up, delta-time arithmetic on generalized times
// and 64-bit cardinal arithmetic.
#include <atomic>
#include <cstdlib>
#include <ctime>

#include "infra/svclog.h"
#include "private/genu_compare_util.h"
#include "private/genu_make_util.h"

namespace genu = kq::genu;

namespace {
std::atomic<long> secondsWest{0};

void storeFields(GEN_GeneralizedTime_t *t, const struct tm &tm, bool fullYear) {
  t->year = static_cast<int16_t>(fullYear ? tm.tm_year + 1900 : tm.tm_year);
  t->month = static_cast<int16_t>(tm.tm_mon + 1);
  t->day = static_cast<int16_t>(tm.tm_mday);
  t->hour = static_cast<int16_t>(tm.tm_hour);
  t->minute = static_cast<int16_t>(tm.tm_min);
  t->second = static_cast<int16_t>(tm.tm_sec);
}
}  // namespace

extern "C" {

void GENU_TimeZoneInit(void) {
  tzset();
  secondsWest.store(timezone);
}

void GENU_MakeCurrentTime(GEN_GeneralizedTime_t *record, int32_t utc) {
  memset(record, 0, sizeof *record);
  time_t now = time(nullptr);
  struct tm tm;
  if (utc) {
    gmtime_r(&now, &tm);
  } else {
    localtime_r(&now, &tm);
    record->diffUTC = static_cast<int16_t>(secondsWest.load() / 60);
  }
  storeFields(record, tm, !utc);
  record->utc = utc;
}

uint32_t GENU_GetCurrentTime(STF_statusList_t *sl, GEN_GeneralizedTime_t **out, int32_t utc) {
  if (!out) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  *out = static_cast<GEN_GeneralizedTime_t *>(GENU_DefMalloc(sizeof(GEN_GeneralizedTime_t)));
  if (!*out) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  GENU_MakeCurrentTime(*out, utc);
  return 0;
}

uint32_t GENU_GeneralizedTimeDeltaArithmetic(STF_statusList_t *sl,
                                             const GEN_GeneralizedTime_t *time, int32_t delta,
                                             int32_t operation, GEN_GeneralizedTime_t *out) {
  if (!time || !out) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  time_t t;
  if (!genu::TimeToCalendar(time, &t)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (operation == GENU_DELTA_ADD) {
    t += delta;
  } else if (operation == GENU_DELTA_SUBTRACT) {
    t -= delta;
  } else {
    LOG_COND_MESSAGE(LOG_SEV_PACK, "Functionality not implemented.\n");
    return 1;
  }
  // The calendar seconds were read as standard time: in daylight saving the
  // local clock shows one hour more.
  struct tm tm;
  localtime_r(&t, &tm);
  if (tm.tm_isdst > 0) {
    t -= 3600;
    localtime_r(&t, &tm);
  }
  if (!time->utc) {
    // Take the difference from UTC back out of the minutes and normalise the
    // fields arithmetically (no second daylight-saving adjustment).
    tm.tm_min -= time->diffUTC;
    tm.tm_isdst = 0;
    time_t fields = timegm(&tm);
    if (fields == static_cast<time_t>(-1) || !gmtime_r(&fields, &tm))
      return STF__Fail(sl, GENU_ST_BAD_VALUE);
  }
  GEN_GeneralizedTime_t result = *time;
  storeFields(&result, tm, !time->utc);
  *out = result;
  return 0;
}

uint32_t GENU_AddDeltaTimeToGeneralizedTime(STF_statusList_t *sl, const GEN_GeneralizedTime_t *time,
                                            int32_t delta, GEN_GeneralizedTime_t *out) {
  return GENU_GeneralizedTimeDeltaArithmetic(sl, time, delta, GENU_DELTA_ADD, out);
}

uint32_t GENU_SubtractDeltaTimeFromGeneralizedTime(STF_statusList_t *sl,
                                                   const GEN_GeneralizedTime_t *time, int32_t delta,
                                                   GEN_GeneralizedTime_t *out) {
  return GENU_GeneralizedTimeDeltaArithmetic(sl, time, delta, GENU_DELTA_SUBTRACT, out);
}

void GENU_AddCardinal64(GEN_Cardinal64_t *out, const GEN_Cardinal64_t *a,
                        const GEN_Cardinal64_t *b) {
  uint64_t x, y;
  GEN_GenToUint64(&x, a);
  GEN_GenToUint64(&y, b);
  GEN_Uint64ToGen(out, x + y);
}

void GENU_AddCardinal64Int(GEN_Cardinal64_t *out, const GEN_Cardinal64_t *a, int32_t b) {
  uint64_t x;
  GEN_GenToUint64(&x, a);
  GEN_Uint64ToGen(out, x + static_cast<uint64_t>(static_cast<int64_t>(b)));
}

}  // extern "C"
