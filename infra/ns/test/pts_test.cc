// The registry paths against a real rpcbind and kqptsd on loopback (started by the
// ns_pts fixture of ctest).
#include <arpa/inet.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
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
    if (state) {
      std::ifstream skip(std::string(state) + "/skip");
      std::stringstream why;
      why << skip.rdbuf();
      if (skip) GTEST_SKIP() << why.str();
    }
    struct timeval wait = {3, 0};
    CLIENT *probe = clnt_create_timed("localhost", PTS_PROGRAM, PTS_VERSION, "udp", &wait);
    if (!probe && !state)
      GTEST_SKIP() << "no pts service registered; run through ctest, whose "
                      "ns_pts fixture starts rpcbind and kqptsd";
    ASSERT_NE(probe, nullptr) << "the fixture started kqptsd but it does not answer";
    clnt_destroy(probe);
  }
};

TEST_F(NsRegistry, BindingsAddGetDelete) {
  pts_binding_t b = {{const_cast<char *>("ptsdirect"), PTS_TYPE_SERVER}, 400001, 3};
  ASSERT_EQ(pts_add(&b), 0);
  pts_binding_t *got = pts_get("localhost", "ptsdirect", PTS_TYPE_SERVER);
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got->name.name, "ptsdirect");
  EXPECT_EQ(got->prognum, 400001u);
  EXPECT_EQ(got->versnum, 3u);
  pts_destroy(got);
  EXPECT_EQ(pts_get(nullptr, "ptsdirect", 4), nullptr);  // another type
  b.prognum = 400002;
  ASSERT_EQ(pts_add(&b), 0);
  got = pts_get(nullptr, "ptsdirect", PTS_TYPE_SERVER);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->prognum, 400002u);
  pts_destroy(got);
  EXPECT_EQ(pts_delete("ptsdirect", PTS_TYPE_SERVER), 0);
  EXPECT_EQ(pts_delete("ptsdirect", PTS_TYPE_SERVER), 1);
  EXPECT_EQ(pts_get("localhost", "ptsdirect", PTS_TYPE_SERVER), nullptr);
  pts_binding_t empty = {{const_cast<char *>(""), PTS_TYPE_SERVER}, 1, 1};
  EXPECT_EQ(pts_add(&empty), 1);
}

