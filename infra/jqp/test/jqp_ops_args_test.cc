// The argument records as the operations' builders make them, encoded by the real coder
// as the operation's argument record and compared byte for byte with a golden table.
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
  using namespace kq::jqp;
  const Row rows[] = {
// The arguments each row gives.
#define KQ_ARGS(...) []([[maybe_unused]] A &t, [[maybe_unused]] OpArgs &a) { __VA_ARGS__; }
      // clang-format off
      {kCreateJob, KQ_ARGS(a.printerName = &t.printer, a.submissionComplete = &t.no,
                           a.jobAttributes = t.set, a.document = &t.document),
       "a066a007a40580036c7030810100a21f301d801669b181efb491be9284cb96c7999fe7c08d877d019739a103"
       "020105a335800828cf3f0106822500820828cf3f0106822600a31f301d801669b181efb491be9284cb96c799"
       "9fe7c08d877d019739a103020105a400"},
      // a complete submission sends no flag
      {kCreateJob, KQ_ARGS(a.printerName = &t.printer, a.submissionComplete = &t.yes),
       "a00ba007a40580036c7030a400"},
      {kAddDocument, KQ_ARGS(a.jobId = "job-7", a.submissionComplete = &t.no,
                             a.document = &t.document),
       "a14380056a6f622d37810100a235800828cf3f0106822500820828cf3f0106822600a31f301d801669b181ef"
       "b491be9284cb96c7999fe7c08d877d019739a103020105a300"},
      {kCloseJob, KQ_ARGS(a.jobId = "job-7"), "a20980056a6f622d37a100"},
      {kListObjectAttributes, KQ_ARGS(a.objectClass = kOid, a.scope = &t.three,
                                      a.selector = &t.filter, a.requested = &t.requested),
       "a145800828cf3f0106822500810103a21aa018841669b181efb491be9284cb96c7999fe7c08d877d019739a3"
       "18061669b181efb491be9284cb96c7999fe7c08d877d019739a500"},
      {kGetOrderedJobs, KQ_ARGS(a.objectClass = kOtherOid), "a10c800828cf3f0106822600a500"},
      {kListObjectAttributeContinuation, KQ_ARGS(a.context = &t.context), "a0078003616263a200"},
      {kListObjectAttributeAbort, KQ_ARGS(a.context = &t.context), "a00a80036162638101ffa200"},
      {kModifyJob, KQ_ARGS(a.jobId = "job-7", a.documentNumber = &t.three,
                           a.modification = t.modification, a.message = &t.message),
       "303b80056a6f622d37810103a2223020801669b181efb491be9284cb96c7999fe7c08d877d019739a1030201"
       "06820101a309a407800568656c6c6fa400"},
      {kCancelJob, KQ_ARGS(a.jobId = "job-7", a.documentNumber = &t.three, a.message = &t.message,
                           a.retention = &t.seven),
       "301a80056a6f622d37810103a209a407800568656c6c6f830107a400"},
      {kCancelJob, KQ_ARGS(a.jobId = "job-7"), "300980056a6f622d37a400"},
      {kPromoteJob, KQ_ARGS(a.jobId = "job-7", a.message = &t.message),
       "301480056a6f622d37a109a407800568656c6c6fa200"},
      {kInterruptJob, KQ_ARGS(a.jobOrPrinter = &t.printerOf, a.message = &t.message,
                              a.interruptingJob = "job-8"),
       "301fa009a107a40580036c7030a109a407800568656c6c6f82056a6f622d38a300"},
      {kPauseJob, KQ_ARGS(a.jobOrPrinter = &t.jobOrPrinter), "300ba00780056a6f622d39a200"},
      {kResumeJob, KQ_ARGS(a.jobId = "job-7", a.message = &t.message),
       "301480056a6f622d37a109a407800568656c6c6fa300"},
      {kResubmitJob, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job, a.dnPrinter = &t.dn,
                             a.message = &t.message),
       "302e800828cf3f0106822500a10780056a6f622d37a20ca00aa4088006636e3d6c7030a309a407800568656c"
       "6c6fa400"},
      {kCreate, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job, a.initialValue = &t.job,
                        a.forceCreation = &t.yes, a.objectAttributes = t.set,
                        a.message = &t.message),
       "304d800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa30780056a6f622d378401ff"
       "a51f301d801669b181efb491be9284cb96c7999fe7c08d877d019739a103020105a600"},
      {kDisable, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job, a.message = &t.message),
       "3020800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa300"},
      {kSet, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job,
                     a.modification = t.modification, a.message = &t.message),
       "3044800828cf3f0106822500a10780056a6f622d37a209a407800568656c6c6fa3223020801669b181efb491"
       "be9284cb96c7999fe7c08d877d019739a103020106820101a400"},
      {kShutdown, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job, a.when = &t.when),
       "301f800828cf3f0106822500a10780056a6f622d37830828cf3f0106822600a400"},
      // control never sends its message
      {kControl, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.job,
                         a.objectAttributes = t.set, a.message = &t.message),
       "3036800828cf3f0106822500a10780056a6f622d37a31f301d801669b181efb491be9284cb96c7999fe7c08d"
       "877d019739a103020105a400"},
      {kSendEvent, KQ_ARGS(a.event = &t.event), "3010a00a800828cf3f0106822500a100a300"},
  // clang-format on
#undef KQ_ARGS
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

}  // namespace
