// The protocol operations end to end through a local-only handle (each request is
// encoded and decoded back by the real coder, nothing is sent): every operation in one
// table, the argument failures that stop a request before it is built, the common
// arguments (server choice, privileges, call time-out), and every allocation on the
// create-job path failing in turn with nothing left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "jqp_frame_support.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "printers_env.h"
#include "private/jqp_client.h"
#include "private/jqp_pdu.h"

namespace {

using kq::jqp::test::kIntAttr;
using kq::jqp::test::kNoOid;
using kq::jqp::test::kOid;
using Status = kq::test::StatusList;

constexpr uint32_t kPrivileges = 97;  // id-att-privileges

GEN_ObjectIdent_t Named(const char *text) {
  GEN_ObjectIdent_t name{};
  name.choice = 7;
  name.u.name.choice = GEN_TEXT_ISO646;
  strncpy(name.u.name.u.string, text, GEN_SIMPLE_NAME_MAX);
  return name;
}

// The log's text without line heads.
std::string Body(const std::string &log) {
  std::string out;
  for (const std::string &line : kq::test::Lines(log)) {
    size_t bar = line.find("| ");
    out += (bar == std::string::npos ? line : line.substr(bar + 2)) + "\n";
  }
  return out;
}

class LocalOps : public kq::jqp::test::OperationArgs {
 public:
  void SetUp() override {
    OperationArgs::SetUp();
    GEN_ObjectIdent_t empty = Named("");
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

// One operation called with arguments that convert; it reports whether it set every
// output to nothing.
struct Call {
  const char *name;  // of the echo functions
  int operation;
  std::function<int(LocalOps &, bool *outputsNull)> run;
};

#define KQ_OUT(T)                     \
  T *result = LocalOps::Garbage<T>(); \
  ERDPA_errorResult_t *error = LocalOps::Garbage<ERDPA_errorResult_t>()
#define KQ_NULL (*outputsNull = result == nullptr && error == nullptr)
// A row calling JQP_<Name>_C with the status list, `...` and the two outputs.
// clang-format off
#define KQ_CALL(Name, number, T, ...)                                   \
  Call{#Name, number, [](LocalOps &t, bool *outputsNull) {              \
         KQ_OUT(T);                                                     \
         const int rc = JQP_##Name##_C(t.s, __VA_ARGS__, &result, &error); \
         return KQ_NULL, rc;                                            \
       }}
// clang-format on
const GEN_Checkpoint_t kIgnoredCheckpoint{};  // accepted, never sent

TEST_F(LocalOps, EveryOperationIsEncodedAndDecodedBackAndReturnsNothing) {
  const Call calls[] = {
      KQ_CALL(CreateJob, 0, GEN_printResult_t, &t.printer, &t.no, t.set, &t.document, nullptr),
      KQ_CALL(ListObjectAttributes, 1, GEN_listResult_t, kOid, &t.three, &t.filter, &t.requested,
              nullptr),
      KQ_CALL(Create, 2, AS_setHandle_t, kOid, &t.job, &t.job, &t.yes, t.set, &t.message, nullptr),
      KQ_CALL(Enable, 3, AS_setHandle_t, kOid, &t.job, &t.message, nullptr),
      KQ_CALL(SendEvent, 4, AS_setHandle_t, &t.event, t.set, &t.message, nullptr),
      KQ_CALL(AddDocument, 5, GEN_printResult_t, "job-7", &t.no, &t.document, nullptr),
      KQ_CALL(CloseJob, 6, GEN_printResult_t, "job-7", nullptr),
      KQ_CALL(ListObjectAttributeContinuation, 7, GEN_listResult_t, &t.context, nullptr),
      KQ_CALL(GetOrderedJobs, 10, GEN_listResult_t, kOid, nullptr, nullptr, &t.requested, nullptr),
      KQ_CALL(GetOrderedJobsContinuation, 11, GEN_listResult_t, &t.context, nullptr),
      KQ_CALL(ListObjectAttributeAbort, 12, GEN_listResult_t, &t.context, nullptr),
      KQ_CALL(Disable, 13, AS_setHandle_t, kOid, &t.job, nullptr, nullptr),
      KQ_CALL(ModifyJob, 14, AS_setHandle_t, "job-7", &t.three, t.modification, &t.message,
              nullptr),
      KQ_CALL(CancelJob, 15, AS_setHandle_t, "job-7", &t.three, &t.message, &t.seven, nullptr),
      KQ_CALL(PromoteJob, 16, AS_setHandle_t, "job-7", &t.message, nullptr),
      KQ_CALL(InterruptJob, 17, GEN_interruptJobResult_t, &t.printerOf, &t.message, "job-8",
              nullptr),
      KQ_CALL(PauseJob, 18, GEN_pauseJobResult_t, &t.jobOrPrinter, &t.message, nullptr),
      KQ_CALL(ResumeJob, 19, AS_setHandle_t, "job-7", &t.message, &kIgnoredCheckpoint, nullptr),
      KQ_CALL(Clean, 20, AS_setHandle_t, kOid, &t.job, nullptr, nullptr),
      KQ_CALL(Set, 21, AS_setHandle_t, kOid, &t.job, t.modification, &t.message, nullptr),
      KQ_CALL(Shutdown, 22, AS_setHandle_t, kOid, &t.job, &t.message, &t.when, nullptr),
      KQ_CALL(ResubmitJob, 23, GEN_ResubmitJobResult_t, kOid, &t.job, &t.dn, &t.message, nullptr),
      KQ_CALL(Delete, 24, AS_setHandle_t, kOid, &t.job, &t.message, nullptr),
      KQ_CALL(Pause, 25, GEN_PauseResult_t, kOid, &t.job, nullptr, nullptr),
      KQ_CALL(Resume, 26, AS_setHandle_t, kOid, &t.job, &t.message, nullptr),
      KQ_CALL(Control, 28, AS_setHandle_t, kOid, &t.job, nullptr, t.set, nullptr),
  };
  std::set<int> operations;
  for (const Call &call : calls) {
    SCOPED_TRACE(call.name);
    operations.insert(call.operation);
    kq::test::LogCapture log("I");
    bool outputsNull = false;
    ASSERT_EQ(call.run(*this, &outputsNull), 0) << s.Text();
    EXPECT_TRUE(outputsNull);
    EXPECT_EQ(s.Code(), 0u) << s.Text();
    const std::string body = Body(log.Text());
    const std::string pdu = std::to_string(kq::jqp::pduargs[call.operation]);
    // The argument trace, the exchange of this operation's record, the outcome, in order.
    const size_t in = body.find(std::string("EchoIn") + call.name + ":");
    const size_t sent = body.find("BerEncodeAndSend: encoding... ArgPDU=" + pdu + ", ResPDU=" +
                                  std::to_string(kq::jqp::pduresults[call.operation]));
    const size_t back = body.find("local_only: decoded okay, pdunum=" + pdu + "\n");
    const size_t out = body.find(std::string("EchoOut") + call.name + ":");
    EXPECT_LT(in, sent) << body;
    EXPECT_LT(sent, back) << body;
    EXPECT_LT(back, out) << body;
    EXPECT_NE(out, std::string::npos) << body;
  }
  EXPECT_EQ(operations.size(), 26u);
}

// An argument that does not convert ends the operation before its request is built:
// the operation's code first, nothing encoded, every output nothing.
TEST_F(LocalOps, AnArgumentThatDoesNotConvertStopsTheRequest) {
  using L = LocalOps;
  struct Row {
    const char *name;
    uint32_t code;
    std::function<int(L &, bool *)> run;
  } rows[] = {
      {"delete with an object instance that does not convert", 0xc009007e,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Delete_C(t.s, kOid, &t.badObject, nullptr, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"resume with a message that does not convert", 0xc009007a,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Resume_C(t.s, kOid, &t.job, &t.badText, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ordered jobs with requested attributes that do not convert", 0xc0090081,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_GetOrderedJobs_C(t.s, kOid, nullptr, nullptr, &t.badRequested, nullptr,
                                       &result, &error);
         return KQ_NULL, rc;
       }},
      {"a listing with requested attributes that do not convert", 0xc0090067,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_ListObjectAttributes_C(t.s, kOid, nullptr, nullptr, &t.badRequested, nullptr,
                                             &result, &error);
         return KQ_NULL, rc;
       }},
      {"create job with a printer name that does not convert", 0xc009008f,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_printResult_t);
         int rc =
             JQP_CreateJob_C(t.s, &t.badName, nullptr, t.set, nullptr, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"common arguments that do not convert", 0xc0090068,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_PromoteJob_C(t.s, "job-7", nullptr, t.badSet, &result, &error);
         return KQ_NULL, rc;
       }},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    kq::test::LogCapture log("I");
    bool outputsNull = false;
    EXPECT_EQ(row.run(*this, &outputsNull), 1);
    EXPECT_TRUE(outputsNull);
    EXPECT_EQ(s.Code(), row.code) << s.Text();
    EXPECT_EQ(log.Text().find("BerEncodeAndSend"), std::string::npos) << log.Text();
  }
}

