// The eight builders: each checks its arguments, then adds its problem to the error
// result under the precedence of kinds. A replacing error is built completely before
// the one it replaces is released, so running out of memory leaves the caller's
// error result as it was.
#include <cstring>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/erdpa_int.h"

namespace kq::erdpa {

namespace {

const AS_allocateDescriptor_t *g_heap = nullptr;

// What one builder call asks for.
struct Problem {
  int32_t kind;
  uint32_t code;
  AS_attrHandle_t attribute;  // attribute, selection and service only
  const GEN_ObjectIdent_t *objectIdent;
  const GEN_ErrorMsg_t *message;
};

template <typename T>
T *Zeroed() {
  void *block = Heap()->allocate(sizeof(T));
  if (block) memset(block, 0, sizeof(T));
  return static_cast<T *>(block);
}

// Deep copies under a scratch list: a failed copy is reported as out of memory.
bool CopyObject(const GEN_ObjectIdent_t *from, GEN_ObjectIdent_t **to) {
  if (!from) return true;
  void *copy = nullptr;
  if (GEN_CopyObjectIdent(stf::ScratchList(), &copy, from, Heap()) != 0) return false;
  *to = static_cast<GEN_ObjectIdent_t *>(copy);
  return true;
}

bool CopyMessage(const GEN_ErrorMsg_t *from, GEN_ErrorMsg_t **to) {
  void *copy = nullptr;
  if (GEN_CopyErrorMsg(stf::ScratchList(), &copy, from, Heap()) != 0) return false;
  *to = static_cast<GEN_ErrorMsg_t *>(copy);
  return true;
}

// Each Make* builds one complete node or releases what it built, adds its code and
// gives null.
template <typename T, typename Release>
T *Fail(STF_statusList_t *sl, uint32_t code, T *node, Release release) {
  release(stf::ScratchList(), node);
  STF__Fail(sl, code);
  return nullptr;
}

ERDPA_objectProblem_t *MakeObjectProblem(STF_statusList_t *sl, const Problem &p) {
  auto *node = Zeroed<ERDPA_objectProblem_t>();
  if (!node) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeObjectProblem);
  node->problemForm = ERDPA_STANDARD_PROBLEM;
  node->problem = p.code;
  if (!CopyObject(p.objectIdent, &node->objectIdent) ||
      !CopyMessage(p.message, &node->errorMessage)) {
    return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeObjectProblem);
  }
  return node;
}

ERDPA_securityError_t *MakeSecurityError(STF_statusList_t *sl, const Problem &p) {
  auto *node = Zeroed<ERDPA_securityError_t>();
  if (!node) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeSecurityError);
  node->problemForm = ERDPA_STANDARD_PROBLEM;
  node->problem = p.code;
  if (!CopyMessage(p.message, &node->errorMessage)) {
    return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeSecurityError);
  }
  return node;
}

ERDPA_accessItem_t *MakeAccessItem(STF_statusList_t *sl, const Problem &p) {
  auto *node = Zeroed<ERDPA_accessItem_t>();
  if (!node) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeAccessItems);
  node->problemForm = ERDPA_STANDARD_PROBLEM;
  node->problem = p.code;
  if (!CopyObject(p.objectIdent, &node->objectIdent) ||
      !CopyMessage(p.message, &node->errorMessage)) {
    return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeAccessItems);
  }
  return node;
}

ERDPA_attributeProblem_t *MakeAttributeProblem(STF_statusList_t *sl, const Problem &p) {
  auto *node = Zeroed<ERDPA_attributeProblem_t>();
  if (!node) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeAttributeProblem);
  node->problemForm = ERDPA_STANDARD_PROBLEM;
  node->problem = p.code;
  if (!CopyMessage(p.message, &node->errorMessage)) {
    return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeAttributeProblem);
  }
  if (GetNewAttrHandle(sl, p.attribute, &node->attributes) != 0) {
    FreeAttributeProblem(stf::ScratchList(), node);
    return nullptr;
  }
  return node;
}

ERDPA_selectionItem_t *MakeSelectionItem(STF_statusList_t *sl, const Problem &p) {
  auto *node = Zeroed<ERDPA_selectionItem_t>();
  if (!node) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeSelectionItems);
  node->problemForm = ERDPA_STANDARD_PROBLEM;
  node->problem = p.code;
  if (!CopyObject(p.objectIdent, &node->objectIdent) ||
      !CopyMessage(p.message, &node->errorMessage)) {
    return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeSelectionItems);
  }
  if (p.attribute) {
    node->attributes = Zeroed<AS_setHandle_t>();
    if (!node->attributes) return Fail(sl, ERDPA_ST_NO_MEMORY, node, FreeSelectionItems);
    if (GetNewAttrHandle(sl, p.attribute, node->attributes) != 0) {
      FreeSelectionItems(stf::ScratchList(), node);
      return nullptr;
    }
  }
  return node;
}

