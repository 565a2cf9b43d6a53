// Sets and handles: creation, the allocator, destruction, clearing, stale and damaged
// handles, failing deletes, count limits, and which argument a failure names.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

using AsSetTest = AsWorldTest;

TEST_F(AsSetTest, CreateNormalisesTheDuplicateFlagAndEverythingGoesThroughTheAllocator) {
  AS_setHandle_t set = AS_nullSetHandle;
  AS_allocateDescriptor_t noAllocate = {nullptr, CountingFree};
  EXPECT_EQ(AS_Create(sl, &set, &noAllocate, 0), 1u);
  EXPECT_EQ(set, AS_nullSetHandle);
  EXPECT_EQ(Counting().attempts, 0u);
  set = NewSet(5);
  EXPECT_EQ(Image(set).duplicates, 1u);
  EXPECT_EQ(OUT(uint32_t, AS_IsEmpty(sl, set, &(out = 99))), 1u);
  Add(set, 1, {1, 2});
  EXPECT_EQ(OUT(uint32_t, AS_IsEmpty(sl, set, &(out = 99))), 0u);
  EXPECT_EQ(OUT(uint32_t, AS_GetCount(sl, set, &out)), 1u);
  // Set handle, set, attribute handle, attribute, and two values with handles.
  EXPECT_EQ(Counting().live.size(), 2u + 2u + 2u * 3u);
  AS_allocateDescriptor_t got = OUT(AS_allocateDescriptor_t, AS_GetAllocator(sl, set, &out));
  EXPECT_TRUE(got.allocate == &CountingAllocate && got.deallocate == &CountingFree);
  // Without a descriptor a set uses the default allocator.
  AS_setHandle_t copy;
  ASSERT_EQ(AS_Copy(sl, &copy, set, nullptr), 0u);
  got = OUT(AS_allocateDescriptor_t, AS_GetAllocator(sl, copy, &out));
  EXPECT_TRUE(got.allocate == AS__defaultAllocator.allocate &&
              got.deallocate == AS__defaultAllocator.deallocate);
  Destroy(copy);
}

// One row per way an argument is refused; the sets stay as they were.
TEST_F(AsSetTest, ArgumentChecksNameTheArgument) {
  static const AS_allocateDescriptor_t kHalfAlloc = {CountingAllocate, nullptr};
  static const AS_valueDescriptor_t kHalfDesc = {CopyTestValue, nullptr};
  static const AS_valueList_t kNoArray = {3, nullptr};
  static const AS_attrIdList_t kNoIds = {2, nullptr};
  const Case cases[] = {
      {0, true, OP(AS_GetCount(sl, w.a, nullptr)), nullptr, AS_ST_BAD_ARG2},
      {0, true, OP(AS_GetAttrValTypeR(sl, w.a1, nullptr)), nullptr, AS_ST_BAD_ARG2},
      {0, true, OP(AS_Destroy(sl, nullptr)), nullptr, AS_ST_BAD_ARG1},
      {0, true, OP(AS_GetCount(nullptr, w.a, &w.length))},
      {0, true, OP(AS_GetCount(sl, AS_nullSetHandle, &w.length)), nullptr, AS_ST_BAD_ARG1,
       AS_ST_INVALID_HANDLE},
      {0, true, OP(AS_GetCount(sl, reinterpret_cast<AS_setHandle_t>(w.a1), &w.length)), nullptr,
       AS_ST_BAD_ARG1, AS_ST_INVALID_HANDLE},
      {0, true, OP(AS_Create(sl, &w.result, &kHalfAlloc, 0)), nullptr, AS_ST_BAD_ARG2},
      {0, true, OP(AS_Copy(sl, &w.result, AS_nullSetHandle, &kHalfAlloc)), nullptr, AS_ST_BAD_ARG3},
      {0, true, OP(AS_Append(sl, &w.result, w.a, AS_nullSetHandle, &kHalfAlloc, 0)), nullptr,
       AS_ST_BAD_ARG3, AS_ST_INVALID_HANDLE},
      {0, true, OP(AS_Append(sl, &w.result, w.a, w.a, &kHalfAlloc, 1)), nullptr, AS_ST_BAD_ARG4},
      {1, true, OP(AS_AddAttrVal(sl, AS_nullSetHandle, 1, 1, w.mine[0], &kHalfDesc, nullptr)),
       nullptr, AS_ST_BAD_ARG5},
      {0, true, OP(AS_AddAttrValList(sl, w.a, 1, 1, &w.mineList, &kHalfDesc, nullptr)), nullptr,
       AS_ST_BAD_ARG5},
      {0, true, OP(AS_AddAttrValListR(sl, w.a1, 1, &kNoArray, &kDesc)), nullptr, AS_ST_BAD_ARG3},
      {0, true, OP(AS_Subset(sl, &w.result, w.a, &kNoIds, nullptr)), nullptr, AS_ST_BAD_ARG3},
      {0, true, OP(AS_SetAttrModifyOp(sl, AS_nullSetHandle, 1, 4)), nullptr, AS_ST_BAD_ARG3},
      {0, true, OP(AS_SetAttrCharacteristics(sl, w.a, 1, nullptr, 0)), nullptr, AS_ST_BAD_ARG3},
  };
  for (const Case &c : cases) Check(c);
}

