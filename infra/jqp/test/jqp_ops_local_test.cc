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

TEST_F(LocalOps, EveryOperationIsEncodedAndDecodedBackAndReturnsNothing) {
  using L = LocalOps;
  const Call calls[] = {
      {"CreateJob", 0,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_printResult_t);
         int rc =
             JQP_CreateJob_C(t.s, &t.printer, &t.no, t.set, &t.document, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ListObjectAttributes", 1,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_ListObjectAttributes_C(t.s, kOid, &t.three, &t.filter, &t.requested, nullptr,
                                             &result, &error);
         return KQ_NULL, rc;
       }},
      {"Create", 2,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Create_C(t.s, kOid, &t.job, &t.job, &t.yes, t.set, &t.message, nullptr,
                               &result, &error);
         return KQ_NULL, rc;
       }},
      {"Enable", 3,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Enable_C(t.s, kOid, &t.job, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"SendEvent", 4,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_SendEvent_C(t.s, &t.event, t.set, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"AddDocument", 5,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_printResult_t);
         int rc = JQP_AddDocument_C(t.s, "job-7", &t.no, &t.document, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"CloseJob", 6,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_printResult_t);
         int rc = JQP_CloseJob_C(t.s, "job-7", nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ListObjectAttributeContinuation", 7,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_ListObjectAttributeContinuation_C(t.s, &t.context, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"GetOrderedJobs", 10,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_GetOrderedJobs_C(t.s, kOid, nullptr, nullptr, &t.requested, nullptr, &result,
                                       &error);
         return KQ_NULL, rc;
       }},
      {"GetOrderedJobsContinuation", 11,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_GetOrderedJobsContinuation_C(t.s, &t.context, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ListObjectAttributeAbort", 12,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_listResult_t);
         int rc = JQP_ListObjectAttributeAbort_C(t.s, &t.context, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Disable", 13,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Disable_C(t.s, kOid, &t.job, nullptr, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ModifyJob", 14,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_ModifyJob_C(t.s, "job-7", &t.three, t.modification, &t.message, nullptr,
                                  &result, &error);
         return KQ_NULL, rc;
       }},
      {"CancelJob", 15,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_CancelJob_C(t.s, "job-7", &t.three, &t.message, &t.seven, nullptr, &result,
                                  &error);
         return KQ_NULL, rc;
       }},
      {"PromoteJob", 16,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_PromoteJob_C(t.s, "job-7", &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"InterruptJob", 17,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_interruptJobResult_t);
         int rc =
             JQP_InterruptJob_C(t.s, &t.printerOf, &t.message, "job-8", nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"PauseJob", 18,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_pauseJobResult_t);
         int rc = JQP_PauseJob_C(t.s, &t.jobOrPrinter, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ResumeJob", 19,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         GEN_Checkpoint_t ignored{};
         int rc = JQP_ResumeJob_C(t.s, "job-7", &t.message, &ignored, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Clean", 20,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Clean_C(t.s, kOid, &t.job, nullptr, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Set", 21,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc =
             JQP_Set_C(t.s, kOid, &t.job, t.modification, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Shutdown", 22,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Shutdown_C(t.s, kOid, &t.job, &t.message, &t.when, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"ResubmitJob", 23,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_ResubmitJobResult_t);
         int rc = JQP_ResubmitJob_C(t.s, kOid, &t.job, &t.dn, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Delete", 24,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Delete_C(t.s, kOid, &t.job, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Pause", 25,
       [](L &t, bool *outputsNull) {
         KQ_OUT(GEN_PauseResult_t);
         int rc = JQP_Pause_C(t.s, kOid, &t.job, nullptr, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Resume", 26,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Resume_C(t.s, kOid, &t.job, &t.message, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
      {"Control", 28,
       [](L &t, bool *outputsNull) {
         KQ_OUT(AS_setHandle_t);
         int rc = JQP_Control_C(t.s, kOid, &t.job, nullptr, t.set, nullptr, &result, &error);
         return KQ_NULL, rc;
       }},
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
    AS_setHandle_t common = AS_nullSetHandle;
    ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
    for (auto &[id, value] : row.attributes) Add(common, id, value);
    kq::test::LogCapture log("XI");
    AS_setHandle_t *result = nullptr;
    EXPECT_EQ(JQP_CloseJob_C(s, "job-7", common, reinterpret_cast<GEN_printResult_t **>(&result),
                             nullptr),
              1);
    EXPECT_TRUE(s.Has(row.code)) << s.Text();
    EXPECT_NE(log.Text().find(row.logged), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("BerEncodeAndSend"), std::string::npos) << log.Text();
    AS_Destroy(s, &common);
  }
}

}  // namespace
