// Reading one encoding from a connected socket: read until the bytes so far hold a
// complete value, never beyond it, so whatever follows stays in the socket.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "private/ber_socket.h"
#include "private/ber_tlv.h"

namespace kq::ber {

static int WaitReadable(int fd, long timeoutMs, Error &err) {
  struct pollfd p = {fd, POLLIN, 0};
  for (;;) {
    int n = poll(&p, 1, timeoutMs > 0 ? static_cast<int>(timeoutMs) : -1);
    if (n > 0) return 0;
    if (n == 0) return err.Set(BER_E_TIMEOUT, "no input within %ld ms", timeoutMs);
    if (errno != EINTR) return err.Set(BER_E_IO, "poll: %s", strerror(errno));
  }
}

int ReadOneEncoding(int fd, long timeoutMs, std::vector<uint8_t> &out, Error &err) {
  out.clear();
  size_t want = 2;  // the shortest header
  for (;;) {
    while (out.size() < want) {
      if (int rc = WaitReadable(fd, timeoutMs, err)) return rc;
      size_t old = out.size();
      out.resize(want);
      ssize_t n = read(fd, out.data() + old, want - old);
      if (n < 0 && errno == EINTR) {
        out.resize(old);
        continue;
      }
      if (n <= 0) {
        out.resize(old);
        return n == 0 ? err.Set(BER_E_IO, "connection closed after %zu bytes", old)
                      : err.Set(BER_E_IO, "read: %s", strerror(errno));
      }
      out.resize(old + static_cast<size_t>(n));
    }
    long total = TlvLength(out.data(), out.size());
    if (total < 0) return err.Set(BER_E_DATA, "malformed encoding on the connection");
    if (total > 0) {
      out.resize(static_cast<size_t>(total));
      return 0;
    }
    // Not complete yet: a definite outer length tells how much is missing, otherwise
    // read one more byte and look again.
    want = out.size() + 1;
    Reader r{out.data(), out.data() + out.size(), false};
    Header h;
    size_t hlen = 0;
    if (PeekHeader(r, h, &hlen) == kHeaderShort && hlen && !h.indef) {
      if (h.len > BER_MAX_SOCKET_INPUT)
        want = SIZE_MAX;
      else
        want = hlen + h.len;
    }
    if (want > BER_MAX_SOCKET_INPUT)
      return err.Set(BER_E_LIMIT, "encoding on the connection larger than %u bytes",
                     BER_MAX_SOCKET_INPUT);
  }
}

}  // namespace kq::ber
