// Writing entries back: exact bytes, replacement, removal, the file mode, the lock
// file's counter, reloads in other processes and a writer killed mid-way.
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

// The change counter in the lock file of `file`.
uint32_t Counter(const std::string &file) {
  uint32_t c = 0;
  memcpy(&c, (ReadFile(file + ".LCK") + std::string(4, '\0')).data(), 4);
  return c;
}

// The exit status of a child process that runs `body`.
int InChild(int (*body)()) {
  pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? -WTERMSIG(status) : -99;
}

TEST_F(PrtWrite, WrittenFormIsExactReplacesByAliasAndRemoves) {
  WriteEtc("# hand comment\nold|o:\\\n  :description=kept:\nb:k=2:\n");
  ns_printer_t *p = ns_printer_create("new", nullptr, "etc", nullptr);
  ns_set_value_from_string("bsdaddr", "srv,q", p);
  ns_set_value_from_string("all", "a,b", p);
  p->aliases = (char **)list_append(nullptr, strdup("nw"));
  ASSERT_EQ(ns_printer_put(p), 0);
  ns_printer_destroy(p);
  EXPECT_EQ(ReadFile(etc), kHeader +
                               "old|o:\\\n\t:description=kept:\nb:\\\n\t:k=2:\n"
                               "new|nw:\\\n\t:bsdaddr=srv,q:\\\n\t:all=a,b:\n");
  EXPECT_EQ(Value("nw", "bsdaddr") + " " + Value("new", "all"), "srv,q a,b");
  // A put by an alias replaces the entry; a put without attributes removes it.
  ASSERT_EQ(Put("o", "etc", {{"k", "9"}}), 0);
  ASSERT_EQ(Put("b", "etc", {}), 0);
  EXPECT_EQ(ReadFile(etc),
            kHeader + "o:\\\n\t:k=9:\nnew|nw:\\\n\t:bsdaddr=srv,q:\\\n\t:all=a,b:\n");
  EXPECT_EQ(Value("b", "k"), "<none>");
  EXPECT_EQ(Counter(etc), 3u);
  // The user file holds "use" and "all" in its own form.
  ASSERT_EQ(Put("_all", "user", {{"all", "x,y"}}), 0);
  ASSERT_EQ(Put("mine", "user", {{"use", "x"}}), 0);
  EXPECT_EQ(ReadFile(user), kHeader + "_all\tx,y\nmine\tx\n");
  // A rewrite keeps the file's mode and leaves no temporary file behind.
  ASSERT_EQ(chmod(etc.c_str(), 0640), 0);
  ASSERT_EQ(Put("q", "etc", {{"k", "w"}}), 0);
  struct stat st;
  ASSERT_EQ(stat(etc.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(access((etc + "-").c_str(), F_OK), -1) << "temporary file left behind";
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
    EXPECT_EQ(Put(r.name, r.source, {{r.key, r.value}}), -1) << r.name << " " << r.key;
  EXPECT_EQ(ReadFile(etc), before);
  // A directory that cannot hold the temporary file.
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  EXPECT_EQ(Put("x", "etc", {{"k", "1"}}), -1);
}

// A write by another process is seen at once; one killed before its rename leaves the
// file as it was.
TEST_F(PrtWrite, OtherProcessesWritesAreSeenAtOnceOrNotAtAll) {
  WriteEtc("a:k=1:\n");
  EXPECT_EQ(Value("a", "k"), "1");  // cached now
  EXPECT_EQ(InChild([] { return Put("a", "etc", {{"k", "2"}}); }), 0);
  EXPECT_EQ(Value("a", "k"), "2");
  std::string before = ReadFile(etc);
  EXPECT_EQ(InChild([] {
              kq::prt::beforeRename = [](const char *) { raise(SIGKILL); };
              return Put("b", "etc", {{"k", "2"}});
            }),
            -SIGKILL);
  EXPECT_EQ(ReadFile(etc), before);
  EXPECT_EQ(Counter(etc), 1u);
  // The dead writer's lock went with it; the next write succeeds and completes.
  ASSERT_EQ(Put("b", "etc", {{"k", "3"}}), 0);
  EXPECT_EQ(Value("a", "k") + Value("b", "k"), "23");
}

TEST_F(PrtWrite, UserWithoutWritePermissionReadsButCannotWrite) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(Put("a", "etc", {{"k", "1"}}), 0);  // makes the lock file
  for (const std::string &f : {dir, etc, etc + ".LCK"})
    ASSERT_EQ(chmod(f.c_str(), f == dir ? 0755 : 0644), 0);
  std::string before = ReadFile(etc);
  EXPECT_EQ(kq::test::RunAs(
                65534, 65534,
                [] {
                  return Value("a", "k") + " " + std::to_string(Put("b", "etc", {{"k", "2"}}));
                }),
            "1 -1");
  EXPECT_EQ(ReadFile(etc), before);
}

}  // namespace
}  // namespace kq::prt::test
