// Opening and closing a database file: the three open modes and the pre-loading of
// the buffer pool.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "infra/fa.h"
#include "infra/svclog.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm;

namespace {

void FreeHandle(KQBM_database *db) {
  if (db->fd >= 0) close(db->fd);
  free(db->pages);
  free(db);
}

// Page 0 from the file, then pages 1, 2, ... into the buffers in order (ages 0, 1,
// ...) as far as `count` and the file's pages go. A page that cannot be read or is
// damaged ends the pre-loading; it is looked at again when it is asked for.
bool LoadPages(KQBM_database *db, long pages, int count) {
  if (pages < 1 || !ReadPage(db, 0, db->root) || !ValidatePage(db->root, true)) {
    LOG_COND_MESSAGE(kSevError, "KQBM: InitializeBufferPool(), failed read the file\n");
    return false;
  }
  db->root[0] &= static_cast<uint8_t>(~kModified);
  long last = pages - 1 < Highest(db) ? pages - 1 : Highest(db);
  for (int k = 1; k <= count && k <= last; k++) {
    if (!PreloadPage(db, k - 1, static_cast<uint16_t>(k))) break;
  }
  return true;
}

KQBM_database *Open(const char *name, int flags, int mode, int wholeFile) {
  auto *db = static_cast<KQBM_database *>(calloc(1, sizeof(KQBM_database)));
  size_t nameLen = name ? strlen(name) : 0;
  char *fileName = static_cast<char *>(malloc(nameLen + sizeof(KQBM_SUFFIX)));
  if (!db || !fileName) {
    LOG_COND_MESSAGE(kSevError, "!!!!! KQBM: malloc failed in OpenDB\n");
    free(db);
    free(fileName);
    return nullptr;
  }
  db->fd = -1;
  if (name) memcpy(fileName, name, nameLen);
  memcpy(fileName + nameLen, KQBM_SUFFIX, sizeof(KQBM_SUFFIX));
  char *path = nullptr;
  uint32_t pathLen = 0;
  uint32_t st =
      name ? FA_ConvertFilePath(fileName, static_cast<uint32_t>(nameLen + 4), &path, &pathLen)
           : FA_ST_NULL_PATH;
  free(fileName);
  if (st) {
    LOG_COND_MESSAGE(kSevError, "KQBM: FA_ConvertFilePath() failed !!\n");
    free(db);
    return nullptr;
  }

  db->flags = flags;
  if (flags & O_CREAT) {
    db->fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
    db->writable = true;
    if (db->fd < 0 || !InitializeBufferPool(db, kWritablePool)) {
      LOG_COND_MESSAGE(kSevError, "KQBM: failed to create %s\n", path);
      free(path);
      FreeHandle(db);
      return nullptr;
    }
    free(path);
    // An empty root, written at close.
    InitPage(db->root, kRootNode, 0, 0);
    return db;
  }

  int access = flags & O_ACCMODE;
  if (access == O_WRONLY) {
    LOG_COND_MESSAGE(kSevError, "KQBM: write-only open of %s refused\n", path);
    free(path);
    free(db);
    return nullptr;
  }
  db->fd = open(path, flags | O_CLOEXEC, static_cast<mode_t>(mode));
  struct stat sb;
  if (db->fd < 0 || fstat(db->fd, &sb) != 0) {
    LOG_COND_MESSAGE(kSevError, "KQBM: failed to open %s\n", path);
    free(path);
    FreeHandle(db);
    return nullptr;
  }
  long pages = static_cast<long>((sb.st_size + kPageSize - 1) / kPageSize);
  db->filePages = pages;
  int count, preload;
  if (access == O_RDONLY) {
    if (wholeFile == 1) {
      if (pages > KQBM_MAX_WHOLE_FILE_PAGES) {
        LOG_COND_MESSAGE(kSevError, "KQBM: %s has %ld pages, more than %d for a whole-file open\n",
                         path, pages, KQBM_MAX_WHOLE_FILE_PAGES);
        free(path);
        FreeHandle(db);
        return nullptr;
      }
      count = pages > 1 ? static_cast<int>(pages) : 1;
      preload = count;
    } else {
      count = 1;
      preload = 0;
    }
  } else {
    db->writable = true;
    count = preload = kWritablePool;
  }
  free(path);
  if (!InitializeBufferPool(db, count) || !LoadPages(db, pages, preload)) {
    FreeHandle(db);
    return nullptr;
  }
  return db;
}

}  // namespace

extern "C" {

KQBM_dbHandle_t KQBM_open(const char *name, int flags, int mode, int wholeFile) {
  LOG_COND_FUNC_TRACE("KQBM_open", 1, "%s", name ? name : "(null)");
  KQBM_database *db = Open(name, flags, mode, wholeFile);
  LOG_COND_FUNC_TRACE("KQBM_open", 0, "%p", static_cast<void *>(db));
  return db;
}

void KQBM_close(KQBM_dbHandle_t db) {
  LOG_COND_FUNC_TRACE("KQBM_close", 1, nullptr);
  if (db) {
    if (!FlushPool(db)) {
      LOG_COND_MESSAGE(kSevError, "KQBM: failed to write the database file\n");
    }
    int rc = close(db->fd);
    db->fd = -1;
    if (rc != 0) {
      LOG_COND_MESSAGE(kSevError, "!!!!! KQBM: Error in closing database file\n");
    }
    FreeHandle(db);
  }
  LOG_COND_FUNC_TRACE("KQBM_close", 0, nullptr);
}

}  // extern "C"
