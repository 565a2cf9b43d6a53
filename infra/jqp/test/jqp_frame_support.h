// What the client frame's suites share: running a piece of a test in a child process
// (for the settings the frame fixes once per process), names, the body of the service
// log without its line prefixes, the BER of a record, and, for the suites that talk RPC, the test
// print server (jqp_test_server) started per test.
#ifndef KQ_INFRA_JQP_TEST_JQP_FRAME_SUPPORT_H
#define KQ_INFRA_JQP_TEST_JQP_FRAME_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <regex>
#include <string>

#include "infra/genu_value.h"
#include "infra/genu_world.h"
#include "internal/ber_mod_kq_0b.h"

#ifdef KQ_JQP_TEST_SERVER
#include <poll.h>
#include <rpc/rpc.h>
#include <signal.h>

#include <atomic>
#include <utility>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "kqtest.h"
#endif

namespace kq::jqp::test {

// BER of a record of the protocol module.
template <typename T>
std::string Encoded(int pdu, T *record) {
  OssBuf encoded{0, nullptr};
  EXPECT_EQ(GENU_OssEncode(nullptr, pdu, record, &encoded), 0);
  std::string bytes(reinterpret_cast<char *>(encoded.value), encoded.length);
  free(encoded.value);
  return bytes;
}

// Runs `body` in a forked child and returns the text it produced, or "child failed"
// when it did not end normally. Process-wide settings of the frame (the call
// time-out, the server type, the directory's initialisation) are fixed once per
// process, so each setting is tried in a process of its own.
inline std::string InChild(const std::function<std::string()> &body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::string out = body();
    ssize_t written = write(fds[1], out.data(), out.size());
    _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string out;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, n);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed: " + out;
}

// An object identification holding a simple name.
inline GEN_ObjectIdent_t SimpleName(const char *text) {
  GEN_ObjectIdent_t name{};
  name.choice = 7;
  name.u.name.choice = GEN_TEXT_ISO646;
  strncpy(name.u.name.u.string, text, GEN_SIMPLE_NAME_MAX);
  return name;
}

// A shutdown request (operation 22) for the server "spool-frame", with `message`
// when one is given. The identifiers' contents are arbitrary but well formed.
inline ShutdownArgument ShutdownRequest(const char *message) {
  static uint8_t kOid[] = {0x2b, 0x0c, 0x02, 0x87, 0x73};
  ShutdownArgument a{};
  a.object_class = {sizeof kOid, kOid};
  a.object_instance.choice = 7;
  a.object_instance.u.simple_name.choice = 1;
  strcpy(a.object_instance.u.simple_name.u.iso646_string, "spool-frame");
  a.when = {sizeof kOid, kOid};
  if (message) {
    a.bit_mask |= ShutdownArgument_message_present;
    a.message.choice = 1;
    strncpy(a.message.u.iso646_string, message, sizeof a.message.u.iso646_string - 1);
  }
  return a;
}

// The service log's text without the prefix of each line (up to "| ").
inline std::string LogBody(const std::string &text) {
  return std::regex_replace(text, std::regex("^.*?\\| ", std::regex::multiline), "");
}

#ifdef KQ_JQP_TEST_SERVER
// Why the RPC tests cannot run here (the rpcbind fixture's note), or "" when they can.
inline std::string RpcSkipReason() {
  const char *state = getenv("KQ_JQP_RPC_FIXTURE");
  return state ? kq::test::ReadFile(std::string(state) + "/skip") : "";
}

inline bool_t NoData(XDR *, void *) { return TRUE; }

// One jqp_test_server process in `mode` (echo, stall, garbage, exit). Program numbers
// come from the range for local use, one per server and process, so that suites
// running at once do not meet.
class TestServer {
 public:
  explicit TestServer(const char *mode = "echo") {
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
    pollfd p{out[0], POLLIN, 0};  // ready when it says so; generous for a loaded machine
    char line[16] = {};
    ready_ = poll(&p, 1, 20000) == 1 && read(out[0], line, sizeof line - 1) > 0 &&
             strncmp(line, "ready", 5) == 0;
    close(out[0]);
  }
  ~TestServer() {
    if (pid_ > 0) kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
  }
  bool ready() const { return ready_; }
  u_long program() const { return program_; }

  // The directory object of this server as a binding.
  NS_object_t Object(const char *serverName = "spool-frame") const {
    NS_object_t o{};
    o.env = NS_ENV_ONC;
    o.kind = o.serverType = NS_KIND_SPOOLER;
    o.name = const_cast<char *>("spool-frame");
    o.serverName = const_cast<char *>(serverName);
    o.host = const_cast<char *>("127.0.0.1");
    o.prognum = static_cast<int>(program_);
    o.versnum = 1;
    return o;
  }

  // Makes the server answer every request with this reply.
  bool Script(int32_t errorType, const std::string &result, const std::string &error) {
    JQP_result_t reply{errorType,
                       {static_cast<uint32_t>(result.size()), const_cast<char *>(result.data())},
                       {static_cast<uint32_t>(error.size()), const_cast<char *>(error.data())}};
    return Control(2, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), &reply,
                   reinterpret_cast<xdrproc_t>(NoData), nullptr);
  }
  // The last request the server received: operation number (0 before any) and packet.
  std::pair<int, std::string> Last() {
    JQP_argument_t last{};
    if (!Control(3, reinterpret_cast<xdrproc_t>(NoData), nullptr,
                 reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t), &last))
      return {-1, ""};
    std::pair<int, std::string> out{
        last.requestType, std::string(last.packet.encodePacket_val, last.packet.encodePacket_len)};
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
#endif

}  // namespace kq::jqp::test

#endif
