// Error packets as a server sends them: error results of every kind made with the
// ERDPA_ builders, turned into their wire records, encoded, and decoded again with
// JQP_ErrorDecode; the decoded result must describe exactly as the one sent. Then
// the packets the decoding refuses, each leaving nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "heap_double.h"
#include "infra/erdpa.h"
#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "jqp_ops_support.h"
#include "kqtest.h"

namespace {

using Status = kq::test::StatusList;
using Bytes = std::vector<unsigned char>;
using kq::jqp::test::kIntAttr;
using kq::jqp::test::kOid;

// The parts of the wire record being built, released by their own functions once the
// record is encoded.
struct WireParts {
  std::vector<void *> blocks;  // records and list nodes (identifiers are static bytes)
  std::vector<ErrorMessage *> messages;
  std::vector<AttributeList *> lists;
} g_parts;
template <typename T>
T *WireNew() {
  void *block = calloc(1, sizeof(T));
  g_parts.blocks.push_back(block);
  return static_cast<T *>(block);
}
void ReleaseWire() {
  Status s;
  for (ErrorMessage *m : g_parts.messages) EXPECT_EQ(FreeBER_errorMessage(s, m), 0);
  for (AttributeList *l : g_parts.lists) EXPECT_EQ(FreeBER_AS(s, l), 0);
  for (void *block : g_parts.blocks) free(block);
  g_parts = {};
}

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

// The wire parts of one problem.
template <typename P>
void ToWire(P &wire, int32_t form, uint32_t problem) {
  wire.choice = static_cast<uint16_t>(form);
  if (form == ERDPA_STANDARD_PROBLEM) wire.u.standard = static_cast<int32_t>(problem);
  if (form == ERDPA_EXTENDED_PROBLEM) {
    EXPECT_EQ(ToBER_oid(Status(), &wire.u.extended, &problem), 0);
  }
}
void ToWire(ObjectIdent &wire, const GEN_ObjectIdent_t *o) {
  EXPECT_EQ(ToBER_objectIdent(Status(), &wire, o), 0);
}
void ToWire(ErrorMessage &wire, const GEN_ErrorMsg_t *m) {
  EXPECT_EQ(ToBER_errorMessage(Status(), &wire, m), 0);
  g_parts.messages.push_back(&wire);
}
void ToWire(AttributeList &wire, AS_setHandle_t set) {
  EXPECT_EQ(ToBER_AS(Status(), &wire, &set, GENU_AS_MODE_KEEP_EXT_ACL), 0);
  g_parts.lists.push_back(&wire);
}

// One small builder per kind: the error result as its wire record.
template <typename W, typename P = ERDPA_objectProblem_t>
void *ObjectWire(const ERDPA_errorResult_t *r) {
  auto *p = static_cast<const P *>(r->details);
  auto *w = WireNew<W>();
  ToWire(w->problem, p->problemForm, p->problem);
  if constexpr (requires { w->object_identification; })
    ToWire(w->object_identification, p->objectIdent);
  ToWire(w->error_message, p->errorMessage);
  return w;
}
void *AttributeWire(const ERDPA_errorResult_t *r) {
  auto *e = static_cast<const ERDPA_attributeError_t *>(r->details);
  auto *w = WireNew<AttributeError>();
  if (e->objectIdent) {
    w->bit_mask |= AttributeError_object_identification_present;
    ToWire(w->object_identification, e->objectIdent);
  }
  AttributeError_problems_node **tail = &w->problems;
  for (auto *p = e->problems; p; p = p->next, tail = &(*tail)->next) {
    *tail = WireNew<AttributeError_problems_node>();
    ToWire((*tail)->value.problem, p->problemForm, p->problem);
    ToWire((*tail)->value.attributes, p->attributes);
    ToWire((*tail)->value.error_message, p->errorMessage);
  }
  return w;
}
// A list of problem items; `kPresent` marks their attributes where the kind has them.
template <typename Node, typename Item, uint8_t kPresent = 0>
void *ItemsWire(const ERDPA_errorResult_t *r) {
  auto *head = WireNew<Node *>();
  Node **tail = head;
  for (auto *p = static_cast<const Item *>(r->details); p; p = p->next, tail = &(*tail)->next) {
    *tail = WireNew<Node>();
    auto &v = (*tail)->value;
    ToWire(v.problem, p->problemForm, p->problem);
    if constexpr (kPresent != 0) {
      if (p->attributes) v.bit_mask |= kPresent, ToWire(v.attributes, *p->attributes);
    }
    ToWire(v.object_identification, p->objectIdent);
    ToWire(v.error_message, p->errorMessage);
  }
  return head;
}

// Each kind's error type in the reply, its record and the builder of its wire record.
struct Kind {
  int32_t kind, errorType, pdu;
  void *(*wire)(const ERDPA_errorResult_t *);
};
const Kind kKinds[] = {
    {0, 0, 0, nullptr},
    {ERDPA_UPDATE_ERROR, 4, UpdateError_PDU, ObjectWire<UpdateError>},
    {ERDPA_ATTRIBUTE_ERROR, 1, AttributeError_PDU, AttributeWire},
    {ERDPA_DOCUMENT_ACCESS_ERROR, 11, DocumentAccessError_PDU, ObjectWire<DocumentAccessError>},
    {ERDPA_SELECTION_ERROR, 13, SelectionError_PDU,
     ItemsWire<SelectionError_node, ERDPA_selectionItem_t,
               SelectionProblemItem_attributes_present>},
    {ERDPA_PRINTER_ERROR, 12, PrinterError_PDU, ObjectWire<PrinterError>},
    {ERDPA_ACCESS_ERROR, 3, AccessError_PDU, ItemsWire<AccessError_node, ERDPA_accessItem_t>},
    {ERDPA_SERVICE_ERROR, 10, ServiceError_PDU,
     ItemsWire<ServiceError_node, ERDPA_selectionItem_t, ServiceProblemItem_attributes_present>},
    {ERDPA_SECURITY_ERROR, 9, SecurityError_PDU, ObjectWire<SecurityError, ERDPA_securityError_t>},
};

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

