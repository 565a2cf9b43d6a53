// The ONC adapter: directory objects over the addresses of the printer
// configuration and the pts service.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "private/ns_adapter.h"
#include "private/ns_internal.h"

namespace kq::ns {
namespace {

char *Dup(const char *s) { return s ? strdup(s) : nullptr; }

bool OtherDomain(const NS_domain_t *domain) {
  if (!domain || !domain->name) return false;
  const char *current = CurrentDomain();
  return !current || strcmp(current, domain->name) != 0;
}

int FillFromAddress(NS_object_t *o, const ns_dpa_addr_t *a) {
  int type = ServingType(a->cls);
  if (!type) return NS_ERR_BAD_KIND;
  o->serverName = Dup(a->server);
  o->host = Dup(a->host);
  o->key = Dup(a->key);
  o->nameService = Dup(a->ns);
  o->domain = Dup(CurrentDomain());
  o->prognum = a->prognum;
  o->versnum = a->versnum;
  o->auth = a->auth;
  o->flag = a->flag;
  o->kind = a->cls;
  o->serverType = type;
  return NS_OK;
}

int getobj_onc(NS_object_t *o, const NS_domain_t *domain) {
  if (OtherDomain(domain)) return NS_ERR_DOMAIN;
  if (o->kind == NS_KIND_NOTIFY) {
    // The notification service runs beside every process; no entry is needed.
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) != 0) return NS_ERR_SYSTEM;
    o->serverType = NS_KIND_NOTIFY;
    o->serverName = Dup(o->name);
    o->host = strdup(host);
    o->prognum = PTS_PROGRAM;
    o->versnum = PTS_VERSION;
    o->auth = NS_AUTH_SYS;
    o->domain = Dup(CurrentDomain());
    return NS_OK;
  }
  ns_dpa_addr_t *a = ns_get_dpa_addr(o->name, o->kind);
  if (!a) return NS_ERR_NOT_FOUND;
  int rc = FillFromAddress(o, a);
  ns_free_dpa_addr(a);
  return rc;
}

int geteach_onc(NS_object_t *o, const ListElement &e) {
  ns_dpa_addr_t *a = CopyAddress(e.addr);
  if (!a) return NS_ERR_NO_MEMORY;
  int rc = ResolveRegistry(a) ? FillFromAddress(o, a) : NS_ERR_NOT_FOUND;
  ns_free_dpa_addr(a);
  return rc;
}

int createobj_onc(const NS_object_t *o, int replace) {
  if (o->kind == NS_KIND_NOTIFY) return NS_OK;
  if (replace) {
    if (ns_dpa_addr_t *old = StoredAddress(o->name, o->kind)) {
      ns_free_dpa_addr(old);
      ns_delete_dpa_addr(o->name, o->kind);
    }
  }
  ns_dpa_addr_t a = {};
  a.name = o->name;
  a.host = o->host;
  a.prognum = o->prognum;
  a.versnum = o->versnum;
  a.auth = o->auth;
  a.ns = o->nameService;
  a.cls = o->kind;
  a.server = o->serverName ? o->serverName : o->name;
  a.flag = o->flag;
  return ns_put_dpa_addr(&a) == 0 ? NS_OK : NS_ERR_SYSTEM;
}

// Backups and groups are not kept in the printer configuration.
int createback_onc(const NS_object_t *, const NS_object_t *) { return NS_ERR_UNSUPPORTED; }
int creategrp_onc(const NS_object_t *, const NS_object_t *) { return NS_ERR_UNSUPPORTED; }

int deleteobj_onc(const NS_object_t *o) {
  if (o->kind == NS_KIND_NOTIFY) return NS_OK;
  ns_dpa_addr_t *a = StoredAddress(o->name, o->kind);
  if (!a) return NS_ERR_NOT_FOUND;
  ns_free_dpa_addr(a);
  return ns_delete_dpa_addr(o->name, o->kind) == 0 ? NS_OK : NS_ERR_SYSTEM;
}

int listobj_onc(int kind, const NS_domain_t *domain, std::vector<ListElement> *out) {
  if (kind == NS_KIND_NOTIFY) return NS_ERR_BAD_KIND;
  if (OtherDomain(domain)) return NS_ERR_DOMAIN;
  ns_dpa_addr_t **list = ns_list_dpa_addr(kind);
  for (ns_dpa_addr_t **a = list; a && *a; ++a)
    out->push_back({(*a)->cls, Dup((*a)->name), Dup(CurrentDomain()), *a});
  free(list);
  return out->empty() ? NS_ERR_NOT_FOUND : NS_OK;
}

int listmbr_onc(const NS_object_t *, std::vector<ListElement> *) { return NS_ERR_UNSUPPORTED; }

int issamehost_onc(const NS_object_t *o, int *flag) {
  if (!o->host) return NS_ERR_OBJECT;
  char host[256] = "";
  if (gethostname(host, sizeof host - 1) != 0) return NS_ERR_SYSTEM;
  *flag = strcmp(host, o->host) == 0;
  return NS_OK;
}

int issameserver_onc(const NS_object_t *o, int *flag) {
  *flag = MyClass() == o->serverType && MyName() && o->serverName &&
          strcmp(MyName(), o->serverName) == 0;
  return NS_OK;
}

// The domain list holds the one current domain, handed out once.
int listdom_begin_onc(void **state) {
  if (!CurrentDomain()) return NS_ERR_END;
  auto **slot = static_cast<char **>(malloc(sizeof(char *)));
  if (slot) *slot = strdup(CurrentDomain());
  if (!slot || !*slot) {
    free(slot);
    return NS_ERR_NO_MEMORY;
  }
  *state = slot;
  return NS_OK;
}

int listdom_next_onc(void *state, char **name) {
  char **slot = static_cast<char **>(state);
  if (!*slot) return NS_ERR_END;
  *name = *slot;
  *slot = nullptr;
  return NS_OK;
}

int listdom_end_onc(void *state) {
  if (state) free(*static_cast<char **>(state));
  free(state);
  return NS_OK;
}
int init_onc(void) { return NS_OK; }
int term_onc(void) { return NS_OK; }

void freelist_onc(std::vector<ListElement> *elements) {
  for (ListElement &e : *elements) {
    free(e.name);
    free(e.domain);
    ns_free_dpa_addr(e.addr);
  }
  elements->clear();
}

}  // namespace

const Adapter oncAdapter = {
    .getobj = getobj_onc,
    .geteach = geteach_onc,
    .createobj = createobj_onc,
    .createback = createback_onc,
    .creategrp = creategrp_onc,
    .deleteobj = deleteobj_onc,
    .listobj = listobj_onc,
    .listmbr = listmbr_onc,
    .issamehost = issamehost_onc,
    .issameserver = issameserver_onc,
    .listdom_begin = listdom_begin_onc,
    .listdom_next = listdom_next_onc,
    .listdom_end = listdom_end_onc,
    .init = init_onc,
    .term = term_onc,
    .freelist = freelist_onc,
};

}  // namespace kq::ns
