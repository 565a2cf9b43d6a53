/* Document transfer: receiving documents into spool files (by socket, included
 * content, file reference or anonymous FTP), sending them by socket, buffer-wise
 * transfers and version access for document preprocessors. Every operation returns 0
 * or one of the FT_ST_ status codes below (no status list). The operations keep no
 * shared state: they may run in any number of threads at once. */
#ifndef KQ_INFRA_FT_H
#define KQ_INFRA_FT_H

#include <stdint.h>

#include "kqexport.h"
#include "thr.h"

KQ_BEGIN_DECLS

#define FT_ST_TRANSFER_FAILED 0xc0050067u /* data not transferred; file never appeared */
#define FT_ST_NO_MEMORY 0xc005006au       /* not enough memory */
/* The document id is missing, or its job identifier cannot name a spool file: empty,
 * containing "/" or "..", or longer than FT_MAX_JOB_ID. Nothing is created. */
#define FT_ST_NO_DOC_ID 0xc005006du
#define FT_ST_BAD_CONTENT_KIND 0xc005006eu /* included content of a kind other than 1, 2 */
#define FT_ST_NO_CONTENT 0xc0050070u       /* no content to transfer */
#define FT_ST_FAILED 0xc0050071u           /* any other failure; the service log says which */

/* Transfer methods: the short OIDs of the values of id-att-transfer-method. */
#define FT_METHOD_WITH_REQUEST 446
#define FT_METHOD_SOCKET 447
#define FT_METHOD_TRANSFER_AGENT 448 /* not supported */
#define FT_METHOD_FILE_REFERENCE 449
#define FT_METHOD_ANONYMOUS_FTP 450

/* Longest job identifier a spool name is built from. */
#define FT_MAX_JOB_ID 128

/* Version kinds of a spooled document and their name endings. */
#define FT_VERSION_ORIG 1 /* ".orig": as received */
#define FT_VERSION_CURR 2 /* ".curr": being written */
#define FT_VERSION_PREV 3 /* ".prev": the latest complete result */
#define FT_VERSION_NONE 4 /* no ending */

/* Directions of a buffer-wise transfer. */
#define FT_DIRECTION_SEND 1
#define FT_DIRECTION_RECEIVE 2

#define FT_ADDRESS_SOCKET 1 /* kind of a transfer address */

typedef struct {
  const char *jobId; /* job identifier */
  int32_t docNum;    /* document number */
} FT_docId_t;

/* Where a socket sender connects: published to the peer through the request. */
typedef struct {
  int32_t kind;       /* FT_ADDRESS_SOCKET, 0 when empty */
  uint16_t port;      /* host byte order */
  int32_t addrLength; /* 4 */
  uint8_t addr[16];   /* IPv4 address bytes, network order */
} FT_transferAddress_t;

/* A counted text (not NUL-terminated). */
typedef struct {
  int32_t length;
  const char *bytes;
} FT_countedText_t;

/* A file reference (path) or an anonymous-FTP reference (host and path). */
typedef struct {
  FT_countedText_t host;
  FT_countedText_t path;
} FT_transferRef_t;

/* Content included in the request; kinds 1 and 2 are both written as they are. */
typedef struct {
  int32_t kind;
  int32_t length;
  const void *bytes;
} FT_includedDoc_t;

/* The outcome of a receive. fileName is malloc'ed and owned by the caller (free()).
 * For the socket method, address is what the sender must be told and listenSocket the
 * socket FT_SocketServer accepts on (-1 otherwise). */
typedef struct {
  int64_t fileSize;
  char *fileName;
  FT_transferAddress_t address;
  int32_t listenSocket;
} FT_receivedFile_t;

/* A buffer-wise transfer. Descriptors not in use are -1. */
typedef struct {
  char *buffer;
  int32_t size;
  int32_t fill; /* bytes in buffer; 0 after the end of the data */
  FT_transferAddress_t address;
  int32_t fd;       /* connected socket or referenced file */
  int32_t listenFd; /* receiving socket side until the sender connects */
} FT_buffer_t;

