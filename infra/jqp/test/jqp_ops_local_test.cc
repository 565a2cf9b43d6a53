// The protocol operations end to end through a local-only handle (each request is
// encoded and decoded back by the real coder, nothing is sent): the argument failures
// that stop a request before it is sent (each with its operation's code and nothing
// left allocated), the common arguments (server choice, privileges), and every
// allocation on the create-job path failing in turn with nothing left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "internal/ber_runtime.h"
#include "jqp_frame_support.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "printers_env.h"
#include "private/jqp_client.h"
#include "private/jqp_ops_int.h"
#include "private/jqp_pdu.h"

namespace {

using kq::jqp::OpArgs;
using kq::jqp::Operation;
using kq::jqp::test::kIntAttr;
using kq::jqp::test::kOid;
using Status = kq::test::StatusList;

constexpr uint32_t kPrivileges = 97;  // id-att-privileges

class LocalOps : public kq::jqp::test::OperationArgs {
 public:
  void SetUp() override {
    OperationArgs::SetUp();
    GEN_ObjectIdent_t empty = kq::jqp::test::SimpleName("");
    ASSERT_EQ(JQP_Initialize(s, NS_KIND_SERVER, &empty), 0) << s.Text();
    ASSERT_EQ(JQP__GetClientHandle()->mode, JQP_MODE_LOCAL);
  }
  void TearDown() override {
    JQP_Terminate(s);
    OperationArgs::TearDown();
  }
  // A result output holding garbage, to see the operation set it.
  template <typename T>
  static T *Garbage() {
    return reinterpret_cast<T *>(uintptr_t{0x10});
  }
};

// An argument that does not convert ends the operation before its request is sent: the
// operation's code on top, every output nothing, and what the builder converted before
// released again (the builder's own release, or the frame's after the common arguments).
TEST_F(LocalOps, AnArgumentThatDoesNotConvertStopsTheRequestWithTheOperationsCode) {
  using namespace kq::jqp;
  const struct {
    const Operation &op;
    std::function<void(LocalOps &, OpArgs &)> fill;
    uint32_t code;
  } rows[] = {
// The arguments each row gives, and an object instance that converts.
#define KQ_ARGS(...) []([[maybe_unused]] LocalOps &t, [[maybe_unused]] OpArgs &a) { __VA_ARGS__; }
#define KQ_OBJECT a.objectClass = kOid, a.objectInstance = &t.job
      // clang-format off
      {kCreateJob, KQ_ARGS(a.printerName = &t.badName), 0xc009008f},
      {kCreateJob, KQ_ARGS(), 0xc009008f},
      {kCreateJob, KQ_ARGS(a.printerName = &t.printer, a.jobAttributes = t.badSet), 0xc0090068},
      {kCreateJob, KQ_ARGS(a.printerName = &t.printer, a.jobAttributes = t.set,
                           a.document = &t.badDocument), 0xc0090073},
      {kAddDocument, KQ_ARGS(a.jobId = "j"), 0xc0090073},
      {kListObjectAttributes, KQ_ARGS(a.objectClass = test::kNoOid), 0xc0090081},
      {kListObjectAttributes, KQ_ARGS(a.objectClass = kOid, a.selector = &t.badFilter), 0xc009008b},
      {kListObjectAttributes, KQ_ARGS(a.objectClass = kOid, a.selector = &t.filter,
                                      a.requested = &t.badRequested), 0xc0090067},
      {kGetOrderedJobs, KQ_ARGS(a.objectClass = kOid, a.requested = &t.badRequested), 0xc0090081},
      {kListObjectAttributeContinuation, KQ_ARGS(a.context = &t.badContext), 0xc009006d},
      {kListObjectAttributeAbort, KQ_ARGS(), 0xc009006d},
      {kModifyJob, KQ_ARGS(a.modification = t.badSet), 0xc0090068},
      {kModifyJob, KQ_ARGS(a.modification = t.modification, a.message = &t.badText), 0xc009007a},
      {kInterruptJob, KQ_ARGS(a.jobOrPrinter = &t.badPrinterOf), 0xc009008f},
      {kResubmitJob, KQ_ARGS(KQ_OBJECT, a.dnPrinter = &t.badDn), 0xc0090070},
      {kCreate, KQ_ARGS(KQ_OBJECT, a.initialValue = &t.badObject), 0xc009007e},
      {kCreate, KQ_ARGS(KQ_OBJECT, a.objectAttributes = t.badSet), 0xc009007e},
      {kCreate, KQ_ARGS(KQ_OBJECT, a.objectAttributes = t.set, a.message = &t.badText), 0xc009007a},
      {kEnable, KQ_ARGS(a.objectClass = kOid), 0xc009007e},
      {kDelete, KQ_ARGS(a.objectClass = kOid, a.objectInstance = &t.badObject), 0xc009007e},
      {kResume, KQ_ARGS(KQ_OBJECT, a.message = &t.badText), 0xc009007a},
      {kSet, KQ_ARGS(KQ_OBJECT, a.modification = t.badSet), 0xc0090068},
      {kShutdown, KQ_ARGS(KQ_OBJECT, a.when = &t.badOid), 0xc0090081},
      {kShutdown, KQ_ARGS(KQ_OBJECT), 0xc0090081},
      {kControl, KQ_ARGS(KQ_OBJECT, a.objectAttributes = t.badSet), 0xc0090068},
      {kSendEvent, KQ_ARGS(a.event = &t.badEvent), 0xc009007b},
      {kSendEvent, KQ_ARGS(a.event = &t.event, a.objectAttributes = t.badSet), 0xc0090068},
      {kSendEvent, KQ_ARGS(a.event = &t.event, a.objectAttributes = t.set, a.message = &t.badText),
       0xc009007a},
      {kPromoteJob, KQ_ARGS(a.jobId = "job-7", a.common = t.badSet), 0xc0090068},
  // clang-format on
#undef KQ_OBJECT
#undef KQ_ARGS
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.op.name) + " " + std::to_string(&row - rows));
    OpArgs args;
    row.fill(*this, args);
    kq::test::LogCapture log("I");
    void *result = LocalOps::Garbage<void>();
    ERDPA_errorResult_t *error = LocalOps::Garbage<ERDPA_errorResult_t>();
    EXPECT_EQ(kq::jqp::Run(row.op, s, args, &result, &error), 1);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(s.Code(), row.code) << s.Text();
    EXPECT_EQ(log.Text().find("BerEncodeAndSend"), std::string::npos) << log.Text();
  }
}

