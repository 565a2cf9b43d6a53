// Inside the wire conversion: the world's allocator and the status helper shared by
// the converters.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_INT_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_INT_H

#include <cstddef>
#include <cstdint>

#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/genu_world_alloc.h"
#include "internal/stf_fail.h"

namespace kq::genu {

// The refusal of every converter: a record or wire structure that does not fit its
// description (a wrong choice, a missing part, a value out of range).
inline int WireBad(STF_statusList_t *status) { return STF__Fail(status, GENU_ST_BAD_VALUE); }

// The value type ids JQP_PackAV handles: fills up to `max` and returns the count.
uint32_t WireTypeIds(uint32_t *ids, uint32_t max);

// The display name of a value type id ("unknown value type" beyond the table), and
// the packing trace of one value ("<verb> <name>[ = <value>]").
const char *TypeDisplayName(uint32_t id);
void TraceValue(const char *verb, uint32_t id, const void *record, bool unpacked);

// One wire attribute as an attribute alone in a new private set (process
// allocator); received access control lists become ext ones when `convertAcl`.
int WireAttrToGen(STF_statusList_t *status, const ber_oid &type,
                  const Attribute_values_node *values, bool convertAcl, AS_attrHandle_t *attrOut);

}  // namespace kq::genu

#endif
