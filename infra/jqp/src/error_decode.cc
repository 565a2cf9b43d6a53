// The error packet of a failed operation into a DPA error result. The error type of
// the reply picks the record to decode; the record's problems, objects, messages and
// attributes become the details of the error result's kind. Details are linked into
// the result as soon as they exist, so a failure part way releases everything with
// ERDPA_FreeError.
#include <cstring>

#include "infra/erdpa.h"
#include "infra/genu_desc.h"
#include "infra/genu_world.h"
#include "infra/jqp.h"
#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_pdu.h"

namespace {

// Error results are released by ERDPA_FreeError, so they come from the same heap.
template <typename T>
T *New() {
  void *block = genu_sysAllocator.allocate(sizeof(T));
  if (block) memset(block, 0, sizeof(T));
  return static_cast<T *>(block);
}
void Delete(void *block) {
  if (block) genu_sysAllocator.deallocate(block);
}

// A kind's standard codes: the conversion that accepts them and their texts.
struct Codes {
  int (*accept)(int32_t code, uint32_t *out);
  const char *(*text)(uint32_t code);
};
constexpr Codes kUpdate{ToGEN_UpdateProblem, ToAscii_UpdateProblem};
constexpr Codes kAttribute{ToGEN_AttributeProblem, ToAscii_AttributeProblem};
constexpr Codes kDocumentAccess{ToGEN_DocumentAccessProblem, ToAscii_DocumentAccessProblem};
constexpr Codes kSelection{ToGEN_SelectionProblem, ToAscii_SelectionProblem};
constexpr Codes kPrinter{ToGEN_PrinterProblem, ToAscii_PrinterProblem};
constexpr Codes kAccess{ToGEN_AccessProblem, ToAscii_AccessProblem};
constexpr Codes kService{ToGEN_ServiceProblem, ToAscii_ServiceProblem};
constexpr Codes kSecurity{ToGEN_SecurityProblem, ToAscii_SecurityProblem};

// Every wire problem is the same choice: 1 a standard code, 2 an identifier.
template <typename WireProblem>
int Problem(STF_statusList_t *status, const WireProblem &wire, const Codes &codes, int32_t *form,
            uint32_t *problem) {
  *form = wire.choice;
  switch (wire.choice) {
    case ERDPA_STANDARD_PROBLEM:
      if (!codes.accept(wire.u.standard, problem)) {
        LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_ErrorDecode: standard conversion failed\n");
        return STF__Fail(status, JQP_ST_ERR_PROBLEM);
      }
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: standard problem = %s\n",
                       codes.text(*problem));
      return 0;
    case ERDPA_EXTENDED_PROBLEM: {
      const GENU_berOid_t ber{wire.u.extended.length, wire.u.extended.value};
      return GENU_BerToShortOID(status, &ber, problem) ? STF__Fail(status, JQP_ST_ERR_EXTENDED) : 0;
    }
    default:
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_ErrorDecode: unknown problem type\n");
      return STF__Fail(status, JQP_ST_ERR_PROBLEM);
  }
}

int Object(STF_statusList_t *status, const ObjectIdent &wire, GEN_ObjectIdent_t **out) {
  auto *object = New<GEN_ObjectIdent_t>();
  if (!object) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  if (ToGEN_objectIdent(status, &wire, object)) {
    Delete(object);
    return STF__Fail(status, JQP_ST_ERR_OBJECT);
  }
  *out = object;
  return 0;
}

int Message(STF_statusList_t *status, const ErrorMessage &wire, GEN_ErrorMsg_t **out) {
  auto *message = New<GEN_ErrorMsg_t>();
  if (!message) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  if (ToGEN_errorMessage(status, &wire, message)) {
    Delete(message);
    return STF__Fail(status, JQP_ST_ERR_MESSAGE);
  }
  *out = message;
  return 0;
}

