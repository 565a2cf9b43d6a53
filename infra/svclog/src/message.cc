// Building a message in the calling thread's own buffers and handing it to the
// output. Nothing here takes a lock until the finished message is written.
//
// The thread id in each line head is the kernel's thread id (gettid): it matches what
// ps, top and debuggers show, and it stays unique across the several programs of
// the print system that may share standard error or syslog.
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <unistd.h>

#include "private/svclog_internal.h"

namespace {

using kq::svclog::Wanted;

constexpr int kBufferText = LOG__BUFFER_SIZE - 1;
constexpr char kSep1[] = ", ";
constexpr char kSep2[] = " | ";

LOG__textBuffer *NewBuffer() {
  auto *b = static_cast<LOG__textBuffer *>(malloc(sizeof(LOG__textBuffer)));
  if (b) {
    b->next = nullptr;
    b->count = 0;
  }
  return b;
}

LOG__messageState *NewState() {
  auto *s = static_cast<LOG__messageState *>(calloc(1, sizeof(LOG__messageState)));
  if (!s) return nullptr;
  s->first = s->current = NewBuffer();
  if (!s->first) {
    free(s);
    return nullptr;
  }
  s->threadId = static_cast<int>(gettid());
  s->dateSecond = -1;
  return s;
}

// Copies characters as they are, moving on to the next buffer of the chain (made
// when first needed, then kept) when one is full.
void AppendRaw(LOG__messageState *s, const char *text, size_t n) {
  while (n > 0 && !s->failed) {
    LOG__textBuffer *b = s->current;
    size_t room = static_cast<size_t>(kBufferText - b->count);
    if (room == 0) {
      if (!b->next && !(b->next = NewBuffer())) {
        s->failed = 1;
        return;
      }
      s->current = b->next;
      s->current->count = 0;
      continue;
    }
    size_t k = n < room ? n : room;
    memcpy(b->text + b->count, text, k);
    b->count += static_cast<int>(k);
    s->length += static_cast<long>(k);
    text += k;
    n -= k;
  }
}

void AppendBlanks(LOG__messageState *s, int n) {
  static const char kBlanks[] = "                                                                ";
  while (n > 0) {
    int k = n < static_cast<int>(sizeof kBlanks - 1) ? n : static_cast<int>(sizeof kBlanks - 1);
    AppendRaw(s, kBlanks, static_cast<size_t>(k));
    n -= k;
  }
}

void AppendFormatted(LOG__messageState *s, const char *format, ...) KQ_PRINTF(2, 3);
void AppendFormatted(LOG__messageState *s, const char *format, ...) {
  char piece[LOG__BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(piece, sizeof piece, format, args);
  va_end(args);
  if (n < 0) return;
  AppendRaw(s, piece, static_cast<size_t>(n) < sizeof piece ? n : sizeof piece - 1);
}

// Text of the message: a character after a newline first gets the head, blanks and
// " | " so that continuation lines line up under the first.
void AppendText(LOG__messageState *s, const char *text, size_t n) {
  while (n > 0 && !s->failed) {
    if (s->newlinePending) {
      AppendRaw(s, s->head, static_cast<size_t>(s->headLength));
      AppendBlanks(s, s->textColumn - s->headLength - (int)(sizeof kSep2 - 1));
      AppendRaw(s, kSep2, sizeof kSep2 - 1);
      s->newlinePending = 0;
    }
    const char *nl = static_cast<const char *>(memchr(text, '\n', n));
    size_t k = nl ? static_cast<size_t>(nl - text) + 1 : n;
    AppendRaw(s, text, k);
    if (nl) s->newlinePending = 1;
    text += k;
    n -= k;
  }
}

// "%10s:%-4d " of the source file without its directories; a long name keeps its
// first 3 and last 6 characters.
void AppendSourcePosition(LOG__messageState *s, const char *sourceFile, int line) {
  if (!sourceFile) {
    AppendBlanks(s, 15);
    return;
  }
  const char *slash = strrchr(sourceFile, '/');
  const char *name = slash ? slash + 1 : sourceFile;
  size_t len = strlen(name);
  char shortName[11];
  if (len >= 11) {
    snprintf(shortName, sizeof shortName, "%.3s~%s", name, name + len - 6);
    name = shortName;
  }
  AppendFormatted(s, "%10s:%-4d ", name, line);
}

void AppendDate(LOG__messageState *s) {
  time_t now = time(nullptr);
  if (now != s->dateSecond) {  // localtime_r is costly; one conversion per second
    struct tm local;
    localtime_r(&now, &local);
    if (strftime(s->date, sizeof s->date, "%c", &local) == 0) s->date[0] = '\0';
    s->dateSecond = now;
  }
  AppendRaw(s, s->date, strlen(s->date));
}

void AppendSinceMidnight(LOG__messageState *s) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  time_t midnight = LOG_midnight.load(std::memory_order_relaxed);
  if (now.tv_sec - midnight > 86400) {
    while (now.tv_sec - midnight > 86400) midnight += 86400;
    LOG_midnight.store(midnight, std::memory_order_relaxed);
  }
  AppendFormatted(s, "%5d.%06d", static_cast<int>(now.tv_sec - midnight),
                  static_cast<int>(now.tv_usec));
}

void Begin(LOG__messageState *s, int severity, const char *sourceFile, int line,
           const char *userName) {
  s->current = s->first;
  s->first->count = 0;
  s->length = 0;
  s->newlinePending = 0;
  s->failed = 0;
  s->severity = severity;
  s->userClass = (LOG_userMask >> (severity - 1)) & 1u;

  s->headLength = snprintf(s->head, sizeof s->head, "%c %-5d ", LOG__codes[severity], s->threadId);
  AppendRaw(s, s->head, static_cast<size_t>(s->headLength));
  if (s->userClass) {
    if (!LOG_tosyslog) AppendDate(s);
    // syslog dates the line itself; the separator only follows something.
    if (userName) AppendFormatted(s, "%sUser=%s", LOG_tosyslog ? "" : kSep1, userName);
  } else {
    AppendSourcePosition(s, sourceFile, line);
    if (!LOG_tosyslog) AppendSinceMidnight(s);
  }
  AppendRaw(s, kSep2, sizeof kSep2 - 1);
  s->textColumn = static_cast<int>(s->length);
}

// The thread's state, or null; `caller` names the function in the failure line.
bool GetState(const char *failureLine, LOG__messageState **out) {
  void *value = nullptr;
  if (THR_GetThreadKeyValue(LOG__threadKey, &value) != 0) {
    fputs(failureLine, stderr);
    return false;
  }
  *out = static_cast<LOG__messageState *>(value);
  return true;
}

}  // namespace

