// The directory front end: process state, and every request dispatched through the
// adapter table of the object's environment.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "infra/svclog.h"
#include "internal/prt_nis.h"
#include "private/ns_adapter.h"
#include "private/ns_internal.h"

int NS__trace;

namespace kq::ns {
namespace {

constexpr int kEnvCount = 3;

struct AdapterSlot {
  int env;
  const char *name;
  const Adapter *ops;
};

struct State {
  bool initialised = false;
  char *myName = nullptr;
  int myClass = 0;
  AdapterSlot adapters[kEnvCount] = {};
  bool supported[kEnvCount] = {};
  std::vector<int> supportedList;
} state;

// Traces entry and exit of a front-end function.
class Trace {
 public:
  explicit Trace(const char *function) : function_(function) {
    LOG_COND_FUNC_TRACE(function_, 1, "%s", "");
  }
  int Exit(int rc) {
    LOG_COND_FUNC_TRACE(function_, 0, "rc=%d", rc);
    return rc;
  }

 private:
  const char *function_;
};

const Adapter *Ops(int env) {
  return env >= 0 && env < kEnvCount && state.supported[env] ? state.adapters[env].ops : nullptr;
}

int EnvOf(const NS_domain_t *domain) { return domain ? domain->env : NS_ENV_ONC; }

char *Dup(const char *s) { return s ? strdup(s) : nullptr; }

void ClearState() {
  free(state.myName);
  state = State{};
}

}  // namespace

const char *MyName() { return state.myName; }
int MyClass() { return state.myClass; }
const char *CurrentDomain() { return prt__nis_domain(); }

}  // namespace kq::ns

struct NS_list {
  int env;
  std::vector<kq::ns::ListElement> elements;
  size_t cursor;
};

struct NS_domainList {
  int env;
  void *state;
};

using namespace kq::ns;

int NS_Init(const char *myName, int myClass) {
  Trace t("NS_Init");
  NS__trace = getenv("NS_TRACE") != nullptr;
  if (state.initialised) {
    if (myClass != state.myClass) return t.Exit(NS_ERR_BAD_KIND);
    if (myClass != NS_CLASS_CLIENT &&
        (!myName || !state.myName || strcmp(myName, state.myName) != 0))
      return t.Exit(NS_ERR_NAME);
    return t.Exit(NS_OK);
  }
  ClearState();
  state.adapters[NS_ENV_ONC] = {NS_ENV_ONC, "onc", &oncAdapter};
  if (myClass == NS_KIND_SPOOLER || myClass == NS_KIND_SUPERVISOR || myClass == NS_KIND_NOTIFY) {
    if (!myName) return t.Exit(NS_ERR_NAME);
    state.myName = strdup(myName);
    if (!state.myName) return t.Exit(NS_ERR_NO_MEMORY);
  } else if (myClass != NS_CLASS_CLIENT) {
    return t.Exit(NS_ERR_BAD_KIND);
  }
  state.myClass = myClass;
  for (int env = 0; env < kEnvCount; ++env) {
    const Adapter *ops = state.adapters[env].ops;
    if (!ops) continue;
    int rc = ops->init();
    if (rc == NS_OK) {
      state.supported[env] = true;
      state.supportedList.push_back(env);
    } else if (env == 0) {
      ClearState();
      return t.Exit(rc);
    }
  }
  state.initialised = true;
  return t.Exit(NS_OK);
}

int NS_Term(void) {
  Trace t("NS_Term");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  for (int env : state.supportedList) state.adapters[env].ops->term();
  ClearState();
  return t.Exit(NS_OK);
}

int NS_GetObject(int kind, const char *name, const NS_domain_t *domain, NS_object_t **out) {
  Trace t("NS_GetObject");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  const Adapter *ops = Ops(EnvOf(domain));
  if (!ops) return t.Exit(NS_ERR_UNSUPPORTED);
  if (!name || !out) return t.Exit(NS_ERR_NAME);
  if (kind < 0 || kind > 9) return t.Exit(NS_ERR_BAD_KIND);
  auto *o = static_cast<NS_object_t *>(calloc(1, sizeof(NS_object_t)));
  if (!o || !(o->name = strdup(name))) {
    free(o);
    return t.Exit(NS_ERR_NO_MEMORY);
  }
  o->kind = kind;
  int rc = ops->getobj(o, domain);
  if (rc != NS_OK) {
    NS_FreeObject(o);
    return t.Exit(rc);
  }
  o->env = EnvOf(domain);
  *out = o;
  return t.Exit(NS_OK);
}

// Checks shared by the functions that change the directory.
static int CheckWrite(const NS_object_t *object) {
  if (!state.initialised) return NS_ERR_NOT_INIT;
  if (state.myClass == NS_CLASS_CLIENT) return NS_ERR_NOT_PERMITTED;
  if (!object) return NS_ERR_OBJECT;
  if (!object->name) return NS_ERR_NAME;
  if (!Ops(object->env)) return NS_ERR_UNSUPPORTED;
  return NS_OK;
}

