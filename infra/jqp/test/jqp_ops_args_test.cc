// The argument records as the operations' builders make them: presence bits and fields,
// each record carried through the real coder as the operation's argument record and read
// back; the document description and the set of checkpoints.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "private/jqp_ops_int.h"
#include "private/jqp_pdu.h"

namespace {

using kq::jqp::ArgRecord;
using kq::jqp::CommonSlot;
using kq::jqp::OpArgs;
using kq::jqp::Operation;
using kq::jqp::test::kOid;
using kq::jqp::test::kOtherOid;
using OpArgsTest = kq::jqp::test::OperationArgs;
using Status = kq::test::StatusList;

std::string Hex(unsigned n) {
  char buffer[16];
  snprintf(buffer, sizeof buffer, "0x%02x", n);
  return buffer;
}
// The characters of a name or text in a string choice or in another code set.
template <typename T>
std::string Chars(const T &t) {
  if (t.choice <= 2) return t.u.iso646_string;
  if (t.choice == 5)
    return std::string(reinterpret_cast<const char *>(t.u.other_code_set.text.value),
                       t.u.other_code_set.text.length);
  return "choice " + std::to_string(t.choice);
}
std::string Name(const SimpleName &n) { return Chars(n); }
std::string Msg(const Text &t) { return Chars(t); }
std::string Object(const ObjectIdent &o) {
  return o.choice == 1 ? std::string(o.u.job_identifier) : "choice " + std::to_string(o.choice);
}
template <typename List>
int Count(List list) {
  int n = 0;
  for (; list; list = list->next) ++n;
  return n;
}
std::string Oid(const ber_oid &oid) {
  uint32_t shoid = 0;
  Status s;
  const GENU_berOid_t ber{oid.length, oid.value};
  return GENU_BerToShortOID(s, &ber, &shoid) ? "?" : std::to_string(shoid);
}

// One operation's record: the arguments, the presence byte and common bit expected
// after building, and the record's fields as read back from the decoded encoding.
struct Row {
  const Operation &op;
  std::function<void(OpArgsTest &, OpArgs &)> fill;
  std::function<std::string(const ArgRecord &)> describe;
  const char *expected;
  unsigned commonBit;
};

// Where each record keeps its presence byte.
uint8_t Mask(const Operation &op, const ArgRecord &r) {
  switch (kq::jqp::pduargs[op.number]) {
    case 146:
      return r.print.choice == 1   ? r.print.u.create_job.bit_mask
             : r.print.choice == 2 ? r.print.u.add_document.bit_mask
                                   : r.print.u.close_job.bit_mask;
    case 158:
      return r.list.choice == 2 ? r.list.u.new_listing.bit_mask : r.list.u.context.bit_mask;
    default:  // every other record begins with its presence byte
      return *reinterpret_cast<const uint8_t *>(&r);
  }
}

// One row per builder: the operations sharing one (the object operations, the two
// continuations) differ only in their descriptors' data.
TEST_F(OpArgsTest, EveryBuilderMakesItsRecordWithTheTabledPresenceBits) {
  using A = OpArgsTest;
  using R = const ArgRecord &;
  const Row rows[] = {
      {kq::jqp::kCreateJob,
       [](A &t, OpArgs &a) {
         a.printerName = &t.printer, a.submissionComplete = &t.no, a.jobAttributes = t.set;
         a.document = &t.document;
       },
       [](R r) {
         auto &c = r.print.u.create_job;
         return "print " + std::to_string(r.print.choice) + " " + Name(c.printer_name) +
                " complete=" + std::to_string(c.job_submission_complete) +
                " attrs=" + std::to_string(Count(c.job_attributes)) +
                " doc=" + Hex(c.first_document.bit_mask) + " " +
                Oid(c.first_document.transfer_method) + "/" + Oid(c.first_document.document_type);
       },
       "0xf0 print 1 lp0 complete=0 attrs=1 doc=0xb0 369/370", 0x10},
      {kq::jqp::kCreateJob,  // a complete submission sends no flag
       [](A &t, OpArgs &a) { a.printerName = &t.printer, a.submissionComplete = &t.yes; },
       [](R r) { return Name(r.print.u.create_job.printer_name); }, "0x10 lp0", 0x10},
      {kq::jqp::kAddDocument,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.submissionComplete = &t.no, a.document = &t.document;
       },
       [](R r) {
         auto &d = r.print.u.add_document;
         return "print " + std::to_string(r.print.choice) + " " + d.existing_job +
                " doc=" + Hex(d.new_document.bit_mask);
       },
       "0xc0 print 2 job-7 doc=0xb0", 0x40},
      {kq::jqp::kCloseJob, [](A &, OpArgs &a) { a.jobId = "job-7"; },
       [](R r) {
         return "print " + std::to_string(r.print.choice) + " " + r.print.u.close_job.existing_job;
       },
       "0x80 print 3 job-7", 0x80},
      {kq::jqp::kListObjectAttributes,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.scope = &t.three, a.selector = &t.filter;
         a.requested = &t.requested;
       },
       [](R r) {
         auto &l = r.list.u.new_listing;
         return "list " + std::to_string(r.list.choice) + " " + Oid(l.object_class) +
                " scope=" + std::to_string(l.scope) +
                " filter=" + std::to_string(l.selector.choice) +
                " wants=" + Oid(l.requested_attributes->value);
       },
       "0xe8 list 2 369 scope=3 filter=1 wants=3001", 0x08},
      {kq::jqp::kGetOrderedJobs, [](A &, OpArgs &a) { a.objectClass = kOtherOid; },
       [](R r) {
         return "list " + std::to_string(r.list.choice) + " " +
                Oid(r.list.u.new_listing.object_class);
       },
       "0x08 list 2 370", 0x08},
      {kq::jqp::kListObjectAttributeContinuation, [](A &t, OpArgs &a) { a.context = &t.context; },
       [](R r) {
         auto &c = r.list.u.context;
         return "list " + std::to_string(r.list.choice) + " " +
                std::string(reinterpret_cast<char *>(c.context.value), c.context.length);
       },
       "0x40 list 1 abc", 0x40},
      {kq::jqp::kListObjectAttributeAbort, [](A &t, OpArgs &a) { a.context = &t.context; },
       [](R r) { return "abort=" + std::to_string(r.list.u.context.abort); }, "0xc0 abort=1", 0x40},
      {kq::jqp::kModifyJob,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.documentNumber = &t.three, a.modification = t.modification;
         a.message = &t.message;
       },
       [](R r) {
         auto &m = r.modify;
         return std::string(m.job_identification) + " doc=" + std::to_string(m.document_number) +
                " mods=" + std::to_string(Count(m.job_attr_modification)) + " " +
                Msg(m.modify_message);
       },
       "0xe0 job-7 doc=3 mods=1 hello", 0x20},
      {kq::jqp::kCancelJob,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.documentNumber = &t.three, a.message = &t.message;
         a.retention = &t.seven;
       },
       [](R r) {
         auto &c = r.cancel;
         return std::string(c.existing_job) + " doc=" + std::to_string(c.document_number) + " " +
                Msg(c.cancel_message) + " keep=" + std::to_string(c.retention_period);
       },
       "0xf0 job-7 doc=3 hello keep=7", 0x10},
      {kq::jqp::kCancelJob, [](A &, OpArgs &a) { a.jobId = "job-7"; },
       [](R r) { return std::string(r.cancel.existing_job); }, "0x10 job-7", 0x10},
      {kq::jqp::kPromoteJob, [](A &t, OpArgs &a) { a.jobId = "job-7", a.message = &t.message; },
       [](R r) {
         return std::string(r.promote.job_identification) + " " + Msg(r.promote.promote_message);
       },
       "0xc0 job-7 hello", 0x40},
      {kq::jqp::kInterruptJob,
       [](A &t, OpArgs &a) {
         a.jobOrPrinter = &t.printerOf, a.message = &t.message, a.interruptingJob = "job-8";
       },
       [](R r) {
         auto &i = r.interrupt;
         return std::to_string(i.interrupted_job.choice) + ":" + Name(i.interrupted_job.u.printer) +
                " by " + i.interrupting_job;
       },
       "0xc0 2:lp0 by job-8", 0x40},
      {kq::jqp::kPauseJob, [](A &t, OpArgs &a) { a.jobOrPrinter = &t.jobOrPrinter; },
       [](R r) {
         return std::to_string(r.pauseJob.paused_job.choice) + ":" + r.pauseJob.paused_job.u.job;
       },
       "0x40 1:job-9", 0x40},
      {kq::jqp::kResumeJob, [](A &t, OpArgs &a) { a.jobId = "job-7", a.message = &t.message; },
       [](R r) { return std::string(r.resumeJob.resumed_job); }, "0xa0 job-7", 0x20},
      {kq::jqp::kResubmitJob,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.dnPrinter = &t.dn;
         a.message = &t.message;
       },
       [](R r) {
         auto &j = r.resubmit;
         return Oid(j.object_class) + " " + Object(j.object_identification) + " " +
                Msg(j.printer.text) + " " + Msg(j.message);
       },
       "0xc0 369 job-7 cn=lp0 hello", 0x40},
      {kq::jqp::kCreate,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.initialValue = &t.job;
         a.forceCreation = &t.yes, a.objectAttributes = t.set, a.message = &t.message;
       },
       [](R r) {
         auto &c = r.create;
         return Oid(c.object_class) + " " + Object(c.object_instance) + " from " +
                Object(c.initial_value_object) + " force=" + std::to_string(c.force_creation) +
                " attrs=" + std::to_string(Count(c.object_attributes)) + " " + Msg(c.message);
       },
       "0xf8 369 job-7 from job-7 force=1 attrs=1 hello", 0x08},
      {kq::jqp::kEnable, [](A &t, OpArgs &a) { a.objectClass = kOid, a.objectInstance = &t.job; },
       [](R r) { return Oid(r.object.object_class) + " " + Object(r.object.object_instance); },
       "0x40 369 job-7", 0x40},
      {kq::jqp::kDisable,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.message = &t.message;
       },
       [](R r) {
         return Oid(r.object.object_class) + " " + Object(r.object.object_instance) + " " +
                Msg(r.object.message);
       },
       "0xc0 369 job-7 hello", 0x40},
      {kq::jqp::kSet,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.modification = t.modification;
         a.message = &t.message;
       },
       [](R r) { return "mods=" + std::to_string(Count(r.set.attr_modification)); }, "0xe0 mods=1",
       0x20},
      {kq::jqp::kShutdown,
       [](A &t, OpArgs &a) { a.objectClass = kOid, a.objectInstance = &t.job, a.when = &t.when; },
       [](R r) { return "when=" + Oid(r.shutdown.when); }, "0x40 when=370", 0x40},
      {kq::jqp::kControl,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.objectAttributes = t.set;
         a.message = &t.message;  // never sent
       },
       [](R r) { return "ops=" + std::to_string(Count(r.control.operations)); }, "0x40 ops=1",
       0x40},
      {kq::jqp::kSendEvent, [](A &t, OpArgs &a) { a.event = &t.event; },
       [](R r) {
         return "event " + std::to_string(r.event.event.choice) + ":" + Oid(r.event.event.u.oid) +
                " attrs=" + std::to_string(Count(r.event.event_attributes));
       },
       "0xa0 event 1:369 attrs=0", 0x20},
  };
  std::set<kq::jqp::Builder> seen, all;
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.op.name) + " " + row.expected);
    seen.insert(row.op.build);
    OpArgs args;
    row.fill(*this, args);
    ArgRecord record;
    memset(&record, 0, sizeof record);
    CommonSlot slot;
    ASSERT_EQ(row.op.build(s, args, record, slot), 0) << s.Text();
    if (row.op.late) {
      ASSERT_EQ(row.op.late(s, args, record, slot), 0) << s.Text();
    }
    EXPECT_EQ(slot.bit, row.commonBit);
    ASSERT_NE(slot.mask, nullptr);
    *slot.mask |= slot.bit;  // an empty list of common arguments
    // Through the coder as the operation's argument record, and back.
    const int pdu = kq::jqp::pduargs[row.op.number];
    OssBuf encoded{0, nullptr};
    ASSERT_EQ(GENU_OssEncode(nullptr, pdu, &record, &encoded), 0);
    int decodedPdu = pdu;
    void *decoded = nullptr;
    ASSERT_EQ(GENU_OssDecode(nullptr, &decodedPdu, &encoded, &decoded), 0);
    free(encoded.value);
    const auto &back = *static_cast<const ArgRecord *>(decoded);
    EXPECT_EQ(Hex(Mask(row.op, back)) + " " + row.describe(back), row.expected);
    GENU_OssFreePDU(nullptr, pdu, decoded);
    row.op.release(record);
  }
  for (int i = 0; i < kq::jqp::kOperationCount; ++i) all.insert(kq::jqp::kAllOperations[i]->build);
  EXPECT_EQ(seen, all);
}

