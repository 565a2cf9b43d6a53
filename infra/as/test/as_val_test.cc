// Value operations: adding (single, copied, list), replacing, copying between
// attributes, deleting, finding, walking and reading values.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

using AsValTest = AsWorldTest;

// Adding and replacing by ID with one value are the model test's; here the handle,
// list and copying forms. A copying form that kept the caller's value instead of a
// copy is caught when the caller frees it afterwards, a copy it lost by the leak check.
TEST_F(AsValTest, AddingReplacingAndCopyingValues) {
  const Case cases[] = {
      {1, true, OP(AS_AddAttrValR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[1,2,100,] 2[3,] 3[]"},
      {1, true, OP(AS_AddAttrValR(sl, w.a1, 6, w.mine[0], &kDesc)), nullptr, AS_ST_TYPE_MISMATCH},
      {3, true, OP(AS_AddAttrValList(sl, w.a, 1, 1, &w.mineList, &kDesc, nullptr)),
       "1[1,2,100,101,102,] 2[3,] 3[]"},
      {0, true, OP(AS_AddAttrValList(sl, w.a, 9, 2, &w.mineList, &kDesc, nullptr)),
       "1[1,2,] 2[3,] 3[] 9[]"},
      {2, true, OP(AS_AddAttrValListR(sl, w.a2, 2, &w.mineList, &kDesc)),
       "1[1,2,] 2[3,100,101,] 3[]"},
      {2, true, OP(AS_ReplaceAllAttrValsWithList(sl, w.a, 1, 1, &w.mineList, &kDesc, nullptr)),
       "1[100,101,] 2[3,] 3[]"},
      {2, true, OP(AS_ReplaceAllAttrValsWithList(sl, w.a, 6, 6, &w.mineList, &kDesc, nullptr)),
       "1[1,2,] 2[3,] 3[] 6[100,101,]"},
      {0, true, OP(AS_ReplaceAllAttrValsWithListR(sl, w.a1, 1, &w.mineList, &kDesc)),
       "1[] 2[3,] 3[]"},
      {1, true, OP(AS_ReplaceAllAttrValsR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[100,] 2[3,] 3[]"},
      {1, false, OP(AS_AddAttrValM(sl, w.a, 1, 1, w.mine[0], &kDesc, nullptr)),
       "1[1,2,100,] 2[3,] 3[]"},
      {1, false, OP(AS_AddAttrValM(sl, w.a, 1, 2, w.mine[0], &kDesc, nullptr)), nullptr,
       AS_ST_TYPE_MISMATCH},
      {1, false, OP(AS_ReplaceAllAttrValsMR(sl, w.a1, 1, w.mine[0], &kDesc)), "1[100,] 2[3,] 3[]"},
      {1, false, OP(AS_ReplaceAllAttrValsMR(sl, w.a1, 2, w.mine[0], &kDesc)), nullptr,
       AS_ST_TYPE_MISMATCH},
      {1, false,
       OP((w.mine[0]->payload = kCopyFails,
           AS_AddAttrValM(sl, w.a, 1, 1, w.mine[0], &kDesc, nullptr))),
       nullptr, kCopyFailCode},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 1)), "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,1,2,]"},
      {0, true, OP(AS_CopyAttrValsR(sl, w.a1, w.a1)), "1[1,2,1,2,] 2[3,] 3[]"},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 2)), nullptr, AS_ST_TYPE_MISMATCH},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 9)), nullptr, AS_ST_ATTR_NOT_FOUND},
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
  AS_valueDescriptor_t desc = OUT(AS_valueDescriptor_t, AS_GetAttrValDescriptorVR(sl, v, &out));
  EXPECT_EQ(desc.copyValue, &CopyTestValue);
  EXPECT_EQ(desc.deleteValue, &DeleteTestValue);
  TestValue *fresh = NewValue(9);
  EXPECT_FAILS(AS_ReplaceAttrValVR(sl, v, 2, fresh, &kDesc), AS_ST_TYPE_MISMATCH);
  ASSERT_EQ(AS_ReplaceAttrValVR(sl, v, 1, fresh, &kDesc), 0u);
  EXPECT_EQ(OUT(void *, AS_GetAttrValVR(sl, v, &out)), fresh);
  EXPECT_EQ(Text(set), "1[9,2,3,]");
  EXPECT_EQ(AS_FreeAttrValHandle(sl, &v), 0u);
}

}  // namespace
}  // namespace kq::as::test
