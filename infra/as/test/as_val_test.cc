// Value operations: adding (single, copied, list), replacing, copying between
// attributes, deleting, finding, walking and reading values.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

using Ints = std::vector<int>;

class AsValTest : public AsTest {};

// Adding by ID is the model test's; the handle form checks the type the same way.
TEST_F(AsValTest, AddingThroughAnAttributeHandleChecksTheType) {
  AS_setHandle_t set = NewSet();
  AS_attrHandle_t &attr = HeldAttr();
  ASSERT_EQ(AS_AddAttrVal(sl, set, 3, 40, NewValue(1), &kDesc, &attr), 0u);
  TestValue *other = NewValue(3);
  EXPECT_FAILS(AS_AddAttrValR(sl, attr, 41, other, &kDesc), AS_ST_TYPE_MISMATCH);
  EXPECT_EQ(other->magic, kValueMagic);  // still the caller's
  ASSERT_EQ(AS_AddAttrValR(sl, attr, 40, other, &kDesc), 0u);
  EXPECT_EQ(Text(set), "3[1,3,]");
  EXPECT_EQ(OUT(uint32_t, AS_GetAttrValType(sl, set, 3, &out)), 40u);
  EXPECT_FAILS(AS_GetAttrValType(sl, set, 3, nullptr), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_GetAttrValTypeR(sl, attr, nullptr), AS_ST_BAD_ARG2);
}

TEST_F(AsValTest, DescriptorsAndListsAreCheckedFirst) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  AS_attrHandle_t attr = Attr(set, 1);
  AS_valueDescriptor_t half = {CopyTestValue, nullptr};
  TestValue *v = NewValue(1);
  EXPECT_FAILS(AS_AddAttrVal(sl, AS_nullSetHandle, 1, 1, v, &half, nullptr), AS_ST_BAD_ARG5);
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 1, 1, v, nullptr, nullptr), AS_ST_BAD_ARG5);
  EXPECT_FAILS(AS_AddAttrValR(sl, attr, 1, v, &half), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_ReplaceAllAttrVals(sl, set, 1, 1, v, &half, nullptr), AS_ST_BAD_ARG5);
  EXPECT_FAILS(AS_ReplaceAllAttrValsR(sl, attr, 1, v, &half), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_ReplaceAttrValVR(sl, AS_nullAttrValHandle, 1, v, &half), AS_ST_BAD_ARG4);

  AS_valueList_t noArray = {3, nullptr}, empty = {0, nullptr};
  EXPECT_FAILS(AS_AddAttrValList(sl, set, 1, 1, nullptr, &kDesc, nullptr), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_AddAttrValList(sl, set, 1, 1, &noArray, &kDesc, nullptr), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_AddAttrValListR(sl, attr, 1, &noArray, &kDesc), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_ReplaceAllAttrValsWithList(sl, set, 1, 1, &noArray, &kDesc, nullptr),
               AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_ReplaceAllAttrValsWithListR(sl, attr, 1, &noArray, &half), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_AddAttrValList(sl, set, 1, 1, &empty, &half, nullptr), AS_ST_BAD_ARG5);
  EXPECT_FAILS(AS_AddAttrValListR(sl, attr, 1, &empty, &half), AS_ST_BAD_ARG4);
  FreeValue(v);
}