TEST_F(OpArgsTest, DocumentDescriptionSendsWhatIsGivenAndReportsEachPart) {
  struct Case {
    const char *name;
    GEN_DocDescription_t in;
    int rc;
    unsigned mask;
    uint32_t code;
  } cases[] = {
      {"everything", {&transfer, nullptr, &docType, set}, 0, 0xb0, 0},
      {"nothing", {nullptr, nullptr, nullptr, AS_nullSetHandle}, 0, 0x00, 0},
      {"attributes alone", {nullptr, nullptr, nullptr, set}, 0, 0x10, 0},
      {"a bad transfer method", {&badOid, nullptr, nullptr, set}, 1, 0, 0xc00e00a5},
      {"a bad document type", {&transfer, nullptr, &badOid, set}, 1, 0, 0xc00e00a5},
      {"bad attributes", {&transfer, nullptr, &docType, badSet}, 1, 0, 0xc00e0070},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    DocumentDescription wire{};
    s.Clear();
    ASSERT_EQ(ToBER_docDescription(s, &wire, &c.in), c.rc);
    EXPECT_EQ(s.Code(), c.code) << s.Text();
    if (c.rc == 0) {
      EXPECT_EQ(wire.bit_mask, c.mask);
      EXPECT_EQ(Count(wire.document_attributes), c.in.attributes ? 1 : 0);
    }
    EXPECT_EQ(FreeBER_docDescription(s, &wire), 0);
    EXPECT_EQ(wire.document_attributes, nullptr);
  }
  EXPECT_EQ(FreeBER_docDescription(s, nullptr), 1);
  EXPECT_EQ(s.Code(), 0xc00e006cu);
}

