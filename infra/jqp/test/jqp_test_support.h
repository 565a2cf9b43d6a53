// Shared by the jqp tests: result records made the way replies arrive (built from
// generic values, encoded and decoded by the real coder), attribute sets of integers
// to fill them, and a counting allocator for the calling thread's coding world that
// fails a chosen allocation and sees every block left behind.
#ifndef KQ_INFRA_JQP_TEST_JQP_TEST_SUPPORT_H
#define KQ_INFRA_JQP_TEST_JQP_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "kqtest.h"

namespace kq::jqp::test {

using Status = kq::test::StatusList;
using Ints = std::vector<int32_t>;

inline constexpr uint32_t kIntAttr = 3001;  // an integer attribute of the registry
inline constexpr uint32_t kOid = 369;       // a short OID with a BER form
inline constexpr uint32_t kOtherOid = 370;

// A new set holding one integer attribute with `values` (empty: an empty set).
inline AS_setHandle_t IntSet(const Ints &values) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle;
  EXPECT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  if (values.empty()) return set;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  EXPECT_EQ(AS_AddAttr(s, set, kIntAttr, 12, &attr), 0u);
  for (int32_t n : values) {
    auto *v = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *v = n;
    EXPECT_EQ(AS_AddAttrValR(s, attr, 12, v, &GENU_IntegerDesc), 0u) << s.Text();
  }
  AS_FreeAttrHandle(s, &attr);
  return set;
}

// The integer values a set holds (none when the attribute is absent).
inline Ints IntsOf(AS_setHandle_t set) {
  Status s;
  AS_valueList_t values{};
  if (AS_GetAttrValList(s, set, kIntAttr, &values, nullptr)) return {};
  Ints out;
  for (uint32_t i = 0; i < values.count; ++i)
    out.push_back(*static_cast<int32_t *>(values.values[i]));
  free(values.values);
  return out;
}

// The wire attribute list of a set of integers.
inline AttributeList WireList(const Ints &values) {
  Status s;
  AS_setHandle_t set = IntSet(values);
  AttributeList list = nullptr;
  EXPECT_EQ(ToBER_AS(s, &list, &set, GENU_AS_MODE_KEEP_EXT_ACL), 0) << s.Text();
  AS_Destroy(s, &set);
  return list;
}

inline ber_oid WireOid(uint32_t shoid) {
  Status s;
  ber_oid oid{};
  EXPECT_EQ(ToBER_oid(s, &oid, &shoid), 0) << s.Text();
  return oid;
}

// A record of PDU `pdu` as a reply carries it: `sent` encoded and decoded again.
// The decoded record is freed with the object.
template <typename W>
class Decoded {
 public:
  Decoded(int pdu, W *sent) : pdu_(pdu) {
    OssBuf encoded{0, nullptr};
    void *out = nullptr;
    EXPECT_EQ(GENU_OssEncode(nullptr, pdu_, sent, &encoded), 0);
    EXPECT_EQ(GENU_OssDecode(nullptr, &pdu_, &encoded, &out), 0);
    free(encoded.value);
    record_ = static_cast<W *>(out);
  }
  ~Decoded() {
    if (record_) GENU_OssFreePDU(nullptr, pdu_, record_);
  }
  Decoded(const Decoded &) = delete;
  Decoded &operator=(const Decoded &) = delete;
  W *get() const { return record_; }
  W *operator->() const { return record_; }

 private:
  int pdu_;
  W *record_ = nullptr;
};

// Releases the attribute lists a test built into a record it sent.
inline void FreeLists(std::initializer_list<AttributeList *> lists) {
  Status s;
  for (AttributeList *list : lists) EXPECT_EQ(FreeBER_AS(s, list), 0);
}

// The counting allocator. Values unpacked into attribute sets come from the world too
// but are freed with the process free (the world's allocator is the process heap), so
// the book is exact only for conversions whose sets hold no values; the address
// sanitizer watches the rest.
struct Counter {
  uint64_t attempts = 0;
  uint64_t failAt = 0;  // the attempt that fails; 0: none
  std::array<void *, 1024> blocks{};
  size_t nblocks = 0;
  uint64_t badFrees = 0;
};
inline Counter &counter() {
  static Counter c;
  return c;
}
inline void *CountingAllocate(size_t size) {
  Counter &c = counter();
  if (++c.attempts == c.failAt || c.nblocks == c.blocks.size()) return nullptr;
  void *block = malloc(size ? size : 1);
  c.blocks[c.nblocks++] = block;
  return block;
}
inline void CountingFree(void *block) {
  if (!block) return;
  Counter &c = counter();
  auto end = c.blocks.begin() + static_cast<std::ptrdiff_t>(c.nblocks);
  auto found = std::find(c.blocks.begin(), end, block);
  if (found == end) {
    ++c.badFrees;
    return;
  }
  *found = c.blocks[--c.nblocks];
  free(block);
}
// While alive, the thread's world allocates and frees through the counting allocator.
class CountingWorld {
 public:
  CountingWorld() : saved_malloc_(world_->mallocp), saved_free_(world_->freep) {
    counter() = Counter{};
    world_->mallocp = CountingAllocate;
    world_->freep = CountingFree;
  }
  ~CountingWorld() {
    world_->mallocp = saved_malloc_;
    world_->freep = saved_free_;
  }
  CountingWorld(const CountingWorld &) = delete;
  CountingWorld &operator=(const CountingWorld &) = delete;

 private:
  OssGlobal *world_ = GENU_GetWorld();
  void *(*saved_malloc_)(size_t);
  void (*saved_free_)(void *);
};

}  // namespace kq::jqp::test

#endif
