// The wire: a sending socket per message, the listening socket of a receiving queue,
// and one message read from one accepted connection.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <new>

#include "private/evt_queue.h"

namespace kq::evt {

namespace {

constexpr int kBufferSize = 8192;
constexpr int kBacklog = 5;

int PollOne(int fd, short events, long timeoutMs, short *revents) {
  struct pollfd p = {fd, events, 0};
  int n;
  do n = poll(&p, 1, timeoutMs > 0 ? static_cast<int>(timeoutMs) : -1);
  while (n < 0 && errno == EINTR);
  *revents = p.revents;
  return n;
}

// Connects `fd` to one destination, waiting at most the queue's time-out for the
// connection to become writable.
// `waited` tells whether the failure came while waiting.
int ConnectOne(Queue *q, int fd, const sockaddr_in &to, bool *waited) {
  *waited = false;
  if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
    if (errno == ETIMEDOUT) return EVT_E_TIMEOUT;
    if (errno != EINPROGRESS) return EVT_E_NETWORK;
  }
  *waited = true;
  short rev = 0;
  int n = PollOne(fd, POLLOUT, q->timeout, &rev);
  if (n < 0) return EVT_E_NETWORK;
  if (n == 0) return EVT_E_TIMEOUT;
  // A refused or reset connection reports error or hang-up along with writable.
  return rev == POLLOUT ? EVT_OK : EVT_E_NETWORK;
}

// The socket stays non-blocking after the connect: a full send buffer is waited out
// with poll instead of switching the socket back.
int WriteAll(int fd, const unsigned char *p, size_t len) {
  while (len > 0) {
    size_t piece = len < static_cast<size_t>(kBufferSize) ? len : kBufferSize;
    ssize_t n = send(fd, p, piece, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      short rev = 0;
      if (PollOne(fd, POLLOUT, 0, &rev) <= 0 || !(rev & POLLOUT)) return EVT_E_NETWORK;
      continue;
    }
    if (n <= 0) return EVT_E_NETWORK;
    p += n;
    len -= static_cast<size_t>(n);
  }
  return EVT_OK;
}

}  // namespace

int EVT__OpenSocket(Queue *q, bool sending, uint16_t wantedPort) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (sending ? SOCK_NONBLOCK : 0), 0);
  if (fd < 0) return EVT_E_NETWORK;
  int size = kBufferSize, on = 1;
  if (sending) {
    struct linger lg = {1, 1};
    if (setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
      close(fd);
      return EVT_E_NETWORK;
    }
    q->socket = fd;
    return EVT_OK;
  }
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0 ||
      (wantedPort && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)) {
    close(fd);
    return EVT_E_NETWORK;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(wantedPort);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    int rc = errno == EADDRINUSE ? EVT_E_BUSY : EVT_E_NETWORK;
    close(fd);
    return rc;
  }
  socklen_t len = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0 ||
      (wantedPort && ntohs(addr.sin_port) != wantedPort) || listen(fd, kBacklog) != 0 ||
      fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
    close(fd);
    return EVT_E_NETWORK;
  }
  q->socket = fd;
  q->port = ntohs(addr.sin_port);
  return EVT_OK;
}

// Under the queue mutex. Returns with the socket closed; on a failure while waiting
// for the connection the message is freed as well.
int EVT__SendTCP(Queue *q, Message *m) {
  int rc = EVT_E_NETWORK;
  bool waitFailed = false;
  for (int i = 0; i < q->naddrs; i++) {
    if (EVT__OpenSocket(q, true, 0) != EVT_OK) return EVT_E_NETWORK;
    int fd = q->socket;
    rc = ConnectOne(q, fd, q->addrs[i], &waitFailed);
    if (rc == EVT_OK) break;
    close(fd);
    q->socket = -1;
  }
  if (rc != EVT_OK) {
    if (waitFailed) EVT__FlushMessage(q, m);
    return rc;
  }
  int fd = q->socket;
  q->socket = -1;
  OssBuf buf{0, nullptr};
  if (ossEncode(&q->world, EventMessage_PDU, &m->list, &buf) != 0) {
    close(fd);
    return EVT_E_ENCODE;
  }
  rc = WriteAll(fd, buf.value, static_cast<size_t>(buf.length));
  std::free(buf.value);
  close(fd);
  return rc;
}

