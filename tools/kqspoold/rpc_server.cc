#include "rpc_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "dispatch.h"
#include "infra/jqp_frame.h"
#include "infra/svclog.h"

namespace kq::spool {
namespace {

constexpr uint32_t kLastFragment = 0x80000000u;
// Largest call record accepted: a request carrying a document of up to 64 MiB takes
// four bytes per document byte on the wire.
constexpr size_t kMaxRecord = 256u << 20;
// Connections served at once; more are closed as they arrive.
constexpr int kMaxConnections = 512;

template <typename T>
xdrproc_t Proc(int (*f)(XDR *, T *)) {
  return reinterpret_cast<xdrproc_t>(f);
}
// xdr_void is declared without a prototype; pass it through a plain function type.
xdrproc_t VoidProc() { return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)); }

// Encodes a reply message into `out`.
bool EncodeReply(rpc_msg *msg, std::string *out) {
  unsigned long size = xdr_sizeof(reinterpret_cast<xdrproc_t>(xdr_replymsg), msg);
  if (size == 0 || size > kMaxRecord) return false;
  out->assign(size, '\0');
  XDR x;
  xdrmem_create(&x, out->data(), static_cast<u_int>(size), XDR_ENCODE);
  bool ok = xdr_replymsg(&x, msg);
  out->resize(xdr_getpos(&x));
  xdr_destroy(&x);
  return ok;
}

bool Accepted(uint32_t xid, accept_stat status, xdrproc_t proc, void *result, uint32_t low,
              uint32_t high, std::string *out) {
  rpc_msg msg{};
  msg.rm_xid = xid;
  msg.rm_direction = REPLY;
  msg.rm_reply.rp_stat = MSG_ACCEPTED;
  msg.acpted_rply.ar_verf = _null_auth;
  msg.acpted_rply.ar_stat = status;
  if (status == SUCCESS) {
    msg.acpted_rply.ar_results.where = static_cast<caddr_t>(result);
    msg.acpted_rply.ar_results.proc = proc;
  } else if (status == PROG_MISMATCH) {
    msg.acpted_rply.ar_vers.low = low;
    msg.acpted_rply.ar_vers.high = high;
  }
  return EncodeReply(&msg, out);
}

