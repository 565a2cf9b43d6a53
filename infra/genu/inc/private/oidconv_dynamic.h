// The dynamic-OID database: identifiers unknown at build time, kept in "oid_cvrt"
// in the registry directory and held whole in memory while open.
//
// Records: "b-<shoid>" -> binary form and one value-type byte; "a-<shoid>" -> name
// with its NUL; binary form -> shoid in decimal; name -> shoid in decimal.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_OIDCONV_DYNAMIC_H
#define KQ_INFRA_GENU_INC_PRIVATE_OIDCONV_DYNAMIC_H

#include <cstdint>

#include "infra/kqbm.h"

namespace kq::genu {

// How a conversion announces that it turns to the dynamic database.
enum class DynamicAnnounce { kIsDynamic, kMaybeDynamic };

// Looks `key` up for the conversion `function`, tracing as that function: the
// announcement, a missing database (GENU_ST_OID_NOT_OPEN) or a missing record
// (GENU_ST_OID_UNKNOWN, logged with `keyText`). On 0, *content points into the
// database and stays valid until GENU_Term.
uint32_t DynamicLookup(const char *function, DynamicAnnounce announce, const char *key,
                       int32_t keyLength, const char *keyText, datum *content);

// The decimal shoid a binary or name record holds; false when it is not a number.
bool ParseShoid(const datum &content, uint32_t *shoid);

}  // namespace kq::genu

#endif
