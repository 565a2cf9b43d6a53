// Set-level operations: copy, append, overlay, intersect and subset, with their
// result orders, duplicate rules and argument codes.
#include "as_test_support.h"

namespace astest {
namespace {

using Codes_ = std::vector<uint32_t>;
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
  uint32_t Duplicates(AS_setHandle_t set) { return Image(set).duplicates; }
};

TEST_F(AsCombineTest, CopyIsIndependentAndKeepsOrderFlagAndEverything) {
  AS_setHandle_t src = Abc(1);
  Add(src, A, {11});
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, src, C, "ch", 2), 0u);
  ASSERT_EQ(AS_SetAttrModifyOp(sl, src, C, AS_MODIFY_ADD_VALUES), 0u);
  AS_setHandle_t copy;
  ASSERT_EQ(AS_Copy(sl, &copy, src, &kCounting), 0u);
  SetImage s = Image(src), c = Image(copy);
  EXPECT_EQ(c.duplicates, 1u);
  EXPECT_EQ(c.setUsers, 1u);
  ASSERT_EQ(c.attrs.size(), s.attrs.size());
  for (size_t i = 0; i < c.attrs.size(); i++) {
    EXPECT_EQ(c.attrs[i].id, s.attrs[i].id);
    EXPECT_EQ(c.attrs[i].type, s.attrs[i].type);
    EXPECT_EQ(c.attrs[i].modifyOp, s.attrs[i].modifyOp);
    EXPECT_EQ(c.attrs[i].characteristics, s.attrs[i].characteristics);
    EXPECT_EQ(c.attrs[i].payloads, s.attrs[i].payloads);
    EXPECT_EQ(c.attrs[i].attrUsers, 0u);
    for (size_t j = 0; j < c.attrs[i].valuePointers.size(); j++) {
      EXPECT_NE(c.attrs[i].valuePointers[j], s.attrs[i].valuePointers[j]);
    }
  }
  Destroy(src);
  EXPECT_EQ(Ids(copy), (Ids_{A, B, C, A}));
  Destroy(copy);

  src = Abc();
  ASSERT_EQ(AS_Copy(sl, &copy, src, nullptr), 0u);  // default allocator
  Destroy(src);
  AS_allocateDescriptor_t got;
  ASSERT_EQ(AS_GetAllocator(sl, copy, &got), 0u);
  EXPECT_EQ(got.allocate, AS__defaultAllocator.allocate);
  Destroy(copy);
}

TEST_F(AsCombineTest, CopyArguments) {
  AS_setHandle_t src = Abc(), out = AS_nullSetHandle;
  AS_allocateDescriptor_t half = {CountingAllocate, nullptr};
  EXPECT_FAILS(AS_Copy(sl, nullptr, src, nullptr), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_Copy(sl, &out, AS_nullSetHandle, &half), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_Copy(sl, &out, AS_nullSetHandle, nullptr), AS_ST_BAD_ARG2, AS_ST_INVALID_HANDLE);
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(AS_Copy(nullptr, &out, src, nullptr), 1u);
  Destroy(src);
}

