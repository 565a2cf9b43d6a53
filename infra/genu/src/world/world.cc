// The per-thread coding world: made on a thread's first coding call, ended by the
// thread key's destructor when the thread ends.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "private/genu_world_int.h"

namespace genu = kq::genu;

namespace kq::genu {

THR_threadKey_t worldKey;
THR_once_t worldOnce = PTHREAD_ONCE_INIT;

}  // namespace kq::genu

namespace {

// The calling thread's world once made: every value coded asks for it several times,
// and this spares the once-check and the key look-up. Set with the key's value and
// cleared by the key's destructor, which runs on the ending thread.
thread_local OssGlobal *threadWorld = nullptr;

// These two traces end at "code=" without a number: the code itself goes out with
// the user message that follows.
const char *const kOnceFailed = "GENU_GetWorld: THR_Once failed, code=\n";
const char *const kGetKeyFailed = "GENU_GetWorld: THR_GetThreadKeyValue failed, code=\n";

void Trace(const char *text, uint32_t code) {
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "%s", text);
  LOG_CondUserMessage(LOG_SEV_CODING, GENU_MSG_WORLD_FAILED, static_cast<long>(code));
}

}  // namespace

extern "C" {

void GENU__OssInit(void) {
  uint32_t rc = THR_InitThreadKey(&genu::worldKey, GENU__FreeWorld);
  if (rc) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "GENU__OssInit: InitKey failed, code=%d\n",
                     static_cast<int>(rc));
    LOG_CondUserMessage(LOG_SEV_CODING, GENU_MSG_WORLD_FAILED, static_cast<long>(rc));
  }
}

OssGlobal *GENU__MakeWorld(void) {
  long size = ossGetOssGlobalSize();
  OssGlobal *world = static_cast<OssGlobal *>(malloc(static_cast<size_t>(size)));
  if (!world) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "GENU__MakeWorld: malloc of %ld bytes failed\n", size);
    LOG_CondUserMessage(LOG_SEV_CODING, GENU_MSG_WORLD_FAILED, static_cast<long>(ENOMEM));
    return nullptr;
  }
  memset(world, 0, static_cast<size_t>(size));
  ossinit(world, &kq_0b);
  uint32_t rc = THR_SetThreadKeyValue(genu::worldKey, world);
  if (rc) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "GENU__MakeWorld, SetKey failed, code=%d\n",
                     static_cast<int>(rc));
    LOG_CondUserMessage(LOG_SEV_CODING, GENU_MSG_WORLD_FAILED, static_cast<long>(rc));
    ossterm(world);
    free(world);
    return nullptr;
  }
  threadWorld = world;
  return world;
}

void GENU__FreeWorld(void *world) {
  if (threadWorld == world) threadWorld = nullptr;
  ossterm(static_cast<OssGlobal *>(world));
  if (world) free(world);
}

OssGlobal *GENU_GetWorld(void) {
  if (OssGlobal *world = threadWorld) return world;
  uint32_t rc = THR_Once(&genu::worldOnce, GENU__OssInit);
  if (rc) Trace(kOnceFailed, rc);
  void *world = nullptr;
  rc = THR_GetThreadKeyValue(genu::worldKey, &world);
  if (rc) {
    Trace(kGetKeyFailed, rc);
    world = nullptr;
  }
  if (!world) world = GENU__MakeWorld();
  return static_cast<OssGlobal *>(world);
}

}  // extern "C"
