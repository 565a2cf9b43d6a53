// The service log: line layouts in a file and in the system log, settings and the
// environment overrides, file names, rollover and trimming, and messages of
// concurrent threads. Each test gets a fresh facility, a clean environment and a
// temporary directory.
#include "infra/svclog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "infra/msg.h"
#include "kqtest.h"
#include "mount_ns.h"
#include "private/svclog_internal.h"

namespace {

using kq::svclog::IsStamp;
using kq::test::Lines;
using kq::test::ReadFile;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto v :
         {"LOG_SIZE", "LOG_MAX_LOGS", "LOG_FILE_PATH", "LOG_SEVERITY", "LOG_ENABLED", "JQP_TRACE"})
      env_.Unset(v);
  }
  void TearDown() override { LOG_Term(); }

  // Environment changes take effect at the next first use.
  void SetEnv(const char *name, const char *value) {
    value ? env_.Set(name, value) : env_.Unset(name);
    LOG_Term();
  }

  std::string Path(const std::string &name) const { return dir_ / name; }

  // Names in the test directory, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Logs to "<dir>/app" with the given severities; returns the file name chosen.
  std::string LogToFile(const char *letters) {
    LOG_Init(Path("app").c_str(), letters);
    return LOG_SetAddress(nullptr);
  }

  // The text of each line after its " | ".
  static std::vector<std::string> Texts(const std::string &content) {
    std::vector<std::string> texts;
    for (const auto &line : Lines(content)) {
      auto at = line.find(" | ");
      texts.push_back(at == std::string::npos ? "<no separator>" : line.substr(at + 3));
    }
    return texts;
  }

  // "%c %-5d " for this thread.
  static std::string Head(char letter) {
    char head[32];
    snprintf(head, sizeof head, "%c %-5d ", letter, static_cast<int>(gettid()));
    return head;
  }

  kq::test::TempDir dir_{"svclog"};
  kq::test::EnvGuard env_;
};

// ---- layout ------------------------------------------------------------------------

using svclog_layout = LogTest;

TEST_F(svclog_layout, TraceClassLineHasShortenedSourcePositionAndTimeSinceMidnight) {
  std::string file = LogToFile("X");
  LOG_CondMessage(LOG_SEV_DIAG, "/src/dir/rwlock.cc", 42, "step %s failed code=%d", "lock", 7);
  LOG_CondMessage(LOG_SEV_DIAG, nullptr, 0, "no file");
  // Long file names keep their first three and last six characters.
  const std::pair<const char *, int> positions[] = {
      {"abcdefghij", 1}, {"abcdefghijk", 22}, {"a.c", 55555}};
  for (const auto &[name, line] : positions) LOG_CondMessage(LOG_SEV_DIAG, name, line, "p");
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 5u);
  const size_t at = Head('X').size();
  const char *want[] = {"abcdefghij:1    ", "abc~fghijk:22   ", "       a.c:55555 "};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i + 2].substr(at, strlen(want[i])), want[i]);

  std::smatch m;
  std::regex withFile(Head('X') + " rwlock\\.cc:42   ([ 0-9]{5})\\.([0-9]{6}) \\| (.*)");
  ASSERT_TRUE(std::regex_match(lines[0], m, withFile)) << lines[0];
  EXPECT_NEAR(std::stol(m[1].str()), time(nullptr) - LOG_midnight.load(), 2);
  EXPECT_EQ(m[3].str(), "step lock failed code=7");
  // Without a file, 15 blanks stand for the position.
  std::regex noFile(Head('X') + std::string(15, ' ') + "[ 0-9]{5}\\.[0-9]{6} \\| no file");
  EXPECT_TRUE(std::regex_match(lines[1], noFile)) << lines[1];
}

TEST_F(svclog_layout, UserClassLineHasDateAndUser) {
  std::string file = LogToFile("EWA");
  for (auto [severity, user, text] :
       {std::tuple{LOG_SEV_WARNING, "alice", "disk almost full"},
        std::tuple{LOG_SEV_ALERT, (const char *)nullptr, "no user"}}) {
    ASSERT_EQ(LOG_StartMessage(severity, "ignored.cc", 1, user), 1);
    LOG_AddText(text);
    LOG_EndMessage();
  }
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m,
                               std::regex(Head('W') + "(.+), User=alice \\| disk almost full")))
      << lines[0];
  struct tm parsed = {};
  ASSERT_NE(strptime(m[1].str().c_str(), "%c", &parsed), nullptr) << m[1];
  parsed.tm_isdst = -1;
  EXPECT_NEAR(static_cast<double>(mktime(&parsed)), static_cast<double>(time(nullptr)), 3);
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(Head('A') + "[^|,]+ \\| no user"))) << lines[1];
}

