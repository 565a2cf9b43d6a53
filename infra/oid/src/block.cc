// Database blocks: creating and closing them, opening their files on first use,
// switching the locale file, and handing each file to one thread at a time.
#include <fcntl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/svclog.h"
#include "private/oid_db.h"

using kq::oid::Fail;

namespace {

char *Dup(const std::string &s) {
  char *p = static_cast<char *>(malloc(s.size() + 1));
  if (p) memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

KQBM_dbHandle_t OpenFile(const OID_dbBlock *block, const std::string &name) {
  std::string path = std::string(block->directory) + name;
  return KQBM_open(path.c_str(), block->mode == 2 ? O_RDWR : O_RDONLY,
                   block->mode == 2 ? 0666 : 0444, 0);
}

uint32_t LockBlock(OID_dbBlock *block) {
  uint32_t st = THR_LockMutex(&block->mutex);
  if (st) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "THR_LockMutex(&block_p->mutex) failed.  result = %u", st);
  }
  return st;
}

void FreeBlock(OID_dbBlock *block) {
  for (KQBM_dbHandle_t db : block->files) KQBM_close(db);
  THR_TermCondition(&block->notBusy);
  THR_TermMutex(&block->mutex);
  free(block->locale);
  free(block->directory);
  free(block);
}

}  // namespace

std::string OID__LocaleFileName(const char *locale) {
  if (!strcmp(locale, "C") || !strcmp(locale, "en_US")) return OID_DEFAULT_LOCALE_FILE;
  return std::string(OID_MAIN_FILE) + "_" + locale;
}

uint32_t OID__OpenDbFile(OID_dbBlock *block, OID__file file) {
  if (block->files[file]) return OID_ST_ALREADY_OPEN;
  if (file != OID_FILE_LOCALE) {
    const char *name = file == OID_FILE_MAIN ? OID_MAIN_FILE : OID_LINK_FILE;
    block->files[file] = OpenFile(block, name);
    if (!block->files[file]) {
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: Failed to open oid db = %s\n", name);
      return OID_ST_BAD_PATH;
    }
    return 0;
  }
  block->files[file] = OpenFile(block, OID__LocaleFileName(block->locale));
  if (block->files[file]) return 0;
  if (!strcmp(block->locale, "C")) return OID_ST_NO_LOCALE_FILE;
  LOG_COND_MESSAGE(LOG_SEV_OIDDB, "OID: unknown locale.  Using default locale\n");
  block->files[file] = OpenFile(block, OID_DEFAULT_LOCALE_FILE);
  if (block->files[file]) return 0;
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: Failed to open default locale file\n");
  return OID_ST_NO_LOCALE_FILE;
}

uint32_t OID__BusyDbFile(OID_dbBlock *block, OID__file file) {
  if (uint32_t st = LockBlock(block)) return st;
  uint32_t st = OID__OpenDbFile(block, file);
  if (st && st != OID_ST_ALREADY_OPEN) {
    THR_UnlockMutex(&block->mutex);
    return st;
  }
  while (block->busy[file]) THR_WaitForCondition(&block->notBusy, &block->mutex);
  block->busy[file] = 1;
  THR_UnlockMutex(&block->mutex);
  return 0;
}

void OID__SignalNotBusyDbFile(OID_dbBlock *block, OID__file file) {
  THR_LockMutex(&block->mutex);
  block->busy[file] = 0;
  // One condition serves all three files: wake every waiter.
  THR_BroadcastCondition(&block->notBusy);
  THR_UnlockMutex(&block->mutex);
}

