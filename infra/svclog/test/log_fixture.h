// Shared set-up of the service log tests: a fresh facility, a clean environment and a
// temporary directory per test, and helpers to read back what was written.
#ifndef KQ_INFRA_SVCLOG_TEST_LOG_FIXTURE_H
#define KQ_INFRA_SVCLOG_TEST_LOG_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "infra/svclog.h"
#include "kqtest.h"
#include "private/svclog_internal.h"

using kq::test::Lines;
using kq::test::ReadFile;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto v : {"LOG_SIZE", "LOG_MAX_LOGS", "LOG_FILE_PATH", "LOG_SEVERITY", "LOG_ENABLED"})
      env_.Unset(v);
    SetEnv("JQP_TRACE", nullptr);
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

#endif
