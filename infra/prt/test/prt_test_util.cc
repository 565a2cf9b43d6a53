#include "prt_test_util.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kq::prt::test {

void PrtFiles::SetUp() {
  char tmpl[] = "/tmp/prt_test.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir = tmpl;
  etc = dir + "/printers.conf";
  user = dir + "/.printers";
  setenv("PRINTERS_CONF", etc.c_str(), 1);
  setenv("HOME", dir.c_str(), 1);
  unsetenv("PRINTER");
  unsetenv("LPDEST");
}

void PrtFiles::TearDown() {
  std::string command = "rm -rf '" + dir + "'";
  ASSERT_EQ(system(command.c_str()), 0);
}

void PrtFiles::WriteFile(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string PrtFiles::ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string PrtFiles::Value(const char *name, const char *key, const char *service) {
  ns_printer_t *p = ns_printer_get_name(name, service);
  if (!p) return "<none>";
  char *v = ns_get_value_string(key, p);
  std::string text = v ? v : "";
  free(v);
  ns_printer_destroy(p);
  return text;
}

}  // namespace kq::prt::test
