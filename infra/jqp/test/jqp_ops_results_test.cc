// What the operations hand out for each kind of reply record (sets, pause and resubmit
// records, nothing), the result failures of each operation, and every allocation on the
// create-job path failing in turn with nothing left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
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
using kq::jqp::test::kIntAttr;
using Status = kq::test::StatusList;

// The wire list of a set holding the integer `values` (none: an empty list).
AttributeList WireList(std::initializer_list<int32_t> values) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle;
  EXPECT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  AS_attrHandle_t attr = AS_nullAttrHandle;
  if (values.size()) {
    EXPECT_EQ(AS_AddAttr(s, set, kIntAttr, 12, &attr), 0u);
  }
  for (int32_t n : values)
    EXPECT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(malloc(4), &n, 4), &GENU_IntegerDesc), 0u);
  if (values.size()) AS_FreeAttrHandle(s, &attr);
  AttributeList list = nullptr;
  EXPECT_EQ(ToBER_AS(s, &list, &set, GENU_AS_MODE_KEEP_EXT_ACL), 0) << s.Text();
  AS_Destroy(s, &set);
  return list;
}
// A list whose one attribute has an identifier of no known form.
AttributeList BadList() {
  AttributeList list = WireList({1});
  list->value.type.length = 0;
  return list;
}

// "{5,6}": the integer values of a set cell; "nothing" for none.
std::string Values(const AS_setHandle_t *cell) {
  if (!cell) return "nothing";
  Status s;
  AS_valueList_t values{};
  std::string text = "{";
  if (AS_GetAttrValList(s, *cell, kIntAttr, &values, nullptr) == 0) {
    for (uint32_t i = 0; i < values.count; ++i)
      text += (i ? "," : "") + std::to_string(*static_cast<int32_t *>(values.values[i]));
    free(values.values);
  }
  return text + "}";
}
void ReleaseCell(AS_setHandle_t *cell) {
  if (!cell) return;
  Status s;
  AS_Destroy(s, cell);
  free(cell);
}

// One reply record for one operation: what comes out, described, or the failure code.
struct Reply {
  const char *name;
  const Operation &op;
  std::function<void *()> make;  // the wire record (owned by the row's release)
  std::function<void(void *)> release;
  std::function<std::string(void *out)> describe;  // and releases what came out
  const char *expected;
};

AttributeSetResult *SetReply(bool present, AttributeList list) {
  auto *r = new AttributeSetResult{};
  r->bit_mask = present ? AttributeSetResult_attributes_present : 0;
  r->attributes = list;
  return r;
}
void FreeSetReply(void *wire) {
  auto *r = static_cast<AttributeSetResult *>(wire);
  Status s;
  FreeBER_AS(s, &r->attributes);
  delete r;
}
std::string SetOut(void *out) {
  auto *cell = static_cast<AS_setHandle_t *>(out);
  std::string text = Values(cell);
  ReleaseCell(cell);
  return text;
}

