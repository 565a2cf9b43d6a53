/* The BER coder's two types that callers meet: the encoded value and the coder's
 * state. The coding runtime owns them; the coding world (infra/genu_world.h) hands
 * them out. */
#ifndef KQ_INFRA_BER_H
#define KQ_INFRA_BER_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* An encoded value: the BER bytes of one PDU. Bytes handed out by the coding world
 * belong to the world's allocator, which is the process heap (free them with free). */
typedef struct OssBuf {
  int32_t length;
  unsigned char *value;
} OssBuf;

/* The coder's state; opaque to callers. */
typedef struct OssGlobal OssGlobal;

KQ_END_DECLS

#endif