namespace kq::oid {

uint32_t FileUse::Take(OID_dbBlock *block, OID__file file) {
  Release();
  if (uint32_t st = OID__BusyDbFile(block, file)) return st;
  block_ = block;
  file_ = file;
  return 0;
}

void FileUse::Release() {
  if (!block_) return;
  OID__SignalNotBusyDbFile(block_, file_);
  block_ = nullptr;
}

bool FileUse::Fetch(const void *key, size_t keyLength, std::string *content) const {
  datum k{static_cast<char *>(const_cast<void *>(key)), static_cast<int32_t>(keyLength)};
  datum v = KQBM_fetch(db(), k);
  if (!v.dptr) return false;
  content->assign(v.dptr, static_cast<size_t>(v.dsize));
  return true;
}

uint32_t FileUse::Store(const std::string &key, const std::string &content, int mode) const {
  datum k{const_cast<char *>(key.data()), static_cast<int32_t>(key.size())};
  datum v{const_cast<char *>(content.data()), static_cast<int32_t>(content.size())};
  return KQBM_store(db(), k, v, mode);
}

uint32_t FileUse::Delete(const std::string &key) const {
  datum k{const_cast<char *>(key.data()), static_cast<int32_t>(key.size())};
  return KQBM_delete(db(), k);
}

}  // namespace kq::oid

extern "C" {

uint32_t OID_OpenDb(STF_statusList_t *status, const char *dir, const char *locale, uint32_t mode,
                    OID_dbBlock_t **blockOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  std::string initDir;
  uint32_t initMode = 0;
  if (!OID__Initialised(&initDir, &initMode)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID database not initialized!!");
    return Fail(status, OID_ST_NOT_INIT);
  }
  std::string d = dir ? dir : "";
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d != initDir) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID database paths are inconsistent!!");
    return Fail(status, OID_ST_PATH_DIFFERS);
  }
  if (mode != initMode) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID database open modes are inconsistent!!");
    return Fail(status, OID_ST_MODE_DIFFERS);
  }
  if (locale && !*locale) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: Bad locale\n");
    return Fail(status, OID_ST_BAD_LOCALE);
  }
  if (!blockOut) return Fail(status, OID_ST_NO_BLOCK);
  if (!locale) {
    locale = setlocale(LC_ALL, nullptr);
    if (!locale) locale = "C";
  }
  auto *block = static_cast<OID_dbBlock *>(calloc(1, sizeof(OID_dbBlock)));
  if (!block) return Fail(status, OID_ST_NO_MEMORY);
  block->mode = mode;
  block->locale = Dup(locale);
  block->directory = Dup(d + "/");
  if (!block->locale || !block->directory) {
    free(block->locale);
    free(block->directory);
    free(block);
    return Fail(status, OID_ST_NO_MEMORY);
  }
  uint32_t st = THR_InitMutex(&block->mutex);
  if (!st) {
    st = THR_InitCondition(&block->notBusy);
    if (st) THR_TermMutex(&block->mutex);
  }
  if (st) {
    free(block->locale);
    free(block->directory);
    free(block);
    return Fail(status, st);
  }
  *blockOut = block;
  return 0;
}

uint32_t OID_SetLocale(STF_statusList_t *status, OID_dbBlock_t *block, const char *locale) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!locale || !*locale) return Fail(status, OID_ST_BAD_LOCALE);
  char *copy = Dup(locale);
  if (!copy) return Fail(status, OID_ST_NO_MEMORY);
  if (uint32_t st = LockBlock(block)) {
    free(copy);
    return Fail(status, st);
  }
  while (block->busy[OID_FILE_LOCALE]) THR_WaitForCondition(&block->notBusy, &block->mutex);
  // The new file opens before the old one closes: a locale without a file
  // leaves the block as it was.
  KQBM_dbHandle_t db = OpenFile(block, OID__LocaleFileName(locale));
  if (!db) {
    THR_UnlockMutex(&block->mutex);
    free(copy);
    return Fail(status, OID_ST_BAD_LOCALE);
  }
  KQBM_close(block->files[OID_FILE_LOCALE]);
  block->files[OID_FILE_LOCALE] = db;
  free(block->locale);
  block->locale = copy;
  THR_UnlockMutex(&block->mutex);
  return 0;
}

uint32_t OID_CloseDb(STF_statusList_t *status, OID_dbBlock_t **block) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block || !*block) return Fail(status, OID_ST_NO_BLOCK);
  FreeBlock(*block);
  *block = nullptr;
  return 0;
}

}  // extern "C"
