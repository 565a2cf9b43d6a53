/* Tracing of requests and results: each operation writes one service-log message with
 * its arguments before the request is built (EchoIn...) and one with its outcome after
 * the reply is converted (EchoOut...). The messages are made only when the log takes
 * level 6, so tracing costs nothing otherwise. Every function takes the status list
 * and the caller's label ("JQP_C" from the operations; null prints "<NULL>"), then the
 * operation's arguments as the operation takes them (infra/jqp_ops.h) or its result
 * and error; each returns 0. Part of infra/jqp.h. */
#ifndef KQ_INFRA_JQP_ECHO_H
#define KQ_INFRA_JQP_ECHO_H

#include <stdint.h>

#include "as.h"
#include "erdpa.h"
#include "genu.h"
#include "jqp.h"
#include "jqp_ops.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

#define JQP_ECHO_STATUS STF_statusList_t *status, const char *label
KQ_EXPORT int EchoInCreateJob(JQP_ECHO_STATUS, const GEN_SimpleName_t *printerName,
                              const GEN_Boolean_t *jobSubmissionComplete,
                              AS_setHandle_t jobAttributes,
                              const GEN_DocDescription_t *firstDocument,
                              AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInAddDocument(JQP_ECHO_STATUS, const char *existingJob,
                                const GEN_Boolean_t *jobSubmissionComplete,
                                const GEN_DocDescription_t *newDocument,
                                AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInCloseJob(JQP_ECHO_STATUS, const char *existingJob,
                             AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInModifyJob(JQP_ECHO_STATUS, const char *jobIdentification,
                              const int32_t *documentNumber, AS_setHandle_t jobAttrModification,
                              const GEN_Text_t *modifyMessage, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInCancelJob(JQP_ECHO_STATUS, const char *existingJob,
                              const int32_t *documentNumber, const GEN_Text_t *cancelMessage,
                              const int32_t *retentionPeriod, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInPromoteJob(JQP_ECHO_STATUS, const char *jobIdentification,
                               const GEN_Text_t *promoteMessage, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInPauseJob(JQP_ECHO_STATUS, const GEN_JobOrPrinter_t *pausedJob,
                             const GEN_Text_t *pauseMessage, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInResumeJob(JQP_ECHO_STATUS, const char *resumedJob,
                              const GEN_Text_t *resumeMessage, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInInterruptJob(JQP_ECHO_STATUS, const GEN_JobOrPrinter_t *interruptedJob,
                                 const GEN_Text_t *interruptMessage, const char *interruptingJob,
                                 AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInResubmitJob(JQP_ECHO_STATUS, uint32_t objectClass,
                                const GEN_ObjectIdent_t *objectIdentification,
                                const GEN_DistNameString_t *printer, const GEN_Text_t *message,
                                AS_setHandle_t commonArguments);
#define JQP_DECLARE_LISTING_ECHO(Name)                                                           \
  KQ_EXPORT int EchoIn##Name(                                                                    \
      JQP_ECHO_STATUS, uint32_t objectClass, const int32_t *scope, const GEN_Filter_t *selector, \
      const GEN_SetOfOids_t *requestedAttributes, AS_setHandle_t commonArguments);
JQP_DECLARE_LISTING_ECHO(ListObjectAttributes)
JQP_DECLARE_LISTING_ECHO(GetOrderedJobs)
#undef JQP_DECLARE_LISTING_ECHO
#define JQP_DECLARE_CONTEXT_ECHO(Name)                                          \
  KQ_EXPORT int EchoIn##Name(JQP_ECHO_STATUS, const GEN_listContext_t *context, \
                             AS_setHandle_t commonArguments);
JQP_DECLARE_CONTEXT_ECHO(ListObjectAttributeContinuation)
JQP_DECLARE_CONTEXT_ECHO(ListObjectAttributeAbort)
JQP_DECLARE_CONTEXT_ECHO(GetOrderedJobsContinuation)
#undef JQP_DECLARE_CONTEXT_ECHO
KQ_EXPORT int EchoInCreate(JQP_ECHO_STATUS, uint32_t objectClass,
                           const GEN_ObjectIdent_t *objectInstance,
                           const GEN_ObjectIdent_t *initialValueObject,
                           const GEN_Boolean_t *forceCreation, AS_setHandle_t objectAttributes,
                           const GEN_Text_t *message, AS_setHandle_t commonArguments);
#define JQP_DECLARE_OBJECT_ECHO(Name)                                                            \
  KQ_EXPORT int EchoIn##Name(JQP_ECHO_STATUS, uint32_t objectClass,                              \
                             const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message, \
                             AS_setHandle_t commonArguments);
JQP_DECLARE_OBJECT_ECHO(Enable)
JQP_DECLARE_OBJECT_ECHO(Disable)
JQP_DECLARE_OBJECT_ECHO(Clean)
JQP_DECLARE_OBJECT_ECHO(Delete)
JQP_DECLARE_OBJECT_ECHO(Pause)
JQP_DECLARE_OBJECT_ECHO(Resume)
#undef JQP_DECLARE_OBJECT_ECHO
KQ_EXPORT int EchoInSet(JQP_ECHO_STATUS, uint32_t objectClass,
                        const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t attrModification,
                        const GEN_Text_t *message, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInShutdown(JQP_ECHO_STATUS, uint32_t objectClass,
                             const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message,
                             const uint32_t *when, AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInControl(JQP_ECHO_STATUS, uint32_t objectClass,
                            const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t operations,
                            AS_setHandle_t commonArguments);
KQ_EXPORT int EchoInSendEvent(JQP_ECHO_STATUS, const GEN_NameOrOID_t *event,
                              AS_setHandle_t eventAttributes, const GEN_Text_t *message,
                              AS_setHandle_t commonArguments);

/* Outcomes: the error (or "ErrorResult = NULL") and the result under its name. */
#define JQP_DECLARE_OUT_ECHO(Name, Result) \
  KQ_EXPORT int EchoOut##Name(JQP_ECHO_STATUS, Result result, const ERDPA_errorResult_t *error);
#define JQP_OUT_ECHOES(X)                                      \
  X(CreateJob, const GEN_printResult_t *)                      \
  X(AddDocument, const GEN_printResult_t *)                    \
  X(CloseJob, const GEN_printResult_t *)                       \
  X(ListObjectAttributes, const GEN_listResult_t *)            \
  X(ListObjectAttributeContinuation, const GEN_listResult_t *) \
  X(ListObjectAttributeAbort, const GEN_listResult_t *)        \
  X(GetOrderedJobs, const GEN_listResult_t *)                  \
  X(GetOrderedJobsContinuation, const GEN_listResult_t *)      \
  X(ModifyJob, const AS_setHandle_t *)                         \
  X(CancelJob, const AS_setHandle_t *)                         \
  X(PromoteJob, const AS_setHandle_t *)                        \
  X(ResumeJob, const AS_setHandle_t *)                         \
  X(InterruptJob, const GEN_interruptJobResult_t *)            \
  X(PauseJob, const GEN_pauseJobResult_t *)                    \
  X(ResubmitJob, const GEN_ResubmitJobResult_t *)              \
  X(Create, const AS_setHandle_t *)                            \
  X(Enable, const AS_setHandle_t *)                            \
  X(Disable, const AS_setHandle_t *)                           \
  X(Clean, const AS_setHandle_t *)                             \
  X(Delete, const AS_setHandle_t *)                            \
  X(Pause, const GEN_PauseResult_t *)                          \
  X(Resume, const AS_setHandle_t *)                            \
  X(Set, const AS_setHandle_t *)                               \
  X(Shutdown, const AS_setHandle_t *)                          \
  X(Control, const AS_setHandle_t *)                           \
  X(SendEvent, const AS_setHandle_t *)
JQP_OUT_ECHOES(JQP_DECLARE_OUT_ECHO)
#undef JQP_DECLARE_OUT_ECHO
#undef JQP_ECHO_STATUS

/* Shared renderers: they write only into an open service-log message. The filter
 * starts at indentation level `level` (three blanks each; the echoes use 6). */
KQ_EXPORT int EchoDocumentDescription(STF_statusList_t *status, const GEN_DocDescription_t *doc);
KQ_EXPORT int EchoFilter(STF_statusList_t *status, const GEN_Filter_t *filter, int level);
KQ_EXPORT int EchoJobOrPrinter(STF_statusList_t *status, const GEN_JobOrPrinter_t *value);
KQ_EXPORT int EchoPrintResult(STF_statusList_t *status, const GEN_printResult_t *result);
KQ_EXPORT int EchoListObjAttrsResult(STF_statusList_t *status, const GEN_listResult_t *result);

KQ_END_DECLS

#endif
