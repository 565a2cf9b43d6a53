// Input from a connected socket handed to the world as a marked object.
#ifndef KQ_INFRA_BER_INC_PRIVATE_BER_SOCKET_H
#define KQ_INFRA_BER_INC_PRIVATE_BER_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "internal/ber_coder.h"

struct ber_marked {
  uint32_t magic;
  int kind;
  int fd;
};

namespace kq::ber {

constexpr uint32_t kMarkedMagic = 0x4d41524bu;

// Reads exactly one complete encoding from the socket into `out`; `timeoutMs` bounds
// each wait for input (0: no bound).
int ReadOneEncoding(int fd, long timeoutMs, std::vector<uint8_t> &out, Error &err);

}  // namespace kq::ber

#endif
