// Record locks between processes, and directory reading.
#include "infra/sysutil.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "kqtest.h"

namespace {

using kq::test::TempDir;

struct flock WholeFile(short type) {
  struct flock l;
  memset(&l, 0, sizeof l);
  l.l_type = type;
  l.l_whence = SEEK_SET;
  return l;
}

// Tries the lock from a child process (record locks are per process) and returns
// 0 when it was granted, 1 when refused.
int ChildTries(int fd, short type) {
  pid_t pid = fork();
  if (pid == 0) {
    struct flock l = WholeFile(type);
    _exit(SYSU_LockFile(fd, 0, &l) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WEXITSTATUS(status);
}

TEST(sysu_lock, ExclusiveLockKeepsOtherProcessesOutUntilUnlocked) {
  TempDir dir;
  int fd = open((dir / "lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  struct flock l = WholeFile(F_WRLCK);
  ASSERT_EQ(SYSU_LockFile(fd, 1, &l), 0);
  EXPECT_EQ(ChildTries(fd, F_RDLCK), 1);
  EXPECT_EQ(SYSU_UnlockFile(fd, &l), 0);
  EXPECT_EQ(l.l_type, F_UNLCK);
  EXPECT_EQ(ChildTries(fd, F_WRLCK), 0);

  struct flock shared = WholeFile(F_RDLCK);
  ASSERT_EQ(SYSU_LockFile(fd, 0, &shared), 0);
  EXPECT_EQ(ChildTries(fd, F_RDLCK), 0);
  EXPECT_EQ(ChildTries(fd, F_WRLCK), 1);
  EXPECT_EQ(SYSU_UnlockFile(fd, &shared), 0);
  close(fd);
  EXPECT_EQ(SYSU_LockFile(fd, 0, &l), -1);  // the system call's result
}

TEST(sysu_dir, ReadsEveryEntry) {
  TempDir dir;
  for (const char *name : {"a", "b.dbm", "c.lock"}) {
    int fd = open((dir / name).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  DIR *d = opendir(dir.path().c_str());
  ASSERT_NE(d, nullptr);
  std::set<std::string> names;
  struct dirent entry, *result = nullptr;
  while (SYSU_Readdir_r(d, &entry, &result) == 0 && result) names.insert(result->d_name);
  closedir(d);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "a", "b.dbm", "c.lock"}));
}

}  // namespace
