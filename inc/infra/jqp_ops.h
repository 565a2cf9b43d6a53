/* The protocol operations: one function per DPA operation, the common arguments every
 * request carries, and the converters of the document description and of checkpoints.
 * Part of infra/jqp.h.
 *
 * Every operation JQP_x_C(status, arguments..., result out, error out) clears the
 * status list, traces its arguments (infra/jqp_echo.h), converts them into the
 * operation's argument record, adds the common arguments (which choose and open the
 * thread's connection), sends one request, converts the reply and traces it. It
 * returns 0, or 1 with the reason in the status list; nothing is sent when an argument
 * cannot be converted. An argument given as nothing (a null pointer, the null set
 * handle) is an option not specified. A DPA error in the reply is no failure: the
 * decoded error goes to *error (or nothing), the result to *result (or nothing); the
 * caller releases both (FreeGEN_x, ERDPA_FreeError; attribute-set results with
 * AS_Destroy and free). A null error output drops the error record; the result output
 * must be given (else 0xc009006e and nothing is sent), except for JQP_InterruptJob_C,
 * whose result is always nothing. */
#ifndef KQ_INFRA_JQP_OPS_H
#define KQ_INFRA_JQP_OPS_H

#include <stdint.h>

#include "as.h"
#include "erdpa.h"
#include "genu.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the operations (facility 0xc009): an argument that did not convert. */
#define JQP_ST_ARG_REQUESTED 0xc0090067u  /* requested attributes; a result */
#define JQP_ST_ARG_SET 0xc0090068u        /* an attribute set; a result set */
#define JQP_ST_ARG_CONTEXT 0xc009006du    /* the continuation context */
#define JQP_ST_ARG_PRINTER_DN 0xc0090070u /* the printer of a resubmission */
#define JQP_ST_ARG_DOCUMENT 0xc0090073u   /* a document description */
#define JQP_ST_ARG_MESSAGE 0xc009007au    /* a message */
#define JQP_ST_ARG_EVENT 0xc009007bu      /* the event */
#define JQP_ST_ARG_OBJECT 0xc009007eu     /* an object identification */
#define JQP_ST_ARG_OID 0xc0090081u        /* an object class or identifier */
#define JQP_ST_ARG_SELECTOR 0xc009008bu   /* the selector */
#define JQP_ST_ARG_PRINTER 0xc009008fu    /* a printer name */

/* A document description: each member optional (null). The content is an included
 * document (choice 1) or a reference to one (choice 2). */
typedef struct {
  const uint32_t *transferMethod; /* short OID */
  const GEN_DocumentContent_t *content;
  const uint32_t *documentType; /* short OID */
  AS_setHandle_t attributes;    /* the null handle: none */
} GEN_DocDescription_t;

/* A job (tag 1) or a printer (any other tag). */
typedef struct {
  int32_t tag;
  union {
    char job[256];
    GEN_SimpleName_t printer;
  } u;
} GEN_JobOrPrinter_t;

KQ_END_DECLS

/* The results of the operations are the generic records of infra/jqp.h (which includes
 * this header after them). */
#include "jqp.h"

KQ_BEGIN_DECLS

struct DocumentDescription;
struct SetOfCheckpoint_node;
struct AttributeList_node;

/* Document description to its wire form (the converted parts from the coding world)
 * and the release of those parts: 0xc00e00a5 an identifier, 0xc00e007d the content,
 * 0xc00e0070 the attributes did not convert; releasing nothing adds 0xc00e006c. */
#define JQP_ST_DOC_CONTENT 0xc00e007du
KQ_EXPORT int ToBER_docDescription(STF_statusList_t *status, struct DocumentDescription *out,
                                   const GEN_DocDescription_t *in);
KQ_EXPORT int FreeBER_docDescription(STF_statusList_t *status, struct DocumentDescription *wire);
/* A set of checkpoints, element by element; out of memory releases what was built and
 * adds 0xc00e0068. Released with FreeBER_setOfCheckPoint. */
KQ_EXPORT int ToBER_setOfCheckpoint(STF_statusList_t *status, struct SetOfCheckpoint_node **out,
                                    const GEN_SetOfCheckpoints_t *in);

