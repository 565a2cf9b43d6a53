// Thread wrappers: timed waits, status codes, priorities, keys and once.
#include "infra/thr.h"

#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>

#include "infra/osc.h"

namespace {

using Clock = std::chrono::steady_clock;

struct MutexCond {
  THR_mutex_t mutex;
  THR_condition_t cond;
  MutexCond() {
    EXPECT_EQ(THR_InitMutex(&mutex), 0u);
    EXPECT_EQ(THR_InitCondition(&cond), 0u);
  }
  ~MutexCond() {
    EXPECT_EQ(THR_TermCondition(&cond), 0u);
    EXPECT_EQ(THR_TermMutex(&mutex), 0u);
  }
};

TEST(thr_wait, TimedWaitEndsAtTheDeadline) {
  MutexCond mc;
  auto start = Clock::now();
  EXPECT_EQ(THR_WaitForConditionTimed(&mc.cond, &mc.mutex, -1), THR_ST_TIMEOUT);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100)) << "negative: at once";
  ASSERT_EQ(THR_LockMutex(&mc.mutex), 0u);
  // 999 ms added to any current time overflows the nanoseconds at most once; an
  // uncarried deadline would be refused as invalid.
  for (int ms : {999, 699, 399}) {
    EXPECT_EQ(THR_WaitForConditionTimed(&mc.cond, &mc.mutex, ms), THR_ST_TIMEOUT) << ms;
  }
  start = Clock::now();
  EXPECT_EQ(THR_WaitForConditionTimed(&mc.cond, &mc.mutex, 1500), THR_ST_TIMEOUT);
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(waited.count(), 1490);
  EXPECT_LT(waited.count(), 5000);
  // The timed wait gives the mutex back still held by the caller.
  EXPECT_EQ(THR_TryLockMutex(&mc.mutex), THR_ST_BUSY);
  ASSERT_EQ(THR_UnlockMutex(&mc.mutex), 0u);
}

struct Signal {
  MutexCond mc;
  bool ready = false;
};

void *SignalLater(void *arg) {
  auto *s = static_cast<Signal *>(arg);
  OSC_ThreadSleep(50);
  THR_LockMutex(&s->mc.mutex);
  s->ready = true;
  THR_SignalCondition(&s->mc.cond);
  THR_UnlockMutex(&s->mc.mutex);
  return arg;
}

TEST(thr_wait, SignalEndsTheTimedWaitEarly) {
  Signal s;
  THR_thread_t t;
  ASSERT_EQ(THR_LockMutex(&s.mc.mutex), 0u);
  ASSERT_EQ(THR_StartThread(SignalLater, &s, 0, THR_PRIORITY_NORMAL, 0, &t), 0u);
  uint32_t st = 0;
  while (!s.ready && st == 0) st = THR_WaitForConditionTimed(&s.mc.cond, &s.mc.mutex, 10000);
  EXPECT_EQ(st, 0u);
  EXPECT_TRUE(s.ready);
  ASSERT_EQ(THR_UnlockMutex(&s.mc.mutex), 0u);
  void *result = nullptr;
  ASSERT_EQ(THR_JoinThread(&t, &result), 0u);
  EXPECT_EQ(result, &s);
}

std::atomic<int> started{0};
void *CountStart(void *arg) {
  started++;
  return arg;
}

// Priority classes are checked before anything is created.
TEST(thr_thread, ThreadsStartJoinCompareAndDetach) {
  THR_thread_t t;
  started = 0;
  EXPECT_EQ(THR_StartThread(CountStart, nullptr, 0, 3, 0, &t), THR_ST_INVALID);
  EXPECT_EQ(THR_StartThread(CountStart, nullptr, 0, -1, 0, &t), THR_ST_INVALID);
  OSC_ThreadSleep(20);
  EXPECT_EQ(started.load(), 0);
  for (int cls = THR_PRIORITY_LOW; cls <= THR_PRIORITY_HIGH; ++cls) {
    ASSERT_EQ(THR_StartThread(CountStart, nullptr, 256 * 1024, cls, 0, &t), 0u) << cls;
    ASSERT_EQ(THR_JoinThread(&t, nullptr), 0u);
  }
  EXPECT_EQ(started.load(), 3);
  EXPECT_EQ(THR_SetPriority(nullptr, 3), THR_ST_INVALID);
  EXPECT_EQ(THR_SetPriority(nullptr, THR_PRIORITY_NORMAL), 0u);
  THR_thread_t self;
  ASSERT_EQ(THR_GetThreadHandle(&self), 0u);
  EXPECT_EQ(THR_SetPriority(&self, THR_PRIORITY_LOW), 0u);

  EXPECT_EQ(THR_JoinThread(nullptr, nullptr), THR_ST_INVALID);
  THR_thread_t b, other, detached;
  ASSERT_EQ(THR_GetThreadHandle(&b), 0u);
  int32_t same = -1;
  ASSERT_EQ(THR_Equal(self, b, &same), 0u);
  EXPECT_EQ(same, 1);
  ASSERT_EQ(THR_StartThread(CountStart, nullptr, 0, THR_PRIORITY_NORMAL, 0, &other), 0u);
  ASSERT_EQ(THR_Equal(self, other, &same), 0u);
  EXPECT_EQ(same, 0);
  ASSERT_EQ(THR_JoinThread(&other, nullptr), 0u);
  // A detached thread cannot be joined.
  ASSERT_EQ(THR_StartThread(CountStart, nullptr, 0, THR_PRIORITY_NORMAL, 1, &detached), 0u);
  OSC_ThreadSleep(20);
}