int Attributes(STF_statusList_t *status, const AttributeList &wire, AS_setHandle_t *out) {
  return ToGEN_AS(status, &wire, out) ? STF__Fail(status, JQP_ST_ERR_ATTRIBUTES) : 0;
}

// Update, document access and printer errors: one problem about one object.
template <typename Wire>
int ObjectProblem(STF_statusList_t *status, const Wire &wire, const Codes &codes,
                  ERDPA_errorResult_t *result) {
  auto *details = New<ERDPA_objectProblem_t>();
  if (!details) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  result->details = details;
  if (Problem(status, wire.problem, codes, &details->problemForm, &details->problem)) return 1;
  if (Object(status, wire.object_identification, &details->objectIdent)) return 1;
  return Message(status, wire.error_message, &details->errorMessage);
}

int Security(STF_statusList_t *status, const SecurityError &wire, ERDPA_errorResult_t *result) {
  auto *details = New<ERDPA_securityError_t>();
  if (!details) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  result->details = details;
  if (Problem(status, wire.problem, kSecurity, &details->problemForm, &details->problem)) return 1;
  return Message(status, wire.error_message, &details->errorMessage);
}

int Attribute(STF_statusList_t *status, const AttributeError &wire, ERDPA_errorResult_t *result) {
  auto *details = New<ERDPA_attributeError_t>();
  if (!details) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  result->details = details;
  if ((wire.bit_mask & AttributeError_object_identification_present) &&
      Object(status, wire.object_identification, &details->objectIdent))
    return 1;
  ERDPA_attributeProblem_t **tail = &details->problems;
  for (const AttributeError_problems_node *node = wire.problems; node; node = node->next) {
    auto *problem = New<ERDPA_attributeProblem_t>();
    if (!problem) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
    *tail = problem;
    tail = &problem->next;
    const AttributeProblem &in = node->value;
    if (Problem(status, in.problem, kAttribute, &problem->problemForm, &problem->problem) ||
        Attributes(status, in.attributes, &problem->attributes) ||
        Message(status, in.error_message, &problem->errorMessage))
      return 1;
  }
  return 0;
}

// Selection and service errors: a list of problems, each naming an object and
// perhaps attributes. `Node` is the wire list's node.
template <typename Node, uint8_t kAttributesPresent>
int Items(STF_statusList_t *status, const Node *wire, const Codes &codes,
          ERDPA_errorResult_t *result) {
  auto **tail = reinterpret_cast<ERDPA_selectionItem_t **>(&result->details);
  for (const Node *node = wire; node; node = node->next) {
    auto *item = New<ERDPA_selectionItem_t>();
    if (!item) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
    *tail = item;
    tail = &item->next;
    const auto &in = node->value;
    if (Problem(status, in.problem, codes, &item->problemForm, &item->problem)) return 1;
    if (in.bit_mask & kAttributesPresent) {
      if (!(item->attributes = New<AS_setHandle_t>()))
        return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
      if (Attributes(status, in.attributes, item->attributes)) return 1;
    }
    if (Object(status, in.object_identification, &item->objectIdent) ||
        Message(status, in.error_message, &item->errorMessage))
      return 1;
  }
  return 0;
}

int Access(STF_statusList_t *status, const AccessError_node *wire, ERDPA_errorResult_t *result) {
  auto **tail = reinterpret_cast<ERDPA_accessItem_t **>(&result->details);
  for (const AccessError_node *node = wire; node; node = node->next) {
    auto *item = New<ERDPA_accessItem_t>();
    if (!item) return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
    *tail = item;
    tail = &item->next;
    const AccessProblemItem &in = node->value;
    if (Object(status, in.object_identification, &item->objectIdent) ||
        Problem(status, in.problem, kAccess, &item->problemForm, &item->problem) ||
        Message(status, in.error_message, &item->errorMessage))
      return 1;
  }
  return 0;
}

