// Messages: building a message argument by argument, sending it, receiving one
// (waiting, or through the one-shot receiver thread), reading its arguments back and
// freeing it.
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "private/evt_queue.h"

namespace kq::evt {

Message *FindMessage(Queue *q, EVT_messageId_t id) {
  for (Message *m = q->first; m; m = m->next)
    if (m->id == id) return m;
  return nullptr;
}

void AppendMessage(Queue *q, Message *m) {
  m->prev = q->lastMessage;
  m->next = nullptr;
  if (q->lastMessage)
    q->lastMessage->next = m;
  else
    q->first = m;
  q->lastMessage = m;
}

void EVT__FlushMessage(Queue *q, Message *m) {
  if (m->prev)
    m->prev->next = m->next;
  else
    q->first = m->next;
  if (m->next)
    m->next->prev = m->prev;
  else
    q->lastMessage = m->prev;
  if (m->pdu) {
    ossFreePDU(&q->world, EventMessage_PDU, m->pdu);
  } else {
    for (EventMessage n = m->list; n;) {
      EventMessage next = n->next;
      std::free(n);
      n = next;
    }
  }
  delete m;
}

thread_local Queue *t_dispatching = nullptr;

void *EVT__Dispatch(void *queue) {
  Queue *q = static_cast<Queue *>(queue);
  t_dispatching = q;
  std::unique_lock<std::mutex> lock(q->mu);
  EVT_messageId_t id = 0;
  int rc = EVT__ReceiveTCP(q, lock, 0, &id);
  if (rc == EVT_OK) {
    EVT_callback_t callback = q->callback;
    EVT_queueId_t queueId = q->id;
    lock.unlock();
    callback(queueId, id);
    lock.lock();
  }
  q->callback = nullptr;
  return nullptr;
}

namespace {

// Finds the queue and the message; checks the queue's direction when one is asked.
struct Target {
  QueueRef queue;
  Message *message = nullptr;
  enum Direction { kAny, kSending, kReceiving };
  int Find(EVT_queueId_t qid, EVT_messageId_t mid, Direction want) {
    if (int rc = queue.Find(qid)) return rc;
    if ((want == kSending && !queue->Sending()) || (want == kReceiving && queue->Sending()))
      return EVT_E_DIRECTION;
    message = FindMessage(queue.get(), mid);
    return message ? EVT_OK : EVT_E_NOMESSAGE;
  }
};

// Appends an argument node with `extra` bytes of data directly behind it.
int Put(EVT_queueId_t qid, EVT_messageId_t mid, uint16_t choice, int32_t integer, const void *data,
        size_t extra) {
  Target t;
  if (int rc = t.Find(qid, mid, Target::kSending)) return rc;
  auto *node = static_cast<EventMessage_node *>(std::malloc(sizeof(EventMessage_node) + extra));
  if (!node) return EVT_E_NOMEM;
  node->next = nullptr;
  node->value.choice = choice;
  unsigned char *copy = reinterpret_cast<unsigned char *>(node + 1);
  if (extra) std::memcpy(copy, data, extra);
  if (choice == EventArgument_integer_chosen)
    node->value.u.integer = integer;
  else if (choice == EventArgument_string_chosen)
    node->value.u.string = reinterpret_cast<char *>(copy);
  else
    node->value.u.octets = ber_octets{static_cast<int32_t>(extra), copy};
  Message *m = t.message;
  if (m->last)
    m->last->next = node;
  else
    m->list = node;
  m->last = node;
  return EVT_OK;
}

// The next argument of a received message, which must be of type `choice`.
int Next(Target &t, EVT_queueId_t qid, EVT_messageId_t mid, uint16_t choice, EventArgument **arg) {
  if (int rc = t.Find(qid, mid, Target::kReceiving)) return rc;
  if (!t.message->cursor) return EVT_E_NOARG;
  if (t.message->cursor->value.choice != choice) return EVT_E_ARGTYPE;
  *arg = &t.message->cursor->value;
  return EVT_OK;
}

}  // namespace

}  // namespace kq::evt

using namespace kq::evt;

