// Test double of a print server for the client frame's tests: it serves the request
// procedure over TCP on loopback with the library's own XDR routines, registered with
// the real rpcbind under the program number it is given, and answers as its mode
// says. It decodes no BER: what it sends back is what the test scripted.
//
//   jqp_test_server PROGRAM MODE
//     echo     the request's packet comes back as the result, unless a reply was
//              scripted (procedure 2), which is then sent for every request
//     stall    never answers the request procedure
//     garbage  answers with a reply whose result packet is cut short
//     exit     exits in the middle of the request procedure
//
// Procedure 2 takes a JQP_result_t to answer with from then on; procedure 3 answers
// with the last JQP_argument_t received (operation 0 and an empty packet before any).
// It prints "ready" when registered, and on SIGTERM (also sent when the test that
// started it dies) unregisters and exits.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/jqp.h"

namespace {

constexpr u_long kVersion = 1;
u_long program = 0;
std::string mode;
JQP_result_t scripted{};
bool haveScript = false;
JQP_argument_t last{};

// SIGTERM is blocked everywhere but taken here, so the unregistering runs in a thread
// of its own rather than in a signal handler.
void *AwaitStop(void *) {
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  int signal = 0;
  sigwait(&term, &signal);
  svc_unreg(program, kVersion);
  _exit(0);
}

// A reply record whose result packet claims more bytes than follow.
bool_t CutShort(XDR *xdrs, void *) {
  int32_t errorType = 0;
  u_int count = 100;
  int32_t one = 1;
  return xdr_int(xdrs, &errorType) && xdr_u_int(xdrs, &count) && xdr_int(xdrs, &one);
}

bool_t NoData(XDR *, void *) { return TRUE; }

void Dispatch(struct svc_req *request, SVCXPRT *xprt) {
  auto argProc = reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t);
  auto resProc = reinterpret_cast<xdrproc_t>(xdr_JQP_result_t);
  switch (request->rq_proc) {
    case NULLPROC:
      svc_sendreply(xprt, reinterpret_cast<xdrproc_t>(NoData), nullptr);
      return;
    case JQP_REQUEST_PROC: {
      JQP_argument_t argument{};
      if (!svc_getargs(xprt, argProc, reinterpret_cast<char *>(&argument))) {
        svcerr_decode(xprt);
        return;
      }
      xdr_free(argProc, reinterpret_cast<char *>(&last));
      last = argument;  // kept for procedure 3, freed when the next one comes
      if (mode == "exit") {
        svc_unreg(program, kVersion);
        _exit(0);
      }
      if (mode == "stall") {
        for (;;) pause();
      }
      if (mode == "garbage") {
        svc_sendreply(xprt, reinterpret_cast<xdrproc_t>(CutShort), nullptr);
      } else if (haveScript) {
        svc_sendreply(xprt, resProc, reinterpret_cast<char *>(&scripted));
      } else {
        JQP_result_t echo{0, argument.packet, {0, nullptr}};
        svc_sendreply(xprt, resProc, reinterpret_cast<char *>(&echo));
      }
      return;
    }
    case 2: {
      JQP_result_t next{};
      if (!svc_getargs(xprt, resProc, reinterpret_cast<char *>(&next))) {
        svcerr_decode(xprt);
        return;
      }
      xdr_free(resProc, reinterpret_cast<char *>(&scripted));
      scripted = next;  // the decoded packets are kept, not freed by svc_freeargs
      haveScript = true;
      svc_sendreply(xprt, reinterpret_cast<xdrproc_t>(NoData), nullptr);
      return;
    }
    case 3:
      svc_sendreply(xprt, argProc, reinterpret_cast<char *>(&last));
      return;
    default:
      svcerr_noproc(xprt);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  program = strtoul(argv[1], nullptr, 0);
  mode = argv[2];
  signal(SIGPIPE, SIG_IGN);
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, nullptr);
  pthread_t stopper;
  pthread_create(&stopper, nullptr, AwaitStop, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the test that started it
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      listen(fd, SOMAXCONN) != 0) {
    perror("jqp_test_server: bind");
    return 1;
  }
  SVCXPRT *xprt = svc_vc_create(fd, 0, 0);
  netconfig *tcp = getnetconfigent("tcp");
  svc_unreg(program, kVersion);
  if (!xprt || !tcp || !svc_reg(xprt, program, kVersion, Dispatch, tcp)) {
    fprintf(stderr, "jqp_test_server: cannot register program %lu with rpcbind\n", program);
    return 1;
  }
  freenetconfigent(tcp);
  printf("ready\n");
  fflush(stdout);
  svc_run();
  return 1;
}
