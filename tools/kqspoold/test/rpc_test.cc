// The running daemon: kqspoold and rpcbind on loopback, started and stopped around
// these tests by scripts/spool-fixture. Calls go through libtirpc's clnt_call with
// the client frame's XDR routines, exactly as the library's client sends them.
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <rpc/rpc.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "infra/genu.h"
#include "infra/jqp_frame.h"
#include "internal/ber_mod_kq_0b.h"
#include "kqtest.h"
#include "spool_test_util.h"

namespace kq::spool::test {
namespace {

template <typename T>
xdrproc_t Proc(int (*f)(XDR *, T *)) {
  return reinterpret_cast<xdrproc_t>(f);
}
xdrproc_t VoidProc() { return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)); }

class Daemon : public ::testing::Test {
 public:
  void SetUp() override {
    const char *state = getenv("KQ_SPOOL_FIXTURE");
    if (!state) GTEST_SKIP() << "KQ_SPOOL_FIXTURE is not set: run through ctest";
    std::string skip = kq::test::ReadFile(std::string(state) + "/skip");
    if (!skip.empty()) GTEST_SKIP() << skip;
    std::ifstream(std::string(state) + "/binding") >> program >> version;
    spool = std::string(state) + "/spool";
    trace = std::string(state) + "/trace";
    config = std::string(state) + "/kqspoold.conf";
    ASSERT_NE(program, 0u);
  }
  CLIENT *Connect(uint32_t vers = 0) {
    CLIENT *c = clnt_create("127.0.0.1", program, vers ? vers : version, "tcp");
    EXPECT_NE(c, nullptr) << clnt_spcreateerror("clnt_create");
    return c;
  }
  // One request through procedure 1; the RPC status, the reply in `reply`.
  clnt_stat Call(CLIENT *c, int32_t op, const std::string &packet, Reply *reply,
                 u_long proc = JQP_REQUEST_PROC) {
    JQP_argument_t arg{op,
                       {static_cast<uint32_t>(packet.size()), const_cast<char *>(packet.data())}};
    JQP_result_t res{};
    timeval timeout{60, 0};
    clnt_stat st = clnt_call(c, proc, Proc(xdr_JQP_argument_t), reinterpret_cast<char *>(&arg),
                             Proc(xdr_JQP_result_t), reinterpret_cast<char *>(&res), timeout);
    if (st == RPC_SUCCESS) {
      reply->errorType = res.errorType;
      reply->result.assign(res.result.encodePacket_val, res.result.encodePacket_len);
      reply->error.assign(res.error.encodePacket_val, res.error.encodePacket_len);
      clnt_freeres(c, Proc(xdr_JQP_result_t), reinterpret_cast<char *>(&res));
    }
    return st;
  }
  std::string Request(CLIENT *c, int32_t op, const std::string &packet, Reply *reply = nullptr) {
    Reply r;
    clnt_stat st = Call(c, op, packet, &r);
    if (reply) *reply = r;
    return st == RPC_SUCCESS ? Outcome(r) : std::string("rpc ") + clnt_sperrno(st);
  }

  uint32_t program = 0, version = 0;
  std::string spool, trace, config;
};

TEST_F(Daemon, AnswersRequestsAndKeepsServingAfterBadOnes) {
  CLIENT *c = Connect();
  ASSERT_NE(c, nullptr);
  Reply created;
  const std::string doc = "hello through the wire\n";
  ASSERT_EQ(Request(c, 0, CreateJobPacket("lp1", {NameAttr(133, "wire")}, &doc), &created), "ok");
  const std::string job = PrintedJob(created);
  ASSERT_FALSE(job.empty());
  struct Row {
    const char *name;
    int32_t op;
    std::string packet;
    const char *outcome;
  } rows[] = {
      {"an unknown job", 15, JobPacket(15, "no-such-job"), "selection 2"},
      {"bytes that are no BER", 15, std::string(300, '\xff'), "service 5"},
      {"an empty packet", 0, "", "service 5"},
      {"an unknown operation number", 4711, JobPacket(15, job), "service 15"},
      {"an operation the server does not do", 27, JobPacket(15, job), "service 15"},
      {"a bad attribute", 14, JobPacket(14, job, {NameAttr(kAttrPrinterName, "x")}), "attribute 7"},
      {"the job after all that", 18, JobPacket(18, job), "ok"},
      {"a second pause-resume round", 19, JobPacket(19, job), "ok"},
      {"cancel", 15, JobPacket(15, job), "ok"},
      {"cancel again", 15, JobPacket(15, job), "update 5"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Request(c, row.op, row.packet), row.outcome);
  }
  EXPECT_EQ(kq::test::ReadFile(spool + "/job" + job + "-doc1"), doc);
  clnt_destroy(c);
}

