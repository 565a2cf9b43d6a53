// The log on a filesystem that fills up: a small tmpfs in a mount namespace of the
// test's own. Writes that find no room lose their messages and nothing else: the
// program runs on, whole messages stay in order, and rollover with trimming makes room
// for the newest messages again.
#include <sys/stat.h>

#include <cstdio>

#include "log_fixture.h"
#include "mount_ns.h"

namespace {

class svclog_full : public LogTest {
 protected:
  static std::string Describe(const std::string &content);
};

// One log file as the messages numbered "%05d" left it: the first and the last whole
// message, and whether they are consecutive; "cut" when a torn message ends it.
std::string svclog_full::Describe(const std::string &content) {
  std::vector<std::string> texts = Texts(content);
  bool cut = !content.empty() && content.back() != '\n';
  if (cut) texts.pop_back();
  if (texts.empty()) return cut ? "empty cut" : "empty";
  int first = atoi(texts.front().c_str()), expect = first;
  for (const auto &t : texts) {
    if (t.size() != 506 || atoi(t.c_str()) != expect++) return "garbled at " + t.substr(0, 5);
  }
  char text[64];
  snprintf(text, sizeof text, "%d-%d%s", first, expect - 1, cut ? " cut" : "");
  return text;
}

TEST_F(svclog_full, FullFilesystemLosesMessagesAndRolloverMakesRoom) {
  const struct Row {
    const char *what;
    size_t fs, filler;  // tmpfs size and the bytes another file takes first
    long logSize;
    int maxLogs;
  } rows[] = {
      // The log alone fills it: one file, the messages that fitted, the rest lost.
      {"no limits", 64 << 10, 0, 0, 0},
      // Room for two and a half files of the log: the third is cut short, and the
      // trim at each rollover deletes the oldest file, which gives the next one room.
      {"size limit and trimming", 64 << 10, 44 << 10, 8000, 3},
  };
  const int messages = 300;  // about 170 KiB
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    std::string fs = Path(std::string("fs-") + std::to_string(row.maxLogs));
    ASSERT_EQ(mkdir(fs.c_str(), 0755), 0);
    std::string report = kq::test::InMountNamespace([&] {
      std::string why = kq::test::MountTmpfs(fs, row.fs);
      if (!why.empty()) return why;
      if (row.filler) kq::test::WriteFile(fs + "/filler", std::string(row.filler, 'f'));
      LOG_Init((fs + "/app").c_str(), "E");
      LOG_SetLogSize(row.logSize);
      LOG_SetMaxNoOfLogs(row.maxLogs);
      for (int i = 0; i < messages; ++i)
        LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%05d %0500d", i, 0);
      LOG_Term();
      // The files oldest first (their stamps sort by time within a day), one line each.
      std::vector<std::string> names;
      for (const auto &e : std::filesystem::directory_iterator(fs)) {
        std::string name = e.path().filename().string();
        if (name.rfind("app.", 0) == 0) names.push_back(name);
      }
      std::sort(names.begin(), names.end());
      std::string out;
      for (const auto &name : names) out += Describe(ReadFile(fs + "/" + name)) + "\n";
      return out;
    });
    if (report.rfind(kq::test::kMountSkip, 0) == 0) GTEST_SKIP() << report;
    std::vector<std::string> files = Lines(report);
    ASSERT_FALSE(files.empty()) << report;
    // Every file holds whole messages in order, and each file takes up where the one
    // before it ended; a message never comes twice.
    int next = 0;
    bool someCut = false;
    for (const auto &f : files) {
      int first = -1, last = -1;
      ASSERT_EQ(sscanf(f.c_str(), "%d-%d", &first, &last), 2) << report;
      EXPECT_GE(first, next) << report;
      next = last + 1;
      someCut |= f.find(" cut") != std::string::npos;
    }
    if (row.maxLogs == 0) {
      // The first message went in, later ones were lost once the filesystem was full.
      ASSERT_EQ(files.size(), 1u) << report;
      EXPECT_EQ(files[0].rfind("0-", 0), 0u) << report;
      EXPECT_LT(next, messages) << report;
      EXPECT_GT(next, 50) << report;
    } else {
      // The disk did fill, the oldest files went, and the newest messages of the
      // last file but one reached the disk whole after that.
      EXPECT_EQ(files.size(), static_cast<size_t>(row.maxLogs)) << report;
      EXPECT_TRUE(someCut) << report;
      EXPECT_GT(next, messages * 3 / 4) << report;
    }
  }
}

}  // namespace
