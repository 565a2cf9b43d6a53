// Opening a receiving queue on a port the caller names, for tools that listen where a
// user tells them (the public operations offer a free port or the registered one).
#ifndef KQ_INFRA_EVT_IFACE_INTERNAL_EVT_PORT_H
#define KQ_INFRA_EVT_IFACE_INTERNAL_EVT_PORT_H

#include <stdint.h>

#include "infra/evt.h"

KQ_BEGIN_DECLS

/* A receiving queue on `port` (0: a free port); the bound port is stored through
 * `bound` when it is not null. EVT_E_BUSY when the port is in use. */
int EVT__OpenPort(uint16_t port, uint16_t *bound, EVT_queueId_t *queueId);

KQ_END_DECLS

#endif
