// Attribute operations: adding, copying, deleting, finding, walking, and the
// attribute's modify operator, characteristics, ID and set.
#include <cstring>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

using Ids_ = std::vector<uint32_t>;

class AsAttrTest : public AsTest {
 protected:
  static std::vector<uint32_t> Users(AS_setHandle_t set) {
    std::vector<uint32_t> users;
    for (const auto &a : Image(set).attrs) users.push_back(a.attrUsers);
    return users;
  }
};

TEST_F(AsAttrTest, WalkingMovesTheCallersReferenceAndStopsAtTheEnds) {
  AS_setHandle_t set = NewSet();
  AS_attrHandle_t attr;
  uint32_t id = 0;
  EXPECT_FAILS(AS_FindFirstAttr(sl, set, &attr, &id), AS_ST_ATTR_NOT_FOUND);
  EXPECT_FAILS(AS_FindFirstAttr(sl, set, nullptr, &id), AS_ST_BAD_ARG2);
  for (uint32_t i : {10u, 20u, 30u}) Add(set, i, {});

  ASSERT_EQ(AS_FindFirstAttr(sl, set, &attr, nullptr), 0u);
  ASSERT_EQ(AS_FindNextAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 20u);
  EXPECT_EQ(Users(set), (Ids_{0, 1, 0}));
  ASSERT_EQ(AS_FindNextAttrR(sl, &attr, &id), 0u);
  AS_attrHandle_t last = attr;
  EXPECT_FAILS(AS_FindNextAttrR(sl, &attr, &id), AS_ST_NO_NEXT_ATTR);
  EXPECT_EQ(attr, last);
  ASSERT_EQ(AS_FindPrevAttrR(sl, &attr, &id), 0u);
  ASSERT_EQ(AS_FindPrevAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 10u);
  EXPECT_FAILS(AS_FindPrevAttrR(sl, &attr, &id), AS_ST_NO_NEXT_ATTR);
  EXPECT_FAILS(AS_FindNextAttrR(sl, nullptr, &id), AS_ST_BAD_ARG1);
  EXPECT_FAILS(AS_DeleteAttrR(sl, nullptr), AS_ST_BAD_ARG1);
  EXPECT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
  EXPECT_EQ(Users(set), (Ids_{0, 0, 0}));
}

TEST_F(AsAttrTest, FailingDeleteKeepsTheAttributeAndTheCallersHandle) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {1, kDeleteFails});
  AS_attrHandle_t a = Attr(set, 1);
  EXPECT_FAILS(AS_DeleteAttrR(sl, &a), AS_ST_DELETE_FAILED, kDeleteFailCode);
  EXPECT_NE(a, AS_nullAttrHandle);
  void *value = OUT(void *, AS_GetAttrValR(sl, a, &out));
  EXPECT_EQ(PayloadOf(value), kDeleteFails);
  static_cast<TestValue *>(value)->payload = 2;
}

TEST_F(AsAttrTest, CopyAttrCopiesValuesCharacteristicsAndOperator) {
  AS_setHandle_t src = NewSet(), dst = NewSet();
  Add(src, 1, {1, 2});
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, src, 1, "xyz", 3), 0u);
  ASSERT_EQ(AS_SetAttrModifyOp(sl, src, 1, AS_MODIFY_SET_DEFAULT), 0u);
  AS_attrHandle_t &copy = HeldAttr();
  ASSERT_EQ(AS_CopyAttr(sl, dst, src, 1, &copy), 0u);
  SetImage s = Image(src), d = Image(dst);
  ASSERT_EQ(d.attrs.size(), 1u);
  EXPECT_NE(d.attrs[0].valuePointers, s.attrs[0].valuePointers);
  s.attrs[0].valuePointers = d.attrs[0].valuePointers;
  s.attrs[0].attrUsers = 1;  // the copy's handle is held
  EXPECT_EQ(d.attrs, s.attrs);

  EXPECT_FAILS(AS_CopyAttr(sl, dst, src, 1, nullptr), AS_ST_DUPLICATE_ATTR);
  EXPECT_FAILS(AS_CopyAttr(sl, dst, src, 2, nullptr), AS_ST_ATTR_NOT_FOUND);
  EXPECT_FAILS(AS_CopyAttrR(sl, dst, copy, nullptr), AS_ST_DUPLICATE_ATTR);
  // Into its own set when duplicates are allowed.
  EXPECT_EQ(AS_AllowDuplicates(sl, dst), 0u);
  EXPECT_EQ(AS_CopyAttrR(sl, dst, copy, nullptr), 0u);
  EXPECT_EQ(Text(dst), "1[1,2,] 1[1,2,]");
}

