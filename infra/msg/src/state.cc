// The facility's process-wide state: its locks, the application name and whether
// MSG_UsageBegin was called; and setlocale under the facility's locale lock.
#include <atomic>
#include <cctype>
#include <clocale>
#include <cstring>

#include "private/msg_internal.h"

namespace kq::msg {
THR_mutex_t localeLock;
THR_mutex_t cacheLock;
THR_mutex_t tableLock;
}  // namespace kq::msg

using kq::msg::cacheLock;
using kq::msg::localeLock;
using kq::msg::Locked;
using kq::msg::tableLock;

namespace {

THR_once_t mutexOnce = PTHREAD_ONCE_INIT;
std::atomic<bool> msgInUse{false};
// Upper case; written only by MSG_UsageBegin and MSG_UsageEnd, which callers do
// not run concurrently with lookups.
char msgAppName[MSG_APP_NAME_MAX];

// 3 to 8 characters: a letter, then letters or digits.
bool ValidAppName(const char *name) {
  if (!name) return false;
  size_t length = strlen(name);
  if (length < 3 || length > MSG_APP_NAME_MAX - 1) return false;
  if (!isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (size_t i = 1; i < length; ++i) {
    if (!isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

}  // namespace

extern "C" {

void MSG__InitMutex(void) {
  THR_InitMutex(&localeLock);
  THR_InitMutex(&cacheLock);
  THR_InitMutex(&tableLock);
}

void MSG__EnsureMutexes(void) { THR_Once(&mutexOnce, MSG__InitMutex); }

bool MSG__InUse(void) { return msgInUse.load(std::memory_order_acquire); }

const char *MSG__AppName(void) { return msgAppName; }

uint32_t MSG_UsageBegin(const char *appName) {
  MSG__EnsureMutexes();
  if (MSG__InUse()) return MSG_ST_NOT_IN_USE;
  if (!ValidAppName(appName)) {
    msgAppName[0] = '\0';
    return MSG_ST_BAD_APP_NAME;
  }
  size_t i = 0;
  for (; appName[i]; ++i) {
    msgAppName[i] = static_cast<char>(toupper(static_cast<unsigned char>(appName[i])));
  }
  msgAppName[i] = '\0';
  {
    Locked lock(cacheLock);
    MSG__InitDescriptorCache();
  }
  {
    Locked lock(tableLock);
    MSG__InitMappingTable();
  }
  msgInUse.store(true, std::memory_order_release);
  return 0;
}

uint32_t MSG_UsageEnd(void) {
  MSG__EnsureMutexes();
  if (!MSG__InUse()) return MSG_ST_NOT_IN_USE;
  {
    Locked lock(cacheLock);
    MSG__CleanUpDescriptorCache();
  }
  {
    Locked lock(tableLock);
    MSG__TableCleanUp();
  }
  msgAppName[0] = '\0';
  msgInUse.store(false, std::memory_order_release);
  return 0;
}

int MSG_setlocale_r(int category, const char *locale, char *buffer, size_t bufSize) {
  MSG__EnsureMutexes();
  Locked lock(localeLock);
  // The name setlocale returns lives only until its next call, so it is copied
  // while the lock is still held.
  const char *result = setlocale(category, locale);
  if (!result || !buffer) return -1;
  size_t length = strlen(result);
  if (length + 1 > bufSize) return -1;
  memcpy(buffer, result, length + 1);
  return 0;
}

}  // extern "C"