int EVT__DecodeConnection(Queue *q, int fd, long timeoutMs, EVT_messageId_t *id) {
  int rc = EVT_OK;
  void *pdu = nullptr;
  int number = EventMessage_PDU;
  void *mark = ossMarkObj(&q->world, OSS_SOCKET, fd);
  if (!mark) {
    rc = EVT_E_DECODE;
  } else {
    ossSetTimeout(&q->world, timeoutMs > 0 ? timeoutMs : 0);
    OssBuf in{0, static_cast<unsigned char *>(mark)};
    if (ossDecode(&q->world, &number, &in, &pdu) != 0) {
      ossUnmarkObj(&q->world, mark);
      rc = EVT_E_DECODE;
    }
  }
  {
    std::lock_guard<std::mutex> g(q->acceptedMu);
    q->accepted = -1;
    close(fd);
  }
  if (rc) return rc;
  if (number != EventMessage_PDU) {
    ossFreePDU(&q->world, number, pdu);
    return EVT_E_DECODE;
  }
  Message *m = new (std::nothrow) Message;
  if (!m) {
    ossFreePDU(&q->world, number, pdu);
    return EVT_E_NOMEM;
  }
  m->id = NextMessageId();
  m->pdu = pdu;
  m->list = *static_cast<EventMessage *>(pdu);
  m->cursor = m->list;
  AppendMessage(q, m);
  *id = m->id;
  return EVT_OK;
}

// Entered and left with the queue mutex held; releases it while waiting for a
// connection. EVT_E_NOQUEUE when EVT_Close woke the wait.
int EVT__ReceiveTCP(Queue *q, std::unique_lock<std::mutex> &lock, long timeoutMs,
                    EVT_messageId_t *id) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int conn = -1;
  lock.unlock();
  for (;;) {
    long left = -1;
    if (timeoutMs > 0) {
      left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        lock.lock();
        return EVT_E_TIMEOUT;
      }
    }
    struct pollfd p[2] = {{q->socket, POLLIN, 0}, {q->wake, POLLIN, 0}};
    int n = poll(p, 2, timeoutMs > 0 ? static_cast<int>(left) : -1);
    if (n < 0 && errno == EINTR) continue;
    if (q->closing) {
      lock.lock();
      return EVT_E_NOQUEUE;
    }
    if (n < 0 || n == 0) {
      lock.lock();
      return n < 0 ? EVT_E_NETWORK : EVT_E_TIMEOUT;
    }
    if (p[0].revents != POLLIN) {
      lock.lock();
      return EVT_E_POLL;
    }
    lock.lock();
    conn = accept4(q->socket, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn >= 0) break;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
      return EVT_E_NETWORK;
    lock.unlock();  // another waiter took the connection: wait again
  }
  {
    std::lock_guard<std::mutex> g(q->acceptedMu);
    if (q->closing) {
      close(conn);
      return EVT_E_NOQUEUE;
    }
    q->accepted = conn;
  }
  int size = kBufferSize;
  short rev = 0;
  int rc = EVT_OK;
  if (setsockopt(conn, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) {
    rc = EVT_E_NETWORK;
  } else {
    int n = PollOne(conn, POLLIN, timeoutMs, &rev);
    if (n < 0)
      rc = EVT_E_NETWORK;
    else if (n == 0)
      rc = EVT_E_TIMEOUT;
    else if (!(rev & POLLIN))
      rc = EVT_E_NETWORK;
  }
  if (rc) {
    std::lock_guard<std::mutex> g(q->acceptedMu);
    q->accepted = -1;
    close(conn);
    return q->closing ? EVT_E_NOQUEUE : rc;
  }
  rc = EVT__DecodeConnection(q, conn, timeoutMs, id);
  return rc && q->closing ? EVT_E_NOQUEUE : rc;
}

}  // namespace kq::evt
