// Per-thread code-set conversion contexts: the thread key, the callbacks into the
// locale tables, and setting up, taking, installing and destroying a context.
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "infra/svclog.h"
#include "infra/thr.h"
#include "internal/stf_scratch.h"
#include "private/iconv_context.h"

namespace genu = kq::genu;

namespace {

THR_once_t g_once = PTHREAD_ONCE_INIT;
THR_threadKey_t g_key;
uint32_t g_keyStatus = ICONV_ST_CONTEXT;
std::atomic<ICONV_callback_t> g_callbacks[2];

void DestroyAtThreadExit(void *context) {
  ICONV_DestroyContext(static_cast<ICONV_context_t *>(context));
}

void MakeKey() { g_keyStatus = THR_InitThreadKey(&g_key, DestroyAtThreadExit); }

// 0 once the key exists; `onceFailed` is the trace written when the once-control fails.
uint32_t EnsureKey(const char *onceFailed) {
  if (THR_Once(&g_once, MakeKey) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_ERROR, "%s", onceFailed);
    return ICONV_ST_CONTEXT;
  }
  return g_keyStatus ? ICONV_ST_CONTEXT : 0;
}

// Replaces the thread's context, destroying the one it had.
uint32_t Install(ICONV_context_t *context) {
  ICONV_context_t *old = nullptr;
  if (genu::iconvctx::ThreadContext(&old)) return ICONV_ST_CONTEXT;
  if (uint32_t st = THR_SetThreadKeyValue(g_key, context)) return st;
  if (old != context) ICONV_DestroyContext(old);
  return 0;
}

// Calls the callback of `slot` (of type Fn) under a scratch status list. 0, its
// failure code, or `missing` when none is registered.
template <typename Fn, typename... Args>
uint32_t Call(int slot, uint32_t missing, Args... args) {
  auto fn = reinterpret_cast<Fn>(g_callbacks[slot].load(std::memory_order_acquire));
  if (!fn) return missing;
  kq::stf::ScratchList scratch;
  uint32_t st = 0;
  if (fn(scratch, args...)) {
    st = STF_GetStatus(scratch);
    if (!st) st = missing;
  }
  return st;
}

// The code set of the current DPA locale through callback 0.
uint32_t LocalCodeSet(uint32_t *codeSet) {
  I18N_dpaLocale_t *locale = nullptr;
  uint32_t st =
      Call<ICONV_currentLocaleCallback_t>(ICONV_CB_CURRENT_LOCALE, ICONV_ST_NO_LOCALE, &locale);
  if (!st && !locale) st = ICONV_ST_NO_LOCALE;
  if (!st) *codeSet = locale->codeSet;
  free(locale);
  return st;
}

// The name of a code set through callback 1; *name is malloc'ed.
uint32_t CodesetName(uint32_t codeSet, char **name) {
  uint32_t st = Call<ICONV_codesetNameCallback_t>(ICONV_CB_CODESET_NAME, ICONV_ST_NO_CODESET_NAME,
                                                  codeSet, name);
  if (!st && !*name) st = ICONV_ST_NO_CODESET_NAME;
  return st;
}

struct Names {
  char *local = nullptr;
  char *wire = nullptr;
  ~Names() {
    free(local);
    free(wire);
  }
};

// Opens both descriptors into `ctx`. 0; 1 when the platform has no such conversion
// (traced, nothing to convert); or ICONV_ST_CONVERSION.
uint32_t OpenDescriptors(const Names &names, ICONV_context_t &ctx) {
  ctx.toLocal = iconv_open(names.local, names.wire);
  int err = errno;
  if (ctx.toLocal != reinterpret_cast<iconv_t>(-1)) {
    ctx.toWire = iconv_open(names.wire, names.local);
    err = errno;
    if (ctx.toWire != reinterpret_cast<iconv_t>(-1)) return 0;
    iconv_close(ctx.toLocal);
  }
  if (err != EINVAL && err != EBADF) return ICONV_ST_CONVERSION;
  LOG_COND_MESSAGE(LOG_SEV_WARNING, "%s: %s failure no mapping from '%s' to '%s' (no thread conv)",
                   "WARNING", "iconv_open", names.wire, names.local);
  return 1;
}

