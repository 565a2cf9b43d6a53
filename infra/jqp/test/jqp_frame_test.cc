// The client frame without a server: the status codes of RPC failures and credential
// results, the time-out the environment asks for, the packet dump, the server
// declaration, and local-only mode, where requests are encoded and
// decoded back and nothing is sent.
#include <gtest/gtest.h>
#include <rpc/rpc.h>

#include <map>
#include <string>

#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "jqp_frame_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"

namespace {

using kq::jqp::test::InChild;
using kq::jqp::test::LogBody;
using kq::jqp::test::ShutdownRequest;
using kq::jqp::test::SimpleName;
using kq::test::StatusList;

TEST(JqpFrameCodes, EveryRpcStatusAndCredentialResultMapsToItsCode) {
  // By RPC status 0..19 (RPC_SUCCESS never reaches the mapping; it falls to "other"):
  // F failed, N no reply, P program, A authentication.
  const std::string kCodes = "FFFFNNPAPPFFFFFFFFFF";
  const std::map<char, uint32_t> kByLetter = {{'F', JQP_ST_RPC_FAILED},
                                              {'N', JQP_ST_RPC_NO_REPLY},
                                              {'P', JQP_ST_RPC_PROGRAM},
                                              {'A', JQP_ST_RPC_AUTH}};
  for (int status = 0; status < 20; ++status)
    EXPECT_EQ(kq::jqp::RpcStatusCode(status), kByLetter.at(kCodes[status])) << status;
  for (auto [result, code] : {std::pair{100, JQP_ST_SLOT},
                              {101, JQP_ST_SECURITY},
                              {102, JQP_ST_CLIENT_MEMORY},
                              {110, JQP_ST_BAD_REQUEST},
                              {-1, JQP_ST_SECURITY}}) {
    StatusList s;
    EXPECT_EQ(JQP__AddStatusSEC(s, result), 1);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{code}) << "result " << result;
  }
}

TEST(JqpFrameSettings, TheCallTimeOutFollowsTheEnvironmentRulesOncePerProcess) {
  const struct {
    const char *rpcTimeout;  // ENV_JQP_RPC_TIMEOUT, null: unset
    const char *longTime;    // JQP_LONGTIME, null: unset
    long seconds;            // 0: the default stays
  } kRows[] = {
      {nullptr, nullptr, 0}, {"5", nullptr, 0},   {"6", nullptr, 6},    {"600", nullptr, 600},
      {"-7", nullptr, 0},    {"abc", nullptr, 0}, {"12s", nullptr, 12}, {nullptr, "", 3600},
      {nullptr, "0", 3600},  {"6", "1", 6},       {"5", "1", 0},        {"", "1", 0},
  };
  for (const auto &row : kRows) {
    kq::test::EnvGuard env{{"ENV_JQP_RPC_TIMEOUT", row.rpcTimeout}, {"JQP_LONGTIME", row.longTime}};
    EXPECT_EQ(kq::jqp::EnvCallTimeout(), row.seconds)
        << (row.rpcTimeout ? row.rpcTimeout : "-") << " / " << (row.longTime ? row.longTime : "-");
  }
  // The rule is applied once, when the first handle is looked for.
  EXPECT_EQ(InChild([] {
              setenv("ENV_JQP_RPC_TIMEOUT", "6", 1);
              JQP__GetClientHandle();
              setenv("ENV_JQP_RPC_TIMEOUT", "60", 1);
              JQP__GetClientHandle();
              return std::to_string(jqp_gClntTimeout.tv_sec) + "." +
                     std::to_string(jqp_gClntTimeout.tv_usec);
            }),
            "6.0");
}

TEST(JqpFramePacketDump, LinesOfTwentyBytesInTwoGroupsOfTen) {
  const struct {
    size_t length;
    const char *dump;  // bytes are 0xA0 + index
  } kCases[] = {
      {0, "\n"},
      {10, "\n0\tA0A1A2A3A4A5A6A7A8A9\n"},
      {25,
       "\n0\tA0A1A2A3A4A5A6A7A8A9  AAABACADAEAFB0B1B2B3\n"
       "20\tB4B5B6B7B8\n"},
  };
  for (const auto &c : kCases) {
    std::string bytes;
    for (size_t i = 0; i < c.length; ++i) bytes += static_cast<char>(0xA0 + i);
    encodePacket packet{static_cast<uint32_t>(c.length), bytes.data()};
    kq::test::LogCapture log("X");
    ASSERT_TRUE(LOG_START_MESSAGE(LOG_SEV_DIAG, nullptr));
    LOG_AddText("dump:");
    JQP__EchoPacket(&packet);
    LOG_EndMessage();
    EXPECT_EQ(LogBody(log.Text()), std::string("dump:") + c.dump) << c.length << " bytes";
  }
}

TEST(JqpFrameServer, OnlySpoolersAndSupervisorsDeclareAServerWithTheDefaultTableRefusingAll) {
  std::string seen = InChild([] {
    std::string out = std::to_string(JQP_ServerInit(0, nullptr));
    out += " " + std::to_string(JQP__serverType);
    out += " " + std::to_string(JQP_ServerInit(JQP_SERVER_SUPERVISOR, nullptr));
    out += " " + std::to_string(JQP__serverType) + " ";
    for (int slot = 0; slot < JQP_SEC_SLOTS; ++slot)
      out += JQP__secFuncTable[slot](nullptr, nullptr) == JQP_ST_SEC_UNSUPPORTED ? "." : "?";
    return out;
  });
  EXPECT_EQ(seen, std::to_string(JQP_ST_BAD_REQUEST) + " 0 0 893 .............");
}

// Local-only mode (a handle for an empty server name): requests are encoded and decoded
// back with nothing sent; an argument that cannot be encoded fails, and an operation
// without records is refused.
TEST(JqpFrameLocal, RequestsAreEncodedAndDecodedBackWithNothingSent) {
  StatusList s;
  GEN_ObjectIdent_t empty = SimpleName("");
  ASSERT_EQ(JQP_Initialize(s, NS_KIND_SERVER, &empty), 0) << s.Text();
  const JQP_clientHandle_t *handle = JQP__GetClientHandle();
  ASSERT_TRUE(handle && handle->mode == JQP_MODE_LOCAL && !handle->rpcClient);
  kq::test::LogCapture log("I");
  ShutdownArgument argument = ShutdownRequest("going down");
  void *result = &argument;
  auto *error = reinterpret_cast<ERDPA_errorResult_t *>(&argument);
  ASSERT_EQ(JQP__BerEncodeAndSend(s, 22, &argument, &result, &error), 0) << s.Text();
  EXPECT_TRUE(result == nullptr && error == nullptr);
  const std::string length =
      std::to_string(kq::jqp::test::Encoded(ShutdownArgument_PDU, &argument).size());
  EXPECT_NE(LogBody(log.Text())
                .find("BerEncodeAndSend: encoded okay, length = " + length +
                      "\nlocal_only: decoding, length = " + length +
                      "...\nlocal_only: decoded okay, pdunum=239\n"),
            std::string::npos)
      << log.Text();
  argument.message.choice = 77;  // no such alternative
  for (auto [op, code] : {std::pair{22, JQP_ST_ENCODE}, {27, JQP_ST_BAD_REQUEST}}) {
    s.Clear();
    EXPECT_EQ(JQP__BerEncodeAndSend(s, op, &argument, &result, &error), 1);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{code});
  }
  EXPECT_EQ(JQP_Terminate(s), 0);
}

}  // namespace
