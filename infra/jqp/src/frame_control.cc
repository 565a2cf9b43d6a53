// The frame's process-wide controls: declaring a server process and its security
// table, the thread's call time-out, translating credential results, and the names
// of the servers a request talks to.
#include <cstdlib>

#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/jqp_client.h"

namespace kq::jqp {
namespace {

// The default server security table: every function is missing.
uint32_t Unsupported(void *, void *) { return JQP_ST_SEC_UNSUPPORTED; }

}  // namespace
}  // namespace kq::jqp

extern "C" {

// The slots of the default table under their own names.
uint32_t JQP__SEC_Init(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_Term(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_AddCredential_S(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_AddPAC_S(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_Authenticate(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_FreeCredential(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_FreeSignature(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_Authorize(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_GetPrivilege(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_GetSignature(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_DestroySignature(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_HandShake(void *a, void *b) { return kq::jqp::Unsupported(a, b); }
uint32_t JQP__SEC_GetDefaultDomain(void *a, void *b) { return kq::jqp::Unsupported(a, b); }

}  // extern "C"

namespace {

const JQP_secFunction_t kDefaultSecTable[JQP_SEC_SLOTS] = {JQP__SEC_Init,
                                                           JQP__SEC_Term,
                                                           JQP__SEC_AddCredential_S,
                                                           JQP__SEC_AddPAC_S,
                                                           JQP__SEC_Authenticate,
                                                           JQP__SEC_FreeCredential,
                                                           JQP__SEC_FreeSignature,
                                                           JQP__SEC_Authorize,
                                                           JQP__SEC_GetPrivilege,
                                                           JQP__SEC_GetSignature,
                                                           JQP__SEC_DestroySignature,
                                                           JQP__SEC_HandShake,
                                                           JQP__SEC_GetDefaultDomain};

}  // namespace

const JQP_secFunction_t *JQP__secFuncTable = kDefaultSecTable;

extern "C" {

const JQP_secFunction_t *JQP__DefaultSecTable(void) { return kDefaultSecTable; }

uint32_t JQP_ServerInit(int32_t serverType, const JQP_secFunction_t *table) {
  LOG_COND_FUNC_TRACE("JQP_ServerInit", 1, nullptr);
  if (serverType != JQP_SERVER_SPOOLER && serverType != JQP_SERVER_SUPERVISOR)
    return JQP_ST_BAD_REQUEST;
  JQP__serverType = serverType;
  JQP__InitGlobalPac();
  JQP__secFuncTable = table ? table : kDefaultSecTable;
  SetEnvFlags();
  return 0;
}

int JQP_ClientControl(STF_statusList_t *status, int32_t request, int32_t *seconds) {
  LOG_COND_FUNC_TRACE("JQP_ClientControl", 1, nullptr);
  if (!status) return 1;
  STF_ClearStatus(status);
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  // A local-only handle has no RPC client whose time-out could be set or read.
  if (!handle || !handle->rpcClient) return STF__Fail(status, JQP_ST_BAD_REQUEST);
  struct timeval timeout = {0, 0};
  switch (request) {
    case JQP_CONTROL_SET_TIMEOUT:
      if (!seconds || *seconds <= 0) return STF__Fail(status, JQP_ST_BAD_REQUEST);
      timeout.tv_sec = *seconds;
      if (!clnt_control(handle->rpcClient, CLSET_TIMEOUT, reinterpret_cast<char *>(&timeout))) {
        LOG_COND_MESSAGE(LOG_SEV_DIAG, "CLSET_TIMEOUT failed");
        return STF__Fail(status, JQP_ST_TIMEOUT_CONTROL);
      }
      return 0;
    case JQP_CONTROL_GET_TIMEOUT:
      if (!seconds) return STF__Fail(status, JQP_ST_BAD_REQUEST);
      if (!clnt_control(handle->rpcClient, CLGET_TIMEOUT, reinterpret_cast<char *>(&timeout))) {
        LOG_COND_MESSAGE(LOG_SEV_DIAG, "CLGET_TIMEOUT failed");
        return STF__Fail(status, JQP_ST_TIMEOUT_CONTROL);
      }
      *seconds = static_cast<int32_t>(timeout.tv_sec);
      return 0;
    default:
      return STF__Fail(status, JQP_ST_BAD_REQUEST);
  }
}

int JQP__AddStatusSEC(STF_statusList_t *status, int result) {
  switch (result) {
    case 100:
      return STF__Fail(status, JQP_ST_SLOT);
    case 101:
      return STF__Fail(status, JQP_ST_SECURITY);
    case 102:
      return STF__Fail(status, JQP_ST_CLIENT_MEMORY);
    case 109:
    case 110:
      return STF__Fail(status, JQP_ST_BAD_REQUEST);
    default:
      // Unsupported selectors, attribute-set refusals and whatever else the credential
      // functions answer: the credentials could not be prepared.
      return STF__Fail(status, JQP_ST_SECURITY);
  }
}

int JQP__GetPeerServerName(STF_statusList_t *status, GEN_SimpleName_t *out) {
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  if (!handle || !handle->serverObject) return STF__Fail(status, JQP_ST_BAD_REQUEST);
  const char *name = handle->serverObject->serverName;
  return GENU_MakeEmbeddedSimpleName(status, out, name ? name : "", nullptr) ? 1 : 0;
}

int JQP__GetAssociatedServerName(STF_statusList_t *status, int32_t kind,
                                 const GEN_ObjectIdent_t *name, GEN_SimpleName_t *out) {
  if (!name || name->choice != 7) return STF__Fail(status, JQP_ST_BAD_NAME);
  char *text = nullptr;
  if (GENU_ExtractSimpleName(status, &text, &name->u.name, nullptr)) return 1;
  NS_object_t *object = nullptr;
  int rc = NS_GetObject(kind, text, nullptr, &object);
  free(text);
  if (rc != NS_OK) return 1;
  const char *server = object->serverName;
  uint32_t failed = GENU_MakeEmbeddedSimpleName(status, out, server ? server : "", nullptr);
  NS_FreeObject(object);
  return failed ? 1 : 0;
}

}  // extern "C"
