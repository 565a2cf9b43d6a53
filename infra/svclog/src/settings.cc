// Settings of the service log: their initial values, the environment overrides read
// at first use, LOG_Init/LOG_Term/LOG_Syslog and the setters.
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "private/svclog_internal.h"

std::atomic<int> LOG_enabled{1};
int LOG_useOnce = 0;
std::atomic<uint32_t> LOG_severity_allowed{0x103};
uint32_t LOG_userMask = 0x10f;
long LOG_maxLogSize = 0;
int LOG_maxLogs = 0;
long LOG_logSize = 0;
char LOG_address[LOG__PATH_MAX + LOG__STAMP_LEN + 2];
char LOG_filePath[LOG__PATH_MAX];
FILE *LOG_fd = nullptr;
int LOG_tosyslog = 0;
std::atomic<time_t> LOG_midnight{0};
char LOG_sys_ident[LOG__IDENT_MAX + 1] = "qvk";
int LOG_sys_opt = 0x10;
int LOG_sys_fac = 0x30;
int LOG__first = 1;

const char LOG__codes[] = " EWADXIFMSabcdefghijklmnopqrstuvx";

THR_mutex_t LOG_outputMutexLock;
THR_threadKey_t LOG__threadKey;
std::atomic<bool> LOG__ready{false};
LOG__environment LOG__env;

namespace {

THR_once_t once = PTHREAD_ONCE_INIT;
bool onceSucceeded = false;

void CreateKeyAndMutex() {
  onceSucceeded = THR_InitThreadKey(&LOG__threadKey, kq::svclog::FreeState) == 0 &&
                  THR_InitMutex(&LOG_outputMutexLock) == 0;
}

// An empty value counts as unset.
const char *Env(const char *name) {
  const char *v = getenv(name);
  return v && *v ? v : nullptr;
}

bool ParseCount(const char *text, long *out) {
  char *end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || v < 0) return false;
  *out = v;
  return true;
}

void CopyString(char *to, size_t size, const char *from) { snprintf(to, size, "%s", from); }

// The first-use part of LOG_Init, with the output mutex held.
void ReadEnvironmentLocked() {
  time_t now = time(nullptr);
  LOG_midnight.store(now - now % 86400, std::memory_order_relaxed);

  LOG__environment &env = LOG__env;
  memset(&env, 0, sizeof env);
  long v;
  if (const char *s = Env("LOG_SIZE"); s && ParseCount(s, &v)) {
    env.haveSize = 1;
    env.size = LOG_maxLogSize = v;
  }
  if (const char *s = Env("LOG_MAX_LOGS"); s && ParseCount(s, &v)) {
    env.haveMaxLogs = 1;
    env.maxLogs = LOG_maxLogs = static_cast<int>(v);
  }
  if (const char *s = Env("LOG_FILE_PATH")) {
    env.haveAddress = 1;
    CopyString(env.address, sizeof env.address, s);
  }
  if (const char *s = Env("LOG_SEVERITY")) {
    env.haveSeverity = 1;
    CopyString(env.severity, sizeof env.severity, s);
  }
  if (const char *s = Env("LOG_ENABLED")) {
    if (!strcmp(s, "true") || !strcmp(s, "yes")) {
      env.haveEnabled = 1;
      env.enabled = 1;
    } else if (!strcmp(s, "false") || !strcmp(s, "no")) {
      env.haveEnabled = 1;
      env.enabled = 0;
    }
    if (env.haveEnabled) LOG_enabled.store(env.enabled, std::memory_order_relaxed);
  }
  // Protocol tracing: everything a developer needs, on standard output, unless the
  // log's own variables say otherwise.
  if (Env("JQP_TRACE")) {
    if (!env.haveAddress) {
      env.haveAddress = 1;
      CopyString(env.address, sizeof env.address, "stdout");
    }
    if (!env.haveSeverity) {
      env.haveSeverity = 1;
      CopyString(env.severity, sizeof env.severity, "EWADSIX");
    }
  }

  // Defaults; an override replaces the argument inside the setters.
  kq::svclog::SetAddressLocked("stdout");
  LOG_severity_allowed.store(kq::svclog::SeverityMask(env.haveSeverity ? env.severity : "EWS"),
                             std::memory_order_relaxed);
}

}  // namespace

namespace kq::svclog {

bool InitSlow() {
  if (THR_Once(&once, CreateKeyAndMutex) != 0 || !onceSucceeded) return false;
  if (THR_LockMutex(&LOG_outputMutexLock) != 0) return false;
  if (LOG__first) {
    ReadEnvironmentLocked();
    LOG__first = 0;
  }
  LOG__ready.store(true, std::memory_order_release);
  THR_UnlockMutex(&LOG_outputMutexLock);
  return true;
}

uint32_t SeverityMask(const char *letters) {
  uint32_t mask = 0;
  for (const char *p = letters; *p; ++p) {
    const char *at = strchr(LOG__codes + 1, *p);
    if (at) mask |= 1u << (at - LOG__codes - 1);
  }
  return mask;
}

}  // namespace kq::svclog

