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

std::string Addr(const ns_bsd_addr_t *a) {
  if (!a) return "<none>";
  auto part = [](const char *s) { return std::string(s ? s : "-"); };
  return part(a->server) + "," + part(a->printer) + "," + part(a->extension);
}

std::string AddrOf(const char *name) {
  ns_bsd_addr_t *a = ns_bsd_addr_get_name(name);
  std::string text = Addr(a);
  if (a) ns_bsd_addr_destroy(a);
  return text;
}

std::string Names(char **names) {
  if (!names) return "<none>";
  std::string text;
  for (char **n = names; *n; ++n) text += (n == names ? "" : ",") + std::string(*n);
  return text;
}

}  // namespace kq::prt::test
