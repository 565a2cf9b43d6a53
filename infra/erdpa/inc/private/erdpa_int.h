// Internals of the DPA error results shared by the builders, the release, the
// trace and the descriptions.
#ifndef KQ_INFRA_ERDPA_INC_PRIVATE_ERDPA_INT_H
#define KQ_INFRA_ERDPA_INC_PRIVATE_ERDPA_INT_H

#include "infra/erdpa.h"

namespace kq::erdpa {

// The allocator of error records, value copies and attribute sets; the process heap
// unless a test has installed another (null restores the heap). Strings handed out
// by ErrorResult2String always come from malloc.
const AS_allocateDescriptor_t *Heap();
void SetHeap(const AS_allocateDescriptor_t *alloc);

// What adding a problem of `fresh` kind does to an error of `existing` kind,
// compared on the low 16 bits of each.
enum Precedence : int { kKeepExisting = 0, kReplace = 1, kSameKind = 2 };
int GetPrecedence(int32_t existing, int32_t fresh);

// Whether two optional object identifications name the same object: both absent
// are the same, one absent is not, otherwise GEN_CompareObjectIdent decides.
bool SameObject(const GEN_ObjectIdent_t *a, const GEN_ObjectIdent_t *b);

// A new set (through Heap()) holding a copy of `attribute`.
uint32_t GetNewAttrHandle(STF_statusList_t *statusList, AS_attrHandle_t attribute,
                          AS_setHandle_t *setOut);

// Per-kind release of the details; each releases what it can and gives 1 when a
// part could not be released.
uint32_t FreeObjectProblem(STF_statusList_t *statusList, ERDPA_objectProblem_t *problem);
uint32_t FreeSecurityError(STF_statusList_t *statusList, ERDPA_securityError_t *error);
uint32_t FreeAttributeProblem(STF_statusList_t *statusList, ERDPA_attributeProblem_t *problem);
uint32_t FreeAttributeError(STF_statusList_t *statusList, ERDPA_attributeError_t *error);
uint32_t FreeSelectionItems(STF_statusList_t *statusList, ERDPA_selectionItem_t *items);
uint32_t FreeAccessItems(STF_statusList_t *statusList, ERDPA_accessItem_t *items);
inline uint32_t FreeUpdateError(STF_statusList_t *sl, ERDPA_updateError_t *e) {
  return FreeObjectProblem(sl, e);
}
inline uint32_t FreeDocAccessError(STF_statusList_t *sl, ERDPA_documentAccessError_t *e) {
  return FreeObjectProblem(sl, e);
}
inline uint32_t FreePrinterError(STF_statusList_t *sl, ERDPA_printerError_t *e) {
  return FreeObjectProblem(sl, e);
}
inline uint32_t FreeSelectionError(STF_statusList_t *sl, ERDPA_selectionError_t *e) {
  return FreeSelectionItems(sl, e);
}
inline uint32_t FreeServiceError(STF_statusList_t *sl, ERDPA_serviceError_t *e) {
  return FreeSelectionItems(sl, e);
}
inline uint32_t FreeAccessError(STF_statusList_t *sl, ERDPA_accessError_t *e) {
  return FreeAccessItems(sl, e);
}

// The title-case text the trace shows for a problem of `kind` (with its line end),
// its extended-problem text, and its standard text.
const char *ProblemTitle(int32_t kind, int32_t problemForm, uint32_t problem);

// The message of an error as a new malloc'd string (null when memory runs out).
char *ErrorMessageData2String(const GEN_ErrorMsg_t *message);

}  // namespace kq::erdpa

#endif
