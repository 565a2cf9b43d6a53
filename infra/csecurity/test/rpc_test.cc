// Credentials on the wire: RPC clients carrying them call a small ONC RPC server on
// loopback (part of this test, not registered with rpcbind) that answers with the
// credentials it received; threads build credentials and PACs at once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <rpc/rpc.h>
#include <sys/select.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "csec_test_util.h"

namespace kq::test {
namespace {

constexpr rpcprog_t kProgram = 0x2f4b5101;  // a program number of the user range
constexpr rpcvers_t kVersion = 1;
constexpr rpcproc_t kWhoCalls = 1;

// An XDR routine as the calls take it.
template <typename F>
xdrproc_t Xdr(F f) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(f));
}

// What the server saw: "sys MACHINE UID GID G1,G2,..." or "flavor N".
void Dispatch(struct svc_req *request, SVCXPRT *transport) {
  std::string seen;
  if (request->rq_cred.oa_flavor == AUTH_SYS) {
    auto *parms = static_cast<struct authunix_parms *>(request->rq_clntcred);
    seen = std::string("sys ") + parms->aup_machname + " " + std::to_string(parms->aup_uid) + " " +
           std::to_string(parms->aup_gid) + " ";
    for (u_int i = 0; i < parms->aup_len; ++i)
      seen += (i ? "," : "") + std::to_string(parms->aup_gids[i]);
  } else {
    seen = "flavor " + std::to_string(request->rq_cred.oa_flavor);
  }
  char *text = seen.data();
  svc_sendreply(transport, Xdr(xdr_wrapstring), reinterpret_cast<char *>(&text));
}

// The server: a TCP transport on 127.0.0.1 served by one thread until the object goes.
class WhoCallsServer {
 public:
  WhoCallsServer() {
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address_;
    if (bind(sock, reinterpret_cast<sockaddr *>(&address_), length) != 0 ||
        getsockname(sock, reinterpret_cast<sockaddr *>(&address_), &length) != 0 ||
        listen(sock, 64) != 0)
      return;
    transport_ = svctcp_create(sock, 0, 0);
    // Protocol 0: served on this transport, not registered with rpcbind.
    if (!transport_ || !svc_register(transport_, kProgram, kVersion, Dispatch, 0)) return;
    thread_ = std::thread([this] { Serve(); });
  }
  ~WhoCallsServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    svc_unregister(kProgram, kVersion);
    if (transport_) svc_destroy(transport_);
  }
  bool ready() const { return thread_.joinable(); }

  // A new client for the server, with no credentials of its own yet.
  CLIENT *Client() {
    int sock = RPC_ANYSOCK;
    return clnttcp_create(&address_, kProgram, kVersion, &sock, 0, 0);
  }

 private:
  void Serve() {
    while (!stop_) {
      fd_set ready = svc_fdset;
      timeval wait = {0, 50000};
      int n = select(svc_maxfd + 1, &ready, nullptr, nullptr, &wait);
      if (n > 0) svc_getreqset(&ready);
    }
  }

  sockaddr_in address_ = {};
  SVCXPRT *transport_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Calls the server through `client`; the credentials it saw, or the RPC error.
std::string WhoCalls(CLIENT *client) {
  char *seen = nullptr;
  timeval timeout = {30, 0};  // generous: the server is on loopback
  enum clnt_stat rc = clnt_call(client, kWhoCalls, Xdr(xdr_void), nullptr, Xdr(xdr_wrapstring),
                                reinterpret_cast<char *>(&seen), timeout);
  if (rc != RPC_SUCCESS) return std::string("rpc error: ") + clnt_sperrno(rc);
  std::string out = seen;
  clnt_freeres(client, Xdr(xdr_wrapstring), reinterpret_cast<char *>(&seen));
  return out;
}

// Clients do not release their credentials: the caller does, before the client.
void Destroy(CLIENT *client) {
  if (client->cl_auth) auth_destroy(client->cl_auth);
  clnt_destroy(client);
}

std::string Sys(const std::string &machine, unsigned uid, unsigned gid) {
  return "sys " + machine + " " + std::to_string(uid) + " " + std::to_string(gid) + " " +
         std::to_string(gid);
}

