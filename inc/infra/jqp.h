/* The print-protocol client: the generic forms of the operations' results, the
 * continuation context of a listing, and the standard problem codes of the DPA
 * error kinds with their texts.
 *
 * Result conversions ToGEN_x(status, wire, out) turn a decoded result record into a
 * newly allocated generic record (the coding world's allocator, which is the process
 * heap: callers may free what they take apart with free). Given no wire record they
 * set *out to nothing and return 0. They return 0 on success and 1 on failure, with
 * the reason in the status list, *out nothing and nothing left allocated. Each record
 * has a release FreeGEN_x(status, record) that frees it and everything it owns. */
#ifndef KQ_INFRA_JQP_H
#define KQ_INFRA_JQP_H

#include <stdint.h>

#include "as.h"
#include "erdpa.h"
#include "genu.h"
#include "jqp_frame.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes the result conversions add (facility 0xc00e, the generic values). */
#define JQP_ST_NO_MEMORY GENU_ST_NO_MEMORY            /* 0xc00e0068 */
#define JQP_ST_NULL_RELEASE GENU_ST_NULL_DELETE       /* 0xc00e006c: release of nothing */
#define JQP_ST_STATUS_SET 0xc00e006du                 /* an object status set */
#define JQP_ST_RESULT_SET 0xc00e006fu                 /* a job or document status set */
#define JQP_ST_OBJECT_SET 0xc00e0070u                 /* the attributes of an object */
#define JQP_ST_CONTINUATION 0xc00e0076u               /* the continuation context */
#define JQP_ST_MESSAGE 0xc00e0098u                    /* the server message */
#define JQP_ST_BAD_VALUE GENU_ST_BAD_VALUE            /* 0xc00e00a0: missing input */
#define JQP_ST_OBJECT_IDENT 0xc00e00a3u               /* an object identification */
#define JQP_ST_OID GENU_ST_OID_CONVERT                /* 0xc00e00a5: an identifier */
#define JQP_ST_ANSWER_TIME 0xc00e00bfu                /* the answer time */
#define JQP_ST_ELEMENT_RELEASE GENU_ST_RELEASE_FAILED /* 0xc00e00c1: a list element */

/* The continuation context of a listing: bytes the server gives in a list result and
 * takes back, opaque to the client. */
typedef struct {
  int32_t length;
  unsigned char *value;
} GEN_listContext_t;

/* The result of creating a job, adding a document and closing a job. */
typedef struct {
  GEN_JobIdentifier_t jobIdentification;
  uint32_t *serverState;          /* short OID, or nothing */
  GEN_Text_t *serverMessage;      /* or nothing */
  AS_setHandle_t *documentStatus; /* or nothing */
  AS_setHandle_t jobStatus;
} GEN_printResult_t;

/* One object of a listing, and the list of them in the order received. */
typedef struct {
  GEN_ObjectIdent_t objectIdentification;
  AS_setHandle_t attributes;
  uint32_t objectClass; /* short OID */
} GEN_objectResult_t;
typedef struct GEN_setOfObjectResult {
  struct GEN_setOfObjectResult *next;
  GEN_objectResult_t value;
} GEN_setOfObjectResult_t;

/* The result of a listing and of its continuation. */
typedef struct {
  GEN_GeneralizedTime_t answerTime;
  GEN_listContext_t *continuation;          /* or nothing: the listing is complete */
  GEN_limitEncountered_t *limitEncountered; /* or nothing */
  GEN_setOfObjectResult_t *resultSet;       /* may be empty (null) */
} GEN_listResult_t;

/* The status of each object a request touched, in order: its attributes when the
 * server sent them, else nothing. */
typedef struct GEN_SeqOfObjectStatus {
  struct GEN_SeqOfObjectStatus *next;
  AS_setHandle_t *attributes;
} GEN_SeqOfObjectStatus_t;
/* The result of resubmitting jobs: one cell holding the sequence (null when empty). */
typedef struct {
  GEN_SeqOfObjectStatus_t *first;
} GEN_ResubmitJobResult_t;

/* The result of pausing a job, of pausing an object and of interrupting a job. */
typedef struct {
  GEN_JobIdentifier_t pausedJob;
  GEN_SetOfCheckpoints_t checkpoints;
  AS_setHandle_t *jobStatus; /* or nothing */
} GEN_pauseJobResult_t;
typedef struct {
  char *affectedJob;          /* 256 bytes, or nothing */
  AS_setHandle_t *attributes; /* or nothing */
} GEN_PauseResult_t;
typedef struct {
  GEN_JobIdentifier_t interruptedJob;
  AS_setHandle_t *jobStatus; /* or nothing */
} GEN_interruptJobResult_t;

struct PrintResult;
struct ListResult;
struct ObjectResult;
struct ListResult_result_set_node;
struct ObjectStatus;
struct ResubmitJobResult_node;
struct ber_octets;

/* Result records. The print result's job-status set is always converted; the list
 * result's limit must be 0, 1 or 2. An object status gives a new set handle when
 * the server sent attributes, else nothing. */
KQ_EXPORT int ToGEN_printResult(STF_statusList_t *status, const struct PrintResult *wire,
                                GEN_printResult_t **out);
KQ_EXPORT int ToGEN_listResult(STF_statusList_t *status, const struct ListResult *wire,
                               GEN_listResult_t **out);
KQ_EXPORT int ToGEN_objectResult(STF_statusList_t *status, const struct ObjectResult *wire,
                                 GEN_objectResult_t **out);
KQ_EXPORT int ToGEN_setOfObjectResult(STF_statusList_t *status,
                                      const struct ListResult_result_set_node *wire,
                                      GEN_setOfObjectResult_t **out);
