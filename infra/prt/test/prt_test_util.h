// A private directory holding the system file (PRINTERS_CONF) and the user file
// (HOME/.printers) of one test, and the value of a key as the lookups see it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "infra/prt.h"
#include "kqtest.h"

namespace kq::prt::test {

using kq::test::ReadFile;
using kq::test::WriteFile;

// The value text of `key` in the entry `name` ("<none>" when the entry is missing).
std::string Value(const char *name, const char *key, const char *service = nullptr);

class PrtFiles : public ::testing::Test {
 protected:
  void WriteEtc(const std::string &text) { WriteFile(etc, text); }
  void WriteUser(const std::string &text) { WriteFile(user, text); }
  kq::test::TempDir tmp{"prt_test"};
  std::string dir = tmp.path(), etc = tmp / "printers.conf", user = tmp / ".printers";
  kq::test::EnvGuard env{{"PRINTERS_CONF", etc.c_str()},
                         {"HOME", dir.c_str()},
                         {"PRINTER", nullptr},
                         {"LPDEST", nullptr}};
};

}  // namespace kq::prt::test
