// The protocol operations end to end through a local-only handle (each request is
// encoded and decoded back by the real coder, nothing is sent): the server the common
// arguments choose, and every allocation on the create-job path failing in
// turn with nothing left behind.
#include <gtest/gtest.h>

#include <cstring>
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

using kq::jqp::test::kIntAttr;
using Status = kq::test::StatusList;

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
};

// Every allocation the create-job path makes through the coding world and through the
// caller's job attributes fails in turn (1, 2, ... until the call succeeds): the call fails,
// hands out nothing and leaves no block behind once the caller's sets are gone. The
// process heap's blocks are the address sanitizer's to watch.
void *CountingReallocate(void *block, size_t size) {
  kq::test::Counter &c = kq::test::Counting();
  if (++c.attempts == c.failAt) return nullptr;
  if (block && c.live.erase(block) == 0) ++c.badFrees;
  void *moved = realloc(block, size ? size : 1);
  if (moved || block) c.live.insert(moved ? moved : block);  // a failed realloc keeps it
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
