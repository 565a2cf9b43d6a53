/* Object identifier form conversions: short, BER, binary, dotted and name forms, and the dynamic identifiers.
 * Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_OID_H
#define KQ_INFRA_GENU_OID_H

#include "infra/kqexport.h"

KQ_BEGIN_DECLS

KQ_END_DECLS

#endif
