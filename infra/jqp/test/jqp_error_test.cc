// Error packets as a server sends them: error results of every kind made with the
// ERDPA_ builders, encoded by the reference server's error records (kqspoold's
// EncodeError), and decoded again with JQP_ErrorDecode; the decoded result must
// describe exactly as the one sent. Then the packets the decoding refuses, each leaving
// nothing behind; and the record-number tables and the standard problem codes against
// the compiled protocol module.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "dispatch.h"
#include "error_wire.h"
#include "heap_double.h"
#include "infra/erdpa.h"
#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "private/jqp_pdu.h"

namespace {

using Status = kq::test::StatusList;
using Bytes = std::string;
using kq::jqp::test::kIntAttr;
using kq::jqp::test::kOid;

// One line per error result: kind, then each problem as form:code, object, message
// and the copy counts of its attributes.
std::string Text(const GEN_ErrorMsg_t *m) {
  if (!m) return "-";
  if (m->text.choice <= 2) return m->text.u.string;
  const GEN_OctetString_t &o = m->text.u.octets;
  return std::string(reinterpret_cast<const char *>(o.value), o.length);
}
std::string Text(const GEN_ObjectIdent_t *o) {
  return !o ? "-" : o->choice == 1 ? o->u.job.value : "#" + std::to_string(o->choice);
}
std::string Text(AS_setHandle_t set) {
  return set == AS_nullSetHandle ? "" : " " + kq::jqp::test::Values(&set);
}
std::string Text(const AS_setHandle_t *cell) { return cell ? Text(*cell) : ""; }
// A problem and the ones after it in its list.
template <typename P>
std::string Line(const P *p) {
  std::string t = " [" + std::to_string(p->problemForm) + ":" + std::to_string(p->problem);
  if constexpr (requires { p->objectIdent; }) t += " " + Text(p->objectIdent);
  t += " " + Text(p->errorMessage);
  if constexpr (requires { p->attributes; }) t += Text(p->attributes);
  if constexpr (requires { p->next; })
    t += p->next ? "]" + Line(p->next) : "]";
  else
    t += "]";
  return t;
}
std::string Describe(const ERDPA_errorResult_t *r) {
  const std::string kind = "kind " + std::to_string(r->kind);
  const void *d = r->details;
  switch (r->kind) {
    case ERDPA_UPDATE_ERROR:
    case ERDPA_DOCUMENT_ACCESS_ERROR:
    case ERDPA_PRINTER_ERROR:
      return kind + Line(static_cast<const ERDPA_objectProblem_t *>(d));
    case ERDPA_SECURITY_ERROR:
      return kind + Line(static_cast<const ERDPA_securityError_t *>(d));
    case ERDPA_ATTRIBUTE_ERROR: {
      auto *e = static_cast<const ERDPA_attributeError_t *>(d);
      return kind + " " + Text(e->objectIdent) + (e->problems ? Line(e->problems) : "");
    }
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      return kind + Line(static_cast<const ERDPA_selectionItem_t *>(d));
    case ERDPA_ACCESS_ERROR:
      return kind + Line(static_cast<const ERDPA_accessItem_t *>(d));
  }
  return kind + " ?";
}

// Holds the inputs of the builders: two jobs, messages and a set with one attribute
// of two integers.
class ErrorDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AS_Create(s, &source, nullptr, 0), 0u);
    GEN_Integer_t one = 1, two = 2;
    ASSERT_EQ(AS_AddAttrValM(s, source, kIntAttr, 12, &one, &GENU_IntegerDesc, &attr), 0u);
    ASSERT_EQ(AS_AddAttrValMR(s, attr, 12, &two, &GENU_IntegerDesc), 0u);
    GENU_MakeErrorMsg(s, &first, "first", nullptr);
    GENU_MakeErrorMsg(s, &second, "second", nullptr);
  }
  void TearDown() override {
    GEN_DeleteErrorMsg(s, first, nullptr);
    GEN_DeleteErrorMsg(s, second, nullptr);
    AS_FreeAttrHandle(s, &attr);
    AS_Destroy(s, &source);
  }

  // `r` as kqspoold sends it: the reply's error type and the packet.
  static std::pair<int32_t, Bytes> Packet(const ERDPA_errorResult_t *r) {
    std::pair<int32_t, Bytes> out;
    EXPECT_TRUE(kq::spool::EncodeError(r, &out.first, &out.second));
    return out;
  }

 public:  // the builders of the table reach in
  Status s;
  AS_setHandle_t source = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  GEN_ErrorMsg_t *first = nullptr, *second = nullptr;
  GEN_ObjectIdent_t jobA{1, {{"job-A"}}}, jobB{1, {{"job-B"}}};
};

