// The printer configuration tests' helpers over the shared printers-file fixture:
// the value of a key, addresses and name lists as the lookups see them, and writes.
#ifndef KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H
#define KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>

#include "infra/prt.h"
#include "kqtest.h"
#include "printers_env.h"

namespace kq::prt::test {

using kq::test::ReadFile;
using kq::test::WriteFile;
using PrtFiles = kq::test::PrintersFiles;

// The comment every written file starts with.
inline const std::string kHeader =
    "#\n#\tIf you hand edit this file, comments and structure may change.\n#\n";

// The value text of `key` in the entry `name` ("<none>" when the entry is missing).
inline std::string Value(const char *name, const char *key, const char *service = nullptr) {
  ns_printer_t *p = ns_printer_get_name(name, service);
  if (!p) return "<none>";
  char *v = ns_get_value_string(key, p);
  std::string text = v ? v : "";
  free(v);
  ns_printer_destroy(p);
  return text;
}

// "server,printer,extension" ("-" for a missing part; "<none>" for no address).
inline std::string Addr(const ns_bsd_addr_t *a) {
  auto part = [](const char *s) { return std::string(s ? s : "-"); };
  return a ? part(a->server) + "," + part(a->printer) + "," + part(a->extension) : "<none>";
}

// Addr of the bsdaddr value of `p`, and of the address of entry `name`.
inline std::string AddrOf(ns_printer_t *p) {
  return Addr(static_cast<ns_bsd_addr_t *>(ns_get_value(NS_KEY_BSDADDR, p)));
}
inline std::string AddrOf(const char *name) {
  ns_bsd_addr_t *a = ns_bsd_addr_get_name(name);
  std::string text = Addr(a);
  if (a) ns_bsd_addr_destroy(a);
  return text;
}

// "source name|aliases address" of a printer, which is destroyed, or "<none>".
inline std::string Described(ns_printer_t *p) {
  if (!p) return "<none>";
  char *names = ns_printer_name_list(p);
  std::string found = std::string(p->source ? p->source : "-") + " " + names + " " + AddrOf(p);
  free(names);
  ns_printer_destroy(p);
  return found;
}
inline std::string Found(const char *name, const char *service = nullptr) {
  return Described(ns_printer_get_name(name, service));
}

// A NULL-terminated list of names, comma-separated ("<none>" for no list).
inline std::string Names(char **names) {
  std::string text;
  for (char **n = names; n && *n; ++n) text += (n == names ? "" : ",") + std::string(*n);
  return names ? text : "<none>";
}

// The addresses of a list, each followed by a blank; the list is freed.
inline std::string AddrList(ns_bsd_addr_t **list) {
  std::string text;
  for (ns_bsd_addr_t **a = list; a && *a; ++a) text += Addr(*a) + " ";
  if (list) ns_bsd_addr_list_destroy(list);
  return text;
}

// ns_printer_put of a new printer of `source` with `values`: its result.
inline int Put(const char *name, const char *source,
               std::initializer_list<std::pair<const char *, std::string>> values) {
  ns_printer_t *p = ns_printer_create(name, nullptr, source, nullptr);
  for (const auto &[k, v] : values) EXPECT_EQ(ns_set_value_from_string(k, v.c_str(), p), 0) << k;
  int rc = ns_printer_put(p);
  ns_printer_destroy(p);
  return rc;
}

}  // namespace kq::prt::test

#endif
