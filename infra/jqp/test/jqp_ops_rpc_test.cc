// The protocol operations over real RPC: libtirpc, the real rpcbind and the frame's
// test double of a print server (jqp_test_server), which records the last request and
// answers with a scripted reply. What the server received (operation, record, presence
// bits) is read back from it; replies come back converted, DPA errors decoded; the
// common arguments' call time-out changes the connection.
#include <gtest/gtest.h>
#include <rpc/rpc.h>

#include <cstring>
#include <functional>
#include <string>

#include "internal/ber_mod_kq_0b.h"
#include "jqp_frame_support.h"
#include "jqp_ops_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"
#include "private/jqp_pdu.h"

#if defined(__SANITIZE_ADDRESS__)
// libtirpc keeps a few bytes per client it creates in its rpcbind address lookup; only
// stacks through that client creation are spared.
#define KQ_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used)) const char *
KQ_SANITIZER_HOOK __lsan_default_suppressions() { return "leak:clnt_tp_create_timed\n"; }
KQ_SANITIZER_HOOK __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

namespace {

using Bytes = std::string;
using kq::jqp::test::Encoded;
using kq::jqp::test::kOid;
using kq::jqp::test::Values;
using kq::jqp::test::WireList;
using Status = kq::test::StatusList;

// A service error "server unavailable" (2) for the job "job-7".
Bytes ServiceUnavailable() {
  ServiceError_node node{};
  node.value.problem.choice = 1;
  node.value.problem.u.standard = 2;
  node.value.object_identification.choice = 1;
  strcpy(node.value.object_identification.u.job_identifier, "job-7");
  node.value.error_message.text.choice = 1;
  strcpy(node.value.error_message.text.u.iso646_string, "closed");
  ServiceError head = &node;
  return Encoded(ServiceError_PDU, &head);
}

// The presence byte of a decoded argument record of operation `op` (a new listing, or a
// record that begins with it).
unsigned Mask(int op, const void *record) {
  if (kq::jqp::pduargs[op] == ListArgument_PDU)
    return static_cast<const ListArgument *>(record)->u.new_listing.bit_mask;
  return *static_cast<const uint8_t *>(record);
}

class OpsOverRpc : public kq::jqp::test::OperationArgs {
 public:
  void SetUp() override {
    const std::string why = kq::jqp::test::RpcSkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
    OperationArgs::SetUp();
    ASSERT_TRUE(server.ready()) << "the test server did not start";
    NS_object_t o = server.Object();
    ASSERT_EQ(JQP_Initialize2(s, &o), 0) << s.Text();
  }
  void TearDown() override {
    JQP_Terminate(s);
    OperationArgs::TearDown();
  }
  kq::jqp::test::TestServer server;
};

// One request: the reply the server is to give, the call, what the server received
// (operation and presence bits of the decoded record) and what the call handed out.
struct Exchange {
  const char *name;
  int operation;
  std::function<Bytes()> result;  // the reply's result packet ("": none)
  bool withError;                 // a service error in the reply
  std::function<std::string(OpsOverRpc &, std::string *error)> call;
  unsigned mask;  // of the record the server received
  const char *handedOut;
};

std::string ErrorKind(ERDPA_errorResult_t *error) {
  if (!error) return "no error";
  std::string kind = "error kind " + std::to_string(error->kind);
  ERDPA_FreeError(Status(), error);
  return kind;
}

TEST_F(OpsOverRpc, ServerReceivesTheRecordAndRepliesComeBackConverted) {
  using O = OpsOverRpc;
  const Exchange rows[] = {
      {"cancel job: a set and a service error", 15,
       [] {
         CancelJobResult r{AttributeSetResult_attributes_present, WireList({5})};
         Bytes bytes = Encoded(CancelJobResult_PDU, &r);
         FreeBER_AS(Status(), &r.attributes);
         return bytes;
       },
       true,
       [](O &t, std::string *error) {
         AS_setHandle_t *result = nullptr;
         ERDPA_errorResult_t *e = nullptr;
         int rc =
             JQP_CancelJob_C(t.s, "job-7", &t.three, &t.message, nullptr, nullptr, &result, &e);
         *error = ErrorKind(e);
         std::string out = std::to_string(rc) + " " + Values(result);
         if (result) AS_Destroy(t.s, result), free(result);
         return out;
       },
       0xd0, "0 {5}"},
      {"a listing: one object", 1,
       [] {
         ListResult_result_set_node object{};
         object.value.object_identification.choice = 1;
         strcpy(object.value.object_identification.u.job_identifier, "job-1");
         object.value.attributes = WireList({7});
         uint32_t oid = kOid;
         ToBER_oid(Status(), &object.value.object_class, &oid);
         ListResult r{};
         r.answer_time.year = 2026, r.answer_time.month = 12, r.answer_time.day = 7;
         r.bit_mask = ListResult_result_set_present;
         r.result_set = &object;
         Bytes bytes = Encoded(ListResult_PDU, &r);
         FreeBER_AS(Status(), &object.value.attributes);
         return bytes;
       },
       false,
       [](O &t, std::string *error) {
         GEN_listResult_t *result = nullptr;
         ERDPA_errorResult_t *e = nullptr;
         int rc = JQP_ListObjectAttributes_C(t.s, kOid, &t.three, &t.filter, nullptr, nullptr,
                                             &result, &e);
         *error = ErrorKind(e);
         std::string out = std::to_string(rc) + " ";
         if (result && result->resultSet)
           out += std::string(result->resultSet->value.objectIdentification.u.job.value) + " " +
                  Values(&result->resultSet->value.attributes);
         FreeGEN_listResult(t.s, result);
         return out;
       },
       0xc8, "0 job-1 {7}"},
  };
  for (const Exchange &row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(server.Script(row.withError ? 10 : 0, row.result(),
                              row.withError ? ServiceUnavailable() : Bytes()));
    std::string error;
    EXPECT_EQ(row.call(*this, &error), row.handedOut) << s.Text();
    EXPECT_EQ(error, row.withError ? "error kind 7" : "no error");
    // What the server got: the operation number and a record of the operation's type.
    auto [operation, packet] = server.Last();
    EXPECT_EQ(operation, row.operation);
    int pdu = kq::jqp::pduargs[row.operation];
    OssBuf encoded{static_cast<int32_t>(packet.size()),
                   reinterpret_cast<unsigned char *>(packet.data())};
    void *record = nullptr;
    ASSERT_EQ(GENU_OssDecode(nullptr, &pdu, &encoded, &record), 0);
    EXPECT_EQ(Mask(row.operation, record), row.mask);
    GENU_OssFreePDU(nullptr, pdu, record);
  }
}

// The call time-out of the common arguments: 30 s is taken after the conversion, 0 is
// refused and the request goes on.
TEST_F(OpsOverRpc, TheCommonArgumentsSetTheCallTimeOut) {
  ASSERT_TRUE(server.Script(0, "", ""));
  const struct {
    int32_t seconds;
    int32_t after;
    bool refused;
  } rows[] = {{30, 30, false}, {0, 30, true}, {45, 45, false}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.seconds);
    AS_setHandle_t common = AS_nullSetHandle;
    ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
    AddInteger(common, row.seconds);  // the integer attribute is id-att-rpc-timeout
    AS_setHandle_t *result = nullptr;
    EXPECT_EQ(JQP_PromoteJob_C(s, "job-7", nullptr, common, &result, nullptr), 0) << s.Text();
    EXPECT_EQ(s.Has(0xc009006e), row.refused) << s.Text();
    int32_t seconds = 0;
    Status get;
    ASSERT_EQ(JQP_ClientControl(get, JQP_CONTROL_GET_TIMEOUT, &seconds), 0) << get.Text();
    EXPECT_EQ(seconds, row.after);
    EXPECT_EQ(server.Last().first, 16);
    AS_Destroy(s, &common);
  }
}

}  // namespace
