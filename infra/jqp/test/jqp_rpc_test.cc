// The client frame against real RPC: libtirpc, the real rpcbind and a test double of
// a print server (jqp_test_server, started here per test under a program number of
// its own) that serves the request procedure with the library's XDR routines and
// answers as scripted, stalls, answers garbage or dies mid-call.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "jqp_frame_support.h"
#include "kqtest.h"
#include "printers_env.h"
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

using kq::jqp::test::InChild;
using kq::jqp::test::LogBody;
using kq::jqp::test::ShutdownRequest;
using kq::jqp::test::SimpleName;
using kq::test::StatusList;
using Bytes = std::string;

constexpr int kShutdown = 22;  // operation number of the shutdown request

bool_t NoData(XDR *, void *) { return TRUE; }

// Why the tests cannot run here, or "" when they can.
std::string SkipReason() {
  const char *state = getenv("KQ_JQP_RPC_FIXTURE");
  if (!state) return "";
  std::string skip = kq::test::ReadFile(std::string(state) + "/skip");
  return skip;
}

// One test server process. Program numbers come from the range for local use, one
// per server and process, so that suites running at once do not meet.
class TestServer {
 public:
  explicit TestServer(const char *mode) {
    static std::atomic<int> next{0};
    program_ = 0x2f4a0000u + ((static_cast<u_long>(getpid()) & 0xfff) << 4) + next++;
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::string program = std::to_string(program_);
      execl(KQ_JQP_TEST_SERVER, "jqp_test_server", program.c_str(), mode, nullptr);
      _exit(127);
    }
    close(out[1]);
    // Ready when it says so; a generous limit for a loaded machine.
    pollfd p{out[0], POLLIN, 0};
    char line[16] = {};
    ready_ = poll(&p, 1, 20000) == 1 && read(out[0], line, sizeof line - 1) > 0 &&
             strncmp(line, "ready", 5) == 0;
    close(out[0]);
  }
  ~TestServer() { Stop(); }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool ready() const { return ready_; }
  u_long program() const { return program_; }

  // The directory object of this server as a binding.
  NS_object_t Object(const char *serverName = "spool-frame") {
    NS_object_t o{};
    o.env = NS_ENV_ONC;
    o.kind = NS_KIND_SPOOLER;
    o.name = const_cast<char *>("spool-frame");
    o.serverType = NS_KIND_SPOOLER;
    o.serverName = const_cast<char *>(serverName);
    o.host = const_cast<char *>("127.0.0.1");
    o.prognum = static_cast<int>(program_);
    o.versnum = 1;
    return o;
  }

  // Makes the server answer every request with this reply.
  bool Script(int32_t errorType, const Bytes &result, const Bytes &error) {
    JQP_result_t reply{errorType,
                       {static_cast<uint32_t>(result.size()), const_cast<char *>(result.data())},
                       {static_cast<uint32_t>(error.size()), const_cast<char *>(error.data())}};
    return Control(2, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), &reply,
                   reinterpret_cast<xdrproc_t>(NoData), nullptr);
  }
  // The last request the server received: operation number and packet.
  std::pair<int, Bytes> Last() {
    JQP_argument_t last{};
    if (!Control(3, reinterpret_cast<xdrproc_t>(NoData), nullptr,
                 reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t), &last))
      return {-1, ""};
    std::pair<int, Bytes> out{last.requestType,
                              Bytes(last.packet.encodePacket_val, last.packet.encodePacket_len)};
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t), &last);
    return out;
  }

 private:
  bool Control(u_long procedure, xdrproc_t in, void *arg, xdrproc_t out, void *res) {
    CLIENT *c = clnt_create("127.0.0.1", program_, 1, "tcp");
    if (!c) return false;
    timeval t{20, 0};
    bool ok = clnt_call(c, procedure, in, static_cast<char *>(arg), out, static_cast<char *>(res),
                        t) == RPC_SUCCESS;
    clnt_destroy(c);
    return ok;
  }

  u_long program_ = 0;
  pid_t pid_ = -1;
  bool ready_ = false;
};

// The text of a simple name.
std::string Extracted(const GEN_SimpleName_t &name) {
  char *text = nullptr;
  if (GENU_ExtractSimpleName(StatusList(), &text, &name, nullptr)) return "(not a name)";
  std::string out = text;
  free(text);
  return out;
}

