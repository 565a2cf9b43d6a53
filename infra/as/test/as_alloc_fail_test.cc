// Every operation that allocates is run with its first, second, third, ...
// allocation failing until it succeeds. Each failure must report the shortage,
// leave both sets exactly as they were, leave the caller's values with the caller,
// and leave nothing allocated once the sets are gone.
#include <functional>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

struct World {
  AS_setHandle_t a = AS_nullSetHandle, b = AS_nullSetHandle;
  AS_attrHandle_t a1 = AS_nullAttrHandle, a2 = AS_nullAttrHandle, b1 = AS_nullAttrHandle;
  std::vector<TestValue *> mine;  // values the caller passes in
  AS_valueList_t mineList = {0, nullptr};
  std::vector<void *> mineArray;
  // What a successful operation hands out.
  AS_setHandle_t result = AS_nullSetHandle;
  AS_attrHandle_t attrOut = AS_nullAttrHandle;
  void *buffer = nullptr;
  uint32_t length = 0;
  AS_valueList_t listOut = {0, nullptr};
};

struct Case {
  const char *name;
  int values;           // how many caller values the operation gets
  bool consumesValues;  // whether success makes them the set's
  std::function<uint32_t(STF_statusList_t *, World &)> op;
};

class AsAllocFailTest : public AsTest {
 protected:
  // The two sets, handles of three of their attributes, and `values` values of the caller.
  void Build(World &w, int values) {
    w = World();
    for (int i = 0; i < values; i++) {
      w.mine.push_back(NewValue(100 + i));
      w.mineArray.push_back(w.mine.back());
    }
    w.mineList = {uint32_t(values), w.mineArray.data()};
    w.a = NewSet();
    Add(w.a, 1, {1, 2});
    Add(w.a, 2, {3});
    Add(w.a, 3, {});
    ASSERT_EQ(AS_SetAttrCharacteristics(sl, w.a, 2, "chars", 5), 0u);
    w.b = NewSet();
    Add(w.b, 4, {5});
    Add(w.b, 1, {6, 7});
    ASSERT_EQ(AS_FindAttr(sl, w.a, 1, &w.a1), 0u);
    ASSERT_EQ(AS_FindAttr(sl, w.a, 2, &w.a2), 0u);
    ASSERT_EQ(AS_FindAttr(sl, w.b, 1, &w.b1), 0u);
  }

  void TakeDown(World &w) {
    for (AS_attrHandle_t *h : {&w.a1, &w.a2, &w.b1, &w.attrOut}) {
      if (*h != AS_nullAttrHandle) {
        EXPECT_EQ(AS_FreeAttrHandle(sl, h), 0u);
      }
    }
    for (AS_setHandle_t *s : {&w.a, &w.b, &w.result}) {
      if (*s != AS_nullSetHandle) Destroy(*s);
    }
    CountingFree(w.buffer);
    CountingFree(w.listOut.values);
  }

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
      if (rc != 0 || !c.consumesValues) {
        for (TestValue *v : w.mine) FreeValue(v);
      }
      TakeDown(w);
      ASSERT_TRUE(Counting().live.empty());
      ASSERT_EQ(LiveValues(), 0);
      ASSERT_EQ(Counting().badFrees, 0u);
      if (rc == 0) break;
    }
    EXPECT_GT(n, 1u) << "the operation allocates nothing";
  }
};

// An operation on the world, as a case's op.
#define OP(call) [](STF_statusList_t *sl, World &w) { return call; }

const uint32_t kSome[] = {2, 9, 1};
const uint32_t kPresent[] = {2, 1};
const AS_attrIdList_t kSomeIds = {3, kSome};
const AS_attrIdList_t kPresentIds = {2, kPresent};

