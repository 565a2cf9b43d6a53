// Internals of the service log shared by its sources and its tests. Nothing here is
// exported from the shared library.
#ifndef KQ_INFRA_SVCLOG_INC_PRIVATE_SVCLOG_INTERNAL_H
#define KQ_INFRA_SVCLOG_INC_PRIVATE_SVCLOG_INTERNAL_H

#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <atomic>

#include "infra/svclog.h"
#include "infra/thr.h"

// ---- Process-wide settings --------------------------------------------------------
// The settings are meant to be set at start-up and are written by the setters without
// locking. The two words read on every call (the on/off switch and the severity mask)
// and the midnight base, which any thread may advance, are atomics read relaxed so
// that concurrent readers stay well defined; the rest are plain.

inline constexpr int LOG__PATH_MAX = 4096;
inline constexpr int LOG__STAMP_LEN = 15;  // "MMDD-HHMMSS-mmm"
inline constexpr int LOG__IDENT_MAX = 16;

extern std::atomic<int> LOG_enabled;                // 0 suppresses all output
extern int LOG_useOnce;                             // free the message state after each message
extern std::atomic<uint32_t> LOG_severity_allowed;  // bit n-1: severity n is written
extern uint32_t LOG_userMask;                       // bit n-1: severity n is user-class
extern long LOG_maxLogSize;                         // bytes per file, 0 unlimited
extern int LOG_maxLogs;                             // files kept, 0 unlimited
extern long LOG_logSize;                            // bytes written to the current output
extern char LOG_address[LOG__PATH_MAX + LOG__STAMP_LEN + 2];  // current file name or ""
extern char LOG_filePath[LOG__PATH_MAX];                      // the path the caller chose
extern FILE *LOG_fd;                                          // the open output stream, or null
extern int LOG_tosyslog;                                      // 1 while output goes to syslog
extern std::atomic<time_t> LOG_midnight;                      // start of the current day
extern char LOG_sys_ident[LOG__IDENT_MAX + 1];
extern int LOG_sys_opt;
extern int LOG_sys_fac;
extern int LOG__first;  // the environment has not been read yet

// Severity letters: position n is the letter of severity n.
extern const char LOG__codes[];
// Valid range of each stamp character, as pairs of low and high.
extern const char LOG__limits[];

// Serialises the write, the size test, rollover and trimming of old files; also
// guards reading the environment and LOG_Term.
extern THR_mutex_t LOG_outputMutexLock;
// Holds each thread's LOG__messageState.
extern THR_threadKey_t LOG__threadKey;
// Set once the key and mutex exist and the environment has been read; cleared by
// LOG_Term. The fast path of every call tests this before anything else.
extern std::atomic<bool> LOG__ready;

// Environment overrides, read at first use and forgotten by LOG_Term. While one is
// set the matching setter ignores its argument.
struct LOG__environment {
  int haveSize;
  long size;
  int haveMaxLogs;
  int maxLogs;
  int haveAddress;
  char address[LOG__PATH_MAX];
  int haveSeverity;
  char severity[256];
  int haveEnabled;
  int enabled;
};
extern LOG__environment LOG__env;

// ---- Per-thread message state -----------------------------------------------------

inline constexpr int LOG__BUFFER_SIZE = 1024;  // 1023 characters and a NUL

struct LOG__textBuffer {
  LOG__textBuffer *next;
  char text[LOG__BUFFER_SIZE];
  int count;  // characters in text; the write position of the current buffer
};

struct LOG__messageState {
  LOG__textBuffer *first;
  LOG__textBuffer *current;
  int severity;  // of the message in progress, 0 for none
  int threadId;
  int newlinePending;  // the last character added was a newline
  int userClass;
  long length;     // characters in the message so far
  int headLength;  // severity letter and thread id
  int textColumn;  // everything before the text on the first line, " | " included
  int failed;      // a buffer could not be allocated: the message is dropped
  char head[24];
  time_t dateSecond;  // cache of the last "%c" date made by this thread
  char date[64];
};

// ---- Log file trimming ------------------------------------------------------------

struct LOG__logEntry {
  time_t mtime;
  char stamp[LOG__STAMP_LEN + 1];
};

// Ordering of old log files: < 0 when a is older than b, > 0 when newer, 0 when equal.
int LOG__older(const LOG__logEntry *a, const LOG__logEntry *b);
// Deletes the oldest stamped files of `path` beyond `maxLogs`. Returns the number
// deleted, or -1 when the directory could not be read (nothing is deleted then).
int LOG__trim(const char *path, int maxLogs);

namespace kq::svclog {

// Makes the key and mutex (once per process) and reads the environment when needed.
// False when the once-control failed.
bool InitSlow();
inline bool Ready() { return LOG__ready.load(std::memory_order_acquire) || InitSlow(); }

// Whether a message of `severity` would be written now. Costs two relaxed loads.
inline bool Wanted(int severity) {
  unsigned bit = static_cast<unsigned>(severity) - 1u;
  return bit < 32u && LOG_enabled.load(std::memory_order_relaxed) != 0 &&
         ((LOG_severity_allowed.load(std::memory_order_relaxed) >> bit) & 1u) != 0;
}

// Frees a thread's message state and its buffers; the thread key's destructor.
void FreeState(void *state);

// True when `s` is exactly a valid 15-character stamp.
bool IsStamp(const char *s);
// The mask of a string of severity letters.
uint32_t SeverityMask(const char *letters);
// LOG_SetAddress with the output mutex held.
const char *SetAddressLocked(const char *path);
// Closes the current output and forgets its name and byte count.
void CloseOutputLocked();
// Writes a finished message, with the output mutex held: size test, rollover,
// opening and trimming, syslog.
void WriteLocked(LOG__messageState *state);

// syslog priority of a severity: LOG_LPR with ERR, WARNING, INFO or DEBUG.
int SyslogPriority(int severity);
// Everything that reaches syslog goes through this pointer, so that tests can watch
// the text without a syslog daemon. Defaults to syslog(priority, "%s", text).
using SyslogWriter = void (*)(int priority, const char *text);
extern SyslogWriter syslogWriter;

}  // namespace kq::svclog

#endif
