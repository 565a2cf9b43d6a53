// The facility's global state and the queue lifecycle: EVT_Init/EVT_Term, opening a
// queue (sending or receiving), the registered port, and EVT_Close.
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "internal/evt_port.h"
#include "private/evt_queue.h"

namespace kq::evt {

long EVT__timeout = 60;

namespace {

std::mutex g_mu;  // the ring, the initialisation count and every queue's `users`
std::condition_variable g_released;
int g_initCount = 0;
Queue *g_ring = nullptr;
EVT_queueId_t g_nextQueueId = 1;
std::atomic<EVT_messageId_t> g_nextMessageId{1};

void Link(Queue *q) {
  if (!g_ring) {
    q->next = q->prev = q;
    g_ring = q;
    return;
  }
  q->next = g_ring;
  q->prev = g_ring->prev;
  g_ring->prev->next = q;
  g_ring->prev = q;
}

void Unlink(Queue *q) {
  if (q->next == q)
    g_ring = nullptr;
  else {
    q->prev->next = q->next;
    q->next->prev = q->prev;
    if (g_ring == q) g_ring = q->next;
  }
  q->next = q->prev = nullptr;
}

Queue *FindLocked(EVT_queueId_t id) {
  if (!g_ring) return nullptr;
  Queue *q = g_ring;
  do {
    if (q->id == id) return q;
    q = q->next;
  } while (q != g_ring);
  return nullptr;
}

void Destroy(Queue *q) {
  if (q->socket >= 0) close(q->socket);
  if (q->wake >= 0) close(q->wake);
  if (q->world.module) ossterm(&q->world);
  std::free(q->addrs);
  delete q;
}

// A new queue with its coding world, not yet in the ring.
int NewQueue(Queue **out) {
  Queue *q = new (std::nothrow) Queue;
  if (!q) return EVT_E_NOMEM;
  if (ossinit(&q->world, &::evt) != 0 || ossSetEncodingFlags(&q->world, BER_FLAG_DEFINITE) != 0) {
    Destroy(q);
    return EVT_E_CODER;
  }
  q->timeout = EVT__timeout;
  *out = q;
  return EVT_OK;
}

int Publish(Queue *q, EVT_queueId_t *queueId) {
  std::lock_guard<std::mutex> g(g_mu);
  if (g_initCount == 0) return EVT_E_NOTINIT;
  q->id = g_nextQueueId++;
  if (g_nextQueueId == 0) g_nextQueueId = 1;
  Link(q);
  *queueId = q->id;
  return EVT_OK;
}

// "host:port": the host part by name (every address, in order) or dotted numeric.
int ResolveDestination(const GEN_Text_t *address, Queue *q) {
  if (address->choice != GEN_TEXT_OTHER || address->u.octets.length <= 0 ||
      !address->u.octets.value)
    return EVT_E_INVALID;
  std::string text(reinterpret_cast<const char *>(address->u.octets.value),
                   static_cast<size_t>(address->u.octets.length));
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return EVT_E_INVALID;
  std::string host = text.substr(0, colon), portText = text.substr(colon + 1);
  if (host.find('\0') != std::string::npos || portText.size() > 5) return EVT_E_INVALID;
  unsigned long port = 0;
  for (char c : portText) {
    if (c < '0' || c > '9') return EVT_E_INVALID;
    port = port * 10 + static_cast<unsigned long>(c - '0');
  }
  if (port > 65535) return EVT_E_INVALID;

  std::vector<in_addr> found;
  struct hostent he, *res = nullptr;
  std::vector<char> buf(1024);
  int herr = 0, rc;
  while ((rc = gethostbyname_r(host.c_str(), &he, buf.data(), buf.size(), &res, &herr)) == ERANGE &&
         buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  if (rc == 0 && res && res->h_addrtype == AF_INET && res->h_length == 4) {
    for (char **a = res->h_addr_list; *a; a++) {
      in_addr ia;
      std::memcpy(&ia, *a, sizeof ia);
      found.push_back(ia);
    }
  }
  if (found.empty()) {
    in_addr_t numeric = inet_addr(host.c_str());
    if (numeric == INADDR_NONE) return EVT_E_INVALID;
    found.push_back(in_addr{numeric});
  }
  q->addrs = static_cast<sockaddr_in *>(std::calloc(found.size(), sizeof(sockaddr_in)));
  if (!q->addrs) return EVT_E_NOMEM;
  for (size_t i = 0; i < found.size(); i++) {
    q->addrs[i].sin_family = AF_INET;
    q->addrs[i].sin_port = htons(static_cast<uint16_t>(port));
    q->addrs[i].sin_addr = found[i];
  }
  q->naddrs = static_cast<int>(found.size());
  return EVT_OK;
}

int OpenReceiving(uint16_t wantedPort, uint16_t *port, EVT_queueId_t *queueId) {
  Queue *q = nullptr;
  int rc = NewQueue(&q);
  if (rc) return rc;
  q->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (q->wake < 0)
    rc = EVT_E_NETWORK;
  else
    rc = EVT__OpenSocket(q, false, wantedPort);
  if (rc == EVT_OK) rc = Publish(q, queueId);
  if (rc) {
    Destroy(q);
    return rc;
  }
  if (port) *port = q->port;
  return EVT_OK;
}

}  // namespace

EVT_messageId_t NextMessageId() {
  EVT_messageId_t id = g_nextMessageId.fetch_add(1);
  return id ? id : g_nextMessageId.fetch_add(1);
}

int QueueRef::Find(EVT_queueId_t id) {
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_initCount == 0) return EVT_E_NOTINIT;
    Queue *q = FindLocked(id);
    if (!q) return EVT_E_NOQUEUE;
    q->users++;
    q_ = q;
  }
  lock_ = std::unique_lock<std::mutex>(q_->mu);
  return q_->closing ? EVT_E_NOQUEUE : EVT_OK;
}

