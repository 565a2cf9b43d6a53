// Sets and handles (creation, the allocator, destruction, stale and damaged handles,
// failing deletes, count limits, which argument a failure names), attribute operations
// (copying, walking, presence, modify operator and characteristics), value operations
// (the handle, list and copying forms, walking) and the set operations intersect and
// subset. The model test covers the rest.
#include <cstdlib>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

using AsSetTest = AsWorldTest;
using AsAttrTest = AsWorldTest;
using AsValTest = AsWorldTest;
using AsCombineTest = AsWorldTest;

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
  // Set handle, set, attribute handle, attribute, and two values with handles.
  EXPECT_EQ(Counting().live.size(), 2u + 2u + 2u * 3u);
}

// One row per way an argument is refused; the sets stay as they were.
TEST_F(AsSetTest, ArgumentChecksNameTheArgument) {
  static const AS_allocateDescriptor_t kHalfAlloc = {CountingAllocate, nullptr};
  static const AS_valueDescriptor_t kHalfDesc = {CopyTestValue, nullptr};
  static const AS_valueList_t kNoArray = {3, nullptr};
  const Case cases[] = {
      {0, true, OP(AS_GetCount(sl, w.a, nullptr)), nullptr, AS_ST_BAD_ARG2},
      {0, true, OP(AS_Destroy(sl, nullptr)), nullptr, AS_ST_BAD_ARG1},
      {0, true, OP(AS_GetCount(nullptr, w.a, &w.length))},
      {0, true, OP(AS_GetCount(sl, AS_nullSetHandle, &w.length)), nullptr, AS_ST_BAD_ARG1,
       AS_ST_INVALID_HANDLE},
      {0, true, OP(AS_GetCount(sl, reinterpret_cast<AS_setHandle_t>(w.a1), &w.length)), nullptr,
       AS_ST_BAD_ARG1, AS_ST_INVALID_HANDLE},
      {0, true, OP(AS_Create(sl, &w.result, &kHalfAlloc, 0)), nullptr, AS_ST_BAD_ARG2},
      {0, true, OP(AS_Append(sl, &w.result, w.a, w.a, &kHalfAlloc, 1)), nullptr, AS_ST_BAD_ARG4},
      {1, true, OP(AS_AddAttrVal(sl, AS_nullSetHandle, 1, 1, w.mine[0], &kHalfDesc, nullptr)),
       nullptr, AS_ST_BAD_ARG5},
      {0, true, OP(AS_AddAttrValListR(sl, w.a1, 1, &kNoArray, &kDesc)), nullptr, AS_ST_BAD_ARG3},
      {0, true, OP(AS_SetAttrModifyOp(sl, AS_nullSetHandle, 1, 4)), nullptr, AS_ST_BAD_ARG3},
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
  SetOf(b)->duplicates = 9;
  EXPECT_FAILS(AS_Overlay(sl, &out, b, a, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
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
      {"1[1,2,] 2[-2000,4,] 3[5,]", [&](Held &h) { return AS_DeleteAttrR(sl, &h.attr); }},
      {"1[1,2,] 2[-2000,4,] 3[5,]",
       [&](Held &h) { return AS_ReplaceAllAttrVals(sl, h.set, 2, 2, h.mine, &kDesc, nullptr); }},
      {"1[1,2,] 2[3,-2000,4,] 3[5,]", [&](Held &h) { return AS_DeleteAttrValVR(sl, &h.val); }},
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
  s->handle->userCount = kMaxCount;
  EXPECT_FAILS(AS_CopySetHandle(sl, set, &copy), AS_ST_HANDLE_FULL);
  s->handle->userCount = 1;
  s->attrCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttr(sl, set, 2, 2, &attr), AS_ST_SET_FULL);
  s->attrCount = 1;
  s->first->valCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 1, 1, v, &kDesc, nullptr), AS_ST_ATTR_FULL);
  s->first->valCount = 1;
  EXPECT_EQ(Text(set), "1[1,]");
  FreeValue(v);
}

TEST_F(AsAttrTest, CopyingAttributes) {
  const Case cases[] = {
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 2, nullptr)),
       "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,] 2[3,]"},
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 1, nullptr)), nullptr, AS_ST_DUPLICATE_ATTR},
      {0, true, OP(AS_CopyAttrR(sl, w.b, w.a1, nullptr)), nullptr, AS_ST_DUPLICATE_ATTR},
      {0, true, OP((AS_AllowDuplicates(sl, w.b), AS_CopyAttrR(sl, w.b, w.b1, nullptr))),
       "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,] 1[6,7,]"},
  };
  for (const Case &c : cases) Check(c);
}

