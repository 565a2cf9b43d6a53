// Set-level operations: copy, append, overlay, intersect and subset, with their
// result orders, duplicate rules and argument codes.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

constexpr uint32_t A = 1, B = 2, C = 3, D = 4, Z = 26;

class AsCombineTest : public AsTest {
 protected:
  // {A, B, C} with values 10, 20, 30 (and B two values).
  AS_setHandle_t Abc(uint32_t duplicates = 0) {
    AS_setHandle_t set = NewSet(duplicates);
    Add(set, A, {10});
    Add(set, B, {20, 21});
    Add(set, C, {30});
    return set;
  }
};

TEST_F(AsCombineTest, CopyArguments) {
  AS_setHandle_t src = Abc(), res = AS_nullSetHandle;
  AS_allocateDescriptor_t half = {CountingAllocate, nullptr};
  EXPECT_FAILS(AS_Copy(sl, nullptr, src, nullptr), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_Copy(sl, &res, AS_nullSetHandle, &half), AS_ST_BAD_ARG3);
  EXPECT_INVALID(AS_Copy(sl, &res, AS_nullSetHandle, nullptr), AS_ST_BAD_ARG2);
  EXPECT_EQ(res, AS_nullSetHandle);
  EXPECT_EQ(AS_Copy(nullptr, &res, src, nullptr), 1u);
  // Without a descriptor the copy uses the default allocator.
  ASSERT_EQ(AS_Copy(sl, &res, src, nullptr), 0u);
  EXPECT_EQ(OUT(AS_allocateDescriptor_t, AS_GetAllocator(sl, res, &out)).allocate,
            AS__defaultAllocator.allocate);
  Destroy(res);
}

TEST_F(AsCombineTest, AppendAndOverlayCheckBothSetsThenTheDescriptor) {
  AS_setHandle_t a = Abc(), gone = NewSet(), stale, out = AS_nullSetHandle;
  ASSERT_EQ(AS_CopySetHandle(sl, gone, &stale), 0u);
  Destroy(gone);
  AS_allocateDescriptor_t half = {nullptr, CountingFree};
  EXPECT_FAILS(AS_Append(sl, nullptr, a, a, nullptr, 0), AS_ST_BAD_ARG1);
  EXPECT_INVALID(AS_Append(sl, &out, AS_nullSetHandle, a, &half, 0), AS_ST_BAD_ARG2);
  EXPECT_INVALID(AS_Append(sl, &out, a, AS_nullSetHandle, &half, 0), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_Append(sl, &out, stale, a, nullptr, 0), AS_ST_STALE_FIRST, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_Overlay(sl, &out, a, stale, nullptr), AS_ST_STALE_SECOND, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_Append(sl, &out, a, a, &half, 1), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_Overlay(sl, &out, a, a, &half), AS_ST_BAD_ARG4);
  auto *s = static_cast<Set *>(HandleOf(a)->objectRef);
  s->duplicates = 9;
  EXPECT_FAILS(AS_Overlay(sl, &out, a, a, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
  s->duplicates = 0;
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(AS_FreeSetHandle(sl, &stale), 0u);
}

TEST_F(AsCombineTest, IntersectTakesTheFirstAttributeOfEachListedId) {
  AS_setHandle_t set = Abc(1), out;
  Add(set, A, {11});
  const uint32_t ids[] = {C, A, A, Z};
  AS_attrIdList_t list = {4, ids};
  ASSERT_EQ(AS_Intersect(sl, &out, set, &list, &kCounting), 0u);
  EXPECT_EQ(Text(out), "1[10,] 3[30,]");
  EXPECT_EQ(Image(out).duplicates, 1u);
  Destroy(out);
  EXPECT_FAILS(AS_Subset(sl, &out, set, &list, &kCounting), AS_ST_ATTR_NOT_FOUND);

  const uint32_t present[] = {C, B, C};
  list = {3, present};
  ASSERT_EQ(AS_Subset(sl, &out, set, &list, &kCounting), 0u);
  EXPECT_EQ(Text(out), "2[20,21,] 3[30,]");
  Destroy(out);

  list = {0, nullptr};
  for (auto op : {AS_Intersect, AS_Subset}) {
    ASSERT_EQ(op(sl, &out, set, &list, nullptr), 0u);
    EXPECT_EQ(Text(out), "");
    Destroy(out);
  }
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

TEST_F(AsCombineTest, IntersectArguments) {
  AS_setHandle_t set = Abc(), out = AS_nullSetHandle;
  const uint32_t ids[] = {A};
  AS_attrIdList_t list = {1, ids}, noArray = {2, nullptr};
  AS_allocateDescriptor_t half = {CountingAllocate, nullptr};
  EXPECT_FAILS(AS_Intersect(sl, nullptr, set, &list, nullptr), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_Intersect(sl, &out, AS_nullSetHandle, nullptr, &half), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_Subset(sl, &out, set, &noArray, nullptr), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_Subset(sl, &out, AS_nullSetHandle, &list, &half), AS_ST_BAD_ARG4);
  EXPECT_INVALID(AS_Subset(sl, &out, AS_nullSetHandle, &list, nullptr), AS_ST_BAD_ARG2);
  EXPECT_EQ(out, AS_nullSetHandle);
}

}  // namespace
}  // namespace kq::as::test
