// Copy and delete of every record through its descriptor and its deep forms, and
// of value sequences, with random values, a counting allocator and allocation
// failures.
#include <cstring>
#include <string>
#include <vector>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

struct Entry {
  std::string name;
  const AS_valueDescriptor_t *desc;
  const kq::genu::Layout *layout;
};

std::vector<Entry> everyDescriptor() {
  std::vector<Entry> v;
#define GENV_ENTRY(R) v.push_back({#R, &GENU_##R##Desc, &kq::genu::k##R##Layout});
  GENU_COPY_DELETE_RECORDS(GENV_ENTRY)
#undef GENV_ENTRY
  return v;
}

// Copies `src` through the descriptor with the counting allocator; checks the
// copy compares equal, then deletes it. Returns the allocations it took.
uint64_t copyCompareDelete(const Entry &e, const void *src) {
  Counting().Reset();
  Status s;
  void *copy = nullptr;
  EXPECT_EQ(e.desc->copyValue(s, &copy, src, &kCounting), 0u) << e.name;
  if (!copy) return 0;
  uint64_t used = Counting().attempts;
  kq::genu::test::ExpectSameStruct(e.layout, src, copy);
  EXPECT_EQ(e.desc->deleteValue(s, copy, &kCounting), 0u) << e.name;
  EXPECT_TRUE(Counting().live.empty()) << e.name << " leaks " << Counting().live.size();
  EXPECT_EQ(Counting().badFrees, 0u) << e.name;
  return used;
}

// Each round first copies, compares and deletes the value whole.
TEST(GenvCopy, EveryDescriptorCopiesExactlyAndFailedAllocationsLeakNothing) {
  std::mt19937 rng(11);
  for (const Entry &e : everyDescriptor())
    for (int round = 0; round < 4; ++round) {
      RandomValue v(e.layout, rng);
      uint64_t needed = copyCompareDelete(e, v.rec);
      for (uint64_t n = 1; n <= needed; ++n) {
        Counting().Reset();
        Counting().failAt = n;
        Status s;
        void *copy = reinterpret_cast<void *>(1);
        EXPECT_EQ(e.desc->copyValue(s, &copy, v.rec, &kCounting), 1u) << e.name << " n=" << n;
        EXPECT_EQ(copy, nullptr) << e.name;
        EXPECT_TRUE(s.Has(GENU_ST_NO_MEMORY)) << e.name << " n=" << n;
        EXPECT_TRUE(Counting().live.empty()) << e.name << " n=" << n << " leaks";
        EXPECT_EQ(Counting().badFrees, 0u) << e.name;
      }
    }
}

TEST(GenvCopy, EveryTypeIdWithDescriptorCopiesExactly) {
  std::mt19937 rng(3);
  int withDescriptor = 0;
  for (uint32_t id = 0; id < GENU_AVT_COUNT; ++id) {
    const AS_valueDescriptor_t *d = GENU_AVT2Descriptor(static_cast<int32_t>(id));
    ASSERT_EQ(d == nullptr, kq::genu::LayoutOfType(id) == nullptr) << id;
    if (!d) {  // an id without a descriptor cannot be copied
      int32_t x = 1;
      void *copy = reinterpret_cast<void *>(1);
      EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GENU__CopyAttrVal(s, id, &copy, &x, nullptr));
      EXPECT_EQ(copy, nullptr);
      continue;
    }
    ++withDescriptor;
    for (int round = 0; round < 4; ++round) {
      RandomValue v(kq::genu::LayoutOfType(id), rng);
      Status s;
      void *copy = nullptr;
      ASSERT_EQ(GENU__CopyAttrVal(s, id, &copy, v.rec, nullptr), 0u) << id;
      ExpectSameStruct(kq::genu::LayoutOfType(id), v.rec, copy);
      EXPECT_EQ(GENU__DeleteAttrVal(s, id, copy, nullptr), 0u) << id;
    }
  }
  EXPECT_EQ(withDescriptor, 73);
}

TEST(GenvCopy, DeepFormsFillCallerRecordsAndZeroThemOnDelete) {
  std::mt19937 rng(5);
  struct Deep {
    const char *name;
    const kq::genu::Layout *layout;
    uint32_t (*copy)(STF_statusList_t *, void *, const void *, const AS_allocateDescriptor_t *);
    uint32_t (*del)(STF_statusList_t *, void *, const AS_allocateDescriptor_t *);
  };
  std::vector<Deep> deep;
#define GENV_DEEP(R)                                                                       \
  deep.push_back(                                                                          \
      {#R, &kq::genu::k##R##Layout,                                                        \
       [](STF_statusList_t *s, void *d, const void *x, const AS_allocateDescriptor_t *a) { \
         return GEN_DeepCopy##R(s, static_cast<GEN_##R##_t *>(d),                          \
                                static_cast<const GEN_##R##_t *>(x), a);                   \
       },                                                                                  \
       [](STF_statusList_t *s, void *d, const AS_allocateDescriptor_t *a) {                \
         return GEN_DeepDelete##R(s, static_cast<GEN_##R##_t *>(d), a);                    \
       }});
  GENU_DEEP_RECORDS(GENV_DEEP)
#undef GENV_DEEP
  for (const Deep &d : deep) {
    for (int round = 0; round < 6; ++round) {
      RandomValue v(d.layout, rng);
      std::vector<unsigned char> dst(d.layout->size, 0xAB), zero(d.layout->size, 0);
      Counting().Reset();
      Status s;
      ASSERT_EQ(d.copy(s, dst.data(), v.rec, &kCounting), 0u) << d.name;
      kq::genu::test::ExpectSameStruct(d.layout, v.rec, dst.data());
      EXPECT_EQ(d.del(s, dst.data(), &kCounting), 0u) << d.name;
      EXPECT_EQ(dst, zero) << d.name;
      EXPECT_TRUE(Counting().live.empty()) << d.name;
    }
  }
}