int NS_CreateObject(const NS_object_t *object, int replace, NS_object_t **out) {
  Trace t("NS_CreateObject");
  if (int rc = CheckWrite(object)) return t.Exit(rc);
  int k = object->kind;
  bool ok = ((k == NS_KIND_LOGICAL || k == NS_KIND_QUEUE) && object->serverType == 3) ||
            (k == NS_KIND_PHYSICAL && object->serverType == 4) || k == NS_KIND_SPOOLER ||
            k == NS_KIND_SUPERVISOR || k == NS_KIND_NOTIFY;
  if (!ok) return t.Exit(NS_ERR_BAD_KIND);
  int rc = Ops(object->env)->createobj(object, replace);
  if (rc == NS_OK && out) rc = NS_CopyObject(object, out);
  return t.Exit(rc);
}

int NS_CreateBackup(const NS_object_t *printer, const NS_object_t *backup) {
  Trace t("NS_CreateBackup");
  if (int rc = CheckWrite(printer)) return t.Exit(rc);
  return t.Exit(Ops(printer->env)->createback(printer, backup));
}

int NS_CreateGroup(const NS_object_t *group, const NS_object_t *member) {
  Trace t("NS_CreateGroup");
  if (int rc = CheckWrite(group)) return t.Exit(rc);
  return t.Exit(Ops(group->env)->creategrp(group, member));
}

int NS_DeleteObject(const NS_object_t *object) {
  Trace t("NS_DeleteObject");
  if (int rc = CheckWrite(object)) return t.Exit(rc);
  return t.Exit(Ops(object->env)->deleteobj(object));
}

// Makes a list handle filled by `fill`; the adapter's failure releases it.
template <typename Fill>
static int BeginList(int env, NS_list_t **out, Fill fill) {
  if (!out) return NS_ERR_NO_HANDLE;
  auto *list = new (std::nothrow) NS_list{env, {}, 0};
  if (!list) return NS_ERR_NO_MEMORY;
  int rc = fill(&list->elements);
  if (rc != NS_OK) {
    Ops(env)->freelist(&list->elements);
    delete list;
    return rc;
  }
  *out = list;
  return NS_OK;
}

int NS_ListObjectBegin(int kind, const NS_domain_t *domain, NS_list_t **out) {
  Trace t("NS_ListObjectBegin");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  const Adapter *ops = Ops(EnvOf(domain));
  if (!ops) return t.Exit(NS_ERR_UNSUPPORTED);
  if (kind < 0 || kind > 9) return t.Exit(NS_ERR_BAD_KIND);
  return t.Exit(BeginList(EnvOf(domain), out, [&](std::vector<ListElement> *elements) {
    return ops->listobj(kind, domain, elements);
  }));
}

static int ListMembers(const char *function, const NS_object_t *group, NS_list_t **out) {
  Trace t(function);
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  if (!group) return t.Exit(NS_ERR_OBJECT);
  const Adapter *ops = Ops(group->env);
  if (!ops) return t.Exit(NS_ERR_UNSUPPORTED);
  return t.Exit(BeginList(group->env, out, [&](std::vector<ListElement> *elements) {
    return ops->listmbr(group, elements);
  }));
}

int NS_ListBackupPrtBegin(const NS_object_t *printer, NS_list_t **out) {
  return ListMembers("NS_ListBackupPrtBegin", printer, out);
}

int NS_ListGroupMbrBegin(const NS_object_t *group, NS_list_t **out) {
  return ListMembers("NS_ListGroupMbrBegin", group, out);
}

int NS_ListNext(NS_list_t *list, NS_object_t **out) {
  Trace t("NS_ListNext");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  if (!list) return t.Exit(NS_ERR_NO_HANDLE);
  const Adapter *ops = Ops(list->env);
  if (!ops) return t.Exit(NS_ERR_UNSUPPORTED);
  while (list->cursor < list->elements.size()) {
    const ListElement &e = list->elements[list->cursor];
    auto *o = static_cast<NS_object_t *>(calloc(1, sizeof(NS_object_t)));
    if (!o || !(o->name = Dup(e.name))) {
      free(o);
      return t.Exit(NS_ERR_NO_MEMORY);
    }
    o->kind = e.cls;
    int rc = ops->geteach(o, e);
    ++list->cursor;
    if (rc == NS_OK) {
      o->env = list->env;
      *out = o;
      return t.Exit(NS_OK);
    }
    NS_FreeObject(o);
    if (rc != NS_ERR_NOT_FOUND && rc != NS_ERR_UNAVAILABLE) return t.Exit(rc);
  }
  return t.Exit(NS_ERR_END);
}

