/* Value descriptors by attribute value type id: the table that maps each id
 * (0..94) to the copy/delete pair of its value record, null for ids without one.
 * Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_DESC_H
#define KQ_INFRA_GENU_DESC_H

#include <stdint.h>

#include "as.h"
#include "kqexport.h"

KQ_BEGIN_DECLS

#define GENU_AVT_COUNT 95 /* value type ids 0..94 */

KQ_EXPORT extern const AS_valueDescriptor_t *GENU_AvtToDescTable[GENU_AVT_COUNT];

/* The descriptor of value type id `id` (0..94), or null when the id has none. */
KQ_EXPORT const AS_valueDescriptor_t *GENU_AVT2Descriptor(int32_t id);

/* When non-zero (set by callers, never by the library), packing and unpacking
 * add a rendering of each wire structure to their trace messages. */
KQ_EXPORT extern int32_t GENU__printPDU;

KQ_END_DECLS

#endif