TEST_F(NsRegistry, ServerEntryResolvesToItsRegisteredProgram) {
  WriteEtc("");
  ns_dpa_addr_t server = Address("spoolR", NS_KIND_SPOOLER, "localhost", "spoolR", 300101, 2);
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  EXPECT_EQ(ReadFile(etc).substr(ReadFile(etc).find("spoolR")),
            "spoolR:\\\n\t:saddr=localhost,105004,2,sys,sl,spoolR,1:\n");
  ns_dpa_addr_t printer = Address("lpR", NS_KIND_LOGICAL, "localhost", "spoolR", 1, 2);
  ASSERT_EQ(ns_put_dpa_addr(&printer), 0);
  EXPECT_NE(ReadFile(etc).find(
                "lpR:\\\n\t:paddr=localhost,105004,2,sys,lp,spoolR,1:\\\n\t:spooling-type=dpa:"),
            std::string::npos);

  ASSERT_EQ(NS_Init("spoolR", NS_KIND_SPOOLER), NS_OK);
  NS_object_t *o = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_SPOOLER, "spoolR", nullptr, &o), NS_OK);
  EXPECT_EQ(Text(*o), "0 3 spoolR 3 spoolR localhost 300101 2 1 saddr etc 1");
  int same = 0;
  EXPECT_EQ(NS_IsSameServer(o, &same), NS_OK);
  EXPECT_EQ(same, 1);
  NS_FreeObject(o);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300101 2 1 paddr etc 1");

  // The server restarts under another program: only the registration changes.
  std::string file = ReadFile(etc);
  server.prognum = 300102;
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  EXPECT_EQ(ReadFile(etc), file);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300102 2 1 paddr etc 1");
  ns_dpa_addr_t moved = server;
  moved.host = const_cast<char *>("elsewhere");
  EXPECT_EQ(ns_put_dpa_addr(&moved), -1);

  NS_list_t *list = nullptr;
  ASSERT_EQ(NS_ListObjectBegin(NS_KIND_SERVER, nullptr, &list), NS_OK);
  ASSERT_EQ(NS_ListNext(list, &o), NS_OK);
  EXPECT_STREQ(o->name, "spoolR");
  EXPECT_EQ(o->prognum, 300102);
  NS_FreeObject(o);
  EXPECT_EQ(NS_ListNext(list, &o), NS_ERR_END);
  NS_ListEnd(list);

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
    // The fixture's own service, found by its socket: the one rpcbind names may be
    // another test run's on this machine.
    std::ifstream pidFile(std::string(getenv("KQ_PTS_FIXTURE")) + "/kqptsd.pid");
    pidFile >> pid;
    ASSERT_GT(pid, 0);
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(PortOf(pid));
    ASSERT_NE(to.sin_port, 0);
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
  }
  // The local port of the UDP socket that process `pid` holds.
  static uint16_t PortOf(pid_t pid) {
    std::set<std::string> inodes;
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto &e : std::filesystem::directory_iterator(fds)) {
      std::string link = std::filesystem::read_symlink(e.path()).string();
      if (link.rfind("socket:[", 0) == 0) inodes.insert(link.substr(8, link.size() - 9));
    }
    std::ifstream udp("/proc/net/udp");
    std::string line, slot, local, remote, st, queues, tr, retr, uid, timeout, inode;
    std::getline(udp, line);
    while (udp >> slot >> local >> remote >> st >> queues >> tr >> retr >> uid >> timeout >>
           inode) {
      std::getline(udp, line);
      if (inodes.count(inode) && local.rfind("0100007F:", 0) == 0)  // kqptsd -l: loopback
        return static_cast<uint16_t>(stoul(local.substr(9), nullptr, 16));
    }
    return 0;
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
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmPeak:", 0) == 0) return strtol(line.c_str() + 7, nullptr, 10);
    return -1;
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
  } rows[] = {
      {"null call", Call(NULLPROC), SIZE_MAX, "accepted 0"},
      {"unknown procedure", Call(99), SIZE_MAX, "accepted 3"},
      {"unknown version", Call(NULLPROC, {}, 7), SIZE_MAX, "accepted 2"},
      {"wrong RPC version", Call(NULLPROC, {}, PTS_VERSION, 3), SIZE_MAX, "none"},
      {"get, name length past the datagram", Call(PTS_GET, {huge, 0x61616161, 1}), SIZE_MAX,
       "accepted 4"},
      {"add, name length past the datagram", Call(PTS_ADD, {huge, 0, 1, 2, 3}), SIZE_MAX,
       "accepted 4"},
      {"delete, name longer than the rest", Call(PTS_DELETE, {1000, 0x61616161, 1}), SIZE_MAX,
       "accepted 4"},
      {"get without the type", Call(PTS_GET, {1, 0x61000000}), SIZE_MAX, "accepted 4"},
      {"header cut short", Call(PTS_GET), 22, "none"},
      {"three bytes", {0x01020304}, 3, "none"},
  };
  for (const auto &row : rows) {
    Send(row.words, row.cut);
    EXPECT_EQ(Reply(), row.reply) << row.what;
  }
  // A burst: every row again, cut at random, and random words after a good header.
  std::mt19937 rng(20);
  for (int i = 0; i < 500; ++i) {
    std::vector<uint32_t> words = rows[i % std::size(rows)].words;
    if (i % 3 == 0)
      for (int k = 0; k < 4; ++k) words.push_back(rng() % 2 ? huge + k : rng());
    Send(words, i % 2 ? SIZE_MAX : rng() % (words.size() * 4));
  }
  while (Reply() != "none") {
  }
  EXPECT_EQ(kill(pid, 0), 0) << "kqptsd exited";
  EXPECT_LT(Peak() - peak, 64 << 10) << "KiB of address space taken by the burst";
  // Real calls through the client stubs, to the same service.
  int sock = RPC_ANYSOCK;
  CLIENT *client = clntudp_create(&to, PTS_PROGRAM, PTS_VERSION, {1, 0}, &sock);
  ASSERT_NE(client, nullptr);
  pts_binding_t b = {{const_cast<char *>("afterburst"), PTS_TYPE_SERVER}, 400009, 2};
  int status = 1;
  EXPECT_EQ(pts_add_1(&b, &status, client), RPC_SUCCESS);
  EXPECT_EQ(status, 0);
  pts_binding_t got = {};
  EXPECT_EQ(pts_get_1(&b.name, &got, client), RPC_SUCCESS);
  EXPECT_STREQ(got.name.name, "afterburst");
  EXPECT_EQ(got.prognum, 400009u);
  clnt_freeres(client, (xdrproc_t)xdr_pts_binding_t, reinterpret_cast<caddr_t>(&got));
  EXPECT_EQ(pts_delete_1(&b.name, &status, client), RPC_SUCCESS);
  clnt_destroy(client);
}

}  // namespace
}  // namespace kq::ns::test