// Unknown choices, also nested behind parts already copied (a document format whose
// version has a bad choice after its variants text), negative lengths and null
// records are refused; nothing stays allocated and deep copies leave the target empty.
TEST(GenvCopy, BadValuesAreRefusedAndNothingAllocated) {
  GEN_Text_t t{}, variants{}, dst;
  t.choice = 9;
  variants.choice = GEN_TEXT_ISO646;
  variants.u.string = const_cast<char *>("landscape");
  GEN_SimpleName_t version{};
  version.choice = 42;
  GEN_DocumentFormat_t f{7, &variants, &version};
  GEN_OctetString_t neg{-1, nullptr}, odst{5, reinterpret_cast<unsigned char *>(1)};
  void *copy = reinterpret_cast<void *>(1);
  Counting().Reset();
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_CopyDocumentFormat(s, &copy, &f, &kCounting));
  EXPECT_GT(Counting().attempts, 1u);
  EXPECT_TRUE(Counting().live.empty());
  EXPECT_EQ(copy, nullptr);
  memset(&dst, 0x5A, sizeof dst);
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_DeepCopyText(s, &dst, &t, nullptr));
  EXPECT_TRUE(dst.choice == 0 && dst.u.string == nullptr);
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GEN_DeepCopyOctetString(s, &odst, &neg, nullptr));
  EXPECT_TRUE(odst.length == 0 && odst.value == nullptr);
}

// Value sequences.
GEN_ValueSeq_t *textList(const char *const *words, int n) {
  GEN_ValueSeq_t *head = nullptr, **tail = &head;
  for (int i = 0; i < n; ++i) {
    auto *node = static_cast<GEN_ValueSeq_t *>(calloc(1, sizeof(GEN_ValueSeq_t)));
    auto *t = static_cast<GEN_Text_t *>(calloc(1, sizeof(GEN_Text_t)));
    t->choice = GEN_TEXT_ISO646;
    t->u.string = strdup(words[i]);
    node->value = t;
    *tail = node;
    tail = &node->next;
  }
  return head;
}

// An empty list copies to an empty list; the values of a list keep their order.
TEST(GenvValueSeq, CopyKeepsOrderAndFailuresLeaveNothing) {
  const char *words[] = {"alpha", "beta", "gamma"};
  GEN_ValueSeq_t *src = textList(words, 3);
  Status s;
  GEN_ValueSeq_t *out = reinterpret_cast<GEN_ValueSeq_t *>(1);
  EXPECT_EQ(GENU__CopyAttrValSeq(s, 28, &out, nullptr, nullptr), 0u);
  EXPECT_EQ(out, nullptr);
  Counting().Reset();
  ASSERT_EQ(GENU__CopyAttrValSeq(s, 28, &out, src, &kCounting), 0u);
  uint64_t needed = Counting().attempts;
  EXPECT_EQ(needed, 9u);  // per value: node, record, string
  std::string got;
  for (GEN_ValueSeq_t *n = out; n; n = n->next)
    got += static_cast<GEN_Text_t *>(n->value)->u.string + std::string(" ");
  EXPECT_EQ(got, "alpha beta gamma ");
  EXPECT_EQ(GENU__DeleteAttrValSeq(s, 28, out, &kCounting), 0u);
  EXPECT_TRUE(Counting().live.empty());

  for (uint64_t n = 1; n <= needed; ++n) {
    SCOPED_TRACE(n);
    Counting().Reset();
    Counting().failAt = n;
    out = reinterpret_cast<GEN_ValueSeq_t *>(1);
    EXPECT_REFUSED(GENU_ST_NO_MEMORY, GENU__CopyAttrValSeq(s, 28, &out, src, &kCounting));
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(Counting().live.empty());
  }
  EXPECT_EQ(GENU__DeleteAttrValSeq(s, 28, src, nullptr), 0u);
}

TEST(GenvValueSeq, DeleteReportsAFailingValueButFreesTheRest) {
  const char *words[] = {"one", "two"};
  GEN_ValueSeq_t *list = textList(words, 2);
  auto *bad = static_cast<GEN_Text_t *>(list->next->value);
  free(bad->u.string);
  bad->choice = 3;
  bad->u.octets = GEN_OctetString_t{-4, nullptr};
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, GENU__DeleteAttrValSeq(s, 28, list, nullptr));
}

}  // namespace
