// The printer-configuration parsers on arbitrary input. The first byte chooses the
// parser: a system-file entry, a user-file line, a whole file of either format, a
// switch-file entry list, or a DPA address string.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "infra/ns.h"
#include "infra/prt.h"
#include "private/prt_internal.h"

using namespace kq::prt;

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // "list" values look their members up: keep them away from the machine's files.
  setenv("PRINTERS_CONF", "/nonexistent/printers.conf", 1);
  setenv("HOME", "/nonexistent", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  switch (data[0] % 6) {
    case 0:
    case 1: {
      Format format = data[0] % 6 == 0 ? Format::kSystem : Format::kUser;
      ns_printer_t *p = ParseEntry(format, text.c_str(), "etc");
      if (p && !Unwritable(format, p)) {
        // What the writer would put in a file must read back to the same text.
        std::string written = EntryText(format, p);
        std::string file = written + "\n";
        FILE *f = fmemopen(file.data(), file.size(), "r");
        std::vector<std::string> entries;
        ReadEntries(f, format, 0, &entries);
        fclose(f);
        if (!written.empty()) {
          if (entries.size() != 1) abort();
          ns_printer_t *again = ParseEntry(format, entries[0].c_str(), "etc");
          if (!again || EntryText(format, again) != written) abort();
          ns_printer_destroy(again);
        }
      }
      for (ns_kvp_t **kv = p ? p->attributes : nullptr; kv && *kv; ++kv)
        free(ns_get_value_string((*kv)->key, p));
      ns_printer_destroy(p);
      break;
    }
    case 2:
    case 3: {
      FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
      if (!f) break;
      std::vector<std::string> entries;
      ReadEntries(f, data[0] % 6 == 2 ? Format::kSystem : Format::kUser, kEntryLimit, &entries);
      fclose(f);
      for (const std::string &e : entries) ns_printer_destroy(ParseSystemEntry(e.c_str(), "etc"));
      break;
    }
    case 4: {
      int order[11];
      int rc = ns_parse_confentries(text.c_str(), 10, order);
      if (rc != 0 && rc != -2) abort();
      break;
    }
    case 5:
      ns_free_dpa_addr(str_to_dpa_addr("fuzz", "paddr", text.c_str()));
      break;
  }
  return 0;
}