class CredentialOnTheWire : public CredentialFiles {
 protected:
  void SetUp() override {
    if (!server.ready()) GTEST_SKIP() << "cannot serve RPC on 127.0.0.1";
  }
  ~CredentialOnTheWire() override { SEC_SetClientType(SEC_CLIENT_USER); }
  WhoCallsServer server;
};

// One connection, its credentials replaced by each selector in turn; a selector that
// makes no credentials is refused and leaves the slot as it was.
TEST_F(CredentialOnTheWire, ServerReceivesTheIdentityOfEachSelector) {
  const std::string me = Sys(NodeName(), geteuid(), getegid());
  const std::string proxy = Sys(NodeName(), 60001, 60001);
  // Client type, mechanism and flavour, and what the server sees (a refused selector
  // leaves the previous credentials).
  const std::tuple<int, SEC_selector_t, std::string> cases[] = {
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_SYS}, me},
      {SEC_CLIENT_USER, {1, SEC_FLAVOUR_SYS}, "refused " + me},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, 2}, "refused " + me},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_PROXY}, proxy},
      {SEC_CLIENT_USER, {SEC_MECH_ONC, SEC_FLAVOUR_NONE}, "flavor 0"},
      {SEC_CLIENT_ADMIN,
       {SEC_MECH_ONC, SEC_FLAVOUR_SYS},
       Sys("localhost", 0, ExpectedSysadminGid())},
      {SEC_CLIENT_ADMIN, {SEC_MECH_ONC, SEC_FLAVOUR_PROXY}, proxy}};
  CLIENT *client = server.Client();
  ASSERT_NE(client, nullptr);
  for (const auto &[type, selector, seen] : cases) {
    SEC_SetClientType(type);
    AUTH *before = client->cl_auth;
    int rc = SEC_AddCredential_C(&selector, &client->cl_auth);
    std::string got = rc == SEC_UNSUPPORTED && client->cl_auth == before ? "refused " : "";
    EXPECT_EQ((rc && got.empty() ? "rc " + std::to_string(rc) : got) + WhoCalls(client), seen)
        << type << " " << selector.mechanism << " " << selector.flavour;
  }
  EXPECT_EQ(SEC_SetClientType(2), SEC_UNSUPPORTED);
  Destroy(client);
}

TEST_F(CredentialOnTheWire, AnotherUsersCredentialsNameThatUser) {
  std::string seen = RunAs(1, 1, [this] {
    CLIENT *client = server.Client();
    if (!client) return std::string(clnt_spcreateerror("no client"));
    SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
    int rc = SEC_AddCredential_C(&selector, &client->cl_auth);
    std::string out = rc == SEC_OK ? WhoCalls(client) : "rc " + std::to_string(rc);
    Destroy(client);
    return out;
  });
  EXPECT_EQ(seen, Sys(NodeName(), 1, 1));
}

TEST_F(CredentialOnTheWire, ThreadsBuildCredentialsAndPacsAtOnce) {
  constexpr int kThreads = 8, kRounds = 25;
  const std::string want = BuildPac();
  const std::string seenWant = Sys(NodeName(), geteuid(), getegid());
  Reread();  // the threads race through the set-up and fill the caches together

  std::vector<std::string> problems(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CLIENT *client = server.Client();
      StatusList status;
      AS_setHandle_t set = nullptr;
      if (!client || AS_Create(status, &set, nullptr, 0) != 0) {
        problems[t] = "set-up failed";
        return;
      }
      SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
      for (int round = 0; round < kRounds && problems[t].empty(); ++round) {
        uint32_t syntax = 0;
        if (SEC_AddCredential_C(&selector, &client->cl_auth) != SEC_OK)
          problems[t] = "credential refused";
        else if (SEC_AddPAC_C(0, set) != SEC_OK)
          problems[t] = "PAC refused";
        else if (PacInSet(set) != want)
          problems[t] = "PAC differs";
        else if (std::string seen = WhoCalls(client); seen != seenWant)
          problems[t] = "server saw " + seen;
        else if (!SEC_GetUserDomain(&syntax) || !SEC_GetHostDomain(&syntax))
          problems[t] = "no domain";
      }
      AS_Destroy(status, &set);
      Destroy(client);
    });
  }
  for (std::thread &t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(problems[t], "") << "thread " << t;
}

}  // namespace
}  // namespace kq::test
