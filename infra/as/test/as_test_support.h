// Test support for attribute sets: test value records with copy and delete functions
// of their own, a snapshot of a set's whole content, and a world of two sets that
// table rows run operations on.
#ifndef KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H
#define KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "infra/as.h"
#include "infra/stf.h"
#include "kqtest.h"
#include "private/as_internal.h"

namespace kq::as::test {

using kq::test::Counting;
using kq::test::CountingAllocate;
using kq::test::CountingFree;
inline const AS_allocateDescriptor_t kCounting = {CountingAllocate, CountingFree};

// A test value: a payload, allocated through the descriptor a set gives. Payloads
// kCopyFails and kDeleteFails make the copy or the delete function fail with
// kCopyFailCode or kDeleteFailCode.
struct TestValue {
  uint32_t magic;
  int payload;
};
inline constexpr uint32_t kValueMagic = 0x76616c31;
inline constexpr int kCopyFails = -1000, kDeleteFails = -2000;
inline constexpr uint32_t kCopyFailCode = 0xc0ff0001, kDeleteFailCode = 0xc0ff0002;

uint32_t CopyTestValue(STF_statusList_t *sl, void **out, const void *value,
                       const AS_allocateDescriptor_t *alloc);
uint32_t DeleteTestValue(STF_statusList_t *sl, void *value, const AS_allocateDescriptor_t *alloc);
inline const AS_valueDescriptor_t kDesc = {CopyTestValue, DeleteTestValue};

int LiveValues();                  // how many test values exist right now
TestValue *NewValue(int payload);  // owned by the caller (counting allocator)
void FreeValue(TestValue *v);
inline int PayloadOf(const void *v) { return static_cast<const TestValue *>(v)->payload; }
inline TestValue *ValueOf(void *v) { return static_cast<TestValue *>(v); }
inline uint32_t TypeOf(uint32_t id) { return id % 7; }

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
inline Set *SetOf(AS_setHandle_t set) { return static_cast<Set *>(HandleOf(set)->objectRef); }

// A fresh status list and allocator, and at the end a check that nothing leaked and
// nothing was freed twice. Sets made by NewSet and handles found by Attr are given
// back at the end unless the test gave them back itself.
class AsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  AS_setHandle_t NewSet(uint32_t duplicates = 0);  // using the counting allocator
  // Adds attribute `id` (value type `TypeOf(id)`) with values of the given payloads.
  void Add(AS_setHandle_t set, uint32_t id, std::vector<int> payloads);
  void Destroy(AS_setHandle_t &set);
  AS_attrHandle_t Attr(AS_setHandle_t set, uint32_t id);
  // A handle variable for an operation to fill; freed at the end of the test.
  AS_attrHandle_t &HeldAttr() { return attrs_.emplace_back(AS_nullAttrHandle); }
  // "id[payload,...] ..." of a set's attributes in order, read through the walking
  // operations (which must end with their no-next codes).
  std::string Text(AS_setHandle_t set);

  kq::test::StatusList sl;
  std::vector<AS_setHandle_t> sets_;
  std::deque<AS_attrHandle_t> attrs_;  // references stay valid as it grows
};

// Two sets most rows start from: a = 1[1,2] 2[3] 3[] with characteristics "chars" on
// 2, b = 4[5] 1[6,7] (each ID's value type is the ID); handles of a's 1 and 2 and b's
// 1; values of the caller with payloads 100, 101, ... And what an operation hands out.
struct World {
  AS_setHandle_t a = AS_nullSetHandle, b = AS_nullSetHandle;
  AS_attrHandle_t a1 = AS_nullAttrHandle, a2 = AS_nullAttrHandle, b1 = AS_nullAttrHandle;
  std::vector<TestValue *> mine;
  std::vector<void *> mineArray;
  AS_valueList_t mineList = {0, nullptr};
  AS_setHandle_t result = AS_nullSetHandle;
  AS_attrHandle_t attrOut = AS_nullAttrHandle;
  void *buffer = nullptr, *value = nullptr;
  uint32_t length = 0;
  AS_valueList_t listOut = {0, nullptr};
};

// An operation on the world (named by its call's text): how many caller values it
// gets, whether success makes them the set's, and for a plain run either what it must
// leave ("Text(a)", then " / Text(b)" when b changed and " // Text(result)" when it
// made a set) or, with no `after`, the codes it must fail with.
struct Case {
  int values;
  bool consumesValues;
  const char *name;
  std::function<uint32_t(STF_statusList_t *, World &)> op;
  const char *after = nullptr;
  uint32_t code = 0, code2 = 0;
};
#define OP(call)                                    \
#call, []([[maybe_unused]] STF_statusList_t * sl, \
            [[maybe_unused]] World & w) { return uint32_t(call); }

class AsWorldTest : public AsTest {
 protected:
  void Build(World &w, int values);
  void TakeDown(World &w, bool callerKeepsValues);
  // Runs the case once: it succeeds when it has an `after`; a failure leaves exactly its
  // codes and both sets as they were.
  void Check(const Case &c);
};

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

}  // namespace kq::as::test

#endif
