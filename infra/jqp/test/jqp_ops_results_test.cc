// What the operations hand out for each kind of reply record (sets, pause records,
// nothing), and the result failures of each operation.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"
#include "private/jqp_ops_int.h"

namespace {

using kq::jqp::Operation;
using kq::jqp::ResultKind;
using kq::jqp::test::Values;
using kq::jqp::test::WireList;
using Status = kq::test::StatusList;

// What an operation handed out, as one line, released afterwards. (Print, list and
// resubmit results are the record conversions' own, tested with them.)
std::string Describe(ResultKind kind, void *out) {
  Status s;
  std::string text;
  switch (kind) {
    case ResultKind::kPauseJob: {
      auto *r = static_cast<GEN_pauseJobResult_t *>(out);
      text = std::string(r->pausedJob.value) + " " + Values(r->jobStatus) +
             (r->checkpoints.first ? " checkpoints" : " no checkpoints");
      FreeGEN_pauseJobResult(s, r);
      return text;
    }
    case ResultKind::kPause: {
      auto *r = static_cast<GEN_PauseResult_t *>(out);
      text = std::string(r->affectedJob ? r->affectedJob : "no job") + " " + Values(r->attributes);
      FreeGEN_PauseResult(s, r);
      return text;
    }
    case ResultKind::kSet:
    case ResultKind::kCreateSet:
    case ResultKind::kEvent: {
      auto *cell = static_cast<AS_setHandle_t *>(out);
      text = Values(cell);
      if (cell) AS_Destroy(s, cell), free(cell);
      return text;
    }
    default:
      return out ? "something" : "nothing";
  }
}

// `wire` as the reply record of `op`: what came out, or the failure; `list` is the wire
// list the record holds, released afterwards.
template <typename W>
std::string Through(const Operation &op, W *wire, AttributeList *list) {
  Status s;
  void *out = nullptr;
  const int rc = kq::jqp::ConvertResult(op, s, wire, &out);
  char code[24];
  snprintf(code, sizeof code, "failed 0x%08x", s.Code());  // the operation's code on top
  std::string text = rc ? code : Describe(op.result, out);
  if (rc) {
    EXPECT_EQ(out, nullptr);
  }
  FreeBER_AS(s, list);
  return text;
}

// The wire list of `values`; of none, a damaged one (an identifier of no known form).
AttributeList List(const std::vector<int32_t> &values) {
  AttributeList list = WireList(values.empty() ? std::vector<int32_t>{1} : values);
  if (values.empty()) list->value.type.length = 0;
  return list;
}

// A set record holding `values`, with its set present or not.
std::string SetRecord(const Operation &op, bool present, const std::vector<int32_t> &values) {
  AttributeSetResult r{static_cast<uint8_t>(present ? AttributeSetResult_attributes_present : 0),
                       List(values)};
  return Through(op, &r, &r.attributes);
}
// A pause-job record for job-3 with a status of `values`.
std::string PauseJobRecord(const Operation &op, const std::vector<int32_t> &values) {
  PauseJobResult r{};
  r.bit_mask = PauseJobResult_job_status_present;
  strcpy(r.paused_job, "job-3");
  r.job_status = List(values);
  return Through(op, &r, &r.job_status);
}
// A pause record with the parts `mask` selects: job-4, attributes of `values`.
std::string PauseRecord(const Operation &op, uint8_t mask, const std::vector<int32_t> &values) {
  PauseResult r{};
  r.bit_mask = mask;
  strcpy(r.affected_job, "job-4");
  if (mask & PauseResult_attributes_present) r.attributes = List(values);
  return Through(op, &r, &r.attributes);
}
std::string CreateRecord(const Operation &op, const std::vector<int32_t> &values) {
  CreateResult r{values.empty() ? nullptr : WireList(values)};
  return Through(op, &r, &r.object_attributes);
}
std::string InterruptRecord(const Operation &op) {
  InterruptJobResult r{"job-5", WireList({1})};
  return Through(op, &r, &r.job_status);
}

TEST(OpResults, EachKindOfReplyRecordBecomesWhatTheOperationHandsOut) {
  using namespace kq::jqp;
  const uint8_t kJob = PauseResult_affected_job_present, kSet = PauseResult_attributes_present;
  const struct {
    const char *name;
    const Operation &op;
    std::string got;
    const char *expected;
  } rows[] = {
      {"a set", kCancelJob, SetRecord(kCancelJob, true, {5, 6}), "{5,6}"},
      {"a set record without its set", kEnable, SetRecord(kEnable, false, {5}), "nothing"},
      {"an event's set in a client process", kSendEvent, SetRecord(kSendEvent, true, {5}),
       "nothing"},
      {"created object's attributes", kCreate, CreateRecord(kCreate, {7}), "{7}"},
      {"created object without attributes", kCreate, CreateRecord(kCreate, {}), "nothing"},
      {"a paused job", kPauseJob, PauseJobRecord(kPauseJob, {8}), "job-3 {8} no checkpoints"},
      {"a paused object with its job", kPause, PauseRecord(kPause, kJob, {}), "job-4 nothing"},
      {"a paused object with attributes only", kPause, PauseRecord(kPause, kSet, {9}),
       "no job {9}"},
      {"an interrupted job", kInterruptJob, InterruptRecord(kInterruptJob), "nothing"},
      // A set that does not convert: the operation's result code on top.
      {"a bad set", kModifyJob, SetRecord(kModifyJob, true, {}), "failed 0xc0090067"},
      {"a bad set of an object operation", kEnable, SetRecord(kEnable, true, {}),
       "failed 0xc0090068"},
      {"a bad job status", kPauseJob, PauseJobRecord(kPauseJob, {}), "failed 0xc0090067"},
      {"bad pause attributes", kPause, PauseRecord(kPause, kJob | kSet, {}), "failed 0xc0090068"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.got, row.expected);
    // No reply record: nothing, whatever the kind.
    Status s;
    void *out = &out;
    EXPECT_EQ(kq::jqp::ConvertResult(row.op, s, nullptr, &out), 0);
    EXPECT_EQ(out, nullptr);
  }
}

}  // namespace
