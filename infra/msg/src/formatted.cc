// Catalogue texts with inserts: from a status entry's typed arguments
// (MSG_GetFormattedByArray) or from the caller's own variable arguments
// (MSG_GetFormattedBySprintf).
#include <array>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "private/msg_internal.h"

using kq::msg::Outcome;
using kq::msg::Text;

namespace {

constexpr size_t kMinWorkSize = 4096;
constexpr size_t kGuardBytes = 100;
// The guard pattern: byte i holds i.
constexpr std::array<char, kGuardBytes> kGuard = [] {
  std::array<char, kGuardBytes> g{};
  for (size_t i = 0; i < kGuardBytes; ++i) g[i] = static_cast<char>(i);
  return g;
}();

// " a=(...)": the arguments as the fallback line shows them.
void AppendArguments(Text *text, int32_t argCount, const STF_argument_t *arguments) {
  text->Append(" a=(");
  for (int32_t i = 0; arguments && i < argCount; ++i) {
    const STF_argument_t &a = arguments[i];
    if (i > 0) text->Append(",");
    switch (a.type) {
      case STF_ARG_CHAR:
        text->Append(&a.value.c, 1);
        break;
      case STF_ARG_INT:
        text->AppendF("%ld", static_cast<long>(a.value.i));
        break;
      case STF_ARG_DOUBLE:
        text->AppendF("%f", a.value.d);
        break;
      case STF_ARG_STRING:
        text->AppendF("\"%s\"", a.value.p ? static_cast<const char *>(a.value.p) : "(null)");
        break;
      case STF_ARG_BYTES:
        text->Append("\"");
        if (a.value.p && a.length > 0) {
          text->Append(static_cast<const char *>(a.value.p), static_cast<size_t>(a.length));
        }
        text->Append("\"");
        break;
      default:
        text->Append("<bad arg>");
        break;
    }
  }
  text->Append(")");
}

// The insert slots of a status entry's arguments; owns the NUL-terminated copies of
// counted byte strings.
class Slots {
 public:
  ~Slots() {
    for (char *copy : copies_) free(copy);
  }

  // 0, MSG_ST_BAD_ARG_TYPE or MSG_ST_NO_MEMORY.
  uint32_t Fill(int32_t argCount, const STF_argument_t *arguments) {
    for (int i = 0; i < MSG_MAX_INSERTS; ++i) {
      slots_[i].kind = MSG_SLOT_FILLER;
      slots_[i].value.i = MSG_FILLER_VALUE;
    }
    for (int32_t i = 0; i < argCount; ++i) {
      const STF_argument_t &a = arguments[i];
      MSG__slot_t &s = slots_[i];
      switch (a.type) {
        case STF_ARG_CHAR:
          s.kind = MSG_SLOT_INT;
          s.value.i = a.value.c;
          break;
        case STF_ARG_INT:
          s.kind = MSG_SLOT_LONG;
          s.value.l = a.value.i;
          break;
        case STF_ARG_DOUBLE:
          s.kind = MSG_SLOT_DOUBLE;
          s.value.d = a.value.d;
          break;
        case STF_ARG_STRING:
          s.kind = MSG_SLOT_PTR;
          s.value.p = static_cast<const char *>(a.value.p);
          break;
        case STF_ARG_BYTES: {
          size_t length = a.length > 0 ? static_cast<size_t>(a.length) : 0;
          char *copy = static_cast<char *>(malloc(length + 1));
          if (!copy) return MSG_ST_NO_MEMORY;
          if (length > 0 && a.value.p) memcpy(copy, a.value.p, length);
          copy[a.value.p ? length : 0] = '\0';
          copies_[i] = copy;
          s.kind = MSG_SLOT_PTR;
          s.value.p = copy;
          break;
        }
        default:
          return MSG_ST_BAD_ARG_TYPE;
      }
    }
    return 0;
  }

  const MSG__slot_t *get() const { return slots_; }

