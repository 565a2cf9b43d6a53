// kqspoold with -w: its server, printer and queue entries written into a printers
// file of the test's own, resolved by the directory like any other server's (through
// the pts service of the ns_pts fixture) and gone again once the daemon stops. That
// clients reach a server through such entries the end-to-end tests show.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <memory>

#include "infra/ns.h"
#include "printers_env.h"
#include "spool_test_util.h"

namespace kq::spool::test {
namespace {

constexpr uint32_t kProgram = 1263599618, kVersion = 3;

class DaemonDirectory : public kq::test::PrintersFiles {
 public:
  void SetUp() override {
    const char *state = getenv("KQ_PTS_FIXTURE");
    if (!state) GTEST_SKIP() << "KQ_PTS_FIXTURE is not set: run through ctest";
    std::string skip = kq::test::ReadFile(std::string(state) + "/skip");
    if (!skip.empty()) GTEST_SKIP() << skip;
    WriteEtc("");
  }
  // Starts the daemon with the configuration given, handing the leak checker of
  // sanitizer builds the suppressions of libtirpc's own leaks.
  std::unique_ptr<SpawnedDaemon> Start(const std::string &config) {
    kq::test::WriteFile(tmp / "spool.conf", config);
    kq::test::WriteFile(tmp / "lsan.supp", __lsan_default_suppressions());
    std::string lsan = "suppressions=" + tmp / "lsan.supp";
    kq::test::EnvGuard sanitizer{{"LSAN_OPTIONS", lsan.c_str()}};
    return std::make_unique<SpawnedDaemon>(
        std::vector<std::string>{"-l", "-w", "-p", std::to_string(kProgram), "-v",
                                 std::to_string(kVersion), "-c", tmp / "spool.conf"});
  }
};

TEST_F(DaemonDirectory, EntriesLeadClientsToTheServerAndLeaveWithIt) {
  auto daemon = Start("server spool-w\nprinter lpw queue qw\n");
  ASSERT_TRUE(daemon->ready());
  struct Entry {
    const char *name;
    int kind;
  } entries[] = {{"spool-w", NS_KIND_SPOOLER}, {"lpw", NS_KIND_LOGICAL}, {"qw", NS_KIND_QUEUE}};
  for (const Entry &e : entries) {
    SCOPED_TRACE(e.name);
    ns_dpa_addr_t *a = ns_get_dpa_addr(e.name, e.kind);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(a->prognum), kProgram);
    EXPECT_EQ(static_cast<uint32_t>(a->versnum), kVersion);
    EXPECT_STREQ(a->server, "spool-w");
    EXPECT_STREQ(a->host, "localhost");  // -l: served on loopback only
    ns_free_dpa_addr(a);
  }
  int status = daemon->Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const Entry &e : entries) EXPECT_EQ(ns_get_dpa_addr(e.name, e.kind), nullptr) << e.name;
  EXPECT_EQ(kq::test::ReadFile(etc).find("addr="), std::string::npos) << kq::test::ReadFile(etc);
}

TEST_F(DaemonDirectory, RefusesToStartWhenTheDirectoryRefusesAnEntry) {
  // An entry name the directory does not take: the daemon stops before serving and
  // leaves nothing behind.
  auto daemon = Start("server spool-w\nprinter bad.name\n");
  EXPECT_FALSE(daemon->ready());
  int status = daemon->Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(ns_get_dpa_addr("spool-w", NS_KIND_SPOOLER), nullptr);
}

}  // namespace
}  // namespace kq::spool::test
