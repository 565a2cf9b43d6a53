// Mutex, condition, thread-key and once wrappers.
#include <time.h>

#include "infra/thr.h"
#include "private/thr_status.h"

using kq::thr::SyncStatus;

extern "C" {

uint32_t THR_InitThreads(void) { return 0; }
uint32_t THR_TermThreads(void) { return 0; }
uint32_t THR_Yield(void) { return 0; }

int RPC_Init(void) { return 0; }
int RPC_Term(void) { return 0; }
int RPC_Lock(void) { return 0; }
int RPC_Unlock(void) { return 0; }

uint32_t THR_InitMutex(THR_mutex_t *mutex) {
  if (!mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_mutex_init(mutex, nullptr));
}
uint32_t THR_TermMutex(THR_mutex_t *mutex) {
  if (!mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_mutex_destroy(mutex));
}
uint32_t THR_LockMutex(THR_mutex_t *mutex) {
  if (!mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_mutex_lock(mutex));
}
uint32_t THR_TryLockMutex(THR_mutex_t *mutex) {
  if (!mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_mutex_trylock(mutex));
}
uint32_t THR_UnlockMutex(THR_mutex_t *mutex) {
  if (!mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_mutex_unlock(mutex));
}

uint32_t THR_InitCondition(THR_condition_t *condition) {
  if (!condition) return THR_ST_INVALID;
  return SyncStatus(pthread_cond_init(condition, nullptr));
}
uint32_t THR_TermCondition(THR_condition_t *condition) {
  if (!condition) return THR_ST_INVALID;
  return SyncStatus(pthread_cond_destroy(condition));
}
uint32_t THR_WaitForCondition(THR_condition_t *condition, THR_mutex_t *mutex) {
  if (!condition || !mutex) return THR_ST_INVALID;
  return SyncStatus(pthread_cond_wait(condition, mutex));
}
uint32_t THR_SignalCondition(THR_condition_t *condition) {
  if (!condition) return THR_ST_INVALID;
  return SyncStatus(pthread_cond_signal(condition));
}
uint32_t THR_BroadcastCondition(THR_condition_t *condition) {
  if (!condition) return THR_ST_INVALID;
  return SyncStatus(pthread_cond_broadcast(condition));
}

// The deadline is the real-time clock now plus the milliseconds; the condition
// uses the default (real-time) clock.
uint32_t THR_WaitForConditionTimed(THR_condition_t *condition, THR_mutex_t *mutex,
                                   int32_t milliseconds) {
  if (milliseconds < 0) return THR_ST_TIMEOUT;
  if (!condition || !mutex) return THR_ST_INVALID;
  struct timespec deadline;
  if (clock_gettime(CLOCK_REALTIME, &deadline) != 0) return THR_ST_FAILED;
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  while (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  switch (int err = pthread_cond_timedwait(condition, mutex, &deadline)) {
    case 0:
      return 0;
    case EAGAIN:
    case ETIMEDOUT:
      return THR_ST_TIMEOUT;
    case EINVAL:
      return THR_ST_INVALID;
    default:
      (void)err;
      return THR_ST_FAILED;
  }
}

uint32_t THR_InitThreadKey(THR_threadKey_t *key, void (*destructor)(void *)) {
  if (!key) return THR_ST_INVALID;
  return SyncStatus(pthread_key_create(key, destructor));
}
uint32_t THR_SetThreadKeyValue(THR_threadKey_t key, const void *value) {
  return SyncStatus(pthread_setspecific(key, value));
}
uint32_t THR_GetThreadKeyValue(THR_threadKey_t key, void **valueOut) {
  if (valueOut) *valueOut = pthread_getspecific(key);
  return 0;
}

uint32_t THR_Once(THR_once_t *control, void (*function)(void)) {
  if (!control || !function) return THR_ST_INVALID;
  return SyncStatus(pthread_once(control, function));
}

}  // extern "C"
