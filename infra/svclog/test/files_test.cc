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
  auto minute = [text = std::string(16, 0)]() mutable {
    time_t now = time(nullptr);
    return text.substr(0, strftime(text.data(), text.size(), "%m%d-%H%M", localtime(&now)));
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

// A full file is left only when the next message would not fit; trimming then keeps the
// newest logs and every file that is not one of this log's.
TEST_F(svclog_files, FullFileRollsOverAndTrimKeepsTheNewestLogsAndEveryOtherFile) {
  std::vector<std::string> others = {"app.notastamp", "app.0141-000000-000", "app.0101-000000-000x",
                                     "other.0101-000000-000", "app"};
  for (const auto &o : others) Touch(Path(o), 1000);
  Touch(Path("app.0101-000000-000"), 1000);  // oldest of all
  LogToFile("E");
  LOG_SetMaxNoOfLogs(3);
  LOG_SetLogSize(1000);
  std::vector<std::string> sent, logs, received, rest;
  for (int i = 0; i < 60; ++i) {
    sent.push_back(std::to_string(i) + std::string(60, 'r'));
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", sent.back().c_str());
  }
  for (const auto &f : Files()) (IsStamp(f.c_str() + 4) ? logs : rest).push_back(f);
  ASSERT_EQ(logs.size(), 3u);
  for (size_t i = 0; i < logs.size(); ++i) {
    std::string content = ReadFile(Path(logs[i]));
    EXPECT_LE(content.size(), 1000u) << logs[i];
    if (i + 1 < logs.size()) {
      size_t next = Lines(ReadFile(Path(logs[i + 1])))[0].size() + 1;
      EXPECT_GT(content.size() + next, 1000u) << logs[i];
    }
    for (const auto &t : Texts(content)) received.push_back(t);
  }
  EXPECT_EQ(received, std::vector<std::string>(sent.end() - received.size(), sent.end()));
  std::sort(others.begin(), others.end());
  EXPECT_EQ(rest, others);
}

TEST_F(svclog_files, OlderOrdersByTimeThenDecemberBeforeJanuaryThenStamp) {
  // Both directions of each comparison, as signs.
  auto older = [](time_t ta, const char *a, time_t tb, const char *b) {
    LOG__logEntry x{ta, {}}, y{tb, {}};
    snprintf(x.stamp, sizeof x.stamp, "%s", a);
    snprintf(y.stamp, sizeof y.stamp, "%s", b);
    int xy = LOG__older(&x, &y), yx = LOG__older(&y, &x);
    return std::make_pair((xy > 0) - (xy < 0), (yx > 0) - (yx < 0));
  };
  const auto first = std::make_pair(-1, 1);
  EXPECT_EQ(older(1, "1231-000000-000", 2, "0101-000000-000"), first) << "by time";
  EXPECT_EQ(older(5, "1231-235959-999", 5, "0101-000000-000"), first) << "December first";
  EXPECT_EQ(older(5, "0302-000000-000", 5, "1201-000000-000"), first) << "not January: by stamp";
  EXPECT_EQ(older(5, "0101-000000-001", 5, "0101-000000-002"), first);
  EXPECT_EQ(older(5, "0101-000000-001", 5, "0101-000000-001"), std::make_pair(0, 0));
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
