// Sets and handles: creation, destruction, clearing, the duplicate flag, handle
// references, stale handles and the handle and object checks.
#include "as_test_support.h"

namespace kq::as::test {
namespace {

class AsSetTest : public AsTest {};

TEST_F(AsSetTest, CreateChecksItsArgumentsAndNormalisesTheDuplicateFlag) {
  AS_setHandle_t set = AS_nullSetHandle;
  EXPECT_EQ(AS_Create(nullptr, &set, nullptr, 0), 1u);
  EXPECT_FAILS(AS_Create(sl, nullptr, nullptr, 0), AS_ST_BAD_ARG1);
  AS_allocateDescriptor_t half = {CountingAllocate, nullptr};
  EXPECT_FAILS(AS_Create(sl, &set, &half, 0), AS_ST_BAD_ARG2);
  half = {nullptr, CountingFree};
  EXPECT_EQ(AS_Create(sl, &set, &half, 0), 1u);
  EXPECT_EQ(set, AS_nullSetHandle);
  EXPECT_EQ(Counting().attempts, 0u);

  set = NewSet(5);
  EXPECT_EQ(Image(set).duplicates, 1u);
  EXPECT_EQ(OUT(uint32_t, AS_GetCount(sl, set, &(out = 99))), 0u);
  EXPECT_EQ(OUT(uint32_t, AS_IsEmpty(sl, set, &(out = 99))), 1u);
  EXPECT_FAILS(AS_GetCount(sl, set, nullptr), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_IsEmpty(sl, set, nullptr), AS_ST_BAD_ARG2);
  Add(set, 1, {});
  EXPECT_EQ(OUT(uint32_t, AS_IsEmpty(sl, set, &out)), 0u);
  Destroy(set);
  EXPECT_EQ(set, AS_nullSetHandle);
}

TEST_F(AsSetTest, EverythingOfASetGoesThroughItsAllocator) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2});
  // Set handle, set, attribute handle, attribute, and two values with handles.
  EXPECT_EQ(Counting().live.size(), 2u + 2u + 2u * 3u);
  AS_allocateDescriptor_t got = OUT(AS_allocateDescriptor_t, AS_GetAllocator(sl, set, &out));
  EXPECT_EQ(got.allocate, &CountingAllocate);
  EXPECT_EQ(got.deallocate, &CountingFree);
  EXPECT_FAILS(AS_GetAllocator(sl, set, nullptr), AS_ST_BAD_ARG2);

  EXPECT_EQ(AS_Create(sl, &set, nullptr, 0), 0u);
  got = OUT(AS_allocateDescriptor_t, AS_GetAllocator(sl, set, &out));
  EXPECT_EQ(got.allocate, AS__defaultAllocator.allocate);
  EXPECT_EQ(got.deallocate, AS__defaultAllocator.deallocate);
  Destroy(set);
}

TEST_F(AsSetTest, ADestroyedSetLeavesOnlyItsHandleUntilTheLastHolderFreesIt) {
  AS_setHandle_t set = NewSet(), second;
  Add(set, 1, {1});
  ASSERT_EQ(AS_CopySetHandle(sl, set, &second), 0u);
  Destroy(set);
  EXPECT_EQ(Counting().live.size(), 1u);
  AS_attrHandle_t attr;
  EXPECT_FAILS(AS_AddAttr(sl, second, 2, 2, &attr), AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_Clear(sl, second), AS_ST_STALE_HANDLE);
  EXPECT_EQ(AS_FreeSetHandle(sl, &second), 0u);
  EXPECT_EQ(sl.Code(), AS_ST_STALE_HANDLE);
  EXPECT_TRUE(Counting().live.empty());
}