// BER of a record of the protocol module.
template <typename T>
Bytes Encoded(int pdu, T *record) {
  OssBuf encoded{0, nullptr};
  EXPECT_EQ(GENU_OssEncode(nullptr, pdu, record, &encoded), 0);
  Bytes bytes(reinterpret_cast<char *>(encoded.value), encoded.length);
  free(encoded.value);
  return bytes;
}

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
    std::string why = SkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  void TearDown() override { JQP_Terminate(s); }

  // Starts a server and makes it this thread's connection.
  void Connect(TestServer &server) {
    ASSERT_TRUE(server.ready()) << "the test server did not start";
    NS_object_t o = server.Object();
    ASSERT_EQ(JQP_Initialize2(s, &o), 0) << s.Text();
  }
  int Send(ShutdownArgument *argument, void **result, ERDPA_errorResult_t **error) {
    return JQP__BerEncodeAndSend(s, kShutdown, argument, result, error);
  }

  StatusList s;
};

// Each reply as scripted: the request as the server got it, and whichever of a
// result and a DPA error the reply carried, decoded.
TEST_F(JqpRpc, TheServerGetsTheEncodedRequestAndWhatTheReplyCarriesComesBackDecoded) {
  TestServer server("echo");
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  const struct {
    int32_t errorType;
    Bytes result, error;
  } kReplies[] = {{10, EmptyShutdownResult(), ServiceUnavailable()},
                  {0, EmptyShutdownResult(), ""},
                  {10, "", ServiceUnavailable()},
                  {0, "", ""}};
  for (const auto &reply : kReplies) {
    SCOPED_TRACE(reply.result.size() + reply.error.size());
    ASSERT_TRUE(server.Script(reply.errorType, reply.result, reply.error));
    ShutdownArgument argument = ShutdownRequest("going down");
    void *result = &argument;  // overwritten either way
    ERDPA_errorResult_t *error = reinterpret_cast<ERDPA_errorResult_t *>(&argument);
    ASSERT_EQ(Send(&argument, &result, &error), 0) << s.Text();
    auto [operation, packet] = server.Last();
    EXPECT_EQ(operation, kShutdown);
    EXPECT_EQ(packet, Encoded(ShutdownArgument_PDU, &argument));

    ASSERT_EQ(result != nullptr, !reply.result.empty());
    if (result) {
      EXPECT_EQ(static_cast<ShutdownResult *>(result)->bit_mask, 0);
    }
    EXPECT_EQ(JQP__FreeResults(result, kShutdown), 0);
    ASSERT_EQ(error != nullptr, !reply.error.empty());
    if (!error) continue;
    EXPECT_EQ(error->kind, ERDPA_SERVICE_ERROR);
    auto *item = static_cast<ERDPA_selectionItem_t *>(error->details);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->problem, 2u);
    EXPECT_EQ(item->next, nullptr);
    EXPECT_EQ(ERDPA_FreeError(s, error), 0);
  }
}

TEST_F(JqpRpc, AReplyLargerThanOneMebibyteComesBackWhole) {
  TestServer server("echo");
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  Bytes big(3 << 19, '\0');  // 1.5 MiB, every byte value
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 13 + i / 256);
  JQP_argument_t argument{kShutdown, {static_cast<uint32_t>(big.size()), big.data()}};
  JQP_result_t reply{};
  CLIENT *client = JQP__GetClientHandle()->rpcClient;
  ASSERT_EQ(jqp_request_1(&argument, &reply, client), RPC_SUCCESS);
  EXPECT_EQ(reply.result.encodePacket_len, big.size());
  EXPECT_TRUE(Bytes(reply.result.encodePacket_val, reply.result.encodePacket_len) == big);
  EXPECT_EQ(reply.error.encodePacket_len, 0u);
  clnt_freeres(client, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
               reinterpret_cast<char *>(&reply));
  EXPECT_EQ(server.Last().second.size(), big.size());
}

