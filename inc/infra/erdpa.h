/* DPA error results.
 *
 * A DPA operation fails with one error result of one of eight kinds. Servers build
 * the result while processing a request with the ERDPA_ builders, one per kind; the
 * client receives it from the error decoding. The builders keep one error per
 * request under a fixed precedence: a problem of a higher kind replaces the stored
 * error, one of a lower kind is dropped, and one of the same kind is appended when
 * the kind holds a list (access, attribute, selection, service) and dropped when it
 * holds one problem (update, document access, printer, security).
 *
 * Object identifications and error messages given to the builders are deep-copied,
 * attributes are copied into a new set per problem; everything is released by
 * ERDPA_FreeError. Functions taking a status list return 0 on success and 1 on
 * failure with a code added; a null status list gives 1 at once. */
#ifndef KQ_INFRA_ERDPA_H
#define KQ_INFRA_ERDPA_H

#include <stdint.h>

#include "as.h"
#include "genu_value.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the error results. */
#define ERDPA_ST_NO_RESULT 0xc0100065u       /* no error result given */
#define ERDPA_ST_NO_OBJECT 0xc0100066u       /* no object identification (security: no message) */
#define ERDPA_ST_NO_MESSAGE 0xc0100067u      /* no message (selection, service: no object) */
#define ERDPA_ST_NO_LIST_MESSAGE 0xc0100068u /* no message (attribute, selection, service) */
#define ERDPA_ST_NO_MEMORY 0xc0100069u       /* out of memory, or no set for the attributes */
#define ERDPA_ST_ATTR_COPY 0xc010006au       /* the attributes could not be copied */
#define ERDPA_ST_UNKNOWN_KIND 0xc010006cu    /* unknown error kind while tracing */
#define ERDPA_ST_NO_DETAILS 0xc010006eu      /* the kind's details are missing while tracing */

/* Error kinds, in increasing precedence. */
#define ERDPA_UPDATE_ERROR 1
#define ERDPA_ATTRIBUTE_ERROR 2
#define ERDPA_DOCUMENT_ACCESS_ERROR 3
#define ERDPA_SELECTION_ERROR 4
#define ERDPA_PRINTER_ERROR 5
#define ERDPA_ACCESS_ERROR 6
#define ERDPA_SERVICE_ERROR 7
#define ERDPA_SECURITY_ERROR 8

/* Problem forms: a standard problem is a code of the kind's problem table, an
 * extended problem a short object identifier. */
#define ERDPA_STANDARD_PROBLEM 1
#define ERDPA_EXTENDED_PROBLEM 2

/* The one problem of an update, document access or printer error. */
typedef struct {
  int32_t problemForm;
  uint32_t problem; /* standard code or short OID */
  GEN_ObjectIdent_t *objectIdent;
  GEN_ErrorMsg_t *errorMessage;
} ERDPA_objectProblem_t;
typedef ERDPA_objectProblem_t ERDPA_updateError_t;
typedef ERDPA_objectProblem_t ERDPA_documentAccessError_t;
typedef ERDPA_objectProblem_t ERDPA_printerError_t;

/* The one problem of a security error. */
typedef struct {
  int32_t problemForm;
  uint32_t problem;
  GEN_ErrorMsg_t *errorMessage;
} ERDPA_securityError_t;

/* Attribute error: the object concerned (or null) and its problems in call order,
 * each with a set holding the attributes concerned. */
typedef struct ERDPA_attributeProblem {
  struct ERDPA_attributeProblem *next;
  int32_t problemForm;
  uint32_t problem;
  AS_setHandle_t attributes;
  GEN_ErrorMsg_t *errorMessage;
} ERDPA_attributeProblem_t;
typedef struct {
  GEN_ObjectIdent_t *objectIdent;
  ERDPA_attributeProblem_t *problems;
} ERDPA_attributeError_t;

/* Selection and service errors: a list of items in call order; an item's attribute
 * set cell is null when the problem named no attributes. */
typedef struct ERDPA_selectionItem {
  struct ERDPA_selectionItem *next;
  int32_t problemForm;
  uint32_t problem;
  AS_setHandle_t *attributes;
  GEN_ObjectIdent_t *objectIdent;
  GEN_ErrorMsg_t *errorMessage;
} ERDPA_selectionItem_t;
typedef ERDPA_selectionItem_t ERDPA_selectionError_t;
typedef ERDPA_selectionItem_t ERDPA_serviceError_t;

/* Access error: a list of items in call order. */
typedef struct ERDPA_accessItem {
  struct ERDPA_accessItem *next;
  GEN_ObjectIdent_t *objectIdent;
  int32_t problemForm;
  uint32_t problem;
  GEN_ErrorMsg_t *errorMessage;
} ERDPA_accessItem_t;
typedef ERDPA_accessItem_t ERDPA_accessError_t;

/* An error result: its kind and the kind's details (the first list item for the
 * list kinds). */
typedef struct {
  int32_t kind;
  void *details;
} ERDPA_errorResult_t;

/* Builders. `result` points at the caller's error result pointer, null while no
 * error has been recorded; a new or replacing error is stored there. Every new
 * problem has the standard form. */
KQ_EXPORT uint32_t ERDPA_Update(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                uint32_t problem, const GEN_ObjectIdent_t *objectIdent,
                                const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_DocumentAccess(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                        uint32_t problem, const GEN_ObjectIdent_t *objectIdent,
                                        const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_Printer(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                 uint32_t problem, const GEN_ObjectIdent_t *objectIdent,
                                 const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_Security(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                  uint32_t problem, const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_Access(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                uint32_t problem, const GEN_ObjectIdent_t *objectIdent,
                                const GEN_ErrorMsg_t *message);
/* Appends only for the object already stored (both absent counts as the same); a
 * problem for another object is dropped. */
KQ_EXPORT uint32_t ERDPA_Attribute(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                   uint32_t problem, AS_attrHandle_t attribute,
                                   const GEN_ObjectIdent_t *objectIdent /* or null */,
                                   const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_Selection(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                   uint32_t problem, AS_attrHandle_t attribute /* or null */,
                                   const GEN_ObjectIdent_t *objectIdent,
                                   const GEN_ErrorMsg_t *message);
KQ_EXPORT uint32_t ERDPA_Service(STF_statusList_t *statusList, ERDPA_errorResult_t **result,
                                 uint32_t problem, AS_attrHandle_t attribute /* or null */,
                                 const GEN_ObjectIdent_t *objectIdent,
                                 const GEN_ErrorMsg_t *message);

/* Traces the error result into the open service-log message. */
KQ_EXPORT uint32_t ERDPA_EchoErrorResult(STF_statusList_t *statusList,
                                         const ERDPA_errorResult_t *result);
/* A one-line description (the first problem's message), allocated with malloc and
 * owned by the caller; null only when memory runs out. */
KQ_EXPORT char *ErrorResult2String(const ERDPA_errorResult_t *result);
/* Releases the record and everything it owns. */
KQ_EXPORT uint32_t ERDPA_FreeError(STF_statusList_t *statusList, ERDPA_errorResult_t *result);

KQ_END_DECLS

#endif
