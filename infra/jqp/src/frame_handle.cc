// Each thread's client handle: the slot that holds it, the process settings fixed
// once, and making, reusing and releasing a handle for a directory object.
#include <pthread.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "infra/csecurity.h"
#include "infra/svclog.h"
#include "infra/thr.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_client.h"

struct timeval jqp_gClntCreateTimeout = {25, 0};
struct timeval jqp_gClntTimeout = {120, 0};
int32_t JQP__serverType = 0;
int32_t JQP__printPDU = 0;
int32_t JQP__ossdbg = 0;
const char *jqp_gUserDomain = nullptr;
uint32_t jqp_gUserDomainType = 0;
const char *jqp_gHostDomain = nullptr;
uint32_t jqp_gHostDomainType = 0;

namespace kq::jqp {
namespace {

THR_once_t handleOnce = PTHREAD_ONCE_INIT;
THR_threadKey_t jqp_gTsdClientHandleKey;
bool envFlagsRead = false;

bool IsServerProcess() {
  return JQP__serverType == JQP_SERVER_SPOOLER || JQP__serverType == JQP_SERVER_SUPERVISOR;
}

// The object a handle was made for, when one that another request may reuse.
const NS_object_t *ReusableObject(const JQP_clientHandle_t *handle) {
  if (!handle || !handle->serverObject) return nullptr;
  const NS_object_t *o = handle->serverObject;
  return o->env != 2 && o->serverType != NS_KIND_NOTIFY ? o : nullptr;
}

bool SameText(const char *a, const char *b) { return a && b && strcasecmp(a, b) == 0; }

// Logs the three progress lines of a connection about to be made.
void LogConnecting(const NS_object_t *object, const char *name) {
  if (!LOG_START_MESSAGE(LOG_SEV_INFO, nullptr)) return;
  LOG_CondAdd("JQP_Initialize: progNo = %d\n", object->prognum);
  LOG_CondAdd("JQP_Initialize: version = %d\n", object->versnum);
  LOG_CondAdd("JQP_Initialize: connecting to host %s, from thread %d, for object %s",
              object->host ? object->host : "", static_cast<int>(pthread_self()), name);
  LOG_EndMessage();
}

JQP_clientHandle_t *NewHandle() {
  return static_cast<JQP_clientHandle_t *>(calloc(1, sizeof(JQP_clientHandle_t)));
}

// Stores the new handle in the thread's slot (step shared by both ways of making one).
int StoreHandle(STF_statusList_t *status, JQP_clientHandle_t *handle) {
  uint32_t code = THR_SetThreadKeyValue(jqp_gTsdClientHandleKey, handle);
  if (code == 0) return 0;
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__MakeClientHandle, SetKey failed, code=%d\n",
                   static_cast<int>(code));
  JQP__FreeClientHandle(handle);
  return STF__Fail(status, JQP_ST_SLOT);
}

}  // namespace

long EnvCallTimeout(void) {
  long seconds = 0;
  if (const char *v = getenv("ENV_JQP_RPC_TIMEOUT"))
    seconds = atoi(v);
  else if (getenv("JQP_LONGTIME"))
    seconds = 3600;
  return seconds > 5 ? seconds : 0;
}

}  // namespace kq::jqp

using namespace kq::jqp;

extern "C" {

void JQP__InitGlobalPac(void) {
  jqp_gUserDomain = SEC_GetUserDomain(&jqp_gUserDomainType);
  jqp_gHostDomain = SEC_GetHostDomain(&jqp_gHostDomainType);
}

void JQP__InitClientHandle(void) {
  uint32_t code = THR_InitThreadKey(&jqp_gTsdClientHandleKey, JQP__FreeClientHandle);
  if (code != 0)
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__InitClientHandle: InitKey failed, code=%d\n",
                     static_cast<int>(code));
  if (long seconds = EnvCallTimeout()) jqp_gClntTimeout = {seconds, 0};
  JQP__InitGlobalPac();
}

