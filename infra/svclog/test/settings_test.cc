// Defaults, setters with their reports, and the environment overrides.
#include "log_fixture.h"

namespace {

using svclog_settings = LogTest;

TEST_F(svclog_settings, DefaultsWriteErrorsToStandardOutputAndLettersMakeTheMask) {
  testing::internal::CaptureStdout();
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "to stdout");
  LOG_CondFuncTrace("F", "f.c", 1, 1, nullptr);
  LOG_CondMessage(LOG_SEV_INFO, "f.c", 1, "info");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Texts(out), std::vector<std::string>{"to stdout"});
  EXPECT_EQ(LOG_SetSeverity(nullptr), 0x103u);
  EXPECT_STREQ(LOG_SetAddress(nullptr), "standard output");

  testing::internal::CaptureStderr();
  EXPECT_STREQ(LOG_SetAddress("stderr"), "standard error");
  LOG_CondMessage(LOG_SEV_WARNING, nullptr, 0, "to stderr");
  EXPECT_EQ(Texts(testing::internal::GetCapturedStderr()), std::vector<std::string>{"to stderr"});
  // Severity letters make the mask (unknown letters are ignored); a null keeps it.
  const char *letters[] = {"EWS", "x", "Fw?E", nullptr, ""};
  const uint32_t masks[] = {0x103, 0x80000000, 0x41, 0x41, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LOG_SetSeverity(letters[i]), masks[i]) << i;
  for (int sev : {LOG_SEV_ERROR, 0, 33}) EXPECT_EQ(LOG_StartMessage(sev, nullptr, 0, nullptr), 0);
  EXPECT_EQ(LOG_InMessage(), 0);
}

TEST_F(svclog_settings, SettersReturnPreviousValuesAndReportAsInfo) {
  std::string file = LogToFile("I");
  // Each setter's previous value, in the order called.
  const std::vector<long> previous = {
      LOG_SetUseOnce(1),     LOG_SetUseOnce(0),     LOG_SetLogSize(100000), LOG_SetLogSize(0),
      LOG_SetMaxNoOfLogs(3), LOG_SetMaxNoOfLogs(0), LOG_SetEnabled(0),      LOG_SetEnabled(1)};
  EXPECT_EQ(previous, (std::vector<long>{0, 1, 0, 100000, 0, 3, 1, 0}));
  // The first five reports are LOG_Init's own settings.
  std::string reports;
  for (const std::string &text : Texts(ReadFile(file))) reports += text + "; ";
  EXPECT_EQ(reports,
            "LOG_SetEnabled: logging is enabled; LOG_SetLogSize: size = unlimited; "
            "LOG_SetLogSize: was = 0; LOG_SetMaxNoOfLogs: no = unlimited; "
            "LOG_SetUseOnce: to true; LOG_SetUseOnce: to false; "
            "LOG_SetLogSize: size = 100000; LOG_SetLogSize: was = 0; "
            "LOG_SetLogSize: size = unlimited; LOG_SetLogSize: was = 100000; "
            "LOG_SetMaxNoOfLogs: 3 logs; LOG_SetMaxNoOfLogs: no = unlimited; "
            "LOG_SetEnabled: logging is disabled; LOG_SetEnabled: logging is enabled; ");
}

TEST_F(svclog_settings, EnvironmentOverridesEveryArgumentUntilLogTerm) {
  SetEnv("LOG_SEVERITY", "F");
  std::string file = LogToFile("E");
  EXPECT_EQ(LOG_SetSeverity("EWS"), 0x40u);
  LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "suppressed");
  LOG_CondFuncTrace("AS_Create", "as.c", 5, 0, "rc=%d", 0);
  EXPECT_EQ(Texts(ReadFile(file)), std::vector<std::string>{"Leaving AS_Create rc=0"});

  // Forgotten at LOG_Term: the next use reads the environment again.
  env_.Unset("LOG_SEVERITY");
  LOG_Term();
  EXPECT_EQ(LOG_SetSeverity("E"), 0x1u);
  // Size and count overrides replace the arguments the same way.
  env_.Set("LOG_SIZE", "5000");
  SetEnv("LOG_MAX_LOGS", "4");
  LOG_Init(Path("app").c_str(), "E");  // sets size 0 and count 0, both overridden
  EXPECT_EQ(std::make_pair(LOG_SetLogSize(10), LOG_SetMaxNoOfLogs(1)), std::make_pair(5000L, 4));
  EXPECT_EQ(std::make_pair(LOG_maxLogSize, LOG_maxLogs), std::make_pair(5000L, 4));
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
      {"true", 1, 1}, {"yes", 1, 1}, {"false", 0, 0}, {"no", 0, 0},
      {"TRUE", 0, 1}, {"1", 0, 1},   {"", 0, 1}};
  for (const auto &[value, afterOff, afterOn] : cases) {
    SetEnv("LOG_ENABLED", value);
    LOG_SetEnabled(0);
    int off = LOG_enabled.load();
    LOG_SetEnabled(1);
    EXPECT_EQ(std::make_pair(off, LOG_enabled.load()), std::make_pair(afterOff, afterOn)) << value;
  }
  SetEnv("LOG_ENABLED", "no");
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, nullptr), 0) << "off from first use";
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

}  // namespace