TEST_F(JqpRpc, AServerDyingMidCallFailsTheCallAndTheThreadConnectsToAnother) {
  TestServer dying("exit");
  ASSERT_NO_FATAL_FAILURE(Connect(dying));
  ShutdownArgument argument = ShutdownRequest("x");
  void *result = nullptr;
  ERDPA_errorResult_t *error = nullptr;
  {
    kq::test::LogCapture log("X");
    EXPECT_EQ(Send(&argument, &result, &error), 1);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{JQP_ST_RPC_NO_REPLY});
    std::string body = LogBody(log.Text());
    EXPECT_NE(body.find("jqp_request_1 failed:"), std::string::npos) << body;
    EXPECT_NE(body.find("rpcStat = 4\n\n0\t"), std::string::npos) << body;
  }
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(error, nullptr);
  // The failed call leaves the handle as it was.
  EXPECT_NE(JQP__GetClientHandle()->rpcClient, nullptr);

  TestServer next("echo");
  ASSERT_TRUE(next.Script(0, EmptyShutdownResult(), ""));
  ASSERT_NO_FATAL_FAILURE(Connect(next));
  ASSERT_EQ(Send(&argument, &result, &error), 0) << s.Text();
  EXPECT_NE(result, nullptr);
  JQP__FreeResults(result, kShutdown);
  EXPECT_EQ(next.Last().first, kShutdown);
}

TEST_F(JqpRpc, AProgramNobodyServesHasNoConnectionAndAVersionNobodyServesFailsTheCall) {
  TestServer server("echo");
  ASSERT_TRUE(server.ready());
  NS_object_t wrongProgram = server.Object();
  wrongProgram.prognum += 0x800;  // nothing registered there
  EXPECT_EQ(JQP_Initialize2(s, &wrongProgram), 1);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{JQP_ST_CONNECT});
  EXPECT_EQ(JQP__GetClientHandle(), nullptr);

  // rpcbind gives the program's address whatever the version; the server refuses it.
  NS_object_t wrongVersion = server.Object();
  wrongVersion.versnum = 2;
  ASSERT_EQ(JQP_Initialize2(s, &wrongVersion), 0) << s.Text();
  ShutdownArgument argument = ShutdownRequest(nullptr);
  void *result = nullptr;
  ERDPA_errorResult_t *error = nullptr;
  EXPECT_EQ(Send(&argument, &result, &error), 1);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{JQP_ST_RPC_PROGRAM});
  EXPECT_EQ(server.Last().first, 0);  // the request procedure never ran
}

TEST_F(JqpRpc, ACallToAStallingServerEndsAtTheSixSecondTimeOutFromTheEnvironment) {
  TestServer server("stall");
  ASSERT_TRUE(server.ready());
  NS_object_t o = server.Object();
  std::string seen = InChild([&] {
    setenv("ENV_JQP_RPC_TIMEOUT", "6", 1);
    StatusList s;
    if (JQP_Initialize2(s, &o)) return "no connection" + s.Text();
    int32_t seconds = 0;
    JQP_ClientControl(s, JQP_CONTROL_GET_TIMEOUT, &seconds);
    ShutdownArgument argument = ShutdownRequest(nullptr);
    void *result = nullptr;
    ERDPA_errorResult_t *error = nullptr;
    auto start = std::chrono::steady_clock::now();
    int rc = JQP__BerEncodeAndSend(s, kShutdown, &argument, &result, &error);
    auto took = std::chrono::steady_clock::now() - start;
    // Generous: the default would be 120 s.
    bool inTime = took < std::chrono::seconds(60);
    return std::to_string(seconds) + " " + std::to_string(rc) + s.Text() +
           (inTime ? "" : " too late");
  });
  char want[64];
  snprintf(want, sizeof want, "6 1 0x%08x", JQP_ST_RPC_NO_REPLY);
  EXPECT_EQ(seen, want);
}

TEST_F(JqpRpc, GarbageRepliesAreReportedByWhatWasWrongWithThem) {
  const struct {
    const char *name, *mode;
    int32_t errorType;
    Bytes result, error;
    std::vector<uint32_t> codes;
  } kCases[] = {
      {"a reply record cut short", "garbage", 0, "", "", {JQP_ST_RPC_FAILED}},
      {"a result that is no BER", "echo", 0, "\x30\x85\x01", "", {JQP_ST_DECODE}},
      {"a result of another record", "echo", 0, ServiceUnavailable(), "", {JQP_ST_DECODE}},
      {"an error that is no BER", "echo", 10, "", "\x01\x02", {JQP_ST_DECODE, JQP_ST_ERR_DECODE}},
      {"an error of an unknown type",
       "echo",
       99,
       "",
       ServiceUnavailable(),
       {JQP_ST_DECODE, JQP_ST_ERR_DECODE}},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    TestServer server(c.mode);
    ASSERT_NO_FATAL_FAILURE(Connect(server));
    if (c.mode == std::string("echo")) {
      ASSERT_TRUE(server.Script(c.errorType, c.result, c.error));
    }
    ShutdownArgument argument = ShutdownRequest(nullptr);
    void *result = nullptr;
    ERDPA_errorResult_t *error = nullptr;
    EXPECT_EQ(Send(&argument, &result, &error), 1);
    EXPECT_EQ(s.Codes(), c.codes) << s.Text();
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(error, nullptr);
  }
}

