/* Operating-system conveniences. */
#ifndef KQ_INFRA_OSC_H
#define KQ_INFRA_OSC_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* Sleeps the calling thread; 0 when the full time has passed, 1 on any failure. */
KQ_EXPORT int OSC_ThreadSleep(uint32_t milliseconds);

KQ_END_DECLS

#endif
