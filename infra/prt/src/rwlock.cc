// Reader/writer lock with writer preference: readers wait while a writer holds the
// lock or any writer waits for it, so a stream of readers cannot starve a writer.
#include <cstdlib>

#include "infra/prt.h"
#include "infra/svclog.h"
#include "infra/thr.h"

struct rw_lock {
  THR_mutex_t mutex;
  THR_condition_t readers;  // readers may proceed
  THR_condition_t writer;   // a writer may proceed
  int count;                // readers holding it; -1 while a writer holds it
  int waitingWriters;
};

namespace {

int Failed(const char *step, uint32_t code) {
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "%s failed code=%d", step, static_cast<int>(code));
  return -2;
}

}  // namespace

extern "C" {

int rw_init(rw_lock_t **lockOut) {
  if (!lockOut) return -1;
  auto *lock = static_cast<rw_lock_t *>(calloc(1, sizeof(rw_lock_t)));
  if (!lock) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "rw_init:no memory");
    return -1;
  }
  if (uint32_t st = THR_InitMutex(&lock->mutex)) {
    free(lock);
    return Failed("THR_InitMutex", st);
  }
  if (uint32_t st = THR_InitCondition(&lock->readers)) {
    THR_TermMutex(&lock->mutex);
    free(lock);
    return Failed("THR_InitCondition", st);
  }
  if (uint32_t st = THR_InitCondition(&lock->writer)) {
    THR_TermCondition(&lock->readers);
    THR_TermMutex(&lock->mutex);
    free(lock);
    return Failed("THR_InitCondition", st);
  }
  *lockOut = lock;
  return 0;
}

int rw_term(rw_lock_t *lock) {
  if (!lock) return -2;
  int rc = 0;
  if (uint32_t st = THR_TermCondition(&lock->writer)) rc = Failed("rw_term:THR_TermCondition", st);
  if (uint32_t st = THR_TermCondition(&lock->readers)) rc = Failed("rw_term:THR_TermCondition", st);
  if (uint32_t st = THR_TermMutex(&lock->mutex)) rc = Failed("rw_term:THR_TermMutex", st);
  free(lock);
  return rc;
}

int rw_read_lock(rw_lock_t *lock) {
  if (!lock) return -2;
  if (uint32_t st = THR_LockMutex(&lock->mutex)) return Failed("rw_read_lock:lock", st);
  while (lock->count < 0 || lock->waitingWriters > 0) {
    if (uint32_t st = THR_WaitForCondition(&lock->readers, &lock->mutex)) {
      THR_UnlockMutex(&lock->mutex);
      return Failed("rw_read_lock:wait", st);
    }
  }
  lock->count++;
  if (uint32_t st = THR_UnlockMutex(&lock->mutex)) return Failed("rw_read_lock:unlock", st);
  return 0;
}

int rw_write_lock(rw_lock_t *lock) {
  if (!lock) return -2;
  if (uint32_t st = THR_LockMutex(&lock->mutex)) return Failed("rw_write_lock:lock", st);
  while (lock->count != 0) {
    lock->waitingWriters++;
    uint32_t st = THR_WaitForCondition(&lock->writer, &lock->mutex);
    lock->waitingWriters--;
    if (st) {
      THR_UnlockMutex(&lock->mutex);
      return Failed("rw_write_lock:wait", st);
    }
  }
  lock->count = -1;
  if (uint32_t st = THR_UnlockMutex(&lock->mutex)) return Failed("rw_write_lock:unlock", st);
  return 0;
}

int rw_rwunlock(rw_lock_t *lock) {
  if (!lock) return -2;
  if (uint32_t st = THR_LockMutex(&lock->mutex)) return Failed("rw_rwunlock:lock", st);
  if (lock->count > 0) {
    lock->count--;
  } else {
    lock->count = 0;
  }
  bool wakeWriter = lock->waitingWriters > 0 && lock->count == 0;
  bool wakeReaders = lock->waitingWriters == 0;
  if (uint32_t st = THR_UnlockMutex(&lock->mutex)) return Failed("rw_rwunlock:unlock", st);
  // Signalled after the mutex is released; a woken thread re-tests its condition.
  if (wakeWriter) {
    if (uint32_t st = THR_SignalCondition(&lock->writer)) return Failed("rw_rwunlock:signal", st);
  } else if (wakeReaders) {
    if (uint32_t st = THR_BroadcastCondition(&lock->readers)) {
      return Failed("rw_rwunlock:broadcast", st);
    }
  }
  return 0;
}

}  // extern "C"