// The details of the record `pdu` decoded into `wire`; -1 for a record that is no
// error record.
int Details(STF_statusList_t *status, int pdu, const void *wire, ERDPA_errorResult_t *result) {
  switch (pdu) {
    case UpdateError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing update error\n");
      result->kind = ERDPA_UPDATE_ERROR;
      return ObjectProblem(status, *static_cast<const UpdateError *>(wire), kUpdate, result);
    case AttributeError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing attribute error\n");
      result->kind = ERDPA_ATTRIBUTE_ERROR;
      return Attribute(status, *static_cast<const AttributeError *>(wire), result);
    case DocumentAccessError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing document access error\n");
      result->kind = ERDPA_DOCUMENT_ACCESS_ERROR;
      return ObjectProblem(status, *static_cast<const DocumentAccessError *>(wire), kDocumentAccess,
                           result);
    case SelectionError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing selection error\n");
      result->kind = ERDPA_SELECTION_ERROR;
      return Items<SelectionError_node, SelectionProblemItem_attributes_present>(
          status, *static_cast<const SelectionError *>(wire), kSelection, result);
    case PrinterError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing printer error\n");
      result->kind = ERDPA_PRINTER_ERROR;
      return ObjectProblem(status, *static_cast<const PrinterError *>(wire), kPrinter, result);
    case AccessError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing access error\n");
      result->kind = ERDPA_ACCESS_ERROR;
      return Access(status, *static_cast<const AccessError *>(wire), result);
    case ServiceError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing service error\n");
      result->kind = ERDPA_SERVICE_ERROR;
      return Items<ServiceError_node, ServiceProblemItem_attributes_present>(
          status, *static_cast<const ServiceError *>(wire), kService, result);
    case SecurityError_PDU:
      LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: doing security error\n");
      result->kind = ERDPA_SECURITY_ERROR;
      return Security(status, *static_cast<const SecurityError *>(wire), result);
    default:
      return -1;
  }
}

}  // namespace

extern "C" int JQP_ErrorDecode(STF_statusList_t *status, int32_t errorType, const void *bytes,
                               int32_t length, ERDPA_errorResult_t **out) {
  if (!status) return 1;
  STF_ClearStatus(status);
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  int pdu = errorType >= 0 && errorType < kq::jqp::kErrorTypes ? kq::jqp::pduerrors[errorType] : -1;
  LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: decoding...\n");
  OssBuf encoded{length, static_cast<unsigned char *>(const_cast<void *>(bytes))};
  void *wire = nullptr;
  int code = bytes && length > 0 ? GENU_OssDecode(nullptr, &pdu, &encoded, &wire) : -1;
  if (code || !wire) {
    const char *why = code == -1 ? nullptr : ossGetErrMsg(GENU_GetWorld());
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_ErrorDecode: decode failed, %s\n", why ? why : "no packet");
    if (wire) GENU_OssFreePDU(nullptr, pdu, wire);
    return STF__Fail(status, JQP_ST_ERR_DECODE);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: decoded okay, pdunum=%d:\n", pdu);
  if (GENU__printPDU) {
    GENU_OssPrintPDU(nullptr, pdu, wire);
    LOG_COND_MESSAGE(LOG_SEV_INFO, "JQP_ErrorDecode: done printing PDU\n");
  }
  auto *result = New<ERDPA_errorResult_t>();
  if (!result) {
    GENU_OssFreePDU(nullptr, pdu, wire);
    return STF__Fail(status, JQP_ST_ERR_NO_MEMORY);
  }
  int rc = Details(status, pdu, wire, result);
  GENU_OssFreePDU(nullptr, pdu, wire);
  if (rc < 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_ErrorDecode: unrecognized error = %d\n", errorType);
    Delete(result);
    return STF__Fail(status, JQP_ST_ERR_DECODE);
  }
  if (rc) {
    ERDPA_FreeError(kq::stf::ScratchList(), result);
    return 1;
  }
  *out = result;
  return 0;
}
