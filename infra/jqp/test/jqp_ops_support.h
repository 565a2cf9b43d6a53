// What the suites of the protocol operations share: argument values of every kind in one
// fixture, wire attribute lists of integers as replies carry them, and the integers a
// result's set holds.
#ifndef KQ_INFRA_JQP_TEST_JQP_OPS_SUPPORT_H
#define KQ_INFRA_JQP_TEST_JQP_OPS_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "kqtest.h"

namespace kq::jqp::test {

constexpr uint32_t kIntAttr = 3001;              // an integer attribute of the registry
constexpr uint32_t kOid = 369, kOtherOid = 370;  // short OIDs with a BER form

// The wire list of a set holding kIntAttr with the integer `values` (none: an empty list).
inline AttributeList WireList(const std::vector<int32_t> &values) {
  kq::test::StatusList s;
  AS_setHandle_t set = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  EXPECT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  if (!values.empty()) {
    EXPECT_EQ(AS_AddAttr(s, set, kIntAttr, 12, &attr), 0u);
  }
  for (int32_t n : values)  // the set takes the value, which goes back with free
    EXPECT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(malloc(4), &n, 4), &GENU_IntegerDesc), 0u);
  if (!values.empty()) AS_FreeAttrHandle(s, &attr);
  AttributeList list = nullptr;
  EXPECT_EQ(ToBER_AS(s, &list, &set, GENU_AS_MODE_KEEP_EXT_ACL), 0) << s.Text();
  AS_Destroy(s, &set);
  return list;
}

// "{5,6}": the integers of kIntAttr in a result's set cell; "nothing" for no cell.
inline std::string Values(const AS_setHandle_t *cell) {
  if (!cell) return "nothing";
  kq::test::StatusList s;
  AS_valueList_t values{};
  std::string text = "{";
  if (AS_GetAttrValList(s, *cell, kIntAttr, &values, nullptr) == 0) {
    for (uint32_t i = 0; i < values.count; ++i)
      text += (i ? "," : "") + std::to_string(*static_cast<int32_t *>(values.values[i]));
    free(values.values);
  }
  return text + "}";
}

// Argument values shared by the rows.
class OperationArgs : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_EQ(GENU_MakeEmbeddedSimpleName(s, &printer, "lp0", nullptr), 0u);
    ASSERT_EQ(GENU_MakeEmbeddedText(s, &message, "hello", nullptr), 0u);
    ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
    AddInteger(set, 5);
    ASSERT_EQ(AS_Create(s, &modification, nullptr, 0), 0u);
    AddInteger(modification, 6);
    ASSERT_EQ(AS_SetAttrModifyOp(s, modification, kIntAttr, AS_MODIFY_ADD_VALUES), 0u);
    job.choice = 1;
    strcpy(job.u.job.value, "job-7");
    filter.choice = 1;
    filter.u.item.choice = 5;
    filter.u.item.u.present = kIntAttr;
    oidNode = {nullptr, &requestedOid};
    requested.first = &oidNode;
    context = {3, contextBytes};
    jobOrPrinter.tag = 1;
    strcpy(jobOrPrinter.u.job, "job-9");
    printerOf.tag = 2;
    printerOf.u.printer = printer;
    ASSERT_EQ(GENU_MakeEmbeddedText(s, &dn.text, "cn=lp0", nullptr), 0u);
    event.choice = 1;
    event.u.oid = kOid;
    document = {&transfer, nullptr, &docType, set};
  }
  void TearDown() override {
    GEN_DeepDeleteText(s, &message, nullptr);
    GEN_DeepDeleteText(s, &dn.text, nullptr);
    AS_Destroy(s, &set);
    AS_Destroy(s, &modification);
  }
  void AddInteger(AS_setHandle_t target, int32_t n) {
    AS_attrHandle_t attr = AS_nullAttrHandle;
    ASSERT_EQ(AS_AddAttr(s, target, kIntAttr, 12, &attr), 0u);
    ASSERT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(malloc(4), &n, 4), &GENU_IntegerDesc), 0u);
    AS_FreeAttrHandle(s, &attr);
  }

  kq::test::StatusList s;
  GEN_SimpleName_t printer{};
  GEN_Text_t message{};
  AS_setHandle_t set = AS_nullSetHandle, modification = AS_nullSetHandle;
  GEN_ObjectIdent_t job{};
  GEN_Filter_t filter{};
  uint32_t requestedOid = kIntAttr, transfer = kOid, docType = kOtherOid;
  uint32_t when = kOtherOid;
  GEN_ValueSeq_t oidNode{};
  GEN_SetOfOids_t requested{};
  unsigned char contextBytes[3] = {'a', 'b', 'c'};
  GEN_listContext_t context{};
  GEN_JobOrPrinter_t jobOrPrinter{}, printerOf{};
  GEN_DistNameString_t dn{};
  GEN_NameOrOID_t event{};
  GEN_DocDescription_t document{};
  GEN_Boolean_t no = 0, yes = 1;
  int32_t three = 3, seven = 7;
};

}  // namespace kq::jqp::test

#endif
