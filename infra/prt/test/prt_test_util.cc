#include "prt_test_util.h"

#include <cstdlib>

namespace kq::prt::test {

std::string Value(const char *name, const char *key, const char *service) {
  ns_printer_t *p = ns_printer_get_name(name, service);
  if (!p) return "<none>";
  char *v = ns_get_value_string(key, p);
  std::string text = v ? v : "";
  free(v);
  ns_printer_destroy(p);
  return text;
}

}  // namespace kq::prt::test
