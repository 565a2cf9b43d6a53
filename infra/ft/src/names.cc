// Spool file names and the checks that keep them inside the spool directory.
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "infra/fa.h"
#include "infra/osc.h"
#include "infra/svclog.h"
#include "private/ft_internal.h"

int FT__acceptTimeoutSeconds = 600;
int FT__connectAttempts = 6;
int FT__retrySleepMs = 1000;
int FT__fileRefWaits = 300;
int FT__ftpPort = 21;
int FT__ftpTimeoutSeconds = 60;

int FT__VersionEnding(int kind, const char **ending) {
  static const char *const kEndings[] = {".orig", ".curr", ".prev", ""};
  if (kind < FT_VERSION_ORIG || kind > FT_VERSION_NONE) return -1;
  *ending = kEndings[kind - 1];
  return static_cast<int>(strlen(*ending));
}

uint32_t FT__CheckDocId(const char *where, const FT_docId_t *doc) {
  if (doc == nullptr || doc->jobId == nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "%s: invalid or missing docID\n", where);
    return FT_ST_NO_DOC_ID;
  }
  // The job identifier becomes part of a file name: a separator or a parent reference
  // would place the file elsewhere, and an over-long one would be cut.
  size_t n = strnlen(doc->jobId, FT_MAX_JOB_ID + 1);
  if (n == 0 || n > FT_MAX_JOB_ID || strchr(doc->jobId, '/') != nullptr ||
      strstr(doc->jobId, "..") != nullptr) {
    LOG_COND_MESSAGE(kFtSevError, "%s: job identifier refused for a spool name: jobId = %.*s\n",
                     where, FT_MAX_JOB_ID, doc->jobId);
    return FT_ST_NO_DOC_ID;
  }
  return 0;
}

// The spool directory in its converted form (malloc'ed), or null.
static char *ConvertedSpoolDir(const char *spoolDir) {
  char *dir = nullptr;
  uint32_t length = 0;
  if (spoolDir == nullptr ||
      FA_ConvertFilePath(spoolDir, static_cast<uint32_t>(strlen(spoolDir)), &dir, &length) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "FT__GenerateFileName: FA_ConvertFilePath failed on spooldir\n");
    return nullptr;
  }
  return dir;
}

static char *Format(const char *format, ...) KQ_PRINTF(1, 2);
static char *Format(const char *format, ...) {
  va_list args;
  va_start(args, format);
  char *text = nullptr;
  int n = vasprintf(&text, format, args);
  va_end(args);
  return n < 0 ? nullptr : text;
}

char *FT__GenerateFileName(const char *spoolDir, const FT_docId_t *doc, int tmp, uint32_t *code) {
  *code = FT__CheckDocId("FT__GenerateFileName", doc);
  if (*code != 0) return nullptr;
  *code = FT_ST_FAILED;
  struct timeval now;
  if (gettimeofday(&now, nullptr) != 0) {
    LOG_COND_MESSAGE(kFtSevError, "FT__GenerateFileName: SYSU_Gettimeofday failed\n");
    return nullptr;
  }
  char *dir = ConvertedSpoolDir(spoolDir);
  if (dir == nullptr) return nullptr;
  char *name =
      Format("%s/ft_%s.%d.%ld.%ld.orig%s", dir, doc->jobId, doc->docNum,
             static_cast<long>(now.tv_sec), static_cast<long>(now.tv_usec), tmp ? ".tmp" : "");
  free(dir);
  if (name == nullptr)
    *code = FT_ST_NO_MEMORY;
  else
    *code = 0;
  return name;
}

char *FT__ExtractFileName(const char *spoolDir, const FT_docId_t *doc, int kind, uint32_t *code) {
  *code = FT__CheckDocId("FT__ExtractFileName", doc);
  if (*code != 0) return nullptr;
  *code = FT_ST_FAILED;
  const char *ending = nullptr;
  if (FT__VersionEnding(kind, &ending) < 0) return nullptr;
  char *dir = ConvertedSpoolDir(spoolDir);
  if (dir == nullptr) return nullptr;
  char *name = Format("%s/ft_%s.%d%s", dir, doc->jobId, doc->docNum, ending);
  free(dir);
  *code = name == nullptr ? FT_ST_NO_MEMORY : 0;
  return name;
}

char *FT__AppendExtension(const char *base, int kind) {
  const char *ending = nullptr;
  if (base == nullptr || FT__VersionEnding(kind, &ending) < 0) return nullptr;
  return Format("%s%s", base, ending);
}

int FT__ThreadSleep(int milliseconds) {
  return OSC_ThreadSleep(static_cast<uint32_t>(milliseconds));
}

namespace {

// Hands all of `length` bytes to `io` (a write or a send), again after an interrupted
// call and a short one; 0, or -1 when a call fails.
template <typename Io>
int AllOf(const void *data, size_t length, Io io) {
  const char *p = static_cast<const char *>(data);
  while (length > 0) {
    ssize_t n = io(p, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    p += n;
    length -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int FT__WriteAll(int fd, const void *data, size_t length) {
  return AllOf(data, length, [fd](const char *p, size_t n) { return write(fd, p, n); });
}

char *FT__CopyCounted(const FT_countedText_t *text) {
  if (text == nullptr || text->bytes == nullptr || text->length <= 0) return nullptr;
  // A reference never holds a NUL: one inside would silently shorten the path.
  if (memchr(text->bytes, '\0', static_cast<size_t>(text->length)) != nullptr) return nullptr;
  return strndup(text->bytes, static_cast<size_t>(text->length));
}

int FT__SendAll(int fd, const void *data, size_t length) {
  return AllOf(data, length,
               [fd](const char *p, size_t n) { return send(fd, p, n, MSG_NOSIGNAL); });
}
