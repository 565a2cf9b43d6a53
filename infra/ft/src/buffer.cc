// Buffer-wise transfers: the caller moves the data one buffer at a time.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "infra/svclog.h"
#include "private/ft_internal.h"

extern "C" uint32_t FT_BufferInit(const FT_docId_t *doc, const FT_transferAddress_t *address,
                                  const FT_transferRef_t *ref, int32_t method, int32_t bufferSize,
                                  int32_t direction, FT_buffer_t *buf, int32_t allocate) {
  uint32_t code = FT__CheckDocId("FT_BufferInit", doc);
  if (code != 0) return code;
  if (buf == nullptr || bufferSize <= 0) return FT_ST_FAILED;
  if (method == FT_METHOD_ANONYMOUS_FTP) {
    LOG_COND_MESSAGE(kFtSevError, "FT_BufferInit: FTP unsupported\n");
    return FT_ST_FAILED;
  }
  if (method == FT_METHOD_WITH_REQUEST) {
    LOG_COND_MESSAGE(kFtSevError, "FT_BufferInit: can't handle with-request\n");
    return FT_ST_FAILED;
  }
  bool sending = direction == FT_DIRECTION_SEND;
  if ((method != FT_METHOD_SOCKET && method != FT_METHOD_FILE_REFERENCE) ||
      (method == FT_METHOD_FILE_REFERENCE && sending) ||
      (!sending && direction != FT_DIRECTION_RECEIVE))
    return FT_ST_FAILED;
  buf->fd = -1;
  buf->listenFd = -1;
  buf->fill = 0;
  buf->size = bufferSize;
  buf->address = address != nullptr ? *address : FT_transferAddress_t{};
  if (allocate == 1) {
    buf->buffer = static_cast<char *>(calloc(1, static_cast<size_t>(bufferSize)));
    if (buf->buffer == nullptr) return FT_ST_NO_MEMORY;
  } else if (buf->buffer == nullptr) {
    return FT_ST_FAILED;
  }
  if (method == FT_METHOD_SOCKET && sending) {
    if (address == nullptr || address->kind != FT_ADDRESS_SOCKET || address->addrLength != 4) {
      LOG_COND_MESSAGE(kFtSevError, "Socket_ClientBufferInit: null rpcAddress\n");
      code = FT_ST_FAILED;
    } else {
      buf->fd = FT__Connect("Socket_ClientBufferInit", address);
      if (buf->fd < 0) code = FT_ST_FAILED;
    }
  } else if (method == FT_METHOD_SOCKET) {
    buf->listenFd = FT__Listen("Socket_ServerBufferInit", &buf->address);
    if (buf->listenFd < 0)
      code = FT_ST_FAILED;
    else
      LOG_COND_MESSAGE(kFtSevInfo, "Socket_ServerBufferInit: Socket port = %d\n",
                       buf->address.port);
  } else {
    char *path = FT__CopyCounted(ref == nullptr ? nullptr : &ref->path);
    code = path == nullptr ? FT_ST_FAILED : FileRef_ServerBufferInit(doc, buf, path);
    free(path);
  }
  if (code != 0 && allocate == 1) {
    free(buf->buffer);
    buf->buffer = nullptr;
  }
  return code;
}

extern "C" uint32_t FT_RetrieveToBuffer(const FT_docId_t *doc, FT_buffer_t *buf) {
  uint32_t code = FT__CheckDocId("FT_RetrieveToBuffer", doc);
  if (code != 0) return code;
  if (buf == nullptr || buf->buffer == nullptr) return FT_ST_FAILED;
  if (buf->fd < 0 && buf->listenFd >= 0) {
    buf->fd = FT__Accept(buf->listenFd);
    close(buf->listenFd);
    buf->listenFd = -1;
  }
  if (buf->fd < 0) return FT_ST_TRANSFER_FAILED;
  // Fill the whole buffer unless the data end first, so that every buffer but the
  // last is full.
  int32_t fill = 0;
  while (fill < buf->size) {
    ssize_t n = read(buf->fd, buf->buffer + fill, static_cast<size_t>(buf->size - fill));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      LOG_COND_MESSAGE(kFtSevError, "Socket_ServerBufferFill: I/O Error on read fd=%d err=%d",
                       buf->fd, errno);
      buf->fill = 0;
      return FT_ST_TRANSFER_FAILED;
    }
    if (n == 0) break;
    fill += static_cast<int32_t>(n);
  }
  buf->fill = fill;
  return 0;
}

extern "C" uint32_t FT_BufferToSend(const FT_docId_t *doc, FT_buffer_t *buf) {
  uint32_t code = FT__CheckDocId("FT_BufferToSend", doc);
  if (code != 0) return code;
  if (buf == nullptr || buf->fd < 0 || buf->fill < 0 || buf->fill > buf->size) return FT_ST_FAILED;
  if (FT__SendAll(buf->fd, buf->buffer, static_cast<size_t>(buf->fill)) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "Socket_ClientFile: I/O Error on write fd=%d err=%d", buf->fd,
                     errno);
    return FT_ST_TRANSFER_FAILED;
  }
  return 0;
}

extern "C" uint32_t FT_Finish(const FT_docId_t *doc, FT_buffer_t *buf, int32_t freeBuffer) {
  uint32_t code = FT__CheckDocId("FT_Finish", doc);
  if (buf == nullptr) return code != 0 ? code : FT_ST_FAILED;
  // Descriptors are closed whatever the id, so that nothing leaks.
  if (buf->fd >= 0 && close(buf->fd) != 0 && code == 0) code = FT_ST_TRANSFER_FAILED;
  if (buf->listenFd >= 0) close(buf->listenFd);
  buf->fd = buf->listenFd = -1;
  if (freeBuffer == 1) {
    free(buf->buffer);
    buf->buffer = nullptr;
  }
  return code;
}