TEST_F(AsAttrTest, WalkingMovesTheCallersReferenceAndStopsAtTheEnds) {
  AS_setHandle_t set = NewSet(1);
  AS_attrHandle_t attr, last;
  uint32_t id = 0;
  EXPECT_FAILS(AS_FindFirstAttr(sl, set, &attr, &id), AS_ST_ATTR_NOT_FOUND);
  for (uint32_t i : {10u, 20u, 30u, 10u}) Add(set, i, {});
  ASSERT_EQ(AS_FindFirstAttr(sl, set, &attr, nullptr) + AS_FindNextAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 20u);
  ASSERT_EQ(AS_FindNextAttrR(sl, &attr, &id) + AS_FindNextAttrR(sl, &attr, &id), 0u);
  EXPECT_FAILS(AS_FindNextAttrR(sl, &(last = attr), &id), AS_ST_NO_NEXT_ATTR);
  EXPECT_EQ(attr, last);
  for (int i = 0; i < 3; i++) ASSERT_EQ(AS_FindPrevAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 10u);
  EXPECT_FAILS(AS_FindPrevAttrR(sl, &attr, &id), AS_ST_NO_NEXT_ATTR);
  // The attribute knows its set; presence counts any occurrence of an ID.
  AS_setHandle_t owner = OUT(AS_setHandle_t, AS_GetAttrSetR(sl, attr, &out));
  EXPECT_EQ(owner, set);
  EXPECT_EQ(Image(set).setUsers, 2u);
  EXPECT_EQ(AS_FreeSetHandle(sl, &owner) + AS_FreeAttrHandle(sl, &attr), 0u);
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 10, &(out = 9))), 1u);
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 5, &(out = 9))), 0u);
}

TEST_F(AsAttrTest, CharacteristicsAndTheModifyOperatorAreKeptAndCopied) {
  AS_setHandle_t set = NewSet(), dst = NewSet();
  Add(set, 1, {1, 2});
  void *data = reinterpret_cast<void *>(1);
  uint32_t length = 9;
  const uint64_t before = Counting().attempts;
  EXPECT_EQ(AS_GetAttrCharacteristics(sl, set, 1, &data, &length, CountingAllocate), 0u);
  EXPECT_TRUE(data == nullptr && length == 0 && Counting().attempts == before);
  char bytes[] = "abcd";
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, set, 1, bytes, 4), 0u);
  bytes[0] = 'z';  // the set keeps its own copy
  AS_attrHandle_t attr = Attr(set, 1);
  ASSERT_EQ(AS_GetAttrCharacteristicsR(sl, attr, &data, &length, nullptr), 0u);
  EXPECT_EQ(std::string(static_cast<char *>(data), length), "abcd");
  free(data);  // the default allocator is malloc
  EXPECT_FAILS(AS_SetAttrModifyOpR(sl, attr, 4), AS_ST_BAD_ARG2);
  ASSERT_EQ(AS_SetAttrModifyOpR(sl, attr, AS_MODIFY_SET_DEFAULT), 0u);
  EXPECT_EQ(OUT(int32_t, AS_GetAttrModifyOp(sl, set, 1, &out)), AS_MODIFY_SET_DEFAULT);
  // A copy carries values (copied), characteristics and operator.
  ASSERT_EQ(AS_CopyAttr(sl, dst, set, 1, nullptr), 0u);
  SetImage s = Image(set), d = Image(dst);
  EXPECT_NE(d.attrs[0].valuePointers, s.attrs[0].valuePointers);
  s.attrs[0].valuePointers = d.attrs[0].valuePointers;
  s.attrs[0].attrUsers = 0;  // this test holds a handle of the original
  EXPECT_EQ(d.attrs, s.attrs);
  ASSERT_EQ(AS_SetAttrCharacteristicsR(sl, attr, "x", 0), 0u);
  EXPECT_EQ(Image(set).attrs[0].characteristics, "");
}

// Adding and replacing by ID with one value are the model test's; here the handle,
// list and copying forms. A copying form that kept the caller's value instead of a
// copy is caught when the caller frees it afterwards, a copy it lost by the leak check.
TEST_F(AsValTest, AddingReplacingAndCopyingValues) {
  const Case cases[] = {
      {1, true, OP(AS_AddAttrValR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[1,2,100,] 2[3,] 3[]"},
      {1, true, OP(AS_AddAttrValR(sl, w.a1, 6, w.mine[0], &kDesc)), nullptr, AS_ST_TYPE_MISMATCH},
      {3, true, OP(AS_AddAttrValList(sl, w.a, 1, 1, &w.mineList, &kDesc, nullptr)),
       "1[1,2,100,101,102,] 2[3,] 3[]"},
      {2, true, OP(AS_AddAttrValListR(sl, w.a2, 2, &w.mineList, &kDesc)),
       "1[1,2,] 2[3,100,101,] 3[]"},
      {2, true, OP(AS_ReplaceAllAttrValsWithList(sl, w.a, 1, 1, &w.mineList, &kDesc, nullptr)),
       "1[100,101,] 2[3,] 3[]"},
      {0, true, OP(AS_ReplaceAllAttrValsWithListR(sl, w.a1, 1, &w.mineList, &kDesc)),
       "1[] 2[3,] 3[]"},
      {1, true, OP(AS_ReplaceAllAttrValsR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[100,] 2[3,] 3[]"},
      {1, false, OP(AS_AddAttrValM(sl, w.a, 1, 1, w.mine[0], &kDesc, nullptr)),
       "1[1,2,100,] 2[3,] 3[]"},
      {1, false, OP(AS_ReplaceAllAttrValsMR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[100,] 2[3,] 3[]"},
      {1, false,
       OP((w.mine[0]->payload = kCopyFails,
           AS_AddAttrValM(sl, w.a, 1, 1, w.mine[0], &kDesc, nullptr))),
       nullptr, kCopyFailCode},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 1)), "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,1,2,]"},
      {0, true, OP(AS_CopyAttrValsR(sl, w.a1, w.a1)), "1[1,2,1,2,] 2[3,] 3[]"},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 2)), nullptr, AS_ST_TYPE_MISMATCH},
      {0, true, OP(AS_DeleteAllAttrVals(sl, w.a, 1)), "1[] 2[3,] 3[]"},
      {0, true, OP(AS_GetAttrVal(sl, w.a, 3, &w.value)), nullptr, AS_ST_NO_VALUES},
  };
  for (const Case &c : cases) Check(c);
}

