/* File record locks and directory reading; results are those of the system calls. */
#ifndef KQ_INFRA_SYSUTIL_H
#define KQ_INFRA_SYSUTIL_H

#include <dirent.h>
#include <fcntl.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* fcntl(F_SETLKW) when `wait` is non-zero, else fcntl(F_SETLK). */
KQ_EXPORT int SYSU_LockFile(int fd, int wait, struct flock *lock);
/* Sets the lock type to F_UNLCK and releases with fcntl(F_SETLK). */
KQ_EXPORT int SYSU_UnlockFile(int fd, struct flock *lock);
KQ_EXPORT int SYSU_Readdir_r(DIR *dir, struct dirent *entry, struct dirent **resultOut);

KQ_END_DECLS

#endif
