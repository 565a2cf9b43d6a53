#include "create_job.h"

#include <cstring>

#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"

namespace kq::tools {

int EncodeCreateJob(STF_statusList_t *status, const char *printer, AS_setHandle_t job,
                    OssBuf *encoded) {
  PrintArgument request{};
  request.choice = 1;
  CreateJobArgument &create = request.u.create_job;
  create.printer_name.choice = GEN_TEXT_STRING;
  strncpy(create.printer_name.u.graphic_string, printer,
          sizeof create.printer_name.u.graphic_string - 1);
  create.bit_mask = CreateJobArgument_job_attributes_present;
  *encoded = OssBuf{0, nullptr};
  if (ToBER_AS(status, &create.job_attributes, &job, GENU_AS_MODE_KEEP_EXT_ACL)) return 1;
  int rc = GENU_OssEncode(nullptr, PrintArgument_PDU, &request, encoded);
  FreeBER_AS(status, &create.job_attributes);
  return rc ? 1 : 0;
}

int DecodeCreateJob(STF_statusList_t *status, const OssBuf &encoded, AS_setHandle_t *job) {
  int pdu = PrintArgument_PDU;
  void *decoded = nullptr;
  OssBuf input = encoded;
  if (GENU_OssDecode(nullptr, &pdu, &input, &decoded)) return 1;
  int rc =
      ToGEN_AS(status, &static_cast<PrintArgument *>(decoded)->u.create_job.job_attributes, job);
  GENU_OssFreePDU(nullptr, pdu, decoded);
  return rc;
}

}  // namespace kq::tools
