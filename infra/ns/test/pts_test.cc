// The registry paths against a real rpcbind and kqptsd on loopback (started by the
// ns_pts fixture of ctest).
#include <arpa/inet.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "infra/ns.h"
#include "ns_test_util.h"

namespace kq::ns::test {
namespace {

class NsRegistry : public NsFiles {
 protected:
  void SetUp() override {
    NsFiles::SetUp();
    const char *state = getenv("KQ_PTS_FIXTURE");
    if (!state) GTEST_SKIP() << "run through ctest, whose ns_pts fixture starts rpcbind and kqptsd";
    std::string why = ReadFile(std::string(state) + "/skip");
    if (!why.empty()) GTEST_SKIP() << why;
  }
};

TEST_F(NsRegistry, ServerEntryResolvesToItsRegisteredProgram) {
  WriteEtc("");
  ns_dpa_addr_t server = Address("spoolR", NS_KIND_SPOOLER, "localhost", "spoolR", 300101, 2);
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  ns_dpa_addr_t printer = Address("lpR", NS_KIND_LOGICAL, "localhost", "spoolR", 1, 2);
  ASSERT_EQ(ns_put_dpa_addr(&printer), 0);
  const std::string file = ReadFile(etc);
  EXPECT_EQ(file,
            ReadFile(etc).substr(0, file.find("spoolR")) +
                "spoolR:\\\n\t:saddr=localhost,105004,2,sys,sl,spoolR,1:\n"
                "lpR:\\\n\t:paddr=localhost,105004,2,sys,lp,spoolR,1:\\\n\t:spooling-type=dpa:\n");
  ASSERT_EQ(NS_Init("spoolR", NS_KIND_SPOOLER), NS_OK);
  NS_object_t *o = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_SPOOLER, "spoolR", nullptr, &o), NS_OK);
  EXPECT_EQ(Text(*o), "0 3 spoolR 3 spoolR localhost 300101 2 1 saddr etc 1");
  NS_FreeObject(o);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300101 2 1 paddr etc 1");
  // The server restarts under another program: only the registration changes; it
  // cannot move to another host under its name.
  server.prognum = 300102;
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  EXPECT_EQ(ReadFile(etc), file);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300102 2 1 paddr etc 1");
  ns_dpa_addr_t moved = Address("spoolR", NS_KIND_SPOOLER, "elsewhere", "spoolR", 300102, 2);
  EXPECT_EQ(ns_put_dpa_addr(&moved), -1);
  // Removing the server removes its registration; its printers no longer resolve.
  ASSERT_EQ(ns_delete_dpa_addr("spoolR", NS_KIND_SPOOLER), 0);
  EXPECT_EQ(pts_get("localhost", "spoolR", PTS_TYPE_SERVER), nullptr);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "error " + std::to_string(NS_ERR_NOT_FOUND));
}

TEST_F(NsRegistry, CreateObjectWithReplaceRewritesTheAddress) {
  WriteEtc("");
  ASSERT_EQ(NS_Init("superR", NS_KIND_SUPERVISOR), NS_OK);
  NS_object_t s = Object("superR", NS_KIND_SUPERVISOR, 4, "localhost", "superR", 300201, 1);
  ASSERT_EQ(NS_CreateObject(&s, 0, nullptr), NS_OK);
  s.auth = NS_AUTH_DES;  // a different address needs replacing
  EXPECT_EQ(NS_CreateObject(&s, 0, nullptr), NS_ERR_SYSTEM);
  ASSERT_EQ(NS_CreateObject(&s, 1, nullptr), NS_OK);
  EXPECT_EQ(Get(NS_KIND_SERVER, "superR"), "0 4 superR 4 superR localhost 300201 1 2 saddr etc 1");
  ASSERT_EQ(NS_DeleteObject(&s), NS_OK);
  EXPECT_EQ(pts_get(nullptr, "superR", PTS_TYPE_SERVER), nullptr);
}

TEST_F(NsRegistry, FailedWriteTakesTheRegistrationBack) {
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  ns_dpa_addr_t server = Address("spoolF", NS_KIND_SPOOLER, "localhost", "spoolF", 300301, 2);
  EXPECT_EQ(ns_put_dpa_addr(&server), -1);
  EXPECT_EQ(pts_get("localhost", "spoolF", PTS_TYPE_SERVER), nullptr);
}

