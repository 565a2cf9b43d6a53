// Test support for generic values: a counting allocator that can fail the n-th
// allocation and random values of any record.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "infra/genu.h"
#include "kqtest.h"
#include "private/genu_layout.h"

namespace genvtest {

struct Counter {
  uint64_t attempts = 0;
  uint64_t failAt = 0;  // attempt number that fails; 0: none
  std::set<void *> live;
  uint64_t badFrees = 0;
};
inline Counter &counter() {
  static Counter c;
  return c;
}
inline void *countingAllocate(size_t size) {
  Counter &c = counter();
  if (++c.attempts == c.failAt) return nullptr;
  void *p = malloc(size ? size : 1);
  c.live.insert(p);
  return p;
}
inline void countingFree(void *p) {
  if (!p) return;
  Counter &c = counter();
  if (c.live.erase(p) == 0) {
    ++c.badFrees;
    return;
  }
  free(p);
}
inline const AS_allocateDescriptor_t kCounting = {countingAllocate, countingFree};

// Status lists and log capture are the shared ones.
using Status = kq::test::StatusList;
using kq::test::LogCapture;

// `call`, reporting into a fresh status list `s`, fails with `code` among its codes.
#define EXPECT_REFUSED(code, call)                            \
  do {                                                        \
    genvtest::Status s;                                       \
    EXPECT_EQ(static_cast<uint32_t>(call), 1u) << #call;      \
    EXPECT_TRUE(s.Has(code)) << #call << " gave" << s.Text(); \
  } while (0)

// A random record of layout L, owned by the test (parts on the process heap).
struct RandomValue {
  const GenuLayout *layout;
  void *rec;
  RandomValue(const GenuLayout *L, std::mt19937 &rng) : layout(L), rec(calloc(1, L->size)) {
    genu_Random(L, rec, rng);
  }
  ~RandomValue() {
    Status s;
    genu_Delete(s, layout, rec, nullptr);
  }
  RandomValue(const RandomValue &) = delete;
  RandomValue &operator=(const RandomValue &) = delete;
};

}  // namespace genvtest
