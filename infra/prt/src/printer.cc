// Printer objects, their attributes and value lookup with inheritance.
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "infra/prt.h"
#include "private/prt_internal.h"

using namespace kq::prt;

namespace {

// Inheritance goes at most this many entries deep.
constexpr int kMaxDepth = 16;

// The entries one search has looked up by name: each is searched once, so that lists
// naming the same entries again (or themselves) cost no more than the entries.
using Visited = std::unordered_set<std::string>;

ns_kvp_t **FindSlot(ns_printer_t *printer, const char *key) {
  for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv)
    if ((*kv)->key && strcmp((*kv)->key, key) == 0) return kv;
  return nullptr;
}

void FreeKvp(ns_kvp_t *kv) {
  if (!kv) return;
  ValueFree(kv->key, kv->value);
  free(kv->key);
  free(kv);
}

void *Search(ns_printer_t *printer, const char *key, int depth, ns_printer_t *keeper,
             Visited &visited);

// Looks `name` up and searches it, unless this search has done so already; the entry
// is kept by `keeper` so that a value found in it stays valid as long as the printer
// that was asked.
void *SearchNamed(const char *name, const char *key, int depth, ns_printer_t *keeper,
                  Visited &visited) {
  if (depth + 1 > kMaxDepth || !visited.insert(name).second) return nullptr;
  ns_printer_t *other = ns_printer_get_name(name, nullptr);
  if (!other) return nullptr;
  void *value = Search(other, key, depth + 1, keeper, visited);
  void **kept = list_append((void **)keeper->inherited, other);
  if (!kept) {
    ns_printer_destroy(other);
    return nullptr;
  }
  keeper->inherited = (ns_printer_t **)kept;
  return value;
}

void *Search(ns_printer_t *printer, const char *key, int depth, ns_printer_t *keeper,
             Visited &visited) {
  if (!printer || depth > kMaxDepth) return nullptr;
  if (ns_kvp_t **own = FindSlot(printer, key); own && (*own)->value) return (*own)->value;
  for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv) {
    const char *k = (*kv)->key;
    void *v = (*kv)->value;
    if (!k || !v) continue;
    void *found = nullptr;
    if (strcmp(k, NS_KEY_ALL) == 0 || strcmp(k, NS_KEY_GROUP) == 0) {
      for (char **n = static_cast<char **>(v); *n && !found; ++n)
        found = SearchNamed(*n, key, depth, keeper, visited);
    } else if (strcmp(k, NS_KEY_LIST) == 0) {
      for (ns_printer_t **p = static_cast<ns_printer_t **>(v); *p && !found; ++p)
        found = Search(*p, key, depth + 1, keeper, visited);
    } else if (strcmp(k, NS_KEY_USE) == 0) {
      found = SearchNamed(static_cast<char *>(v), key, depth, keeper, visited);
    }
    if (found) return found;
  }
  return nullptr;
}

}  // namespace

ns_kvp_t *ns_kvp_create(const char *key, void *value) {
  if (!key) return nullptr;
  auto *kv = static_cast<ns_kvp_t *>(calloc(1, sizeof(ns_kvp_t)));
  if (!kv) return nullptr;
  kv->key = strdup(key);
  if (!kv->key) {
    free(kv);
    return nullptr;
  }
  kv->value = value;
  return kv;
}

ns_printer_t *ns_printer_create(const char *name, char **aliases, const char *source,
                                ns_kvp_t **attributes) {
  auto *p = static_cast<ns_printer_t *>(calloc(1, sizeof(ns_printer_t)));
  if (!p) return nullptr;
  p->name = name ? strdup(name) : nullptr;
  p->source = source ? strdup(source) : nullptr;
  p->aliases = aliases;
  p->attributes = attributes;
  return p;
}

void ns_printer_destroy(ns_printer_t *printer) {
  if (!printer) return;
  for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv) FreeKvp(*kv);
  free(printer->attributes);
  for (char **a = printer->aliases; a && *a; ++a) free(*a);
  free(printer->aliases);
  ns_printer_list_destroy(printer->inherited);
  free(printer->name);
  free(printer->source);
  free(printer);
}

void ns_printer_list_destroy(ns_printer_t **list) {
  for (ns_printer_t **p = list; p && *p; ++p) ns_printer_destroy(*p);
  free(list);
}

void *ns_get_value(const char *key, ns_printer_t *printer) {
  if (!key || !printer) return nullptr;
  CallScope call;
  Visited visited;
  return Search(printer, key, 0, printer, visited);
}

char *ns_get_value_string(const char *key, ns_printer_t *printer) {
  return ValueText(key, ns_get_value(key, printer));
}

int ns_set_value(const char *key, void *value, ns_printer_t *printer) {
  if (!printer) return -1;
  if (!key) {
    for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv) FreeKvp(*kv);
    free(printer->attributes);
    printer->attributes = nullptr;
    return 0;
  }
  ns_kvp_t **slot = FindSlot(printer, key);
  if (slot && !value) {
    // Remove the pair and close the gap.
    FreeKvp(*slot);
    do slot[0] = slot[1];
    while (*slot++);
    return 0;
  }
  if (slot) {
    ValueFree(key, (*slot)->value);
    (*slot)->value = value;
    return 0;
  }
  if (!value) return 0;
  ns_kvp_t *kv = ns_kvp_create(key, value);
  if (!kv) return -1;
  void **grown = list_append((void **)printer->attributes, kv);
  if (!grown) {
    free(kv->key);
    free(kv);
    return -1;
  }
  printer->attributes = (ns_kvp_t **)grown;
  return 0;
}

int ns_set_value_from_string(const char *key, const char *string, ns_printer_t *printer) {
  if (!printer) return -1;
  if (!key) return ns_set_value(nullptr, nullptr, printer);
  void *value = ValueFromText(key, string, printer->name);
  if (string && !value) return -1;
  int rc = ns_set_value(key, value, printer);
  if (rc) ValueFree(key, value);
  return rc;
}

int ns_printer_match_name(ns_printer_t *printer, const char *name) {
  if (!printer || !name) return -1;
  if (printer->name && strcmp(printer->name, name) == 0) return 0;
  for (char **a = printer->aliases; a && *a; ++a)
    if (strcmp(*a, name) == 0) return 0;
  return -1;
}

char *ns_printer_name_list(const ns_printer_t *printer) {
  if (!printer || !printer->name) return nullptr;
  std::string text = printer->name;
  for (char **a = printer->aliases; a && *a; ++a) text += std::string("|") + *a;
  return strdup(text.c_str());
}