// Builds the context for `wireCodeSet` into *out, or leaves *out null when nothing
// is to be converted.
uint32_t Build(uint32_t wireCodeSet, ICONV_context_t **out) {
  *out = nullptr;
  if (wireCodeSet == 0) return 0;  // the text carries no code set
  uint32_t local = 0;
  if (uint32_t st = LocalCodeSet(&local)) {
    LOG_COND_MESSAGE(LOG_SEV_INFO, "ERROR(%d):%s (no iconv conv for thread)", static_cast<int>(st),
                     "ICONV_ConfigureContext");
    return st == ICONV_ST_NO_MEMORY ? st : 0;
  }
  if (local == wireCodeSet) return 0;
  Names names;
  for (uint32_t codeSet : {local, wireCodeSet}) {
    char **name = codeSet == local ? &names.local : &names.wire;
    if (uint32_t st = CodesetName(codeSet, name)) {
      LOG_COND_MESSAGE(LOG_SEV_INFO, "ERROR(%d):%s charset = '%d' (no iconv conv for thread)",
                       static_cast<int>(st), "ICONV_ConfigureContext", static_cast<int>(codeSet));
      return st == ICONV_ST_NO_MEMORY ? st : 0;
    }
  }
  ICONV_context_t ctx{local, wireCodeSet, nullptr, nullptr};
  if (uint32_t st = OpenDescriptors(names, ctx)) return st == 1 ? 0 : st;
  *out = static_cast<ICONV_context_t *>(malloc(sizeof ctx));
  if (!*out) {
    iconv_close(ctx.toLocal);
    iconv_close(ctx.toWire);
    return ICONV_ST_NO_MEMORY;
  }
  **out = ctx;
  return 0;
}

}  // namespace

namespace kq::genu::iconvctx {

uint32_t ThreadContext(ICONV_context_t **out) {
  *out = nullptr;
  if (EnsureKey("ICONV_CreateContext: THR_Once failed, code=\n")) return ICONV_ST_CONTEXT;
  void *value = nullptr;
  if (THR_GetThreadKeyValue(g_key, &value)) return ICONV_ST_CONTEXT;
  *out = static_cast<ICONV_context_t *>(value);
  return 0;
}

}  // namespace kq::genu::iconvctx

extern "C" {

int ICONV_RegisterCallback(STF_statusList_t *status, int slot, ICONV_callback_t function) {
  if (!status) return 1;
  if (slot != ICONV_CB_CURRENT_LOCALE && slot != ICONV_CB_CODESET_NAME)
    return STF__Fail(status, ICONV_ST_BAD_ARGUMENT);
  g_callbacks[slot].store(function, std::memory_order_release);
  return 0;
}

uint32_t ICONV_CreateContext(void) {
  return EnsureKey("ICONV_CreateContext: THR_Once failed, code=\n");
}

int ICONV_ConfigureContext(STF_statusList_t *status, const GEN_Text_t *wireText) {
  if (!status) return 1;
  if (!wireText) return STF__Fail(status, ICONV_ST_BAD_ARGUMENT);
  // Only text in another code set names one; the other choices are never converted.
  uint32_t wireCodeSet = wireText->choice == GEN_TEXT_OTHER ? wireText->codeSet : 0;
  if (EnsureKey("ICONV_ConfigureContext: THR_Once failed, code=\n"))
    return STF__Fail(status, ICONV_ST_CONTEXT);
  ICONV_context_t *ctx = nullptr;
  if (uint32_t st = Build(wireCodeSet, &ctx)) return STF__Fail(status, st);
  if (uint32_t st = Install(ctx)) {
    LOG_COND_MESSAGE(LOG_SEV_ERROR, "ICONV_ConfigureContext, SetKey failed, code=%d\n",
                     static_cast<int>(st));
    ICONV_DestroyContext(ctx);
    return STF__Fail(status, ICONV_ST_CONTEXT);
  }
  return 0;
}

ICONV_context_t *ICONV_GetAndClearContext(void) {
  ICONV_context_t *ctx = nullptr;
  if (genu::iconvctx::ThreadContext(&ctx) || !ctx) return nullptr;
  if (THR_SetThreadKeyValue(g_key, nullptr)) return nullptr;
  return ctx;
}

uint32_t ICONV_SetContext(ICONV_context_t *context) {
  return Install(context) ? ICONV_ST_CONTEXT : 0;
}

void ICONV_DestroyContext(ICONV_context_t *context) {
  if (!context) return;
  iconv_close(context->toLocal);
  iconv_close(context->toWire);
  free(context);
}

}  // extern "C"
