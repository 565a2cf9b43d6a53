// The status of each object a request touched (the result of resubmitting jobs).
#include <cstdint>

#include "infra/svclog.h"
#include "private/jqp_result_int.h"

using kq::jqp::AllocateRecord;
using kq::jqp::Release;

extern "C" {

int ToGEN_ObjectStatus(STF_statusList_t *status, const ObjectStatus *wire, AS_setHandle_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  if (!wire || !(wire->bit_mask & ObjectStatus_attributes_present)) return 0;
  return kq::jqp::SetToCell(status, &wire->attributes, out, JQP_ST_STATUS_SET);
}

int ToGEN_SeqOfObjectStatus(STF_statusList_t *status, const ResubmitJobResult_node *wire,
                            GEN_SeqOfObjectStatus_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  GEN_SeqOfObjectStatus_t *head = nullptr, **tail = &head;
  for (; wire; wire = wire->next) {
    auto *node = AllocateRecord<GEN_SeqOfObjectStatus_t>();
    if (!node) {
      FreeGEN_SeqOfObjectStatus(kq::stf::ScratchList(), head);
      return STF__Fail(status, JQP_ST_NO_MEMORY);
    }
    if (!head)
      LOG_COND_MESSAGE(6, "ToGEN_SeqOfObjectStatus: head = %x\n",
                       static_cast<unsigned>(reinterpret_cast<uintptr_t>(node)));
    *tail = node;
    tail = &node->next;
    if (ToGEN_ObjectStatus(status, &wire->value, &node->attributes)) {
      FreeGEN_SeqOfObjectStatus(kq::stf::ScratchList(), head);
      return 1;
    }
  }
  *out = head;
  return 0;
}

int FreeGEN_SeqOfObjectStatus(STF_statusList_t *status, GEN_SeqOfObjectStatus_t *list) {
  if (!status) return 1;
  bool failed = false;
  while (list) {
    GEN_SeqOfObjectStatus_t *next = list->next;
    failed |= kq::jqp::ReleaseSetCell(kq::stf::ScratchList(), list->attributes) != 0;
    Release(list);
    list = next;
  }
  return failed ? STF__Fail(status, JQP_ST_ELEMENT_RELEASE) : 0;
}

int ToGEN_ResubmitJobResult(STF_statusList_t *status, ResubmitJobResult_node *const *wire,
                            GEN_ResubmitJobResult_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  if (!wire) return 0;
  auto *result = AllocateRecord<GEN_ResubmitJobResult_t>();
  if (!result) return STF__Fail(status, JQP_ST_NO_MEMORY);
  if (ToGEN_SeqOfObjectStatus(status, *wire, &result->first)) {
    Release(result);
    return 1;
  }
  *out = result;
  return 0;
}

int FreeGEN_ResubmitJobResult(STF_statusList_t *status, GEN_ResubmitJobResult_t *record) {
  if (!status) return 1;
  if (!record) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  int rc = FreeGEN_SeqOfObjectStatus(status, record->first);
  Release(record);
  return rc;
}

}  // extern "C"