template <typename T>
void Append(T *head, T *node) {
  while (head->next) head = head->next;
  head->next = node;
}

// The details of a new error of the problem's kind, or null with a code added.
void *MakeDetails(STF_statusList_t *sl, const Problem &p) {
  switch (p.kind) {
    case ERDPA_UPDATE_ERROR:
    case ERDPA_DOCUMENT_ACCESS_ERROR:
    case ERDPA_PRINTER_ERROR:
      return MakeObjectProblem(sl, p);
    case ERDPA_SECURITY_ERROR:
      return MakeSecurityError(sl, p);
    case ERDPA_ACCESS_ERROR:
      return MakeAccessItem(sl, p);
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      return MakeSelectionItem(sl, p);
    case ERDPA_ATTRIBUTE_ERROR: {
      auto *error = Zeroed<ERDPA_attributeError_t>();
      if (!error) return Fail(sl, ERDPA_ST_NO_MEMORY, error, FreeAttributeError);
      if (!CopyObject(p.objectIdent, &error->objectIdent)) {
        return Fail(sl, ERDPA_ST_NO_MEMORY, error, FreeAttributeError);
      }
      error->problems = MakeAttributeProblem(sl, p);
      if (!error->problems) {
        FreeAttributeError(stf::ScratchList(), error);
        return nullptr;
      }
      return error;
    }
  }
  return nullptr;
}

// Appends the problem to an error of its own kind; the single-problem kinds keep
// the problem they hold.
uint32_t AddToSameKind(STF_statusList_t *sl, ERDPA_errorResult_t *error, const Problem &p) {
  switch (p.kind) {
    case ERDPA_ACCESS_ERROR: {
      ERDPA_accessItem_t *node = MakeAccessItem(sl, p);
      if (!node) return 1;
      auto *head = static_cast<ERDPA_accessItem_t *>(error->details);
      head ? Append(head, node) : void(error->details = node);
      return 0;
    }
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR: {
      ERDPA_selectionItem_t *node = MakeSelectionItem(sl, p);
      if (!node) return 1;
      auto *head = static_cast<ERDPA_selectionItem_t *>(error->details);
      head ? Append(head, node) : void(error->details = node);
      return 0;
    }
    case ERDPA_ATTRIBUTE_ERROR: {
      auto *details = static_cast<ERDPA_attributeError_t *>(error->details);
      if (!details) {
        error->details = MakeDetails(sl, p);
        return error->details ? 0 : 1;
      }
      if (!SameObject(details->objectIdent, p.objectIdent)) return 0;
      ERDPA_attributeProblem_t *node = MakeAttributeProblem(sl, p);
      if (!node) return 1;
      details->problems ? Append(details->problems, node) : void(details->problems = node);
      return 0;
    }
    default:
      return 0;
  }
}

uint32_t Add(STF_statusList_t *sl, ERDPA_errorResult_t **result, const Problem &p) {
  ERDPA_errorResult_t *existing = *result;
  if (existing) {
    switch (GetPrecedence(existing->kind, p.kind)) {
      case kKeepExisting:
        return 0;
      case kSameKind:
        return AddToSameKind(sl, existing, p);
      default:
        break;
    }
  }
  auto *fresh = Zeroed<ERDPA_errorResult_t>();
  if (!fresh) return STF__Fail(sl, ERDPA_ST_NO_MEMORY);
  fresh->kind = p.kind;
  fresh->details = MakeDetails(sl, p);
  if (!fresh->details) {
    Heap()->deallocate(fresh);
    return 1;
  }
  if (existing) ERDPA_FreeError(stf::ScratchList(), existing);
  *result = fresh;
  return 0;
}

// Entry and exit traces around one builder call.
uint32_t Traced(const char *name, STF_statusList_t *sl, ERDPA_errorResult_t **result,
                const Problem &p) {
  LOG_COND_FUNC_TRACE(name, 1, nullptr);
  uint32_t rc = Add(sl, result, p);
  LOG_COND_FUNC_TRACE(name, 0, "rc=%u", rc);
  return rc;
}

}  // namespace

const AS_allocateDescriptor_t *Heap() { return g_heap ? g_heap : &genu_sysAllocator; }
void SetHeap(const AS_allocateDescriptor_t *alloc) { g_heap = alloc; }

int GetPrecedence(int32_t existing, int32_t fresh) {
  uint32_t have = static_cast<uint32_t>(existing) & 0xffffu;
  uint32_t want = static_cast<uint32_t>(fresh) & 0xffffu;
  if (have > want) return kKeepExisting;
  if (have < want) return kReplace;
  return kSameKind;
}

