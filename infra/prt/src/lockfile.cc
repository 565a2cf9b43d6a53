// Lock files beside the configuration files: "<file>.LCK", whose first 4 bytes
// count the writes so that readers in other processes know when to reload.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "infra/sysutil.h"
#include "private/prt_internal.h"

namespace kq::prt {

int OpenLockFile(const std::string &file, bool forReading) {
  std::string name = file + ".LCK";
  int fd;
  do fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  while (fd < 0 && (errno == EAGAIN || errno == EINTR));
  // A reader without write permission still takes its shared lock on the existing
  // lock file; only writers need to update the counter.
  if (fd < 0 && forReading && (errno == EACCES || errno == EPERM || errno == EROFS))
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

int LockRetry(int fd, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  for (;;) {
    if (SYSU_LockFile(fd, 0, &lock) == 0) return 0;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) return -1;
    const struct timespec pause = {0, 200 * 1000};
    nanosleep(&pause, nullptr);
  }
}

void Unlock(int fd) {
  struct flock lock = {};
  lock.l_whence = SEEK_SET;
  SYSU_UnlockFile(fd, &lock);
}

FILE *OpenRegular(const std::string &file, int flags, const char *mode) {
  // Opened without waiting, so that a FIFO does not block the open; then anything
  // but a regular file (a FIFO, a device such as /dev/zero) is refused.
  int fd;
  do fd = open(file.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  while (fd < 0 && (errno == EAGAIN || errno == EINTR));
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE *f = fdopen(fd, mode);
  if (!f) close(fd);
  return f;
}

uint32_t ReadCounter(int fd) {
  uint32_t counter = 0;
  if (pread(fd, &counter, sizeof counter, 0) != static_cast<ssize_t>(sizeof counter)) return 0;
  return counter;
}

int BumpCounter(int fd) {
  uint32_t counter = ReadCounter(fd) + 1;
  if (counter == 0) counter = 1;  // 0 means "unknown" to readers
  if (pwrite(fd, &counter, sizeof counter, 0) != static_cast<ssize_t>(sizeof counter)) return -1;
  return 0;
}

}  // namespace kq::prt