// The trace directory holds each request as it arrived, for checking what a client
// put into it.
TEST_F(Daemon, KeepsEachRequestAsReceived) {
  CLIENT *c = Connect();
  ASSERT_NE(c, nullptr);
  const std::string doc = "traced";
  const std::string sent = CreateJobPacket("lp2", {NameAttr(133, "t")}, &doc, false);
  ASSERT_EQ(Request(c, 0, sent), "ok");
  clnt_destroy(c);
  // The newest op0 file is this request (the tests of this fixture run one at a time).
  std::string newest;
  DIR *d = opendir(trace.c_str());
  ASSERT_NE(d, nullptr);
  while (dirent *e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() > 8 && name.substr(name.size() - 8) == "-op0.ber" && name > newest)
      newest = name;
  }
  closedir(d);
  ASSERT_FALSE(newest.empty());
  const std::string received = kq::test::ReadFile(trace + "/" + newest);
  EXPECT_EQ(received, sent);
  int pdu = PrintArgument_PDU;
  OssBuf in{static_cast<int32_t>(received.size()),
            reinterpret_cast<unsigned char *>(const_cast<char *>(received.data()))};
  void *decoded = nullptr;
  ASSERT_EQ(GENU_OssDecode(nullptr, &pdu, &in, &decoded), 0);
  auto *a = static_cast<PrintArgument *>(decoded);
  EXPECT_EQ(a->choice, 1);
  EXPECT_EQ(a->u.create_job.bit_mask, CreateJobArgument_job_submission_complete_present |
                                          CreateJobArgument_job_attributes_present |
                                          CreateJobArgument_first_document_present);
  EXPECT_EQ(a->u.create_job.job_submission_complete, 0);
  GENU_OssFreePDU(nullptr, pdu, decoded);
}

TEST_F(Daemon, AnswersTheRpcLayerAsRpcDoes) {
  CLIENT *c = Connect();
  ASSERT_NE(c, nullptr);
  timeval timeout{30, 0};
  EXPECT_EQ(clnt_call(c, NULLPROC, VoidProc(), nullptr, VoidProc(), nullptr, timeout), RPC_SUCCESS);
  Reply r;
  EXPECT_EQ(Call(c, 0, CreateJobPacket("lp2"), &r, 2), RPC_PROCUNAVAIL);
  EXPECT_EQ(Call(c, 0, CreateJobPacket("lp2"), &r), RPC_SUCCESS);  // the connection still works
  // Another version or program at the server's port.
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  int fd = -1;
  ASSERT_TRUE(clnt_control(c, CLGET_FD, reinterpret_cast<char *>(&fd)));
  ASSERT_EQ(getpeername(fd, reinterpret_cast<sockaddr *>(&addr), &len), 0);
  struct Other {
    uint32_t program, version;
    clnt_stat status;
  } others[] = {{program, version + 1, RPC_PROGVERSMISMATCH},
                {program + 1, version, RPC_PROGUNAVAIL}};
  for (const Other &o : others) {
    int sock = RPC_ANYSOCK;
    sockaddr_in to = addr;
    CLIENT *other = clnttcp_create(&to, o.program, o.version, &sock, 0, 0);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(clnt_call(other, NULLPROC, VoidProc(), nullptr, VoidProc(), nullptr, timeout),
              o.status);
    clnt_destroy(other);
  }
  clnt_destroy(c);
}

TEST_F(Daemon, ListsThroughContextsOverTheWire) {
  CLIENT *c = Connect();
  ASSERT_NE(c, nullptr);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(Request(c, 0, CreateJobPacket("lp2")), "ok");
  Reply r;
  Page page;
  ASSERT_EQ(Request(c, 1, ListPacket(1, kClassJob, NameAttr(kAttrPrinterName, "lp2")), &r), "ok");
  size_t seen = 0;
  for (int pages = 0; ReadPage(r, &page) && pages < 100; ++pages) {
    EXPECT_LE(page.objects.size(), 4u);  // the fixture's list limit
    seen += page.objects.size();
    if (page.context.empty()) break;
    ASSERT_EQ(Request(c, 7, ContinuePacket(page.context), &r), "ok");
  }
  EXPECT_GE(seen, 6u);
  clnt_destroy(c);
}

