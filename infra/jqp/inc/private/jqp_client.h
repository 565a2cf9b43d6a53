// The client frame inside the family: the per-thread client handle and the request
// exchange that every operation goes through.
#ifndef KQ_INFRA_JQP_INC_PRIVATE_JQP_CLIENT_H
#define KQ_INFRA_JQP_INC_PRIVATE_JQP_CLIENT_H

#include <rpc/rpc.h>

#include "infra/erdpa.h"
#include "infra/genu.h"
#include "infra/jqp.h"
#include "infra/ns.h"
#include "infra/stf.h"

// The calling thread's connection to one print server, owned by the thread's slot.
struct JQP_clientHandle {
  CLIENT *rpcClient;          // absent in local-only mode
  NS_object_t *serverObject;  // the directory entry it was made for; absent when local
  int32_t mode;               // JQP_MODE_*
};
typedef struct JQP_clientHandle JQP_clientHandle_t;

inline constexpr int32_t JQP_MODE_CONNECTED = 0;
inline constexpr int32_t JQP_MODE_LOCAL = 2;

extern "C" {

// The thread's handle (after the one-time set-up), or null.
JQP_clientHandle_t *JQP__GetClientHandle(void);
void JQP__InitClientHandle(void);
void JQP__InitGlobalPac(void);
void SetEnvFlags(void);
int JQP__MakeClientHandle(STF_statusList_t *status, int32_t kind, const GEN_ObjectIdent_t *name,
                          int serverFlag);
int JQP__MakeClientHandle2(STF_statusList_t *status, const NS_object_t *object, int serverFlag);
int JQP__ClientConnect(STF_statusList_t *status, const NS_object_t *object, int serverFlag,
                       JQP_clientHandle_t *handle);
void JQP__FreeClientHandle(void *handle);
int JQP__SameServerName(int32_t kind, const GEN_ObjectIdent_t *name);
int JQP__SameServerBinding(const NS_object_t *object);
const JQP_secFunction_t *JQP__DefaultSecTable(void);

// One request and its reply: the argument record of operation `operation` is
// encoded, sent and the reply's result and DPA error decoded into *result (a record
// of the operation's result type, released with JQP__FreeResults) and *error (freed
// with ERDPA_FreeError). A local-only handle encodes, decodes back and returns 0 with
// neither. 0, or 1 with the reason in the status list.
int JQP__BerEncodeAndSend(STF_statusList_t *status, int32_t operation, void *argument,
                          void **result, ERDPA_errorResult_t **error);
int JQP__FreeResults(void *result, int32_t operation);
// The open log message gets the packet as a hex dump.
void JQP__EchoPacket(const encodePacket *packet);
// Adds the status code for a result of the credential functions; returns 1.
int JQP__AddStatusSEC(STF_statusList_t *status, int result);
int JQP__GetPeerServerName(STF_statusList_t *status, GEN_SimpleName_t *out);
int JQP__GetAssociatedServerName(STF_statusList_t *status, int32_t kind,
                                 const GEN_ObjectIdent_t *name, GEN_SimpleName_t *out);

}  // extern "C"

namespace kq::jqp {

// The status code for a failed call's RPC status.
uint32_t RpcStatusCode(int rpcStatus);
// The call time-out the environment asks for, in seconds, or 0 to keep the default:
// ENV_JQP_RPC_TIMEOUT wins over JQP_LONGTIME (3600); values of 5 or less are ignored.
long EnvCallTimeout(void);

}  // namespace kq::jqp

#endif