TEST_F(svclog_layout, ContinuationLinesRepeatTheHeadAndAlignTheSeparator) {
  std::string file = LogToFile("EX");
  LOG_CondMessage(LOG_SEV_DIAG, "f.cc", 9, "first\nsecond\n\nfourth");
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "user\nclass\n");
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 6u);
  for (int first : {0, 4}) {
    size_t column = lines[first].find(" | ");
    std::string head = lines[first].substr(0, Head('E').size());
    std::string want = head + std::string(column - head.size(), ' ') + " | ";
    for (int i = first + 1; i < (first ? 6 : 4); ++i)
      EXPECT_EQ(lines[i].substr(0, column + 3), want) << lines[i];
  }
  EXPECT_EQ(Texts(ReadFile(file)),
            (std::vector<std::string>{"first", "second", "", "fourth", "user", "class"}));
}

// Messages written in pieces over several buffers are the threads suite's concern.
TEST_F(svclog_layout, OneFormattedCallIsLimitedToOneChunk) {
  std::string file = LogToFile("E");
  std::string text;
  for (int i = 0; text.size() < 3000; ++i) text += std::to_string(i) + ",";
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", text.c_str());
  EXPECT_EQ(Texts(ReadFile(file)).back(), text.substr(0, LOG_GetMaxTextChunk() - 1));
}

TEST_F(svclog_layout, UserMessagesComeFromTheCatalogue) {
  std::string file = LogToFile("FE");
  LOG_CondUserMessage(LOG_SEV_ERROR, 0xc016ffffu, 5);
  // The catalogue is another family's; expect whatever it says about this code.
  char format[LOG_MAX_TEXT_CHUNK], expected[256];
  uint32_t length = 0;
  bool found = MSG_GetUnformatted(2, 0xc016ffffu, nullptr, sizeof format, &length, format) == 0;
  snprintf(expected, sizeof expected, found ? format : "Error retrieving message from data file",
           5);
  EXPECT_EQ(Texts(ReadFile(file)), std::vector<std::string>{expected});
}

// The position macros head the line with the caller's file and the line where the
// macro is used.
TEST_F(svclog_layout, PositionMacrosGiveTheCallersFileAndLine) {
  std::string file = LogToFile("XF");
  const int line = __LINE__ + 1;
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "message %d", 1);
  LOG_COND_FUNC_TRACE("Fn", 1, nullptr);
  if (LOG_START_MESSAGE(LOG_SEV_DIAG, nullptr)) LOG_AddText("pieces"), LOG_EndMessage();
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(Texts(ReadFile(file)),
            (std::vector<std::string>{"message 1", "Entering Fn ", "pieces"}));
  // The position is the 16 characters after the head; the time follows.
  for (int i = 0; i < 3; ++i) {
    std::string position = "svc~est.cc:" + std::to_string(line + i);
    EXPECT_EQ(lines[i].substr(Head('X').size(), 16),
              position + std::string(16 - position.size(), ' '));
  }
}

// ---- syslog -----------------------------------------------------------------------
// No syslog daemon runs on the build machines, so the text handed to syslog is
// caught by a recording test double installed through the internal writer pointer.

std::vector<std::pair<int, std::string>> recorded;  // priority and text

class svclog_syslog : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    kq::svclog::syslogWriter = [](int priority, const char *text) {
      recorded.emplace_back(priority, text);
    };
  }
  void TearDown() override {
    kq::svclog::syslogWriter = saved_;
    LogTest::TearDown();
  }
  const kq::svclog::SyslogWriter saved_ = kq::svclog::syslogWriter;
};

TEST_F(svclog_syslog, LinesOmitDateAndTimeUsePrinterPrioritiesAndStopAt1023Characters) {
  EXPECT_EQ(LOG_Syslog("EWADX", "an-ident-of-twenty-chars", 0, 0x30), 0);
  EXPECT_STREQ(LOG_sys_ident, "an-ident-of-twen");
  for (int sev = 1; sev <= 5; ++sev) LOG_CondMessage(sev, "s.c", 7, "m%d", sev);
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, "bob"), 1);
  LOG_AddText("with user");
  LOG_EndMessage();

  ASSERT_EQ(recorded.size(), 6u);
  const int priorities[] = {51, 52, 54, 54, 55};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(recorded[i].first, priorities[i]) << i;
  EXPECT_EQ(recorded[0].second, Head('E') + " | m1\n");
  EXPECT_EQ(recorded[4].second, Head('X') + "       s.c:7     | m5\n");
  EXPECT_EQ(recorded[5].second, Head('E') + "User=bob | with user\n");
  // Only the first 1023 characters reach syslog.
  std::string text(3000, 'y');
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", text.c_str());
  ASSERT_EQ(recorded.size(), 7u);
  EXPECT_EQ(recorded[6].second, (Head('E') + " | " + text).substr(0, 1023));
}

