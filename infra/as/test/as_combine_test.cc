// Set-level operations: copy, append, overlay, intersect and subset, with their
// result orders and duplicate rules.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

using AsCombineTest = AsWorldTest;

const uint32_t kCaaz[] = {3, 1, 1, 26}, kCbc[] = {3, 2, 3};
const AS_attrIdList_t kCaazIds = {4, kCaaz}, kCbcIds = {3, kCbc}, kNoIds = {0, nullptr};

// Intersect takes the first attribute of each listed ID, in the set's order; subset
// wants every listed ID present.
TEST_F(AsCombineTest, ResultsInOrder) {
  const Case cases[] = {
      {0, true, OP(AS_Copy(sl, &w.result, w.a, nullptr)), "1[1,2,] 2[3,] 3[] // 1[1,2,] 2[3,] 3[]"},
      {0, true, OP(AS_Append(sl, &w.result, w.a, w.b, nullptr, 1)),
       "1[1,2,] 2[3,] 3[] // 1[1,2,] 2[3,] 3[] 4[5,] 1[6,7,]"},
      {0, true, OP(AS_Append(sl, &w.result, w.a, w.b, nullptr, 0)), nullptr, AS_ST_DUPLICATE_ATTR},
      {0, true, OP(AS_Overlay(sl, &w.result, w.a, w.b, nullptr)),
       "1[1,2,] 2[3,] 3[] // 2[3,] 3[] 4[5,] 1[6,7,]"},
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