TEST_F(AsValTest, WalkingValuesBothWaysAndReplacingOneKeepsItsHandle) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2, 3});
  AS_attrValHandle_t v, last;
  void *value;
  ASSERT_EQ(AS_FindFirstAttrValR(sl, Attr(set, 1), &v, nullptr), 0u);
  ASSERT_EQ(AS_FindNextAttrValVR(sl, &v, nullptr) + AS_FindNextAttrValVR(sl, &v, &value), 0u);
  EXPECT_EQ(PayloadOf(value), 3);
  EXPECT_FAILS(AS_FindNextAttrValVR(sl, &(last = v), &value), AS_ST_NO_NEXT_VAL);
  EXPECT_EQ(v, last);
  ASSERT_EQ(AS_FindPrevAttrValVR(sl, &v, &value), 0u);
  EXPECT_EQ(PayloadOf(value), 2);
  ASSERT_EQ(AS_FindPrevAttrValVR(sl, &v, &value), 0u);
  EXPECT_FAILS(AS_FindPrevAttrValVR(sl, &v, &value), AS_ST_NO_NEXT_VAL);
  TestValue *fresh = NewValue(9);
  EXPECT_FAILS(AS_ReplaceAttrValVR(sl, v, 2, fresh, &kDesc), AS_ST_TYPE_MISMATCH);
  ASSERT_EQ(AS_ReplaceAttrValVR(sl, v, 1, fresh, &kDesc), 0u);
  EXPECT_EQ(OUT(void *, AS_GetAttrValVR(sl, v, &out)), fresh);
  EXPECT_EQ(Text(set), "1[9,2,3,]");
  EXPECT_EQ(AS_FreeAttrValHandle(sl, &v), 0u);
}

const uint32_t kCaaz[] = {3, 1, 1, 26}, kCbc[] = {3, 2, 3};
const AS_attrIdList_t kCaazIds = {4, kCaaz}, kCbcIds = {3, kCbc}, kNoIds = {0, nullptr};

// Intersect takes the first attribute of each listed ID, in the set's order; subset
// wants every listed ID present. Copy, append and overlay are the model test's.
TEST_F(AsCombineTest, ResultsInOrder) {
  const Case cases[] = {
      {0, true,
       OP((AS_AllowDuplicates(sl, w.a), AS_AddAttr(sl, w.a, 1, 1, nullptr),
           AS_Intersect(sl, &w.result, w.a, &kCaazIds, nullptr))),
       "1[1,2,] 2[3,] 3[] 1[] // 1[1,2,] 3[]"},
      {0, true, OP(AS_Subset(sl, &w.result, w.a, &kCaazIds, nullptr)), nullptr,
       AS_ST_ATTR_NOT_FOUND},
      {0, true, OP(AS_Subset(sl, &w.result, w.a, &kCbcIds, nullptr)),
       "1[1,2,] 2[3,] 3[] // 2[3,] 3[]"},
      {0, true, OP(AS_Intersect(sl, &w.result, w.a, &kNoIds, nullptr)), "1[1,2,] 2[3,] 3[] // "},
      {0, true, OP(AS_Subset(sl, &w.result, w.a, &kNoIds, nullptr)), "1[1,2,] 2[3,] 3[] // "},
  };
  for (const Case &c : cases) Check(c);
}

TEST_F(AsCombineTest, IdsCompareUnsigned) {
  AS_setHandle_t set = NewSet(), out;
  for (uint32_t id : {0x80000000u, 5u, 0xffffffffu, 0u}) Add(set, id, {});
  const uint32_t ids[] = {0xffffffffu, 0u, 0x80000000u, 5u, 0xffffffffu};
  AS_attrIdList_t list = {5, ids};
  ASSERT_EQ(AS_Subset(sl, &out, set, &list, nullptr), 0u);
  EXPECT_EQ(Text(out), "2147483648[] 5[] 4294967295[] 0[]");
  Destroy(out);
}

}  // namespace
}  // namespace kq::as::test