TEST_F(AsAttrTest, CopyAttrNamesWhichOfItsTwoArgumentsFailed) {
  AS_setHandle_t src = NewSet(), dst = NewSet(), gone = NewSet();
  Add(src, 1, {1});
  AS_setHandle_t stale;
  ASSERT_EQ(AS_CopySetHandle(sl, gone, &stale), 0u);
  Destroy(gone);
  EXPECT_FAILS(AS_CopyAttr(sl, stale, src, 1, nullptr), AS_ST_STALE_FIRST, AS_ST_STALE_HANDLE);
  EXPECT_FAILS(AS_CopyAttr(sl, dst, stale, 1, nullptr), AS_ST_STALE_SECOND, AS_ST_STALE_HANDLE);
  EXPECT_INVALID(AS_CopyAttr(sl, dst, AS_nullSetHandle, 1, nullptr), AS_ST_BAD_ARG2);
  EXPECT_INVALID(AS_CopyAttrR(sl, dst, AS_nullAttrHandle, nullptr), AS_ST_BAD_ARG2);

  auto *d = static_cast<Set *>(HandleOf(dst)->objectRef);
  auto *s = static_cast<Set *>(HandleOf(src)->objectRef);
  d->duplicates = 3;
  EXPECT_FAILS(AS_CopyAttr(sl, dst, src, 1, nullptr), AS_ST_BAD_FIRST, AS_ST_BAD_OBJECT);
  d->duplicates = 0;
  s->first->modifyOp = 4;
  EXPECT_EQ(AS_CopyAttr(sl, dst, src, 1, nullptr), 0u);  // only the source set is checked
  AS_attrHandle_t a = Attr(src, 1);
  EXPECT_FAILS(AS_CopyAttrR(sl, dst, a, nullptr), AS_ST_BAD_SECOND, AS_ST_BAD_OBJECT);
  s->first->modifyOp = 0;
  EXPECT_EQ(AS_FreeSetHandle(sl, &stale), 0u);
}

TEST_F(AsAttrTest, CharacteristicsAreCopiedInAndOut) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  void *data = reinterpret_cast<void *>(1);
  uint32_t length = 9;
  const uint64_t before = Counting().attempts;
  EXPECT_EQ(AS_GetAttrCharacteristics(sl, set, 1, &data, &length, CountingAllocate), 0u);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(Counting().attempts, before);

  char bytes[] = "abcd";
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, set, 1, bytes, 4), 0u);
  bytes[0] = 'z';  // the set keeps its own copy
  ASSERT_EQ(AS_GetAttrCharacteristics(sl, set, 1, &data, &length, CountingAllocate), 0u);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(data, "abcd", 4), 0);
  CountingFree(data);

  AS_attrHandle_t attr = Attr(set, 1);
  ASSERT_EQ(AS_GetAttrCharacteristicsR(sl, attr, &data, &length, nullptr), 0u);
  EXPECT_EQ(length, 4u);
  free(data);  // the default allocator is malloc
  ASSERT_EQ(AS_SetAttrCharacteristicsR(sl, attr, "x", 0), 0u);
  EXPECT_EQ(Image(set).attrs[0].characteristics, "");
  EXPECT_EQ(Counting().live.size(), 4u);  // set and attribute with their handles

  EXPECT_FAILS(AS_SetAttrCharacteristics(sl, set, 1, nullptr, 0), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_SetAttrCharacteristicsR(sl, attr, nullptr, 1), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_GetAttrCharacteristics(sl, set, 1, nullptr, &length, nullptr), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_GetAttrCharacteristics(sl, set, 1, &data, nullptr, nullptr), AS_ST_BAD_ARG4);
  EXPECT_FAILS(AS_GetAttrCharacteristicsR(sl, attr, nullptr, &length, nullptr), AS_ST_BAD_ARG2);
  EXPECT_FAILS(AS_GetAttrCharacteristicsR(sl, attr, &data, nullptr, nullptr), AS_ST_BAD_ARG3);
}

TEST_F(AsAttrTest, ModifyOperatorRangeIsCheckedBeforeTheHandle) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  EXPECT_FAILS(AS_SetAttrModifyOp(sl, AS_nullSetHandle, 1, 4), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_SetAttrModifyOp(sl, set, 1, -2), AS_ST_BAD_ARG3);
  EXPECT_EQ(AS_SetAttrModifyOp(sl, set, 1, AS_MODIFY_NOOP), 0u);
  EXPECT_EQ(OUT(int32_t, AS_GetAttrModifyOp(sl, set, 1, &out)), AS_MODIFY_NOOP);
  EXPECT_FAILS(AS_GetAttrModifyOp(sl, set, 1, nullptr), AS_ST_BAD_ARG3);
  AS_attrHandle_t attr = Attr(set, 1);
  EXPECT_FAILS(AS_SetAttrModifyOpR(sl, attr, 4), AS_ST_BAD_ARG2);
  EXPECT_EQ(AS_SetAttrModifyOpR(sl, attr, AS_MODIFY_DELETE_VALUES), 0u);
  EXPECT_EQ(OUT(int32_t, AS_GetAttrModifyOpR(sl, attr, &out)), AS_MODIFY_DELETE_VALUES);
  EXPECT_FAILS(AS_GetAttrModifyOpR(sl, attr, nullptr), AS_ST_BAD_ARG2);
}

TEST_F(AsAttrTest, PresenceCountsAnyOccurrenceOfAnId) {
  AS_setHandle_t set = NewSet(1);
  Add(set, 4, {});
  Add(set, 4, {});
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 4, &(out = 9))), 1u);
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 5, &(out = 9))), 0u);
  EXPECT_FAILS(AS_IsAttrPresent(sl, set, 5, nullptr), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_FindAttr(sl, set, 4, nullptr), AS_ST_BAD_ARG3);
}

TEST_F(AsAttrTest, AttributeKnowsItsSet) {
  AS_setHandle_t set = NewSet();
  Add(set, 1, {});
  AS_attrHandle_t attr = Attr(set, 1);
  EXPECT_FAILS(AS_GetAttrSetR(sl, attr, nullptr), AS_ST_BAD_ARG2);
  AS_setHandle_t owner = OUT(AS_setHandle_t, AS_GetAttrSetR(sl, attr, &out));
  EXPECT_EQ(owner, set);
  EXPECT_EQ(Image(set).setUsers, 2u);
  EXPECT_EQ(AS_FreeSetHandle(sl, &owner), 0u);
}

}  // namespace
}  // namespace kq::as::test
