/* Event messaging: small notification messages between processes over TCP.
 *
 * A sending queue names a destination ("host:port") and sends messages to it; a
 * receiving queue listens on a TCP port and receives them, either by waiting in the
 * caller's thread or through a one-shot receiver thread that calls a function of the
 * caller. A message is a list of typed arguments (integers, strings, byte strings),
 * sent as one BER encoding over a connection opened for that one message.
 *
 * Every operation returns one of the EVT_ result codes below (0 is success); none of
 * them uses status lists. Any thread may use the facility after EVT_Init. */
#ifndef KQ_INFRA_EVT_H
#define KQ_INFRA_EVT_H

#include <stdint.h>

#include "genu_value.h"
#include "kqexport.h"

KQ_BEGIN_DECLS

/* Result codes. */
#define EVT_OK 0
#define EVT_E_POLL (-1)   /* the listening socket reported an error while waiting */
#define EVT_E_NOQUEUE 1   /* no queue with this id (also: the queue was closed while waiting) */
#define EVT_E_NOTINIT 2   /* EVT_Init was not called */
#define EVT_E_LOCK 3      /* a lock could not be taken or the receiver thread not created */
#define EVT_E_NOMEM 4     /* not enough memory */
#define EVT_E_NOMESSAGE 5 /* no message with this id in the queue */
#define EVT_E_BUFFER 7    /* the caller's buffer is too small for the argument */
#define EVT_E_TIMEOUT 11  /* time-out */
#define EVT_E_INVALID 12  /* invalid argument */
#define EVT_E_ENCODE 13   /* the message could not be encoded */
#define EVT_E_DECODE 14   /* a received message could not be decoded, or another PDU */
#define EVT_E_CODER 15    /* the coding world could not be set up */
#define EVT_E_NETWORK 16  /* socket or network failure */
#define EVT_E_NOARG 17    /* the message has no (more) arguments */
#define EVT_E_ARGTYPE 18  /* the next argument has another type */
#define EVT_E_BUSY                                                                         \
  19                       /* queues still open, port in use, receiver already registered, \
                            or EVT_Close of a queue from its own receiver callback */
#define EVT_E_DIRECTION 20 /* the operation does not fit the queue's direction */

/* The notification port when the services database has no "qvk-ntfy" entry. */
#define EVT_DEFAULT_PORT 3009

/* Identifiers handed out by EVT_Open and EVT_MessageCreate/EVT_MessageReceive; 0 is
 * never a valid id. Ids are not reused within a process. */
typedef uint32_t EVT_queueId_t;
typedef uint32_t EVT_messageId_t;

/* Called by the receiver thread with the queue and the message it received. */
typedef void (*EVT_callback_t)(EVT_queueId_t queueId, EVT_messageId_t messageId);

/* Counted: every EVT_Init needs one EVT_Term. The first reads EVT_TIMEOUT (decimal
 * milliseconds a send waits for its connection, 0 without limit; 60 when unset). */
KQ_EXPORT int EVT_Init(void);
/* EVT_E_BUSY while any queue is open. */
KQ_EXPORT int EVT_Term(void);

/* With an address (choice GEN_TEXT_OTHER, bytes "host:port", no NUL needed) opens a
 * sending queue to every address of the host; without one opens a receiving queue on
 * a free port and stores the port through `port`. */
KQ_EXPORT int EVT_Open(const GEN_Text_t *address, uint16_t *port, EVT_queueId_t *queueId);
/* The port of service "qvk-ntfy"/tcp, or EVT_DEFAULT_PORT. */
KQ_EXPORT int EVT_GetRegisteredPort(uint16_t *port);
/* A receiving queue on the registered port; EVT_E_BUSY when the port is in use. */
KQ_EXPORT int EVT_OpenRegisteredPort(uint16_t *port, EVT_queueId_t *queueId);
/* Stops a registered receiver (and wakes threads waiting on the queue, which then get
 * EVT_E_NOQUEUE), frees every message and closes the queue. */
KQ_EXPORT int EVT_Close(EVT_queueId_t queueId);

/* Sending queues: build a message argument by argument, then send it. The message
 * stays in the queue after sending (free it with EVT_MessageFree) unless the send
 * failed while waiting for its connection. */
KQ_EXPORT int EVT_MessageCreate(EVT_queueId_t queueId, EVT_messageId_t *messageId);
KQ_EXPORT int EVT_MessageIArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t value);
KQ_EXPORT int EVT_MessageArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId,
                                const char *string);
KQ_EXPORT int EVT_MessageBArgPut(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t length,
                                 const void *bytes);
KQ_EXPORT int EVT_MessageSend(EVT_queueId_t queueId, EVT_messageId_t messageId);

/* Receiving queues. timeout -1: registers `callback` and starts the one-shot receiver
 * thread, returns at once (EVT_E_BUSY when one is registered). timeout >= 0: waits in
 * this thread for one message (0 without limit, else milliseconds) and stores its id
 * (0 on failure). */
KQ_EXPORT int EVT_MessageReceive(EVT_queueId_t queueId, int32_t timeout, EVT_callback_t callback,
                                 EVT_messageId_t *messageId);
/* Read the next argument of a received message; it must have the expected type. A
 * string needs bufferSize >= its length with the NUL. The byte form takes the buffer
 * size in *length and returns the length there; on EVT_E_BUFFER it returns the length
 * needed, on every other failure 0. A failed read does not move to the next argument. */
KQ_EXPORT int EVT_MessageIArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t *value);
KQ_EXPORT int EVT_MessageArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId,
                                int32_t bufferSize, char *buffer);
KQ_EXPORT int EVT_MessageBArgGet(EVT_queueId_t queueId, EVT_messageId_t messageId, int32_t *length,
                                 void *buffer);

/* Removes and frees one message of either kind of queue. */
KQ_EXPORT int EVT_MessageFree(EVT_queueId_t queueId, EVT_messageId_t messageId);

KQ_END_DECLS

#endif
