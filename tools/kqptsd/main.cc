// kqptsd: the pts registry service. Print servers register the RPC program and
// version they listen under by object name; clients read them back. Bindings are
// held in memory; the service registers itself with rpcbind over UDP and leaves
// on SIGTERM or SIGINT, removing its registration.
//
//   kqptsd [-l] [--help] [--version]    -l: listen on the loopback address only
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "infra/ns.h"
#include "infra/svclog.h"
#include "registry.h"

namespace {

kq::pts::Registry registry;
volatile sig_atomic_t stopping = 0;
sigset_t waitMask;  // the signal mask while waiting for requests

void OnSignal(int) { stopping = 1; }

// xdr_void is declared without a prototype; pass it through a plain function type.
xdrproc_t VoidProc() { return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)); }

void Reply(SVCXPRT *xprt, xdrproc_t proc, void *result) {
  if (!svc_sendreply(xprt, proc, static_cast<caddr_t>(result)))
    LOG_COND_MESSAGE(LOG_SEV_WARNING, "kqptsd: reply could not be sent");
}

// The length of the datagram being served. The RPC library decodes from a buffer of
// its full receive size, so without this bound a call cut short would be completed
// with the bytes of earlier datagrams.
size_t datagramLength = 0;

// The arguments `Proc` decodes, refused when they claim or run past the datagram's
// end; a name's claimed length is checked before it is read (and allocated).
template <bool (*Proc)(XDR *, void *)>
bool_t InDatagram(XDR *xdrs, void *arg) {
  if (xdrs->x_op != XDR_DECODE) return Proc(xdrs, arg);
  u_int start = xdr_getpos(xdrs), claimed = 0;
  if (start + 4 > datagramLength || !xdr_u_int(xdrs, &claimed) ||
      claimed > datagramLength - (start + 4) || !xdr_setpos(xdrs, start))
    return false;
  return Proc(xdrs, arg) && xdr_getpos(xdrs) <= datagramLength;
}

bool Name(XDR *xdrs, void *arg) {
  return xdr_pts_object_name_t(xdrs, static_cast<pts_object_name_t *>(arg));
}
bool Binding(XDR *xdrs, void *arg) {
  return xdr_pts_binding_t(xdrs, static_cast<pts_binding_t *>(arg));
}

template <typename Arg>
bool ReadArgs(SVCXPRT *xprt, xdrproc_t proc, Arg *arg) {
  if (svc_getargs(xprt, proc, reinterpret_cast<caddr_t>(arg))) return true;
  svcerr_decode(xprt);
  svc_freeargs(xprt, proc, reinterpret_cast<caddr_t>(arg));
  return false;
}

// Peeks at the next datagram on `fd`: its length is kept for the argument checks, and a
// datagram whose call header runs past its end is taken off the socket unanswered.
bool CallFits(int fd) {
  static uint32_t words[16384];
  ssize_t n = recv(fd, words, sizeof words, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
  if (n < 0) return true;  // nothing waiting here: the library serves what is
  datagramLength = std::min<size_t>(static_cast<size_t>(n), sizeof words);
  size_t count = datagramLength / 4, at = 7;  // the credential's length
  bool fits = true;
  for (int part = 0; part < 2 && fits; ++part) {  // the credential, then the verifier
    fits = at < count;
    if (fits) at += 1 + (size_t{ntohl(words[at])} + 3) / 4 + 1;  // body, next flavor
  }
  if (fits && at - 1 <= count) return true;
  recv(fd, words, sizeof words, MSG_DONTWAIT);
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "kqptsd: datagram of %zd bytes with a cut call header dropped", n);
  return false;
}

