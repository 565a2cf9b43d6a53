// Test support for attribute sets: test value records with copy and delete functions
// of their own, a snapshot of a set's whole content, and a world of two sets that
// table rows run operations on.
#ifndef KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H
#define KQ_INFRA_AS_TEST_AS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
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

inline int liveValues = 0;  // how many test values exist right now

inline uint32_t CopyTestValue(STF_statusList_t *sl, void **out, const void *value,
                              const AS_allocateDescriptor_t *alloc) {
  auto *src = static_cast<const TestValue *>(value);
  EXPECT_EQ(src->magic, kValueMagic);
  auto *copy = src->payload == kCopyFails
                   ? nullptr
                   : static_cast<TestValue *>(alloc->allocate(sizeof(TestValue)));
  if (copy == nullptr) {
    STF_AddStatus(sl, kCopyFailCode, 0);
    return 1;
  }
  *copy = *src;
  liveValues++;
  *out = copy;
  return 0;
}

inline uint32_t DeleteTestValue(STF_statusList_t *sl, void *value,
                                const AS_allocateDescriptor_t *alloc) {
  auto *v = static_cast<TestValue *>(value);
  EXPECT_EQ(v->magic, kValueMagic);
  if (v->payload == kDeleteFails) {
    STF_AddStatus(sl, kDeleteFailCode, 0);
    return 1;
  }
  v->magic = 0;
  liveValues--;
  alloc->deallocate(v);
  return 0;
}
inline const AS_valueDescriptor_t kDesc = {CopyTestValue, DeleteTestValue};

// A value owned by the caller (counting allocator).
inline TestValue *NewValue(int payload) {
  auto *v = static_cast<TestValue *>(CountingAllocate(sizeof(TestValue)));
  *v = {kValueMagic, payload};
  liveValues++;
  return v;
}

inline void FreeValue(TestValue *v) {
  EXPECT_EQ(v->magic, kValueMagic);
  v->magic = 0;
  liveValues--;
  CountingFree(v);
}
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
inline Set *SetOf(AS_setHandle_t set) { return static_cast<Set *>(HandleOf(set)->objectRef); }
inline SetImage Image(AS_setHandle_t set) {
  Set *s = SetOf(set);
  SetImage image{s->duplicates, {}, s->handle->userCount};
  for (Attr *a = s->first; a != nullptr; a = a->next) {
    AttrImage &ai = image.attrs.emplace_back(
        AttrImage{a->attrId, a->valueType, a->modifyOp, {}, {}, {}, a->handle->userCount});
    if (a->charData != nullptr)
      ai.characteristics.assign(reinterpret_cast<const char *>(a->charData), a->charLength);
    for (Val *v = a->first; v != nullptr; v = v->next) {
      ai.payloads.push_back(PayloadOf(v->value));
      ai.valuePointers.push_back(v->value);
    }
  }
  return image;
}