TEST_F(AsValTest, ListsAreAddedInOrderAndAnEmptyListStillMakesTheAttribute) {
  AS_setHandle_t set = NewSet();
  AS_valueList_t empty = {0, nullptr}, got;
  AS_attrHandle_t &attr = HeldAttr();
  ASSERT_EQ(AS_AddAttrValList(sl, set, 8, 1, &empty, &kDesc, &attr), 0u);
  EXPECT_EQ(Text(set), "8[]");
  void *three[] = {NewValue(1), NewValue(2), NewValue(3)}, *two[] = {NewValue(4), NewValue(5)};
  AS_valueList_t list = {3, three}, more = {2, two};
  ASSERT_EQ(AS_AddAttrValList(sl, set, 8, 1, &list, &kDesc, nullptr), 0u);
  ASSERT_EQ(AS_AddAttrValListR(sl, attr, 1, &more, &kDesc), 0u);
  ASSERT_EQ(AS_GetAttrValList(sl, set, 8, &got, CountingAllocate), 0u);
  EXPECT_EQ(std::vector<void *>(got.values, got.values + got.count),
            (std::vector<void *>{three[0], three[1], three[2], two[0], two[1]}));
  CountingFree(got.values);
  EXPECT_FAILS(AS_GetAttrValList(sl, set, 8, nullptr, nullptr), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_GetAttrValListR(sl, attr, nullptr, nullptr), AS_ST_BAD_ARG2);

  // Replacing with an empty list empties the attribute.
  ASSERT_EQ(AS_ReplaceAllAttrValsWithListR(sl, attr, 1, &empty, &kDesc), 0u);
  ASSERT_EQ(AS_GetAttrValListR(sl, attr, &got, CountingAllocate), 0u);
  EXPECT_EQ(got.count, 0u);
  EXPECT_EQ(got.values, nullptr);
  EXPECT_EQ(OUT(uint32_t, AS_GetAttrValCount(sl, set, 8, &out)), 0u);
  EXPECT_FAILS(AS_GetAttrValCountR(sl, attr, nullptr), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_GetAttrValCount(sl, set, 8, nullptr), AS_ST_BAD_ARG3);
}

// Replacing by ID with one value is the model test's; here the list and handle forms.
TEST_F(AsValTest, ReplacingLeavesExactlyTheNewValues) {
  AS_setHandle_t set = NewSet();
  Add(set, 2, {1, 2, 3});
  AS_attrHandle_t &attr = HeldAttr();
  void *two[] = {NewValue(8), NewValue(9)}, *again[] = {NewValue(12), NewValue(13)};
  AS_valueList_t list = {2, two}, list2 = {2, again};
  ASSERT_EQ(AS_ReplaceAllAttrValsWithList(sl, set, 2, TypeOf(2), &list, &kDesc, &attr), 0u);
  EXPECT_EQ(Text(set), "2[8,9,]");
  ASSERT_EQ(AS_ReplaceAllAttrValsR(sl, attr, TypeOf(2), NewValue(10), &kDesc), 0u);
  ASSERT_EQ(AS_ReplaceAllAttrValsWithList(sl, set, 6, 1, &list2, &kDesc, nullptr), 0u);
  EXPECT_EQ(Text(set), "2[10,] 6[12,13,]");
}

