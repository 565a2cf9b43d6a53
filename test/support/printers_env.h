// A printers file of the test's own: a scratch directory holding the system file
// (PRINTERS_CONF) and the user file (HOME/.printers), with the environment pointing
// at them (PRINTER and LPDEST unset) while the test runs and restored afterwards.
// The printer configuration, the directory and kq's printer commands are tested
// over it.
#ifndef KQ_TEST_SUPPORT_PRINTERS_ENV_H
#define KQ_TEST_SUPPORT_PRINTERS_ENV_H

#include <gtest/gtest.h>

#include <string>

#include "kqtest.h"

namespace kq::test {

class PrintersFiles : public ::testing::Test {
 protected:
  void WriteEtc(const std::string &text) { WriteFile(etc, text); }
  void WriteUser(const std::string &text) { WriteFile(user, text); }
  TempDir tmp{"printers"};
  std::string dir = tmp.path(), etc = tmp / "printers.conf", user = tmp / ".printers";
  EnvGuard env{{"PRINTERS_CONF", etc.c_str()},
               {"HOME", dir.c_str()},
               {"PRINTER", nullptr},
               {"LPDEST", nullptr}};
};

}  // namespace kq::test

#endif
