// Attribute values: the form of a value is chosen by its key.
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/prt.h"
#include "private/prt_internal.h"

namespace kq::prt {
namespace {

enum class Form { kText, kBsdAddr, kNames, kPrinters };

Form FormOf(const char *key) {
  if (!key) return Form::kText;
  if (strcmp(key, NS_KEY_BSDADDR) == 0) return Form::kBsdAddr;
  if (strcmp(key, NS_KEY_ALL) == 0 || strcmp(key, NS_KEY_GROUP) == 0) return Form::kNames;
  if (strcmp(key, NS_KEY_LIST) == 0) return Form::kPrinters;
  return Form::kText;
}

char *Dup(const char *s) { return s ? strdup(s) : nullptr; }

// "a,b,c" into a list of new texts.
char **NamesFromText(const char *text) {
  char *copy = strdup(text);
  if (!copy) return nullptr;
  char **pieces = strsplit(copy, ",");
  char **names = nullptr;
  for (char **p = pieces; p && *p; ++p) names = (char **)list_append((void **)names, strdup(*p));
  free(pieces);
  free(copy);
  return names;
}

}  // namespace

ns_bsd_addr_t *BsdAddrCopy(const ns_bsd_addr_t *addr) {
  if (!addr) return nullptr;
  ns_bsd_addr_t *copy = bsd_addr_create(addr->server, addr->printer, addr->extension);
  if (copy && addr->pname) copy->pname = strdup(addr->pname);
  return copy;
}

char *ValueText(const char *key, const void *value) {
  if (!value) return nullptr;
  std::string text;
  switch (FormOf(key)) {
    case Form::kText:
      return strdup(static_cast<const char *>(value));
    case Form::kBsdAddr: {
      auto *a = static_cast<const ns_bsd_addr_t *>(value);
      text = a->server ? a->server : "";
      if (a->printer || a->extension) text += std::string(",") + (a->printer ? a->printer : "");
      if (a->extension) text += std::string(",") + a->extension;
      break;
    }
    case Form::kNames:
      for (char *const *n = static_cast<char *const *>(value); *n; ++n) {
        if (!text.empty()) text += ',';
        text += *n;
      }
      break;
    case Form::kPrinters:
      for (ns_printer_t *const *p = static_cast<ns_printer_t *const *>(value); *p; ++p) {
        if (!text.empty()) text += ',';
        text += (*p)->name ? (*p)->name : "";
      }
      break;
  }
  return strdup(text.c_str());
}

void *ValueFromText(const char *key, const char *text, const char *entryName) {
  if (!text) return nullptr;
  switch (FormOf(key)) {
    case Form::kText:
      return strdup(text);
    case Form::kBsdAddr: {
      char *copy = strdup(text);
      if (!copy) return nullptr;
      char **parts = strsplit(copy, ",");
      ns_bsd_addr_t *addr = nullptr;
      if (parts && parts[0]) {
        const char *printer = parts[1];
        addr = bsd_addr_create(parts[0], printer, printer ? parts[2] : nullptr);
        if (addr && entryName) addr->pname = strdup(entryName);
      }
      free(parts);
      free(copy);
      return addr;
    }
    case Form::kNames:
      return NamesFromText(text);
    case Form::kPrinters: {
      char **names = NamesFromText(text);
      ns_printer_t **printers = nullptr;
      for (char **n = names; n && *n; ++n) {
        ns_printer_t *p = LookupForValue(*n);
        if (!p) p = ns_printer_create(*n, nullptr, nullptr, nullptr);
        printers = (ns_printer_t **)list_append((void **)printers, p);
        free(*n);
      }
      free(names);
      return printers;
    }
  }
  return nullptr;
}

void *ValueCopy(const char *key, const void *value) {
  if (!value) return nullptr;
  if (FormOf(key) == Form::kBsdAddr) return BsdAddrCopy(static_cast<const ns_bsd_addr_t *>(value));
  char *text = ValueText(key, value);
  void *copy = ValueFromText(key, text, nullptr);
  free(text);
  return copy;
}

void ValueFree(const char *key, void *value) {
  if (!value) return;
  switch (FormOf(key)) {
    case Form::kText:
      break;
    case Form::kBsdAddr:
      ns_bsd_addr_destroy(static_cast<ns_bsd_addr_t *>(value));
      return;
    case Form::kNames:
      for (char **n = static_cast<char **>(value); *n; ++n) free(*n);
      break;
    case Form::kPrinters:
      ns_printer_list_destroy(static_cast<ns_printer_t **>(value));
      return;
  }
  free(value);
}

}  // namespace kq::prt

using namespace kq::prt;

ns_bsd_addr_t *bsd_addr_create(const char *server, const char *printer, const char *extension) {
  auto *addr = static_cast<ns_bsd_addr_t *>(calloc(1, sizeof(ns_bsd_addr_t)));
  if (!addr) return nullptr;
  addr->server = Dup(server);
  addr->printer = Dup(printer);
  addr->extension = Dup(extension);
  return addr;
}

void ns_bsd_addr_destroy(ns_bsd_addr_t *addr) {
  if (!addr) return;
  free(addr->server);
  free(addr->printer);
  free(addr->extension);
  free(addr->pname);
  free(addr);
}

void ns_bsd_addr_list_destroy(ns_bsd_addr_t **list) {
  for (ns_bsd_addr_t **a = list; a && *a; ++a) ns_bsd_addr_destroy(*a);
  free(list);
}

int ns_bsd_addr_cmp(ns_bsd_addr_t *a, ns_bsd_addr_t *b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  int rc = strcmp(a->server ? a->server : "", b->server ? b->server : "");
  if (rc) return rc;
  if (!a->printer || !b->printer) return (a->printer ? 1 : 0) - (b->printer ? 1 : 0);
  return strcmp(a->printer, b->printer);
}