TEST_F(AsValTest, ReplaceStopsAtAFailingDeleteAndTheCallerKeepsTheNewValues) {
  AS_setHandle_t set = NewSet();
  Add(set, 2, {1, kDeleteFails, 3});
  TestValue *fresh = NewValue(7);
  EXPECT_FAILS(AS_ReplaceAllAttrVals(sl, set, 2, TypeOf(2), fresh, &kDesc, nullptr),
               AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_EQ(Text(set), "2[-2000,3,]");
  EXPECT_EQ(fresh->magic, kValueMagic);
  void *two[] = {fresh, NewValue(8)};
  AS_valueList_t list = {2, two};
  EXPECT_FAILS(AS_ReplaceAllAttrValsWithList(sl, set, 2, TypeOf(2), &list, &kDesc, nullptr),
               AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_EQ(Text(set), "2[-2000,3,]");
  FreeValue(fresh);
  FreeValue(static_cast<TestValue *>(two[1]));
  static_cast<TestValue *>(OUT(void *, AS_GetAttrVal(sl, set, 2, &out)))->payload = 0;
}

TEST_F(AsValTest, CopyingFormsLeaveTheCallersValueAlone) {
  AS_setHandle_t set = NewSet();
  TestValue *mine = NewValue(5);
  AS_attrHandle_t &attr = HeldAttr();
  ASSERT_EQ(AS_AddAttrValM(sl, set, 1, 1, mine, &kDesc, &attr), 0u);
  ASSERT_EQ(AS_AddAttrValMR(sl, attr, 1, mine, &kDesc), 0u);
  SetImage image = Image(set);
  EXPECT_EQ(image.attrs[0].payloads, (Ints{5, 5}));
  EXPECT_NE(image.attrs[0].valuePointers[0], mine);
  EXPECT_EQ(LiveValues(), 3);
  // A failed add frees the copy again.
  EXPECT_FAILS(AS_AddAttrValM(sl, set, 1, 2, mine, &kDesc, nullptr), AS_ST_TYPE_MISMATCH);
  EXPECT_FAILS(AS_ReplaceAllAttrValsMR(sl, attr, 2, mine, &kDesc), AS_ST_TYPE_MISMATCH);
  EXPECT_EQ(LiveValues(), 3);
  ASSERT_EQ(AS_ReplaceAllAttrValsM(sl, set, 1, 1, mine, &kDesc, nullptr), 0u);
  ASSERT_EQ(AS_ReplaceAllAttrValsMR(sl, attr, 1, mine, &kDesc), 0u);
  EXPECT_EQ(Text(set), "1[5,]");
  // The copy function's own failure is what the caller reads.
  TestValue *bad = NewValue(kCopyFails);
  EXPECT_FAILS(AS_AddAttrValM(sl, set, 1, 1, bad, &kDesc, nullptr), kCopyFailCode);
  EXPECT_EQ(AS_AddAttrValM(nullptr, set, 1, 1, mine, &kDesc, nullptr), 1u);
  EXPECT_EQ(Text(set), "1[5,]");
  FreeValue(bad);
  FreeValue(mine);
}

TEST_F(AsValTest, CopyAttrValsAppendsCopiesOfEveryValue) {
  AS_setHandle_t a = NewSet(), b = NewSet();
  Add(a, 1, {1, 2});
  Add(a, 4, {});
  Add(b, 1, {3});
  Add(b, 2, {4});
  AS_attrHandle_t dst = Attr(b, 1), src = Attr(a, 1), four = Attr(a, 4);
  ASSERT_EQ(AS_CopyAttrVals(sl, dst, a, 1), 0u);
  ASSERT_EQ(AS_CopyAttrValsR(sl, src, src), 0u);    // onto itself: doubled
  EXPECT_EQ(AS_CopyAttrValsR(sl, four, four), 0u);  // nothing to copy is a success
  EXPECT_EQ(Text(a) + " / " + Text(b), "1[1,2,1,2,] 4[] / 1[3,1,2,] 2[4,]");
  EXPECT_FAILS(AS_CopyAttrVals(sl, dst, b, 2), AS_ST_TYPE_MISMATCH);
  EXPECT_FAILS(AS_CopyAttrVals(sl, dst, b, 9), AS_ST_ATTR_NOT_FOUND);
  EXPECT_INVALID(AS_CopyAttrVals(sl, AS_nullAttrHandle, a, 1), AS_ST_BAD_ARG1);
  EXPECT_INVALID(AS_CopyAttrValsR(sl, dst, AS_nullAttrHandle), AS_ST_BAD_ARG2);
}

// Deleting a value and the stale handles of its other holders are the model test's.
TEST_F(AsValTest, DeletingTheLastValueKeepsTheAttributeAndARefusedDeleteChangesNothing) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {kDeleteFails});
  AS_attrValHandle_t v;
  void *value;
  ASSERT_EQ(AS_FindFirstAttrVal(sl, set, 1, &v, &value), 0u);
  EXPECT_FAILS(AS_DeleteAttrValVR(sl, &v), AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_NE(v, AS_nullAttrValHandle);
  static_cast<TestValue *>(value)->payload = 0;
  EXPECT_EQ(AS_DeleteAllAttrVals(sl, set, 1), 0u);
  EXPECT_FAILS(AS_GetAttrValVR(sl, v, &value), AS_ST_STALE_HANDLE);
  EXPECT_EQ(AS_FreeAttrValHandle(sl, &v), 0u);
  EXPECT_EQ(Text(set), "1[]");
  EXPECT_FAILS(AS_FindFirstAttrVal(sl, set, 1, &v, nullptr), AS_ST_NO_VALUES);
  EXPECT_FAILS(AS_GetAttrVal(sl, set, 1, &value), AS_ST_NO_VALUES);
  EXPECT_FAILS(AS_DeleteAttrValVR(sl, nullptr), AS_ST_BAD_ARG1);
}

TEST_F(AsValTest, WalkingValuesBothWays) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2, 3});
  AS_attrHandle_t attr = Attr(set, 1);
  AS_attrValHandle_t v;
  void *value;
  EXPECT_FAILS(AS_FindFirstAttrValR(sl, attr, nullptr, &value), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_FindFirstAttrVal(sl, set, 1, nullptr, &value), AS_ST_BAD_ARG3);
  ASSERT_EQ(AS_FindFirstAttrValR(sl, attr, &v, nullptr), 0u);
  ASSERT_EQ(AS_FindNextAttrValVR(sl, &v, nullptr), 0u);
  ASSERT_EQ(AS_FindNextAttrValVR(sl, &v, &value), 0u);
  EXPECT_EQ(PayloadOf(value), 3);
  AS_attrValHandle_t last = v;
  EXPECT_FAILS(AS_FindNextAttrValVR(sl, &v, &value), AS_ST_NO_NEXT_VAL);
  EXPECT_EQ(v, last);
  ASSERT_EQ(AS_FindPrevAttrValVR(sl, &v, &value), 0u);
  EXPECT_EQ(PayloadOf(value), 2);
  ASSERT_EQ(AS_FindPrevAttrValVR(sl, &v, &value), 0u);
  EXPECT_FAILS(AS_FindPrevAttrValVR(sl, &v, &value), AS_ST_NO_NEXT_VAL);
  EXPECT_FAILS(AS_FindPrevAttrValVR(sl, nullptr, &value), AS_ST_BAD_ARG1);

  AS_valueDescriptor_t desc = OUT(AS_valueDescriptor_t, AS_GetAttrValDescriptorVR(sl, v, &out));
  EXPECT_EQ(desc.copyValue, &CopyTestValue);
  EXPECT_EQ(desc.deleteValue, &DeleteTestValue);
  EXPECT_FAILS(AS_GetAttrValDescriptorVR(sl, v, nullptr), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_GetAttrValVR(sl, v, nullptr), AS_ST_BAD_ARG2);
  EXPECT_INVALID(AS_GetAttrValVR(sl, AS_nullAttrValHandle, &value), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_GetAttrValR(sl, attr, nullptr), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_GetAttrVal(sl, set, 1, nullptr), AS_ST_BAD_ARG3);
  EXPECT_EQ(AS_FreeAttrValHandle(sl, &v), 0u);
}

