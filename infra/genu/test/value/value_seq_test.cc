// Values by type id: the type table and its traces, value sequences and 64-bit
// cardinals.
#include <cstring>
#include <string>
#include <vector>

#include "../support/genv_test_support.h"

using namespace kq::genu::test;

namespace {

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

TEST(GenvTypeTable, DescriptorsAndPdusFollowTheTable) {
  EXPECT_EQ(GENU_AVT2Descriptor(28), &GENU_TextDesc);
  EXPECT_EQ(GENU_AVT2Descriptor(16)->deleteValue, GEN_DeleteText);
  EXPECT_EQ(GENU_AVT2Descriptor(94), &GENU_DriverInfoDesc);
  for (int32_t none : {3, 95, -1}) EXPECT_EQ(GENU_AVT2Descriptor(none), nullptr) << none;
  std::vector<int> pdus;
  for (uint32_t id : {0u, 28u, 45u, 64u, 94u, 3u, 95u, 1000u}) pdus.push_back(GENU_TypeToPDU(id));
  EXPECT_EQ(pdus, (std::vector<int>{1, 9, 246, 161, 254, -1, -1, -1}));
  // An id without a descriptor cannot be copied.
  int32_t x = 1;
  void *copy = reinterpret_cast<void *>(1);
  EXPECT_REFUSED(GENU_ST_NOT_COMPARABLE, GENU__CopyAttrVal(s, 3, &copy, &x, nullptr));
  EXPECT_EQ(copy, nullptr);
}

TEST(GenvTypeTable, TypeTableCompareAndDeltaTextsAreTraced) {
  LogCapture capture("XM");
  EXPECT_EQ(GENU_TypeToPDU(13), -1);
  EXPECT_EQ(GENU_TypeToPDU(28), 9);
  Status s;
  int32_t x = 0, r = 0;
  EXPECT_EQ(GEN_CompareAttrValue(s, 41, &x, &x, &r), 1u);
  GEN_GeneralizedTime_t t{2024, 5, 14, 10, 30, 0, 0, 0, 0}, out{};
  EXPECT_EQ(GENU_GeneralizedTimeDeltaArithmetic(s, &t, 60, 7, &out), 1u);  // no operation 7
  std::string log = capture.Text();
  EXPECT_NE(log.find("GENU_TypeToPDU: unknown type = 13"), std::string::npos) << log;
  EXPECT_EQ(log.find("unknown type = 28"), std::string::npos);
  EXPECT_NE(log.find("GEN_CompareAttrValue: AVT # 41 not yet implemented"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Functionality not implemented."), std::string::npos) << log;
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
