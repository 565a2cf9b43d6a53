// The result of creating a job, adding a document and closing a job.
#include <cstring>

#include "infra/svclog.h"
#include "private/jqp_result_int.h"

using kq::jqp::AllocateRecord;
using kq::jqp::Release;

namespace {

// Fills the parts of `record` from `wire`; on failure the caller releases the record.
int Fill(STF_statusList_t *status, const PrintResult *wire, GEN_printResult_t *record) {
  static_assert(sizeof record->jobIdentification.value == sizeof wire->job_identification);
  memcpy(record->jobIdentification.value, wire->job_identification,
         sizeof record->jobIdentification.value);
  record->jobIdentification.value[sizeof record->jobIdentification.value - 1] = '\0';

  if (wire->bit_mask & PrintResult_server_state_present) {
    if (!(record->serverState = AllocateRecord<uint32_t>()))
      return STF__Fail(status, JQP_ST_NO_MEMORY);
    const GENU_berOid_t ber{wire->server_state.length, wire->server_state.value};
    if (GENU_BerToShortOID(status, &ber, record->serverState)) return STF__Fail(status, JQP_ST_OID);
  }
  if (wire->bit_mask & PrintResult_server_message_present) {
    auto *message = AllocateRecord<GEN_Text_t>();
    if (!message) return STF__Fail(status, JQP_ST_NO_MEMORY);
    if (ToGEN_message(status, &wire->server_message, message)) {
      Release(message);
      return STF__Fail(status, JQP_ST_MESSAGE);
    }
    record->serverMessage = message;
  }
  if ((wire->bit_mask & PrintResult_document_status_present) &&
      kq::jqp::SetToCell(status, &wire->document_status, &record->documentStatus,
                         JQP_ST_RESULT_SET))
    return 1;
  if (ToGEN_AS(status, &wire->job_status, &record->jobStatus))
    return STF__Fail(status, JQP_ST_RESULT_SET);
  return 0;
}

}  // namespace

extern "C" {

int ToGEN_printResult(STF_statusList_t *status, const PrintResult *wire, GEN_printResult_t **out) {
  return kq::jqp::ConvertReceived("ToGEN_printResult", status, wire, out, Fill,
                                  FreeGEN_printResult);
}

int FreeGEN_printResult(STF_statusList_t *status, GEN_printResult_t *record) {
  if (!status) return 1;
  if (!record) return 0;
  int rc = 0;
  Release(record->serverState);
  if (record->serverMessage) {
    rc |= GEN_DeepDeleteText(status, record->serverMessage, nullptr) ? 1 : 0;
    Release(record->serverMessage);
  }
  rc |= kq::jqp::ReleaseSetCell(status, record->documentStatus);
  rc |= kq::jqp::ReleaseSet(status, &record->jobStatus);
  Release(record);
  return rc;
}

}  // extern "C"
