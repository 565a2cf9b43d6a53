// Test support for generic values: the counting allocator as a descriptor, and
// random values of any record.
#ifndef KQ_INFRA_GENU_TEST_SUPPORT_GENV_TEST_SUPPORT_H
#define KQ_INFRA_GENU_TEST_SUPPORT_GENV_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "infra/genu.h"
#include "kqtest.h"
#include "private/genu_layout.h"

namespace kq::genu::test {

// The shared counting allocator.
using kq::test::Counting;
using kq::test::CountingAllocate;
using kq::test::CountingFree;
inline const AS_allocateDescriptor_t kCounting = {CountingAllocate, CountingFree};

// Status lists and log capture are the shared ones.
using Status = kq::test::StatusList;
using kq::test::LogCapture;

// `call`, reporting into a fresh status list `s`, fails with `code` among its codes.
#define EXPECT_REFUSED(code, call)                            \
  do {                                                        \
    kq::genu::test::Status s;                                 \
    EXPECT_EQ(static_cast<uint32_t>(call), 1u) << #call;      \
    EXPECT_TRUE(s.Has(code)) << #call << " gave" << s.Text(); \
  } while (0)

// Adds an attribute `shoid` of integers (of value type `type`) holding `values` to
// `set`; the handle goes to `attr` when given.
inline void AddIntegers(AS_setHandle_t set, uint32_t shoid, const std::vector<int32_t> &values,
                        AS_attrHandle_t *attr = nullptr, uint32_t type = 12) {
  Status s;
  AS_attrHandle_t local = AS_nullAttrHandle, &handle = attr ? *attr : local;
  EXPECT_EQ(AS_AddAttr(s, set, shoid, type, &handle), 0u) << s.Text();
  for (int32_t n : values) {
    auto *v = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *v = n;
    EXPECT_EQ(AS_AddAttrValR(s, handle, type, v, GENU_AVT2Descriptor(type)), 0u) << s.Text();
  }
  if (!attr) AS_FreeAttrHandle(s, &local);
}

// A text or simple name of `choice` holding `s` (not copied; names copy into their
// inline area), with `codeSet` for choice 5.
inline GEN_Text_t MakeText(int32_t choice, const char *s, uint32_t codeSet = 0) {
  GEN_Text_t t{};
  t.choice = choice;
  t.codeSet = codeSet;
  if (choice <= GEN_TEXT_STRING)
    t.u.string = const_cast<char *>(s);
  else
    t.u.octets = {static_cast<int32_t>(strlen(s)),
                  reinterpret_cast<unsigned char *>(const_cast<char *>(s))};
  return t;
}
inline GEN_SimpleName_t MakeName(int32_t choice, const char *s, uint32_t codeSet = 0) {
  GEN_SimpleName_t n{};
  n.choice = choice;
  n.codeSet = codeSet;
  if (choice <= GEN_TEXT_STRING) {
    strcpy(n.u.string, s);
  } else {
    n.u.octets.length = static_cast<int16_t>(strlen(s));
    memcpy(n.u.octets.value, s, strlen(s));
  }
  return n;
}

// A local time with no difference from UTC stated.
inline GEN_GeneralizedTime_t At(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
  using S = int16_t;
  return GEN_GeneralizedTime_t{S(y), S(mo), S(d), S(h), S(mi), S(s), S(ms), 0, 0};
}

// `a` and `b`, records of layout L, compare equal member by member.
inline void ExpectSameStruct(const Layout *L, const void *a, const void *b) {
  Status s;
  int32_t order = 99;
  EXPECT_EQ(CompareStruct(s, L, a, b, &order), 0u) << L->name << s.Text();
  EXPECT_EQ(order, 0) << L->name;
}

// A random record of layout L, owned by the test (parts on the process heap).
struct RandomValue {
  const Layout *layout;
  void *rec;
  RandomValue(const Layout *L, std::mt19937 &rng) : layout(L), rec(calloc(1, L->size)) {
    Random(L, rec, rng);
  }
  ~RandomValue() {
    Status s;
    Delete(s, layout, rec, nullptr);
  }
  RandomValue(const RandomValue &) = delete;
  RandomValue &operator=(const RandomValue &) = delete;
};

}  // namespace kq::genu::test

#endif
