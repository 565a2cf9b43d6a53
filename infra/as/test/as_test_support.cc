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
  if (src->payload == kCopyFails) {
    STF_AddStatus(sl, kCopyFailCode, 0);
    return 1;
  }
  auto *copy = static_cast<TestValue *>(alloc->allocate(sizeof(TestValue)));
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
  auto *s = static_cast<Set *>(HandleOf(set)->objectRef);
  SetImage image{s->duplicates, {}, s->handle->userCount};
  for (Attr *a = s->first; a != nullptr; a = a->next) {
    AttrImage ai{a->attrId, a->valueType, a->modifyOp, {}, {}, {}, a->handle->userCount};
    if (a->charData != nullptr) {
      ai.characteristics.assign(reinterpret_cast<const char *>(a->charData), a->charLength);
    }
    for (Val *v = a->first; v != nullptr; v = v->next) {
      ai.payloads.push_back(PayloadOf(v->value));
      ai.valuePointers.push_back(v->value);
    }
    image.attrs.push_back(ai);
  }
  return image;
}

void AsTest::SetUp() {
  Counting().Reset();
  liveValues = 0;
}

void AsTest::TearDown() {
  for (AS_attrHandle_t &attr : attrs_) {
    if (attr != AS_nullAttrHandle) {
      EXPECT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
    }
  }
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
  sets_.push_back(set);
  return set;
}

void AsTest::Add(AS_setHandle_t set, uint32_t id, std::vector<int> payloads) {
  AS_attrHandle_t attr;
  ASSERT_EQ(AS_AddAttr(sl, set, id, TypeOf(id), &attr), 0u) << std::hex << STF_GetStatus(sl);
  for (int p : payloads) {
    ASSERT_EQ(AS_AddAttrValR(sl, attr, TypeOf(id), NewValue(p), &kDesc), 0u);
  }
  ASSERT_EQ(AS_FreeAttrHandle(sl, &attr), 0u);
}

void AsTest::Destroy(AS_setHandle_t &set) {
  std::erase(sets_, AS_setHandle_t(set));
  EXPECT_EQ(AS_Destroy(sl, &set), 0u);
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

}  // namespace kq::as::test
