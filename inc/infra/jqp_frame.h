/* The client frame of the print protocol: the XDR forms of the one request procedure
 * that carries every operation to a print server. Part of infra/jqp.h.
 *
 * A request is one ONC RPC call over TCP to procedure JQP_REQUEST_PROC of the program
 * and version that the server's directory entry gives. The argument holds the
 * operation number and the BER encoding of the operation's argument record; the reply
 * holds the kind of DPA error it carries, the BER encoding of the result record and
 * the BER encoding of the error record, either of which may be empty.
 *
 * A packet of n bytes travels as xdr_array of xdr_char does: the count, then every
 * byte as a 4-byte integer, sign-extended (0x80 goes as 0xFFFFFF80; the receiver
 * keeps the low 8 bits), 4 + 4n bytes in all. The routines below work on any XDR
 * stream (memory, record, the server side's svc_getargs and svc_freeargs): they move
 * the bytes in blocks where the stream lends its buffer, element by element where it
 * does not, and a decoded packet grows as its bytes arrive, so a count that the
 * stream cannot back costs no more memory than the bytes actually received. Decoded
 * packets are malloc'd; xdr_free (XDR_FREE) releases them. Decode into a zeroed
 * record: a packet that already holds bytes is refused rather than overrun. */
#ifndef KQ_INFRA_JQP_FRAME_H
#define KQ_INFRA_JQP_FRAME_H

#include <stdint.h>

#include "infra/kqexport.h"

KQ_BEGIN_DECLS

/* The request procedure, and the call time-out its stub hands to clnt_call (the one
 * that governs a call is the client's own, set with CLSET_TIMEOUT). */
#define JQP_REQUEST_PROC 1
#define JQP_STUB_TIMEOUT_SECONDS 25

/* A BER encoding as it travels. */
typedef struct encodePacket {
  uint32_t encodePacket_len;
  char *encodePacket_val;
} encodePacket;

/* The operation number of a request (0 to 28). */
typedef int32_t requestTypes;
/* The kind of DPA error the reply's error packet holds (0: none). */
typedef int32_t errorTypes;

typedef struct JQP_argument {
  requestTypes requestType;
  encodePacket packet;
} JQP_argument_t;

typedef struct JQP_result {
  errorTypes errorType;
  encodePacket result;
  encodePacket error;
} JQP_result_t;

struct __rpc_xdr;
struct __rpc_client;

/* XDR routines: non-zero on success. */
KQ_EXPORT int xdr_encodePacket(struct __rpc_xdr *xdrs, encodePacket *packet);
KQ_EXPORT int xdr_requestTypes(struct __rpc_xdr *xdrs, requestTypes *type);
KQ_EXPORT int xdr_errorTypes(struct __rpc_xdr *xdrs, errorTypes *type);
KQ_EXPORT int xdr_JQP_argument_t(struct __rpc_xdr *xdrs, JQP_argument_t *argument);
KQ_EXPORT int xdr_JQP_result_t(struct __rpc_xdr *xdrs, JQP_result_t *result);

/* Client stub of the request procedure: the RPC status (0 = RPC_SUCCESS); the reply
 * is decoded into *result, which the caller releases with clnt_freeres and
 * xdr_JQP_result_t. */
KQ_EXPORT int jqp_request_1(JQP_argument_t *argument, JQP_result_t *result,
                            struct __rpc_client *client);

KQ_END_DECLS

#endif