TEST(thr_sync, MutexStatusCodes) {
  THR_mutex_t m;
  ASSERT_EQ(THR_InitMutex(&m), 0u);
  ASSERT_EQ(THR_LockMutex(&m), 0u);
  EXPECT_EQ(THR_TryLockMutex(&m), THR_ST_BUSY);
  EXPECT_EQ(THR_TermMutex(&m), THR_ST_BUSY);
  ASSERT_EQ(THR_UnlockMutex(&m), 0u);
  EXPECT_EQ(THR_TryLockMutex(&m), 0u);
  ASSERT_EQ(THR_UnlockMutex(&m), 0u);
  ASSERT_EQ(THR_TermMutex(&m), 0u);
  EXPECT_EQ(THR_InitMutex(nullptr), THR_ST_INVALID);
  EXPECT_EQ(THR_LockMutex(nullptr), THR_ST_INVALID);
  EXPECT_EQ(THR_WaitForCondition(nullptr, nullptr), THR_ST_INVALID);
  EXPECT_EQ(THR_InitThreads(), 0u);
  EXPECT_EQ(THR_Yield(), 0u);
  EXPECT_EQ(THR_TermThreads(), 0u);
  EXPECT_EQ(RPC_Init() + RPC_Lock() + RPC_Unlock() + RPC_Term(), 0);
}

int onceCalls = 0;
void CountOnce() { ++onceCalls; }
std::atomic<int> destroyed{0};
void DestroyValue(void *) { destroyed++; }

void *SetKey(void *arg) {
  auto key = *static_cast<THR_threadKey_t *>(arg);
  void *v = &started;
  THR_GetThreadKeyValue(key, &v);
  if (v != nullptr) return nullptr;  // a new thread starts with no value
  THR_SetThreadKeyValue(key, arg);
  THR_GetThreadKeyValue(key, &v);
  return v;
}

TEST(thr_sync, KeysAreThreadLocalAndDestroyed) {
  THR_threadKey_t key;
  ASSERT_EQ(THR_InitThreadKey(&key, DestroyValue), 0u);
  int mine = 7;
  ASSERT_EQ(THR_SetThreadKeyValue(key, &mine), 0u);
  destroyed = 0;
  THR_thread_t t;
  ASSERT_EQ(THR_StartThread(SetKey, &key, 0, THR_PRIORITY_NORMAL, 0, &t), 0u);
  void *r = nullptr;
  ASSERT_EQ(THR_JoinThread(&t, &r), 0u);
  EXPECT_EQ(r, &key);
  EXPECT_EQ(destroyed.load(), 1);
  void *v = nullptr;
  EXPECT_EQ(THR_GetThreadKeyValue(key, &v), 0u);
  EXPECT_EQ(v, &mine);
  THR_SetThreadKeyValue(key, nullptr);

  THR_once_t once = PTHREAD_ONCE_INIT;
  EXPECT_EQ(THR_Once(&once, CountOnce), 0u);
  EXPECT_EQ(THR_Once(&once, CountOnce), 0u);
  EXPECT_EQ(onceCalls, 1);
}

TEST(thr_sync, SignalMaskRoundTrips) {
  sigset_t add, old, now;
  sigemptyset(&add);
  sigaddset(&add, SIGUSR2);
  ASSERT_EQ(THR_SetSignalMask(SIG_BLOCK, &add, &old), 0u);
  ASSERT_EQ(THR_SetSignalMask(SIG_SETMASK, &old, &now), 0u);
  EXPECT_TRUE(sigismember(&now, SIGUSR2));
}

TEST(osc_sleep, SleepsTheFullTime) {
  auto start = Clock::now();
  EXPECT_EQ(OSC_ThreadSleep(120), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(119));
}

}  // namespace