TEST_F(AsSetTest, InvalidAndDamagedHandlesAreRefused) {
  AS_setHandle_t none = AS_nullSetHandle;
  EXPECT_INVALID(AS_FreeSetHandle(sl, &none), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_FreeSetHandle(sl, nullptr), AS_ST_BAD_ARG1);
  EXPECT_EQ(AS_FreeSetHandle(nullptr, &none), 1u);

  // A handle of another kind is invalid, as is one that nobody holds any more.
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  AS_attrHandle_t attr;
  ASSERT_EQ(AS_FindAttr(sl, set, 1, &attr), 0u);
  uint32_t count;
  EXPECT_INVALID(AS_GetCount(sl, reinterpret_cast<AS_setHandle_t>(attr), &count), AS_ST_BAD_ARG1);
  AS_attrHandle_t kept = attr;
  EXPECT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
  EXPECT_INVALID(AS_GetAttrIDR(sl, kept, &count), AS_ST_BAD_ARG1);
  EXPECT_INVALID(AS_FreeAttrHandle(sl, &kept), AS_ST_BAD_ARG1);

  // A handle with half its object reference is invalid; an object whose magic no
  // longer matches what the handle remembers is gone.
  Handle *h = HandleOf(set);
  h->objectMagic = 0;
  EXPECT_INVALID(AS_GetCount(sl, set, &count), AS_ST_BAD_ARG1);
  h->objectMagic = kSetMagic;
  auto *s = static_cast<Set *>(h->objectRef);
  s->magic = kAttrMagic;
  EXPECT_FAILS(AS_GetCount(sl, set, &count), AS_ST_STALE_HANDLE);
  s->magic = kSetMagic;
  s->duplicates = 2;
  EXPECT_FAILS(AS_GetCount(sl, set, &count), AS_ST_BAD_OBJECT);
  s->duplicates = 0;
}

TEST_F(AsSetTest, DestroyWithoutStatusListStillDeletesEverything) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2});
  Add(set, 2, {3});
  sets_.clear();
  EXPECT_EQ(AS_Destroy(nullptr, &set), 0u);
  EXPECT_EQ(set, AS_nullSetHandle);
  EXPECT_FAILS(AS_Destroy(sl, nullptr), AS_ST_BAD_ARG1);
}

TEST_F(AsSetTest, FailingDeleteStopsClearAndDestroyLeavingTheRestConsistent) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, 2});
  Add(set, 2, {3, kDeleteFails, 4});
  Add(set, 3, {5});
  EXPECT_FAILS(AS_Clear(sl, set), AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_EQ(Text(set), "2[-2000,4,] 3[5,]");
  EXPECT_FAILS(AS_Destroy(sl, &set), AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_NE(set, AS_nullSetHandle);
  EXPECT_EQ(Text(set), "2[-2000,4,] 3[5,]");
  static_cast<TestValue *>(OUT(void *, AS_GetAttrVal(sl, set, 2, &out)))->payload = 0;
  EXPECT_EQ(AS_Clear(sl, set), 0u);
  EXPECT_EQ(Text(set), "");
}

TEST_F(AsSetTest, CountsAtTheirLimitRefuseMore) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1});
  auto *s = static_cast<Set *>(HandleOf(set)->objectRef);
  AS_attrHandle_t attr;

  s->handle->userCount = kMaxCount;
  AS_setHandle_t copy;
  EXPECT_FAILS(AS_CopySetHandle(sl, set, &copy), AS_ST_HANDLE_FULL);
  s->handle->userCount = 1;

  s->attrCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttr(sl, set, 2, 2, &attr), AS_ST_SET_FULL);
  TestValue *v = NewValue(9);
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 2, 2, v, &kDesc, nullptr), AS_ST_SET_FULL);
  s->attrCount = 1;

  s->first->valCount = kMaxCount;
  EXPECT_FAILS(AS_AddAttrVal(sl, set, 1, TypeOf(1), v, &kDesc, nullptr), AS_ST_ATTR_FULL);
  s->first->valCount = kMaxCount - 2;
  void *three[] = {v, v, v};
  AS_valueList_t list = {3, three};
  EXPECT_FAILS(AS_AddAttrValList(sl, set, 1, TypeOf(1), &list, &kDesc, nullptr), AS_ST_ATTR_FULL);
  s->first->valCount = 1;
  EXPECT_EQ(Text(set), "1[1,]");
  FreeValue(v);
}

TEST_F(AsSetTest, CopyAndFreeHandleArguments) {
  AS_setHandle_t set = NewSet();
  EXPECT_FAILS(AS_CopySetHandle(sl, set, nullptr), AS_ST_BAD_ARG2);
  AS_setHandle_t copy;
  EXPECT_INVALID(AS_CopySetHandle(sl, AS_nullSetHandle, &copy), AS_ST_BAD_ARG1);
  // A live set whose handle nobody holds any more cannot be used, but lives on
  // with its handle until destroyed through another reference.
  Add(set, 1, {1});
  AS_attrHandle_t attr = Attr(set, 1);
  ASSERT_EQ(AS_FreeSetHandle(sl, &set), 0u);
  AS_setHandle_t again = OUT(AS_setHandle_t, AS_GetAttrSetR(sl, attr, &out));
  Destroy(again);
}

}  // namespace
}  // namespace kq::as::test