TEST(OpResults, EachKindOfReplyRecordBecomesWhatTheOperationHandsOut) {
  const Reply rows[] = {
      {"a set", kq::jqp::kCancelJob,
       [] {
         return SetReply(true, WireList({5, 6}));
       },
       FreeSetReply, SetOut, "{5,6}"},
      {"a set record without its set", kq::jqp::kEnable,
       [] { return SetReply(false, WireList({5})); }, FreeSetReply, SetOut, "nothing"},
      {"an event's set in a client process", kq::jqp::kSendEvent,
       [] { return SetReply(true, WireList({5})); }, FreeSetReply, SetOut, "nothing"},
      {"created object's attributes", kq::jqp::kCreate,
       [] { return new CreateResult{WireList({7})}; },
       [](void *w) {
         Status s;
         FreeBER_AS(s, &static_cast<CreateResult *>(w)->object_attributes);
         delete static_cast<CreateResult *>(w);
       },
       SetOut, "{7}"},
      {"created object without attributes", kq::jqp::kCreate,
       [] { return new CreateResult{nullptr}; },
       [](void *w) { delete static_cast<CreateResult *>(w); }, SetOut, "nothing"},
      {"a paused job", kq::jqp::kPauseJob,
       [] {
         auto *r = new PauseJobResult{};
         r->bit_mask = PauseJobResult_job_status_present;
         strcpy(r->paused_job, "job-3");
         r->job_status = WireList({8});
         return r;
       },
       [](void *w) {
         Status s;
         FreeBER_AS(s, &static_cast<PauseJobResult *>(w)->job_status);
         delete static_cast<PauseJobResult *>(w);
       },
       [](void *out) {
         auto *r = static_cast<GEN_pauseJobResult_t *>(out);
         std::string text = std::string(r->pausedJob.value) + " " + Values(r->jobStatus) +
                            (r->checkpoints.first ? " checkpoints" : " no checkpoints");
         Status s;
         FreeGEN_pauseJobResult(s, r);
         return text;
       },
       "job-3 {8} no checkpoints"},
      {"a paused object with its job", kq::jqp::kPause,
       [] {
         auto *r = new PauseResult{};
         r->bit_mask = PauseResult_affected_job_present;
         strcpy(r->affected_job, "job-4");
         return r;
       },
       [](void *w) { delete static_cast<PauseResult *>(w); },
       [](void *out) {
         auto *r = static_cast<GEN_PauseResult_t *>(out);
         std::string text =
             std::string(r->affectedJob ? r->affectedJob : "no job") + " " + Values(r->attributes);
         Status s;
         FreeGEN_PauseResult(s, r);
         return text;
       },
       "job-4 nothing"},
      {"a paused object with attributes only", kq::jqp::kPause,
       [] {
         auto *r = new PauseResult{};
         r->bit_mask = PauseResult_attributes_present;
         r->attributes = WireList({9});
         return r;
       },
       [](void *w) {
         Status s;
         FreeBER_AS(s, &static_cast<PauseResult *>(w)->attributes);
         delete static_cast<PauseResult *>(w);
       },
       [](void *out) {
         auto *r = static_cast<GEN_PauseResult_t *>(out);
         std::string text =
             std::string(r->affectedJob ? r->affectedJob : "no job") + " " + Values(r->attributes);
         Status s;
         FreeGEN_PauseResult(s, r);
         return text;
       },
       "no job {9}"},
      {"an interrupted job", kq::jqp::kInterruptJob,
       [] {
         return new InterruptJobResult{"job-5", WireList({1})};
       },
       [](void *w) {
         Status s;
         FreeBER_AS(s, &static_cast<InterruptJobResult *>(w)->job_status);
         delete static_cast<InterruptJobResult *>(w);
       },
       [](void *out) { return std::string(out ? "something" : "nothing"); }, "nothing"},
      {"resubmitted jobs", kq::jqp::kResubmitJob,
       [] {
         auto **head = new ResubmitJobResult_node *{};
         *head = new ResubmitJobResult_node{};
         (*head)->value.bit_mask = ObjectStatus_attributes_present;
         (*head)->value.attributes = WireList({2, 3});
         (*head)->next = new ResubmitJobResult_node{};
         return head;
       },
       [](void *w) {
         auto **head = static_cast<ResubmitJobResult_node **>(w);
         Status s;
         FreeBER_AS(s, &(*head)->value.attributes);
         delete (*head)->next;
         delete *head;
         delete head;
       },
       [](void *out) {
         auto *r = static_cast<GEN_ResubmitJobResult_t *>(out);
         std::string text;
         for (GEN_SeqOfObjectStatus_t *e = r->first; e; e = e->next)
           text += Values(e->attributes) + " ";
         Status s;
         FreeGEN_ResubmitJobResult(s, r);
         return text;
       },
       "{2,3} nothing "},
      {"a print result", kq::jqp::kCloseJob,
       [] {
         auto *r = new PrintResult{};
         strcpy(r->job_identification, "job-6");
         r->job_status = WireList({4});
         return r;
       },
       [](void *w) {
         Status s;
         FreeBER_AS(s, &static_cast<PrintResult *>(w)->job_status);
         delete static_cast<PrintResult *>(w);
       },
       [](void *out) {
         auto *r = static_cast<GEN_printResult_t *>(out);
         std::string text = std::string(r->jobIdentification.value) + " " + Values(&r->jobStatus);
         Status s;
         FreeGEN_printResult(s, r);
         return text;
       },
       "job-6 {4}"},
  };
  for (const Reply &row : rows) {
    SCOPED_TRACE(row.name);
    Status s;
    void *wire = row.make();
    void *out = nullptr;
    ASSERT_EQ(kq::jqp::ConvertResult(row.op, s, wire, &out), 0) << s.Text();
    EXPECT_EQ(row.describe(out), row.expected);
    row.release(wire);
    // No reply record: nothing, whatever the kind.
    out = &out;
    EXPECT_EQ(kq::jqp::ConvertResult(row.op, s, nullptr, &out), 0);
    EXPECT_EQ(out, nullptr);
  }
}

