// File record locks and directory reading, passed straight to the system.
#include "infra/sysutil.h"

#include <fcntl.h>

extern "C" {

int SYSU_LockFile(int fd, int wait, struct flock *lock) {
  return fcntl(fd, wait ? F_SETLKW : F_SETLK, lock);
}

int SYSU_UnlockFile(int fd, struct flock *lock) {
  lock->l_type = F_UNLCK;
  return fcntl(fd, F_SETLK, lock);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
int SYSU_Readdir_r(DIR *dir, struct dirent *entry, struct dirent **resultOut) {
  return readdir_r(dir, entry, resultOut);
}
#pragma GCC diagnostic pop

}  // extern "C"