// Raw datagrams to the service, as a hostile or broken peer sends them.
class PtsWire : public NsRegistry {
 protected:
  void SetUp() override {
    NsRegistry::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The fixture's own service, at the port it said it registered: the one rpcbind
    // names may be another test run's on this machine.
    std::string state = getenv("KQ_PTS_FIXTURE"), log = ReadFile(state + "/kqptsd.log");
    pid = atoi(ReadFile(state + "/kqptsd.pid").c_str());
    ASSERT_GT(pid, 0);
    size_t at = log.find("UDP port ");
    ASSERT_NE(at, std::string::npos) << log;
    to = {AF_INET, htons(atoi(log.c_str() + at + 9)), {htonl(INADDR_LOOPBACK)}, {}};
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
  }
  void TearDown() override {
    if (fd >= 0) close(fd);
  }
  // A call header (no credentials) for `proc` of `version`, then `args` as XDR words.
  static std::vector<uint32_t> Call(uint32_t proc, std::vector<uint32_t> args = {},
                                    uint32_t version = PTS_VERSION, uint32_t rpcVersion = 2) {
    static uint32_t xid = 0x6b710000;
    std::vector<uint32_t> words = {++xid, 0, rpcVersion, PTS_PROGRAM, version, proc, 0, 0, 0, 0};
    words.insert(words.end(), args.begin(), args.end());
    return words;
  }
  void Send(const std::vector<uint32_t> &words, size_t cut = SIZE_MAX) {
    std::vector<uint32_t> net;
    for (uint32_t w : words) net.push_back(htonl(w));
    send(fd, net.data(), std::min(cut, net.size() * 4), 0);
  }
  // The reply to the last call: "accepted <status>", "denied" or "none".
  std::string Reply() {
    struct pollfd p = {fd, POLLIN, 0};
    uint32_t in[64];
    if (poll(&p, 1, 300) != 1) return "none";
    ssize_t n = recv(fd, in, sizeof in, 0);
    if (n < 12) return "short";
    if (ntohl(in[2]) != 0) return "denied";
    return n < 24 ? "short" : "accepted " + std::to_string(ntohl(in[5]));
  }
  // Peak virtual size of the service in KiB (its VmPeak).
  long Peak() const {
    std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    return strtol(status.c_str() + status.find("VmPeak:") + 7, nullptr, 10);
  }
  int fd = -1;
  pid_t pid = 0;
  struct sockaddr_in to = {};
};

// Malformed, truncated and unknown calls are answered where the protocol has an
// answer, the service allocates no more than a datagram can hold, never exits, and
// the next real call works.
TEST_F(PtsWire, MalformedCallsAreAnsweredAndLeaveTheServiceWorking) {
  long peak = Peak();
  const uint32_t huge = 0x7ffffff0;  // a name length no datagram can hold
  const struct {
    const char *what;
    std::vector<uint32_t> words;
    size_t cut;
    const char *reply;
  } rows[] = {// clang-format off
      {"null call", Call(NULLPROC), SIZE_MAX, "accepted 0"},
      {"unknown procedure", Call(99), SIZE_MAX, "accepted 3"},
      {"unknown version", Call(NULLPROC, {}, 7), SIZE_MAX, "accepted 2"},
      {"wrong RPC version", Call(NULLPROC, {}, PTS_VERSION, 3), SIZE_MAX, "none"},
      {"get, name length past the datagram", Call(PTS_GET, {huge, 0x61616161, 1}), SIZE_MAX, "accepted 4"},
      {"add, name length past the datagram", Call(PTS_ADD, {huge, 0, 1, 2, 3}), SIZE_MAX, "accepted 4"},
      {"delete, name longer than the rest", Call(PTS_DELETE, {1000, 0x61616161, 1}), SIZE_MAX, "accepted 4"},
      {"get without the type", Call(PTS_GET, {1, 0x61000000}), SIZE_MAX, "accepted 4"},
      {"header cut short", Call(PTS_GET), 22, "none"},
      {"three bytes", {0x01020304}, 3, "none"}};
  // clang-format on
  for (const auto &row : rows) {
    Send(row.words, row.cut);
    EXPECT_EQ(Reply(), row.reply) << row.what;
  }
  // A burst: every row again, cut at random, and random words after a good header.
  std::mt19937 rng(20);
  for (int i = 0; i < 500; ++i) {
    std::vector<uint32_t> words = rows[i % std::size(rows)].words;
    for (int k = 0; i % 3 == 0 && k < 4; ++k) words.push_back(rng() % 2 ? huge + k : rng());
    Send(words, i % 2 ? SIZE_MAX : rng() % (words.size() * 4));
  }
  while (Reply() != "none") {
  }
  EXPECT_EQ(kill(pid, 0), 0) << "kqptsd exited";
  EXPECT_LT(Peak() - peak, 64 << 10) << "KiB of address space taken by the burst";
  // Real calls through the client stubs to the same service.
  int sock = RPC_ANYSOCK;
  CLIENT *client = clntudp_create(&to, PTS_PROGRAM, PTS_VERSION, {1, 0}, &sock);
  ASSERT_NE(client, nullptr);
  pts_binding_t b = {{const_cast<char *>("afterburst"), PTS_TYPE_SERVER}, 400009, 2}, got = {};
  int status = 1;
  EXPECT_EQ(pts_add_1(&b, &status, client), RPC_SUCCESS);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(pts_get_1(&b.name, &got, client), RPC_SUCCESS);
  EXPECT_EQ(got.name.name + std::string(" ") + std::to_string(got.prognum), "afterburst 400009");
  clnt_freeres(client, (xdrproc_t)xdr_pts_binding_t, reinterpret_cast<caddr_t>(&got));
  EXPECT_EQ(pts_delete_1(&b.name, &status, client), RPC_SUCCESS);
  clnt_destroy(client);
}

}  // namespace
}  // namespace kq::ns::test