// A set the reply carries that does not convert: the operation's result code on top.
TEST(OpResults, AResultThatDoesNotConvertAddsTheOperationsCode) {
  const struct {
    const Operation &op;
    uint32_t code;
  } rows[] = {
      {kq::jqp::kModifyJob, 0xc0090067},  {kq::jqp::kCancelJob, 0xc0090067},
      {kq::jqp::kPromoteJob, 0xc0090067}, {kq::jqp::kResumeJob, 0xc0090067},
      {kq::jqp::kClean, 0xc0090067},      {kq::jqp::kSet, 0xc0090067},
      {kq::jqp::kShutdown, 0xc0090067},   {kq::jqp::kControl, 0xc0090067},
      {kq::jqp::kEnable, 0xc0090068},     {kq::jqp::kDisable, 0xc0090068},
      {kq::jqp::kDelete, 0xc0090068},     {kq::jqp::kResume, 0xc0090068},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.op.name);
    Status s;
    auto *wire = SetReply(true, BadList());
    void *out = &out;
    EXPECT_EQ(kq::jqp::ConvertResult(row.op, s, wire, &out), 1);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(s.Code(), row.code) << s.Text();
    FreeSetReply(wire);
  }
  // The pause records: 0x67 for a job's status, 0x68 for an object's attributes.
  Status s;
  PauseJobResult pauseJob{};
  pauseJob.bit_mask = PauseJobResult_job_status_present;
  pauseJob.job_status = BadList();
  void *out = &out;
  EXPECT_EQ(kq::jqp::ConvertResult(kq::jqp::kPauseJob, s, &pauseJob, &out), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(s.Code(), 0xc0090067u) << s.Text();
  PauseResult pause{};
  pause.bit_mask = PauseResult_affected_job_present | PauseResult_attributes_present;
  pause.attributes = pauseJob.job_status;
  s.Clear();
  EXPECT_EQ(kq::jqp::ConvertResult(kq::jqp::kPause, s, &pause, &out), 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(s.Code(), 0xc0090068u) << s.Text();
  FreeBER_AS(s, &pauseJob.job_status);
}

// Every allocation the create-job path makes through the coding world and through the
// caller's job attributes fails in turn (1, 2, ... until the call succeeds): the call fails, hands
// out nothing and leaves no block behind once the caller's sets are gone. The process
// heap's blocks are the address sanitizer's to watch.
struct Book {
  uint64_t failAt = 0, attempts = 0, badFrees = 0;
  bool armed = false;
  std::set<void *> live;
} book;
void *BookAllocate(size_t size) {
  if (book.armed && ++book.attempts == book.failAt) return nullptr;
  return *book.live.insert(malloc(size ? size : 1)).first;
}
void BookFree(void *block) {
  if (block && !book.live.erase(block)) return void(++book.badFrees);
  free(block);
}
void *BookReallocate(void *block, size_t size) {
  if (book.armed && ++book.attempts == book.failAt) return nullptr;
  if (block && !book.live.count(block)) ++book.badFrees;
  void *moved = realloc(block, size ? size : 1);
  if (moved) book.live.erase(block), book.live.insert(moved);
  return moved;
}
const AS_allocateDescriptor_t kBookSets = {BookAllocate, BookFree};

class CreateJobAllocations : public kq::jqp::test::OperationArgs {
 public:
  void SetUp() override {
    OperationArgs::SetUp();
    GEN_ObjectIdent_t empty{};
    empty.choice = 7;
    empty.u.name.choice = GEN_TEXT_ISO646;
    ASSERT_EQ(JQP_Initialize(s, NS_KIND_SERVER, &empty), 0) << s.Text();
    OssGlobal *world = GENU_GetWorld();
    saved = {world->mallocp, world->reallocp, world->freep};
    world->mallocp = BookAllocate, world->reallocp = BookReallocate, world->freep = BookFree;
  }
  void TearDown() override {
    OssGlobal *world = GENU_GetWorld();
    world->mallocp = saved.mallocp, world->reallocp = saved.reallocp, world->freep = saved.freep;
    JQP_Terminate(s);
    OperationArgs::TearDown();
  }
  // A set allocating through the book, holding kIntAttr with `values`.
  AS_setHandle_t BookSet(std::initializer_list<int32_t> values) {
    AS_setHandle_t set = AS_nullSetHandle;
    EXPECT_EQ(AS_Create(s, &set, &kBookSets, 0), 0u);
    AS_attrHandle_t attr = AS_nullAttrHandle;
    EXPECT_EQ(AS_AddAttr(s, set, kIntAttr, 12, &attr), 0u);
    for (int32_t n : values)
      EXPECT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(BookAllocate(4), &n, 4), &GENU_IntegerDesc), 0u);
    AS_FreeAttrHandle(s, &attr);
    return set;
  }
  struct {
    void *(*mallocp)(size_t);
    void *(*reallocp)(void *, size_t);
    void (*freep)(void *);
  } saved{};
};

