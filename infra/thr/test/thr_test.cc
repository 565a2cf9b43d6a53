// Thread wrappers: timed waits, status codes, priorities, keys and once.
#include "infra/thr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "infra/osc.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct MutexCond {
  THR_mutex_t mutex;
  THR_condition_t cond;
  bool ready = false;
  MutexCond() { EXPECT_EQ(THR_InitMutex(&mutex) + THR_InitCondition(&cond), 0u); }
  ~MutexCond() { EXPECT_EQ(THR_TermCondition(&cond) + THR_TermMutex(&mutex), 0u); }
};

TEST(thr_wait, TimedWaitEndsAtTheDeadline) {
  MutexCond mc;
  auto start = Clock::now();
  EXPECT_EQ(THR_WaitForConditionTimed(&mc.cond, &mc.mutex, -1), THR_ST_TIMEOUT);
  EXPECT_LT(Clock::now() - start, milliseconds(100)) << "negative: at once";
  ASSERT_EQ(THR_LockMutex(&mc.mutex), 0u);
  // 999 ms added to any current time overflows the nanoseconds at most once; an
  // uncarried deadline would be refused as invalid.
  for (int ms : {999, 699, 399, 1500}) {
    start = Clock::now();
    EXPECT_EQ(THR_WaitForConditionTimed(&mc.cond, &mc.mutex, ms), THR_ST_TIMEOUT) << ms;
    auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, ms - 10);
    EXPECT_LT(waited, ms + 3500);
  }
  // The timed wait gives the mutex back still held by the caller.
  EXPECT_EQ(THR_TryLockMutex(&mc.mutex), THR_ST_BUSY);
  ASSERT_EQ(THR_UnlockMutex(&mc.mutex), 0u);
}

void *SignalLater(void *arg) {
  auto *s = static_cast<MutexCond *>(arg);
  OSC_ThreadSleep(50);
  THR_LockMutex(&s->mutex);
  s->ready = true;
  THR_SignalCondition(&s->cond);
  THR_UnlockMutex(&s->mutex);
  return arg;
}

TEST(thr_wait, SignalEndsTheTimedWaitEarly) {
  MutexCond s;
  THR_thread_t t;
  ASSERT_EQ(THR_LockMutex(&s.mutex), 0u);
  ASSERT_EQ(THR_StartThread(SignalLater, &s, 0, THR_PRIORITY_NORMAL, 0, &t), 0u);
  uint32_t st = 0;
  while (!s.ready && st == 0) st = THR_WaitForConditionTimed(&s.cond, &s.mutex, 10000);
  EXPECT_EQ(st, 0u);
  EXPECT_TRUE(s.ready);
  ASSERT_EQ(THR_UnlockMutex(&s.mutex), 0u);
  void *result = nullptr;
  EXPECT_EQ(THR_JoinThread(&t, &result), 0u);
  EXPECT_EQ(result, &s);
}

std::atomic<int> started{0};
void *CountStart(void *arg) {
  started++;
  return arg;
}

// Priority classes are checked before anything is created.
TEST(thr_thread, ThreadsStartJoinCompareAndDetach) {
  THR_thread_t t, self, other;
  started = 0;
  for (int bad : {3, -1}) EXPECT_EQ(THR_StartThread(CountStart, 0, 0, bad, 0, &t), THR_ST_INVALID);
  for (int cls = THR_PRIORITY_LOW; cls <= THR_PRIORITY_HIGH; ++cls) {
    ASSERT_EQ(THR_StartThread(CountStart, nullptr, 256 * 1024, cls, 0, &t), 0u) << cls;
    ASSERT_EQ(THR_JoinThread(&t, nullptr), 0u);
  }
  EXPECT_EQ(started.load(), 3);
  EXPECT_EQ(THR_SetPriority(nullptr, 3), THR_ST_INVALID);
  ASSERT_EQ(THR_GetThreadHandle(&self), 0u);
  EXPECT_EQ(THR_SetPriority(&self, THR_PRIORITY_LOW), 0u);
  int32_t same = -1;
  ASSERT_EQ(THR_GetThreadHandle(&other) + THR_Equal(self, other, &same), 0u);
  EXPECT_EQ(same, 1);
  ASSERT_EQ(THR_StartThread(CountStart, nullptr, 0, THR_PRIORITY_NORMAL, 0, &other), 0u);
  ASSERT_EQ(THR_Equal(self, other, &same) + THR_JoinThread(&other, nullptr), 0u);
  EXPECT_EQ(same, 0);
  ASSERT_EQ(THR_StartThread(CountStart, nullptr, 0, THR_PRIORITY_NORMAL, 1, &t), 0u);
  OSC_ThreadSleep(20);
  EXPECT_EQ(started.load(), 5) << "the detached thread ran";
}

TEST(thr_sync, MutexStatusCodes) {
  THR_mutex_t m;
  ASSERT_EQ(THR_InitMutex(&m) + THR_LockMutex(&m), 0u);
  EXPECT_EQ(THR_TryLockMutex(&m), THR_ST_BUSY);
  EXPECT_EQ(THR_TermMutex(&m), THR_ST_BUSY);
  ASSERT_EQ(THR_UnlockMutex(&m), 0u);
  EXPECT_EQ(THR_TryLockMutex(&m) + THR_UnlockMutex(&m) + THR_TermMutex(&m), 0u);
  EXPECT_EQ(THR_InitMutex(nullptr), THR_ST_INVALID);
  EXPECT_EQ(THR_WaitForCondition(nullptr, nullptr), THR_ST_INVALID);
}

int onceCalls = 0;
void CountOnce() { ++onceCalls; }
std::atomic<int> destroyed{0};
void DestroyValue(void *) { destroyed++; }

void *SetKey(void *arg) {
  auto key = *static_cast<THR_threadKey_t *>(arg);
  void *v = &started;
  if (THR_GetThreadKeyValue(key, &v) != 0 || v != nullptr) return nullptr;  // starts empty
  THR_SetThreadKeyValue(key, arg);
  THR_GetThreadKeyValue(key, &v);
  return v;
}

TEST(thr_sync, KeysAreThreadLocalAndDestroyed) {
  THR_threadKey_t key;
  int mine = 7;
  ASSERT_EQ(THR_InitThreadKey(&key, DestroyValue) + THR_SetThreadKeyValue(key, &mine), 0u);
  THR_thread_t t;
  void *r = nullptr, *v = nullptr;
  ASSERT_EQ(THR_StartThread(SetKey, &key, 0, THR_PRIORITY_NORMAL, 0, &t) + THR_JoinThread(&t, &r),
            0u);
  EXPECT_EQ(r, &key);
  EXPECT_EQ(destroyed.load(), 1);
  EXPECT_EQ(THR_GetThreadKeyValue(key, &v) == 0 ? v : nullptr, &mine);
  THR_SetThreadKeyValue(key, nullptr);
  THR_once_t once = PTHREAD_ONCE_INIT;
  EXPECT_EQ(THR_Once(&once, CountOnce) + THR_Once(&once, CountOnce), 0u);
  EXPECT_EQ(onceCalls, 1);
}

}  // namespace
