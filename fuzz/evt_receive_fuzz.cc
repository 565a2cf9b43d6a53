// libFuzzer harness: arbitrary bytes arriving on an event connection. Each input is
// written into a socket pair and read by the receiving queue's own decode step, which
// makes a message of it; every argument is then read back and the message freed.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "infra/evt.h"
#include "private/evt_queue.h"

namespace {

struct Receiver {
  EVT_queueId_t id = 0;
  kq::evt::Queue *queue = nullptr;
  Receiver() {
    uint16_t port;
    if (EVT_Init() || EVT_Open(nullptr, &port, &id)) abort();
    kq::evt::QueueRef ref;
    if (ref.Find(id)) abort();
    queue = ref.get();
  }
};

void ReadEveryArgument(EVT_queueId_t q, EVT_messageId_t m) {
  std::vector<char> buf(64);
  for (;;) {
    int32_t value, len = static_cast<int32_t>(buf.size());
    if (EVT_MessageIArgGet(q, m, &value) == EVT_OK) continue;
    int rc = EVT_MessageBArgGet(q, m, &len, buf.data());
    if (rc == EVT_E_BUFFER) buf.resize(static_cast<size_t>(len));
    if (rc == EVT_OK || rc == EVT_E_BUFFER) continue;
    rc = EVT_MessageArgGet(q, m, static_cast<int32_t>(buf.size()), buf.data());
    if (rc == EVT_E_BUFFER) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != EVT_OK) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Receiver r;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  int big = 1 << 20;
  setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
  size_t done = 0;
  while (done < size) {
    ssize_t n = send(fds[1], data + done, size - done, MSG_DONTWAIT);
    if (n <= 0) break;  // what does not fit is a truncated message
    done += static_cast<size_t>(n);
  }
  close(fds[1]);
  EVT_messageId_t m = 0;
  int rc = kq::evt::EVT__DecodeConnection(r.queue, fds[0], 1000, &m);
  if (rc == EVT_OK) {
    ReadEveryArgument(r.id, m);
    if (EVT_MessageFree(r.id, m) != EVT_OK) abort();
  } else if (rc != EVT_E_DECODE && rc != EVT_E_NOMEM) {
    abort();
  }
  return 0;
}