KQ_EXPORT int ToGEN_ObjectStatus(STF_statusList_t *status, const struct ObjectStatus *wire,
                                 AS_setHandle_t **out);
KQ_EXPORT int ToGEN_SeqOfObjectStatus(STF_statusList_t *status,
                                      const struct ResubmitJobResult_node *wire,
                                      GEN_SeqOfObjectStatus_t **out);
/* `wire` is the decoded result record: the head of its sequence. */
KQ_EXPORT int ToGEN_ResubmitJobResult(STF_statusList_t *status,
                                      struct ResubmitJobResult_node *const *wire,
                                      GEN_ResubmitJobResult_t **out);

/* The continuation context: to a new generic record and back into a wire octet
 * string the caller owns (its bytes from the world's allocator, FreeBER_ releases
 * them). A negative length, or bytes missing for a positive one, is refused with
 * JQP_ST_BAD_VALUE, as is a missing context on the way to the wire. */
KQ_EXPORT int ToGEN_listContext(STF_statusList_t *status, const struct ber_octets *wire,
                                GEN_listContext_t **out);
KQ_EXPORT int ToBER_listContext(STF_statusList_t *status, struct ber_octets *out,
                                const GEN_listContext_t *in);
KQ_EXPORT int FreeBER_listContext(STF_statusList_t *status, struct ber_octets *wire);

/* Releases. The records of pause, pause-job, interrupt-job and resubmit-job results
 * and a checkpoint must be given (else JQP_ST_NULL_RELEASE); the others accept
 * nothing. A list release goes on past an element that fails to release and then
 * adds JQP_ST_ELEMENT_RELEASE. FreeGEN_setOfCheckpoint empties a set the caller
 * holds; FreeGEN_checkpoint frees the record too. */
KQ_EXPORT int FreeGEN_printResult(STF_statusList_t *status, GEN_printResult_t *record);
KQ_EXPORT int FreeGEN_listResult(STF_statusList_t *status, GEN_listResult_t *record);
KQ_EXPORT int FreeGEN_listContext(STF_statusList_t *status, GEN_listContext_t *record);
KQ_EXPORT int FreeGEN_objectResult(STF_statusList_t *status, GEN_objectResult_t *record);
KQ_EXPORT int FreeGEN_setOfObjectResult(STF_statusList_t *status, GEN_setOfObjectResult_t *list);
KQ_EXPORT int FreeGEN_SeqOfObjectStatus(STF_statusList_t *status, GEN_SeqOfObjectStatus_t *list);
KQ_EXPORT int FreeGEN_ResubmitJobResult(STF_statusList_t *status, GEN_ResubmitJobResult_t *record);
KQ_EXPORT int FreeGEN_PauseResult(STF_statusList_t *status, GEN_PauseResult_t *record);
KQ_EXPORT int FreeGEN_pauseJobResult(STF_statusList_t *status, GEN_pauseJobResult_t *record);
KQ_EXPORT int FreeGEN_interruptJobResult(STF_statusList_t *status,
                                         GEN_interruptJobResult_t *record);
KQ_EXPORT int FreeGEN_checkpoint(STF_statusList_t *status, GEN_Checkpoint_t *record);
KQ_EXPORT int FreeGEN_setOfCheckpoint(STF_statusList_t *status, GEN_SetOfCheckpoints_t *set);

/* Standard problems of the eight DPA error kinds. A conversion accepts exactly the
 * codes its kind defines: it stores the code in *out and returns 1; any other code
 * returns 0 and stores nothing. A text function names a code, or gives its kind's
 * "unknown ... error type" text. */
#define JQP_DECLARE_PROBLEM(Kind)                                   \
  KQ_EXPORT int ToGEN_##Kind##Problem(int32_t code, uint32_t *out); \
  KQ_EXPORT const char *ToAscii_##Kind##Problem(uint32_t code);
JQP_DECLARE_PROBLEM(Update)
JQP_DECLARE_PROBLEM(Attribute)
JQP_DECLARE_PROBLEM(DocumentAccess)
JQP_DECLARE_PROBLEM(Selection)
JQP_DECLARE_PROBLEM(Printer)
JQP_DECLARE_PROBLEM(Access)
JQP_DECLARE_PROBLEM(Service)
JQP_DECLARE_PROBLEM(Security)
#undef JQP_DECLARE_PROBLEM

/* Error packets. JQP_ErrorDecode decodes the error record a reply of `errorType`
 * carries (`length` bytes) into a new DPA error result of the matching kind, which
 * the caller releases with ERDPA_FreeError. It returns 0, or 1 with a code below and
 * *out null, nothing left allocated: JQP_ST_ERR_DECODE when the packet cannot be
 * decoded as that type's record (also for a type without an error record). */
#define JQP_ST_ERR_ATTRIBUTES 0xc0090068u /* the attributes of a problem */
#define JQP_ST_ERR_DECODE 0xc009006au     /* the packet is no error record of its type */
#define JQP_ST_ERR_NO_MEMORY 0xc0090078u  /* out of memory */
#define JQP_ST_ERR_MESSAGE 0xc009007au    /* an error message */
#define JQP_ST_ERR_OBJECT 0xc009007eu     /* an object identification */
#define JQP_ST_ERR_EXTENDED 0xc0090081u   /* an extended problem's identifier */
#define JQP_ST_ERR_PROBLEM 0xc0090095u    /* a standard code the kind lacks, or no problem */
KQ_EXPORT int JQP_ErrorDecode(STF_statusList_t *status, int32_t errorType, const void *bytes,
                              int32_t length, ERDPA_errorResult_t **out);

KQ_END_DECLS

#include "jqp_echo.h"
#include "jqp_ops.h"

#endif
