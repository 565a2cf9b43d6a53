// The printer-configuration parsers on arbitrary input. The first byte chooses the
// parser: a system-file entry, a user-file line, a whole file of either format, a
// switch-file entry list, a DPA address string, or the input as the system or the
// user printers file with lookups (and so inheritance), walks and a write on it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/ns.h"
#include "infra/prt.h"
#include "private/prt_internal.h"

using namespace kq::prt;

namespace {

std::string scratch;  // the harness's own directory: the printers files live there

std::string EtcFile() { return scratch + "/printers.conf"; }
std::string UserFile() { return scratch + "/.printers"; }

void Write(const std::string &file, const std::string &text) {
  FILE *f = fopen(file.c_str(), "w");
  if (!f) abort();
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

// The names of the file's entries (the first few), and some every file may name.
std::vector<std::string> NamesIn(const std::string &text, Format format) {
  std::vector<std::string> names = {NS_NAME_DEFAULT, NS_NAME_ALL, "lp", "host:queue"};
  FILE *f = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  if (!f) return names;
  std::vector<std::string> entries;
  ReadEntries(f, format, kEntryLimit, &entries);
  fclose(f);
  for (size_t i = 0; i < entries.size() && i < 8; ++i) {
    std::string n = EntryNames(format, entries[i]);
    names.push_back(n.substr(0, n.find('|')));
  }
  return names;
}

// Lookups, inherited values, walks and one write over the printers files as they are.
void UseFiles(const std::vector<std::string> &names) {
  for (const std::string &name : names) {
    ns_printer_t *p = ns_printer_get_name(name.c_str(), nullptr);
    if (!p) continue;
    for (const char *key : {NS_KEY_BSDADDR, NS_KEY_USE, NS_KEY_ALL, NS_KEY_LIST, "description"})
      free(ns_get_value_string(key, p));
    ns_bsd_addr_destroy(ns_bsd_addr_get_name(name.c_str()));
    ns_printer_destroy(p);
  }
  ns_printer_list_destroy(ns_printer_get_list(nullptr));
  ns_bsd_addr_list_destroy(ns_bsd_addr_get_list());
  ns_bsd_addr_list_destroy(ns_bsd_addr_get_all());
  ns_bsd_addr_destroy(ns_bsd_addr_get_default());
  while (ns_bsd_addr_t *a = ns_bsd_addr_etc_get_list_once()) ns_bsd_addr_destroy(a);
  while (ns_bsd_addr_t *a = ns_bsd_addr_user_get_list_once()) ns_bsd_addr_destroy(a);
  // A printer written back to its file reads back under its name.
  ns_printer_t *p = ns_printer_get_name(names.back().c_str(), nullptr);
  bool user = p && p->source && strcmp(p->source, "user") == 0;
  bool writable = p && p->source && strcmp(p->source, "posix") != 0 &&
                  !EntryText(user ? Format::kUser : Format::kSystem, p).empty();
  if (writable && ns_printer_put(p) == 0) {
    ns_printer_t *again = ns_printer_get_name(p->name, p->source);
    if (!again) abort();
    ns_printer_destroy(again);
  }
  ns_printer_destroy(p);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // The printers files are the harness's own: lookups never reach the machine's.
  char dir[] = "/tmp/prt_fuzz.XXXXXX";
  if (!mkdtemp(dir)) abort();
  scratch = dir;
  setenv("PRINTERS_CONF", EtcFile().c_str(), 1);
  setenv("HOME", scratch.c_str(), 1);
  unsetenv("PRINTER");
  unsetenv("LPDEST");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  switch (data[0] % 8) {
    case 0:
    case 1: {
      Format format = data[0] % 8 == 0 ? Format::kSystem : Format::kUser;
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
      ReadEntries(f, data[0] % 8 == 2 ? Format::kSystem : Format::kUser, kEntryLimit, &entries);
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
    case 6:
    case 7: {
      bool system = data[0] % 8 == 6;
      Write(system ? EtcFile() : UserFile(), text);
      UseFiles(NamesIn(text, system ? Format::kSystem : Format::kUser));
      unlink(EtcFile().c_str());
      unlink(UserFile().c_str());
      break;
    }
  }
  return 0;
}
