// The record-number tables against the compiled protocol module, and the standard
// problem codes against one golden table of texts and the module's enumerations.
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

// Every kind with the golden text of each code it defines, indexed by code (null: none).
struct Kind {
  const char *name;
  int (*convert)(int32_t, uint32_t *);
  const char *(*text)(uint32_t);
  const ber_type *enumeration;
  std::vector<const char *> texts;
};
#define KIND(K, E) #K, ToGEN_##K##Problem, ToAscii_##K##Problem, &kq_0b_d_##E
const Kind kKinds[] = {
    {KIND(Selection, SelectionProblem),
     {nullptr, "invalid identification", "unknown identification", "object already exists"}},
    {KIND(Update, UpdateProblem),
     {nullptr, "no modifications allowed", "insufficient update rights", nullptr,
      "previous operation incomplete", "cancellation not possible"}},
    {KIND(DocumentAccess, DocumentAccessProblem),
     {nullptr, "document not available", "referent modified", "access denied", "unknown document",
      "no documents in job"}},
    {KIND(Printer, PrinterProblem),
     {nullptr, "printer error", "printer needs attention", "printer needs key operator"}},
    {KIND(Attribute, AttributeProblemCode),
     {nullptr, nullptr, "invalid attribute syntax", "undefined attribute type",
      "inappropriate matching", "constraint violation", "unsupported attribute type",
      "illegal modification", "inconsistent with other attributes", "undefined attribute value",
      "unsupported attribute value", "invalid non compulsory attribute modification",
      "per job attribute inadmissible", "not multi valued", "mandatory attribute omitted",
      "attribute illegal for object class"}},
    {KIND(Service, ServiceProblem),
     {nullptr, "server busy", "server unavailable", "operation too complex",
      "resource limit exceeded", "unclassified server error", "too many items in list",
      "compulsory resource not available", "cancel document unsupported",
      "modify document unsupported", "print multiple documents unsupported",
      "unsupported parameter value", "invalid checkpoint", "invalid continuation context",
      "pause limit exceeded", "unsupported operation"}},
    {KIND(Security, SecurityProblem),
     {nullptr, "inappropriate authentication", "invalid credentials",
      "insufficient operation rights", "invalid pac"}},
    {KIND(Access, AccessProblem),
     {nullptr, "inappropriate object class", "insufficient access rights", "cannot interrupt job",
      "inappropriate object state"}},
};
#undef KIND

// Around every kind's range a defined code is accepted unchanged and named by its golden
// text; any other is refused, leaves the output alone and reads as unknown. The defined
// codes are exactly the named values of the module's enumeration, each text the name
// read as words.
TEST(JqpProblems, CodesAndTextsFollowTheGoldenTableAndTheModule) {
  for (const Kind &kind : kKinds) {
    const std::string unknown = "unknown " + std::string(kind.name) + " error type";
    auto golden = [&](int64_t code) {
      return code >= 0 && code < std::ssize(kind.texts) ? kind.texts[code] : nullptr;
    };
    for (int32_t code = -2; code <= 20; ++code) {
      SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(code));
      uint32_t out = 0xdead;
      EXPECT_EQ(kind.convert(code, &out), golden(code) ? 1 : 0);
      EXPECT_EQ(out, golden(code) ? static_cast<uint32_t>(code) : 0xdeadu);
      EXPECT_EQ(kind.text(static_cast<uint32_t>(code)), golden(code) ? golden(code) : unknown);
    }
    EXPECT_EQ(kind.text(0x80000001u), unknown);
    ASSERT_EQ(kind.enumeration->kind, BER_K_ENUM);
    EXPECT_EQ(kind.enumeration->nnames,
              kind.texts.size() - std::count(kind.texts.begin(), kind.texts.end(), nullptr));
    for (uint32_t i = 0; i < kind.enumeration->nnames; ++i) {
      const ber_named &named = kind.enumeration->names[i];
      std::string words = named.name;
      std::replace(words.begin(), words.end(), '-', ' ');
      EXPECT_EQ(kind.convert(static_cast<int32_t>(named.value), nullptr), 1) << words;
      EXPECT_STREQ(golden(named.value), words.c_str());
    }
  }
}

}  // namespace
