// Attribute operations: copying, walking, presence, the attribute's set, its modify
// operator and characteristics.
#include <cstdlib>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

using AsAttrTest = AsWorldTest;

TEST_F(AsAttrTest, CopyingAttributes) {
  const Case cases[] = {
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 2, nullptr)),
       "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,] 2[3,]"},
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 1, nullptr)), nullptr, AS_ST_DUPLICATE_ATTR},
      {0, true, OP(AS_CopyAttr(sl, w.b, w.a, 9, nullptr)), nullptr, AS_ST_ATTR_NOT_FOUND},
      {0, true, OP(AS_CopyAttrR(sl, w.b, w.a1, nullptr)), nullptr, AS_ST_DUPLICATE_ATTR},
      {0, true, OP((AS_AllowDuplicates(sl, w.b), AS_CopyAttrR(sl, w.b, w.b1, nullptr))),
       "1[1,2,] 2[3,] 3[] / 4[5,] 1[6,7,] 1[6,7,]"},
  };
  for (const Case &c : cases) Check(c);
}

TEST_F(AsAttrTest, WalkingMovesTheCallersReferenceAndStopsAtTheEnds) {
  AS_setHandle_t set = NewSet(1);
  AS_attrHandle_t attr, last;
  uint32_t id = 0;
  auto users = [&] {
    std::vector<uint32_t> users;
    for (const auto &a : Image(set).attrs) users.push_back(a.attrUsers);
    return users;
  };
  EXPECT_FAILS(AS_FindFirstAttr(sl, set, &attr, &id), AS_ST_ATTR_NOT_FOUND);
  for (uint32_t i : {10u, 20u, 30u, 10u}) Add(set, i, {});
  ASSERT_EQ(AS_FindFirstAttr(sl, set, &attr, nullptr) + AS_FindNextAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 20u);
  EXPECT_EQ(users(), (std::vector<uint32_t>{0, 1, 0, 0}));
  ASSERT_EQ(AS_FindNextAttrR(sl, &attr, &id) + AS_FindNextAttrR(sl, &attr, &id), 0u);
  EXPECT_FAILS(AS_FindNextAttrR(sl, &(last = attr), &id), AS_ST_NO_NEXT_ATTR);
  EXPECT_EQ(attr, last);
  for (int i = 0; i < 3; i++) ASSERT_EQ(AS_FindPrevAttrR(sl, &attr, &id), 0u);
  EXPECT_EQ(id, 10u);
  EXPECT_FAILS(AS_FindPrevAttrR(sl, &attr, &id), AS_ST_NO_NEXT_ATTR);
  // The attribute knows its set; presence counts any occurrence of an ID.
  AS_setHandle_t owner = OUT(AS_setHandle_t, AS_GetAttrSetR(sl, attr, &out));
  EXPECT_EQ(owner, set);
  EXPECT_EQ(Image(set).setUsers, 2u);
  EXPECT_EQ(AS_FreeSetHandle(sl, &owner) + AS_FreeAttrHandle(sl, &attr), 0u);
  EXPECT_EQ(users(), (std::vector<uint32_t>{0, 0, 0, 0}));
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 10, &(out = 9))), 1u);
  EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, 5, &(out = 9))), 0u);
}

TEST_F(AsAttrTest, CharacteristicsAndTheModifyOperatorAreKeptAndCopied) {
  AS_setHandle_t set = NewSet(), dst = NewSet();
  Add(set, 1, {1, 2});
  void *data = reinterpret_cast<void *>(1);
  uint32_t length = 9;
  const uint64_t before = Counting().attempts;
  EXPECT_EQ(AS_GetAttrCharacteristics(sl, set, 1, &data, &length, CountingAllocate), 0u);
  EXPECT_TRUE(data == nullptr && length == 0 && Counting().attempts == before);
  char bytes[] = "abcd";
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, set, 1, bytes, 4), 0u);
  bytes[0] = 'z';  // the set keeps its own copy
  AS_attrHandle_t attr = Attr(set, 1);
  ASSERT_EQ(AS_GetAttrCharacteristicsR(sl, attr, &data, &length, nullptr), 0u);
  EXPECT_EQ(std::string(static_cast<char *>(data), length), "abcd");
  free(data);  // the default allocator is malloc
  EXPECT_FAILS(AS_SetAttrModifyOp(sl, set, 1, -2), AS_ST_BAD_ARG3);
  EXPECT_FAILS(AS_SetAttrModifyOpR(sl, attr, 4), AS_ST_BAD_ARG2);
  ASSERT_EQ(AS_SetAttrModifyOpR(sl, attr, AS_MODIFY_SET_DEFAULT), 0u);
  EXPECT_EQ(OUT(int32_t, AS_GetAttrModifyOp(sl, set, 1, &out)), AS_MODIFY_SET_DEFAULT);
  // A copy carries values (copied), characteristics and operator.
  ASSERT_EQ(AS_CopyAttr(sl, dst, set, 1, nullptr), 0u);
  SetImage s = Image(set), d = Image(dst);
  EXPECT_NE(d.attrs[0].valuePointers, s.attrs[0].valuePointers);
  s.attrs[0].valuePointers = d.attrs[0].valuePointers;
  s.attrs[0].attrUsers = 0;  // this test holds a handle of the original
  EXPECT_EQ(d.attrs, s.attrs);
  ASSERT_EQ(AS_SetAttrCharacteristicsR(sl, attr, "x", 0), 0u);
  EXPECT_EQ(Image(set).attrs[0].characteristics, "");
}

}  // namespace
}  // namespace kq::as::test