// One error result of each kind made by the builders (two problems where the kind has a
// list, attributes where it has them), as it describes, and the fewest allocations its
// decoding makes (the result, its details and their parts).
using Build = void (*)(ErrorDecode &, ERDPA_errorResult_t **);
const struct Sent {
  Build build;
  const char *expected;
  uint64_t minimumAllocations;
} kSent[] = {
// The builder calls of a row, on the fixture `f` into the result `*r`.
#define KQ_SENT(...) [](auto &f, auto r) { __VA_ARGS__; }
    // clang-format off
    {KQ_SENT(ERDPA_Update(f.s, r, 5, &f.jobA, f.first)), "kind 1 [1:5 job-A first]", 6},
    {KQ_SENT(ERDPA_Attribute(f.s, r, 2, f.attr, &f.jobA, f.first);
             ERDPA_Attribute(f.s, r, 15, f.attr, &f.jobA, f.second)),
     "kind 2 job-A [1:2 first {1,2}] [1:15 second {1,2}]", 40},
    {KQ_SENT(ERDPA_Attribute(f.s, r, 9, f.attr, nullptr, f.first)), "kind 2 - [1:9 first {1,2}]",
     10},
    {KQ_SENT(ERDPA_DocumentAccess(f.s, r, 4, &f.jobB, f.second)), "kind 3 [1:4 job-B second]", 6},
    {KQ_SENT(ERDPA_Selection(f.s, r, 1, f.attr, &f.jobA, f.first);
             ERDPA_Selection(f.s, r, 3, nullptr, &f.jobB, f.second)),
     "kind 4 [1:1 job-A first {1,2}] [1:3 job-B second]", 30},
    {KQ_SENT(ERDPA_Printer(f.s, r, 3, &f.jobA, f.first)), "kind 5 [1:3 job-A first]", 6},
    {KQ_SENT(ERDPA_Access(f.s, r, 4, &f.jobA, f.first); ERDPA_Access(f.s, r, 1, &f.jobB, f.second)),
     "kind 6 [1:4 job-A first] [1:1 job-B second]", 12},
    {KQ_SENT(ERDPA_Service(f.s, r, 15, nullptr, &f.jobB, f.first);
             ERDPA_Service(f.s, r, 1, f.attr, &f.jobA, f.second)),
     "kind 7 [1:15 job-B first] [1:1 job-A second {1,2}]", 30},
    {KQ_SENT(ERDPA_Security(f.s, r, 4, f.second)), "kind 8 [1:4 second]", 5},
    // An extended problem travels as an identifier and comes back as the short OID.
    {KQ_SENT(ERDPA_Security(f.s, r, 1, f.first);
             auto *p = static_cast<ERDPA_securityError_t *>((*r)->details);
             p->problemForm = ERDPA_EXTENDED_PROBLEM, p->problem = kOid),
     "kind 8 [2:369 first]", 5},
// clang-format on
#undef KQ_SENT
};

// Decodes `packet` of `errorType`: the result described, or "refused" and the codes.
std::string Decoded(STF_statusList_t *s, int32_t errorType, const Bytes &packet) {
  ERDPA_errorResult_t *got = reinterpret_cast<ERDPA_errorResult_t *>(&got);  // must be set
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(packet.data());
  if (JQP_ErrorDecode(s, errorType, bytes, static_cast<int32_t>(packet.size()), &got) != 0)
    return got ? "refused, yet a result" : "refused";
  std::string text = Describe(got);
  EXPECT_EQ(ERDPA_FreeError(s, got), 0u);
  return text;
}

TEST_F(ErrorDecode, EveryKindComesBackAsSent) {
  for (const Sent &row : kSent) {
    SCOPED_TRACE(row.expected);
    ERDPA_errorResult_t *sent = nullptr;
    row.build(*this, &sent);
    ASSERT_NE(sent, nullptr) << s.Text();
    ASSERT_EQ(Describe(sent), row.expected);
    auto [errorType, packet] = Packet(sent);
    EXPECT_EQ(Decoded(s, errorType, packet), row.expected) << s.Text();
    EXPECT_EQ(ERDPA_FreeError(s, sent), 0u);
  }
}

