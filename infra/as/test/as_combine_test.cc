// Set-level operations: copy, append, overlay, intersect and subset, with their
// result orders, duplicate rules and argument codes.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

using Ids_ = std::vector<uint32_t>;
using Ints = std::vector<int>;

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
  AS_setHandle_t src = Abc(), out = AS_nullSetHandle;
  AS_allocateDescriptor_t half = {CountingAllocate, nullptr};
  EXPECT_FAILS(AS_Copy(sl, nullptr, src, nullptr), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_Copy(sl, &out, AS_nullSetHandle, &half), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_Copy(sl, &out, AS_nullSetHandle, nullptr), AS_ST_BAD_ARG2, AS_ST_INVALID_HANDLE);
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(AS_Copy(nullptr, &out, src, nullptr), 1u);
  // Without a descriptor the copy uses the default allocator.
  ASSERT_EQ(AS_Copy(sl, &out, src, nullptr), 0u);
  AS_allocateDescriptor_t got;
  ASSERT_EQ(AS_GetAllocator(sl, out, &got), 0u);
  EXPECT_EQ(got.allocate, AS__defaultAllocator.allocate);
  Destroy(out);
  Destroy(src);
}

TEST_F(AsCombineTest, AppendAndOverlayCheckBothSetsThenTheDescriptor) {
  AS_setHandle_t a = Abc(), gone = NewSet(), stale, out = AS_nullSetHandle;
  ASSERT_EQ(AS_CopySetHandle(sl, gone, &stale), 0u);
  Destroy(gone);
  AS_allocateDescriptor_t half = {nullptr, CountingDeallocate};
  EXPECT_FAILS(AS_Append(sl, nullptr, a, a, nullptr, 0), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_Append(sl, &out, AS_nullSetHandle, a, &half, 0), AS_ST_BAD_ARG2,
               AS_ST_INVALID_HANDLE);
  EXPECT_FAILS(AS_Append(sl, &out, a, AS_nullSetHandle, &half, 0), AS_ST_BAD_ARG3,
               AS_ST_INVALID_HANDLE);
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
  Destroy(a);
}

TEST_F(AsCombineTest, IntersectTakesTheFirstAttributeOfEachListedId) {
  AS_setHandle_t set = Abc(1), out;
  Add(set, A, {11});
  const uint32_t ids[] = {C, A, A, Z};
  AS_attrIdList_t list = {4, ids};
  ASSERT_EQ(AS_Intersect(sl, &out, set, &list, &kCounting), 0u);
  EXPECT_EQ(Ids(out), (Ids_{A, C}));
  EXPECT_EQ(Image(out).duplicates, 1u);
  EXPECT_EQ(Image(out).attrs[0].payloads, Ints{10});
  Destroy(out);
  EXPECT_FAILS(AS_Subset(sl, &out, set, &list, &kCounting), AS_ST_ATTR_NOT_FOUND);

  const uint32_t present[] = {C, B, C};
  list = {3, present};
  ASSERT_EQ(AS_Subset(sl, &out, set, &list, &kCounting), 0u);
  EXPECT_EQ(Ids(out), (Ids_{B, C}));
  Destroy(out);

  list = {0, nullptr};
  ASSERT_EQ(AS_Intersect(sl, &out, set, &list, nullptr), 0u);
  EXPECT_TRUE(Ids(out).empty());
  Destroy(out);
  ASSERT_EQ(AS_Subset(sl, &out, set, &list, nullptr), 0u);
  EXPECT_TRUE(Ids(out).empty());
  Destroy(out);
  Destroy(set);
}

TEST_F(AsCombineTest, IdsCompareUnsigned) {
  AS_setHandle_t set = NewSet(), out;
  for (uint32_t id : {0x80000000u, 5u, 0xffffffffu, 0u}) Add(set, id, {});
  const uint32_t ids[] = {0xffffffffu, 0u, 0x80000000u, 5u, 0xffffffffu};
  AS_attrIdList_t list = {5, ids};
  ASSERT_EQ(AS_Subset(sl, &out, set, &list, nullptr), 0u);
  EXPECT_EQ(Ids(out), (Ids_{0x80000000u, 5u, 0xffffffffu, 0u}));
  Destroy(out);
  Destroy(set);
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
  EXPECT_FAILS(AS_Subset(sl, &out, AS_nullSetHandle, &list, nullptr), AS_ST_BAD_ARG2,
               AS_ST_INVALID_HANDLE);
  EXPECT_EQ(out, AS_nullSetHandle);
  Destroy(set);
}

}  // namespace
}  // namespace kq::as::test
