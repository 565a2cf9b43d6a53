// Version access for document preprocessors: read the current version of a spooled
// document (".prev", else as received) and write the next (".curr", then ".prev").
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "infra/svclog.h"
#include "private/ft_internal.h"

namespace {

void Close(FT_ppFile_t *f) {
  if (f->fd >= 0) close(f->fd);
  f->fd = -1;
}

// Closes ".curr" and gives it the ".prev" name; a reader may hold the old ".prev"
// open for a moment on systems that refuse that, hence the retries.
uint32_t Complete(FT_ppFile_t *out) {
  bool closed = close(out->fd) == 0;
  out->fd = -1;
  char *prev = strdup(out->path);
  if (prev == nullptr) return FT_ST_NO_MEMORY;
  memcpy(prev + strlen(prev) - 5, ".prev", 5);
  uint32_t code = 0;
  if (!closed) {
    unlink(out->path);
    code = FT_ST_FAILED;
  } else {
    for (int retry = 0;; ++retry) {
      if (rename(out->path, prev) == 0) break;
      if (retry >= 10) {
        LOG_COND_MESSAGE(kFtSevError, "FT_PPSetDataBuffer: couldn't rename, errno = %d.\n", errno);
        unlink(out->path);
        code = FT_ST_FAILED;
        break;
      }
      LOG_COND_MESSAGE(kFtSevError, "FT_PPSetDataBuffer: rename failed, errno=%d, retry=%d\n",
                       errno, retry + 1);
      FT__ThreadSleep(FT__retrySleepMs);
    }
  }
  free(prev);
  return code;
}

}  // namespace

extern "C" uint32_t FT_PPStartGetDataBuffer(const FT_docId_t *doc, const char *spoolDir,
                                            const char *origName, const char *refPath,
                                            FT_ppFile_t *in) {
  uint32_t code = FT__CheckDocId("FT_PPStartGetDataBuffer", doc);
  if (code != 0) return code;
  if (in == nullptr) return FT_ST_FAILED;
  in->fd = -1;
  in->path = nullptr;
  char *prev = FT__ExtractFileName(spoolDir, doc, FT_VERSION_PREV, &code);
  if (prev == nullptr) return code;
  int fd = open(prev, O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    in->path = prev;
  } else {
    free(prev);
    LOG_COND_MESSAGE(kFtSevInfo, "FT_PPStartGetDataBuffer: SYSU_Open failed, getting original\n");
    if (refPath != nullptr)
      in->path = strdup(refPath);
    else if (origName != nullptr)
      in->path = strdup(origName);
    else
      in->path = FT__ExtractFileName(spoolDir, doc, FT_VERSION_ORIG, &code);
    if (in->path == nullptr) return code != 0 ? code : FT_ST_NO_MEMORY;
    fd = open(in->path, O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    free(in->path);
    in->path = nullptr;
    return FT_ST_NO_CONTENT;
  }
  in->fd = fd;
  return 0;
}

extern "C" uint32_t FT_PPGetDataBuffer(const FT_docId_t *doc, FT_ppFile_t *in, void *data,
                                       int32_t size, int32_t *got) {
  uint32_t code = FT__CheckDocId("FT_PPGetDataBuffer", doc);
  if (code != 0) return code;
  if (in == nullptr || in->fd < 0 || data == nullptr || size <= 0 || got == nullptr)
    return FT_ST_FAILED;
  for (int attempt = 0;; ++attempt) {
    ssize_t n = read(in->fd, data, static_cast<size_t>(size));
    if (n >= 0) {
      *got = static_cast<int32_t>(n);
      return 0;
    }
    if (errno != EINTR && attempt >= 1) {
      LOG_COND_MESSAGE(kFtSevError, "FT_PPGetDataBuffer: giving up on read\n");
      *got = 0;
      return FT_ST_FAILED;
    }
  }
}

extern "C" uint32_t FT_PPStartSetDataBuffer(const FT_docId_t *doc, const char *spoolDir,
                                            FT_ppFile_t *out) {
  uint32_t code = FT__CheckDocId("FT_PPStartSetDataBuffer", doc);
  if (code != 0) return code;
  if (out == nullptr) return FT_ST_FAILED;
  out->fd = -1;
  out->path = FT__ExtractFileName(spoolDir, doc, FT_VERSION_CURR, &code);
  if (out->path == nullptr) return code;
  out->fd = open(out->path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out->fd < 0) {
    free(out->path);
    out->path = nullptr;
    return FT_ST_FAILED;
  }
  return 0;
}

extern "C" uint32_t FT_PPSetDataBuffer(const FT_docId_t *doc, FT_ppFile_t *out, const void *data,
                                       int32_t length, int32_t last) {
  uint32_t code = FT__CheckDocId("FT_PPSetDataBuffer", doc);
  if (code != 0) return code;
  if (out == nullptr || out->fd < 0 || length < 0 || (length > 0 && data == nullptr))
    return FT_ST_FAILED;
  if (FT__WriteAll(out->fd, data, static_cast<size_t>(length)) != 0) {
    if (errno == ENOSPC) LOG_COND_MESSAGE(kFtSevError, "FT_PPSetDataBuffer: no space left\n");
    Close(out);
    unlink(out->path);
    return FT_ST_FAILED;
  }
  return last == 1 ? Complete(out) : 0;
}

extern "C" uint32_t FT_PPAppendFileRemainder(const FT_docId_t *doc, FT_ppFile_t *in,
                                             FT_ppFile_t *out) {
  uint32_t code = FT__CheckDocId("FT_PPAppendFileRemainder", doc);
  if (code != 0) return code;
  if (in == nullptr || out == nullptr || in->fd < 0 || out->fd < 0) return FT_ST_FAILED;
  char block[64 * 1024];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in->fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (FT__WriteAll(out->fd, block, static_cast<size_t>(n)) != 0) {
      ok = false;
      break;
    }
  }
  Close(in);
  if (!ok) {
    LOG_COND_MESSAGE(kFtSevError, "FT_PPAppendFileRemainder: failed to append\n");
    Close(out);
    unlink(out->path);
    return FT_ST_FAILED;
  }
  return Complete(out);
}