QueueRef::~QueueRef() {
  if (!q_) return;
  if (lock_.owns_lock()) lock_.unlock();
  std::lock_guard<std::mutex> g(g_mu);
  if (--q_->users == 0 && q_->closing) g_released.notify_all();
}

}  // namespace kq::evt

using namespace kq::evt;

extern "C" {

int EVT_Init(void) {
  std::lock_guard<std::mutex> g(g_mu);
  if (g_initCount == 0) {
    g_ring = nullptr;
    const char *env = std::getenv("EVT_TIMEOUT");
    EVT__timeout = env && *env ? std::strtol(env, nullptr, 10) : 60;
    if (EVT__timeout < 0) EVT__timeout = 60;
  }
  g_initCount++;
  return EVT_OK;
}

int EVT_Term(void) {
  std::lock_guard<std::mutex> g(g_mu);
  if (g_initCount == 0) return EVT_E_NOTINIT;
  if (g_ring) return EVT_E_BUSY;
  g_initCount--;
  return EVT_OK;
}

int EVT_Open(const GEN_Text_t *address, uint16_t *port, EVT_queueId_t *queueId) {
  if ((!address && !port) || !queueId) return EVT_E_INVALID;
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_initCount == 0) return EVT_E_NOTINIT;
  }
  if (!address) return OpenReceiving(0, port, queueId);
  Queue *q = nullptr;
  int rc = NewQueue(&q);
  if (rc) return rc;
  rc = ResolveDestination(address, q);
  if (rc == EVT_OK) rc = Publish(q, queueId);
  if (rc) Destroy(q);
  return rc;
}

int EVT_GetRegisteredPort(uint16_t *port) {
  if (!port) return EVT_E_INVALID;
  struct servent se, *res = nullptr;
  char buf[1024];
  if (getservbyname_r("qvk-ntfy", "tcp", &se, buf, sizeof buf, &res) == 0 && res)
    *port = ntohs(static_cast<uint16_t>(res->s_port));
  else
    *port = EVT_DEFAULT_PORT;
  return EVT_OK;
}

int EVT_OpenRegisteredPort(uint16_t *port, EVT_queueId_t *queueId) {
  if (!queueId) return EVT_E_INVALID;
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_initCount == 0) return EVT_E_NOTINIT;
  }
  uint16_t wanted;
  EVT_GetRegisteredPort(&wanted);
  return OpenReceiving(wanted, port, queueId);
}

int EVT__OpenPort(uint16_t port, uint16_t *bound, EVT_queueId_t *queueId) {
  if (!queueId) return EVT_E_INVALID;
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_initCount == 0) return EVT_E_NOTINIT;
  }
  return OpenReceiving(port, bound, queueId);
}

int EVT_Close(EVT_queueId_t queueId) {
  Queue *q;
  {
    std::lock_guard<std::mutex> g(g_mu);
    if (g_initCount == 0) return EVT_E_NOTINIT;
    q = FindLocked(queueId);
    if (!q) return EVT_E_NOQUEUE;
    // The receiver's callback cannot close its own queue: Close waits for it to end.
    if (q == t_dispatching) return EVT_E_BUSY;
    Unlink(q);
    q->closing = true;
  }
  // Wake whatever waits on the queue: the listening wait sees `wake`, a read in
  // progress sees its connection shut down. The receiver is stopped this way rather
  // than by asynchronous cancellation, so it never dies inside the heap or a lock.
  if (q->wake >= 0) {
    uint64_t one = 1;
    (void)!write(q->wake, &one, sizeof one);
  }
  {
    std::lock_guard<std::mutex> g(q->acceptedMu);
    int fd = q->accepted.load();
    if (fd >= 0) shutdown(fd, SHUT_RDWR);
  }
  pthread_t receiver{};
  bool join = false;
  {
    std::lock_guard<std::mutex> g(q->mu);
    join = q->haveReceiver;
    receiver = q->receiver;
    q->haveReceiver = false;
  }
  if (join) pthread_join(receiver, nullptr);
  {
    std::unique_lock<std::mutex> g(g_mu);
    g_released.wait(g, [q] { return q->users == 0; });
  }
  while (q->first) EVT__FlushMessage(q, q->first);
  Destroy(q);
  return EVT_OK;
}

}  // extern "C"