TEST_F(AsCombineTest, AppendRefusesSharedIdsUnlessAllowed) {
  AS_setHandle_t first = Abc(), second = NewSet(1), out = AS_nullSetHandle;
  Add(second, D, {40});
  Add(second, B, {22});
  EXPECT_FAILS(AS_Append(sl, &out, first, second, nullptr, 0), AS_ST_DUPLICATE_ATTR);
  EXPECT_EQ(out, AS_nullSetHandle);
  ASSERT_EQ(AS_Append(sl, &out, first, second, &kCounting, 1), 0u);
  EXPECT_EQ(Ids(out), (Ids_{A, B, C, D, B}));
  EXPECT_EQ(Duplicates(out), 0u);  // the first set's flag, even though it now holds B twice
  EXPECT_EQ(Payloads(out, B), (Ints{20, 21}));
  Destroy(out);

  // Disjoint sets, but one allowing duplicates holds an ID twice.
  AS_setHandle_t third = NewSet(1);
  Add(third, D, {1});
  Add(third, D, {2});
  EXPECT_FAILS(AS_Append(sl, &out, first, third, nullptr, 0), AS_ST_DUPLICATE_ATTR);
  EXPECT_EQ(AS_DeleteAttr(sl, second, B), 0u);
  ASSERT_EQ(AS_Append(sl, &out, second, first, &kCounting, 0), 0u);
  EXPECT_EQ(Ids(out), (Ids_{D, A, B, C}));
  EXPECT_EQ(Duplicates(out), 1u);
  Destroy(out);
  Destroy(first);
  Destroy(second);
  Destroy(third);
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
  auto *s = static_cast<AS__Set *>(AS__HandleOf(a)->objectRef);
  s->duplicates = 9;
  EXPECT_FAILS(AS_Overlay(sl, &out, a, a, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
  s->duplicates = 0;
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(AS_FreeSetHandle(sl, &stale), 0u);
  Destroy(a);
}

TEST_F(AsCombineTest, OverlayMovesReplacedAttributesToTheEnd) {
  AS_setHandle_t base = Abc(1), overlay = NewSet(), out;
  Add(overlay, B, {99});
  Add(overlay, D, {40});
  ASSERT_EQ(AS_Overlay(sl, &out, base, overlay, &kCounting), 0u);
  EXPECT_EQ(Ids(out), (Ids_{A, C, B, D}));
  EXPECT_EQ(Payloads(out, B), Ints{99});
  EXPECT_EQ(Duplicates(out), 0u);
  Destroy(out);

  Add(base, A, {12});  // base allows duplicates and now holds A twice
  EXPECT_FAILS(AS_Overlay(sl, &out, base, overlay, nullptr), AS_ST_DUPLICATE_ATTR);
  Destroy(base);
  Destroy(overlay);
}

TEST_F(AsCombineTest, IntersectTakesTheFirstAttributeOfEachListedId) {
  AS_setHandle_t set = Abc(1), out;
  Add(set, A, {11});
  const uint32_t ids[] = {C, A, A, Z};
  AS_attrIdList_t list = {4, ids};
  ASSERT_EQ(AS_Intersect(sl, &out, set, &list, &kCounting), 0u);
  EXPECT_EQ(Ids(out), (Ids_{A, C}));
  EXPECT_EQ(Duplicates(out), 1u);
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

TEST_F(AsCombineTest, AFailingValueCopyLeavesNoResult) {
  AS_setHandle_t set = Abc(), other = NewSet(), out = AS_nullSetHandle;
  Add(other, D, {41, kCopyFails});
  const uint32_t ids[] = {D};
  AS_attrIdList_t list = {1, ids};
  const Codes_ copyFailed{AS_ST_COPY_FAILED, kCopyFailCode};
  const size_t blocks = Alloc().live.size();
  EXPECT_EQ(AS_Copy(sl, &out, other, &kCounting), 1u);
  EXPECT_EQ(Codes(sl), copyFailed);
  EXPECT_EQ(AS_Append(sl, &out, set, other, &kCounting, 0), 1u);
  EXPECT_EQ(Codes(sl), copyFailed);
  EXPECT_EQ(AS_Overlay(sl, &out, other, set, &kCounting), 1u);
  EXPECT_EQ(Codes(sl), copyFailed);
  EXPECT_EQ(AS_Intersect(sl, &out, other, &list, &kCounting), 1u);
  EXPECT_EQ(Codes(sl), copyFailed);
  EXPECT_EQ(AS_Subset(sl, &out, other, &list, &kCounting), 1u);
  EXPECT_EQ(Codes(sl), copyFailed);
  EXPECT_EQ(out, AS_nullSetHandle);
  EXPECT_EQ(Alloc().live.size(), blocks);
  Destroy(set);
  Destroy(other);
}

}  // namespace
}  // namespace astest
