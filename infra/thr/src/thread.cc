// Starting, joining and scheduling threads.
#include <sched.h>
#include <syslog.h>

#include <algorithm>

#include "infra/thr.h"
#include "private/thr_status.h"

using kq::thr::ThreadStatus;

namespace {

// Priority class to scheduling priority: 0 -> 16, 1 -> 24, 2 -> 32; -1 for a bad
// class. The result is clamped into the range the policy allows, because Linux
// accepts only priority 0 for SCHED_OTHER and would refuse to create the thread.
int PriorityFor(int32_t priorityClass, int policy) {
  if (priorityClass < 0 || priorityClass > 2) return -1;
  int wanted = 16 + 8 * priorityClass;
  int lo = sched_get_priority_min(policy), hi = sched_get_priority_max(policy);
  if (lo < 0 || hi < 0) return wanted;
  return std::clamp(wanted, lo, hi);
}

}  // namespace

extern "C" {

uint32_t THR_StartThread(THR_threadFunction_t function, void *argument, size_t stackSize,
                         int32_t priorityClass, int32_t detached, THR_thread_t *threadOut) {
  if (!function) return THR_ST_INVALID;
  int priority = PriorityFor(priorityClass, SCHED_OTHER);
  if (priority < 0) return THR_ST_INVALID;

  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return THR_ST_FAILED;
  struct sched_param param {};
  param.sched_priority = priority;
  uint32_t status = 0;
  if (pthread_attr_setschedpolicy(&attr, SCHED_OTHER) != 0 ||
      pthread_attr_setschedparam(&attr, &param) != 0 ||
      pthread_attr_setinheritsched(&attr, PTHREAD_EXPLICIT_SCHED) != 0 ||
      (stackSize != 0 && pthread_attr_setstacksize(&attr, stackSize) != 0)) {
    status = THR_ST_FAILED;
  }
  pthread_t thread{};
  if (status == 0) {
    if (int err = pthread_create(&thread, &attr, function, argument); err != 0) {
      syslog(LOG_LPR | LOG_ERR, "QVK: ERROR creating thread, stacksize %d; Error: %d",
             static_cast<int>(stackSize), err);
      status = THR_ST_FAILED;
    } else {
      if (threadOut) *threadOut = thread;
      if (detached) pthread_detach(thread);
    }
  }
  if (pthread_attr_destroy(&attr) != 0 && status == 0) status = THR_ST_FAILED;
  return status;
}

void THR_ExitThread(void *status) { pthread_exit(status); }

uint32_t THR_JoinThread(const THR_thread_t *thread, void **statusOut) {
  if (!thread) return THR_ST_INVALID;
  return ThreadStatus(pthread_join(*thread, statusOut));
}

uint32_t THR_GetThreadHandle(THR_thread_t *threadOut) {
  if (!threadOut) return THR_ST_INVALID;
  *threadOut = pthread_self();
  return 0;
}

uint32_t THR_Equal(THR_thread_t a, THR_thread_t b, int32_t *resultOut) {
  if (!resultOut) return THR_ST_INVALID;
  *resultOut = pthread_equal(a, b) ? 1 : 0;
  return 0;
}

uint32_t THR_SetPriority(const THR_thread_t *threadOrNull, int32_t priorityClass) {
  if (priorityClass < 0 || priorityClass > 2) return THR_ST_INVALID;
  pthread_t thread = threadOrNull ? *threadOrNull : pthread_self();
  int policy = 0;
  struct sched_param param {};
  if (int err = pthread_getschedparam(thread, &policy, &param); err != 0) {
    return ThreadStatus(err);
  }
  param.sched_priority = PriorityFor(priorityClass, policy);
  return ThreadStatus(pthread_setschedparam(thread, policy, &param));
}

uint32_t THR_SetSignalMask(int how, const sigset_t *newMask, sigset_t *oldMask) {
  return ThreadStatus(pthread_sigmask(how, newMask, oldMask));
}

}  // extern "C"
