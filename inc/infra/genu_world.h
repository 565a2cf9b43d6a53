/* The coding world: the per-thread encoder and decoder state and the PDU operations on it.
 * Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_WORLD_H
#define KQ_INFRA_GENU_WORLD_H

#include "infra/kqexport.h"

KQ_BEGIN_DECLS

KQ_END_DECLS

#endif
