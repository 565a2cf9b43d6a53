// Line layouts as they appear in a log file, and the syslog variants.
#include <cstring>
#include <regex>

#include "infra/msg.h"
#include "log_fixture.h"

namespace {

using svclog_layout = LogTest;

long SecondsSinceMidnight() { return static_cast<long>(time(nullptr) - LOG_midnight.load()); }

TEST_F(svclog_layout, TraceClassLineHasShortenedSourcePositionAndTimeSinceMidnight) {
  std::string file = LogToFile("X");
  LOG_CondMessage(LOG_SEV_DIAG, "/src/dir/rwlock.cc", 42, "step %s failed code=%d", "lock", 7);
  LOG_CondMessage(LOG_SEV_DIAG, nullptr, 0, "no file");
  // Long file names keep their first three and last six characters.
  const std::pair<const char *, int> positions[] = {
      {"abcdefghij", 1}, {"abcdefghijk", 22}, {"oidcache_x.c", 333}, {"a.c", 4444}, {"a.c", 55555}};
  for (const auto &[name, line] : positions) LOG_CondMessage(LOG_SEV_DIAG, name, line, "p");
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 7u);
  const size_t at = Head('X').size();
  const char *want[] = {"abcdefghij:1    ", "abc~fghijk:22   ", "oid~he_x.c:333  ",
                        "       a.c:4444 ", "       a.c:55555 "};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lines[i + 2].substr(at, strlen(want[i])), want[i]);

  std::smatch m;
  std::regex withFile(Head('X') + " rwlock\\.cc:42   ([ 0-9]{5})\\.([0-9]{6}) \\| (.*)");
  ASSERT_TRUE(std::regex_match(lines[0], m, withFile)) << lines[0];
  EXPECT_NEAR(std::stol(m[1].str()), SecondsSinceMidnight(), 2);
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

TEST_F(svclog_layout, FunctionTraceAndCatalogueMessages) {
  std::string file = LogToFile("FE");
  LOG_CondFuncTrace("OID_Init", "oid.c", 10, 1, "dir=%s mode=%d", "/x", 2);
  LOG_CondUserMessage(LOG_SEV_ERROR, 0xc016ffffu, 5);
  // The catalogue is another family's; expect whatever it says about this code.
  char format[LOG_MAX_TEXT_CHUNK], expected[256];
  uint32_t length = 0;
  bool found = MSG_GetUnformatted(2, 0xc016ffffu, nullptr, sizeof format, &length, format) == 0;
  snprintf(expected, sizeof expected, found ? format : "Error retrieving message from data file",
           5);
  EXPECT_EQ(Texts(ReadFile(file)),
            (std::vector<std::string>{"Entering OID_Init dir=/x mode=2", expected}));
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
    std::string position = "lay~est.cc:" + std::to_string(line + i);
    EXPECT_EQ(lines[i].substr(Head('X').size(), 16),
              position + std::string(16 - position.size(), ' '));
  }
}

// ---- syslog -----------------------------------------------------------------------
// No syslog daemon runs on the build machines, so the text handed to syslog is
// caught by a recording test double installed through the internal writer pointer.

struct Recorded {
  int priority;
  std::string text;
};
std::vector<Recorded> recorded;
void RecordingSyslog(int priority, const char *text) { recorded.push_back({priority, text}); }

class SyslogTest : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    recorded.clear();
    saved_ = kq::svclog::syslogWriter;
    kq::svclog::syslogWriter = RecordingSyslog;
  }
  void TearDown() override {
    kq::svclog::syslogWriter = saved_;
    LogTest::TearDown();
  }
  kq::svclog::SyslogWriter saved_;
};
using svclog_syslog = SyslogTest;

TEST_F(svclog_syslog, LinesOmitDateAndTimeUsePrinterPrioritiesAndStopAt1023Characters) {
  EXPECT_EQ(LOG_Syslog("EWADX", "an-ident-of-twenty-chars", 0, 0x30), 0);
  EXPECT_STREQ(LOG_sys_ident, "an-ident-of-twen");
  EXPECT_STREQ(LOG_SetAddress(nullptr), "system log");
  for (int sev = 1; sev <= 5; ++sev) LOG_CondMessage(sev, "s.c", 7, "m%d", sev);
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, "bob"), 1);
  LOG_AddText("with user");
  LOG_EndMessage();

  ASSERT_EQ(recorded.size(), 6u);
  const int priorities[] = {51, 52, 54, 54, 55};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(recorded[i].priority, priorities[i]) << i;
  EXPECT_EQ(recorded[0].text, Head('E') + " | m1\n");
  EXPECT_EQ(recorded[4].text, Head('X') + "       s.c:7     | m5\n");
  EXPECT_EQ(recorded[5].text, Head('E') + "User=bob | with user\n");
  // Only the first 1023 characters reach syslog.
  std::string text(3000, 'y');
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "%s", text.c_str());
  ASSERT_EQ(recorded.size(), 7u);
  EXPECT_EQ(recorded[6].text, (Head('E') + " | " + text).substr(0, 1023));
}

}  // namespace
