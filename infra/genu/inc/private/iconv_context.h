// The code-set conversion context of a thread and the callbacks through which the
// conversions reach the locale tables.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_ICONV_CONTEXT_H
#define KQ_INFRA_GENU_INC_PRIVATE_ICONV_CONTEXT_H

#include <iconv.h>

#include <cstdint>

#include "infra/genu_iconv.h"
#include "internal/stf_fail.h"

struct ICONV_context {
  uint32_t localCodeSet;
  uint32_t wireCodeSet;
  iconv_t toLocal;  // wire to local
  iconv_t toWire;   // local to wire
};

namespace kq::genu::iconvctx {

// The calling thread's context (null for none). 0 or ICONV_ST_CONTEXT.
uint32_t ThreadContext(ICONV_context_t **out);

}  // namespace kq::genu::iconvctx

#endif
