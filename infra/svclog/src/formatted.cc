// The one-call forms: formatted text, function trace and catalogue messages. Each
// tests the severity before formatting anything.
#include <stdarg.h>
#include <stdio.h>

#include "infra/msg.h"
#include "private/svclog_internal.h"

namespace {

using kq::svclog::Wanted;

// Messages of the log's own facility live under status source 2.
constexpr uint32_t kCatalogueSource = 2;

// Before the first use the environment decides, so let LOG_StartMessage see it.
inline bool MayWrite(int severity) {
  return !LOG__ready.load(std::memory_order_acquire) || Wanted(severity);
}

void AddFormatted(const char *format, va_list args) {
  char text[LOG_MAX_TEXT_CHUNK];
  vsnprintf(text, sizeof text, format, args);
  LOG_AddText(text);
}

}  // namespace

extern "C" {

void LOG_CondAdd(const char *format, ...) {
  if (!format || !LOG_InMessage()) return;
  va_list args;
  va_start(args, format);
  AddFormatted(format, args);
  va_end(args);
}

void LOG_CondMessage(int severity, const char *sourceFile, int line, const char *format, ...) {
  if (!MayWrite(severity)) return;
  if (!LOG_StartMessage(severity, sourceFile, line, nullptr)) return;
  if (format) {
    va_list args;
    va_start(args, format);
    AddFormatted(format, args);
    va_end(args);
  }
  LOG_EndMessage();
}

void LOG_CondFuncTrace(const char *functionName, const char *sourceFile, int line, int entering,
                       const char *format, ...) {
  if (!MayWrite(LOG_SEV_FUNC)) return;
  if (!LOG_StartMessage(LOG_SEV_FUNC, sourceFile, line, nullptr)) return;
  LOG_CondAdd("%sing %s ", entering ? "Enter" : "Leav", functionName ? functionName : "");
  if (format) {
    va_list args;
    va_start(args, format);
    AddFormatted(format, args);
    va_end(args);
  }
  LOG_EndMessage();
}

void LOG_CondUserMessage(int severity, uint32_t messageCode, ...) {
  if (!MayWrite(severity)) return;
  // The catalogue is read before the message is started: the catalogue code may
  // trace, and a message of another severity would end this one.
  char format[LOG_MAX_TEXT_CHUNK];
  uint32_t length = 0;
  char text[LOG_MAX_TEXT_CHUNK];
  if (MSG_GetUnformatted(kCatalogueSource, messageCode, nullptr, sizeof format, &length, format) ==
      0) {
    va_list args;
    va_start(args, messageCode);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
  } else {
    snprintf(text, sizeof text, "%s", "Error retrieving message from data file");
  }
  if (!LOG_StartMessage(severity, nullptr, 0, nullptr)) return;
  LOG_AddText(text);
  LOG_EndMessage();
}

}  // extern "C"
