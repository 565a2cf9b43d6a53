// TEMPORARY placeholder so the library links while the catalogue facility is written.
#include <clocale>
#include <cstdio>
#include <cstring>

#include "infra/msg.h"
extern "C" {
uint32_t MSG_UsageBegin(const char *) { return 0; }
uint32_t MSG_UsageEnd(void) { return 0; }
uint32_t MSG_GetUnformatted(uint32_t, uint32_t code, const char *, uint32_t bufSize,
                            uint32_t *lengthOut, char *buffer) {
  char tmp[64];
  int n = snprintf(tmp, sizeof tmp, "c=%08lx", (unsigned long)code);
  if (lengthOut) *lengthOut = n + 1;
  if (bufSize) snprintf(buffer, bufSize, "%s", tmp);
  return (uint32_t)n + 1 > bufSize ? MSG_ST_TRUNCATED : 0;
}
uint32_t MSG_GetFormattedByArray(uint32_t s, uint32_t code, uint32_t, const char *l,
                                 uint32_t bufSize, uint32_t *lengthOut, char *buffer, int32_t,
                                 const STF_argument_t *) {
  return MSG_GetUnformatted(s, code, l, bufSize, lengthOut, buffer);
}
uint32_t MSG_GetFormattedBySprintf(uint32_t s, uint32_t code, uint32_t, const char *l,
                                   uint32_t bufSize, uint32_t *lengthOut, char *buffer, ...) {
  return MSG_GetUnformatted(s, code, l, bufSize, lengthOut, buffer);
}
uint32_t MSG_GetSymbolicNames(uint32_t, uint32_t, uint32_t appSize, char *appOut,
                              uint32_t sourceSize, char *sourceOut, uint32_t facilitySize,
                              char *facilityOut, uint32_t) {
  if (appSize && appOut) appOut[0] = 0;
  if (sourceSize && sourceOut) snprintf(sourceOut, sourceSize, "STF");
  if (facilitySize && facilityOut) snprintf(facilityOut, facilitySize, "STF");
  return 0;
}
uint32_t MSG_GetUnformattedWide(uint32_t s, uint32_t c, const char *l, uint32_t b, uint32_t *o,
                                char *buf) {
  return MSG_GetUnformatted(s, c, l, b, o, buf);
}
uint32_t MSG_GetFormattedByArrayWide(uint32_t s, uint32_t c, uint32_t r, const char *l,
                                     uint32_t b, uint32_t *o, char *buf, int32_t n,
                                     const STF_argument_t *a) {
  return MSG_GetFormattedByArray(s, c, r, l, b, o, buf, n, a);
}
uint32_t MSG_GetFormattedBySprintfWide(uint32_t s, uint32_t c, uint32_t, const char *l,
                                       uint32_t b, uint32_t *o, char *buf, ...) {
  return MSG_GetUnformatted(s, c, l, b, o, buf);
}
int MSG_setlocale_r(int category, const char *locale, char *buffer, size_t bufSize) {
  const char *r = setlocale(category, locale);
  if (!r || strlen(r) + 1 > bufSize) return -1;
  memcpy(buffer, r, strlen(r) + 1);
  return 0;
}
}