// The same daemon as a faulty peer for clients' tests (-F): the null procedure still
// answers, requests fail at the client the way each mode says.
TEST_F(Daemon, FaultModesFailRequestsTheWayTheySay) {
  const uint32_t faulty = program + 10;
  struct Row {
    const char *mode;
    clnt_stat status;
  } rows[] = {
      {"stall", RPC_TIMEDOUT},
      {"garbage-reply", RPC_CANTDECODERES},
      {"garbage-result", RPC_SUCCESS},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.mode);
    SpawnedDaemon daemon(
        {"-l", "-F", row.mode, "-p", std::to_string(faulty), "-v", "1", "-c", config});
    ASSERT_TRUE(daemon.ready());
    CLIENT *c = clnt_create("127.0.0.1", faulty, 1, "tcp");
    ASSERT_NE(c, nullptr) << clnt_spcreateerror("faulty");
    timeval timeout{30, 0};
    EXPECT_EQ(clnt_call(c, NULLPROC, VoidProc(), nullptr, VoidProc(), nullptr, timeout),
              RPC_SUCCESS);
    timeval shortWait{2, 0};  // the stalled call ends by this time-out
    ASSERT_TRUE(clnt_control(c, CLSET_TIMEOUT, reinterpret_cast<char *>(&shortWait)));
    Reply r;
    EXPECT_EQ(Call(c, 0, CreateJobPacket("lp1"), &r), row.status);
    if (row.status == RPC_SUCCESS) {
      EXPECT_FALSE(r.result.empty());
      EXPECT_EQ(PrintedJob(r), "");  // the result packet is no print result
    }
    clnt_destroy(c);
    int status = daemon.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

// A client that sent half a call holds its own connection's thread, nobody else's.
TEST_F(Daemon, AHalfSentCallDoesNotHoldUpOtherConnections) {
  CLIENT *probe = Connect();
  ASSERT_NE(probe, nullptr);
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  int fd = -1;
  ASSERT_TRUE(clnt_control(probe, CLGET_FD, reinterpret_cast<char *>(&fd)));
  ASSERT_EQ(getpeername(fd, reinterpret_cast<sockaddr *>(&addr), &len), 0);
  int stalled = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(connect(stalled, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
  const unsigned char half[] = {0x80, 0x00, 0x01, 0x00, 0x12, 0x34};  // 256 bytes announced
  ASSERT_EQ(write(stalled, half, sizeof half), static_cast<ssize_t>(sizeof half));
  EXPECT_EQ(Request(probe, 1, ListPacket(1, kClassPrinter)), "ok");
  close(stalled);
  clnt_destroy(probe);
}

TEST_F(Daemon, ConnectionsServedAtOnceLoseAndDuplicateNoJob) {
  constexpr int kThreads = 4, kJobs = 100;
  std::vector<std::vector<std::string>> ids(kThreads);
  // Connections are made here, one after the other (libtirpc's client creation is
  // not safe to run on several threads at once); the threads then use them at once.
  std::vector<CLIENT *> clients;
  for (int t = 0; t < kThreads; ++t) {
    clients.push_back(Connect());
    ASSERT_NE(clients.back(), nullptr);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kJobs; ++i) {
        Reply r;
        if (Call(clients[t], 0, CreateJobPacket(t % 2 ? "lp1" : "q1"), &r) == RPC_SUCCESS)
          ids[t].push_back(PrintedJob(r));
      }
    });
  }
  for (std::thread &t : threads) t.join();
  for (CLIENT *c : clients) clnt_destroy(c);
  std::set<std::string> unique;
  for (const auto &v : ids) {
    EXPECT_EQ(v.size(), static_cast<size_t>(kJobs));
    unique.insert(v.begin(), v.end());
  }
  EXPECT_EQ(unique.size(), static_cast<size_t>(kThreads * kJobs));
  EXPECT_EQ(unique.count(""), 0u);
}

}  // namespace
}  // namespace kq::spool::test
