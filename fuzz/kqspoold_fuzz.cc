// libFuzzer harness: kqspoold's decode and dispatch. The first byte picks the path:
// even, a request packet with an arbitrary operation number (the next four bytes)
// goes straight to the request core; odd, the rest is one whole RPC call record as
// a connection delivers it. Every request must get exactly one reply that is a
// result or an error, never both and never neither; the server state lives across
// inputs, so what one input creates the next may act on.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dispatch.h"
#include "rpc_server.h"
#include "state.h"

namespace {

kq::spool::Server &TheServer() {
  static kq::spool::Server *server = [] {
    kq::spool::Config c;
    c.server = "fuzz";
    c.printers = {{"lp1", "q1"}, {"lp2", ""}};
    c.listLimit = 3;
    return new kq::spool::Server(c);
  }();
  return *server;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  kq::spool::Server &server = TheServer();
  {
    // Keep the state small enough that listings stay cheap.
    std::lock_guard<std::mutex> lock(server.mu);
    if (server.jobs.size() > 200 || server.listings.size() > 200) {
      server.jobs.clear();
      server.listings.clear();
    }
  }
  if (data[0] % 2 == 0) {
    if (size < 5) return 0;
    int32_t op;
    memcpy(&op, data + 1, sizeof op);
    if (data[0] & 2) op = static_cast<int32_t>(static_cast<uint32_t>(op) % 30);  // mostly known
    kq::spool::Reply reply = kq::spool::Dispatch(server, op, data + 5, size - 5);
    if (reply.result.empty() == reply.error.empty()) abort();
    if (!reply.error.empty() && reply.errorType == 0) abort();
    return 0;
  }
  kq::spool::RpcOptions options;
  options.program = 0x4b510001;
  options.version = 1;
  std::string call(reinterpret_cast<const char *>(data + 1), size - 1), reply;
  if (kq::spool::ServeRecord(server, options, call, &reply) && reply.size() < 24) abort();
  return 0;
}
