// Reading a configuration file under a shared lock on its lock file, and deciding
// from the lock file's change counter and the file's time whether to read again.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "infra/svclog.h"
#include "private/prt_plist.h"

namespace kq::prt {

bool FileNeedsUpdate(plist &list) {
  std::string name = list.sourceName();
  if (name != list.name) return true;
  struct stat st;
  if (stat(name.c_str(), &st) != 0) return false;
  int fd = OpenLockFile(name, true);
  if (fd < 0) return true;
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_SETLK, &lock) != 0) {
    close(fd);
    return true;
  }
  uint32_t counter = ReadCounter(fd);
  Unlock(fd);
  close(fd);
  return counter == 0 || counter != list.counter || st.st_mtim.tv_sec != list.mtime.tv_sec ||
         st.st_mtim.tv_nsec != list.mtime.tv_nsec;
}

bool ReadFileSource(plist &list, std::vector<plist::Entry> *out) {
  std::string name = list.sourceName();
  int fd = OpenLockFile(name, true);
  // A file without lock file, where none can be made (a read-only directory): nobody
  // can write the file there either, so it is read without a lock.
  const int lockError = errno;
  const bool unlocked = fd < 0 && lockError == ENOENT && access(name.c_str(), F_OK) == 0;
  if (fd < 0 && !unlocked) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot open file %s for RW, error = %d\n",
                     name.c_str(), lockError);
    return false;
  }
  if (!unlocked && LockRetry(fd, F_RDLCK) != 0) {
    close(fd);
    return false;
  }
  FILE *f = OpenRegular(name, O_RDONLY, "r");
  if (!f && errno == EINVAL)
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: %s is not a regular file, not read", name.c_str());
  bool ok = f != nullptr;
  if (ok) {
    std::vector<std::string> texts;
    ReadEntries(f, list.format, kEntryLimit, &texts);
    struct stat st = {};
    fstat(fileno(f), &st);
    for (std::string &t : texts) out->push_back({std::move(t), {}});
    list.name = name;
    list.counter = unlocked ? 0 : ReadCounter(fd);
    list.mtime = st.st_mtim;
    fclose(f);
  }
  if (!unlocked) {
    Unlock(fd);
    close(fd);
  }
  return ok;
}

}  // namespace kq::prt