JQP_clientHandle_t *JQP__GetClientHandle(void) {
  if (THR_Once(&handleOnce, JQP__InitClientHandle) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__GetClientHandle: THR_Once failed\n");
    return nullptr;
  }
  void *value = nullptr;
  if (THR_GetThreadKeyValue(jqp_gTsdClientHandleKey, &value) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__GetClientHandle: THR_GetThreadKeyValue failed\n");
    return nullptr;
  }
  return static_cast<JQP_clientHandle_t *>(value);
}

void SetEnvFlags(void) {
  if (envFlagsRead) return;
  envFlagsRead = true;
  LOG_Init(nullptr, nullptr);
  JQP__ossdbg = getenv("JQP_OSSDBG") ? 2 : 0;
  JQP__printPDU = getenv("JQP_PRTPDU") ? 1 : 0;
}

void JQP__FreeClientHandle(void *value) {
  auto *handle = static_cast<JQP_clientHandle_t *>(value);
  if (!handle) return;
  if (handle->rpcClient) {
    if (handle->rpcClient->cl_auth) auth_destroy(handle->rpcClient->cl_auth);
    handle->rpcClient->cl_auth = nullptr;
    clnt_destroy(handle->rpcClient);
  }
  if (handle->serverObject) NS_FreeObject(handle->serverObject);
  free(handle);
}

int JQP__SameServerName(int32_t kind, const GEN_ObjectIdent_t *name) {
  const NS_object_t *object = ReusableObject(JQP__GetClientHandle());
  if (!object || object->serverType != kind || !name) return 0;
  if (name->choice != 7) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__MakeClientHandle: Bad serverName type\n");
    return 0;
  }
  char *wanted = nullptr;
  if (GENU_ExtractSimpleName(kq::stf::ScratchList(), &wanted, &name->u.name, nullptr)) return 0;
  bool same = SameText(wanted, object->serverName) || SameText(wanted, object->name);
  free(wanted);
  return same;
}

int JQP__SameServerBinding(const NS_object_t *wanted) {
  const NS_object_t *object = ReusableObject(JQP__GetClientHandle());
  return object && wanted && wanted->serverType == object->serverType &&
         wanted->prognum == object->prognum && SameText(wanted->serverName, object->serverName);
}

int JQP__ClientConnect(STF_statusList_t *status, const NS_object_t *object, int serverFlag,
                       JQP_clientHandle_t *handle) {
  CLIENT *client = clnt_create_timed(object->host, object->prognum, object->versnum, "tcp",
                                     &jqp_gClntCreateTimeout);
  if (!client) {
    if (LOG_START_MESSAGE(LOG_SEV_DIAG, nullptr)) {
      LOG_AddText("JQP__ClientConnect: clnt_create_timed failed:");
      LOG_CondAdd("%s\n", clnt_spcreateerror(const_cast<char *>(" ")));
      LOG_EndMessage();
    }
    return STF__Fail(status, JQP_ST_CONNECT);
  }
  handle->rpcClient = client;
  clnt_control(client, CLSET_TIMEOUT, reinterpret_cast<char *>(&jqp_gClntTimeout));
  if (!serverFlag) {
    SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
    if (SEC_AddCredential_C(&selector, &client->cl_auth) != SEC_OK)
      return STF__Fail(status, JQP_ST_CREDENTIALS);
  } else {
    SEC_selector_t selector = {3, SEC_FLAVOUR_SYS};
    uint32_t result = JQP__secFuncTable[JQP_SEC_ADD_CREDENTIAL_S](&selector, client);
    if (result != 0)
      return STF__Fail(status, result == JQP_ST_SEC_UNSUPPORTED ? result : JQP_ST_CREDENTIALS);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_Initialize: connected okay!\n");
  return 0;
}

int JQP__MakeClientHandle(STF_statusList_t *status, int32_t kind, const GEN_ObjectIdent_t *name,
                          int serverFlag) {
  STF_ClearStatus(status);
  if (!name || name->choice != 7) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP__MakeClientHandle: Bad serverName type\n");
    return STF__Fail(status, JQP_ST_BAD_NAME);
  }
  char *text = nullptr;
  if (GENU_ExtractSimpleName(status, &text, &name->u.name, nullptr)) return 1;
  JQP_clientHandle_t *handle = NewHandle();
  if (!handle) {
    free(text);
    return STF__Fail(status, JQP_ST_CLIENT_MEMORY);
  }
  if (text[0] == '\0') {
    handle->mode = JQP_MODE_LOCAL;
    LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_Initialize: local only\n");
    free(text);
    return StoreHandle(status, handle);
  }
  int rc = NS_GetObject(kind, text, nullptr, &handle->serverObject);
  if (rc != NS_OK) {
    uint32_t code = JQP_ST_NOT_FOUND;
    if (rc == NS_ERR_NOT_INIT) {
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "Not initialized NS interface \n");
      code = JQP_ST_NS_NOT_INIT;
    } else {
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "NS_GetObject() failed: Entry %s not found in Name Service\n",
                       text);
    }
    free(text);
    JQP__FreeClientHandle(handle);
    return STF__Fail(status, code);
  }
  handle->mode = JQP_MODE_CONNECTED;
  LogConnecting(handle->serverObject, text);
  free(text);
  if (JQP__ClientConnect(status, handle->serverObject, serverFlag, handle)) {
    JQP__FreeClientHandle(handle);
    return 1;
  }
  return StoreHandle(status, handle);
}