/* The common arguments of a request into *out, choosing the server first: the set's
 * id-att-associated-queue (a queue), else id-att-printer-name (a printer), else
 * id-att-server-name (a server) is the object JQP_Initialize connects to; without any
 * the thread keeps its connection. The user's privileges are added to (or replaced
 * in) the caller's set. A set holding id-att-rpc-timeout sets the connection's call
 * time-out to that many seconds afterwards (a refusal stays in the status list and is
 * no failure). The null set handle sends an empty list. 0, or 1 with nothing left in
 * *out. */
KQ_EXPORT int CommonArgsToBER(STF_statusList_t *status, struct AttributeList_node **out,
                              AS_setHandle_t set);

/* Print requests: result a print result. */
KQ_EXPORT int JQP_CreateJob_C(STF_statusList_t *status, const GEN_SimpleName_t *printerName,
                              const GEN_Boolean_t *jobSubmissionComplete,
                              AS_setHandle_t jobAttributes,
                              const GEN_DocDescription_t *firstDocument,
                              AS_setHandle_t commonArguments, GEN_printResult_t **result,
                              ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_AddDocument_C(STF_statusList_t *status, const char *existingJob,
                                const GEN_Boolean_t *jobSubmissionComplete,
                                const GEN_DocDescription_t *newDocument,
                                AS_setHandle_t commonArguments, GEN_printResult_t **result,
                                ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_CloseJob_C(STF_statusList_t *status, const char *existingJob,
                             AS_setHandle_t commonArguments, GEN_printResult_t **result,
                             ERDPA_errorResult_t **error);

/* Listings: result a list result. The ordered-jobs forms are listings of their own. */
KQ_EXPORT int JQP_ListObjectAttributes_C(STF_statusList_t *status, uint32_t objectClass,
                                         const int32_t *scope, const GEN_Filter_t *selector,
                                         const GEN_SetOfOids_t *requestedAttributes,
                                         AS_setHandle_t commonArguments, GEN_listResult_t **result,
                                         ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_GetOrderedJobs_C(STF_statusList_t *status, uint32_t objectClass,
                                   const int32_t *scope, const GEN_Filter_t *selector,
                                   const GEN_SetOfOids_t *requestedAttributes,
                                   AS_setHandle_t commonArguments, GEN_listResult_t **result,
                                   ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_ListObjectAttributeContinuation_C(STF_statusList_t *status,
                                                    const GEN_listContext_t *context,
                                                    AS_setHandle_t commonArguments,
                                                    GEN_listResult_t **result,
                                                    ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_GetOrderedJobsContinuation_C(STF_statusList_t *status,
                                               const GEN_listContext_t *context,
                                               AS_setHandle_t commonArguments,
                                               GEN_listResult_t **result,
                                               ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_ListObjectAttributeAbort_C(STF_statusList_t *status,
                                             const GEN_listContext_t *context,
                                             AS_setHandle_t commonArguments,
                                             GEN_listResult_t **result,
                                             ERDPA_errorResult_t **error);

/* Jobs. Results: a new attribute set (AS_setHandle_t cell) or nothing, unless noted. */
KQ_EXPORT int JQP_ModifyJob_C(STF_statusList_t *status, const char *jobIdentification,
                              const int32_t *documentNumber, AS_setHandle_t jobAttrModification,
                              const GEN_Text_t *modifyMessage, AS_setHandle_t commonArguments,
                              AS_setHandle_t **result, ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_CancelJob_C(STF_statusList_t *status, const char *existingJob,
                              const int32_t *documentNumber, const GEN_Text_t *cancelMessage,
                              const int32_t *retentionPeriod, AS_setHandle_t commonArguments,
                              AS_setHandle_t **result, ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_PromoteJob_C(STF_statusList_t *status, const char *jobIdentification,
                               const GEN_Text_t *promoteMessage, AS_setHandle_t commonArguments,
                               AS_setHandle_t **result, ERDPA_errorResult_t **error);
/* The result is always nothing. */
KQ_EXPORT int JQP_InterruptJob_C(STF_statusList_t *status, const GEN_JobOrPrinter_t *interruptedJob,
                                 const GEN_Text_t *interruptMessage, const char *interruptingJob,
                                 AS_setHandle_t commonArguments, GEN_interruptJobResult_t **result,
                                 ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_PauseJob_C(STF_statusList_t *status, const GEN_JobOrPrinter_t *pausedJob,
                             const GEN_Text_t *pauseMessage, AS_setHandle_t commonArguments,
                             GEN_pauseJobResult_t **result, ERDPA_errorResult_t **error);
/* The checkpoint is accepted and neither traced nor sent. */
KQ_EXPORT int JQP_ResumeJob_C(STF_statusList_t *status, const char *resumedJob,
                              const GEN_Text_t *resumeMessage, const GEN_Checkpoint_t *checkpoint,
                              AS_setHandle_t commonArguments, AS_setHandle_t **result,
                              ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_ResubmitJob_C(STF_statusList_t *status, uint32_t objectClass,
                                const GEN_ObjectIdent_t *objectIdentification,
                                const GEN_DistNameString_t *printer, const GEN_Text_t *message,
                                AS_setHandle_t commonArguments, GEN_ResubmitJobResult_t **result,
                                ERDPA_errorResult_t **error);

/* Objects named by class and identification. */
KQ_EXPORT int JQP_Create_C(STF_statusList_t *status, uint32_t objectClass,
                           const GEN_ObjectIdent_t *objectInstance,
                           const GEN_ObjectIdent_t *initialValueObject,
                           const GEN_Boolean_t *forceCreation, AS_setHandle_t objectAttributes,
                           const GEN_Text_t *message, AS_setHandle_t commonArguments,
                           AS_setHandle_t **result, ERDPA_errorResult_t **error);
#define JQP_DECLARE_OBJECT_OPERATION(Name)                                                         \
  KQ_EXPORT int JQP_##Name##_C(STF_statusList_t *status, uint32_t objectClass,                     \
                               const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message, \
                               AS_setHandle_t commonArguments, AS_setHandle_t **result,            \
                               ERDPA_errorResult_t **error);
JQP_DECLARE_OBJECT_OPERATION(Enable)
JQP_DECLARE_OBJECT_OPERATION(Disable)
JQP_DECLARE_OBJECT_OPERATION(Clean)
JQP_DECLARE_OBJECT_OPERATION(Delete)
JQP_DECLARE_OBJECT_OPERATION(Resume)
#undef JQP_DECLARE_OBJECT_OPERATION
KQ_EXPORT int JQP_Pause_C(STF_statusList_t *status, uint32_t objectClass,
                          const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message,
                          AS_setHandle_t commonArguments, GEN_PauseResult_t **result,
                          ERDPA_errorResult_t **error);
KQ_EXPORT int JQP_Set_C(STF_statusList_t *status, uint32_t objectClass,
                        const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t attrModification,
                        const GEN_Text_t *message, AS_setHandle_t commonArguments,
                        AS_setHandle_t **result, ERDPA_errorResult_t **error);
/* `when` is a short OID and must be given. */
KQ_EXPORT int JQP_Shutdown_C(STF_statusList_t *status, uint32_t objectClass,
                             const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message,
                             const uint32_t *when, AS_setHandle_t commonArguments,
                             AS_setHandle_t **result, ERDPA_errorResult_t **error);
/* `unused` is ignored; the operations set is always sent. */
KQ_EXPORT int JQP_Control_C(STF_statusList_t *status, uint32_t objectClass,
                            const GEN_ObjectIdent_t *objectInstance, const void *unused,
                            AS_setHandle_t operations, AS_setHandle_t commonArguments,
                            AS_setHandle_t **result, ERDPA_errorResult_t **error);
/* Events. A client always receives nothing as the result. A supervisor process
 * (JQP_ServerInit with the supervisor type) signs each event through its security
 * table: GetSignature(signer name, context) for the server named by the common
 * arguments (associated queue's or printer's server, else the server name, else the
 * connected server), FreeSignature(context, null) right after, DestroySignature(context,
 * null) when the request then fails; it receives the reply's attributes, and when the
 * context asks for a handshake, HandShake(the reply's id-att-int-server-signature-pac
 * bytes as a NUL-terminated copy, context) must accept them. */
typedef struct {
  int32_t handshake; /* 1: the reply's signature PAC goes to the handshake */
  void *signature;   /* the intermediate signature FreeSignature releases */
  void *context;     /* the security functions' own */
} JQP_signatureContext_t;
KQ_EXPORT int JQP_SendEvent_C(STF_statusList_t *status, const GEN_NameOrOID_t *event,
                              AS_setHandle_t eventAttributes, const GEN_Text_t *message,
                              AS_setHandle_t commonArguments, AS_setHandle_t **result,
                              ERDPA_errorResult_t **error);

KQ_END_DECLS

#endif
