// Writing entries back: exact bytes, replacement, removal, the file mode, the lock
// file's counter, reloads in other processes and a writer killed mid-way.
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "private/prt_internal.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

using PrtWrite = PrtFiles;

ns_printer_t *MakePrinter(const char *name, const char *source,
                          std::initializer_list<std::pair<const char *, const char *>> values) {
  ns_printer_t *p = ns_printer_create(name, nullptr, source, nullptr);
  for (auto [k, v] : values) EXPECT_EQ(ns_set_value_from_string(k, v, p), 0);
  return p;
}

int PutAndDestroy(ns_printer_t *p) {
  int rc = ns_printer_put(p);
  ns_printer_destroy(p);
  return rc;
}

uint32_t Counter(const std::string &file) {
  std::string bytes = ReadFile(file + ".LCK");
  uint32_t c = 0;
  if (bytes.size() >= 4) memcpy(&c, bytes.data(), 4);
  return c;
}

TEST_F(PrtWrite, WrittenFormIsExactAndReadsBack) {
  WriteEtc("# hand comment\nold|o:\\\n  :description=kept:\n");
  ns_printer_t *p = MakePrinter("new", "etc", {{"bsdaddr", "srv,q"}, {"all", "a,b"}});
  p->aliases = (char **)list_append(nullptr, strdup("nw"));
  ASSERT_EQ(PutAndDestroy(p), 0);
  EXPECT_EQ(ReadFile(etc), kHeader +
                               "old|o:\\\n\t:description=kept:\n"
                               "new|nw:\\\n\t:bsdaddr=srv,q:\\\n\t:all=a,b:\n");
  EXPECT_EQ(Value("nw", "bsdaddr"), "srv,q");
  EXPECT_EQ(Value("new", "all"), "a,b");
  EXPECT_EQ(Value("old", "description"), "kept");
  EXPECT_EQ(Counter(etc), 1u);
}

TEST_F(PrtWrite, ReplacesByAliasAndRemovesWithoutAttributes) {
  WriteEtc("a|alpha:k=1:\nb:k=2:\nc:k=3:\n");
  ASSERT_EQ(PutAndDestroy(MakePrinter("alpha", "etc", {{"k", "9"}})), 0);
  EXPECT_EQ(ReadFile(etc), kHeader + "alpha:\\\n\t:k=9:\nb:\\\n\t:k=2:\nc:\\\n\t:k=3:\n");
  ASSERT_EQ(PutAndDestroy(MakePrinter("b", "etc", {})), 0);
  EXPECT_EQ(ReadFile(etc), kHeader + "alpha:\\\n\t:k=9:\nc:\\\n\t:k=3:\n");
  EXPECT_EQ(Value("b", "k"), "<none>");
  EXPECT_EQ(Counter(etc), 2u);
}

TEST_F(PrtWrite, FileModeIsKeptAndMissingFileIsCreated) {
  ASSERT_EQ(PutAndDestroy(MakePrinter("p", "etc", {{"k", "v"}})), 0);
  EXPECT_EQ(Value("p", "k"), "v");
  ASSERT_EQ(chmod(etc.c_str(), 0640), 0);
  ASSERT_EQ(PutAndDestroy(MakePrinter("q", "etc", {{"k", "w"}})), 0);
  struct stat st;
  ASSERT_EQ(stat(etc.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(access((etc + "-").c_str(), F_OK), -1) << "temporary file left behind";
}

TEST_F(PrtWrite, UserFileHoldsUseAndAll) {
  ASSERT_EQ(PutAndDestroy(MakePrinter("_all", "user", {{"all", "x,y"}})), 0);
  ASSERT_EQ(PutAndDestroy(MakePrinter("mine", "user", {{"use", "x"}})), 0);
  EXPECT_EQ(ReadFile(user), kHeader + "_all\tx,y\nmine\tx\n");
  EXPECT_EQ(Value("mine", "use", "user"), "x");
}

TEST_F(PrtWrite, RefusalsLeaveTheFileAlone) {
  WriteEtc("a:k=1:\n");
  std::string before = ReadFile(etc);
  // Over the entry limit, sources that cannot be written (no NIS domain here), and
  // whatever would not read back the same.
  const struct {
    const char *name, *source, *key;
    std::string value;
  } rows[] = {// clang-format off
      {"big", "etc", "k", std::string(1100, 'z')}, {"x", nullptr, "k", "1"},
      {"x", "posix", "k", "1"}, {"x", "nis", "k", "1"}, {"a:b", "etc", "k", "1"},
      {"#c", "etc", "k", "1"}, {"x y", "etc", "k", "1"}, {"x", "etc", "k", "a=b"},
      {"x", "etc", "k", "a:b"}, {"x", "etc", "k", "trailing "}, {"x", "etc", "k=", "v"},
      {"x", "user", "use", "two\nlines"}};
  // clang-format on
  for (const auto &r : rows)
    EXPECT_EQ(PutAndDestroy(MakePrinter(r.name, r.source, {{r.key, r.value.c_str()}})), -1)
        << r.name << " " << r.key << "=" << r.value.substr(0, 20);
  EXPECT_EQ(ns_printer_put(nullptr), -1);
  EXPECT_EQ(ReadFile(etc), before);
  EXPECT_EQ(ns_printer_get_name("a", "nis"), nullptr);
  // A directory that cannot hold the temporary file.
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  EXPECT_EQ(PutAndDestroy(MakePrinter("x", "etc", {{"k", "1"}})), -1);
}

TEST_F(PrtWrite, AnotherProcessSeesTheWriteAtOnce) {
  WriteEtc("a:k=1:\n");
  EXPECT_EQ(Value("a", "k"), "1");  // cached now
  pid_t child = fork();
  if (child == 0) _exit(PutAndDestroy(MakePrinter("a", "etc", {{"k", "2"}})) == 0 ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Value("a", "k"), "2");
}

TEST_F(PrtWrite, WriterKilledBeforeTheRenameLeavesTheOldFile) {
  WriteEtc("a:k=1:\n");
  std::string before = ReadFile(etc);
  pid_t child = fork();
  if (child == 0) {
    kq::prt::beforeRename = [](const char *) { raise(SIGKILL); };
    PutAndDestroy(MakePrinter("b", "etc", {{"k", "2"}}));
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(ReadFile(etc), before);
  EXPECT_EQ(Counter(etc), 0u);
  // The dead writer's lock went with it; the next write succeeds and completes.
  ASSERT_EQ(PutAndDestroy(MakePrinter("b", "etc", {{"k", "3"}})), 0);
  EXPECT_EQ(Value("a", "k"), "1");
  EXPECT_EQ(Value("b", "k"), "3");
}

TEST_F(PrtWrite, UserWithoutWritePermissionReadsButCannotWrite) {
  struct passwd *nobody = getpwnam("nobody");
  if (getuid() != 0 || !nobody) GTEST_SKIP() << "needs root and a user \"nobody\"";
  ASSERT_EQ(PutAndDestroy(MakePrinter("a", "etc", {{"k", "1"}})), 0);  // makes the lock file
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod(etc.c_str(), 0644), 0);
  ASSERT_EQ(chmod((etc + ".LCK").c_str(), 0644), 0);
  std::string before = ReadFile(etc);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(10);
    if (Value("a", "k") != "1") _exit(11);
    if (PutAndDestroy(MakePrinter("b", "etc", {{"k", "2"}})) != -1) _exit(12);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: no setuid, 11: could not read, 12: wrote";
  EXPECT_EQ(ReadFile(etc), before);
}

}  // namespace
}  // namespace kq::prt::test
