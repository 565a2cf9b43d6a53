// The frame every operation runs through, the conversion of each kind of result, the
// common arguments, and the exported operation functions (each one bundles its
// arguments and names its descriptor).
#include <cstring>

#include "infra/csecurity.h"
#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_client.h"
#include "private/jqp_ops_int.h"
#include "private/jqp_result_int.h"

namespace kq::jqp {
namespace {

// Short OIDs of the common arguments that choose the server and the time-out, and the
// directory object kinds JQP_Initialize resolves them as.
constexpr uint32_t kAssociatedQueue = 3000, kPrinterName = 649, kServerName = 871;
constexpr uint32_t kRpcTimeout = 3001;
constexpr int32_t kQueueKind = 6, kPrinterKind = 2, kServerKind = 5;

// A result output the caller did not give.
constexpr uint32_t kBadOutput = 0xc009006eu;

bool ServerProcess() {
  return JQP__serverType == JQP_SERVER_SPOOLER || JQP__serverType == JQP_SERVER_SUPERVISOR;
}

// The credential kind of the privileges: the environment (0, 1 or 2) of the thread's
// directory object, 0 without one.
int CredentialKind() {
  const JQP_clientHandle_t *handle = JQP__GetClientHandle();
  if (!handle || !handle->serverObject) return 0;
  const int env = handle->serverObject->env;
  return env >= 0 && env <= 2 ? env : 0;
}

const char *Label(const Operation &op) {
  if (&op == &kGetOrderedJobs) return "client";
  if (&op == &kDelete) return "OBJ_C";
  return "JQP_C";
}

// An attribute-set field of a result into a new set handle cell.
int SetResult(STF_statusList_t *status, const AttributeList *list, void **out, uint32_t failure) {
  auto **cell = reinterpret_cast<AS_setHandle_t **>(out);
  return MallocAStoGEN(status, list, cell) ? STF__Fail(status, failure) : 0;
}

int ToPauseJob(STF_statusList_t *status, const ::PauseJobResult *wire, void **out,
               uint32_t failure) {
  auto *record = AllocateRecord<GEN_pauseJobResult_t>();
  if (!record) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  static_assert(sizeof record->pausedJob.value == sizeof wire->paused_job);
  memcpy(record->pausedJob.value, wire->paused_job, sizeof wire->paused_job);
  record->pausedJob.value[sizeof record->pausedJob.value - 1] = '\0';
  int rc = 0;
  if ((wire->bit_mask & PauseJobResult_job_status_present) &&
      SetToCell(status, &wire->job_status, &record->jobStatus, failure))
    rc = 1;
  if (!rc && ToGEN_setOfCheckPoint(status, &wire->checkpoints, &record->checkpoints))
    rc = STF__Fail(status, failure);
  if (rc) {
    FreeGEN_pauseJobResult(kq::stf::ScratchList(), record);
    return 1;
  }
  *out = record;
  return 0;
}

int ToPause(STF_statusList_t *status, const ::PauseResult *wire, void **out, uint32_t failure) {
  auto *record = AllocateRecord<GEN_PauseResult_t>();
  if (!record) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  int rc = 0;
  if (wire->bit_mask & PauseResult_affected_job_present) {
    record->affectedJob = static_cast<char *>(Allocate(sizeof wire->affected_job));
    if (!record->affectedJob) {
      rc = STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
    } else {
      memcpy(record->affectedJob, wire->affected_job, sizeof wire->affected_job);
      record->affectedJob[sizeof wire->affected_job - 1] = '\0';
    }
  }
  if (!rc && (wire->bit_mask & PauseResult_attributes_present) &&
      SetToCell(status, &wire->attributes, &record->attributes, failure))
    rc = 1;
  if (rc) {
    FreeGEN_PauseResult(kq::stf::ScratchList(), record);
    return 1;
  }
  *out = record;
  return 0;
}

// The value of attribute `id` in `set` into *value (null when the set has no such
// attribute): 0, or 1 when the set could not be read (its code, then
// JQP_ST_ARG_SET, in `status`).
int Value(STF_statusList_t *status, AS_setHandle_t set, uint32_t id, void **value) {
  kq::stf::ScratchList scratch;
  *value = nullptr;
  if (AS_GetAttrVal(scratch, set, id, value) == 0 && *value) return 0;
  *value = nullptr;
  const uint32_t code = STF_GetStatus(scratch);
  if (code == AS_ST_ATTR_NOT_FOUND) return 0;
  STF_AddStatus(status, code ? code : JQP_ST_ARG_SET, 0);
  return STF__Fail(status, JQP_ST_ARG_SET);
}

// Connects to the server the set names (first match: queue, printer, server); 0 when
// it names none.
int ChooseServer(STF_statusList_t *status, AS_setHandle_t set) {
  static const struct {
    uint32_t id;
    int32_t kind;
  } kChoices[] = {
      {kAssociatedQueue, kQueueKind}, {kPrinterName, kPrinterKind}, {kServerName, kServerKind}};
  for (const auto &choice : kChoices) {
    void *value = nullptr;
    if (Value(status, set, choice.id, &value)) return 1;
    if (!value) continue;
    GEN_ObjectIdent_t object{};
    object.choice = 7;
    object.u.name = *static_cast<const GEN_SimpleName_t *>(value);
    return JQP_Initialize(status, choice.kind, &object);
  }
  return 0;
}

}  // namespace

int ConvertResult(const Operation &op, STF_statusList_t *status, void *wire, void **out) {
  *out = nullptr;
  if (!wire) return 0;
  switch (op.result) {
    case ResultKind::kPrint:
      return ToGEN_printResult(status, static_cast<PrintResult *>(wire),
                               reinterpret_cast<GEN_printResult_t **>(out));
    case ResultKind::kList:
      return ToGEN_listResult(status, static_cast<ListResult *>(wire),
                              reinterpret_cast<GEN_listResult_t **>(out));
    case ResultKind::kEvent:
      if (JQP__serverType != JQP_SERVER_SUPERVISOR) return 0;
      [[fallthrough]];
    case ResultKind::kSet: {
      auto *r = static_cast<AttributeSetResult *>(wire);
      if (!(r->bit_mask & AttributeSetResult_attributes_present)) return 0;
      return SetResult(status, &r->attributes, out, op.resultFailure);
    }
    case ResultKind::kCreateSet: {
      auto *r = static_cast<CreateResult *>(wire);
      return r->object_attributes ? SetResult(status, &r->object_attributes, out, op.resultFailure)
                                  : 0;
    }
    case ResultKind::kPauseJob:
      return ToPauseJob(status, static_cast<::PauseJobResult *>(wire), out, op.resultFailure);
    case ResultKind::kPause:
      return ToPause(status, static_cast<::PauseResult *>(wire), out, op.resultFailure);
    case ResultKind::kResubmit:
      return ToGEN_ResubmitJobResult(status, static_cast<ResubmitJobResult_node *const *>(wire),
                                     reinterpret_cast<GEN_ResubmitJobResult_t **>(out));
    case ResultKind::kNothing:
      return 0;
  }
  return 0;
}

int Run(const Operation &op, STF_statusList_t *status, const OpArgs &args, void **result,
        ERDPA_errorResult_t **error) {
  if (!status) return 1;
  LOG_COND_FUNC_TRACE(op.name, 1, "%s", "");
  if (result) *result = nullptr;
  if (error) *error = nullptr;
  STF_ClearStatus(status);
  if (!result && op.result != ResultKind::kNothing) {
    LOG_COND_FUNC_TRACE(op.name, 0, "rc=%d", 1);
    return STF__Fail(status, kBadOutput);
  }
  EchoIn(op, status, Label(op), args);

  ArgRecord record;
  memset(&record, 0, sizeof record);
  CommonSlot slot;
  int rc = op.build(status, args, record, slot);
  if (rc == 0) {
    if ((rc = CommonArgsToBER(status, slot.list, args.common)) == 0) *slot.mask |= slot.bit;
  }
  if (rc == 0 && op.late) rc = op.late(status, args, record, slot);
  void *wire = nullptr;
  ERDPA_errorResult_t *received = nullptr;
  if (rc == 0) rc = JQP__BerEncodeAndSend(status, op.number, &record, &wire, &received);
  if (slot.mask) op.release(record);

  void *converted = nullptr;
  if (rc == 0) {
    rc = ConvertResult(op, status, wire, &converted);
    if (wire && JQP__FreeResults(wire, op.number)) rc = 1;
    EchoOut(op, status, Label(op), converted, received);
  }
  if (result) *result = converted;
  if (error)
    *error = received;
  else if (received)
    ERDPA_FreeError(kq::stf::ScratchList(), received);
  LOG_COND_FUNC_TRACE(op.name, 0, "rc=%d", rc);
  return rc;
}

}  // namespace kq::jqp