TEST_F(AsAllocFailTest, AddingAndReplacing) {
  const Case cases[] = {
      {"AddAttr", 0, true, OP(AS_AddAttr(sl, w.a, 9, 2, &w.attrOut))},
      {"AddAttrVal existing", 1, true,
       OP(AS_AddAttrVal(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, &w.attrOut))},
      {"AddAttrVal new", 1, true, OP(AS_AddAttrVal(sl, w.a, 9, 2, w.mine[0], &kDesc, &w.attrOut))},
      {"AddAttrValR", 1, true, OP(AS_AddAttrValR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {"AddAttrValM", 1, false, OP(AS_AddAttrValM(sl, w.a, 9, 2, w.mine[0], &kDesc, nullptr))},
      {"AddAttrValMR", 1, false, OP(AS_AddAttrValMR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {"AddAttrValList existing", 3, true,
       OP(AS_AddAttrValList(sl, w.a, 1, TypeOf(1), &w.mineList, &kDesc, &w.attrOut))},
      {"AddAttrValList new", 3, true,
       OP(AS_AddAttrValList(sl, w.a, 9, 2, &w.mineList, &kDesc, nullptr))},
      {"AddAttrValListR", 2, true,
       OP(AS_AddAttrValListR(sl, w.a2, TypeOf(2), &w.mineList, &kDesc))},
      {"ReplaceAllAttrVals", 1, true,
       OP(AS_ReplaceAllAttrVals(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, &w.attrOut))},
      {"ReplaceAllAttrVals new", 1, true,
       OP(AS_ReplaceAllAttrVals(sl, w.a, 9, 2, w.mine[0], &kDesc, nullptr))},
      {"ReplaceAllAttrValsR", 1, true,
       OP(AS_ReplaceAllAttrValsR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {"ReplaceAllAttrValsM", 1, false,
       OP(AS_ReplaceAllAttrValsM(sl, w.a, 1, TypeOf(1), w.mine[0], &kDesc, nullptr))},
      {"ReplaceAllAttrValsMR", 1, false,
       OP(AS_ReplaceAllAttrValsMR(sl, w.a1, TypeOf(1), w.mine[0], &kDesc))},
      {"ReplaceAllAttrValsWithList", 3, true,
       OP(AS_ReplaceAllAttrValsWithList(sl, w.a, 1, TypeOf(1), &w.mineList, &kDesc, &w.attrOut))},
      {"ReplaceAllAttrValsWithListR", 2, true,
       OP(AS_ReplaceAllAttrValsWithListR(sl, w.a2, TypeOf(2), &w.mineList, &kDesc))},
  };
  for (const Case &c : cases) Sweep(c);
}

TEST_F(AsAllocFailTest, CopyingAttributesValuesAndCharacteristics) {
  const Case cases[] = {
      {"CopyAttr", 0, true, OP(AS_CopyAttr(sl, w.b, w.a, 2, &w.attrOut))},
      {"CopyAttrR", 0, true, OP(AS_CopyAttrR(sl, w.b, w.a2, nullptr))},
      {"CopyAttrVals", 0, true, OP(AS_CopyAttrVals(sl, w.b1, w.a, 1))},
      {"CopyAttrValsR onto itself", 0, true, OP(AS_CopyAttrValsR(sl, w.a1, w.a1))},
      {"SetAttrCharacteristics", 0, true, OP(AS_SetAttrCharacteristics(sl, w.a, 2, "other", 5))},
      {"GetAttrCharacteristics", 0, true,
       OP(AS_GetAttrCharacteristics(sl, w.a, 2, &w.buffer, &w.length, CountingAllocate))},
      {"GetAttrValListR", 0, true, OP(AS_GetAttrValListR(sl, w.a1, &w.listOut, CountingAllocate))},
  };
  for (const Case &c : cases) Sweep(c);
}

TEST_F(AsAllocFailTest, BuildingNewSets) {
  const Case cases[] = {
      {"Create", 0, true, OP(AS_Create(sl, &w.result, &kCounting, 0))},
      {"Copy", 0, true, OP(AS_Copy(sl, &w.result, w.a, &kCounting))},
      {"Append", 0, true, OP(AS_Append(sl, &w.result, w.a, w.b, &kCounting, 1))},
      {"Overlay", 0, true, OP(AS_Overlay(sl, &w.result, w.a, w.b, &kCounting))},
      {"Intersect", 0, true, OP(AS_Intersect(sl, &w.result, w.a, &kSomeIds, &kCounting))},
      {"Subset", 0, true, OP(AS_Subset(sl, &w.result, w.a, &kPresentIds, &kCounting))},
  };
  for (const Case &c : cases) Sweep(c);
}

}  // namespace
}  // namespace kq::as::test
