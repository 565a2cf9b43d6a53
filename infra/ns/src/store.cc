// DPA addresses stored in printer-configuration entries, with the program and
// version of registered servers kept by the pts service.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "private/ns_internal.h"

namespace kq::ns {
namespace {

constexpr int kMaxServices = 10;
constexpr int kLookupServices = 3;

// The configuration's own name of a switch service; NULL when it has no source.
const char *SourceOf(const char *switchName) {
  if (strcmp(switchName, "files") == 0) return "etc";
  if (strcmp(switchName, "user") == 0 || strcmp(switchName, "nis") == 0) return switchName;
  return nullptr;
}

bool ValidName(const char *name) {
  if (!name || !*name) return false;
  for (const char *p = name; *p; ++p)
    if (!isalnum(static_cast<unsigned char>(*p)) && *p != '-' && *p != '_') return false;
  return true;
}

// The entry named `name` and the service it was found in.
ns_printer_t *FindPrinter(const char *name, const char *service, const char **foundIn) {
  const char *services[kMaxServices + 1];
  int n = 1;
  if (service) {
    services[0] = service;
  } else {
    n = ConfiguredServices(services, kLookupServices);
  }
  for (int i = 0; i < n; ++i)
    if (ns_printer_t *p = ns_printer_get_name(name, services[i])) {
      *foundIn = services[i];
      return p;
    }
  return nullptr;
}

ns_dpa_addr_t *AddressIn(ns_printer_t *printer, const char *name, const char *key) {
  char *text = ns_get_value_string(key, printer);
  ns_dpa_addr_t *addr = str_to_dpa_addr(name, key, text);
  free(text);
  return addr;
}

std::string ThisHost() {
  char host[256] = "";
  if (gethostname(host, sizeof host - 1) != 0) return {};
  return host;
}

// Registers the real program and version of a server under its own name.
bool Register(const ns_dpa_addr_t &addr) {
  pts_binding_t binding = {{addr.name, PTS_TYPE_SERVER},
                           static_cast<unsigned long>(addr.prognum),
                           static_cast<unsigned long>(addr.versnum)};
  return pts_add(&binding) == 0;
}

}  // namespace

int ConfiguredServices(const char **services, int max) {
  int n = 0;
  services[n++] = "etc";
  services[n++] = "nis";
  int order[kMaxServices + 1];
  if (ns_get_svc_order("printers", kMaxServices, order) == 0 && order[0]) {
    n = 0;
    for (int *o = order; *o && n < max; ++o)
      if (const char *source = SourceOf(ns_get_svc_string(*o))) services[n++] = source;
  }
  return n < max ? n : max;
}

bool ResolveRegistry(ns_dpa_addr_t *addr) {
  if (!addr->flag) return true;
  const char *registered = IsServerKey(addr->key) ? addr->name : addr->server;
  pts_binding_t *binding = pts_get(addr->host, registered, PTS_TYPE_SERVER);
  if (!binding) return false;
  addr->prognum = static_cast<int>(binding->prognum);
  addr->versnum = static_cast<int>(binding->versnum);
  pts_destroy(binding);
  return true;
}

}  // namespace kq::ns

using namespace kq::ns;

ns_dpa_addr_t *kq::ns::StoredAddress(const char *name, int kind) {
  const char *key = KeyOfKind(kind);
  if (!key || !name) return nullptr;
  const char *foundIn = nullptr;
  ns_printer_t *p = FindPrinter(name, nullptr, &foundIn);
  if (!p) return nullptr;
  ns_dpa_addr_t *addr = AddressIn(p, name, key);
  ns_printer_destroy(p);
  if (!addr) return nullptr;
  addr->ns = strdup(foundIn);
  return addr;
}

ns_dpa_addr_t *ns_get_dpa_addr(const char *name, int kind) {
  ns_dpa_addr_t *addr = StoredAddress(name, kind);
  if (addr && !ResolveRegistry(addr)) {
    ns_free_dpa_addr(addr);
    return nullptr;
  }
  return addr;
}