using kq::svclog::Ready;

extern "C" {

int LOG_Init(const char *address, const char *severityLetters) {
  if (!Ready()) return 0;
  if (!address && !severityLetters) return 0;
  LOG_SetAddress(address);
  LOG_SetSeverity(severityLetters);
  LOG_SetEnabled(1);
  LOG_SetLogSize(0);
  LOG_SetMaxNoOfLogs(0);
  return 0;
}

int LOG_Syslog(const char *severityLetters, const char *ident, int option, int facility) {
  if (ident) CopyString(LOG_sys_ident, sizeof LOG_sys_ident, ident);
  LOG_sys_opt = option;
  LOG_sys_fac = facility;
  return LOG_Init("syslog", severityLetters);
}

// Closes the output and returns every setting to its initial value, so that the
// next use reads the environment afresh. Messages still open in other threads keep
// their buffers.
int LOG_Term(void) {
  if (!LOG__ready.load(std::memory_order_acquire) && LOG__first) return 0;
  if (THR_LockMutex(&LOG_outputMutexLock) != 0) return 0;
  kq::svclog::CloseOutputLocked();
  LOG_filePath[0] = '\0';
  memset(&LOG__env, 0, sizeof LOG__env);
  LOG_enabled.store(1, std::memory_order_relaxed);
  LOG_severity_allowed.store(0x103, std::memory_order_relaxed);
  LOG_useOnce = 0;
  LOG_userMask = 0x10f;
  LOG_maxLogSize = 0;
  LOG_maxLogs = 0;
  CopyString(LOG_sys_ident, sizeof LOG_sys_ident, "qvk");
  LOG_sys_opt = 0x10;
  LOG_sys_fac = 0x30;
  LOG__first = 1;
  LOG__ready.store(false, std::memory_order_release);
  THR_UnlockMutex(&LOG_outputMutexLock);
  return 0;
}

const char *LOG_SetAddress(const char *path) {
  if (!Ready()) return "standard output";
  if (THR_LockMutex(&LOG_outputMutexLock) != 0) return "standard output";
  const char *result = kq::svclog::SetAddressLocked(path);
  THR_UnlockMutex(&LOG_outputMutexLock);
  return result;
}

uint32_t LOG_SetSeverity(const char *letters) {
  if (!Ready()) return LOG_severity_allowed.load(std::memory_order_relaxed);
  if (LOG__env.haveSeverity) letters = LOG__env.severity;
  if (letters) {
    LOG_severity_allowed.store(kq::svclog::SeverityMask(letters), std::memory_order_relaxed);
  }
  return LOG_severity_allowed.load(std::memory_order_relaxed);
}

int LOG_SetEnabled(int flag) {
  Ready();
  int previous = LOG_enabled.load(std::memory_order_relaxed);
  int now = LOG__env.haveEnabled ? LOG__env.enabled : flag != 0;
  // Reported while logging is on, so that switching it off is seen too.
  if (!now) LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetEnabled: logging is %sabled\n", "dis");
  LOG_enabled.store(now, std::memory_order_relaxed);
  if (now) LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetEnabled: logging is %sabled\n", "en");
  return previous;
}

int LOG_SetUseOnce(int flag) {
  Ready();
  int previous = LOG_useOnce;
  LOG_useOnce = flag != 0;
  LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetUseOnce: to %s\n", LOG_useOnce ? "true" : "false");
  return previous;
}

long LOG_SetLogSize(long bytes) {
  Ready();
  long previous = LOG_maxLogSize;
  if (LOG__env.haveSize) bytes = LOG__env.size;
  LOG_maxLogSize = bytes > 0 ? bytes : 0;
  if (LOG_maxLogSize == 0) {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetLogSize: size = unlimited\n");
  } else {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetLogSize: size = %d\n", static_cast<int>(LOG_maxLogSize));
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetLogSize: was = %d\n", static_cast<int>(previous));
  return previous;
}

int LOG_SetMaxNoOfLogs(int count) {
  Ready();
  int previous = LOG_maxLogs;
  if (LOG__env.haveMaxLogs) count = LOG__env.maxLogs;
  LOG_maxLogs = count > 0 ? count : 0;
  if (LOG_maxLogs == 0) {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetMaxNoOfLogs: no = unlimited\n");
  } else {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "LOG_SetMaxNoOfLogs: %d logs\n", LOG_maxLogs);
  }
  // A tighter limit applies to the files already there, not only from the next one.
  if (LOG_maxLogs > 0 && (LOG_maxLogs < previous || previous == 0) &&
      THR_LockMutex(&LOG_outputMutexLock) == 0) {
    if (LOG_address[0]) LOG__trim(LOG_filePath, LOG_maxLogs);
    THR_UnlockMutex(&LOG_outputMutexLock);
  }
  return previous;
}

int LOG_GetMaxTextChunk(void) { return LOG_MAX_TEXT_CHUNK; }

}  // extern "C"
