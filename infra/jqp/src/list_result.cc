// The result of a listing: when it was answered, how to go on, why it stopped and the
// objects found, each with its identification, attributes and class.
#include <cstdint>

#include "infra/svclog.h"
#include "private/jqp_result_int.h"

using kq::jqp::AllocateRecord;
using kq::jqp::Release;

namespace {

// Releases what an object result owns and leaves it empty.
int Clear(STF_statusList_t *status, GEN_objectResult_t *object) {
  int rc = 0;
  if (object->objectIdentification.choice)
    rc |= GEN_DeepDeleteObjectIdent(status, &object->objectIdentification, nullptr) ? 1 : 0;
  rc |= kq::jqp::ReleaseSet(status, &object->attributes);
  *object = GEN_objectResult_t{};
  return rc;
}

// Fills an empty object result; on failure it is left empty.
int FillObject(STF_statusList_t *status, const ObjectResult *wire, GEN_objectResult_t *object) {
  uint32_t failure = 0;
  if (ToGEN_objectIdent(status, &wire->object_identification, &object->objectIdentification)) {
    failure = JQP_ST_OBJECT_IDENT;
    object->objectIdentification = GEN_ObjectIdent_t{};
  } else if (ToGEN_AS(status, &wire->attributes, &object->attributes)) {
    failure = JQP_ST_OBJECT_SET;
  } else {
    const GENU_berOid_t ber{wire->object_class.length, wire->object_class.value};
    if (GENU_BerToShortOID(status, &ber, &object->objectClass)) failure = JQP_ST_OID;
  }
  if (!failure) return 0;
  Clear(kq::stf::ScratchList(), object);
  return STF__Fail(status, failure);
}

int FillList(STF_statusList_t *status, const ListResult *wire, GEN_listResult_t *record) {
  if (ToGEN_generalizedTime(status, &wire->answer_time, &record->answerTime))
    return STF__Fail(status, JQP_ST_ANSWER_TIME);
  if ((wire->bit_mask & ListResult_continuation_present) &&
      ToGEN_listContext(status, &wire->continuation, &record->continuation))
    return STF__Fail(status, JQP_ST_CONTINUATION);
  if (wire->bit_mask & ListResult_limit_encountered_present) {
    // Time, count or error: no other limit exists.
    if (wire->limit_encountered < GEN_TIME_LIMIT || wire->limit_encountered > GEN_ERROR_LIMIT)
      return STF__Fail(status, JQP_ST_BAD_VALUE);
    if (!(record->limitEncountered = AllocateRecord<GEN_limitEncountered_t>()))
      return STF__Fail(status, JQP_ST_NO_MEMORY);
    *record->limitEncountered = wire->limit_encountered;
  }
  if (wire->bit_mask & ListResult_result_set_present)
    return ToGEN_setOfObjectResult(status, wire->result_set, &record->resultSet);
  return 0;
}

}  // namespace

extern "C" {

int ToGEN_objectResult(STF_statusList_t *status, const ObjectResult *wire,
                       GEN_objectResult_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  if (!wire) return 0;
  auto *object = AllocateRecord<GEN_objectResult_t>();
  if (!object) return STF__Fail(status, JQP_ST_NO_MEMORY);
  if (FillObject(status, wire, object)) {
    Release(object);
    return 1;
  }
  *out = object;
  return 0;
}

int FreeGEN_objectResult(STF_statusList_t *status, GEN_objectResult_t *record) {
  if (!status) return 1;
  if (!record) return 0;
  int rc = Clear(status, record);
  Release(record);
  return rc;
}

int ToGEN_setOfObjectResult(STF_statusList_t *status, const ListResult_result_set_node *wire,
                            GEN_setOfObjectResult_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  GEN_setOfObjectResult_t *head = nullptr, **tail = &head;
  for (; wire; wire = wire->next) {
    auto *node = AllocateRecord<GEN_setOfObjectResult_t>();
    if (!node || FillObject(status, &wire->value, &node->value)) {
      if (!node) STF__Fail(status, JQP_ST_NO_MEMORY);
      Release(node);
      FreeGEN_setOfObjectResult(kq::stf::ScratchList(), head);
      return 1;
    }
    *tail = node;
    tail = &node->next;
  }
  *out = head;
  return 0;
}

int FreeGEN_setOfObjectResult(STF_statusList_t *status, GEN_setOfObjectResult_t *list) {
  if (!status) return 1;
  bool failed = false;
  while (list) {
    GEN_setOfObjectResult_t *next = list->next;
    failed |= Clear(kq::stf::ScratchList(), &list->value) != 0;
    Release(list);
    list = next;
  }
  return failed ? STF__Fail(status, JQP_ST_ELEMENT_RELEASE) : 0;
}

int ToGEN_listResult(STF_statusList_t *status, const ListResult *wire, GEN_listResult_t **out) {
  return kq::jqp::ConvertReceived("ToGEN_listResult", status, wire, out, FillList,
                                  FreeGEN_listResult);
}

int FreeGEN_listResult(STF_statusList_t *status, GEN_listResult_t *record) {
  if (!status) return 1;
  if (!record) return 0;
  int rc = FreeGEN_listContext(status, record->continuation);
  Release(record->limitEncountered);
  rc |= FreeGEN_setOfObjectResult(status, record->resultSet);
  Release(record);
  return rc;
}

}  // extern "C"
