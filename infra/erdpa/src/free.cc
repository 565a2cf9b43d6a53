// Release of an error result and its details. Every release walks on after a part
// that could not be released, so one bad part never leaks the rest; each accepts a
// null record so that partly built records release the same way.
#include "infra/genu.h"
#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/erdpa_int.h"

namespace kq::erdpa {

namespace {

uint32_t DeleteObject(STF_statusList_t *sl, GEN_ObjectIdent_t *object) {
  return object ? GEN_DeleteObjectIdent(sl, object, Heap()) : 0;
}

uint32_t DeleteMessage(STF_statusList_t *sl, GEN_ErrorMsg_t *message) {
  return message ? GEN_DeleteErrorMsg(sl, message, Heap()) : 0;
}

uint32_t DestroySet(STF_statusList_t *sl, AS_setHandle_t *set) {
  return *set ? AS_Destroy(sl, set) : 0;
}

}  // namespace

uint32_t FreeObjectProblem(STF_statusList_t *sl, ERDPA_objectProblem_t *problem) {
  if (!problem) return 0;
  uint32_t rc = DeleteObject(sl, problem->objectIdent);
  rc |= DeleteMessage(sl, problem->errorMessage);
  Heap()->deallocate(problem);
  return rc;
}

uint32_t FreeSecurityError(STF_statusList_t *sl, ERDPA_securityError_t *error) {
  if (!error) return 0;
  uint32_t rc = DeleteMessage(sl, error->errorMessage);
  Heap()->deallocate(error);
  return rc;
}

uint32_t FreeAttributeProblem(STF_statusList_t *sl, ERDPA_attributeProblem_t *problem) {
  if (!problem) return 0;
  uint32_t rc = DestroySet(sl, &problem->attributes);
  rc |= DeleteMessage(sl, problem->errorMessage);
  Heap()->deallocate(problem);
  return rc;
}

uint32_t FreeAttributeError(STF_statusList_t *sl, ERDPA_attributeError_t *error) {
  if (!error) return 0;
  uint32_t rc = DeleteObject(sl, error->objectIdent);
  for (ERDPA_attributeProblem_t *p = error->problems, *next; p; p = next) {
    next = p->next;
    rc |= FreeAttributeProblem(sl, p);
  }
  Heap()->deallocate(error);
  return rc;
}

uint32_t FreeSelectionItems(STF_statusList_t *sl, ERDPA_selectionItem_t *items) {
  uint32_t rc = 0;
  for (ERDPA_selectionItem_t *item = items, *next; item; item = next) {
    next = item->next;
    if (item->attributes) {
      rc |= DestroySet(sl, item->attributes);
      Heap()->deallocate(item->attributes);
    }
    rc |= DeleteObject(sl, item->objectIdent);
    rc |= DeleteMessage(sl, item->errorMessage);
    Heap()->deallocate(item);
  }
  return rc;
}

uint32_t FreeAccessItems(STF_statusList_t *sl, ERDPA_accessItem_t *items) {
  uint32_t rc = 0;
  for (ERDPA_accessItem_t *item = items, *next; item; item = next) {
    next = item->next;
    rc |= DeleteObject(sl, item->objectIdent);
    rc |= DeleteMessage(sl, item->errorMessage);
    Heap()->deallocate(item);
  }
  return rc;
}

}  // namespace kq::erdpa

namespace erdpa = kq::erdpa;

extern "C" uint32_t ERDPA_FreeError(STF_statusList_t *sl, ERDPA_errorResult_t *result) {
  if (!sl) return 1;
  if (!result) return STF__Fail(sl, ERDPA_ST_NO_RESULT);
  uint32_t rc = 0;
  void *details = result->details;
  switch (result->kind) {
    case ERDPA_UPDATE_ERROR:
      rc = erdpa::FreeUpdateError(sl, static_cast<ERDPA_updateError_t *>(details));
      break;
    case ERDPA_DOCUMENT_ACCESS_ERROR:
      rc = erdpa::FreeDocAccessError(sl, static_cast<ERDPA_documentAccessError_t *>(details));
      break;
    case ERDPA_PRINTER_ERROR:
      rc = erdpa::FreePrinterError(sl, static_cast<ERDPA_printerError_t *>(details));
      break;
    case ERDPA_SECURITY_ERROR:
      rc = erdpa::FreeSecurityError(sl, static_cast<ERDPA_securityError_t *>(details));
      break;
    case ERDPA_ATTRIBUTE_ERROR:
      rc = erdpa::FreeAttributeError(sl, static_cast<ERDPA_attributeError_t *>(details));
      break;
    case ERDPA_SELECTION_ERROR:
      rc = erdpa::FreeSelectionError(sl, static_cast<ERDPA_selectionError_t *>(details));
      break;
    case ERDPA_SERVICE_ERROR:
      rc = erdpa::FreeServiceError(sl, static_cast<ERDPA_serviceError_t *>(details));
      break;
    case ERDPA_ACCESS_ERROR:
      rc = erdpa::FreeAccessError(sl, static_cast<ERDPA_accessError_t *>(details));
      break;
    default:
      // Details of a kind this library never builds cannot be walked; only the
      // record itself is released.
      LOG_AddText("FreeError: unkown error type - don't know how to free\n");
      rc = 1;
      break;
  }
  erdpa::Heap()->deallocate(result);
  return rc ? 1 : 0;
}