// A fresh status list and allocator, and at the end a check that nothing leaked and
// nothing was freed twice. Sets made by NewSet and handles found by Attr are given
// back at the end unless the test gave them back itself.
class AsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Counting().Reset();
    liveValues = 0;
  }
  void TearDown() override {
    for (AS_attrHandle_t &attr : attrs_)
      EXPECT_EQ(attr == AS_nullAttrHandle ? 0u : AS_FreeAttrHandle(sl, &attr), 0u);
    while (!sets_.empty()) {
      AS_setHandle_t set = sets_.back();
      Destroy(set);
    }
    EXPECT_EQ(Counting().badFrees, 0u) << "blocks freed twice or never allocated";
    EXPECT_EQ(Counting().live.size(), 0u) << "blocks leaked";
    EXPECT_EQ(liveValues, 0) << "test values leaked";
    for (void *p : Counting().live) std::free(p);
    Counting().live.clear();
  }
  // Using the counting allocator.
  AS_setHandle_t NewSet(uint32_t duplicates = 0) {
    AS_setHandle_t set = AS_nullSetHandle;
    EXPECT_EQ(AS_Create(sl, &set, &kCounting, duplicates), 0u);
    return sets_.emplace_back(set);
  }
  // Adds attribute `id` (value type `TypeOf(id)`) with values of the given payloads.
  void Add(AS_setHandle_t set, uint32_t id, std::vector<int> payloads) {
    AS_attrHandle_t attr;
    ASSERT_EQ(AS_AddAttr(sl, set, id, TypeOf(id), &attr), 0u) << std::hex << STF_GetStatus(sl);
    for (int p : payloads) ASSERT_EQ(AS_AddAttrValR(sl, attr, TypeOf(id), NewValue(p), &kDesc), 0u);
    ASSERT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
  }
  void Destroy(AS_setHandle_t &set) {
    std::erase(sets_, AS_setHandle_t(set));
    EXPECT_EQ(AS_Destroy(sl, &set), 0u);
  }
  AS_attrHandle_t Attr(AS_setHandle_t set, uint32_t id) {
    AS_attrHandle_t &attr = HeldAttr();
    EXPECT_EQ(AS_FindAttr(sl, set, id, &attr), 0u);
    return attr;
  }
  // A handle variable for an operation to fill; freed at the end of the test.
  AS_attrHandle_t &HeldAttr() { return attrs_.emplace_back(AS_nullAttrHandle); }
  // "id[payload,...] ..." of a set's attributes in order, read through the walking
  // operations (which must end with their no-next codes).
  std::string Text(AS_setHandle_t set) {
    std::string text;
    AS_attrHandle_t attr;
    uint32_t id;
    if (AS_FindFirstAttr(sl, set, &attr, &id) != 0) return text;
    do {
      text += (text.empty() ? "" : " ") + std::to_string(id) + "[";
      AS_attrValHandle_t val;
      void *value;
      if (AS_FindFirstAttrValR(sl, attr, &val, &value) == 0) {
        do text += std::to_string(PayloadOf(value)) + ",";
        while (AS_FindNextAttrValVR(sl, &val, &value) == 0);
        EXPECT_EQ(sl.Code(), AS_ST_NO_NEXT_VAL);
        EXPECT_EQ(AS_FreeAttrValHandle(sl, &val), 0u);
      }
      text += "]";
    } while (AS_FindNextAttrR(sl, &attr, &id) == 0);
    EXPECT_EQ(sl.Code(), AS_ST_NO_NEXT_ATTR);
    EXPECT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
    return text;
  }

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
  void Build(World &w, int values) {
    w = World();
    for (int i = 0; i < values; i++) w.mineArray.push_back(w.mine.emplace_back(NewValue(100 + i)));
    w.mineList = {uint32_t(values), w.mineArray.data()};
    w.a = NewSet();
    Add(w.a, 1, {1, 2});
    Add(w.a, 2, {3});
    Add(w.a, 3, {});
    ASSERT_EQ(AS_SetAttrCharacteristics(sl, w.a, 2, "chars", 5), 0u);
    w.b = NewSet();
    Add(w.b, 4, {5});
    Add(w.b, 1, {6, 7});
    ASSERT_EQ(AS_FindAttr(sl, w.a, 1, &w.a1) + AS_FindAttr(sl, w.a, 2, &w.a2) +
                  AS_FindAttr(sl, w.b, 1, &w.b1),
              0u);
  }
  void TakeDown(World &w, bool callerKeepsValues) {
    if (callerKeepsValues)
      for (TestValue *v : w.mine) FreeValue(v);
    for (AS_attrHandle_t *h : {&w.a1, &w.a2, &w.b1, &w.attrOut})
      EXPECT_EQ(*h == AS_nullAttrHandle ? 0u : AS_FreeAttrHandle(sl, h), 0u);
    for (AS_setHandle_t *s : {&w.a, &w.b, &w.result})
      if (*s != AS_nullSetHandle) Destroy(*s);
    CountingFree(w.buffer);
    CountingFree(w.listOut.values);
  }
  // Runs the case once: it succeeds when it has an `after`; a failure leaves exactly its
  // codes and both sets as they were.
  void Check(const Case &c) {
    SCOPED_TRACE(c.name);
    World w;
    Build(w, c.values);
    const SetImage a = Image(w.a), b = Image(w.b);
    sl.Clear();
    const uint32_t rc = c.op(sl, w);
    std::vector<uint32_t> codes;
    for (uint32_t code : {c.code, c.code2})
      if (code != 0) codes.push_back(code);
    EXPECT_EQ(sl.Codes(), codes);
    EXPECT_EQ(rc, c.after ? 0u : 1u);
    if (rc != 0) {
      EXPECT_EQ(Image(w.a), a);
      EXPECT_EQ(Image(w.b), b);
      EXPECT_EQ(w.result, AS_nullSetHandle);
    } else if (c.after != nullptr) {
      std::string text = Text(w.a);
      if (!(Image(w.b) == b)) text += " / " + Text(w.b);
      if (w.result != AS_nullSetHandle) text += " // " + Text(w.result);
      EXPECT_EQ(text, c.after);
    }
    TakeDown(w, rc != 0 || !c.consumesValues);
    EXPECT_TRUE(Counting().live.empty() && liveValues == 0) << "leaked";
  }
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