TEST_F(AsSetTest, ADestroyedSetLeavesOnlyItsHandleUntilTheLastHolderFreesIt) {
  AS_setHandle_t set = NewSet(), second;
  Add(set, 1, {1});
  ASSERT_EQ(AS_CopySetHandle(sl, set, &second), 0u);
  Destroy(set);
  EXPECT_EQ(Counting().live.size(), 1u);
  EXPECT_FAILS(AS_Clear(sl, second), AS_ST_STALE_HANDLE);
  EXPECT_EQ(AS_FreeSetHandle(sl, &second), 0u);
  EXPECT_EQ(sl.Code(), AS_ST_STALE_HANDLE);
  EXPECT_TRUE(Counting().live.empty());
  // A live set whose handle nobody holds any more lives on until destroyed through
  // another reference.
  set = NewSet();
  Add(set, 1, {1});
  AS_attrHandle_t attr = Attr(set, 1);
  ASSERT_EQ(AS_FreeSetHandle(sl, &set), 0u);
  AS_setHandle_t again = OUT(AS_setHandle_t, AS_GetAttrSetR(sl, attr, &out));
  Destroy(again);
}

TEST_F(AsSetTest, FreedAndDamagedHandlesAreRefused) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  AS_attrHandle_t attr, kept;
  uint32_t count;
  ASSERT_EQ(AS_FindAttr(sl, set, 1, &attr), 0u);
  EXPECT_EQ(AS_FreeAttrHandle(sl, &(kept = attr)), 0u);
  EXPECT_FAILS(AS_GetAttrIDR(sl, attr, &count), AS_ST_BAD_ARG1, AS_ST_INVALID_HANDLE);
  // A handle with half its object reference is invalid; an object whose magic no
  // longer matches what the handle remembers is gone; a bad field is a bad object.
  Handle *h = HandleOf(set);
  h->objectMagic = 0;
  EXPECT_FAILS(AS_GetCount(sl, set, &count), AS_ST_BAD_ARG1, AS_ST_INVALID_HANDLE);
  h->objectMagic = kSetMagic;
  SetOf(set)->magic = kAttrMagic;
  EXPECT_FAILS(AS_GetCount(sl, set, &count), AS_ST_STALE_HANDLE);
  SetOf(set)->magic = kSetMagic;
  SetOf(set)->duplicates = 2;
  EXPECT_FAILS(AS_GetCount(sl, set, &count), AS_ST_BAD_OBJECT);
  SetOf(set)->duplicates = 0;
  sets_.clear();
  EXPECT_EQ(AS_Destroy(nullptr, &set), 0u) << "no status list needed to delete everything";
  EXPECT_EQ(set, AS_nullSetHandle);
}

