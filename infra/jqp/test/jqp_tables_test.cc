// The record-number tables against the compiled protocol module, and the standard
// problem codes and their texts against the module's enumerations.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "private/jqp_pdu.h"

namespace {

// The module's name of record `number`; 0 and -1 (no record) as themselves.
std::string RecordName(int number) {
  const ber_pdu *pdu = number > 0 ? BER__FindPDU(&kq_0b, number) : nullptr;
  return pdu ? pdu->name : std::to_string(number);
}

TEST(JqpTables, EveryOperationAndErrorTypeNamesItsRecords) {
  // By operation number, the stem of <stem>Argument and <stem>Result ("": none).
  const char *const kOperations[kq::jqp::kOperations] = {
      "Print",    "List",      "Create",    "Enable",    "SendEvent",  "Print",
      "Print",    "List",      "List",      "List",      "List",       "List",
      "List",     "Disable",   "ModifyJob", "CancelJob", "PromoteJob", "InterruptJob",
      "PauseJob", "ResumeJob", "Clean",     "Set",       "Shutdown",   "ResubmitJob",
      "Delete",   "Pause",     "Resume",    "",          "Control"};
  for (int op = 0; op < kq::jqp::kOperations; ++op) {
    SCOPED_TRACE(op);
    const std::string stem = kOperations[op];
    EXPECT_EQ(RecordName(kq::jqp::pduargs[op]), stem.empty() ? "0" : stem + "Argument");
    EXPECT_EQ(RecordName(kq::jqp::pduresults[op]), stem.empty() ? "0" : stem + "Result");
  }
  std::string errors;  // by error type
  for (int type : kq::jqp::pduerrors) errors += " " + RecordName(type);
  EXPECT_EQ(errors,
            " 0 AttributeError -1 AccessError UpdateError -1 -1 -1 -1 SecurityError ServiceError "
            "DocumentAccessError PrinterError SelectionError");
}

// Each kind's conversion and text, and the module's enumeration of its problems.
struct Kind {
  const char *name;
  int (*convert)(int32_t, uint32_t *);
  const char *(*text)(uint32_t);
  const ber_type *enumeration;
};
#define KIND(K, E) \
  { #K, ToGEN_##K##Problem, ToAscii_##K##Problem, &kq_0b_d_##E }
const Kind kKinds[] = {KIND(Selection, SelectionProblem),
                       KIND(Update, UpdateProblem),
                       KIND(DocumentAccess, DocumentAccessProblem),
                       KIND(Printer, PrinterProblem),
                       KIND(Attribute, AttributeProblemCode),
                       KIND(Service, ServiceProblem),
                       KIND(Security, SecurityProblem),
                       KIND(Access, AccessProblem)};
#undef KIND

// Around every kind's range the codes the module's enumeration names are accepted
// unchanged and named by the enumeration's name read as words; any other is refused,
// leaves the output alone and reads as unknown.
TEST(JqpProblems, CodesAndTextsFollowTheModulesEnumerations) {
  for (const Kind &kind : kKinds) {
    ASSERT_EQ(kind.enumeration->kind, BER_K_ENUM);
    const std::string unknown = "unknown " + std::string(kind.name) + " error type";
    for (int32_t code = -2; code <= 20; ++code) {
      SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(code));
      std::string words;
      for (uint32_t i = 0; i < kind.enumeration->nnames; ++i)
        if (kind.enumeration->names[i].value == code) words = kind.enumeration->names[i].name;
      std::replace(words.begin(), words.end(), '-', ' ');
      uint32_t out = 0xdead;
      EXPECT_EQ(kind.convert(code, &out), words.empty() ? 0 : 1);
      EXPECT_EQ(out, words.empty() ? 0xdeadu : static_cast<uint32_t>(code));
      EXPECT_EQ(kind.text(static_cast<uint32_t>(code)), words.empty() ? unknown : words);
    }
    EXPECT_EQ(kind.text(0x80000001u), unknown);
    EXPECT_GE(kind.enumeration->nnames, 3u);
  }
}

}  // namespace
