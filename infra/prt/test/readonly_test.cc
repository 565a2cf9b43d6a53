// Printers files in a directory that cannot be written (a read-only mount, which
// refuses root too): every change is refused with -1 and a logged reason, the file and
// its lock file stay byte for byte as they were, and lookups go on answering.
#include <sys/stat.h>

#include <filesystem>

#include "mount_ns.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

class PrtReadOnly : public PrtFiles {
 protected:
  std::string ro = tmp / "ro", etcFile = ro + "/printers.conf", userFile = ro + "/.printers";

  void SetUp() override {
    ASSERT_EQ(mkdir(ro.c_str(), 0755), 0);
    env.Set("PRINTERS_CONF", etcFile.c_str());
    env.Set("HOME", ro.c_str());
    WriteFile(etcFile, "lp|l:k=v:\nother:use=lp:\n");
    WriteFile(userFile, "mine\tlp\n");
  }

  // The names and contents of everything in the directory.
  std::string Snapshot() const {
    std::string all;
    for (const auto &e : std::filesystem::directory_iterator(ro))
      all += e.path().filename().string() + "=" + ReadFile(e.path()) + ";";
    return all;
  }
};

TEST_F(PrtReadOnly, ChangesAreRefusedAndNothingMoves) {
  const struct Row {
    const char *source, *name, *key, *value;  // key null: remove the entry
    bool lockFile;                            // a lock file (counter 5) exists
  } rows[] = {
      {"etc", "new", "k", "x", true},         {"etc", "lp", "k", "x", true},
      {"etc", "lp", nullptr, nullptr, false}, {"user", "new", "use", "other", false},
      {"user", "mine", "use", "other", true}, {"user", "mine", nullptr, nullptr, true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.source) + " " + row.name + (row.key ? " put" : " remove"));
    std::string file = std::string(row.source) == "etc" ? etcFile : userFile;
    unlink((etcFile + ".LCK").c_str());
    unlink((userFile + ".LCK").c_str());
    if (row.lockFile) WriteFile(file + ".LCK", std::string("\5\0\0\0", 4));
    const std::string before = Snapshot();
    std::string report = kq::test::InMountNamespace([&] {
      std::string why = kq::test::MountReadOnly(ro);
      if (!why.empty()) return why;
      kq::test::LogCapture log("X");
      ns_printer_t *p = ns_printer_create(row.name, nullptr, row.source, nullptr);
      if (row.key) ns_set_value_from_string(row.key, row.value, p);
      int rc = ns_printer_put(p);
      ns_printer_destroy(p);
      bool logged =
          log.Text().find("libprint: Cannot open lock file " + file + ".LCK") != std::string::npos;
      return std::to_string(rc) + (logged ? " logged" : " silent") + " lp=" + Value("l", "k") +
             " other=" + Value("other", "k") + " mine=" + Value("mine", "k") +
             " new=" + Value("new", "k");
    });
    if (report.rfind(kq::test::kMountSkip, 0) == 0) GTEST_SKIP() << report;
    EXPECT_EQ(report, "-1 logged lp=v other=v mine=v new=<none>");
    EXPECT_EQ(Snapshot(), before);
  }
}

}  // namespace
}  // namespace kq::prt::test
