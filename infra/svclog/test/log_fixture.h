// Shared set-up of the service log tests: a fresh facility, a clean environment and a
// temporary directory per test, and helpers to read back what was written.
#ifndef KQ_SVCLOG_TEST_LOG_FIXTURE_H
#define KQ_SVCLOG_TEST_LOG_FIXTURE_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "infra/svclog.h"
#include "private/svclog_internal.h"

class LogTest : public ::testing::Test {
 protected:
  static constexpr const char *kVars[] = {"LOG_SIZE",     "LOG_MAX_LOGS", "LOG_FILE_PATH",
                                          "LOG_SEVERITY", "LOG_ENABLED",  "JQP_TRACE"};

  void SetUp() override {
    for (const char *v : kVars) unsetenv(v);
    LOG_Term();
    char tmpl[] = "/tmp/svclog_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    LOG_Term();
    for (const char *v : kVars) unsetenv(v);
    std::filesystem::remove_all(dir_);
  }

  // Environment changes take effect at the next first use.
  void SetEnv(const char *name, const char *value) {
    setenv(name, value, 1);
    LOG_Term();
  }

  std::string Path(const std::string &name) const { return dir_ + "/" + name; }

  // Names in the test directory, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir_)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  static std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) lines.push_back(line);
    return lines;
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

  std::string dir_;
};

#endif