TEST_F(JqpRpc, TwoThreadsEachHoldTheirOwnConnectionAtOnce) {
  TestServer server("echo");
  ASSERT_TRUE(server.ready());
  NS_object_t o = server.Object();
  constexpr int kCalls = 50;
  struct Outcome {
    JQP_clientHandle_t *handle = nullptr;
    CLIENT *client = nullptr;
    int echoed = 0;
  } outcomes[2];
  pthread_barrier_t bothConnected;
  pthread_barrier_init(&bothConnected, nullptr, 2);
  auto body = [&](int tag) {
    StatusList ts;
    if (JQP_Initialize2(ts, &o)) return;
    outcomes[tag].handle = JQP__GetClientHandle();
    outcomes[tag].client = outcomes[tag].handle->rpcClient;
    pthread_barrier_wait(&bothConnected);  // both handles exist now
    for (int i = 0; i < kCalls; ++i) {
      Bytes packet = "thread " + std::to_string(tag) + " call " + std::to_string(i);
      JQP_argument_t argument{kShutdown, {static_cast<uint32_t>(packet.size()), packet.data()}};
      JQP_result_t reply{};
      if (jqp_request_1(&argument, &reply, outcomes[tag].client) != RPC_SUCCESS) break;
      if (Bytes(reply.result.encodePacket_val, reply.result.encodePacket_len) == packet)
        ++outcomes[tag].echoed;
      clnt_freeres(outcomes[tag].client, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
                   reinterpret_cast<char *>(&reply));
    }
    // The handle goes with the thread (the slot's destructor).
  };
  std::thread first(body, 0), second(body, 1);
  first.join();
  second.join();
  pthread_barrier_destroy(&bothConnected);
  EXPECT_NE(outcomes[0].client, nullptr);
  EXPECT_NE(outcomes[0].client, outcomes[1].client);
  EXPECT_NE(outcomes[0].handle, outcomes[1].handle);
  EXPECT_EQ(outcomes[0].echoed, kCalls);
  EXPECT_EQ(outcomes[1].echoed, kCalls);
  EXPECT_EQ(JQP__GetClientHandle(), nullptr);  // this thread never asked for one
}

TEST_F(JqpRpc, ClientControlSetsAndReadsTheCallTimeOut) {
  TestServer server("echo");
  ASSERT_NO_FATAL_FAILURE(Connect(server));
  int32_t seconds = 0;
  ASSERT_EQ(JQP_ClientControl(s, JQP_CONTROL_GET_TIMEOUT, &seconds), 0);
  EXPECT_EQ(seconds, jqp_gClntTimeout.tv_sec);
  const struct {
    int32_t request, seconds;
    int rc;
    int32_t after;
  } kRows[] = {{JQP_CONTROL_SET_TIMEOUT, 30, 0, 30},
               {JQP_CONTROL_SET_TIMEOUT, 0, 1, 30},
               {JQP_CONTROL_SET_TIMEOUT, -4, 1, 30},
               {JQP_CONTROL_SET_TIMEOUT, 7, 0, 7},
               {2, 9, 1, 7}};
  for (const auto &row : kRows) {
    int32_t value = row.seconds;
    EXPECT_EQ(JQP_ClientControl(s, row.request, &value), row.rc);
    if (row.rc) {
      EXPECT_EQ(s.Codes(), std::vector<uint32_t>{JQP_ST_BAD_REQUEST});
    }
    int32_t now = 0;
    ASSERT_EQ(JQP_ClientControl(s, JQP_CONTROL_GET_TIMEOUT, &now), 0);
    EXPECT_EQ(now, row.after) << row.request << " " << row.seconds;
  }
  EXPECT_EQ(JQP_ClientControl(s, JQP_CONTROL_SET_TIMEOUT, nullptr), 1);
}

