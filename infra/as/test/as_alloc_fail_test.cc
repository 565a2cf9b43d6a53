// Every operation that allocates is run with its first, second, third, ...
// allocation failing until it succeeds. Each failure must report the shortage,
// leave both sets exactly as they were, leave the caller's values with the caller,
// and leave nothing allocated once the sets are gone.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

class AsAllocFailTest : public AsWorldTest {
 protected:
  void Sweep(const Case &c) {
    SCOPED_TRACE(c.name);
    uint64_t n = 1;
    for (;; n++) {
      ASSERT_LT(n, 500u) << "never succeeded";
      World w;
      Build(w, c.values);
      const SetImage a = Image(w.a), b = Image(w.b);
      Counting().FailNth(n);
      const uint32_t rc = c.op(sl, w);
      Counting().NoFailure();
      if (rc != 0) {
        SCOPED_TRACE(n);
        std::vector<uint32_t> codes = sl.Codes();
        ASSERT_FALSE(codes.empty());
        if (codes[0] == AS_ST_COPY_FAILED) {
          EXPECT_EQ(codes, (std::vector<uint32_t>{AS_ST_COPY_FAILED, kCopyFailCode}));
        } else if (codes[0] != kCopyFailCode) {  // an M form's own copy
          EXPECT_EQ(codes, std::vector<uint32_t>{AS_ST_NO_MEMORY});
        }
        EXPECT_EQ(Image(w.a), a);
        EXPECT_EQ(Image(w.b), b);
        EXPECT_EQ(w.result, AS_nullSetHandle);
        EXPECT_EQ(w.attrOut, AS_nullAttrHandle);
      }
      TakeDown(w, rc != 0 || !c.consumesValues);
      ASSERT_TRUE(Counting().live.empty());
      ASSERT_EQ(liveValues, 0);
      ASSERT_EQ(Counting().badFrees, 0u);
      if (rc == 0) break;
    }
    EXPECT_GT(n, 1u) << "the operation allocates nothing";
  }
};

const uint32_t kSome[] = {2, 9, 1}, kPresent[] = {2, 1};
const AS_attrIdList_t kSomeIds = {3, kSome}, kPresentIds = {2, kPresent};

TEST_F(AsAllocFailTest, AddingAndReplacing) {
  const Case cases[] = {
      {0, true, OP(AS_AddAttr(sl, w.a, 9, 2, &w.attrOut))},
      {1, true, OP(AS_AddAttrVal(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, &w.attrOut))},
      {1, true, OP(AS_AddAttrVal(sl, w.a, 9, 2, w.mine[0], &kDesc, &w.attrOut))},
      {1, true, OP(AS_AddAttrValR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {1, false, OP(AS_AddAttrValM(sl, w.a, 9, 2, w.mine[0], &kDesc, nullptr))},
      {1, false, OP(AS_AddAttrValMR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {3, true, OP(AS_AddAttrValList(sl, w.a, 1, TypeOf(1), &w.mineList, &kDesc, &w.attrOut))},
      {3, true, OP(AS_AddAttrValList(sl, w.a, 9, 2, &w.mineList, &kDesc, nullptr))},
      {2, true, OP(AS_AddAttrValListR(sl, w.a2, TypeOf(2), &w.mineList, &kDesc))},
      {1, true, OP(AS_ReplaceAllAttrVals(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, &w.attrOut))},
      {1, true, OP(AS_ReplaceAllAttrVals(sl, w.a, 9, 2, w.mine[0], &kDesc, nullptr))},
      {1, true, OP(AS_ReplaceAllAttrValsR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {1, false, OP(AS_ReplaceAllAttrValsM(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, nullptr))},
      {1, false, OP(AS_ReplaceAllAttrValsMR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {3, true,
       OP(AS_ReplaceAllAttrValsWithList(sl, w.a, 1, TypeOf(1), &w.mineList, &kDesc, &w.attrOut))},
      {2, true, OP(AS_ReplaceAllAttrValsWithListR(sl, w.a2, TypeOf(2), &w.mineList, &kDesc))},
  };
  for (const Case &c : cases) Sweep(c);
}

TEST_F(AsAllocFailTest, CopyingAttributesValuesAndCharacteristics) {
  const Case cases[] = {
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 2, &w.attrOut))},
      {0, true, OP(AS_CopyAttrR(sl, w.b, w.a2, nullptr))},
      {0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 1))},
      {0, true, OP(AS_CopyAttrValsR(sl, w.a1, w.a1))},
      {0, true, OP(AS_SetAttrCharacteristics(sl, w.a, 2, "other", 5))},
      {0, true, OP(AS_GetAttrCharacteristics(sl, w.a, 2, &w.buffer, &w.length, CountingAllocate))},
      {0, true, OP(AS_GetAttrValListR(sl, w.a1, &w.listOut, CountingAllocate))},
  };
  for (const Case &c : cases) Sweep(c);
}

TEST_F(AsAllocFailTest, BuildingNewSets) {
  const Case cases[] = {
      {0, true, OP(AS_Create(sl, &w.result, &kCounting, 0))},
      {0, true, OP(AS_Copy(sl, &w.result, w.a, &kCounting))},
      {0, true, OP(AS_Append(sl, &w.result, w.a, w.b, &kCounting, 1))},
      {0, true, OP(AS_Overlay(sl, &w.result, w.a, w.b, &kCounting))},
      {0, true, OP(AS_Intersect(sl, &w.result, w.a, &kSomeIds, &kCounting))},
      {0, true, OP(AS_Subset(sl, &w.result, w.a, &kPresentIds, &kCounting))},
  };
  for (const Case &c : cases) Sweep(c);
}

}  // namespace
}  // namespace kq::as::test
