// A private directory holding the system file (PRINTERS_CONF) and the user file
// (HOME/.printers) of one test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "infra/prt.h"

namespace kq::prt::test {

class PrtFiles : public ::testing::Test {
 public:
  static void WriteFile(const std::string &path, const std::string &text);
  static std::string ReadFile(const std::string &path);
  // The value text of `key` in the entry `name` ("<none>" when the entry is missing).
  static std::string Value(const char *name, const char *key, const char *service = nullptr);

 protected:
  void SetUp() override;
  void TearDown() override;

  void WriteEtc(const std::string &text) { WriteFile(etc, text); }
  void WriteUser(const std::string &text) { WriteFile(user, text); }
  std::string dir, etc, user;
};

}  // namespace kq::prt::test