extern "C" {

int EVT_MessageCreate(EVT_queueId_t queueId, EVT_messageId_t *messageId) {
  if (!messageId) return EVT_E_INVALID;
  QueueRef q;
  if (int rc = q.Find(queueId)) return rc;
  if (!q->Sending()) return EVT_E_DIRECTION;
  Message *m = new (std::nothrow) Message;
  if (!m) return EVT_E_NOMEM;
  m->id = NextMessageId();
  AppendMessage(q.get(), m);
  *messageId = m->id;
  return EVT_OK;
}

int EVT_MessageIArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t value) {
  return Put(queueId, messageId, EventArgument_integer_chosen, value, nullptr, 0);
}

int EVT_MessageArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId, const char *string) {
  if (!string) return EVT_E_INVALID;
  size_t len = std::strlen(string) + 1;
  if (len > INT32_MAX) return EVT_E_INVALID;
  return Put(queueId, messageId, EventArgument_string_chosen, 0, string, len);
}

int EVT_MessageBArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t length,
                       const void *bytes) {
  if (length < 1 || !bytes) return EVT_E_INVALID;
  return Put(queueId, messageId, EventArgument_octets_chosen, 0, bytes,
             static_cast<size_t>(length));
}

int EVT_MessageSend(EVT_queueId_t queueId, EVT_messageId_t messageId) {
  Target t;
  if (int rc = t.Find(queueId, messageId, Target::kSending)) return rc;
  if (!t.message->list) return EVT_E_NOARG;
  return EVT__SendTCP(t.queue.get(), t.message);
}

int EVT_MessageReceive(EVT_queueId_t queueId, int32_t timeout, EVT_callback_t callback,
                       EVT_messageId_t *messageId) {
  if (messageId) *messageId = 0;
  if (timeout < -1 || (timeout == -1 && !callback) || (timeout >= 0 && !messageId))
    return EVT_E_INVALID;
  QueueRef q;
  if (int rc = q.Find(queueId)) return rc;
  if (q->Sending()) return EVT_E_DIRECTION;
  if (timeout >= 0) return EVT__ReceiveTCP(q.get(), q.lock(), timeout, messageId);
  if (q->callback) return EVT_E_BUSY;
  // The previous one-shot receiver has delivered (or failed) and is ending.
  if (q->haveReceiver) pthread_join(q->receiver, nullptr);
  q->haveReceiver = false;
  q->callback = callback;
  if (pthread_create(&q->receiver, nullptr, EVT__Dispatch, q.get()) != 0) {
    q->callback = nullptr;
    return EVT_E_LOCK;
  }
  q->haveReceiver = true;
  return EVT_OK;
}

int EVT_MessageIArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t *value) {
  if (!value) return EVT_E_INVALID;
  Target t;
  EventArgument *arg;
  if (int rc = Next(t, queueId, messageId, EventArgument_integer_chosen, &arg)) return rc;
  *value = arg->u.integer;
  t.message->cursor = t.message->cursor->next;
  return EVT_OK;
}

int EVT_MessageArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t bufferSize,
                      char *buffer) {
  if (!buffer || bufferSize < 0) return EVT_E_INVALID;
  Target t;
  EventArgument *arg;
  if (int rc = Next(t, queueId, messageId, EventArgument_string_chosen, &arg)) return rc;
  const char *s = arg->u.string ? arg->u.string : "";
  size_t len = std::strlen(s) + 1;
  if (len > static_cast<size_t>(bufferSize)) return EVT_E_BUFFER;
  std::memcpy(buffer, s, len);
  t.message->cursor = t.message->cursor->next;
  return EVT_OK;
}

int EVT_MessageBArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t *length,
                       void *buffer) {
  if (!length) return EVT_E_INVALID;
  if (!buffer || *length < 0) {
    *length = 0;
    return EVT_E_INVALID;
  }
  Target t;
  EventArgument *arg;
  if (int rc = Next(t, queueId, messageId, EventArgument_octets_chosen, &arg)) {
    *length = 0;
    return rc;
  }
  if (arg->u.octets.length > *length) {
    *length = arg->u.octets.length;
    return EVT_E_BUFFER;
  }
  if (arg->u.octets.length > 0) std::memcpy(buffer, arg->u.octets.value, arg->u.octets.length);
  *length = arg->u.octets.length;
  t.message->cursor = t.message->cursor->next;
  return EVT_OK;
}

int EVT_MessageFree(EVT_queueId_t queueId, EVT_messageId_t messageId) {
  Target t;
  if (int rc = t.Find(queueId, messageId, Target::kAny)) return rc;
  EVT__FlushMessage(t.queue.get(), t.message);
  return EVT_OK;
}

}  // extern "C"
