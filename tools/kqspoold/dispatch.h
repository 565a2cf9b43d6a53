// kqspoold's request core: one request packet (operation number and the BER
// encoding of its argument record) in, one reply (error type, result packet, error
// packet) out. Every input gets a reply: a packet that does not decode, an operation
// number the server does not know and an operation it does not do are answered with
// a service error.
#ifndef KQ_TOOLS_KQSPOOLD_DISPATCH_H
#define KQ_TOOLS_KQSPOOLD_DISPATCH_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "state.h"

namespace kq::spool {

inline constexpr int32_t kOperations = 29;  // operation numbers 0 to 28

struct Reply {
  int32_t errorType = 0;  // 0: no error packet
  std::string result, error;
};

// The argument and result record numbers of an operation (0 for none).
int ArgumentRecord(int32_t op);
int ResultRecord(int32_t op);

Reply Dispatch(Server &server, int32_t op, const void *packet, size_t length);

}  // namespace kq::spool

#endif