TEST_F(JqpRpc, AServerProcessWithTheDefaultSecurityTableConnectsToNoOne) {
  TestServer server("echo");
  ASSERT_TRUE(server.ready());
  NS_object_t o = server.Object();
  std::string seen = InChild([&] {
    JQP_ServerInit(JQP_SERVER_SPOOLER, nullptr);
    StatusList s;
    int rc = JQP_Initialize2(s, &o);
    return std::to_string(rc) + s.Text();
  });
  char want[64];
  snprintf(want, sizeof want, "1 0x%08x", JQP_ST_SEC_UNSUPPORTED);
  EXPECT_EQ(seen, want);
}

TEST_F(JqpRpc, ABindingForTheSameServerIsReusedAndAnotherReplacesIt) {
  TestServer a("echo"), b("echo");
  ASSERT_NO_FATAL_FAILURE(Connect(a));
  JQP_clientHandle_t *first = JQP__GetClientHandle();
  NS_object_t sameOtherCase = a.Object("SPOOL-Frame");
  ASSERT_EQ(JQP_Initialize2(s, &sameOtherCase), 0);
  EXPECT_EQ(JQP__GetClientHandle(), first);
  GEN_SimpleName_t peer{};
  ASSERT_EQ(JQP__GetPeerServerName(s, &peer), 0);
  EXPECT_EQ(Extracted(peer), "spool-frame");

  ASSERT_NO_FATAL_FAILURE(Connect(b));
  EXPECT_EQ(JQP__GetClientHandle()->serverObject->prognum, static_cast<int>(b.program()));
  ASSERT_EQ(JQP_Terminate(s), 0);
  EXPECT_EQ(JQP__GetClientHandle(), nullptr);
}

// Through the directory: a printers file naming the test server.
class JqpRpcDirectory : public kq::test::PrintersFiles {
 protected:
  void SetUp() override {
    std::string why = SkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(server.ready());
    std::string program = std::to_string(server.program());
    WriteEtc("spool-frame:saddr=127.0.0.1," + program + ",1,sys,sl,spool-frame,0:\n" +
             "lp-frame:paddr=127.0.0.1," + program + ",1,sys,lp,spool-frame,0:\n");
    ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_OK);
  }
  void TearDown() override {
    JQP_Terminate(s);
    NS_Term();
  }
  // How many connections were made while `body` ran.
  int Connections(const std::function<void()> &body) {
    kq::test::LogCapture log("I");
    body();
    std::string text = log.Text();
    int n = 0;
    for (size_t at = 0;
         (at = text.find("JQP_Initialize: connected okay!", at)) != std::string::npos; ++at)
      ++n;
    return n;
  }
  TestServer server{"echo"};
  StatusList s;
};

TEST_F(JqpRpcDirectory, ASpoolerNamedInAnyCaseReusesItsConnectionAndAPrinterAlwaysConnects) {
  GEN_ObjectIdent_t lower = SimpleName("spool-frame"), upper = SimpleName("SPOOL-FRAME"),
                    printer = SimpleName("lp-frame");
  EXPECT_EQ(
      Connections([&] { ASSERT_EQ(JQP_Initialize(s, NS_KIND_SPOOLER, &lower), 0) << s.Text(); }),
      1);
  EXPECT_EQ(Connections([&] { ASSERT_EQ(JQP_Initialize(s, NS_KIND_SPOOLER, &upper), 0); }), 0);
  EXPECT_EQ(Connections([&] { ASSERT_EQ(JQP_Initialize(s, NS_KIND_PRINTER, &printer), 0); }), 1);
  EXPECT_EQ(Connections([&] { ASSERT_EQ(JQP_Initialize(s, NS_KIND_PRINTER, &printer), 0); }), 1);

  GEN_SimpleName_t associated{};
  ASSERT_EQ(JQP__GetAssociatedServerName(s, NS_KIND_PRINTER, &printer, &associated), 0);
  EXPECT_EQ(Extracted(associated), "spool-frame");
  GEN_ObjectIdent_t missing = SimpleName("lp-nowhere");
  s.Clear();
  EXPECT_EQ(JQP__GetAssociatedServerName(s, NS_KIND_PRINTER, &missing, &associated), 1);
  EXPECT_EQ(s.Code(), 0u);  // a failed lookup adds nothing

  EXPECT_EQ(JQP_Initialize(s, NS_KIND_PRINTER, &missing), 1);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{JQP_ST_NOT_FOUND});
  EXPECT_EQ(JQP__GetClientHandle(), nullptr);  // the old connection went first
}

}  // namespace