int ns_put_dpa_addr(ns_dpa_addr_t *in) {
  if (!in || !ValidName(in->name) || in->cls < 0 || in->cls >= kKindCount) return -1;
  ns_dpa_addr_t addr = *in;
  addr.key = const_cast<char *>(KeyOfKind(in->cls));
  std::string host = in->host && *in->host ? in->host : ThisHost();
  addr.host = host.data();
  bool server = IsServerKey(addr.key);

  const char *service = in->ns;
  ns_printer_t *p = FindPrinter(in->name, in->ns, &service);
  if (service && strcmp(service, "user") == 0) {
    // The user file holds only "use" and "all"; addresses live in the system file.
    ns_printer_destroy(p);
    service = "etc";
    p = ns_printer_get_name(in->name, service);
  }
  if (!service) service = "etc";
  if (p) {
    ns_dpa_addr_t *old = AddressIn(p, in->name, addr.key);
    if (old && old->flag) {
      bool same = old->cls == addr.cls && old->auth == addr.auth &&
                  strcmp(old->host, addr.host) == 0 &&
                  strcmp(old->server, addr.server ? addr.server : "") == 0;
      ns_free_dpa_addr(old);
      ns_printer_destroy(p);
      if (!same) return -1;
      // Only the registration changes; the stored address points at the registry.
      return !server || Register(addr) ? 0 : -1;
    }
    ns_free_dpa_addr(old);
  }
  if (addr.flag || strcmp(service, "etc") == 0) {
    if (server && !Register(addr)) {
      ns_printer_destroy(p);
      return -1;
    }
    addr.prognum = PTS_PROGRAM;
    addr.flag = 1;
  }
  if (!p) p = ns_printer_create(in->name, nullptr, service, nullptr);
  int rc = p ? 0 : -1;
  if (p) {
    rc = ns_set_value_from_string(addr.key, AddressText(addr).c_str(), p);
    if (rc == 0 && addr.cls == NS_KIND_LOGICAL)
      rc = ns_set_value_from_string("spooling-type", "dpa", p);
    if (rc == 0) rc = ns_printer_put(p);
  }
  ns_printer_destroy(p);
  if (rc != 0 && addr.flag && server) pts_delete(in->name, PTS_TYPE_SERVER);
  return rc == 0 ? 0 : -1;
}

int ns_delete_dpa_addr(const char *name, int kind) {
  const char *key = KeyOfKind(kind);
  if (!key || !name) return -1;
  const char *foundIn = nullptr;
  ns_printer_t *p = FindPrinter(name, nullptr, &foundIn);
  ns_dpa_addr_t *addr = p ? AddressIn(p, name, key) : nullptr;
  if (!addr) {
    ns_printer_destroy(p);
    return -1;
  }
  if (kind == NS_KIND_LOGICAL) ns_set_value("spooling-type", nullptr, p);
  ns_set_value(key, nullptr, p);
  int rc = ns_printer_put(p);
  if (rc == 0 && addr->flag && IsServerKey(key)) pts_delete(name, PTS_TYPE_SERVER);
  ns_free_dpa_addr(addr);
  ns_printer_destroy(p);
  return rc == 0 ? 0 : -1;
}

ns_dpa_addr_t **ns_list_dpa_addr(int kind) {
  const char *key = KeyOfKind(kind);
  if (!key) return nullptr;
  const char *services[11];
  int n = ConfiguredServices(services, 10);
  ns_dpa_addr_t **list = nullptr;
  for (int i = 0; i < n; ++i) {
    ns_printer_t **printers = ns_printer_get_list(services[i]);
    for (ns_printer_t **p = printers; p && *p; ++p) {
      ns_dpa_addr_t *addr = AddressIn(*p, (*p)->name, key);
      if (!addr) continue;
      bool match = kind == NS_KIND_PRINTER  ? addr->cls == 0 || addr->cls == 1
                   : kind == NS_KIND_SERVER ? addr->cls == 3 || addr->cls == 4
                                            : addr->cls == kind;
      addr->ns = strdup(services[i]);
      void **grown = match ? list_append((void **)list, addr) : nullptr;
      if (grown) {
        list = (ns_dpa_addr_t **)grown;
      } else {
        ns_free_dpa_addr(addr);
      }
    }
    ns_printer_list_destroy(printers);
  }
  return list;
}

int ns_getservices(const char **services) {
  if (!services) return -1;
  int order[11];
  if (ns_get_svc_order("printers", 10, order) != 0 || !order[0]) return 0;
  int n = 0;
  for (int *o = order; *o; ++o) services[n++] = ns_get_svc_string(*o);
  services[n] = nullptr;
  return 0;
}
