// Fetching the raw text of a status code under a chosen locale, the fallback line
// shown when no text can be had, and MSG_GetUnformatted.
#include <clocale>
#include <cstring>

#include "private/msg_internal.h"

using kq::msg::localeLock;
using kq::msg::Locked;
using kq::msg::Outcome;
using kq::msg::Text;

namespace {

// "c=<code> f=<facility> cs=<source>"; the facility part is left out for sources
// whose codes have no facility (ERRNO and unknown sources).
void AppendFallback(Text *text, uint32_t source, uint32_t code, const char *locale) {
  char facility[MSG_FACILITY_NAME_MAX] = "";
  if (source == STF_SRC_STF || source == STF_SRC_MSG) {
    MSG__FacilityName(code, locale, facility, sizeof facility);
  }
  char sourceName[16];
  MSG__SourceName(source, sourceName, sizeof sourceName);
  text->AppendF("c=%08lx%s%s cs=%s", static_cast<unsigned long>(code), *facility ? " f=" : "",
                facility, sourceName);
}

// The work of MSG__FetchText once the locale is settled; `locale` names it.
uint32_t FetchUnderLocale(uint32_t source, uint32_t code, const char *locale, bool forceFallback,
                          Text *text, bool *fallback) {
  uint32_t status = 0;
  if (!MSG__InUse()) {
    status = MSG_ST_NOT_IN_USE;
  } else if (forceFallback) {
    // The caller has already reported why.
  } else if (source == STF_SRC_ERRNO) {
    char buffer[256];
    text->Append(strerror_r(static_cast<int>(code), buffer, sizeof buffer));
    return text->failed() ? MSG_ST_NO_MEMORY : 0;
  } else if (source != STF_SRC_STF && source != STF_SRC_MSG) {
    status = MSG_ST_BAD_SOURCE;
  } else {
    char catalogue[MSG_CATALOGUE_NAME_MAX];
    if (!MSG__CatalogueName(code, MSG__AppName(), catalogue, sizeof catalogue)) {
      status = MSG_ST_NOT_FOUND;
    } else {
      status = MSG__ReadMessage(catalogue, locale, MSG__SetNumber(source, code),
                                static_cast<int>(code & 0xffffu), text);
      if (status == 0) return 0;
    }
  }
  *fallback = true;
  text->Clear();
  AppendFallback(text, source, code, locale);
  if (text->failed()) return MSG_ST_NO_MEMORY;
  return status;
}

}  // namespace

extern "C" {

uint32_t MSG__FetchText(uint32_t source, uint32_t code, const char *localeName, bool forceFallback,
                        Text *text, bool *fallback) {
  MSG__EnsureMutexes();
  Outcome outcome;
  *fallback = false;
  text->Clear();
  code = MSG__TranslateCode(source, code);

  // The whole fetch runs under the locale lock: a temporary switch of LC_MESSAGES
  // must not be seen by other threads, and setlocale's result string is only valid
  // until the next call.
  Locked lock(localeLock);
  Text current;
  const char *name = setlocale(LC_MESSAGES, nullptr);
  current.Append(name ? name : "C");
  if (current.failed()) return MSG_ST_NO_MEMORY;

  Text wanted;
  bool switched = false;
  if (localeName && *localeName) {
    const char *result = setlocale(LC_MESSAGES, localeName);
    if (!result) {
      outcome.Note(MSG_ST_NO_LOCALE);
    } else {
      switched = true;
      wanted.Append(result);
    }
  }
  const char *locale = switched && !wanted.failed() ? wanted.data() : current.data();
  outcome.Note(FetchUnderLocale(source, code, locale, forceFallback, text, fallback));
  if (switched) setlocale(LC_MESSAGES, current.data());
  return outcome.code();
}

uint32_t MSG__CopyOut(const char *text, size_t length, uint32_t bufSize, uint32_t *lengthOut,
                      char *buffer) {
  if (lengthOut) *lengthOut = static_cast<uint32_t>(length + 1);
  if (bufSize > 0 && buffer) {
    size_t keep = length < bufSize ? length : bufSize - 1;
    memcpy(buffer, text, keep);
    buffer[keep] = '\0';
  }
  return length + 1 > bufSize ? MSG_ST_TRUNCATED : 0;
}

uint32_t MSG_GetUnformatted(uint32_t source, uint32_t code, const char *localeName,
                            uint32_t bufSize, uint32_t *lengthOut, char *buffer) {
  if (lengthOut) *lengthOut = 0;
  if (bufSize > 0 && buffer) buffer[0] = '\0';
  Outcome outcome;
  Text text;
  bool fallback = false;
  outcome.Note(MSG__FetchText(source, code, localeName, false, &text, &fallback));
  outcome.Note(MSG__CopyOut(text.data(), text.size(), bufSize, lengthOut, buffer));
  return outcome.code();
}

uint32_t MSG_GetUnformattedWide(uint32_t source, uint32_t code, const char *localeName,
                                uint32_t bufSize, uint32_t *lengthOut, char *buffer) {
  return MSG_GetUnformatted(source, code, localeName, bufSize, lengthOut, buffer);
}

}  // extern "C"