TEST_F(CreateJobAllocations, EveryAllocationFailingLeavesNothingBehind) {
  uint64_t failAt = 1;
  for (bool succeeded = false; !succeeded; ++failAt) {
    ASSERT_LT(failAt, 2000u) << "the call never succeeded";
    SCOPED_TRACE(failAt);
    book = Book{};
    AS_setHandle_t attributes = BookSet({1, 2, 3}), common = AS_nullSetHandle;
    // The common arguments on the process heap: the privileges value put into them is
    // a process-heap copy whatever the set's allocator.
    ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
    GEN_DocDescription_t doc = {&transfer, nullptr, &docType, attributes};
    book.failAt = failAt;
    book.armed = true;
    auto *result = reinterpret_cast<GEN_printResult_t *>(uintptr_t{0x10});
    ERDPA_errorResult_t *error = nullptr;
    Status call;
    const int rc = JQP_CreateJob_C(call, &printer, &no, attributes, &doc, common, &result, &error);
    book.armed = false;
    succeeded = rc == 0;
    // A call that succeeds never met the failing allocation.
    EXPECT_TRUE(!succeeded || book.attempts < failAt) << "a failed allocation was passed over";
    EXPECT_TRUE(succeeded || call.Code() != 0) << "failed without saying why";
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(error, nullptr);
    AS_Destroy(s, &attributes);
    AS_Destroy(s, &common);
    EXPECT_EQ(book.live.size(), 0u) << "blocks left";
    EXPECT_EQ(book.badFrees, 0u);
  }
  EXPECT_GT(failAt, 10u) << "fewer allocations than the path makes";
}

}  // namespace
