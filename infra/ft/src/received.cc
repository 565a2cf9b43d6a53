// Receiving included content and copying referenced files into spool files.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "infra/fa.h"
#include "infra/svclog.h"
#include "private/ft_internal.h"

namespace {

void Succeed(FT_receivedFile_t *result, char *name, int64_t size) {
  result->fileName = name;
  result->fileSize = size;
  result->address = FT_transferAddress_t{};
  result->listenSocket = -1;
}

char *ConvertPath(const char *path) {
  char *out = nullptr;
  uint32_t length = 0;
  if (FA_ConvertFilePath(path, static_cast<uint32_t>(strlen(path)), &out, &length) != 0) {
    return nullptr;
  }
  return out;
}

}  // namespace

uint32_t WR_ReceiveFile(const FT_includedDoc_t *content, const FT_docId_t *doc,
                        const char *spoolDir, FT_receivedFile_t *result) {
  uint32_t code = 0;
  char *name = FT__GenerateFileName(spoolDir, doc, 0, &code);
  if (name == nullptr) return code;
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 || FT__WriteAll(fd, content->bytes, static_cast<size_t>(content->length)) != 0 ||
      close(fd) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "WR_ReceiveFile: I/O Error on write pid=%d fd=%d err=%d",
                     static_cast<int>(getpid()), fd, errno);
    if (fd >= 0) {
      close(fd);
      unlink(name);
    }
    free(name);
    return FT_ST_FAILED;
  }
  LOG_COND_MESSAGE(kFtSevInfo, "WR_ReceiveFile: spooled filename = %s\n", name);
  Succeed(result, name, content->length);
  return 0;
}

extern "C" uint32_t FT_ExternalToFile(const FT_includedDoc_t *content, const FT_docId_t *doc,
                                      const char *spoolDir, FT_receivedFile_t *result) {
  LOG_COND_FUNC_TRACE("FT_ExternalToFile", 1, nullptr);
  uint32_t code = FT__CheckDocId("FT_ExternalToFile", doc);
  if (code == 0 && (content == nullptr || result == nullptr)) {
    LOG_COND_MESSAGE(kFtSevError, "FT_ExternalToFile: no inp_includedDoc\n");
    code = FT_ST_FAILED;
  } else if (code == 0 && content->kind != 1 && content->kind != 2) {
    code = FT_ST_BAD_CONTENT_KIND;
  } else if (code == 0 && (content->length < 0 || (content->length > 0 && !content->bytes))) {
    code = FT_ST_NO_CONTENT;
  }
  if (code == 0) code = WR_ReceiveFile(content, doc, spoolDir, result);
  LOG_COND_FUNC_TRACE("FT_ExternalToFile", 0, nullptr);
  return code;
}

uint32_t FileRef_ReceiveFile(const FT_docId_t *doc, const FT_transferRef_t *ref,
                             const char *spoolDir, FT_receivedFile_t *result) {
  char *path = FT__CopyCounted(ref == nullptr ? nullptr : &ref->path);
  if (path == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: malloc failed\n");
    return FT_ST_FAILED;
  }
  char *source = ConvertPath(path);
  free(path);
  if (source == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: FA_ConvertFilePath failed\n");
    return FT_ST_FAILED;
  }
  uint32_t code = 0;
  char *name = FT__GenerateFileName(spoolDir, doc, 0, &code);
  if (name == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: FA_ConvertFilePath 2 failed\n");
    free(source);
    return code;
  }
  // Only a regular file is copied: a FIFO would block the receiver forever and a
  // directory has no content. O_NONBLOCK keeps the open of a FIFO from waiting.
  int in = open(source, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (in < 0 || fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: I/O Error on read fd=%d err=%d", in,
                     in < 0 ? errno : EINVAL);
    if (in >= 0) close(in);
    free(source);
    free(name);
    return FT_ST_FAILED;
  }
  fcntl(in, F_SETFL, 0);
  free(source);
  int out = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile:  can't open destination file\n");
    close(in);
    free(name);
    return FT_ST_FAILED;
  }
  char block[4096];
  int64_t total = 0;
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: I/O Error on read fd=%d err=%d", in,
                       errno);
      ok = false;
      break;
    }
    if (n == 0) break;
    if (FT__WriteAll(out, block, static_cast<size_t>(n)) != 0) {
      LOG_COND_MESSAGE(kFtSevError, "FileRef_ReceiveFile: I/O Error on write fd=%d err=%d", out,
                       errno);
      ok = false;
      break;
    }
    total += n;
  }
  close(in);
  if (close(out) != 0) ok = false;
  if (!ok) {
    unlink(name);
    free(name);
    return FT_ST_FAILED;
  }
  Succeed(result, name, total);
  return 0;
}

uint32_t FileRef_ServerBufferInit(const FT_docId_t *doc, FT_buffer_t *buf, const char *path) {
  (void)doc;
  char *converted = ConvertPath(path);
  if (converted == nullptr) return FT_ST_TRANSFER_FAILED;
  // The referenced file may still be on its way: look again once a second.
  struct stat st;
  int waits = 0;
  while (stat(converted, &st) != 0 && waits < FT__fileRefWaits) {
    FT__ThreadSleep(FT__retrySleepMs);
    ++waits;
  }
  int fd = open(converted, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  free(converted);
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    fd = -1;
  }
  if (fd < 0) return FT_ST_TRANSFER_FAILED;
  fcntl(fd, F_SETFL, 0);
  buf->fd = fd;
  return 0;
}
