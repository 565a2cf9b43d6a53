// Directory objects: release and deep copy.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "infra/ns.h"

namespace {

// Copies a string field; false when memory ran out.
bool Copy(char **to, const char *from) {
  *to = from ? strdup(from) : nullptr;
  return !from || *to;
}

}  // namespace

int NS_FreeObject(NS_object_t *o) {
  if (!o) return NS_ERR_OBJECT;
  for (char *s : {o->name, o->serverName, o->host, o->key, o->nameService, o->domain, o->env1Name,
                  o->env1Address, o->env2String})
    free(s);
  for (int i = 0; o->env2Strings && i < o->env2Count; ++i) free(o->env2Strings[i]);
  free(o->env2Strings);
  free(o);
  return NS_OK;
}

int NS_CopyObject(const NS_object_t *o, NS_object_t **out) {
  if (!o || !out) return NS_ERR_OBJECT;
  auto *c = static_cast<NS_object_t *>(calloc(1, sizeof(NS_object_t)));
  if (!c) return NS_ERR_NO_MEMORY;
  *c = *o;
  bool ok = Copy(&c->name, o->name) & Copy(&c->serverName, o->serverName) &
            Copy(&c->host, o->host) & Copy(&c->key, o->key) &
            Copy(&c->nameService, o->nameService) & Copy(&c->domain, o->domain) &
            Copy(&c->env1Name, o->env1Name) & Copy(&c->env1Address, o->env1Address) &
            Copy(&c->env2String, o->env2String);
  c->env2Strings = nullptr;
  if (o->env2Strings && o->env2Count > 0) {
    c->env2Strings = static_cast<char **>(calloc(o->env2Count, sizeof(char *)));
    ok = ok && c->env2Strings;
    for (int i = 0; ok && i < o->env2Count; ++i) ok = Copy(&c->env2Strings[i], o->env2Strings[i]);
  } else {
    c->env2Count = 0;
  }
  if (!ok) {
    NS_FreeObject(c);
    return NS_ERR_NO_MEMORY;
  }
  *out = c;
  return NS_OK;
}

int NS_FreeString(char *string) {
  free(string);
  return NS_OK;
}
