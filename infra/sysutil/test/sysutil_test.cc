// Record locks between processes, and directory reading.
#include "infra/sysutil.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "kqtest.h"

// Tries the lock from a child process (record locks are per process) and returns
// 0 when it was granted, 1 when refused.
static int ChildTries(int fd, short type) {
  struct flock l = {.l_type = type, .l_whence = SEEK_SET, .l_start = 0, .l_len = 0, .l_pid = 0};
  pid_t pid = fork();
  if (pid == 0) _exit(SYSU_LockFile(fd, 0, &l) == 0 ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WEXITSTATUS(status);
}

TEST(sysu, ALockKeepsOtherProcessesOutUntilUnlockedAndTheDirectoryListsItsFile) {
  kq::test::TempDir dir;
  int fd = open((dir / "lock").c_str(), O_RDWR | O_CREAT, 0644);
  struct flock l = {.l_type = F_WRLCK, .l_whence = SEEK_SET, .l_start = 0, .l_len = 0, .l_pid = 0};
  ASSERT_EQ(SYSU_LockFile(fd, 1, &l), 0);
  EXPECT_EQ(ChildTries(fd, F_RDLCK), 1);
  EXPECT_EQ(SYSU_UnlockFile(fd, &l), 0);
  EXPECT_EQ(ChildTries(fd, F_WRLCK), 0);
  close(fd);

  DIR *d = opendir(dir.path().c_str());
  std::set<std::string> names;
  struct dirent entry, *result = nullptr;
  while (SYSU_Readdir_r(d, &entry, &result) == 0 && result) names.insert(result->d_name);
  closedir(d);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "lock"}));
}