// ---- settings ----------------------------------------------------------------------

using svclog_settings = LogTest;

TEST_F(svclog_settings, DefaultsWriteErrorsToStandardOutputAndLettersMakeTheMask) {
  testing::internal::CaptureStdout();
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "to stdout");
  LOG_CondFuncTrace("F", "f.c", 1, 1, nullptr);
  LOG_CondMessage(LOG_SEV_INFO, "f.c", 1, "info");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Texts(out), std::vector<std::string>{"to stdout"});
  EXPECT_EQ(LOG_SetSeverity(nullptr), 0x103u);
  // Severity letters make the mask (unknown letters are ignored); a null keeps it.
  const char *letters[] = {"EWS", "x", "Fw?E", nullptr, ""};
  const uint32_t masks[] = {0x103, 0x80000000, 0x41, 0x41, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LOG_SetSeverity(letters[i]), masks[i]) << i;
}

TEST_F(svclog_settings, SettersReturnPreviousValuesAndReportAsInfo) {
  std::string file = LogToFile("I");
  // Each setter's previous value, in the order called.
  const std::vector<long> previous = {LOG_SetUseOnce(1), LOG_SetUseOnce(0), LOG_SetLogSize(100000),
                                      LOG_SetMaxNoOfLogs(3), LOG_SetEnabled(0)};
  EXPECT_EQ(previous, (std::vector<long>{0, 1, 0, 0, 1}));
  // The first five reports are LOG_Init's own settings.
  std::string reports;
  for (const std::string &text : Texts(ReadFile(file))) reports += text + "; ";
  EXPECT_EQ(reports,
            "LOG_SetEnabled: logging is enabled; LOG_SetLogSize: size = unlimited; "
            "LOG_SetLogSize: was = 0; LOG_SetMaxNoOfLogs: no = unlimited; "
            "LOG_SetUseOnce: to true; LOG_SetUseOnce: to false; "
            "LOG_SetLogSize: size = 100000; LOG_SetLogSize: was = 0; "
            "LOG_SetMaxNoOfLogs: 3 logs; LOG_SetEnabled: logging is disabled; ");
}

TEST_F(svclog_settings, EnvironmentOverridesEveryArgument) {
  SetEnv("LOG_SEVERITY", "F");
  std::string file = LogToFile("E");
  EXPECT_EQ(LOG_SetSeverity("EWS"), 0x40u);
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "suppressed");
  LOG_CondFuncTrace("AS_Create", "as.c", 5, 0, "rc=%d", 0);
  EXPECT_EQ(Texts(ReadFile(file)), std::vector<std::string>{"Leaving AS_Create rc=0"});

  // Size and count overrides replace the arguments the same way.
  env_.Set("LOG_SIZE", "5000");
  SetEnv("LOG_MAX_LOGS", "4");
  LOG_Init(Path("app").c_str(), "E");  // sets size 0 and count 0, both overridden
  EXPECT_EQ(std::make_pair(LOG_SetLogSize(10), LOG_SetMaxNoOfLogs(1)), std::make_pair(5000L, 4));
}

TEST_F(svclog_settings, DisabledLoggingOpensNoMessageAndLogEnabledAcceptsOnlyFourWords) {
  std::string file = LogToFile("E");
  LOG_SetEnabled(0);
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, nullptr), 0);
  LOG_AddText("nothing is open");
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "off");
  LOG_SetEnabled(1);
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "on");
  EXPECT_EQ(Texts(ReadFile(file)), std::vector<std::string>{"on"});
  // LOG_ENABLED's value and LOG_enabled after LOG_SetEnabled(0) and after (1).
  const std::tuple<const char *, int, int> cases[] = {
      {"true", 1, 1}, {"no", 0, 0}, {"TRUE", 0, 1}, {"", 0, 1}};
  for (const auto &[value, afterOff, afterOn] : cases) {
    SetEnv("LOG_ENABLED", value);
    LOG_SetEnabled(0);
    int off = LOG_enabled.load();
    LOG_SetEnabled(1);
    EXPECT_EQ(std::make_pair(off, LOG_enabled.load()), std::make_pair(afterOff, afterOn)) << value;
  }
}

