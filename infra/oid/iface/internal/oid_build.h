// Building a registry from the compiled identifier table: what `kq oid init` and the
// build's staging step run.
#ifndef KQ_INFRA_OID_IFACE_INTERNAL_OID_BUILD_H
#define KQ_INFRA_OID_IFACE_INTERNAL_OID_BUILD_H

#include <cstdint>
#include <string>

// Builds a complete registry in `directory` (created when missing) from the
// compiled table: main, default locale and link files, the object class and syntax
// records, an empty dynamic-OID database and the lock file. On failure returns
// OID_ST_BAD_PATH or OID_ST_INCONSISTENT and describes it in *error.
uint32_t OID__BuildRegistry(const char *directory, std::string *error);

#endif