void Dispatch(struct svc_req *request, SVCXPRT *xprt) {
  switch (request->rq_proc) {
    case NULLPROC:
      Reply(xprt, VoidProc(), nullptr);
      return;
    case PTS_ADD: {
      pts_binding_t arg = {};
      if (!ReadArgs(xprt, (xdrproc_t)InDatagram<Binding>, &arg)) return;
      std::string name = arg.name.name ? arg.name.name : "";
      int status = registry.Add(name, arg.name.type, {arg.prognum, arg.versnum}) ? 0 : 1;
      LOG_COND_MESSAGE(LOG_SEV_INFO, "kqptsd: add %s type %d: %lu,%lu -> %d", name.c_str(),
                       arg.name.type, arg.prognum, arg.versnum, status);
      Reply(xprt, (xdrproc_t)xdr_int, &status);
      svc_freeargs(xprt, (xdrproc_t)xdr_pts_binding_t, reinterpret_cast<caddr_t>(&arg));
      return;
    }
    case PTS_DELETE: {
      pts_object_name_t arg = {};
      if (!ReadArgs(xprt, (xdrproc_t)InDatagram<Name>, &arg)) return;
      std::string name = arg.name ? arg.name : "";
      int status = registry.Delete(name, arg.type) ? 0 : 1;
      LOG_COND_MESSAGE(LOG_SEV_INFO, "kqptsd: delete %s type %d -> %d", name.c_str(), arg.type,
                       status);
      Reply(xprt, (xdrproc_t)xdr_int, &status);
      svc_freeargs(xprt, (xdrproc_t)xdr_pts_object_name_t, reinterpret_cast<caddr_t>(&arg));
      return;
    }
    case PTS_GET: {
      pts_object_name_t arg = {};
      if (!ReadArgs(xprt, (xdrproc_t)InDatagram<Name>, &arg)) return;
      kq::pts::Registry::Binding found;
      std::string name = arg.name ? arg.name : "";
      // An unknown object is answered with an empty name.
      bool known = registry.Get(name, arg.type, &found);
      pts_binding_t reply = {
          {const_cast<char *>(known ? name.c_str() : ""), arg.type}, found.program, found.version};
      Reply(xprt, (xdrproc_t)xdr_pts_binding_t, &reply);
      svc_freeargs(xprt, (xdrproc_t)xdr_pts_object_name_t, reinterpret_cast<caddr_t>(&arg));
      return;
    }
    default:
      svcerr_noproc(xprt);
  }
}

int Serve(bool loopbackOnly) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    fprintf(stderr, "kqptsd: cannot bind a UDP socket: %s\n", strerror(errno));
    return 1;
  }
  SVCXPRT *xprt = svc_dg_create(fd, 0, 0);
  struct netconfig *nconf = getnetconfigent("udp");
  if (!xprt || !nconf) {
    fprintf(stderr, "kqptsd: cannot create the UDP transport\n");
    return 1;
  }
  svc_unreg(PTS_PROGRAM, PTS_VERSION);  // a registration left by a dead predecessor
  if (!svc_reg(xprt, PTS_PROGRAM, PTS_VERSION, Dispatch, nconf)) {
    fprintf(stderr, "kqptsd: cannot register program %d version %d with rpcbind\n", PTS_PROGRAM,
            PTS_VERSION);
    freenetconfigent(nconf);
    return 1;
  }
  freenetconfigent(nconf);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "kqptsd: serving program %d version %d", PTS_PROGRAM, PTS_VERSION);
  struct sockaddr_in bound = {};
  socklen_t boundLength = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &boundLength);
  printf("kqptsd %s: program %d version %d registered, UDP port %u%s\n", KQ_VERSION, PTS_PROGRAM,
         PTS_VERSION, ntohs(bound.sin_port), loopbackOnly ? " (loopback only)" : "");
  fflush(stdout);
  // The stop signals are blocked except inside ppoll, so one that arrives while a
  // request is served ends the wait at once instead of after a time-out.
  while (!stopping) {
    int n = ppoll(svc_pollfd, svc_max_pollfd, nullptr, &waitMask);
    if (n > 0 && CallFits(fd)) svc_getreq_poll(svc_pollfd, n);
  }
  svc_unreg(PTS_PROGRAM, PTS_VERSION);
  svc_destroy(xprt);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "kqptsd: stopped with %zu bindings", registry.Size());
  return 0;
}

constexpr const char *kUsage =
    "usage: kqptsd [-l] [--help] [--version]\n"
    "The pts registry service: print servers register the RPC program and version they\n"
    "listen under by name (procedure 1), remove them (2), and clients read them back (3).\n"
    "It registers program 105004 version 1 over UDP with rpcbind, prints one line when\n"
    "ready, and stops on SIGTERM or SIGINT, removing its registration. Bindings are\n"
    "held in memory only.\n"
    "  -l          listen on the loopback address (127.0.0.1) only, not on every address\n"
    "  --help      this text\n"
    "  --version   the program's version\n"
    "Exit status: 0 stopped by a signal, 1 could not serve, 2 usage.\n";

}  // namespace

int main(int argc, char **argv) {
  bool loopbackOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-l") == 0) {
      loopbackOnly = true;
    } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
      fputs(kUsage, stdout);
      return 0;
    } else if (strcmp(argv[i], "--version") == 0) {
      printf("kqptsd %s\n", KQ_VERSION);
      return 0;
    } else {
      fprintf(stderr, "kqptsd: unknown option \"%s\"\n%s", argv[i], kUsage);
      return 2;
    }
  }
  struct sigaction action = {};
  action.sa_handler = OnSignal;  // no SA_RESTART: ppoll returns at once
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigprocmask(SIG_BLOCK, &stops, &waitMask);
  sigdelset(&waitMask, SIGTERM);
  sigdelset(&waitMask, SIGINT);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return Serve(loopbackOnly);
}
