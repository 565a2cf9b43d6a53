// A test double of the C heap for the jqp tests: the test program's own malloc, calloc,
// realloc and free, forwarding to the C library's, that count the allocations made
// while a book is open, fail the chosen one, and keep the blocks not yet given back.
// The conversions allocate through the C heap directly, through the coding world and
// through attribute sets, so only the heap itself sees every one of their blocks.
// Under a sanitizer, which owns the heap, the double is left out and Available() says so.
#ifndef KQ_INFRA_JQP_TEST_HEAP_DOUBLE_H
#define KQ_INFRA_JQP_TEST_HEAP_DOUBLE_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "infra/stf.h"

namespace kq::jqp::test {

struct HeapBook {
  // Opens the book: allocation attempt `failAt` (1 the first, 0 none) fails, and every
  // block made from now on is kept until it is freed.
  static void Open(uint64_t failAt);
  // Stops failing; blocks are still kept and given back.
  static void StopFailing();
  // Closes the book and forgets the blocks still kept.
  static void Close();
  static uint64_t Attempts();
  // Blocks made while the book was open and not given back.
  static size_t Live();
  static bool Available();
};

// One run of an operation under test: it hands out a result, says whether it did in
// *madeSomething, calls HeapBook::StopFailing() and releases the result. Returns the
// operation's own return value.
using HeapRun = std::function<int(STF_statusList_t *status, bool *madeSomething)>;

// Runs `run` with its first, second, ... allocation failing until it succeeds without a
// failure. Each failed run must return non-zero with a reason in the status list, hand
// out nothing and leave no block behind once its status list is gone. Returns how many
// allocations the successful run made (0 when the sweep stopped early).
inline uint64_t SweepAllocations(const HeapRun &run) {
  {  // once unhindered, so that what is set up on first use is there
    STF_statusList_t *status = STF_CreateList(nullptr);
    bool made = false;
    EXPECT_EQ(run(status, &made), 0);
    STF_DeleteList(status);
  }
  for (uint64_t failAt = 1; failAt < 2000; ++failAt) {
    SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
    STF_statusList_t *status = STF_CreateList(nullptr);
    bool made = false;
    HeapBook::Open(failAt);
    const int rc = run(status, &made);
    HeapBook::StopFailing();
    const bool failed = HeapBook::Attempts() >= failAt;
    STF_objectInfo_t info{};
    const bool reported = STF_GetObjectInfo(status, 1, &info) == 0;
    STF_DeleteList(status);
    const size_t live = HeapBook::Live();
    const uint64_t attempts = HeapBook::Attempts();
    HeapBook::Close();
    EXPECT_EQ(live, 0u) << "blocks left behind";
    if (rc != 0) {
      EXPECT_FALSE(made) << "a failed run handed something out";
      EXPECT_TRUE(reported) << "a failed run gave no reason";
      if (live || made || !reported) return 0;
    } else if (!failed) {
      return attempts;
    }
  }
  ADD_FAILURE() << "never succeeded";
  return 0;
}

}  // namespace kq::jqp::test

#endif
