// The running daemon: kqspoold and rpcbind on loopback, started and stopped around
// these tests by scripts/spool-fixture. Calls go through libtirpc's clnt_call with
// the client frame's XDR routines, exactly as the library's client sends them. (The
// fault modes of the transport are SpoolRecord's, in process.)
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <rpc/rpc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "infra/jqp_frame.h"
#include "kqtest.h"
#include "spool_test_util.h"

namespace kq::spool::test {
namespace {

constexpr timeval kWait{60, 0};

class Daemon : public ::testing::Test {
 public:
  void SetUp() override {
    const char *state = getenv("KQ_SPOOL_FIXTURE");
    if (!state) GTEST_SKIP() << "KQ_SPOOL_FIXTURE is not set: run through ctest";
    std::string skip = kq::test::ReadFile(std::string(state) + "/skip");
    if (!skip.empty()) GTEST_SKIP() << skip;
    std::ifstream(std::string(state) + "/binding") >> program >> version;
    ASSERT_NE(program, 0u);
  }
  // One request through procedure 1: the RPC status, the reply in `reply`.
  static clnt_stat Call(CLIENT *c, int32_t op, const std::string &packet, Reply *reply) {
    JQP_argument_t arg{op,
                       {static_cast<uint32_t>(packet.size()), const_cast<char *>(packet.data())}};
    JQP_result_t res{};
    clnt_stat st =
        clnt_call(c, JQP_REQUEST_PROC, reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t),
                  reinterpret_cast<char *>(&arg), reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
                  reinterpret_cast<char *>(&res), kWait);
    if (st == RPC_SUCCESS) {
      reply->errorType = res.errorType;
      reply->result.assign(res.result.encodePacket_val, res.result.encodePacket_len);
      reply->error.assign(res.error.encodePacket_val, res.error.encodePacket_len);
      clnt_freeres(c, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
                   reinterpret_cast<char *>(&res));
    }
    return st;
  }

  uint32_t program = 0, version = 0;
};

// A client that sent half a call holds its own connection's thread, nobody else's.
TEST_F(Daemon, AHalfSentCallDoesNotHoldUpOtherConnections) {
  CLIENT *probe = clnt_create("127.0.0.1", program, version, "tcp");
  ASSERT_NE(probe, nullptr) << clnt_spcreateerror("clnt_create");
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  int fd = -1;
  ASSERT_TRUE(clnt_control(probe, CLGET_FD, reinterpret_cast<char *>(&fd)));
  ASSERT_EQ(getpeername(fd, reinterpret_cast<sockaddr *>(&addr), &len), 0);
  int stalled = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(connect(stalled, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
  const unsigned char half[] = {0x80, 0x00, 0x01, 0x00, 0x12, 0x34};  // 256 bytes announced
  ASSERT_EQ(write(stalled, half, sizeof half), static_cast<ssize_t>(sizeof half));
  Reply r;
  ASSERT_EQ(Call(probe, 1, ListPacket(1, kClassPrinter), &r), RPC_SUCCESS);
  EXPECT_EQ(Outcome(r), "ok");
  close(stalled);
  clnt_destroy(probe);
}

}  // namespace
}  // namespace kq::spool::test
