// Two processes on one registry: read-only ones share it, a read-write one keeps
// the others out. The second process is a fork of the test that tries OID_Init.
#include <sys/wait.h>
#include <unistd.h>

#include "oid_fixture.h"

namespace {

using kq::oid::test::List;

// OID_Init in a child process: its result (0, or the low byte of the code).
int InitInChild(const std::string &dir, uint32_t mode) {
  pid_t pid = fork();
  if (pid == 0) {
    OID_Term();  // the parent's registry state came along with the fork
    List l;
    uint32_t st = OID_Init(l, dir.c_str(), mode);
    OID_Term();
    _exit(st & 0xff);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr int kLockFailed = OID_ST_LOCK_FAILED & 0xff;

TEST(oid_process, ReadersShareAWriterIsAlone) {
  kq::oid::test::TempRegistry reg;
  List l;
  ASSERT_EQ(OID_Init(l, reg.dir().c_str(), OID_MODE_READ), 0u);
  EXPECT_EQ(InitInChild(reg.dir(), OID_MODE_READ), 0);
  EXPECT_EQ(InitInChild(reg.dir(), OID_MODE_WRITE), kLockFailed);
  OID_Term();

  ASSERT_EQ(OID_Init(l, reg.dir().c_str(), OID_MODE_WRITE), 0u);
  EXPECT_EQ(InitInChild(reg.dir(), OID_MODE_READ), kLockFailed);
  EXPECT_EQ(InitInChild(reg.dir(), OID_MODE_WRITE), kLockFailed);
  OID_Term();  // releases the lock
  EXPECT_EQ(InitInChild(reg.dir(), OID_MODE_WRITE), 0);
}

}  // namespace