using kq::jqp::OpArgs;
using kq::jqp::Run;

extern "C" {

int CommonArgsToBER(STF_statusList_t *status, AttributeList_node **out, AS_setHandle_t set) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_ARG_SET);
  LOG_COND_FUNC_TRACE("CommonArgsToBER", 1, "%s", "");
  AS_setHandle_t created = AS_nullSetHandle;
  if (!set) {
    if (uint32_t rc = AS_Create(status, &created, nullptr, 0)) return static_cast<int>(rc);
    set = created;
  } else if (int rc = kq::jqp::ChooseServer(status, set)) {
    return rc;
  }
  int sec = 0;
  if (!kq::jqp::ServerProcess()) {
    sec = SEC_AddPAC_C(kq::jqp::CredentialKind(), set);
  } else {
    GEN_SimpleName_t peer{};
    if (JQP__GetPeerServerName(status, &peer)) {
      if (created) AS_Destroy(kq::stf::ScratchList(), &created);
      return 1;
    }
    sec = static_cast<int>(JQP__secFuncTable[JQP_SEC_ADD_PAC_S](&peer, set));
  }
  if (sec) {
    if (created) AS_Destroy(kq::stf::ScratchList(), &created);
    return JQP__AddStatusSEC(status, sec);
  }
  if (ToBER_AS(status, out, &set, GENU_AS_MODE_KEEP_EXT_ACL)) {
    if (created) AS_Destroy(kq::stf::ScratchList(), &created);
    return STF__Fail(status, JQP_ST_ARG_SET);
  }
  void *timeout = nullptr;
  if (created) {
    AS_Destroy(kq::stf::ScratchList(), &created);
  } else if (kq::jqp::Value(status, set, kq::jqp::kRpcTimeout, &timeout)) {
    FreeBER_AS(kq::stf::ScratchList(), out);
    return 1;
  } else if (timeout) {
    int32_t seconds = *static_cast<const int32_t *>(timeout);
    if (JQP_ClientControl(status, JQP_CONTROL_SET_TIMEOUT, &seconds) == 0)
      LOG_COND_MESSAGE(6, "JQP_C: Timeout set to %d\n", seconds);
  }
  LOG_COND_FUNC_TRACE("CommonArgsToBER", 0, "rc=%d", 0);
  return 0;
}

