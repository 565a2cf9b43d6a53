// Test support for generic values: a counting allocator that can fail the n-th
// allocation, a status list owned by the test, and random values of any record.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "infra/genu.h"
#include "infra/svclog.h"
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

// A fresh status list per test, deleted at the end.
struct Status {
  STF_statusList_t *list = STF_CreateList(nullptr);
  ~Status() { STF_DeleteList(list); }
  operator STF_statusList_t *() const { return list; }
  // True when `code` is anywhere in the list.
  bool has(uint32_t code) const {
    STF_objectInfo_t info;
    for (int32_t i = 1; STF_GetObjectInfo(list, i, &info) == 0; ++i)
      if (info.code == code) return true;
    return false;
  }
  void clear() { STF_ClearStatus(list); }
  // The codes in the list, oldest first, for failure messages.
  std::string codes() const {
    std::string out;
    STF_objectInfo_t info;
    char buf[16];
    for (int32_t i = 1; STF_GetObjectInfo(list, i, &info) == 0; ++i) {
      snprintf(buf, sizeof buf, " %#x", info.code);
      out += buf;
    }
    return out;
  }
};

// Reads what the service log wrote, at the severities `letters`, while the object
// lived.
struct LogCapture {
  std::string dir, file;
  explicit LogCapture(const char *letters = "X") {
    char pattern[] = "/tmp/genulogXXXXXX";
    dir = mkdtemp(pattern);
    LOG_Init((dir + "/log").c_str(), letters);
    file = LOG_SetAddress(nullptr);
  }
  ~LogCapture() {
    LOG_Term();
    std::filesystem::remove_all(dir);
  }
  std::string Text() const {
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

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
