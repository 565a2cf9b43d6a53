// Object kinds and classes, and the DPA address string of an entry.
#include <cstdlib>
#include <cstring>

#include "private/ns_internal.h"

namespace kq::ns {
namespace {

struct KindInfo {
  const char *key;
  const char *className;
  int servingType;
};

// Index = kind = class.
const KindInfo kKinds[kKindCount] = {
    {"paddr", "lp", 3}, {"paddr", "pp", 4}, {"paddr", "lp", 0}, {"saddr", "sl", 3},
    {"saddr", "sv", 4}, {"saddr", "sl", 0}, {"qaddr", "qu", 3}, {"saddr", "nf", 7},
};
const char *const kAuthNames[] = {"none", "sys", "des", "kerb"};

// First match, so "lp" is 0 and "sl" is 3; unknown names are 0.
int IndexOf(const char *name, const char *const *names, int count) {
  for (int i = 0; i < count; ++i)
    if (strcmp(name, names[i]) == 0) return i;
  return 0;
}

char *Dup(const char *s) { return s ? strdup(s) : nullptr; }

}  // namespace

const char *KeyOfKind(int kind) {
  return kind >= 0 && kind < kKindCount ? kKinds[kind].key : nullptr;
}
const char *ClassName(int cls) {
  return cls >= 0 && cls < kKindCount ? kKinds[cls].className : kKinds[0].className;
}
const char *AuthName(int auth) { return auth >= 0 && auth < 4 ? kAuthNames[auth] : kAuthNames[0]; }
int ServingType(int cls) { return cls >= 0 && cls < kKindCount ? kKinds[cls].servingType : 0; }
bool IsServerKey(const char *key) { return key && strcmp(key, "saddr") == 0; }

std::string AddressText(const ns_dpa_addr_t &a) {
  char buffer[1024];
  snprintf(buffer, sizeof buffer, NS_DPA_ADDR_FORMAT, a.host ? a.host : "", a.prognum, a.versnum,
           AuthName(a.auth), ClassName(a.cls), a.server ? a.server : "", a.flag);
  return buffer;
}

ns_dpa_addr_t *CopyAddress(const ns_dpa_addr_t *a) {
  if (!a) return nullptr;
  auto *copy = static_cast<ns_dpa_addr_t *>(malloc(sizeof(ns_dpa_addr_t)));
  if (!copy) return nullptr;
  *copy = *a;
  copy->name = Dup(a->name);
  copy->host = Dup(a->host);
  copy->key = Dup(a->key);
  copy->ns = Dup(a->ns);
  copy->server = Dup(a->server);
  return copy;
}

}  // namespace kq::ns

using namespace kq::ns;

ns_dpa_addr_t *str_to_dpa_addr(const char *name, const char *key, const char *string) {
  if (!string) return nullptr;
  // Exactly seven fields, none empty.
  std::string text = string;
  std::string fields[7];
  size_t start = 0;
  for (int i = 0; i < 7; ++i) {
    size_t comma = text.find(',', start);
    if ((comma == std::string::npos) != (i == 6)) return nullptr;
    fields[i] = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (fields[i].empty()) return nullptr;
    start = comma + 1;
  }
  auto number = [](const std::string &s, int *out) {
    char *end = nullptr;
    long v = strtol(s.c_str(), &end, 10);
    *out = static_cast<int>(v);
    return *end == '\0';
  };
  int prognum, versnum, flag;
  if (!number(fields[1], &prognum) || !number(fields[2], &versnum) || !number(fields[6], &flag))
    return nullptr;
  const char *classNames[kKindCount];
  for (int i = 0; i < kKindCount; ++i) classNames[i] = ClassName(i);
  const char *const authNames[] = {"none", "sys", "des", "kerb"};
  ns_dpa_addr_t a = {};
  a.name = const_cast<char *>(name);
  a.host = fields[0].data();
  a.prognum = prognum;
  a.versnum = versnum;
  a.auth = IndexOf(fields[3].c_str(), authNames, 4);
  a.key = const_cast<char *>(key);
  a.cls = IndexOf(fields[4].c_str(), classNames, kKindCount);
  a.server = fields[5].data();
  a.flag = flag;
  return CopyAddress(&a);
}

void ns_free_dpa_addr(ns_dpa_addr_t *a) {
  if (!a) return;
  free(a->name);
  free(a->host);
  free(a->key);
  free(a->ns);
  free(a->server);
  free(a);
}

void ns_free_dpa_addr_list(ns_dpa_addr_t **list) {
  for (ns_dpa_addr_t **a = list; a && *a; ++a) ns_free_dpa_addr(*a);
  free(list);
}
