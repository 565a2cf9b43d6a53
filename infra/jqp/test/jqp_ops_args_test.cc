// The argument records as the operations' builders make them, encoded by the real coder
// as the operation's argument record and compared byte for byte with a golden table;
// and the set of checkpoints.
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

std::string Hex(unsigned byte) {
  char buffer[8];
  snprintf(buffer, sizeof buffer, "%02x", byte);
  return buffer;
}
// One builder's record: the arguments and the record's encoding (with an empty list of
// common arguments), byte for byte.
struct Row {
  const Operation &op;
  std::function<void(OpArgsTest &, OpArgs &)> fill;
  const char *bytes;  // the record's encoding, in hex
};

// One row per builder: the operations sharing one (the object operations, the two
// continuations) differ only in their descriptors' data.
TEST_F(OpArgsTest, EveryBuilderEncodesItsRecordAsTheGoldenBytes) {
  using A = OpArgsTest;
  const Row rows[] = {
      {kq::jqp::kCreateJob,
       [](A &t, OpArgs &a) {
         a.printerName = &t.printer, a.submissionComplete = &t.no, a.jobAttributes = t.set;
         a.document = &t.document;
       },
       "a066a007a40580036c7030810100a21f301d801669b181efb491be9284cb96c7999fe7c08d877d019739"
       "a103020105a335800828cf3f0106822500820828cf3f0106822600a31f301d801669b181efb491be9284"
       "cb96c7999fe7c08d877d019739a103020105a400"},
      {kq::jqp::kCreateJob,  // a complete submission sends no flag
       [](A &t, OpArgs &a) { a.printerName = &t.printer, a.submissionComplete = &t.yes; },
       "a00ba007a40580036c7030a400"},
      {kq::jqp::kAddDocument,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.submissionComplete = &t.no, a.document = &t.document;
       },
       "a14380056a6f622d37810100a235800828cf3f0106822500820828cf3f0106822600a31f301d801669b1"
       "81efb491be9284cb96c7999fe7c08d877d019739a103020105a300"},
      {kq::jqp::kCloseJob, [](A &, OpArgs &a) { a.jobId = "job-7"; }, "a20980056a6f622d37a100"},
      {kq::jqp::kListObjectAttributes,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.scope = &t.three, a.selector = &t.filter;
         a.requested = &t.requested;
       },
       "a145800828cf3f0106822500810103a21aa018841669b181efb491be9284cb96c7999fe7c08d877d0197"
       "39a318061669b181efb491be9284cb96c7999fe7c08d877d019739a500"},
      {kq::jqp::kGetOrderedJobs, [](A &, OpArgs &a) { a.objectClass = kOtherOid; },
       "a10c800828cf3f0106822600a500"},
      {kq::jqp::kListObjectAttributeContinuation, [](A &t, OpArgs &a) { a.context = &t.context; },
       "a0078003616263a200"},
      {kq::jqp::kListObjectAttributeAbort, [](A &t, OpArgs &a) { a.context = &t.context; },
       "a00a80036162638101ffa200"},
      {kq::jqp::kModifyJob,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.documentNumber = &t.three, a.modification = t.modification;
         a.message = &t.message;
       },
       "303b80056a6f622d37810103a2223020801669b181efb491be9284cb96c7999fe7c08d877d019739a103"
       "020106820101a309a407800568656c6c6fa400"},
      {kq::jqp::kCancelJob,
       [](A &t, OpArgs &a) {
         a.jobId = "job-7", a.documentNumber = &t.three, a.message = &t.message;
         a.retention = &t.seven;
       },
       "301a80056a6f622d37810103a209a407800568656c6c6f830107a400"},
      {kq::jqp::kCancelJob, [](A &, OpArgs &a) { a.jobId = "job-7"; }, "300980056a6f622d37a400"},
      {kq::jqp::kPromoteJob, [](A &t, OpArgs &a) { a.jobId = "job-7", a.message = &t.message; },
       "301480056a6f622d37a109a407800568656c6c6fa200"},
      {kq::jqp::kInterruptJob,
       [](A &t, OpArgs &a) {
         a.jobOrPrinter = &t.printerOf, a.message = &t.message, a.interruptingJob = "job-8";
       },
       "301fa009a107a40580036c7030a109a407800568656c6c6f82056a6f622d38a300"},
      {kq::jqp::kPauseJob, [](A &t, OpArgs &a) { a.jobOrPrinter = &t.jobOrPrinter; },
       "300ba00780056a6f622d39a200"},
      {kq::jqp::kResumeJob, [](A &t, OpArgs &a) { a.jobId = "job-7", a.message = &t.message; },
       "301480056a6f622d37a109a407800568656c6c6fa300"},
      {kq::jqp::kResubmitJob,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.dnPrinter = &t.dn;
         a.message = &t.message;
       },
       "302e800828cf3f0106822500a10780056a6f622d37a20ca00aa4088006636e3d6c7030a309a407800568"
       "656c6c6fa400"},
      {kq::jqp::kCreate,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.initialValue = &t.job;
         a.forceCreation = &t.yes, a.objectAttributes = t.set, a.message = &t.message;
       },
       "304d800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa30780056a6f622d3784"
       "01ffa51f301d801669b181efb491be9284cb96c7999fe7c08d877d019739a103020105a600"},
      {kq::jqp::kDisable,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.message = &t.message;
       },
       "3020800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa300"},
      {kq::jqp::kSet,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.modification = t.modification;
         a.message = &t.message;
       },
       "3044800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa3223020801669b181ef"
       "b491be9284cb96c7999fe7c08d877d019739a103020106820101a400"},
      {kq::jqp::kShutdown,
       [](A &t, OpArgs &a) { a.objectClass = kOid, a.objectInstance = &t.job, a.when = &t.when; },
       "301f800828cf3f0106822500a10780056a6f622d37830828cf3f0106822600a400"},
      {kq::jqp::kControl,
       [](A &t, OpArgs &a) {
         a.objectClass = kOid, a.objectInstance = &t.job, a.objectAttributes = t.set;
         a.message = &t.message;  // never sent
       },
       "3036800828cf3f0106822500a10780056a6f622d37a31f301d801669b181efb491be9284cb96c7999fe7"
       "c08d877d019739a103020105a400"},
      {kq::jqp::kSendEvent, [](A &t, OpArgs &a) { a.event = &t.event; },
       "3010a00a800828cf3f0106822500a100a300"},
  };
  std::set<kq::jqp::Builder> seen, all;
  for (const Row &row : rows) {
    SCOPED_TRACE(row.op.name);
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
    ASSERT_NE(slot.mask, nullptr);
    *slot.mask |= slot.bit;  // an empty list of common arguments
    OssBuf encoded{0, nullptr};
    ASSERT_EQ(GENU_OssEncode(nullptr, kq::jqp::pduargs[row.op.number], &record, &encoded), 0);
    std::string hex;
    for (int32_t i = 0; i < encoded.length; ++i) hex += Hex(encoded.value[i]);
    free(encoded.value);
    EXPECT_EQ(hex, row.bytes);
    row.op.release(record);
  }
  for (int i = 0; i < kq::jqp::kOperationCount; ++i) all.insert(kq::jqp::kAllOperations[i]->build);
  EXPECT_EQ(seen, all);
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