TEST_F(ErrorDecode, RefusedPacketsLeaveNothing) {
  ERDPA_errorResult_t *update = nullptr, *selection = nullptr;
  ERDPA_Update(s, &update, 1, &jobA, first);
  ERDPA_Selection(s, &selection, 2, nullptr, &jobA, first);
  const Bytes updatePacket = Packet(update).second;
  static_cast<ERDPA_selectionItem_t *>(selection->details)->problem = 4;  // no such code
  const Bytes badCode = Packet(selection).second;
  const struct {
    const char *name;
    int32_t errorType;
    Bytes packet;
    uint32_t code;
  } rows[] = {
      {"a type without a record", 2, updatePacket, JQP_ST_ERR_DECODE},
      {"no error", 0, updatePacket, JQP_ST_ERR_DECODE},
      {"a type past the table", 14, updatePacket, JQP_ST_ERR_DECODE},
      {"the record of another type", 9, updatePacket, JQP_ST_ERR_DECODE},
      {"bytes of no record", 4, Bytes("\x30\x05\x01", 3), JQP_ST_ERR_DECODE},
      {"a code the kind lacks", 13, badCode, JQP_ST_ERR_PROBLEM},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Decoded(s, row.errorType, row.packet), "refused");
    EXPECT_TRUE(s.Has(row.code)) << s.Text();
  }
  EXPECT_EQ(ERDPA_FreeError(s, update), 0u);
  EXPECT_EQ(ERDPA_FreeError(s, selection), 0u);
}

// Every allocation of the decoding of each kind's packet fails in turn: the decoding
// reports it, hands out no result and leaves no block behind. The packets hold two
// problems where the kind has a list, and attributes with values where it has them.
TEST_F(ErrorDecode, EveryAllocationFailingLeavesNothingAllocated) {
  if (!kq::jqp::test::HeapBook::Available()) GTEST_SKIP() << "a sanitizer owns the heap";
  for (const Sent &p : kSent) {
    SCOPED_TRACE(p.expected);
    ERDPA_errorResult_t *sent = nullptr;
    p.build(*this, &sent);
    ASSERT_NE(sent, nullptr) << s.Text();
    const auto [errorType, packet] = Packet(sent);
    EXPECT_EQ(ERDPA_FreeError(s, sent), 0u);
    const uint64_t allocations =
        kq::jqp::test::SweepAllocations([&](STF_statusList_t *status, bool *made) {
          ERDPA_errorResult_t *got = nullptr;
          const int rc = JQP_ErrorDecode(status, errorType,
                                         reinterpret_cast<const unsigned char *>(packet.data()),
                                         static_cast<int32_t>(packet.size()), &got);
          kq::jqp::test::HeapBook::StopFailing();
          *made = got != nullptr;
          if (got) {
            EXPECT_EQ(Describe(got), p.expected);
            EXPECT_EQ(ERDPA_FreeError(status, got), 0u);
          }
          return rc;
        });
    EXPECT_GE(allocations, p.minimumAllocations);
  }
}

// The module's name of record `number`; 0 and -1 (no record) as themselves.
std::string RecordName(int number) {
  const ber_pdu *pdu = number > 0 ? BER__FindPDU(&kq_0b, number) : nullptr;
  return pdu ? pdu->name : std::to_string(number);
}

// The reference print server decodes each request with the record the client encoded
// it as: its table names the same records, and none outside the operation numbers.
TEST(JqpTables, EveryOperationAndErrorTypeNamesItsRecords) {
  static_assert(kq::spool::kOperations == kq::jqp::kOperations);
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
    EXPECT_TRUE(kq::spool::ArgumentRecord(op) == kq::jqp::pduargs[op] &&
                kq::spool::ResultRecord(op) == kq::jqp::pduresults[op]);
  }
  for (int32_t op : {-1, kq::jqp::kOperations, 4711})
    EXPECT_EQ(kq::spool::ArgumentRecord(op) | kq::spool::ResultRecord(op), 0) << op;
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
