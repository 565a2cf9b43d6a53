/* The coding world: the per-thread encoder and decoder state and the PDU operations on it.
 * Part of infra/genu.h. */
#ifndef KQ_INFRA_GENU_WORLD_H
#define KQ_INFRA_GENU_WORLD_H

#include <stdint.h>

#include "ber.h"
#include "kqexport.h"

KQ_BEGIN_DECLS

/* The calling thread's world, made on first use; null when none could be made. */
KQ_EXPORT OssGlobal *GENU_GetWorld(void);

/* The first argument of the four coding operations is reserved (pass null). Each returns
 * the coder's code, 0 on success. PDU numbers are those of the protocol's records. */
KQ_EXPORT int GENU_OssEncode(void *reserved, int pdu, void *structure, OssBuf *encoded);
KQ_EXPORT int GENU_OssDecode(void *reserved, int *pdu, OssBuf *encoded, void **structure);
KQ_EXPORT int GENU_OssPrintPDU(void *reserved, int pdu, void *structure);
KQ_EXPORT int GENU_OssFreePDU(void *reserved, int pdu, void *structure);

KQ_END_DECLS

#endif