// Operations on two sets name the one that failed.
TEST_F(AsSetTest, TwoSetOperationsNameTheArgumentThatFailed) {
  AS_setHandle_t a = NewSet(), b = NewSet(), gone = NewSet(), stale, out = AS_nullSetHandle;
  Add(a, 1, {1});
  ASSERT_EQ(AS_CopySetHandle(sl, gone, &stale), 0u);
  Destroy(gone);
  EXPECT_FAILS(AS_Append(sl, &out, stale, a, nullptr, 0), AS_ST_STALE_FIRST, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_Overlay(sl, &out, a, stale, nullptr), AS_ST_STALE_SECOND, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_CopyAttr(sl, stale, a, 1, nullptr), AS_ST_STALE_FIRST, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_CopyAttr(sl, b, stale, 1, nullptr), AS_ST_STALE_SECOND, AS_ST_STALE_HANDLE);
  SetOf(b)->duplicates = 9;
  EXPECT_FAILS(AS_Overlay(sl, &out, b, a, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
  EXPECT_FAILS(AS_CopyAttr(sl, b, a, 1, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
  SetOf(b)->duplicates = 0;
  SetOf(a)->first->modifyOp = 4;
  EXPECT_EQ(AS_CopyAttr(sl, b, a, 1, nullptr), 0u) << "only the source set is checked";
  EXPECT_FAILS(AS_CopyAttrR(sl, b, Attr(a, 1), nullptr), AS_ST_BAD_SECOND, AS_ST_BAD_OBJECT);
  SetOf(a)->first->modifyOp = 0;
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(AS_FreeSetHandle(sl, &stale), 0u);
}

// A delete that fails stops the operation: what was deleted is gone, the rest stays,
// and the caller keeps its handles and the values it passed in.
TEST_F(AsSetTest, AFailingDeleteStopsTheOperationLeavingTheRestConsistent) {
  struct Held {
    AS_setHandle_t set;
    AS_attrHandle_t attr;    // of attribute 2
    AS_attrValHandle_t val;  // of its failing value
    TestValue *mine;
  };
  const std::pair<const char *, std::function<uint32_t(Held &)>> rows[] = {
      {"2[-2000,4,] 3[5,]", [&](Held &h) { return AS_Clear(sl, h.set); }},
      {"2[-2000,4,] 3[5,]", [&](Held &h) { return AS_Destroy(sl, &h.set); }},
      {"1[1,2,] 2[-2000,4,] 3[5,]", [&](Held &h) { return AS_DeleteAttrR(sl, &h.attr); }},
      {"1[1,2,] 2[-2000,4,] 3[5,]",
       [&](Held &h) { return AS_ReplaceAllAttrVals(sl, h.set, 2, 2, h.mine, &kDesc, nullptr); }},
      {"1[1,2,] 2[3,-2000,4,] 3[5,]", [&](Held &h) { return AS_DeleteAttrValVR(sl, &h.val); }},
      {"1[1,2,] 2[3,-2000,4,] 3[5,]",
       [&](Held &h) { return AS_ReplaceAttrValVR(sl, h.val, 2, h.mine, &kDesc); }},
  };
  for (const auto &[after, op] : rows) {
    SCOPED_TRACE(after);
    Held h{NewSet(), AS_nullAttrHandle, AS_nullAttrValHandle, NewValue(9)};
    Add(h.set, 1, {1, 2});
    Add(h.set, 2, {3, kDeleteFails, 4});
    Add(h.set, 3, {5});
    h.attr = Attr(h.set, 2);
    ASSERT_EQ(AS_FindFirstAttrValR(sl, h.attr, &h.val, nullptr) +
                  AS_FindNextAttrValVR(sl, &h.val, nullptr),
              0u);
    EXPECT_FAILS(op(h), AS_ST_DELETE_FAILED, kDeleteFailCode);
    EXPECT_TRUE(h.set != AS_nullSetHandle && h.attr != AS_nullAttrHandle && h.val != nullptr);
    EXPECT_EQ(Text(h.set), after);
    FreeValue(h.mine);
    ValueOf(OUT(void *, AS_GetAttrValVR(sl, h.val, &out)))->payload = 0;
    EXPECT_EQ(AS_FreeAttrValHandle(sl, &h.val), 0u);
  }
}

TEST_F(AsSetTest, CountsAtTheirLimitRefuseMore) {
  AS_setHandle_t set = NewSet(), copy;
  Add(set, 1, {1});
  Set *s = SetOf(set);
  AS_attrHandle_t attr;
  TestValue *v = NewValue(9);
  void *three[] = {v, v, v};
  AS_valueList_t list = {3, three};
  s->handle->userCount = kMaxCount;
  EXPECT_FAILS(AS_CopySetHandle(sl, set, &copy), AS_ST_HANDLE_FULL);
  s->handle->userCount = 1;
  s->attrCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttr(sl, set, 2, 2, &attr), AS_ST_SET_FULL);
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 2, 2, v, &kDesc, nullptr), AS_ST_SET_FULL);
  s->attrCount = 1;
  s->first->valCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 1, 1, v, &kDesc, nullptr), AS_ST_ATTR_FULL);
  s->first->valCount = kMaxCount - 2;
  EXPECT_FAILS(AS_AddAttrValList(sl, set, 1, 1, &list, &kDesc, nullptr), AS_ST_ATTR_FULL);
  s->first->valCount = 1;
  EXPECT_EQ(Text(set), "1[1,]");
  FreeValue(v);
}

}  // namespace
}  // namespace kq::as::test
