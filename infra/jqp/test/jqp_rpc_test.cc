// The client frame against real RPC: libtirpc, the real rpcbind and a test double of
// a print server (jqp_test_server, started here per test under a program number of
// its own) that serves the request procedure with the library's XDR routines and
// answers as scripted, stalls, answers garbage or dies mid-call.
#include <gtest/gtest.h>
#include <rpc/rpc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "internal/ber_mod_kq_0b.h"
#include "jqp_frame_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"

#if defined(__SANITIZE_ADDRESS__)
// libtirpc (1.3.3) keeps a few bytes per client it creates in its rpcbind address
// lookup (an address buffer and a universal-address string it never frees). Only
// stacks through that client creation are spared, with full stacks so that the
// frames of a library built without frame pointers are seen.
#define KQ_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used)) const char *
KQ_SANITIZER_HOOK __lsan_default_suppressions() { return "leak:clnt_tp_create_timed\n"; }
KQ_SANITIZER_HOOK __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

namespace {

using kq::jqp::test::Encoded;
using kq::jqp::test::InChild;
using kq::jqp::test::RpcSkipReason;
using kq::jqp::test::ShutdownRequest;
using kq::jqp::test::TestServer;
using kq::test::StatusList;
using Bytes = std::string;
using Codes = std::vector<uint32_t>;

constexpr int kShutdown = 22;  // operation number of the shutdown request

// A shutdown result with no attributes.
Bytes EmptyShutdownResult() {
  ShutdownResult result{};
  return Encoded(ShutdownResult_PDU, &result);
}

// A service error: "server unavailable" (2) for the spooler, with a message.
Bytes ServiceUnavailable() {
  ServiceError_node node{};
  node.value.problem.choice = 1;
  node.value.problem.u.standard = 2;
  node.value.object_identification.choice = 7;
  node.value.object_identification.u.simple_name.choice = 1;
  strcpy(node.value.object_identification.u.simple_name.u.iso646_string, "spool-frame");
  node.value.error_message.text.choice = 1;
  strcpy(node.value.error_message.text.u.iso646_string, "closed for the night");
  ServiceError head = &node;
  return Encoded(ServiceError_PDU, &head);
}

class JqpRpc : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why = RpcSkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { JQP_Terminate(s); }

  // Makes the server this thread's connection.
  void Connect(const TestServer &server) {
    ASSERT_TRUE(server.ready()) << "the test server did not start";
    NS_object_t o = server.Object();
    ASSERT_EQ(JQP_Initialize2(s, &o), 0) << s.Text();
  }
  StatusList s;
};

// Each reply as scripted, or each way a server fails (dies, never answers within the
// time-out, answers garbage), from a server of its own that this thread connects to
// after all the failures before: a failed call leaves no
// result and no error and says what went wrong; a good one delivers the encoded
// request and brings back whichever of a result and a DPA error the reply carried,
// decoded.
TEST_F(JqpRpc, EachReplyComesBackDecodedAndEachFailureIsReportedByWhatWentWrong) {
  const Codes kBadError = {JQP_ST_DECODE, JQP_ST_ERR_DECODE};
  const struct {
    const char *name, *mode;
    int version;
    int32_t errorType;
    Bytes result, error;
    Codes codes;
  } kCases[] = {
      {"a server dying mid-call", "exit", 1, 0, "", "", {JQP_ST_RPC_NO_REPLY}},
      {"a server that never answers", "stall", 1, 0, "", "", {JQP_ST_RPC_NO_REPLY}},
      // rpcbind gives the program's address whatever the version; the server refuses it.
      {"a version nobody serves", "echo", 2, 0, "", "", {JQP_ST_RPC_PROGRAM}},
      {"a reply record cut short", "garbage", 1, 0, "", "", {JQP_ST_RPC_FAILED}},
      {"a result that is no BER", "echo", 1, 0, "\x30\x85\x01", "", {JQP_ST_DECODE}},
      {"an error that is no BER", "echo", 1, 10, "", "\x01\x02", kBadError},
      {"result and error", "echo", 1, 10, EmptyShutdownResult(), ServiceUnavailable(), {}},
      {"result", "echo", 1, 0, EmptyShutdownResult(), "", {}},
      {"error", "echo", 1, 10, "", ServiceUnavailable(), {}},
      {"neither", "echo", 1, 0, "", "", {}},
  };
  ShutdownArgument sent = ShutdownRequest("going down");
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    TestServer server(c.mode);
    ASSERT_TRUE(server.ready());
    NS_object_t o = server.Object();
    o.versnum = c.version;
    ASSERT_EQ(JQP_Initialize2(s, &o), 0) << s.Text();
    int32_t seconds = 5;  // the call time-out (the default would be 120 s)
    ASSERT_EQ(JQP_ClientControl(s, JQP_CONTROL_SET_TIMEOUT, &seconds), 0);
    if (c.mode == std::string("echo")) {
      ASSERT_TRUE(server.Script(c.errorType, c.result, c.error));
    }
    ShutdownArgument argument = ShutdownRequest("going down");
    void *result = &argument;  // overwritten either way
    auto *error = reinterpret_cast<ERDPA_errorResult_t *>(&argument);
    EXPECT_EQ(JQP__BerEncodeAndSend(s, kShutdown, &argument, &result, &error),
              c.codes.empty() ? 0 : 1);
    EXPECT_EQ(s.Codes(), c.codes) << s.Text();
    if (!c.codes.empty()) {
      EXPECT_TRUE(result == nullptr && error == nullptr);
      continue;
    }
    EXPECT_EQ(server.Last(), std::make_pair(kShutdown, Encoded(ShutdownArgument_PDU, &sent)));
    ASSERT_EQ(result != nullptr, !c.result.empty());
    EXPECT_TRUE(!result || static_cast<ShutdownResult *>(result)->bit_mask == 0);
    EXPECT_EQ(JQP__FreeResults(result, kShutdown), 0);
    ASSERT_EQ(error != nullptr, !c.error.empty());
    if (!error) continue;
    auto *item = static_cast<ERDPA_selectionItem_t *>(error->details);
    EXPECT_TRUE(error->kind == ERDPA_SERVICE_ERROR && item && item->problem == 2u && !item->next);
    EXPECT_EQ(ERDPA_FreeError(s, error), 0);
  }
  // A program nobody serves gives no connection.
  TestServer server;
  NS_object_t wrongProgram = server.Object();
  wrongProgram.prognum += 0x800;
  EXPECT_EQ(JQP_Initialize2(s, &wrongProgram), 1);
  EXPECT_EQ(s.Codes(), Codes{JQP_ST_CONNECT});
  EXPECT_EQ(JQP__GetClientHandle(), nullptr);
}