bool SameObject(const GEN_ObjectIdent_t *a, const GEN_ObjectIdent_t *b) {
  if (!a || !b) return !a && !b;
  int32_t order = 1;
  if (GEN_CompareObjectIdent(stf::ScratchList(), a, b, &order) != 0) return false;
  return order == 0;
}

uint32_t GetNewAttrHandle(STF_statusList_t *sl, AS_attrHandle_t attribute, AS_setHandle_t *setOut) {
  AS_setHandle_t set = AS_nullSetHandle;
  if (AS_Create(stf::ScratchList(), &set, Heap(), 0) != 0) {
    return STF__Fail(sl, ERDPA_ST_NO_MEMORY);
  }
  if (AS_CopyAttrR(stf::ScratchList(), set, attribute, nullptr) != 0) {
    AS_Destroy(stf::ScratchList(), &set);
    return STF__Fail(sl, ERDPA_ST_ATTR_COPY);
  }
  *setOut = set;
  return 0;
}

}  // namespace kq::erdpa

using kq::erdpa::Problem;
using kq::erdpa::Traced;

extern "C" {

// Update, document access and printer errors name an object and a message.
#define KQ_ERDPA_OBJECT_BUILDER(Name, Kind)                                                  \
  uint32_t Name(STF_statusList_t *sl, ERDPA_errorResult_t **result, uint32_t problem,        \
                const GEN_ObjectIdent_t *objectIdent, const GEN_ErrorMsg_t *message) {       \
    if (!sl) return 1;                                                                       \
    if (!result) return STF__Fail(sl, ERDPA_ST_NO_RESULT);                                   \
    if (!objectIdent) return STF__Fail(sl, ERDPA_ST_NO_OBJECT);                              \
    if (!message) return STF__Fail(sl, ERDPA_ST_NO_MESSAGE);                                 \
    return Traced(#Name, sl, result, Problem{Kind, problem, nullptr, objectIdent, message}); \
  }
KQ_ERDPA_OBJECT_BUILDER(ERDPA_Update, ERDPA_UPDATE_ERROR)
KQ_ERDPA_OBJECT_BUILDER(ERDPA_DocumentAccess, ERDPA_DOCUMENT_ACCESS_ERROR)
KQ_ERDPA_OBJECT_BUILDER(ERDPA_Printer, ERDPA_PRINTER_ERROR)
KQ_ERDPA_OBJECT_BUILDER(ERDPA_Access, ERDPA_ACCESS_ERROR)
#undef KQ_ERDPA_OBJECT_BUILDER

uint32_t ERDPA_Security(STF_statusList_t *sl, ERDPA_errorResult_t **result, uint32_t problem,
                        const GEN_ErrorMsg_t *message) {
  if (!sl) return 1;
  if (!result) return STF__Fail(sl, ERDPA_ST_NO_RESULT);
  if (!message) return STF__Fail(sl, ERDPA_ST_NO_OBJECT);
  return Traced("ERDPA_Security", sl, result,
                Problem{ERDPA_SECURITY_ERROR, problem, nullptr, nullptr, message});
}

uint32_t ERDPA_Attribute(STF_statusList_t *sl, ERDPA_errorResult_t **result, uint32_t problem,
                         AS_attrHandle_t attribute, const GEN_ObjectIdent_t *objectIdent,
                         const GEN_ErrorMsg_t *message) {
  if (!sl) return 1;
  if (!result) return STF__Fail(sl, ERDPA_ST_NO_RESULT);
  if (!message) return STF__Fail(sl, ERDPA_ST_NO_LIST_MESSAGE);
  return Traced("ERDPA_Attribute", sl, result,
                Problem{ERDPA_ATTRIBUTE_ERROR, problem, attribute, objectIdent, message});
}

// Selection and service errors name an object, a message and optionally attributes.
#define KQ_ERDPA_ITEM_BUILDER(Name, Kind)                                                      \
  uint32_t Name(STF_statusList_t *sl, ERDPA_errorResult_t **result, uint32_t problem,          \
                AS_attrHandle_t attribute, const GEN_ObjectIdent_t *objectIdent,               \
                const GEN_ErrorMsg_t *message) {                                               \
    if (!sl) return 1;                                                                         \
    if (!result) return STF__Fail(sl, ERDPA_ST_NO_RESULT);                                     \
    if (!objectIdent) return STF__Fail(sl, ERDPA_ST_NO_MESSAGE);                               \
    if (!message) return STF__Fail(sl, ERDPA_ST_NO_LIST_MESSAGE);                              \
    return Traced(#Name, sl, result, Problem{Kind, problem, attribute, objectIdent, message}); \
  }
KQ_ERDPA_ITEM_BUILDER(ERDPA_Selection, ERDPA_SELECTION_ERROR)
KQ_ERDPA_ITEM_BUILDER(ERDPA_Service, ERDPA_SERVICE_ERROR)
#undef KQ_ERDPA_ITEM_BUILDER

}  // extern "C"