TEST_F(OpArgsTest, CheckpointsAreConvertedInOrder) {
  int32_t pages[3] = {4, 5, 6};
  GEN_Checkpoint_t points[3]{};
  GEN_ValueSeq_t nodes[3]{};
  for (int i = 2; i >= 0; --i) {
    points[i].pagesCompleted = &pages[i];
    points[i].format = kOid;
    nodes[i] = {i < 2 ? &nodes[i + 1] : nullptr, &points[i]};
  }
  const GEN_SetOfCheckpoints_t three{&nodes[0]}, none{nullptr};
  SetOfCheckpoint_node *wire = nullptr;
  ASSERT_EQ(ToBER_setOfCheckpoint(s, &wire, &three), 0) << s.Text();
  GEN_SetOfCheckpoints_t back{};
  ASSERT_EQ(ToGEN_setOfCheckPoint(s, &wire, &back), 0) << s.Text();
  std::string got;
  for (GEN_ValueSeq_t *n = back.first; n; n = n->next)
    got += std::to_string(*static_cast<GEN_Checkpoint_t *>(n->value)->pagesCompleted);
  EXPECT_EQ(got, "456");
  EXPECT_EQ(FreeGEN_setOfCheckpoint(s, &back), 0);
  EXPECT_EQ(FreeBER_setOfCheckPoint(s, &wire), 0);
  ASSERT_EQ(ToBER_setOfCheckpoint(s, &wire, &none), 0);
  EXPECT_EQ(wire, nullptr);
}

}  // namespace
