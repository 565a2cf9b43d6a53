#include "as_test_support.h"

#include <cstdlib>

namespace kq::as::test {

namespace {
int liveValues = 0;
}

uint32_t CopyTestValue(STF_statusList_t *sl, void **out, const void *value,
                       const AS_allocateDescriptor_t *alloc) {
  auto *src = static_cast<const TestValue *>(value);
  EXPECT_EQ(src->magic, kValueMagic);
  auto *copy = src->payload == kCopyFails
                   ? nullptr
                   : static_cast<TestValue *>(alloc->allocate(sizeof(TestValue)));
  if (copy == nullptr) {
    STF_AddStatus(sl, kCopyFailCode, 0);
    return 1;
  }
  *copy = *src;
  liveValues++;
  *out = copy;
  return 0;
}

uint32_t DeleteTestValue(STF_statusList_t *sl, void *value, const AS_allocateDescriptor_t *alloc) {
  auto *v = static_cast<TestValue *>(value);
  EXPECT_EQ(v->magic, kValueMagic);
  if (v->payload == kDeleteFails) {
    STF_AddStatus(sl, kDeleteFailCode, 0);
    return 1;
  }
  v->magic = 0;
  liveValues--;
  alloc->deallocate(v);
  return 0;
}

int LiveValues() { return liveValues; }

TestValue *NewValue(int payload) {
  auto *v = static_cast<TestValue *>(CountingAllocate(sizeof(TestValue)));
  *v = {kValueMagic, payload};
  liveValues++;
  return v;
}

void FreeValue(TestValue *v) {
  EXPECT_EQ(v->magic, kValueMagic);
  v->magic = 0;
  liveValues--;
  CountingFree(v);
}

SetImage Image(AS_setHandle_t set) {
  Set *s = SetOf(set);
  SetImage image{s->duplicates, {}, s->handle->userCount};
  for (Attr *a = s->first; a != nullptr; a = a->next) {
    AttrImage &ai = image.attrs.emplace_back(
        AttrImage{a->attrId, a->valueType, a->modifyOp, {}, {}, {}, a->handle->userCount});
    if (a->charData != nullptr)
      ai.characteristics.assign(reinterpret_cast<const char *>(a->charData), a->charLength);
    for (Val *v = a->first; v != nullptr; v = v->next) {
      ai.payloads.push_back(PayloadOf(v->value));
      ai.valuePointers.push_back(v->value);
    }
  }
  return image;
}

void AsTest::SetUp() {
  Counting().Reset();
  liveValues = 0;
}

void AsTest::TearDown() {
  for (AS_attrHandle_t &attr : attrs_)
    EXPECT_EQ(attr == AS_nullAttrHandle ? 0u : AS_FreeAttrHandle(sl, &attr), 0u);
  while (!sets_.empty()) {
    AS_setHandle_t set = sets_.back();
    Destroy(set);
  }
  EXPECT_EQ(Counting().badFrees, 0u) << "blocks freed twice or never allocated";
  EXPECT_EQ(Counting().live.size(), 0u) << "blocks leaked";
  EXPECT_EQ(LiveValues(), 0) << "test values leaked";
  for (void *p : Counting().live) std::free(p);
  Counting().live.clear();
}

AS_setHandle_t AsTest::NewSet(uint32_t duplicates) {
  AS_setHandle_t set = AS_nullSetHandle;
  EXPECT_EQ(AS_Create(sl, &set, &kCounting, duplicates), 0u);
  return sets_.emplace_back(set);
}

void AsTest::Add(AS_setHandle_t set, uint32_t id, std::vector<int> payloads) {
  AS_attrHandle_t attr;
  ASSERT_EQ(AS_AddAttr(sl, set, id, TypeOf(id), &attr), 0u) << std::hex << STF_GetStatus(sl);
  for (int p : payloads) ASSERT_EQ(AS_AddAttrValR(sl, attr, TypeOf(id), NewValue(p), &kDesc), 0u);
  ASSERT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
}

void AsTest::Destroy(AS_setHandle_t &set) {
  std::erase(sets_, AS_setHandle_t(set));
  EXPECT_EQ(AS_Destroy(sl, &set), 0u);
}

AS_attrHandle_t AsTest::Attr(AS_setHandle_t set, uint32_t id) {
  AS_attrHandle_t &attr = HeldAttr();
  EXPECT_EQ(AS_FindAttr(sl, set, id, &attr), 0u);
  return attr;
}

std::string AsTest::Text(AS_setHandle_t set) {
  std::string text;
  AS_attrHandle_t attr;
  uint32_t id;
  if (AS_FindFirstAttr(sl, set, &attr, &id) != 0) return text;
  do {
    text += (text.empty() ? "" : " ") + std::to_string(id) + "[";
    AS_attrValHandle_t val;
    void *value;
    if (AS_FindFirstAttrValR(sl, attr, &val, &value) == 0) {
      do text += std::to_string(PayloadOf(value)) + ",";
      while (AS_FindNextAttrValVR(sl, &val, &value) == 0);
      EXPECT_EQ(sl.Code(), AS_ST_NO_NEXT_VAL);
      EXPECT_EQ(AS_FreeAttrValHandle(sl, &val), 0u);
    }
    text += "]";
  } while (AS_FindNextAttrR(sl, &attr, &id) == 0);
  EXPECT_EQ(sl.Code(), AS_ST_NO_NEXT_ATTR);
  EXPECT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
  return text;
}

void AsWorldTest::Build(World &w, int values) {
  w = World();
  for (int i = 0; i < values; i++) w.mineArray.push_back(w.mine.emplace_back(NewValue(100 + i)));
  w.mineList = {uint32_t(values), w.mineArray.data()};
  w.a = NewSet();
  Add(w.a, 1, {1, 2});
  Add(w.a, 2, {3});
  Add(w.a, 3, {});
  ASSERT_EQ(AS_SetAttrCharacteristics(sl, w.a, 2, "chars", 5), 0u);
  w.b = NewSet();
  Add(w.b, 4, {5});
  Add(w.b, 1, {6, 7});
  ASSERT_EQ(AS_FindAttr(sl, w.a, 1, &w.a1) + AS_FindAttr(sl, w.a, 2, &w.a2) +
                AS_FindAttr(sl, w.b, 1, &w.b1),
            0u);
}

void AsWorldTest::TakeDown(World &w, bool callerKeepsValues) {
  if (callerKeepsValues)
    for (TestValue *v : w.mine) FreeValue(v);
  for (AS_attrHandle_t *h : {&w.a1, &w.a2, &w.b1, &w.attrOut})
    EXPECT_EQ(*h == AS_nullAttrHandle ? 0u : AS_FreeAttrHandle(sl, h), 0u);
  for (AS_setHandle_t *s : {&w.a, &w.b, &w.result})
    if (*s != AS_nullSetHandle) Destroy(*s);
  CountingFree(w.buffer);
  CountingFree(w.listOut.values);
}

void AsWorldTest::Check(const Case &c) {
  SCOPED_TRACE(c.name);
  World w;
  Build(w, c.values);
  const SetImage a = Image(w.a), b = Image(w.b);
  sl.Clear();
  const uint32_t rc = c.op(sl, w);
  std::vector<uint32_t> codes;
  for (uint32_t code : {c.code, c.code2})
    if (code != 0) codes.push_back(code);
  EXPECT_EQ(sl.Codes(), codes);
  EXPECT_EQ(rc, c.after ? 0u : 1u);
  if (rc != 0) {
    EXPECT_EQ(Image(w.a), a);
    EXPECT_EQ(Image(w.b), b);
    EXPECT_EQ(w.result, AS_nullSetHandle);
  } else if (c.after != nullptr) {
    std::string text = Text(w.a);
    if (!(Image(w.b) == b)) text += " / " + Text(w.b);
    if (w.result != AS_nullSetHandle) text += " // " + Text(w.result);
    EXPECT_EQ(text, c.after);
  }
  TakeDown(w, rc != 0 || !c.consumesValues);
  EXPECT_TRUE(Counting().live.empty() && LiveValues() == 0) << "leaked";
}

}  // namespace kq::as::test
