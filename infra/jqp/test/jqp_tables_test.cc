// The record-number tables against the compiled protocol module, and the standard
// problem codes against their golden texts and the module's enumerations.
#include <algorithm>
#include <string>
#include <vector>

#include "jqp_test_support.h"
#include "private/jqp_pdu.h"

namespace {

std::string RecordName(int number) {
  const ber_pdu *pdu = BER__FindPDU(&kq_0b, number);
  return pdu ? pdu->name : "(no record)";
}

// Each operation's argument and result records, by the module's type names.
struct OperationRecords {
  int operation;
  const char *argument, *result;
};
const OperationRecords kOperations[] = {
    {0, "PrintArgument", "PrintResult"},
    {1, "ListArgument", "ListResult"},
    {2, "CreateArgument", "CreateResult"},
    {3, "EnableArgument", "EnableResult"},
    {4, "SendEventArgument", "SendEventResult"},
    {5, "PrintArgument", "PrintResult"},
    {6, "PrintArgument", "PrintResult"},
    {7, "ListArgument", "ListResult"},
    {8, "ListArgument", "ListResult"},
    {9, "ListArgument", "ListResult"},
    {10, "ListArgument", "ListResult"},
    {11, "ListArgument", "ListResult"},
    {12, "ListArgument", "ListResult"},
    {13, "DisableArgument", "DisableResult"},
    {14, "ModifyJobArgument", "ModifyJobResult"},
    {15, "CancelJobArgument", "CancelJobResult"},
    {16, "PromoteJobArgument", "PromoteJobResult"},
    {17, "InterruptJobArgument", "InterruptJobResult"},
    {18, "PauseJobArgument", "PauseJobResult"},
    {19, "ResumeJobArgument", "ResumeJobResult"},
    {20, "CleanArgument", "CleanResult"},
    {21, "SetArgument", "SetResult"},
    {22, "ShutdownArgument", "ShutdownResult"},
    {23, "ResubmitJobArgument", "ResubmitJobResult"},
    {24, "DeleteArgument", "DeleteResult"},
    {25, "PauseArgument", "PauseResult"},
    {26, "ResumeArgument", "ResumeResult"},
    {28, "ControlArgument", "ControlResult"},
};

TEST(JqpTables, EveryOperationNamesItsArgumentAndResultRecords) {
  for (const OperationRecords &op : kOperations) {
    SCOPED_TRACE(op.operation);
    EXPECT_EQ(RecordName(kq::jqp::pduargs[op.operation]), op.argument);
    EXPECT_EQ(RecordName(kq::jqp::pduresults[op.operation]), op.result);
  }
  // Operation 27 has no records.
  EXPECT_EQ(kq::jqp::pduargs[27], 0);
  EXPECT_EQ(kq::jqp::pduresults[27], 0);
}

TEST(JqpTables, EveryErrorTypeNamesItsErrorRecord) {
  const char *const kErrors[kq::jqp::kErrorTypes] = {
      nullptr,        "AttributeError", nullptr,        "AccessError",
      "UpdateError",  nullptr,          nullptr,        nullptr,
      nullptr,        "SecurityError",  "ServiceError", "DocumentAccessError",
      "PrinterError", "SelectionError"};
  EXPECT_EQ(kq::jqp::pduerrors[0], 0);  // no error
  for (int type = 1; type < kq::jqp::kErrorTypes; ++type) {
    SCOPED_TRACE(type);
    if (kErrors[type])
      EXPECT_EQ(RecordName(kq::jqp::pduerrors[type]), kErrors[type]);
    else
      EXPECT_EQ(kq::jqp::pduerrors[type], -1);
  }
}

// The kinds: conversion, text, the module's enumeration and the text of other codes.
struct Kind {
  const char *name;
  int (*convert)(int32_t, uint32_t *);
  const char *(*text)(uint32_t);
  const ber_type *enumeration;
  const char *unknown;
};
const Kind kKinds[] = {
    {"Selection", ToGEN_SelectionProblem, ToAscii_SelectionProblem, &kq_0b_d_SelectionProblem,
     "unknown Selection error type"},
    {"Update", ToGEN_UpdateProblem, ToAscii_UpdateProblem, &kq_0b_d_UpdateProblem,
     "unknown Update error type"},
    {"DocumentAccess", ToGEN_DocumentAccessProblem, ToAscii_DocumentAccessProblem,
     &kq_0b_d_DocumentAccessProblem, "unknown DocumentAccess error type"},
    {"Printer", ToGEN_PrinterProblem, ToAscii_PrinterProblem, &kq_0b_d_PrinterProblem,
     "unknown Printer error type"},
    {"Attribute", ToGEN_AttributeProblem, ToAscii_AttributeProblem, &kq_0b_d_AttributeProblemCode,
     "unknown Attribute error type"},
    {"Service", ToGEN_ServiceProblem, ToAscii_ServiceProblem, &kq_0b_d_ServiceProblem,
     "unknown Service error type"},
    {"Security", ToGEN_SecurityProblem, ToAscii_SecurityProblem, &kq_0b_d_SecurityProblem,
     "unknown Security error type"},
    {"Access", ToGEN_AccessProblem, ToAscii_AccessProblem, &kq_0b_d_AccessProblem,
     "unknown Access error type"},
};

// Every standard problem the kinds define, with its text.
struct Golden {
  const char *kind;
  uint32_t code;
  const char *text;
};
const Golden kGolden[] = {
    {"Selection", 1, "invalid identification"},
    {"Selection", 2, "unknown identification"},
    {"Selection", 3, "object already exists"},
    {"Update", 1, "no modifications allowed"},
    {"Update", 2, "insufficient update rights"},
    {"Update", 4, "previous operation incomplete"},
    {"Update", 5, "cancellation not possible"},
    {"DocumentAccess", 1, "document not available"},
    {"DocumentAccess", 2, "referent modified"},
    {"DocumentAccess", 3, "access denied"},
    {"DocumentAccess", 4, "unknown document"},
    {"DocumentAccess", 5, "no documents in job"},
    {"Printer", 1, "printer error"},
    {"Printer", 2, "printer needs attention"},
    {"Printer", 3, "printer needs key operator"},
    {"Attribute", 2, "invalid attribute syntax"},
    {"Attribute", 3, "undefined attribute type"},
    {"Attribute", 4, "inappropriate matching"},
    {"Attribute", 5, "constraint violation"},
    {"Attribute", 6, "unsupported attribute type"},
    {"Attribute", 7, "illegal modification"},
    {"Attribute", 8, "inconsistent with other attributes"},
    {"Attribute", 9, "undefined attribute value"},
    {"Attribute", 10, "unsupported attribute value"},
    {"Attribute", 11, "invalid non compulsory attribute modification"},
    {"Attribute", 12, "per job attribute inadmissible"},
    {"Attribute", 13, "not multi valued"},
    {"Attribute", 14, "mandatory attribute omitted"},
    {"Attribute", 15, "attribute illegal for object class"},
    {"Service", 1, "server busy"},
    {"Service", 2, "server unavailable"},
    {"Service", 3, "operation too complex"},
    {"Service", 4, "resource limit exceeded"},
    {"Service", 5, "unclassified server error"},
    {"Service", 6, "too many items in list"},
    {"Service", 7, "compulsory resource not available"},
    {"Service", 8, "cancel document unsupported"},
    {"Service", 9, "modify document unsupported"},
    {"Service", 10, "print multiple documents unsupported"},
    {"Service", 11, "unsupported parameter value"},
    {"Service", 12, "invalid checkpoint"},
    {"Service", 13, "invalid continuation context"},
    {"Service", 14, "pause limit exceeded"},
    {"Service", 15, "unsupported operation"},
    {"Security", 1, "inappropriate authentication"},
    {"Security", 2, "invalid credentials"},
    {"Security", 3, "insufficient operation rights"},
    {"Security", 4, "invalid pac"},
    {"Access", 1, "inappropriate object class"},
    {"Access", 2, "insufficient access rights"},
    {"Access", 3, "cannot interrupt job"},
    {"Access", 4, "inappropriate object state"},
};

const Golden *FindGolden(const char *kind, int32_t code) {
  for (const Golden &g : kGolden)
    if (std::string(g.kind) == kind && static_cast<int32_t>(g.code) == code) return &g;
  return nullptr;
}

// Around every kind's range: a defined code is named by its golden text and accepted
// unchanged; any other is refused, leaves the output alone and reads as unknown.
TEST(JqpProblems, TextsAndConversionsFollowTheGoldenTable) {
  for (const Kind &kind : kKinds) {
    for (int32_t code = -2; code <= 20; ++code) {
      SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(code));
      const Golden *g = FindGolden(kind.name, code);
      uint32_t out = 0xdead;
      EXPECT_EQ(kind.convert(code, &out), g ? 1 : 0);
      EXPECT_EQ(out, g ? static_cast<uint32_t>(code) : 0xdeadu);
      EXPECT_STREQ(kind.text(static_cast<uint32_t>(code)), g ? g->text : kind.unknown);
    }
    EXPECT_STREQ(kind.text(0x80000001u), kind.unknown);
  }
}

// The codes a kind accepts are exactly the named values of its enumeration in the
// protocol module, and each text is the value's name read as words.
TEST(JqpProblems, CodesAreTheProtocolEnumerations) {
  for (const Kind &kind : kKinds) {
    SCOPED_TRACE(kind.name);
    ASSERT_EQ(kind.enumeration->kind, BER_K_ENUM);
    size_t golden = std::count_if(std::begin(kGolden), std::end(kGolden), [&](const Golden &g) {
      return std::string(g.kind) == kind.name;
    });
    EXPECT_EQ(kind.enumeration->nnames, golden);
    for (uint32_t i = 0; i < kind.enumeration->nnames; ++i) {
      const ber_named &named = kind.enumeration->names[i];
      std::string words = named.name;
      std::replace(words.begin(), words.end(), '-', ' ');
      EXPECT_EQ(kind.convert(static_cast<int32_t>(named.value), nullptr), 1) << words;
      EXPECT_EQ(kind.text(static_cast<uint32_t>(named.value)), words);
    }
  }
}

}  // namespace
