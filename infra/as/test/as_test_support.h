// Test support for attribute sets: test value records with copy and delete functions
// of their own, status list reading, and a snapshot of a set's whole content.
#ifndef KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H
#define KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "infra/as.h"
#include "infra/stf.h"
#include "kqtest.h"
#include "private/as_internal.h"

namespace kq::as::test {

// The shared counting allocator.
using kq::test::Counting;
using kq::test::CountingAllocate;
using kq::test::CountingFree;
inline const AS_allocateDescriptor_t kCounting = {CountingAllocate, CountingFree};

// A test value: a payload, allocated through the descriptor a set gives.
struct TestValue {
  uint32_t magic;
  int payload;
};
inline constexpr uint32_t kValueMagic = 0x76616c31;
// Payloads that make the copy or the delete function fail.
inline constexpr int kCopyFails = -1000;
inline constexpr int kDeleteFails = -2000;
// Status codes the test functions add when they fail.
inline constexpr uint32_t kCopyFailCode = 0xc0ff0001;
inline constexpr uint32_t kDeleteFailCode = 0xc0ff0002;

uint32_t CopyTestValue(STF_statusList_t *sl, void **out, const void *value,
                       const AS_allocateDescriptor_t *alloc);
uint32_t DeleteTestValue(STF_statusList_t *sl, void *value, const AS_allocateDescriptor_t *alloc);
inline const AS_valueDescriptor_t kDesc = {CopyTestValue, DeleteTestValue};

// How many test values exist right now, and how many deletes were refused.
int LiveValues();
// A new value owned by the caller (counting allocator).
TestValue *NewValue(int payload);
// The caller gets rid of a value it still owns.
void FreeValue(TestValue *v);
inline int PayloadOf(const void *v) { return static_cast<const TestValue *>(v)->payload; }

// Everything observable about a set, for comparing before and after.
struct AttrImage {
  uint32_t id, type;
  int32_t modifyOp;
  std::string characteristics;
  std::vector<int> payloads;
  std::vector<const void *> valuePointers;
  uint32_t attrUsers;
  bool operator==(const AttrImage &) const = default;
};
struct SetImage {
  uint32_t duplicates;
  std::vector<AttrImage> attrs;
  uint32_t setUsers;
  bool operator==(const SetImage &) const = default;
};
SetImage Image(AS_setHandle_t set);

// Test fixture: a fresh status list and allocator, and at the end a check that
// nothing leaked and nothing was freed twice. Sets made by NewSet and handles
// found by Attr are given back at the end unless the test gave them back itself.
class AsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A set using the counting allocator.
  AS_setHandle_t NewSet(uint32_t duplicates = 0);
  // Adds attribute `id` (value type `id % 7`) with values of the given payloads.
  void Add(AS_setHandle_t set, uint32_t id, std::vector<int> payloads);
  void Destroy(AS_setHandle_t &set);
  // A handle of the set's attribute `id`, found by ID; freed at the end of the test.
  AS_attrHandle_t Attr(AS_setHandle_t set, uint32_t id) {
    AS_attrHandle_t attr = AS_nullAttrHandle;
    EXPECT_EQ(AS_FindAttr(sl, set, id, &attr), 0u);
    attrs_.push_back(attr);
    return attr;
  }
  // A handle variable for an operation to fill; freed at the end of the test.
  AS_attrHandle_t &HeldAttr() { return attrs_.emplace_back(AS_nullAttrHandle); }
  // "id[payload,...] ..." of a set's attributes in order, read through the walking
  // operations (which must end with their no-next codes).
  std::string Text(AS_setHandle_t set);

  kq::test::StatusList sl;
  std::vector<AS_setHandle_t> sets_;
  std::deque<AS_attrHandle_t> attrs_;  // references stay valid as it grows
};

inline uint32_t TypeOf(uint32_t id) { return id % 7; }

// What `call` writes into its output `out` of `type`; the call must succeed.
#define OUT(type, call)                             \
  ([&] {                                            \
    type out{};                                     \
    EXPECT_EQ((call), 0u) << std::hex << sl.Code(); \
    return out;                                     \
  }())

// The call fails and leaves exactly these codes in `sl`, index 1 first.
#define EXPECT_FAILS(call, ...)                                  \
  do {                                                           \
    EXPECT_EQ((call), 1u);                                       \
    EXPECT_EQ(sl.Codes(), (std::vector<uint32_t>{__VA_ARGS__})); \
  } while (0)

// The call refuses an invalid handle as the argument whose code is `arg`.
#define EXPECT_INVALID(call, arg) EXPECT_FAILS(call, arg, AS_ST_INVALID_HANDLE)

}  // namespace kq::as::test

#endif
