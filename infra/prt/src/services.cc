// The three sources behind one table, and lookups over them in the fixed order
// "user", "etc", "nis".
#include <cstdlib>
#include <cstring>
#include <vector>

#include "infra/svclog.h"
#include "private/prt_plist.h"

using namespace kq::prt;

namespace {

ns_printer_t *GetName(plist *list, const char *name) {
  std::string text;
  if (!list || !name || !FindEntry(*list, name, &text)) return nullptr;
  return ParseEntry(list->format, text.c_str(), list->service);
}

// The printers as a list, or NULL (with the printers released) when it cannot be made.
ns_printer_t **Listed(const std::vector<void *> &printers) {
  void **list = ListFromVector(printers);
  if (!list)
    for (void *p : printers) ns_printer_destroy(static_cast<ns_printer_t *>(p));
  return (ns_printer_t **)list;
}

ns_printer_t **GetList(plist *list) {
  if (!list) return nullptr;
  std::vector<void *> printers;
  for (const std::string &text : AllEntries(*list))
    if (ns_printer_t *p = ParseEntry(list->format, text.c_str(), list->service))
      printers.push_back(p);
  return Listed(printers);
}

int PutFile(plist *list, ns_printer_t *printer) {
  if (!list || !printer || !printer->name) return -1;
  rw_write_lock(list->lock);
  int rc = PutPrinterToFile(list->sourceName(), list->format, printer);
  rw_rwunlock(list->lock);
  return rc;
}

ns_printer_t *GetOnce(plist *list) {
  if (!list) return nullptr;
  CallScope call;
  if (list->walk == 0) Refresh(*list);
  std::string text;
  rw_read_lock(list->lock);
  bool more = list->walk < list->entries.size();
  if (more) text = list->entries[list->walk].text;
  rw_rwunlock(list->lock);
  if (!more) {
    list->walk = 0;
    return nullptr;
  }
  ++list->walk;
  return ParseEntry(list->format, text.c_str(), list->service);
}

struct Service {
  const char *name;
  ns_printer_t **(*getList)(void);
  ns_printer_t *(*getName)(const char *);
  int (*putPrinter)(ns_printer_t *);
};

// Lookup order; "nisplus" has no functions and is passed over.
const Service kServices[] = {
    {.name = "user",
     .getList = user_get_list,
     .getName = user_get_name,
     .putPrinter = user_put_printer},
    {.name = "etc",
     .getList = etc_get_list,
     .getName = etc_get_name,
     .putPrinter = etc_put_printer},
    {.name = "nis",
     .getList = nis_get_list,
     .getName = nis_get_name,
     .putPrinter = nis_put_printer},
    {.name = "nisplus", .getList = nullptr, .getName = nullptr, .putPrinter = nullptr},
};

const Service *FindService(const char *name) {
  if (!name) return nullptr;
  for (const Service &s : kServices)
    if (strcmp(s.name, name) == 0) return &s;
  return nullptr;
}

// "host:queue" names a remote printer directly.
ns_printer_t *DirectAddress(const char *name) {
  char *copy = strdup(name);
  if (!copy) return nullptr;
  char *colon = strchr(copy, ':');
  *colon = '\0';
  ns_printer_t *p = ns_printer_create(name, nullptr, NS_SVC_POSIX, nullptr);
  ns_bsd_addr_t *addr = bsd_addr_create(copy, *(colon + 1) ? colon + 1 : nullptr, nullptr);
  if (addr) addr->pname = strdup(name);
  if (!p || !addr || ns_set_value(NS_KEY_BSDADDR, addr, p) != 0) {
    ns_bsd_addr_destroy(addr);
    ns_printer_destroy(p);
    p = nullptr;
  }
  free(copy);
  return p;
}

}  // namespace

ns_printer_t **etc_get_list(void) { return GetList(EtcList()); }
ns_printer_t *etc_get_name(const char *name) { return GetName(EtcList(), name); }
int etc_put_printer(ns_printer_t *printer) { return PutFile(EtcList(), printer); }
ns_printer_t **user_get_list(void) { return GetList(UserList()); }
ns_printer_t *user_get_name(const char *name) { return GetName(UserList(), name); }
int user_put_printer(ns_printer_t *printer) { return PutFile(UserList(), printer); }
ns_printer_t **nis_get_list(void) { return GetList(NisList()); }
ns_printer_t *nis_get_name(const char *name) { return GetName(NisList(), name); }
int nis_put_printer(ns_printer_t *printer) {
  return printer && printer->name ? PutPrinterToNis(printer) : -1;
}
ns_printer_t *etc_get_list_once(void) { return GetOnce(EtcList()); }
ns_printer_t *user_get_list_once(void) { return GetOnce(UserList()); }
ns_printer_t *nis_get_list_once(void) { return GetOnce(NisList()); }

ns_printer_t *ns_printer_get_name(const char *name, const char *service) {
  if (!name) return nullptr;
  CallScope call;
  if (strchr(name, ':')) return DirectAddress(name);
  if (service) {
    const Service *s = FindService(service);
    return s && s->getName ? s->getName(name) : nullptr;
  }
  for (const Service &s : kServices)
    if (s.getName)
      if (ns_printer_t *p = s.getName(name)) return p;
  return nullptr;
}

ns_printer_t **ns_printer_get_list(const char *service) {
  CallScope call;
  if (service) {
    const Service *s = FindService(service);
    return s && s->getList ? s->getList() : nullptr;
  }
  std::vector<void *> all;
  for (const Service &s : kServices) {
    if (!s.getList) continue;
    ns_printer_t **some = s.getList();
    for (ns_printer_t **p = some; p && *p; ++p) all.push_back(*p);
    free(some);
  }
  return Listed(all);
}

ns_printer_t *ns_printer_get_name_all(const char *name) {
  if (!name) return nullptr;
  CallScope call;
  for (const Service &s : kServices) {
    if (!s.getList) continue;
    ns_printer_t **list = s.getList();
    ns_printer_t *found = nullptr;
    for (ns_printer_t **p = list; p && *p; ++p) {
      if (!found && (*p)->name && strcmp((*p)->name, name) == 0) {
        found = *p;
      } else {
        ns_printer_destroy(*p);
      }
    }
    free(list);
    if (found) return found;
  }
  return nullptr;
}

int ns_printer_put(ns_printer_t *printer) {
  if (!printer || !printer->source) return -1;
  const Service *s = FindService(printer->source);
  if (!s || !s->putPrinter) return -1;
  return s->putPrinter(printer);
}
