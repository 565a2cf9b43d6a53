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

// A set record holding `values`, with its set present or not.
std::string SetRecord(const Operation &op, bool present, const std::vector<int32_t> &values) {
  AttributeSetResult r{static_cast<uint8_t>(present ? AttributeSetResult_attributes_present : 0),
                       WireList(values)};
  return Through(op, &r, &r.attributes);
}

TEST(OpResults, EachKindOfReplyRecordBecomesWhatTheOperationHandsOut) {
  using O = const Operation &;
  const struct {
    const char *name;
    const Operation &op;
    std::function<std::string(O)> run;
    const char *expected;
  } rows[] = {
      {"a set", kq::jqp::kCancelJob,
       [](O op) {
         return SetRecord(op, true, {5, 6});
       },
       "{5,6}"},
      {"a set record without its set", kq::jqp::kEnable,
       [](O op) { return SetRecord(op, false, {5}); }, "nothing"},
      {"an event's set in a client process", kq::jqp::kSendEvent,
       [](O op) { return SetRecord(op, true, {5}); }, "nothing"},
      {"created object's attributes", kq::jqp::kCreate,
       [](O op) {
         CreateResult r{WireList({7})};
         return Through(op, &r, &r.object_attributes);
       },
       "{7}"},
      {"created object without attributes", kq::jqp::kCreate,
       [](O op) {
         CreateResult r{nullptr};
         return Through(op, &r, &r.object_attributes);
       },
       "nothing"},
      {"a paused job", kq::jqp::kPauseJob,
       [](O op) {
         PauseJobResult r{};
         r.bit_mask = PauseJobResult_job_status_present;
         strcpy(r.paused_job, "job-3");
         r.job_status = WireList({8});
         return Through(op, &r, &r.job_status);
       },
       "job-3 {8} no checkpoints"},
      {"a paused object with its job", kq::jqp::kPause,
       [](O op) {
         PauseResult r{};
         r.bit_mask = PauseResult_affected_job_present;
         strcpy(r.affected_job, "job-4");
         return Through(op, &r, &r.attributes);
       },
       "job-4 nothing"},
      {"a paused object with attributes only", kq::jqp::kPause,
       [](O op) {
         PauseResult r{};
         r.bit_mask = PauseResult_attributes_present;
         r.attributes = WireList({9});
         return Through(op, &r, &r.attributes);
       },
       "no job {9}"},
      {"an interrupted job", kq::jqp::kInterruptJob,
       [](O op) {
         InterruptJobResult r{"job-5", WireList({1})};
         return Through(op, &r, &r.job_status);
       },
       "nothing"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.run(row.op), row.expected);
    // No reply record: nothing, whatever the kind.
    Status s;
    void *out = &out;
    EXPECT_EQ(kq::jqp::ConvertResult(row.op, s, nullptr, &out), 0);
    EXPECT_EQ(out, nullptr);
  }
}

// A set the reply carries that does not convert: the operation's result code on top,
// for every operation whose result is a set record, and for the two pause records.
TEST(OpResults, AResultThatDoesNotConvertAddsTheOperationsCode) {
  auto bad = [] {
    AttributeList list = WireList({1});
    list->value.type.length = 0;  // an identifier of no known form
    return list;
  };
  std::string codes;
  for (int i = 0; i < kq::jqp::kOperationCount; ++i) {
    const Operation &op = *kq::jqp::kAllOperations[i];
    if (op.result != ResultKind::kSet) continue;
    AttributeSetResult r{AttributeSetResult_attributes_present, bad()};
    const std::string text = Through(op, &r, &r.attributes);
    codes += std::string(op.echoName) + " " + text + "; ";
  }
  EXPECT_EQ(
      codes,
      "ModifyJob failed 0xc0090067; CancelJob failed 0xc0090067; PromoteJob failed 0xc0090067; "
      "ResumeJob failed 0xc0090067; Enable failed 0xc0090068; Disable failed 0xc0090068; "
      "Clean failed 0xc0090067; Delete failed 0xc0090068; Resume failed 0xc0090068; "
      "Set failed 0xc0090067; Shutdown failed 0xc0090067; Control failed 0xc0090067; ");
  PauseJobResult pauseJob{};
  pauseJob.bit_mask = PauseJobResult_job_status_present;
  pauseJob.job_status = bad();
  EXPECT_EQ(Through(kq::jqp::kPauseJob, &pauseJob, &pauseJob.job_status), "failed 0xc0090067");
  PauseResult pause{};
  pause.bit_mask = PauseResult_affected_job_present | PauseResult_attributes_present;
  pause.attributes = bad();
  EXPECT_EQ(Through(kq::jqp::kPause, &pause, &pause.attributes), "failed 0xc0090068");
}

}  // namespace
