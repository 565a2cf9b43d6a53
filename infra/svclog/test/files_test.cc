// Log file names, rollover by size, and trimming of old files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include "log_fixture.h"

namespace {

using svclog_files = LogTest;
using kq::svclog::IsStamp;

void Touch(const std::string &path, time_t mtime) {
  kq::test::WriteFile(path, "old\n");
  struct utimbuf times = {mtime, mtime};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST_F(svclog_files, FileIsNamedByStampAndCreatedAtFirstWrite) {
  auto minute = [] {
    char text[16];
    time_t now = time(nullptr);
    strftime(text, sizeof text, "%m%d-%H%M", localtime(&now));
    return std::string(text);
  };
  std::string before = minute();
  std::string name = LogToFile("E");
  std::string after = minute();
  ASSERT_EQ(name.size(), Path("app").size() + 16);
  EXPECT_EQ(name.substr(0, Path("app").size() + 1), Path("app") + ".");
  std::string stamp = name.substr(name.size() - 15);
  EXPECT_TRUE(IsStamp(stamp.c_str())) << stamp;

  EXPECT_TRUE(stamp.substr(0, 9) == before || stamp.substr(0, 9) == after) << stamp;

  EXPECT_TRUE(Files().empty());
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "first");
  EXPECT_EQ(Files(), std::vector<std::string>{name.substr(dir_.path().size() + 1)});
  // Selecting the same path again keeps a file that has been written to.
  EXPECT_EQ(LOG_SetAddress(Path("app").c_str()), name);
}

TEST_F(svclog_files, StampValidityFollowsTheLimits) {
  EXPECT_TRUE(IsStamp("1231-235959-999"));
  EXPECT_TRUE(IsStamp("0100-000000-000"));
  for (const char *bad : {"2231-235959-999", "0141-000000-000", "0101-300000-000",
                          "0101-006000-000", "0101-000060-000", "0101_000000-000", "0101-000000-00",
                          "0101-000000-0000", "0101-00000a-000"}) {
    EXPECT_FALSE(IsStamp(bad)) << bad;
  }
}

TEST_F(svclog_files, FullFileRollsOverToALaterStamp) {
  LogToFile("E");
  LOG_SetLogSize(1000);
  std::string text(60, 'r');
  std::vector<std::string> sent;
  for (int i = 0; i < 40; ++i) {
    sent.push_back(std::to_string(i) + text);
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", sent.back().c_str());
  }
  auto files = Files();
  ASSERT_GE(files.size(), 3u);
  std::vector<std::string> received;
  for (size_t i = 0; i < files.size(); ++i) {
    ASSERT_TRUE(IsStamp(files[i].c_str() + 4)) << files[i];
    if (i > 0) {
      EXPECT_LT(files[i - 1], files[i]);
    }
    std::string content = ReadFile(Path(files[i]));
    EXPECT_LE(content.size(), 1000u) << files[i];
    // A file is only left when the next message would not fit.
    if (i + 1 < files.size()) {
      size_t next = Lines(ReadFile(Path(files[i + 1])))[0].size() + 1;
      EXPECT_GT(content.size() + next, 1000u) << files[i];
    }
    for (const auto &t : Texts(content)) received.push_back(t);
  }
  EXPECT_EQ(received, sent);
}

TEST_F(svclog_files, TrimKeepsTheNewestLogsAndEveryOtherFile) {
  const std::vector<std::string> others = {"app.notastamp", "app.0141-000000-000",
                                           "app.0101-000000-000x", "other.0101-000000-000", "app"};
  for (const auto &o : others) Touch(Path(o), 1000);
  Touch(Path("app.0101-000000-000"), 1000);  // oldest of all
  LogToFile("E");
  LOG_SetMaxNoOfLogs(2);
  LOG_SetLogSize(1000);
  std::string text(200, 't');
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", text.c_str());
    std::string name = LOG_SetAddress(nullptr);
    if (names.empty() || names.back() != name) names.push_back(name);
  }
  ASSERT_GE(names.size(), 3u);
  auto expected = others;
  expected.push_back(names[names.size() - 2].substr(dir_.path().size() + 1));
  expected.push_back(names.back().substr(dir_.path().size() + 1));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Files(), expected);
}

