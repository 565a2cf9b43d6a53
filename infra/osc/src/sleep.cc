// Millisecond sleep built on a timed wait that nobody signals, so the sleeping
// thread stays a cancellation point like any other condition wait.
#include "infra/osc.h"
#include "infra/thr.h"

extern "C" int OSC_ThreadSleep(uint32_t milliseconds) {
  THR_mutex_t mutex;
  THR_condition_t condition;
  if (THR_InitMutex(&mutex) != 0) return 1;
  if (THR_InitCondition(&condition) != 0) {
    THR_TermMutex(&mutex);
    return 1;
  }
  int rc = 1;
  if (THR_LockMutex(&mutex) == 0) {
    // A wake-up that is not the time-out (spurious) ends the sleep early; callers
    // get 1 and may sleep again.
    uint32_t st = THR_WaitForConditionTimed(&condition, &mutex, static_cast<int32_t>(milliseconds));
    if (st == THR_ST_TIMEOUT) rc = 0;
    if (THR_UnlockMutex(&mutex) != 0) rc = 1;
  }
  if (THR_TermCondition(&condition) != 0) rc = 1;
  if (THR_TermMutex(&mutex) != 0) rc = 1;
  return rc;
}