// Each request puts the privileges into the caller's common arguments, replacing those
// an earlier request put there.
TEST_F(LocalOps, CommonArgumentsGainThePrivilegesOnce) {
  AS_setHandle_t common = AS_nullSetHandle;
  ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
  AS_setHandle_t *result = nullptr;
  for (int request = 1; request <= 2; ++request) {
    SCOPED_TRACE(request);
    EXPECT_EQ(JQP_PromoteJob_C(s, "job-7", nullptr, common, &result, nullptr), 0) << s.Text();
    uint32_t count = 0;
    EXPECT_EQ(AS_GetAttrValCount(s, common, kPrivileges, &count), 0u) << s.Text();
    EXPECT_EQ(count, 1u);
  }
  AS_Destroy(s, &common);
}

// Every allocation the create-job path makes through the coding world and through the
// caller's job attributes fails in turn (1, 2, ... until the call succeeds): the call fails,
// hands out nothing and leaves no block behind once the caller's sets are gone. The
// process heap's blocks are the address sanitizer's to watch.
void *CountingReallocate(void *block, size_t size) {
  kq::test::Counter &c = kq::test::Counting();
  if (++c.attempts == c.failAt) return nullptr;
  if (block && !c.live.count(block)) ++c.badFrees;
  void *moved = realloc(block, size ? size : 1);
  if (moved) c.live.erase(block), c.live.insert(moved);
  return moved;
}