// Each operation: bundle the arguments, run its descriptor.
#define KQ_RUN(Name, ...) \
  OpArgs a;               \
  __VA_ARGS__;            \
  return Run(kq::jqp::k##Name, status, a, reinterpret_cast<void **>(result), error)

int JQP_CreateJob_C(STF_statusList_t *status, const GEN_SimpleName_t *printerName,
                    const GEN_Boolean_t *jobSubmissionComplete, AS_setHandle_t jobAttributes,
                    const GEN_DocDescription_t *firstDocument, AS_setHandle_t commonArguments,
                    GEN_printResult_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(CreateJob, a.printerName = printerName, a.submissionComplete = jobSubmissionComplete,
         a.jobAttributes = jobAttributes, a.document = firstDocument, a.common = commonArguments);
}
int JQP_AddDocument_C(STF_statusList_t *status, const char *existingJob,
                      const GEN_Boolean_t *jobSubmissionComplete,
                      const GEN_DocDescription_t *newDocument, AS_setHandle_t commonArguments,
                      GEN_printResult_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(AddDocument, a.jobId = existingJob, a.submissionComplete = jobSubmissionComplete,
         a.document = newDocument, a.common = commonArguments);
}
int JQP_CloseJob_C(STF_statusList_t *status, const char *existingJob,
                   AS_setHandle_t commonArguments, GEN_printResult_t **result,
                   ERDPA_errorResult_t **error) {
  KQ_RUN(CloseJob, a.jobId = existingJob, a.common = commonArguments);
}
#define KQ_LISTING(Name)                                                                       \
  int JQP_##Name##_C(STF_statusList_t *status, uint32_t objectClass, const int32_t *scope,     \
                     const GEN_Filter_t *selector, const GEN_SetOfOids_t *requestedAttributes, \
                     AS_setHandle_t commonArguments, GEN_listResult_t **result,                \
                     ERDPA_errorResult_t **error) {                                            \
    KQ_RUN(Name, a.objectClass = objectClass, a.scope = scope, a.selector = selector,          \
           a.requested = requestedAttributes, a.common = commonArguments);                     \
  }