TEST_F(svclog_settings, JqpTraceDefaultsToStandardOutputAndDiagnosticSeverities) {
  SetEnv("JQP_TRACE", "1");
  EXPECT_EQ(LOG_SetSeverity("E"), kq::svclog::SeverityMask("EWADSIX"));
  EXPECT_STREQ(LOG_SetAddress(Path("app").c_str()), "standard output");
  env_.Set("LOG_FILE_PATH", Path("trace").c_str());
  SetEnv("LOG_SEVERITY", "W");
  EXPECT_EQ(LOG_SetSeverity(nullptr), 0x2u);
  std::string name = LOG_SetAddress("stdout");
  EXPECT_EQ(name.substr(0, Path("trace").size() + 1), Path("trace") + ".");
  EXPECT_TRUE(kq::svclog::IsStamp(name.c_str() + Path("trace").size() + 1)) << name;
}

// ---- files -------------------------------------------------------------------------

using svclog_files = LogTest;

void Touch(const std::string &path, time_t mtime) {
  kq::test::WriteFile(path, "old\n");
  struct utimbuf times = {mtime, mtime};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST_F(svclog_files, FileIsNamedByStampAndCreatedAtFirstWrite) {
  std::string name = LogToFile("E");
  ASSERT_EQ(name.size(), Path("app").size() + 16);
  EXPECT_EQ(name.substr(0, Path("app").size() + 1), Path("app") + ".");
  std::string stamp = name.substr(name.size() - 15);
  EXPECT_TRUE(IsStamp(stamp.c_str())) << stamp;

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
  EXPECT_EQ(older(5, "0101-000000-001", 5, "0101-000000-001"), std::make_pair(0, 0));
  // The same rule decides which file goes when modification times are equal.
  Touch(Path("app.0101-000000-000"), 5000);
  Touch(Path("app.1231-235959-999"), 5000);
  EXPECT_EQ(LOG__trim(Path("app").c_str(), 1), 1);
  EXPECT_EQ(Files(), std::vector<std::string>{"app.0101-000000-000"});
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

// ---- threads -----------------------------------------------------------------------

using svclog_threads = LogTest;

TEST_F(svclog_threads, ConcurrentMessagesNeverInterleave) {
  std::string file = LogToFile("EX");
  constexpr int kMessages = 3000;
  // Every fourth message spans several text buffers, so it is written in pieces.
  auto tail = [](int i) { return i % 4 == 0 ? std::string(1500, 'p') : std::string(); };
  auto writer = [&tail](int id) {
    for (int i = 0; i < kMessages; ++i) {
      if (i % 2) {
        LOG_CondMessage(LOG_SEV_DIAG, "thread.cc", id, "t%d m%d first\nt%d m%d second", id, i, id,
                        i);
      } else {
        ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, "u"), 1);
        LOG_CondAdd("t%d m%d first", id, i);
        LOG_AddText("\n");
        LOG_CondAdd("t%d m%d second", id, i);
        LOG_AddText(tail(i).c_str());
        LOG_EndMessage();
      }
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();

  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u * 2 * kMessages);
  std::regex first("([EX]) ([0-9]+ *) .* \\| t([12]) m([0-9]+) first");
  int next[3] = {0, 0, 0};
  for (size_t i = 0; i < lines.size(); i += 2) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, first)) << lines[i];
    int id = std::stoi(m[3].str()), n = std::stoi(m[4].str());
    EXPECT_EQ(n, next[id]++) << "each thread's messages in order";
    std::string second = m[1].str() + " " + m[2].str() + " ";
    EXPECT_EQ(lines[i + 1].substr(0, second.size()), second) << lines[i + 1];
    EXPECT_EQ(Texts(lines[i + 1])[0], "t" + m[3].str() + " m" + m[4].str() + " second" + tail(n));
  }
  EXPECT_EQ(next[1], kMessages);
  EXPECT_EQ(next[2], kMessages);
}

TEST_F(svclog_threads, EachThreadHasItsOwnIdAndOpenMessage) {
  std::string file = LogToFile("E");
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, nullptr), 1);
  LOG_AddText("main");
  std::string otherHead;
  std::thread([&] {
    EXPECT_EQ(LOG_InMessage(), 0);
    LOG_AddText("ignored: no message open here");
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "other");
    otherHead = Head('E');
  }).join();
  LOG_EndMessage();
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(otherHead, Head('E'));
  EXPECT_EQ(lines[0].substr(0, otherHead.size()) + Texts(lines[0])[0], otherHead + "other");
  EXPECT_EQ(lines[1].substr(0, Head('E').size()) + Texts(lines[1])[0], Head('E') + "main");
}

// The log on a filesystem that fills up: a small tmpfs in a mount namespace of the
// test's own. Writes that find no room lose their messages and nothing else: the
// program runs on, whole messages stay in order, and rollover with trimming makes room
// for the newest messages again.
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