namespace kq::svclog {

void FreeState(void *value) {
  auto *s = static_cast<LOG__messageState *>(value);
  if (!s) return;
  for (LOG__textBuffer *b = s->first; b;) {
    LOG__textBuffer *next = b->next;
    free(b);
    b = next;
  }
  free(s);
}

}  // namespace kq::svclog

using kq::svclog::FreeState;

extern "C" {

int LOG_StartMessage(int severity, const char *sourceFile, int line, const char *userName) {
  if (!kq::svclog::Ready()) {
    fputs("LOG_StartMessage: THR_Once failed\n", stderr);
    return 0;
  }
  if (!Wanted(severity)) return 0;
  LOG__messageState *s;
  if (!GetState("LOG_StartMessage: THR_GetThreadKeyValue failed\n", &s)) return 0;
  if (s && s->severity == severity) return 1;
  if (s && s->severity != 0) {
    LOG_EndMessage();
    if (!GetState("LOG_StartMessage: THR_GetThreadKeyValue failed\n", &s)) return 0;
  }
  if (!s) {
    if (!(s = NewState())) return 0;
    if (THR_SetThreadKeyValue(LOG__threadKey, s) != 0) {
      fputs("LOG_StartMessage: THR_SetThreadKeyValue failed\n", stderr);
      FreeState(s);
      return 0;
    }
  }
  Begin(s, severity, sourceFile, line, userName);
  return 1;
}

void LOG_AddText(const char *text) {
  if (!text || !LOG__ready.load(std::memory_order_acquire)) return;
  LOG__messageState *s;
  if (!GetState("LOG_AddText: THR_GetThreadKeyValue failed\n", &s)) return;
  if (s && s->severity) AppendText(s, text, strlen(text));
}

int LOG_InMessage(void) {
  if (!LOG__ready.load(std::memory_order_acquire)) return 0;
  LOG__messageState *s;
  if (!GetState("LOG_InMessage: THR_GetThreadKeyValue failed\n", &s)) return 0;
  return s && s->severity && Wanted(s->severity);
}

void LOG_EndMessage(void) {
  if (!LOG__ready.load(std::memory_order_acquire)) return;
  LOG__messageState *s;
  if (!GetState("LOG_EndMessage: THR_GetThreadKeyValue failed\n", &s)) return;
  if (!s || !s->severity) return;
  if (LOG_enabled.load(std::memory_order_relaxed)) {
    if (THR_LockMutex(&LOG_outputMutexLock) != 0) return;  // stays open
    if (!s->newlinePending) {
      AppendRaw(s, "\n", 1);
      s->newlinePending = 1;
    }
    if (!s->failed) kq::svclog::WriteLocked(s);
    THR_UnlockMutex(&LOG_outputMutexLock);
  }
  if (LOG_useOnce) {
    if (THR_SetThreadKeyValue(LOG__threadKey, nullptr) == 0) {
      FreeState(s);
      return;
    }
    fputs("LOG_EndMessage: THR_SetThreadKeyValue failed\n", stderr);
  }
  s->severity = 0;
  s->current = s->first;
  s->first->count = 0;
  s->length = 0;
  s->newlinePending = 0;
  s->failed = 0;
}

}  // extern "C"