TEST_F(AsValTest, ReplacingOneValueKeepsItsHandle) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2});
  AS_attrValHandle_t v;
  ASSERT_EQ(AS_FindFirstAttrVal(sl, set, 1, &v, nullptr), 0u);
  TestValue *fresh = NewValue(9), *other = NewValue(10);
  EXPECT_FAILS(AS_ReplaceAttrValVR(sl, v, TypeOf(1) + 1, fresh, &kDesc), AS_ST_TYPE_MISMATCH);
  ASSERT_EQ(AS_ReplaceAttrValVR(sl, v, TypeOf(1), fresh, &kDesc), 0u);
  EXPECT_EQ(OUT(void *, AS_GetAttrValVR(sl, v, &out)), fresh);
  EXPECT_EQ(Text(set), "1[9,2,]");
  fresh->payload = kDeleteFails;
  EXPECT_FAILS(AS_ReplaceAttrValVR(sl, v, TypeOf(1), other, &kDesc), AS_ST_DELETE_FAILED,
               kDeleteFailCode);
  EXPECT_EQ(OUT(void *, AS_GetAttrValVR(sl, v, &out)), fresh);
  fresh->payload = 9;
  FreeValue(other);
  EXPECT_EQ(AS_FreeAttrValHandle(sl, &v), 0u);
}

}  // namespace
}  // namespace kq::as::test