/* An open version of a spooled document for a preprocessor. path is malloc'ed. */
typedef struct {
  int32_t fd;
  char *path;
} FT_ppFile_t;

KQ_EXPORT uint32_t FT_Init(void);
KQ_EXPORT uint32_t FT_Shutdown(void);
KQ_EXPORT uint32_t FT_Cancel(void);

/* Receives a document into a new spool file in spoolDir. Socket: prepares only (a
 * listening socket, the final name, the address); the data come with FT_SocketServer.
 * File reference: copies ref->path. Anonymous FTP: fetches ref->path from ref->host. */
KQ_EXPORT uint32_t FT_RetrieveToFile(const FT_docId_t *doc, const FT_transferRef_t *ref,
                                     int32_t method, const char *spoolDir,
                                     FT_receivedFile_t *result);
/* Accepts the sender's connection on result->listenSocket (at most 600 s) and writes
 * result->fileName, through a ".tmp" name renamed when complete. With threadOut null
 * it runs in the calling thread; otherwise in a new joinable thread (its exit status
 * is the result code as a uintptr_t) that takes over the listening socket. */
KQ_EXPORT uint32_t FT_SocketServer(const FT_docId_t *doc, FT_receivedFile_t *result,
                                   THR_thread_t *threadOut);
/* Sends the file at path to the address (socket method only). */
KQ_EXPORT uint32_t FT_FileToSend(const FT_docId_t *doc, const FT_transferAddress_t *address,
                                 const char *path, int32_t method);
/* Writes included content into a new spool file in spoolDir. */
KQ_EXPORT uint32_t FT_ExternalToFile(const FT_includedDoc_t *content, const FT_docId_t *doc,
                                     const char *spoolDir, FT_receivedFile_t *result);

/* Buffer-wise transfers. Sending by socket connects to address; receiving by socket
 * listens (buf->address tells the port); receiving by file reference opens ref->path,
 * waiting for it to appear. allocate 1 makes a zeroed buffer of bufferSize. */
KQ_EXPORT uint32_t FT_BufferInit(const FT_docId_t *doc, const FT_transferAddress_t *address,
                                 const FT_transferRef_t *ref, int32_t method, int32_t bufferSize,
                                 int32_t direction, FT_buffer_t *buf, int32_t allocate);
KQ_EXPORT uint32_t FT_RetrieveToBuffer(const FT_docId_t *doc, FT_buffer_t *buf);
KQ_EXPORT uint32_t FT_BufferToSend(const FT_docId_t *doc, FT_buffer_t *buf);
KQ_EXPORT uint32_t FT_Finish(const FT_docId_t *doc, FT_buffer_t *buf, int32_t freeBuffer);

/* Preprocessor access. Reading opens ".prev", else the received version origName
 * (else ".orig"); a document held by file reference (refPath non-null) is read there.
 * Writing goes to ".curr", renamed ".prev" when complete. */
KQ_EXPORT uint32_t FT_PPStartGetDataBuffer(const FT_docId_t *doc, const char *spoolDir,
                                           const char *origName, const char *refPath,
                                           FT_ppFile_t *in);
/* Reads up to size bytes; *got 0 at the end. */
KQ_EXPORT uint32_t FT_PPGetDataBuffer(const FT_docId_t *doc, FT_ppFile_t *in, void *data,
                                      int32_t size, int32_t *got);
KQ_EXPORT uint32_t FT_PPStartSetDataBuffer(const FT_docId_t *doc, const char *spoolDir,
                                           FT_ppFile_t *out);
/* Writes length bytes; last 1 completes the version (".curr" becomes ".prev"). */
KQ_EXPORT uint32_t FT_PPSetDataBuffer(const FT_docId_t *doc, FT_ppFile_t *out, const void *data,
                                      int32_t length, int32_t last);
/* Copies the unread rest of in to out and completes out; closes both. */
KQ_EXPORT uint32_t FT_PPAppendFileRemainder(const FT_docId_t *doc, FT_ppFile_t *in,
                                            FT_ppFile_t *out);

KQ_END_DECLS

#endif
