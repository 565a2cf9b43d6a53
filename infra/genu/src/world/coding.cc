// Encode, decode, print and free through the calling thread's world.
#include "infra/svclog.h"
#include "internal/ber_runtime.h"
#include "private/genu_world_int.h"

namespace {

void ReportFailure(const char *format, OssGlobal *world) {
  const char *text = ossGetErrMsg(world);
  LOG_COND_MESSAGE(LOG_SEV_PACK, format, text);
  LOG_CondUserMessage(LOG_SEV_CODING, GENU_MSG_CODING_FAILED, text);
}

}  // namespace

extern "C" {

int GENU_OssEncode(void *reserved, int pdu, void *structure, OssBuf *encoded) {
  (void)reserved;
  if (!encoded) return BER_E_ARG;
  encoded->length = 0;
  encoded->value = nullptr;
  OssGlobal *world = GENU_GetWorld();
  if (!world) return BER_E_INIT;
  int rc = ossEncode(world, pdu, structure, encoded);
  if (rc) ReportFailure("GENU_OssEncode failed: %s\n", world);
  return rc;
}

int GENU_OssDecode(void *reserved, int *pdu, OssBuf *encoded, void **structure) {
  (void)reserved;
  if (!structure) return BER_E_ARG;
  *structure = nullptr;
  OssGlobal *world = GENU_GetWorld();
  if (!world) return BER_E_INIT;
  int rc = ossDecode(world, pdu, encoded, structure);
  if (rc) ReportFailure("GENU_OssDecode failed: %s\n", world);
  return rc;
}

int GENU_OssPrintPDU(void *reserved, int pdu, void *structure) {
  (void)reserved;
  OssGlobal *world = GENU_GetWorld();
  return world ? ossPrintPDU(world, pdu, structure) : BER_E_INIT;
}

int GENU_OssFreePDU(void *reserved, int pdu, void *structure) {
  (void)reserved;
  if (!structure) return 0;
  OssGlobal *world = GENU_GetWorld();
  return world ? ossFreePDU(world, pdu, structure) : BER_E_INIT;
}

}  // extern "C"