// A request and its reply of 1.5 MiB each, with every byte value, come back whole.
// (Threads each with a connection of their own: the end-to-end tests, eight at once.)
TEST_F(JqpRpc, LargePacketsComeBackWhole) {
  TestServer server;
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  Bytes packet(3 << 19, '\0');
  for (size_t at = 0; at < packet.size(); ++at) packet[at] = char(at * 13 + at / 256);
  JQP_argument_t argument{kShutdown, {static_cast<uint32_t>(packet.size()), packet.data()}};
  JQP_result_t reply{};
  CLIENT *client = JQP__GetClientHandle()->rpcClient;
  ASSERT_EQ(jqp_request_1(&argument, &reply, client), RPC_SUCCESS);
  EXPECT_TRUE(Bytes(reply.result.encodePacket_val, reply.result.encodePacket_len) == packet);
  clnt_freeres(client, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
               reinterpret_cast<char *>(&reply));
}

// A new connection takes the time-out the environment gives once per process;
// control sets a positive one and refuses anything else.
TEST_F(JqpRpc, TheCallTimeOutComesFromTheEnvironmentAndControlSetsAPositiveOne) {
  TestServer server;
  ASSERT_TRUE(server.ready());
  NS_object_t o = server.Object();
  EXPECT_EQ(InChild([&] {
              setenv("ENV_JQP_RPC_TIMEOUT", "6", 1);
              StatusList s;
              int32_t seconds = 0;
              if (JQP_Initialize2(s, &o)) return "no connection" + s.Text();
              JQP_ClientControl(s, JQP_CONTROL_GET_TIMEOUT, &seconds);
              return std::to_string(seconds) + s.Text();
            }),
            "6");
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  // Request, seconds, and the time-out after it (refused when it is not `seconds`).
  for (auto [request, seconds, after] : {std::tuple{JQP_CONTROL_SET_TIMEOUT, 30, 30},
                                         {JQP_CONTROL_SET_TIMEOUT, 0, 30},
                                         {2, 9, 30}}) {
    int32_t value = seconds, now = 0;
    s.Clear();
    EXPECT_EQ(JQP_ClientControl(s, request, &value), seconds == after ? 0 : 1);
    EXPECT_EQ(s.Codes(), seconds == after ? Codes{} : Codes{JQP_ST_BAD_REQUEST});
    ASSERT_EQ(JQP_ClientControl(s, JQP_CONTROL_GET_TIMEOUT, &now), 0);
    EXPECT_EQ(now, after) << request << " " << seconds;
  }
}

// The call time-out of the common arguments (id-att-rpc-timeout) is taken after the
// conversion; 0 is refused and the request goes on.
TEST_F(JqpRpc, TheCommonArgumentsSetTheCallTimeOut) {
  TestServer server;
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  ASSERT_TRUE(server.Script(0, "", ""));
  for (auto [seconds, after] : {std::pair{45, 45}, {0, 45}}) {
    SCOPED_TRACE(seconds);
    AS_setHandle_t common = AS_nullSetHandle;
    ASSERT_EQ(AS_Create(s, &common, nullptr, 0), 0u);
    void *value = memcpy(malloc(sizeof seconds), &seconds, sizeof seconds);
    ASSERT_EQ(AS_AddAttrVal(s, common, 3001, 12, value, &GENU_IntegerDesc, nullptr), 0u);
    AS_setHandle_t *result = nullptr;
    EXPECT_EQ(JQP_PromoteJob_C(s, "job-7", nullptr, common, &result, nullptr), 0) << s.Text();
    EXPECT_EQ(s.Has(0xc009006e), seconds == 0) << s.Text();
    int32_t now = 0;
    StatusList get;
    ASSERT_EQ(JQP_ClientControl(get, JQP_CONTROL_GET_TIMEOUT, &now), 0) << get.Text();
    EXPECT_EQ(now, after);
    EXPECT_EQ(server.Last().first, 16);
    AS_Destroy(s, &common);
  }
}

}  // namespace
