// A private directory holding the system file (PRINTERS_CONF) and the user file
// (HOME/.printers) of one test, and the value of a key as the lookups see it.
#ifndef KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H
#define KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H

#include <gtest/gtest.h>

#include <string>

#include "infra/prt.h"
#include "kqtest.h"

namespace kq::prt::test {

using kq::test::ReadFile;
using kq::test::WriteFile;

// The comment every written file starts with.
inline const std::string kHeader =
    "#\n#\tIf you hand edit this file, comments and structure may change.\n#\n";

// The value text of `key` in the entry `name` ("<none>" when the entry is missing).
std::string Value(const char *name, const char *key, const char *service = nullptr);
// "server,printer,extension" ("-" for a missing part; "<none>" for no address).
std::string Addr(const ns_bsd_addr_t *a);
// Addr of the address of entry `name`.
std::string AddrOf(const char *name);
// A NULL-terminated list of names, comma-separated ("<none>" for no list).
std::string Names(char **names);

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

#endif