int JQP__MakeClientHandle2(STF_statusList_t *status, const NS_object_t *object, int serverFlag) {
  LOG_COND_FUNC_TRACE("JQP__MakeClientHandle2", 1, nullptr);
  STF_ClearStatus(status);
  JQP_clientHandle_t *handle = NewHandle();
  if (!handle) return STF__Fail(status, JQP_ST_CLIENT_MEMORY);
  if (!object || !object->name || object->name[0] == '\0') {
    handle->mode = JQP_MODE_LOCAL;
    LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_Initialize: local only\n");
    return StoreHandle(status, handle);
  }
  if (NS_CopyObject(object, &handle->serverObject) != NS_OK) {
    JQP__FreeClientHandle(handle);
    return STF__Fail(status, JQP_ST_CLIENT_MEMORY);
  }
  handle->mode = JQP_MODE_CONNECTED;
  LogConnecting(object, object->name);
  if (JQP__ClientConnect(status, object, serverFlag, handle)) {
    JQP__FreeClientHandle(handle);
    return 1;
  }
  return StoreHandle(status, handle);
}

int JQP_Terminate(STF_statusList_t *status) {
  LOG_COND_FUNC_TRACE("JQP_Terminate", 1, nullptr);
  if (!status) return 1;
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  if (!handle) return 0;
  JQP__FreeClientHandle(handle);
  uint32_t code = THR_SetThreadKeyValue(jqp_gTsdClientHandleKey, nullptr);
  if (code == 0) return 0;
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_Terminate, Set key failed, code=%d\n",
                   static_cast<int>(code));
  STF_AddStatus(status, code, 0);
  return STF__Fail(status, JQP_ST_SLOT);
}

int JQP_Initialize(STF_statusList_t *status, int32_t kind, const GEN_ObjectIdent_t *name) {
  LOG_COND_FUNC_TRACE("JQP_Initialize", 1, nullptr);
  if (!status) return 1;
  STF_ClearStatus(status);
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  SetEnvFlags();
  int serverFlag = IsServerProcess();
  if (handle && JQP__SameServerName(kind, name)) return 0;
  if (handle && JQP_Terminate(status)) return STF__Fail(status, JQP_ST_SLOT);
  return JQP__MakeClientHandle(status, kind, name, serverFlag);
}

int JQP_Initialize2(STF_statusList_t *status, const NS_object_t *object) {
  LOG_COND_FUNC_TRACE("JQP_Initialize2", 1, nullptr);
  if (!status) return 1;
  STF_ClearStatus(status);
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  SetEnvFlags();
  int serverFlag = IsServerProcess();
  if (handle && JQP__SameServerBinding(object)) return 0;
  if (handle && JQP_Terminate(status)) return STF__Fail(status, JQP_ST_SLOT);
  return JQP__MakeClientHandle2(status, object, serverFlag);
}

}  // extern "C"
