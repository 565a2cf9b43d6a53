// MSG_GetSymbolicNames: the application, source and facility names that prefix a
// status message line.
#include <clocale>
#include <cstring>

#include "private/msg_internal.h"

using kq::msg::localeLock;
using kq::msg::Locked;
using kq::msg::Outcome;
using kq::msg::Text;

namespace {

// An optional output: skipped when null or of size 0, else cut to size - 1.
uint32_t Put(const char *name, uint32_t size, char *out) {
  if (!out || size == 0) return 0;
  size_t length = strlen(name);
  size_t keep = length < size ? length : size - 1;
  memcpy(out, name, keep);
  out[keep] = '\0';
  return keep < length ? MSG_ST_TRUNCATED : 0;
}

}  // namespace

extern "C" uint32_t MSG_GetSymbolicNames(uint32_t source, uint32_t code, uint32_t appSize,
                                         char *appOut, uint32_t sourceSize, char *sourceOut,
                                         uint32_t facilitySize, char *facilityOut,
                                         uint32_t option) {
  MSG__EnsureMutexes();
  Outcome outcome;
  if (option != 0) outcome.Note(MSG_ST_BAD_OPTION);
  if (!MSG__InUse()) outcome.Note(MSG_ST_NOT_IN_USE);
  code = MSG__TranslateCode(source, code);

  char sourceName[16];
  MSG__SourceName(source, sourceName, sizeof sourceName);

  char facility[MSG_FACILITY_NAME_MAX] = "0000";
  if ((source == STF_SRC_STF || source == STF_SRC_MSG) && facilityOut && facilitySize > 0) {
    Text locale;
    {
      Locked lock(localeLock);
      const char *name = setlocale(LC_MESSAGES, nullptr);
      locale.Append(name ? name : "C");
    }
    if (locale.failed()) {
      outcome.Note(MSG_ST_NO_MEMORY);
    } else {
      outcome.Note(MSG__FacilityName(code, locale.data(), facility, sizeof facility));
    }
  }

  outcome.Note(Put(MSG__AppName(), appSize, appOut));
  outcome.Note(Put(sourceName, sourceSize, sourceOut));
  outcome.Note(Put(facility, facilitySize, facilityOut));
  return outcome.code();
}
