// BSD remote-printer addresses of the entries: by name, as lists, and as walks.
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "private/prt_internal.h"

using namespace kq::prt;

namespace {

bool IsAll(const ns_printer_t *p) { return p->name && strcmp(p->name, NS_NAME_ALL) == 0; }

// A copy of the printer's address whose printer part defaults to the entry name.
ns_bsd_addr_t *AddressOf(ns_printer_t *printer) {
  auto *found = static_cast<ns_bsd_addr_t *>(ns_get_value(NS_KEY_BSDADDR, printer));
  if (!found) return nullptr;
  ns_bsd_addr_t *addr = BsdAddrCopy(found);
  if (!addr) return nullptr;
  if (!addr->pname && printer->name) addr->pname = strdup(printer->name);
  if (!addr->printer && addr->pname) addr->printer = strdup(addr->pname);
  return addr;
}

int AddrCmp(void *a, void *b) {
  return ns_bsd_addr_cmp(static_cast<ns_bsd_addr_t *>(a), static_cast<ns_bsd_addr_t *>(b));
}

// Appends `addr` unless an equal one is there; takes the address.
ns_bsd_addr_t **AddUnique(ns_bsd_addr_t **list, ns_bsd_addr_t *addr) {
  if (!addr) return list;
  if (list_locate((void **)list, AddrCmp, addr)) {
    ns_bsd_addr_destroy(addr);
    return list;
  }
  void **grown = list_append((void **)list, addr);
  if (!grown) {
    ns_bsd_addr_destroy(addr);
    return list;
  }
  return (ns_bsd_addr_t **)grown;
}

// The next address of a walk over one source, passing over "_all" and entries
// without an address.
ns_bsd_addr_t *NextAddress(ns_printer_t *(*once)(void)) {
  while (ns_printer_t *p = once()) {
    ns_bsd_addr_t *addr = IsAll(p) ? nullptr : AddressOf(p);
    ns_printer_destroy(p);
    if (addr) return addr;
  }
  return nullptr;
}

const char *NamedDefault() {
  if (const char *env = getenv("PRINTER"); env && *env) return env;
  if (const char *env = getenv("LPDEST"); env && *env) return env;
  return nullptr;
}

}  // namespace

ns_bsd_addr_t *ns_bsd_addr_get_name(const char *name) {
  CallScope call;
  ns_printer_t *p = ns_printer_get_name(name, nullptr);
  if (!p) return nullptr;
  ns_bsd_addr_t *addr = AddressOf(p);
  ns_printer_destroy(p);
  return addr;
}

ns_bsd_addr_t **ns_bsd_addr_get_list(void) {
  CallScope call;
  ns_printer_t **printers = ns_printer_get_list(nullptr);
  // Duplicates by ns_bsd_addr_cmp (server, then printer, a missing printer being a
  // value of its own) are found by key, not by comparing with every address kept.
  std::unordered_set<std::string> seen;
  std::vector<void *> kept;
  for (ns_printer_t **p = printers; p && *p; ++p) {
    ns_bsd_addr_t *addr = IsAll(*p) ? nullptr : AddressOf(*p);
    if (!addr) continue;
    std::string key = std::string(addr->server ? addr->server : "") + '\0' +
                      (addr->printer ? std::string("+") + addr->printer : "-");
    if (seen.insert(key).second)
      kept.push_back(addr);
    else
      ns_bsd_addr_destroy(addr);
  }
  ns_printer_list_destroy(printers);
  void **list = ListFromVector(kept);
  if (!list)
    for (void *a : kept) ns_bsd_addr_destroy(static_cast<ns_bsd_addr_t *>(a));
  return (ns_bsd_addr_t **)list;
}

ns_bsd_addr_t **ns_bsd_addr_get_all(void) {
  CallScope call;
  ns_printer_t *all = ns_printer_get_name(NS_NAME_ALL, nullptr);
  if (!all) return ns_bsd_addr_get_list();
  const char *first = NamedDefault();
  ns_bsd_addr_t **list = AddUnique(nullptr, ns_bsd_addr_get_name(first ? first : NS_NAME_DEFAULT));
  auto *names = static_cast<char **>(ns_get_value(NS_KEY_ALL, all));
  for (char **n = names; n && *n; ++n) list = AddUnique(list, ns_bsd_addr_get_name(*n));
  ns_printer_destroy(all);
  return list;
}

ns_bsd_addr_t *ns_bsd_addr_get_default(void) {
  CallScope call;
  if (NamedDefault()) return nullptr;
  return ns_bsd_addr_get_name(NS_NAME_DEFAULT);
}

ns_bsd_addr_t *ns_bsd_addr_user_get_list_once(void) { return NextAddress(user_get_list_once); }
ns_bsd_addr_t *ns_bsd_addr_etc_get_list_once(void) { return NextAddress(etc_get_list_once); }
ns_bsd_addr_t *ns_bsd_addr_nis_get_list_once(void) { return NextAddress(nis_get_list_once); }

ns_bsd_addr_t *ns_bsd_addr_get_all_once(void) {
  // One process-wide walk over the result of ns_bsd_addr_get_all, taken at its start.
  static ns_bsd_addr_t **list;
  static size_t position;
  if (position == 0) {
    ns_bsd_addr_list_destroy(list);
    list = ns_bsd_addr_get_all();
  }
  if (!list || !list[position]) {
    position = 0;
    return nullptr;
  }
  return BsdAddrCopy(list[position++]);
}
