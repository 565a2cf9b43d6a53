// The table of operations through which the front end reaches an environment.
#ifndef KQ_INFRA_NS_INC_PRIVATE_NS_ADAPTER_H
#define KQ_INFRA_NS_INC_PRIVATE_NS_ADAPTER_H

#include <vector>

#include "infra/ns.h"

namespace kq::ns {

struct ListElement {
  int cls;
  char *name;
  char *domain;
  ns_dpa_addr_t *addr;
};

struct Adapter {
  int (*getobj)(NS_object_t *object, const NS_domain_t *domain);
  int (*geteach)(NS_object_t *object, const ListElement &element);
  int (*createobj)(const NS_object_t *object, int replace);
  int (*createback)(const NS_object_t *printer, const NS_object_t *backup);
  int (*creategrp)(const NS_object_t *group, const NS_object_t *member);
  int (*deleteobj)(const NS_object_t *object);
  int (*listobj)(int kind, const NS_domain_t *domain, std::vector<ListElement> *out);
  int (*listmbr)(const NS_object_t *group, std::vector<ListElement> *out);
  int (*issamehost)(const NS_object_t *object, int *flag);
  int (*issameserver)(const NS_object_t *object, int *flag);
  int (*listdom_begin)(void **state);
  int (*listdom_next)(void *state, char **name);
  int (*listdom_end)(void *state);
  int (*init)(void);
  int (*term)(void);
  void (*freelist)(std::vector<ListElement> *elements);
};

extern const Adapter oncAdapter;

// Front-end state the adapters read.
const char *MyName();
int MyClass();
// The current ONC domain, or NULL.
const char *CurrentDomain();

}  // namespace kq::ns

#endif