int NS_ListEnd(NS_list_t *list) {
  Trace t("NS_ListEnd");
  if (!list) return t.Exit(NS_ERR_NO_HANDLE);
  if (const Adapter *ops = Ops(list->env)) ops->freelist(&list->elements);
  delete list;
  return t.Exit(NS_OK);
}

int NS_IsSameHost(const NS_object_t *object, int *flag) {
  Trace t("NS_IsSameHost");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  if (!object || !flag) return t.Exit(NS_ERR_OBJECT);
  const Adapter *ops = Ops(object->env);
  return t.Exit(ops ? ops->issamehost(object, flag) : NS_ERR_UNSUPPORTED);
}

int NS_IsSameServer(const NS_object_t *object, int *flag) {
  Trace t("NS_IsSameServer");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  if (!object || !flag) return t.Exit(NS_ERR_OBJECT);
  const Adapter *ops = Ops(object->env);
  return t.Exit(ops ? ops->issameserver(object, flag) : NS_ERR_UNSUPPORTED);
}

int NS_CreateDomainHandle(NS_domain_t **out) {
  Trace t("NS_CreateDomainHandle");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  if (!out) return t.Exit(NS_ERR_NO_HANDLE);
  *out = static_cast<NS_domain_t *>(calloc(1, sizeof(NS_domain_t)));
  return t.Exit(*out ? NS_OK : NS_ERR_NO_MEMORY);
}

int NS_SetDomain(int env, const char *name, NS_domain_t *domain) {
  Trace t("NS_SetDomain");
  if (!domain) return t.Exit(NS_ERR_NO_HANDLE);
  if (!Ops(env)) return t.Exit(NS_ERR_UNSUPPORTED);
  char *copy = nullptr;
  if (name && !(copy = strdup(name))) return t.Exit(NS_ERR_NO_MEMORY);
  free(domain->name);
  domain->env = env;
  domain->name = copy;
  return t.Exit(NS_OK);
}

int NS_GetDomain(int env, const NS_domain_t *domain, char **out) {
  Trace t("NS_GetDomain");
  if (!domain) return t.Exit(NS_ERR_NO_HANDLE);
  if (!out) return t.Exit(NS_ERR_NAME);
  if (env != domain->env || !Ops(env)) return t.Exit(NS_ERR_UNSUPPORTED);
  const char *name = domain->name ? domain->name : CurrentDomain();
  *out = nullptr;
  if (name && !(*out = strdup(name))) return t.Exit(NS_ERR_NO_MEMORY);
  return t.Exit(NS_OK);
}

int NS_FreeDomainHandle(NS_domain_t *domain) {
  if (!domain) return NS_ERR_NO_HANDLE;
  free(domain->name);
  free(domain);
  return NS_OK;
}

int NS_ListDomainBegin(int env, NS_domainList_t **out) {
  Trace t("NS_ListDomainBegin");
  if (!state.initialised) return t.Exit(NS_ERR_NOT_INIT);
  const Adapter *ops = Ops(env);
  if (!ops) return t.Exit(NS_ERR_UNSUPPORTED);
  if (!out) return t.Exit(NS_ERR_NO_HANDLE);
  auto *list = static_cast<NS_domainList_t *>(calloc(1, sizeof(NS_domainList_t)));
  if (!list) return t.Exit(NS_ERR_NO_MEMORY);
  list->env = env;
  int rc = ops->listdom_begin(&list->state);
  if (rc != NS_OK) {
    free(list);
    return t.Exit(rc);
  }
  *out = list;
  return t.Exit(NS_OK);
}

int NS_ListDomainNext(NS_domainList_t *list, char **name) {
  Trace t("NS_ListDomainNext");
  if (!list) return t.Exit(NS_ERR_NO_HANDLE);
  const Adapter *ops = Ops(list->env);
  return t.Exit(ops ? ops->listdom_next(list->state, name) : NS_ERR_UNSUPPORTED);
}

int NS_ListDomainEnd(NS_domainList_t *list) {
  Trace t("NS_ListDomainEnd");
  if (!list) return t.Exit(NS_ERR_NO_HANDLE);
  if (const Adapter *ops = Ops(list->env)) ops->listdom_end(list->state);
  free(list);
  return t.Exit(NS_OK);
}

int NS_ListSupportedEnv(int **envs, int *count) {
  if (!state.initialised) return NS_ERR_NOT_INIT;
  if (!envs || !count) return NS_ERR_NO_HANDLE;
  *count = static_cast<int>(state.supportedList.size());
  *envs = static_cast<int *>(malloc(sizeof(int) * (state.supportedList.size() + 1)));
  if (!*envs) return NS_ERR_NO_MEMORY;
  for (size_t i = 0; i < state.supportedList.size(); ++i) (*envs)[i] = state.supportedList[i];
  return NS_OK;
}