TEST_F(svclog_files, OlderOrdersByTimeThenDecemberBeforeJanuaryThenStamp) {
  auto older = [](time_t ta, const char *a, time_t tb, const char *b) {
    LOG__logEntry x{ta, {}}, y{tb, {}};
    snprintf(x.stamp, sizeof x.stamp, "%s", a);
    snprintf(y.stamp, sizeof y.stamp, "%s", b);
    return LOG__older(&x, &y);
  };
  EXPECT_LT(older(1, "1231-000000-000", 2, "0101-000000-000"), 0);
  EXPECT_GT(older(2, "0101-000000-000", 1, "1231-000000-000"), 0);
  EXPECT_LT(older(5, "1231-235959-999", 5, "0101-000000-000"), 0) << "December first";
  EXPECT_GT(older(5, "0101-000000-000", 5, "1231-235959-999"), 0);
  EXPECT_LT(older(5, "0302-000000-000", 5, "1201-000000-000"), 0) << "not January: by stamp";
  EXPECT_LT(older(5, "0101-000000-001", 5, "0101-000000-002"), 0);
  EXPECT_EQ(older(5, "0101-000000-001", 5, "0101-000000-001"), 0);

  // The same rule decides which file goes when modification times are equal.
  Touch(Path("app.0101-000000-000"), 5000);
  Touch(Path("app.1231-235959-999"), 5000);
  EXPECT_EQ(LOG__trim(Path("app").c_str(), 1), 1);
  EXPECT_EQ(Files(), std::vector<std::string>{"app.0101-000000-000"});
  EXPECT_EQ(LOG__trim(Path("missing/app").c_str(), 1), -1);
}

TEST_F(svclog_files, LoweringTheMaximumTrimsAtOnce) {
  for (int i = 0; i < 5; ++i) Touch(Path("app.010" + std::to_string(i) + "-000000-000"), 1000 + i);
  LOG_SetMaxNoOfLogs(1);  // output is standard output: nothing to trim
  EXPECT_EQ(Files().size(), 5u);
  LogToFile("E");  // resets the maximum to unlimited
  LOG_SetMaxNoOfLogs(4);
  EXPECT_EQ(Files().size(), 4u) << "from unlimited";
  LOG_SetMaxNoOfLogs(6);
  LOG_SetMaxNoOfLogs(5);
  EXPECT_EQ(Files().size(), 4u) << "5 keeps 4";
  LOG_SetMaxNoOfLogs(2);
  EXPECT_EQ(Files(), (std::vector<std::string>{"app.0103-000000-000", "app.0104-000000-000"}));
}

TEST_F(svclog_files, UnopenableFileLosesTheMessageOnly) {
  LOG_Init(Path("no/such/dir/app").c_str(), "E");
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "lost");
  LOG_Init(Path("app").c_str(), "E");
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "kept");
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(Texts(ReadFile(Path(Files()[0]))), std::vector<std::string>{"kept"});
}

// Writing to a full device (stdout on /dev/full) loses the messages and nothing else:
// the program goes on, and a later file of its own gets the next message.
TEST_F(svclog_files, FullDeviceLosesTheMessagesAndTheProgramGoesOn) {
  pid_t child = fork();
  if (child == 0) {
    int full = open("/dev/full", O_WRONLY);
    if (full < 0 || dup2(full, 1) < 0) _exit(10);
    LOG_Init("stdout", "E");
    for (int i = 0; i < 500; ++i)
      LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%0512d", i);  // far past any buffer
    LOG_Init(Path("app").c_str(), "E");
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "kept");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(Texts(ReadFile(Path(Files()[0]))), std::vector<std::string>{"kept"});
}

}  // namespace
