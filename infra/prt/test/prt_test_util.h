// The printer configuration tests' helpers over the shared printers-file fixture:
// the value of a key, addresses and name lists as the lookups see them.
#ifndef KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H
#define KQ_INFRA_PRT_TEST_PRT_TEST_UTIL_H

#include <gtest/gtest.h>

#include <string>

#include "infra/prt.h"
#include "kqtest.h"
#include "printers_env.h"

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

using PrtFiles = kq::test::PrintersFiles;

}  // namespace kq::prt::test

#endif
