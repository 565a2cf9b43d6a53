// The running daemon, started per test with rpcbind and the pts service of the ns_pts
// fixture: with -w, its server, printer and queue entries written into a printers file
// of the test's own, resolved by the directory like any other server's and gone again
// once the daemon stops (that clients reach a server through such entries the
// end-to-end tests show); and its connections served at once.
#include <gtest/gtest.h>
#include <rpc/rpc.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "infra/ns.h"
#include "printers_env.h"
#include "spool_test_util.h"

namespace kq::spool::test {
namespace {

constexpr uint32_t kProgram = 1263599618, kVersion = 3;

class DaemonDirectory : public kq::test::PrintersFiles {
 public:
  void SetUp() override {
    const char *state = getenv("KQ_PTS_FIXTURE");
    if (!state) GTEST_SKIP() << "KQ_PTS_FIXTURE is not set: run through ctest";
    std::string skip = kq::test::ReadFile(std::string(state) + "/skip");
    if (!skip.empty()) GTEST_SKIP() << skip;
    WriteEtc("");
  }
  // Starts the daemon with the configuration given, handing the leak checker of
  // sanitizer builds the suppressions of libtirpc's own leaks.
  std::unique_ptr<SpawnedDaemon> Start(const std::string &config) {
    kq::test::WriteFile(tmp / "spool.conf", config);
    kq::test::WriteFile(tmp / "lsan.supp", __lsan_default_suppressions());
    std::string lsan = "suppressions=" + tmp / "lsan.supp";
    kq::test::EnvGuard sanitizer{{"LSAN_OPTIONS", lsan.c_str()}};
    return std::make_unique<SpawnedDaemon>(
        std::vector<std::string>{"-l", "-w", "-p", std::to_string(kProgram), "-v",
                                 std::to_string(kVersion), "-c", tmp / "spool.conf"});
  }
};

TEST_F(DaemonDirectory, EntriesLeadClientsToTheServerAndLeaveWithIt) {
  auto daemon = Start("server spool-w\nprinter lpw queue qw\n");
  ASSERT_TRUE(daemon->ready());
  const std::pair<const char *, int> entries[] = {
      {"spool-w", NS_KIND_SPOOLER}, {"lpw", NS_KIND_LOGICAL}, {"qw", NS_KIND_QUEUE}};
  for (auto [name, kind] : entries) {
    SCOPED_TRACE(name);
    ns_dpa_addr_t *a = ns_get_dpa_addr(name, kind);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(a->prognum), kProgram);
    EXPECT_EQ(static_cast<uint32_t>(a->versnum), kVersion);
    EXPECT_STREQ(a->server, "spool-w");
    EXPECT_STREQ(a->host, "localhost");  // -l: served on loopback only
    ns_free_dpa_addr(a);
  }
  int status = daemon->Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (auto [name, kind] : entries) EXPECT_EQ(ns_get_dpa_addr(name, kind), nullptr) << name;
  EXPECT_EQ(kq::test::ReadFile(etc).find("addr="), std::string::npos) << kq::test::ReadFile(etc);
}

// A client that sent half a call holds its own connection's thread, nobody else's.
TEST_F(DaemonDirectory, AHalfSentCallDoesNotHoldUpOtherConnections) {
  auto daemon = Start("server spool-w\nprinter lpw\n");
  ASSERT_TRUE(daemon->ready());
  CLIENT *probe = clnt_create("127.0.0.1", kProgram, kVersion, "tcp");
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
  const auto none = reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void));
  const timeval wait{60, 0};
  EXPECT_EQ(clnt_call(probe, NULLPROC, none, nullptr, none, nullptr, wait), RPC_SUCCESS);
  close(stalled);
  clnt_destroy(probe);
}

}  // namespace
}  // namespace kq::spool::test
