// Process set-up of the registry: the one-time creation of its mutexes and caches,
// the directory and mode, and the lock on ".kq.lck" that keeps a read-write
// process alone with the registry while read-only processes share it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/fa.h"
#include "infra/genu_oid.h"
#include "infra/svclog.h"
#include "infra/sysutil.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

THR_mutex_t OID__nameCacheMutex, OID__binaryCacheMutex, OID__shortCacheMutex;
bool OID__noCache = false;

namespace {

THR_once_t setupOnce = PTHREAD_ONCE_INIT;
uint32_t setupResult = 0;
THR_mutex_t stateMutex;  // guards the fields below

bool initialised = false;
std::string directory;
uint32_t openMode = 0;
int lockFd = -1;

void SetUp() {
  for (THR_mutex_t *m :
       {&stateMutex, &OID__nameCacheMutex, &OID__binaryCacheMutex, &OID__shortCacheMutex}) {
    if (uint32_t st = THR_InitMutex(m)) setupResult = st;
  }
  OID__InitCache();
}

// Opens the lock file and locks it whole without waiting: shared for mode 0,
// exclusive for mode 2.
uint32_t OID__LockDatabase(const char *path, uint32_t mode) {
  int fd =
      mode == 0 ? open(path, O_RDONLY | O_CLOEXEC, 0440) : open(path, O_RDWR | O_CLOEXEC, 0644);
  if (fd < 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Cannot open lock file %s, errno = %u\n", path,
                     static_cast<unsigned>(errno));
    return OID_ST_LOCK_FAILED;
  }
  struct flock lk {};
  lk.l_type = mode == 0 ? F_RDLCK : F_WRLCK;
  lk.l_whence = SEEK_SET;
  lk.l_start = 0;
  lk.l_len = 0;
  if (SYSU_LockFile(fd, 0, &lk) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Cannot lock DB, errno = %u\n", static_cast<unsigned>(errno));
    close(fd);
    return OID_ST_LOCK_FAILED;
  }
  lockFd = fd;
  return 0;
}

void Forget() {
  directory.clear();
  openMode = 0;
  initialised = false;
}

uint32_t Init(STF_statusList_t *status, const char *dir, uint32_t mode) {
  using kq::oid::Fail;
  if (!dir || !*dir) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: Path is bad\n");
    return Fail(status, OID_ST_BAD_PATH);
  }
  THR_Once(&setupOnce, SetUp);
  if (setupResult) return Fail(status, setupResult);
  if (initialised) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID DB already initialized!!!");
    return Fail(status, OID_ST_INIT_TWICE);
  }
  if (mode != 0 && mode != 2) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Invalid mode. mode = %u", mode);
    return Fail(status, OID_ST_BAD_MODE);
  }
  std::string lockName = std::string(dir) + "/" + OID_LOCK_FILE;
  char *lockPath = nullptr;
  uint32_t lockLen = 0;
  if (FA_ConvertFilePath(lockName.c_str(), static_cast<uint32_t>(lockName.size()), &lockPath,
                         &lockLen)) {
    return Fail(status, OID_ST_BAD_LOCK_PATH);
  }
  struct stat sb;
  bool exists = stat(lockPath, &sb) == 0;
  uint32_t st = exists ? OID__LockDatabase(lockPath, mode) : OID_ST_NO_LOCK_FILE;
  free(lockPath);
  if (!exists) return Fail(status, st);
  if (st) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID__LockDatabase() failed. result = %u\n", st);
    return Fail(status, st);
  }
  directory = dir;
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  openMode = mode;
  if (GENU_Init(status, directory.c_str(), static_cast<int>(mode)) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "GENU_Init() failed");
    close(lockFd);
    lockFd = -1;
    Forget();
    return Fail(status, OID_ST_GENU_FAILED);
  }
  OID__noCache = getenv("OID_NO_CACHE") != nullptr;
  initialised = true;
  return 0;
}

}  // namespace

uint32_t kq::oid::Fail(STF_statusList_t *status, uint32_t code) {
  if (status) STF_AddStatus(status, code, 0);
  return code;
}

bool OID__Initialised(std::string *dir, uint32_t *mode) {
  THR_Once(&setupOnce, SetUp);
  THR_LockMutex(&stateMutex);
  bool yes = initialised;
  if (yes) {
    *dir = directory;
    *mode = openMode;
  }
  THR_UnlockMutex(&stateMutex);
  return yes;
}

void OID__InitCache() {
  OID__DeleteNBTree(&OID__nameCache);
  OID__DeleteNBTree(&OID__binaryCache);
  OID__nameCache.keyKind = 1;
  OID__binaryCache.keyKind = 0;
  OID__InitShortCache();
}

extern "C" {

uint32_t OID_Init(STF_statusList_t *status, const char *dir, uint32_t mode) {
  if (!status) return OID_ST_BAD_PATH;
  STF_ClearStatus(status);
  LOG_COND_FUNC_TRACE("OID_Init", 1, "%s %u", dir ? dir : "(null)", mode);
  THR_Once(&setupOnce, SetUp);
  THR_LockMutex(&stateMutex);
  uint32_t st = Init(status, dir, mode);
  THR_UnlockMutex(&stateMutex);
  LOG_COND_FUNC_TRACE("OID_Init", 0, "0x%x", st);
  return st;
}

uint32_t OID_Term(void) {
  THR_Once(&setupOnce, SetUp);
  THR_LockMutex(&stateMutex);
  if (lockFd >= 0) close(lockFd);  // closing releases the lock
  lockFd = -1;
  Forget();
  THR_UnlockMutex(&stateMutex);
  GENU_Term();
  return 0;
}

}  // extern "C"