TEST_F(LocalOps, CommonArgumentsGainThePrivilegesAndATimeOutOfZeroIsRefusedButHarmless) {
  AS_setHandle_t common = AS_nullSetHandle;
  ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
  AS_attrHandle_t attr = AS_nullAttrHandle;
  ASSERT_EQ(AS_AddAttr(s, common, kIntAttr, 12, &attr), 0u);  // id-att-rpc-timeout
  int32_t zero = 0;
  ASSERT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(malloc(4), &zero, 4), &GENU_IntegerDesc), 0u);
  AS_FreeAttrHandle(s, &attr);
  AS_setHandle_t *result = nullptr;
  ERDPA_errorResult_t *error = nullptr;
  EXPECT_EQ(JQP_PromoteJob_C(s, "job-7", nullptr, common, &result, &error), 0) << s.Text();
  EXPECT_TRUE(s.Has(0xc009006e)) << s.Text();  // the time-out was not taken
  uint32_t count = 0;
  EXPECT_EQ(AS_GetAttrValCount(s, common, kPrivileges, &count), 0u) << s.Text();
  EXPECT_EQ(count, 1u);
  // A second request replaces the privileges instead of adding more.
  EXPECT_EQ(JQP_PromoteJob_C(s, "job-7", nullptr, common, &result, &error), 0) << s.Text();
  EXPECT_EQ(AS_GetAttrValCount(s, common, kPrivileges, &count), 0u) << s.Text();
  EXPECT_EQ(count, 1u);
  AS_Destroy(s, &common);
}

