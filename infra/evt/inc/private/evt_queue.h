// The facility's records: the ring of queues, each queue with its messages, and the
// operations shared by the family's sources.
#ifndef KQ_INFRA_EVT_INC_PRIVATE_EVT_QUEUE_H
#define KQ_INFRA_EVT_INC_PRIVATE_EVT_QUEUE_H

#include <netinet/in.h>
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "infra/evt.h"
#include "internal/ber_mod_evt.h"

namespace kq::evt {

// A message. In a sending queue `list` is built by the put operations (each node
// carries a copy of its data directly behind it); in a receiving queue it is the
// decoded PDU `pdu` points at, and `cursor` is the next argument to read.
struct Message {
  Message *next = nullptr, *prev = nullptr;
  EVT_messageId_t id = 0;
  EventMessage list = nullptr;
  EventMessage_node *last = nullptr;    // sending: where the next argument goes
  EventMessage_node *cursor = nullptr;  // receiving: the next argument to read
  void *pdu = nullptr;                  // receiving: the decoded PDU
};

struct Queue {
  Queue *next = nullptr, *prev = nullptr;  // the ring of open queues
  EVT_queueId_t id = 0;
  Message *first = nullptr, *lastMessage = nullptr;
  int socket = -1;                // listening socket of a receiving queue
  std::atomic<int> accepted{-1};  // the connection being read, -1 when none
  OssGlobal world{};
  long timeout = 0;  // send time-out in milliseconds, copied at creation
  int naddrs = 0;    // destinations of a sending queue; 0 for a receiving queue
  sockaddr_in *addrs = nullptr;
  uint16_t port = 0;
  EVT_callback_t callback = nullptr;
  pthread_t receiver{};
  bool haveReceiver = false;
  std::mutex mu;  // the queue's own data

  // Closing: EVT_Close sets `closing`, makes `wake` readable and shuts the accepted
  // connection down, so that whatever waits on the queue returns; `users` counts the
  // calls that found the queue in the ring and have not left it yet.
  std::atomic<bool> closing{false};
  int wake = -1;          // eventfd
  std::mutex acceptedMu;  // orders EVT_Close's shutdown against the reader's close
  int users = 0;          // guarded by the global mutex

  bool Sending() const { return naddrs > 0; }
};

// Finds an open queue and holds it against EVT_Close until released; locks it.
class QueueRef {
 public:
  QueueRef() = default;
  QueueRef(const QueueRef &) = delete;
  QueueRef &operator=(const QueueRef &) = delete;
  ~QueueRef();
  // EVT_OK, EVT_E_NOTINIT or EVT_E_NOQUEUE.
  int Find(EVT_queueId_t id);
  Queue *operator->() const { return q_; }
  Queue *get() const { return q_; }
  std::unique_lock<std::mutex> &lock() { return lock_; }

 private:
  Queue *q_ = nullptr;
  std::unique_lock<std::mutex> lock_;
};

// Global state (facility.cc).
extern long EVT__timeout;
EVT_messageId_t NextMessageId();

// Sockets (socket.cc).
int EVT__OpenSocket(Queue *q, bool sending, uint16_t wantedPort);
int EVT__SendTCP(Queue *q, Message *m);
int EVT__ReceiveTCP(Queue *q, std::unique_lock<std::mutex> &lock, long timeoutMs,
                    EVT_messageId_t *id);
// Decodes one message from a connected socket into a new message of `q` (closes fd).
int EVT__DecodeConnection(Queue *q, int fd, long timeoutMs, EVT_messageId_t *id);

// Messages (message.cc).
Message *FindMessage(Queue *q, EVT_messageId_t id);
void AppendMessage(Queue *q, Message *m);
void EVT__FlushMessage(Queue *q, Message *m);  // unlinks and frees
void *EVT__Dispatch(void *queue);
extern thread_local Queue *t_dispatching;  // the receiver thread's queue

}  // namespace kq::evt

#endif
