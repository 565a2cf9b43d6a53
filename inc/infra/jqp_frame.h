/* The client frame of the print protocol: each thread's connection to a print
 * server, the process settings of the frame, and the XDR forms of the one request
 * procedure that carries every operation to a print server. Part of infra/jqp.h.
 *
 * A thread holds one client handle at a time. JQP_Initialize looks the named server,
 * printer or queue up in the directory (infra/ns.h) and opens an RPC client over TCP
 * to the server with the program and version of its entry, carrying the user's
 * system credentials (or, in a process declared a server by JQP_ServerInit, the
 * credentials of the server security table). Asking again for the same object reuses
 * the connection; asking for another closes it first. An empty server name makes a
 * local-only handle: requests are encoded and decoded back, and nothing is sent. The
 * handle goes with JQP_Terminate or when the thread ends.
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
#include <sys/time.h>

#include "genu_value.h"
#include "kqexport.h"
#include "ns.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the frame (facility 0xc009). */
#define JQP_ST_DECODE 0xc009006au          /* a reply (result or error) or the local check */
#define JQP_ST_ENCODE 0xc009006bu          /* the argument record could not be encoded */
#define JQP_ST_CONNECT 0xc009006cu         /* no RPC client could be made */
#define JQP_ST_BAD_REQUEST 0xc009006eu     /* no handle; bad server type, request or value */
#define JQP_ST_CLIENT_MEMORY 0xc0090078u   /* out of memory; security result 102 */
#define JQP_ST_NOT_FOUND 0xc009007cu       /* the directory has no entry for the name */
#define JQP_ST_BAD_NAME 0xc009007eu        /* the server name is not a simple name */
#define JQP_ST_RPC_AUTH 0xc0090086u        /* the server refused the authentication */
#define JQP_ST_RPC_PROGRAM 0xc0090087u     /* version mismatch, program unavailable */
#define JQP_ST_RPC_FAILED 0xc0090088u      /* any other RPC failure */
#define JQP_ST_RPC_NO_REPLY 0xc009008au    /* cannot receive, or timed out */
#define JQP_ST_CREDENTIALS 0xc0090093u     /* credentials could not be attached */
#define JQP_ST_SLOT 0xc0090095u            /* the thread's slot; security result 100 */
#define JQP_ST_TIMEOUT_CONTROL 0xc0090096u /* CLSET_TIMEOUT or CLGET_TIMEOUT refused */
#define JQP_ST_NS_NOT_INIT 0xc0090098u     /* the directory is not initialised */
#define JQP_ST_SECURITY 0xc0090099u        /* security result 101 */
#define JQP_ST_SEC_UNSUPPORTED 0xc009009au /* a server security function is missing */

/* Server types of JQP_ServerInit: the short OIDs of id-val-server-type-spooler and
 * id-val-server-type-supervisor. */
#define JQP_SERVER_SPOOLER 892
#define JQP_SERVER_SUPERVISOR 893

/* Requests of JQP_ClientControl. */
#define JQP_CONTROL_GET_TIMEOUT 0
#define JQP_CONTROL_SET_TIMEOUT 1

/* The server security table: 13 functions, each answering 0 or a status code. The
 * frame calls slot JQP_SEC_ADD_CREDENTIAL_S with a security selector
 * (SEC_selector_t of infra/csecurity.h) and the RPC client; the operations call
 * JQP_SEC_ADD_PAC_S with the peer server's name and the common-arguments set. */
#define JQP_SEC_SLOTS 13
#define JQP_SEC_INIT 0
#define JQP_SEC_TERM 1
#define JQP_SEC_ADD_CREDENTIAL_S 2
#define JQP_SEC_ADD_PAC_S 3
#define JQP_SEC_AUTHENTICATE 4
#define JQP_SEC_FREE_CREDENTIAL 5
#define JQP_SEC_FREE_SIGNATURE 6
#define JQP_SEC_AUTHORIZE 7
#define JQP_SEC_GET_PRIVILEGE 8
#define JQP_SEC_GET_SIGNATURE 9
#define JQP_SEC_DESTROY_SIGNATURE 10
#define JQP_SEC_HAND_SHAKE 11
#define JQP_SEC_GET_DEFAULT_DOMAIN 12
typedef uint32_t (*JQP_secFunction_t)(void *first, void *second);

/* Process settings. The call time-out is fixed when the first handle is looked for:
 * ENV_JQP_RPC_TIMEOUT seconds, else 3600 when JQP_LONGTIME is set; only a value above
 * 5 replaces the default 120 s. */
KQ_EXPORT extern struct timeval jqp_gClntCreateTimeout; /* 25 s */
KQ_EXPORT extern struct timeval jqp_gClntTimeout;       /* 120 s */
KQ_EXPORT extern int32_t JQP__serverType;               /* 0: a client process */
KQ_EXPORT extern const JQP_secFunction_t *JQP__secFuncTable;
KQ_EXPORT extern int32_t JQP__printPDU; /* 1: records printed to standard error */
KQ_EXPORT extern int32_t JQP__ossdbg;   /* 2 when JQP_OSSDBG is set; read by no one here */
KQ_EXPORT extern const char *jqp_gUserDomain;
KQ_EXPORT extern uint32_t jqp_gUserDomainType; /* short OID of the name syntax */
KQ_EXPORT extern const char *jqp_gHostDomain;
KQ_EXPORT extern uint32_t jqp_gHostDomainType;

/* The thread's handle for the directory object of `kind` (NS_KIND_PRINTER, _SERVER,
 * _QUEUE, ...) named by `name`, which must be a simple name (choice 7). */
KQ_EXPORT int JQP_Initialize(STF_statusList_t *status, int32_t kind, const GEN_ObjectIdent_t *name);
/* The same for a directory object the caller already holds (it is copied). */
KQ_EXPORT int JQP_Initialize2(STF_statusList_t *status, const NS_object_t *object);
KQ_EXPORT int JQP_Terminate(STF_statusList_t *status);
/* Declares the process a server of `serverType` (JQP_SERVER_*) with a security table
 * (null: the default table, whose every function answers JQP_ST_SEC_UNSUPPORTED).
 * Returns 0 or JQP_ST_BAD_REQUEST. */
KQ_EXPORT uint32_t JQP_ServerInit(int32_t serverType, const JQP_secFunction_t *table);
/* JQP_CONTROL_SET_TIMEOUT sets the call time-out of the thread's RPC client to
 * *seconds (> 0); JQP_CONTROL_GET_TIMEOUT reads it into *seconds. */
KQ_EXPORT int JQP_ClientControl(STF_statusList_t *status, int32_t request, int32_t *seconds);

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