KQ_LISTING(ListObjectAttributes)
KQ_LISTING(GetOrderedJobs)
#define KQ_CONTEXT(Name)                                                         \
  int JQP_##Name##_C(STF_statusList_t *status, const GEN_listContext_t *context, \
                     AS_setHandle_t commonArguments, GEN_listResult_t **result,  \
                     ERDPA_errorResult_t **error) {                              \
    KQ_RUN(Name, a.context = context, a.common = commonArguments);               \
  }
KQ_CONTEXT(ListObjectAttributeContinuation)
KQ_CONTEXT(GetOrderedJobsContinuation)
KQ_CONTEXT(ListObjectAttributeAbort)
int JQP_ModifyJob_C(STF_statusList_t *status, const char *jobIdentification,
                    const int32_t *documentNumber, AS_setHandle_t jobAttrModification,
                    const GEN_Text_t *modifyMessage, AS_setHandle_t commonArguments,
                    AS_setHandle_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(ModifyJob, a.jobId = jobIdentification, a.documentNumber = documentNumber,
         a.modification = jobAttrModification, a.message = modifyMessage,
         a.common = commonArguments);
}
int JQP_CancelJob_C(STF_statusList_t *status, const char *existingJob,
                    const int32_t *documentNumber, const GEN_Text_t *cancelMessage,
                    const int32_t *retentionPeriod, AS_setHandle_t commonArguments,
                    AS_setHandle_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(CancelJob, a.jobId = existingJob, a.documentNumber = documentNumber,
         a.message = cancelMessage, a.retention = retentionPeriod, a.common = commonArguments);
}
int JQP_PromoteJob_C(STF_statusList_t *status, const char *jobIdentification,
                     const GEN_Text_t *promoteMessage, AS_setHandle_t commonArguments,
                     AS_setHandle_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(PromoteJob, a.jobId = jobIdentification, a.message = promoteMessage,
         a.common = commonArguments);
}
int JQP_InterruptJob_C(STF_statusList_t *status, const GEN_JobOrPrinter_t *interruptedJob,
                       const GEN_Text_t *interruptMessage, const char *interruptingJob,
                       AS_setHandle_t commonArguments, GEN_interruptJobResult_t **result,
                       ERDPA_errorResult_t **error) {
  KQ_RUN(InterruptJob, a.jobOrPrinter = interruptedJob, a.message = interruptMessage,
         a.interruptingJob = interruptingJob, a.common = commonArguments);
}
int JQP_PauseJob_C(STF_statusList_t *status, const GEN_JobOrPrinter_t *pausedJob,
                   const GEN_Text_t *pauseMessage, AS_setHandle_t commonArguments,
                   GEN_pauseJobResult_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(PauseJob, a.jobOrPrinter = pausedJob, a.message = pauseMessage,
         a.common = commonArguments);
}
int JQP_ResumeJob_C(STF_statusList_t *status, const char *resumedJob,
                    const GEN_Text_t *resumeMessage, const GEN_Checkpoint_t * /*checkpoint*/,
                    AS_setHandle_t commonArguments, AS_setHandle_t **result,
                    ERDPA_errorResult_t **error) {
  KQ_RUN(ResumeJob, a.jobId = resumedJob, a.message = resumeMessage, a.common = commonArguments);
}
int JQP_ResubmitJob_C(STF_statusList_t *status, uint32_t objectClass,
                      const GEN_ObjectIdent_t *objectIdentification,
                      const GEN_DistNameString_t *printer, const GEN_Text_t *message,
                      AS_setHandle_t commonArguments, GEN_ResubmitJobResult_t **result,
                      ERDPA_errorResult_t **error) {
  KQ_RUN(ResubmitJob, a.objectClass = objectClass, a.objectInstance = objectIdentification,
         a.dnPrinter = printer, a.message = message, a.common = commonArguments);
}
int JQP_Create_C(STF_statusList_t *status, uint32_t objectClass,
                 const GEN_ObjectIdent_t *objectInstance,
                 const GEN_ObjectIdent_t *initialValueObject, const GEN_Boolean_t *forceCreation,
                 AS_setHandle_t objectAttributes, const GEN_Text_t *message,
                 AS_setHandle_t commonArguments, AS_setHandle_t **result,
                 ERDPA_errorResult_t **error) {
  KQ_RUN(Create, a.objectClass = objectClass, a.objectInstance = objectInstance,
         a.initialValue = initialValueObject, a.forceCreation = forceCreation,
         a.objectAttributes = objectAttributes, a.message = message, a.common = commonArguments);
}
#define KQ_OBJECT(Name, Result)                                                          \
  int JQP_##Name##_C(STF_statusList_t *status, uint32_t objectClass,                     \
                     const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message, \
                     AS_setHandle_t commonArguments, Result **result,                    \
                     ERDPA_errorResult_t **error) {                                      \
    KQ_RUN(Name, a.objectClass = objectClass, a.objectInstance = objectInstance,         \
           a.message = message, a.common = commonArguments);                             \
  }