 private:
  MSG__slot_t slots_[MSG_MAX_INSERTS];
  char *copies_[MSG_MAX_INSERTS] = {};
};

// Formats into a work buffer of at least 4096 bytes followed by 100 guard bytes
// holding 0..99. The formatter is bounded by the end of the guard area, so a text
// longer than the work buffer spills into the guards, and any guard byte found
// changed marks the text as cut. Copies the result to the caller.
uint32_t FormatInserts(const char *format, const MSG__slot_t *slots, uint32_t bufSize,
                       uint32_t *lengthOut, char *buffer, Outcome *outcome) {
  // The common case formats on the stack; only callers with larger buffers pay for
  // a heap work area. The guard bytes behind the area reveal an overrun.
  size_t workSize = bufSize > kMinWorkSize ? bufSize : kMinWorkSize;
  char stackWork[kMinWorkSize + kGuardBytes];
  char *work = stackWork;
  if (workSize > kMinWorkSize) {
    work = static_cast<char *>(malloc(workSize + kGuardBytes));
    if (!work) return MSG_ST_NO_MEMORY;
  }
  memcpy(work + workSize, kGuard.data(), kGuardBytes);

  size_t length = MSG__DoFormat(work, workSize + kGuardBytes, format, slots);
  if (memcmp(work + workSize, kGuard.data(), kGuardBytes) != 0) outcome->Note(MSG_ST_TRUNCATED);
  outcome->Note(MSG__CopyOut(work, length, bufSize, lengthOut, buffer));
  if (work != stackWork) free(work);
  return 0;
}

uint32_t VFormattedBySprintf(uint32_t source, uint32_t code, uint32_t reserved,
                             const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                             char *buffer, va_list args) {
  if (lengthOut) *lengthOut = 0;
  if (bufSize > 0 && buffer) buffer[0] = '\0';
  Outcome outcome;
  if (reserved != 0) outcome.Note(MSG_ST_RESERVED);
  // Only the facility's own texts are formatted with arguments the caller types.
  bool allowed = source == STF_SRC_MSG;
  if (!allowed) outcome.Note(source == STF_SRC_STF ? MSG_ST_SPRINTF_SOURCE : MSG_ST_BAD_SOURCE);

  Text text;
  bool fallback = false;
  outcome.Note(MSG__FetchText(source, code, localeName, !allowed, &text, &fallback));
  if (fallback) {
    outcome.Note(MSG__CopyOut(text.data(), text.size(), bufSize, lengthOut, buffer));
    return outcome.code();
  }

  va_list again;
  va_copy(again, args);
  int n = vsnprintf(nullptr, 0, text.data(), args);
  if (n < 0) {
    outcome.Note(MSG__CopyOut(text.data(), text.size(), bufSize, lengthOut, buffer));
  } else {
    if (bufSize > 0 && buffer) vsnprintf(buffer, bufSize, text.data(), again);
    if (lengthOut) *lengthOut = static_cast<uint32_t>(n) + 1;
    if (static_cast<uint32_t>(n) + 1 > bufSize) outcome.Note(MSG_ST_TRUNCATED);
  }
  va_end(again);
  return outcome.code();
}

}  // namespace

extern "C" {

uint32_t MSG_GetFormattedByArray(uint32_t source, uint32_t code, uint32_t reserved,
                                 const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                                 char *buffer, int32_t argCount, const STF_argument_t *arguments) {
  if (lengthOut) *lengthOut = 0;
  if (bufSize > 0 && buffer) buffer[0] = '\0';
  Outcome outcome;
  if (reserved != 0) outcome.Note(MSG_ST_RESERVED);

  Text text;
  bool fallback = false;
  outcome.Note(MSG__FetchText(source, code, localeName, false, &text, &fallback));

  if (fallback) {
    AppendArguments(&text, argCount, arguments);
    if (text.failed()) outcome.Note(MSG_ST_NO_MEMORY);
  } else if (argCount != 0) {
    // Lost arguments (-1), too many or none given: the text is shown bare.
    if (argCount < 0 || argCount > MSG_MAX_INSERTS || !arguments) {
      outcome.Note(MSG_ST_ARGS_NOT_SHOWN);
    } else {
      Slots slots;
      uint32_t filled = slots.Fill(argCount, arguments);
      if (filled == 0) {
        outcome.Note(FormatInserts(text.data(), slots.get(), bufSize, lengthOut, buffer, &outcome));
        return outcome.code();
      }
      outcome.Note(filled);
    }
  }
  outcome.Note(MSG__CopyOut(text.data(), text.size(), bufSize, lengthOut, buffer));
  return outcome.code();
}

uint32_t MSG_GetFormattedBySprintf(uint32_t source, uint32_t code, uint32_t reserved,
                                   const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                                   char *buffer, ...) {
  va_list args;
  va_start(args, buffer);
  uint32_t status =
      VFormattedBySprintf(source, code, reserved, localeName, bufSize, lengthOut, buffer, args);
  va_end(args);
  return status;
}

uint32_t MSG_GetFormattedByArrayWide(uint32_t source, uint32_t code, uint32_t reserved,
                                     const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                                     char *buffer, int32_t argCount,
                                     const STF_argument_t *arguments) {
  return MSG_GetFormattedByArray(source, code, reserved, localeName, bufSize, lengthOut, buffer,
                                 argCount, arguments);
}

uint32_t MSG_GetFormattedBySprintfWide(uint32_t source, uint32_t code, uint32_t reserved,
                                       const char *localeName, uint32_t bufSize,
                                       uint32_t *lengthOut, char *buffer, ...) {
  va_list args;
  va_start(args, buffer);
  uint32_t status =
      VFormattedBySprintf(source, code, reserved, localeName, bufSize, lengthOut, buffer, args);
  va_end(args);
  return status;
}

}  // extern "C"
