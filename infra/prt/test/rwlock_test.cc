// Reader/writer lock: sharing, exclusion and writer preference.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "infra/osc.h"
#include "infra/prt.h"
#include "infra/thr.h"

namespace {

struct Lock {
  rw_lock_t *lock = nullptr;
  Lock() { EXPECT_EQ(rw_init(&lock), 0); }
  ~Lock() { EXPECT_EQ(rw_term(lock), 0); }
};

// Waits (bounded) until `flag` holds; the scenario below needs a thread to have
// reached its blocking call, which the flag can only approximate, so each check
// that something is still waiting is made after a generous settle time.
template <class F>
bool Eventually(F flag) {
  for (int i = 0; i < 500; ++i) {
    if (flag()) return true;
    OSC_ThreadSleep(5);
  }
  return flag();
}

TEST(rw_lock, WaitingWriterHoldsBackNewReaders) {
  Lock l;
  ASSERT_EQ(rw_read_lock(l.lock), 0);
  ASSERT_EQ(rw_read_lock(l.lock), 0);

  std::atomic<int> step{0};
  std::atomic<bool> writerIn{false}, readerIn{false};
  std::atomic<bool> writerOut{false};
  std::thread writer([&] {
    step = 1;
    EXPECT_EQ(rw_write_lock(l.lock), 0);
    writerIn = true;
    EXPECT_FALSE(readerIn.load());
    OSC_ThreadSleep(50);
    writerOut = true;
    EXPECT_EQ(rw_rwunlock(l.lock), 0);
  });
  ASSERT_TRUE(Eventually([&] { return step.load() == 1; }));
  OSC_ThreadSleep(100);  // the writer is now waiting behind the two readers
  EXPECT_FALSE(writerIn.load());

  std::thread reader([&] {
    EXPECT_EQ(rw_read_lock(l.lock), 0);
    readerIn = true;
    EXPECT_TRUE(writerOut.load());  // it came in only after the writer left
    EXPECT_EQ(rw_rwunlock(l.lock), 0);
  });
  OSC_ThreadSleep(100);
  EXPECT_FALSE(readerIn.load());  // the third reader waits for the waiting writer

  ASSERT_EQ(rw_rwunlock(l.lock), 0);
  OSC_ThreadSleep(50);
  EXPECT_FALSE(writerIn.load());  // one reader still holds it
  ASSERT_EQ(rw_rwunlock(l.lock), 0);
  EXPECT_TRUE(Eventually([&] { return writerIn.load(); }));
  writer.join();
  reader.join();
  EXPECT_TRUE(readerIn.load());
}

TEST(rw_lock, WritersExcludeEveryoneUnderLoad) {
  Lock l;
  int shared[2] = {0, 0};  // a writer keeps both equal; readers check that
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 3 == 0) {
          ASSERT_EQ(rw_write_lock(l.lock), 0);
          shared[0]++;
          std::this_thread::yield();
          shared[1]++;
        } else {
          ASSERT_EQ(rw_read_lock(l.lock), 0);
          if (shared[0] != shared[1]) torn++;
        }
        ASSERT_EQ(rw_rwunlock(l.lock), 0);
      }
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(shared[0], 2 * 2000);
  EXPECT_EQ(shared[1], 2 * 2000);
}

TEST(rw_lock, NullArguments) {
  EXPECT_EQ(rw_init(nullptr), -1);
  EXPECT_EQ(rw_read_lock(nullptr), -2);
  EXPECT_EQ(rw_write_lock(nullptr), -2);
  EXPECT_EQ(rw_rwunlock(nullptr), -2);
  EXPECT_EQ(rw_term(nullptr), -2);
}

}  // namespace