bool ReadFull(int fd, void *buf, size_t n) {
  auto *p = static_cast<char *>(buf);
  while (n > 0) {
    ssize_t got = recv(fd, p, n, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteFull(int fd, const char *p, size_t n) {
  while (n > 0) {
    ssize_t put = send(fd, p, n, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<size_t>(put);
  }
  return true;
}

// One record: its fragments joined. False at the end of the connection or on a
// record past the limit.
bool ReadRecord(int fd, std::string *record) {
  record->clear();
  for (;;) {
    uint32_t mark = 0;
    if (!ReadFull(fd, &mark, sizeof mark)) return false;
    mark = ntohl(mark);
    size_t length = mark & ~kLastFragment;
    if (record->size() + length > kMaxRecord) return false;
    size_t at = record->size();
    record->resize(at + length);
    if (length > 0 && !ReadFull(fd, record->data() + at, length)) return false;
    if (mark & kLastFragment) return true;
  }
}

bool WriteRecord(int fd, const std::string &record) {
  uint32_t mark = htonl(kLastFragment | static_cast<uint32_t>(record.size()));
  std::string out(reinterpret_cast<const char *>(&mark), sizeof mark);
  out += record;
  return WriteFull(fd, out.data(), out.size());
}

std::atomic<int> g_connections{0};

void ServeConnection(Server *server, RpcOptions options, int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::string call, reply;
  while (ReadRecord(fd, &call)) {
    if (!ServeRecord(*server, options, call, &reply)) break;
    if (reply.empty()) {  // a stalled call: hold the connection until the client leaves
      char sink[512];
      while (recv(fd, sink, sizeof sink, 0) > 0) {
      }
      break;
    }
    if (!WriteRecord(fd, reply)) break;
  }
  close(fd);
  --g_connections;
}

}  // namespace

bool ServeRecord(Server &server, const RpcOptions &options, const std::string &call,
                 std::string *reply) {
  XDR x;
  xdrmem_create(&x, const_cast<char *>(call.data()), static_cast<u_int>(call.size()), XDR_DECODE);
  char cred[MAX_AUTH_BYTES], verf[MAX_AUTH_BYTES];
  rpc_msg msg{};
  msg.rm_call.cb_cred.oa_base = cred;
  msg.rm_call.cb_verf.oa_base = verf;
  // xdr_callmsg refuses another RPC version outright; such a call is answered from
  // its first three words (xid, direction, RPC version).
  uint32_t head[3];
  if (call.size() >= sizeof head) {
    memcpy(head, call.data(), sizeof head);
    if (ntohl(head[1]) == CALL && ntohl(head[2]) != RPC_MSG_VERSION) {
      xdr_destroy(&x);
      rpc_msg denied{};
      denied.rm_xid = ntohl(head[0]);
      denied.rm_direction = REPLY;
      denied.rm_reply.rp_stat = MSG_DENIED;
      denied.rjcted_rply.rj_stat = RPC_MISMATCH;
      denied.rjcted_rply.rj_vers.low = RPC_MSG_VERSION;
      denied.rjcted_rply.rj_vers.high = RPC_MSG_VERSION;
      return EncodeReply(&denied, reply);
    }
  }
  if (!xdr_callmsg(&x, &msg) || msg.rm_direction != CALL) {
    xdr_destroy(&x);
    return false;
  }
  const uint32_t xid = msg.rm_xid;
  bool ok;
  if (msg.rm_call.cb_prog != options.program) {
    ok = Accepted(xid, PROG_UNAVAIL, nullptr, nullptr, 0, 0, reply);
  } else if (msg.rm_call.cb_vers != options.version) {
    ok = Accepted(xid, PROG_MISMATCH, nullptr, nullptr, options.version, options.version, reply);
  } else if (msg.rm_call.cb_proc == NULLPROC) {
    ok = Accepted(xid, SUCCESS, VoidProc(), nullptr, 0, 0, reply);
  } else if (msg.rm_call.cb_proc != JQP_REQUEST_PROC) {
    ok = Accepted(xid, PROC_UNAVAIL, nullptr, nullptr, 0, 0, reply);
  } else {
    JQP_argument_t argument{};
    if (!xdr_JQP_argument_t(&x, &argument)) {
      ok = Accepted(xid, GARBAGE_ARGS, nullptr, nullptr, 0, 0, reply);
    } else if (options.fault == Fault::kStall) {
      reply->clear();
      ok = true;
    } else if (options.fault == Fault::kGarbageReply) {
      // An accepted reply whose result claims a packet far longer than the record.
      const uint32_t words[] = {
          htonl(xid),        htonl(REPLY),      htonl(MSG_ACCEPTED), 0, 0, htonl(SUCCESS), 0,
          htonl(0x7fffffff), htonl(0xdeadbeef), htonl(0xdeadbeef)};
      reply->assign(reinterpret_cast<const char *>(words), sizeof words);
      ok = true;
    } else if (options.fault == Fault::kGarbageResult) {
      char junk[] = "\xff\xff\xff\xff not a record";
      JQP_result_t result{};
      result.result = {static_cast<uint32_t>(sizeof junk - 1), junk};
      ok = Accepted(xid, SUCCESS, Proc(xdr_JQP_result_t), &result, 0, 0, reply);
    } else {
      Reply r = Dispatch(server, argument.requestType, argument.packet.encodePacket_val,
                         argument.packet.encodePacket_len);
      JQP_result_t result{};
      result.errorType = r.errorType;
      result.result = {static_cast<uint32_t>(r.result.size()), r.result.data()};
      result.error = {static_cast<uint32_t>(r.error.size()), r.error.data()};
      ok = Accepted(xid, SUCCESS, Proc(xdr_JQP_result_t), &result, 0, 0, reply);
    }
    xdr_free(Proc(xdr_JQP_argument_t), reinterpret_cast<char *>(&argument));
  }
  xdr_destroy(&x);
  return ok;
}

int ServeRpc(Server &server, const RpcOptions &options, volatile sig_atomic_t *stop) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(options.loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
  addr.sin_port = htons(options.port);
  socklen_t len = sizeof addr;
  if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(fd, 128) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
    fprintf(stderr, "kqspoold: cannot listen on TCP: %s\n", strerror(errno));
    return 1;
  }
  const uint16_t port = ntohs(addr.sin_port);
  // Registered for "tcp" with the listening address as it is (pmap_set would do the
  // same through a copy it never frees).
  rpcb_unset(options.program, options.version, nullptr);  // left by a dead predecessor
  netconfig *tcp = getnetconfigent("tcp");
  netbuf where{sizeof addr, sizeof addr, &addr};
  bool registered = tcp && rpcb_set(options.program, options.version, tcp, &where);
  if (tcp) freenetconfigent(tcp);
  if (!registered) {
    fprintf(stderr, "kqspoold: cannot register program %u version %u with rpcbind\n",
            options.program, options.version);
    close(fd);
    return 1;
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "kqspoold: serving program %u version %u on TCP port %u",
                   options.program, options.version, port);
  printf("kqspoold: ready, program %u version %u, TCP port %u\n", options.program, options.version,
         port);
  fflush(stdout);
  while (!*stop) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 500) <= 0) continue;
    int c = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    if (g_connections.load() >= kMaxConnections) {
      LOG_COND_MESSAGE(LOG_SEV_WARNING, "kqspoold: %d connections open, one more refused",
                       kMaxConnections);
      close(c);
      continue;
    }
    ++g_connections;
    std::thread(ServeConnection, &server, options, c).detach();
  }
  rpcb_unset(options.program, options.version, nullptr);
  close(fd);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "kqspoold: stopped with %d connections open",
                   g_connections.load());
  return 0;
}

}  // namespace kq::spool