KQ_OBJECT(Enable, AS_setHandle_t)
KQ_OBJECT(Disable, AS_setHandle_t)
KQ_OBJECT(Clean, AS_setHandle_t)
KQ_OBJECT(Delete, AS_setHandle_t)
KQ_OBJECT(Resume, AS_setHandle_t)
KQ_OBJECT(Pause, GEN_PauseResult_t)
int JQP_Set_C(STF_statusList_t *status, uint32_t objectClass,
              const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t attrModification,
              const GEN_Text_t *message, AS_setHandle_t commonArguments, AS_setHandle_t **result,
              ERDPA_errorResult_t **error) {
  KQ_RUN(Set, a.objectClass = objectClass, a.objectInstance = objectInstance,
         a.modification = attrModification, a.message = message, a.common = commonArguments);
}
int JQP_Shutdown_C(STF_statusList_t *status, uint32_t objectClass,
                   const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message,
                   const uint32_t *when, AS_setHandle_t commonArguments, AS_setHandle_t **result,
                   ERDPA_errorResult_t **error) {
  KQ_RUN(Shutdown, a.objectClass = objectClass, a.objectInstance = objectInstance,
         a.message = message, a.when = when, a.common = commonArguments);
}
int JQP_Control_C(STF_statusList_t *status, uint32_t objectClass,
                  const GEN_ObjectIdent_t *objectInstance, const void * /*unused*/,
                  AS_setHandle_t operations, AS_setHandle_t commonArguments,
                  AS_setHandle_t **result, ERDPA_errorResult_t **error) {
  KQ_RUN(Control, a.objectClass = objectClass, a.objectInstance = objectInstance,
         a.objectAttributes = operations, a.common = commonArguments);
}
int JQP_SendEvent_C(STF_statusList_t *status, const GEN_NameOrOID_t *event,
                    AS_setHandle_t eventAttributes, const GEN_Text_t *message,
                    AS_setHandle_t commonArguments, AS_setHandle_t **result,
                    ERDPA_errorResult_t **error) {
  OpArgs a;
  a.event = event, a.objectAttributes = eventAttributes, a.message = message;
  a.common = commonArguments;
  if (JQP__serverType != JQP_SERVER_SUPERVISOR)
    return Run(kq::jqp::kSendEvent, status, a, reinterpret_cast<void **>(result), error);
  return kq::jqp::SendSignedEvent(status, a, result, error);
}

}  // extern "C"