TEST_F(LocalOps, AResultOutputMustBeGivenUnlessTheOperationHasNoResult) {
  ERDPA_errorResult_t *error = nullptr;
  EXPECT_EQ(JQP_CloseJob_C(s, "job-7", nullptr, nullptr, &error), 1);
  EXPECT_EQ(s.Code(), 0xc009006eu);
  EXPECT_EQ(JQP_InterruptJob_C(s, &jobOrPrinter, nullptr, "job-8", nullptr, nullptr, nullptr), 0)
      << s.Text();
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
  void Add(AS_setHandle_t set, uint32_t id, const char *name) {
    GEN_SimpleName_t *value = nullptr;
    ASSERT_EQ(GENU_MakeSimpleName(s, &value, name, nullptr), 0u);
    ASSERT_EQ(AS_AddAttrVal(s, set, id, 27, value, &GENU_SimpleNameDesc, nullptr), 0u) << s.Text();
  }
  Status s;
};

TEST_F(ServerChoice, QueueThenPrinterThenServerNameTheConnection) {
  constexpr uint32_t kQueue = 3000, kPrinter = 649, kServer = 871;
  struct Row {
    const char *name;
    std::vector<std::pair<uint32_t, const char *>> attributes;
    const char *logged;
    uint32_t code;
  } rows[] = {
      {"a server alone", {{kServer, "sv-a"}}, "Entry sv-a not found", 0xc009007c},
      {"printer and server",
       {{kServer, "sv-b"}, {kPrinter, "lp-b"}},
       "Entry lp-b not found",
       0xc009007c},
      {"queue, printer and server",
       {{kServer, "sv-c"}, {kPrinter, "lp-c"}, {kQueue, "q-c"}},
       "Entry q-c not found",
       0xc009007c},
      {"a printer the directory knows, and a server of the same name",
       {{kServer, "lp-known"}, {kPrinter, "lp-known"}},
       "connecting to host 127.0.0.1",
       0xc009006c},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    // In a child that ends with _exit: libtirpc's client creation leaks the address
    // string of a program rpcbind does not know, which is not ours to answer for.
    std::string seen = kq::jqp::test::InChild([&] {
      AS_setHandle_t common = AS_nullSetHandle;
      AS_Create(s, &common, nullptr, 0);
      for (auto &[id, value] : row.attributes) Add(common, id, value);
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
