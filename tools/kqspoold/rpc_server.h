// kqspoold's transport: ONC RPC over TCP served by its own accept loop, one thread
// per connection. libtirpc's svc loop runs every connection on one thread, so one
// slow client would hold up all the others; here each connection reads its
// record-marked calls, decodes the call header and the argument itself, runs the
// request core and writes the reply, while the other connections go on.
#ifndef KQ_TOOLS_KQSPOOLD_RPC_SERVER_H
#define KQ_TOOLS_KQSPOOLD_RPC_SERVER_H

#include <csignal>
#include <cstdint>
#include <string>

#include "state.h"

namespace kq::spool {

// Faults a client's tests ask of their peer. Procedure 0 answers in every mode, so
// that a fixture can tell the server is up.
enum class Fault {
  kNone,
  kStall,          // calls of procedure 1 are read and never answered
  kGarbageReply,   // ... answered with a reply whose result does not decode
  kGarbageResult,  // ... answered with a reply whose result packet is no BER record
};

struct RpcOptions {
  uint32_t program = 0, version = 0;
  bool loopbackOnly = false;
  uint16_t port = 0;  // 0: any free port
  Fault fault = Fault::kNone;
};

// One call's record (without its record marks) in, the reply record out. Procedure
// 0 answers with nothing, procedure 1 carries a request; anything else gets the RPC
// error the protocol has for it. False when no reply can be made at all (a record
// that is not a call), after which the connection is dropped. An empty reply with
// true is a call that is not to be answered (Fault::kStall).
bool ServeRecord(Server &server, const RpcOptions &options, const std::string &call,
                 std::string *reply);

// Listens, registers with rpcbind and serves until `stop` is set; then unregisters.
// Prints "kqspoold: ready ..." on standard output once registered. Returns the exit
// status of the program.
int ServeRpc(Server &server, const RpcOptions &options, volatile sig_atomic_t *stop);

}  // namespace kq::spool

#endif