TEST_F(LocalOps, CreateJobLeavesNothingBehindWhenAnyAllocationFails) {
  kq::test::Counter &book = kq::test::Counting();
  const AS_allocateDescriptor_t kCounted = {kq::test::CountingAllocate, kq::test::CountingFree};
  OssGlobal *world = GENU_GetWorld(), saved = *world;  // the thread's world counts too
  world->mallocp = kq::test::CountingAllocate, world->freep = kq::test::CountingFree;
  world->reallocp = CountingReallocate;
  uint64_t failAt = 1;
  for (bool succeeded = false; !succeeded; ++failAt) {
    ASSERT_LT(failAt, 2000u) << "the call never succeeded";
    SCOPED_TRACE(failAt);
    book.Reset();
    // The job attributes allocate through the book; the common arguments live on the
    // process heap (the privileges value put into them is a process-heap copy).
    AS_setHandle_t attributes = AS_nullSetHandle, common = AS_nullSetHandle;
    ASSERT_EQ(AS_Create(s, &attributes, &kCounted, 0), 0u);
    AS_attrHandle_t attr = AS_nullAttrHandle;
    ASSERT_EQ(AS_AddAttr(s, attributes, kIntAttr, 12, &attr), 0u);
    for (int32_t n : {1, 2, 3}) {
      void *value = memcpy(kq::test::CountingAllocate(4), &n, 4);
      ASSERT_EQ(AS_AddAttrValR(s, attr, 12, value, &GENU_IntegerDesc), 0u);
    }
    AS_FreeAttrHandle(s, &attr);
    ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
    GEN_DocDescription_t doc = {&transfer, nullptr, &docType, attributes};
    book.FailNth(failAt);
    auto *result = reinterpret_cast<GEN_printResult_t *>(uintptr_t{0x10});
    ERDPA_errorResult_t *error = nullptr;
    Status call;
    const int rc = JQP_CreateJob_C(call, &printer, &no, attributes, &doc, common, &result, &error);
    const bool metFailure = book.attempts >= book.failAt;
    book.NoFailure();
    succeeded = rc == 0;
    EXPECT_TRUE(!succeeded || !metFailure) << "a failed allocation was passed over";
    EXPECT_TRUE(succeeded || call.Code() != 0) << "failed without saying why";
    EXPECT_TRUE(result == nullptr && error == nullptr);
    AS_Destroy(s, &attributes);
    AS_Destroy(s, &common);
    EXPECT_EQ(book.live.size(), 0u) << "blocks left";
    EXPECT_EQ(book.badFrees, 0u);
  }
  world->mallocp = saved.mallocp, world->reallocp = saved.reallocp, world->freep = saved.freep;
  EXPECT_GT(failAt, 10u) << "fewer allocations than the path makes";
}

// The common arguments choose the server: an associated queue before a printer before a
// server; the choice shows in the directory lookup it makes (the directory knows none of
// them here) or, for a printer the directory knows, in the connection it tries.
class ServerChoice : public kq::test::PrintersFiles {
 protected:
  void SetUp() override {
    WriteEtc("lp-known:paddr=127.0.0.1,398765,1,sys,lp,spool-known,0:\n");
    ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), 0);
  }
  void TearDown() override {
    JQP_Terminate(s);
    NS_Term();
  }
  Status s;
};

TEST_F(ServerChoice, QueueThenPrinterThenServerNameTheConnection) {
  const struct {
    const char *server, *printer, *queue;  // the names given (null: none)
    const char *logged;
    uint32_t code;
  } rows[] = {
      {"sv-a", nullptr, nullptr, "Entry sv-a not found", 0xc009007c},
      {"sv-b", "lp-b", nullptr, "Entry lp-b not found", 0xc009007c},
      {"sv-c", "lp-c", "q-c", "Entry q-c not found", 0xc009007c},
      // A printer the directory knows, and a server of the same name.
      {"lp-known", "lp-known", nullptr, "connecting to host 127.0.0.1", 0xc009006c},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.logged);
    // In a child that ends with _exit: libtirpc's client creation leaks the address
    // string of a program rpcbind does not know, which is not ours to answer for.
    std::string seen = kq::jqp::test::InChild([&] {
      AS_setHandle_t common = AS_nullSetHandle;
      AS_Create(s, &common, nullptr, 0);
      for (auto [id, name] :
           {std::pair{871u, row.server}, {649u, row.printer}, {3000u, row.queue}}) {
        GEN_SimpleName_t *value = nullptr;  // server, printer, associated queue
        if (name && GENU_MakeSimpleName(s, &value, name, nullptr) == 0)
          AS_AddAttrVal(s, common, id, 27, value, &GENU_SimpleNameDesc, nullptr);
      }
      kq::test::LogCapture log("XI");
      AS_setHandle_t *result = nullptr;
      const int rc = JQP_CloseJob_C(s, "job-7", common,
                                    reinterpret_cast<GEN_printResult_t **>(&result), nullptr);
      const std::string text = log.Text();
      std::string out = std::to_string(rc) + (s.Has(row.code) ? " coded" : s.Text());
      out += text.find(row.logged) != std::string::npos ? " logged" : " not logged";
      out += text.find("BerEncodeAndSend") == std::string::npos ? "" : " sent";
      AS_Destroy(s, &common);
      return out;
    });
    EXPECT_EQ(seen, "1 coded logged");
  }
}

}  // namespace
