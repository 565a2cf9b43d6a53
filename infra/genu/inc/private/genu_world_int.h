// Inside the coding world: the thread key that holds each thread's world, the
// process set-up and the codes of its user messages.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_WORLD_INT_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_WORLD_INT_H

#include "infra/genu_world.h"
#include "infra/thr.h"

// User messages (message facility texts of the GEN catalogue).
#define GENU_MSG_WORLD_FAILED 0xc00e00d0u   // one argument: the failing call's code (long)
#define GENU_MSG_CODING_FAILED 0xc00e00d1u  // one argument: the coder's error text

namespace kq::genu {
extern THR_threadKey_t worldKey;
extern THR_once_t worldOnce;
}  // namespace kq::genu

extern "C" {
void GENU__OssInit(void);
OssGlobal *GENU__MakeWorld(void);
void GENU__FreeWorld(void *world);
}

#endif