  // `r` as the packet of its kind.
  Bytes Packet(const ERDPA_errorResult_t *r) {
    const Kind &k = kKinds[r->kind];
    void *wire = k.wire(r);
    OssBuf encoded{0, nullptr};
    EXPECT_EQ(GENU_OssEncode(nullptr, k.pdu, wire, &encoded), 0);
    ReleaseWire();
    Bytes bytes(encoded.value, encoded.value + encoded.length);
    free(encoded.value);
    return bytes;
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
    {[](auto &f, auto r) { ERDPA_Update(f.s, r, 5, &f.jobA, f.first); }, "kind 1 [1:5 job-A first]",
     6},
    {[](auto &f, auto r) {
       ERDPA_Attribute(f.s, r, 2, f.attr, &f.jobA, f.first);
       ERDPA_Attribute(f.s, r, 15, f.attr, &f.jobA, f.second);
     },
     "kind 2 job-A [1:2 first {1,2}] [1:15 second {1,2}]", 40},
    {[](auto &f, auto r) { ERDPA_Attribute(f.s, r, 9, f.attr, nullptr, f.first); },
     "kind 2 - [1:9 first {1,2}]", 10},
    {[](auto &f, auto r) { ERDPA_DocumentAccess(f.s, r, 4, &f.jobB, f.second); },
     "kind 3 [1:4 job-B second]", 6},
    {[](auto &f, auto r) {
       ERDPA_Selection(f.s, r, 1, f.attr, &f.jobA, f.first);
       ERDPA_Selection(f.s, r, 3, nullptr, &f.jobB, f.second);
     },
     "kind 4 [1:1 job-A first {1,2}] [1:3 job-B second]", 30},
    {[](auto &f, auto r) { ERDPA_Printer(f.s, r, 3, &f.jobA, f.first); },
     "kind 5 [1:3 job-A first]", 6},
    {[](auto &f, auto r) {
       ERDPA_Access(f.s, r, 4, &f.jobA, f.first);
       ERDPA_Access(f.s, r, 1, &f.jobB, f.second);
     },
     "kind 6 [1:4 job-A first] [1:1 job-B second]", 12},
    {[](auto &f, auto r) {
       ERDPA_Service(f.s, r, 15, nullptr, &f.jobB, f.first);
       ERDPA_Service(f.s, r, 1, f.attr, &f.jobA, f.second);
     },
     "kind 7 [1:15 job-B first] [1:1 job-A second {1,2}]", 30},
    {[](auto &f, auto r) { ERDPA_Security(f.s, r, 4, f.second); }, "kind 8 [1:4 second]", 5},
    // An extended problem travels as an identifier and comes back as the short OID.
    {[](auto &f, auto r) {
       ERDPA_Security(f.s, r, 1, f.first);
       auto *p = static_cast<ERDPA_securityError_t *>((*r)->details);
       p->problemForm = ERDPA_EXTENDED_PROBLEM, p->problem = kOid;
     },
     "kind 8 [2:369 first]", 5},
};

TEST_F(ErrorDecode, EveryKindComesBackAsSent) {
  for (const Sent &row : kSent) {
    SCOPED_TRACE(row.expected);
    ERDPA_errorResult_t *sent = nullptr, *got = nullptr;
    row.build(*this, &sent);
    ASSERT_NE(sent, nullptr) << s.Text();
    ASSERT_EQ(Describe(sent), row.expected);
    Bytes packet = Packet(sent);
    ASSERT_EQ(JQP_ErrorDecode(s, kKinds[sent->kind].errorType, packet.data(),
                              static_cast<int32_t>(packet.size()), &got),
              0)
        << s.Text();
    EXPECT_EQ(Describe(got), row.expected);
    EXPECT_EQ(ERDPA_FreeError(s, got), 0u);
    EXPECT_EQ(ERDPA_FreeError(s, sent), 0u);
  }
}

TEST_F(ErrorDecode, RefusedPacketsLeaveNothing) {
  ERDPA_errorResult_t *update = nullptr, *selection = nullptr;
  ERDPA_Update(s, &update, 1, &jobA, first);
  ERDPA_Selection(s, &selection, 2, nullptr, &jobA, first);
  const Bytes updatePacket = Packet(update);
  static_cast<ERDPA_selectionItem_t *>(selection->details)->problem = 4;  // no such code
  const Bytes badCode = Packet(selection);
  struct Row {
    const char *name;
    int32_t errorType;
    Bytes packet;
    uint32_t code;
  } rows[] = {
      {"a type without a record", 2, updatePacket, JQP_ST_ERR_DECODE},
      {"no error", 0, updatePacket, JQP_ST_ERR_DECODE},
      {"a type past the table", 14, updatePacket, JQP_ST_ERR_DECODE},
      {"the record of another type", 9, updatePacket, JQP_ST_ERR_DECODE},
      {"bytes of no record", 4, {0x30, 0x05, 0x01}, JQP_ST_ERR_DECODE},
      {"no bytes", 4, {}, JQP_ST_ERR_DECODE},
      {"a code the kind lacks", 13, badCode, JQP_ST_ERR_PROBLEM},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    ERDPA_errorResult_t *got = update;  // must come back null
    EXPECT_EQ(JQP_ErrorDecode(s, row.errorType, row.packet.data(),
                              static_cast<int32_t>(row.packet.size()), &got),
              1);
    EXPECT_EQ(got, nullptr);
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
    const int32_t errorType = kKinds[sent->kind].errorType;
    const Bytes packet = Packet(sent);
    const std::string expected = Describe(sent);
    EXPECT_EQ(ERDPA_FreeError(s, sent), 0u);
    const uint64_t allocations =
        kq::jqp::test::SweepAllocations([&](STF_statusList_t *status, bool *made) {
          ERDPA_errorResult_t *got = nullptr;
          const int rc = JQP_ErrorDecode(status, errorType, packet.data(),
                                         static_cast<int32_t>(packet.size()), &got);
          kq::jqp::test::HeapBook::StopFailing();
          *made = got != nullptr;
          if (got) {
            EXPECT_EQ(Describe(got), expected);
            EXPECT_EQ(ERDPA_FreeError(status, got), 0u);
          }
          return rc;
        });
    EXPECT_GE(allocations, p.minimumAllocations);
  }
}

}  // namespace
