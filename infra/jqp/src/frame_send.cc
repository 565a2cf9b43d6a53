// One request and its reply: the argument record encoded through the thread's coding
// world, sent as the request procedure with the operation number, the reply's result
// and error packets decoded; every failure of the chain mapped onto a status code.
#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_client.h"
#include "private/jqp_pdu.h"

namespace kq::jqp {

uint32_t RpcStatusCode(int rpcStatus) {
  switch (rpcStatus) {
    case RPC_CANTRECV:
    case RPC_TIMEDOUT:
      return JQP_ST_RPC_NO_REPLY;
    case RPC_VERSMISMATCH:
    case RPC_PROGUNAVAIL:
    case RPC_PROGVERSMISMATCH:
      return JQP_ST_RPC_PROGRAM;
    case RPC_AUTHERROR:
      return JQP_ST_RPC_AUTH;
    default:
      return JQP_ST_RPC_FAILED;
  }
}

namespace {

int ThreadId() { return static_cast<int>(pthread_self()); }

// The failed call's report at level 5: the RPC error text, the status and the
// packet that was sent.
void LogCallFailure(CLIENT *client, int rpcStatus, const encodePacket *sent) {
  if (!LOG_START_MESSAGE(LOG_SEV_DIAG, nullptr)) return;
  LOG_CondAdd("%s\n", clnt_sperror(client, const_cast<char *>("jqp_request_1 failed:")));
  LOG_CondAdd("rpcStat = %d\n", rpcStatus);
  JQP__EchoPacket(sent);
  LOG_EndMessage();
}

// A local-only request: the encoding must decode back as the argument record.
int CheckLocally(STF_statusList_t *status, int pdu, OssBuf *encoded) {
  LOG_COND_MESSAGE(LOG_SEV_INFO, "local_only: decoding, length = %d...\n", encoded->length);
  void *scratch = nullptr;
  int decoded = pdu;
  int rc = GENU_OssDecode(nullptr, &decoded, encoded, &scratch);
  free(encoded->value);
  if (rc || !scratch) {
    if (scratch) GENU_OssFreePDU(nullptr, decoded, scratch);
    return STF__Fail(status, JQP_ST_DECODE);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "local_only: decoded okay, pdunum=%d\n", decoded);
  GENU_OssFreePDU(nullptr, decoded, scratch);
  return 0;
}

// The reply's result packet as record `pdu` into *out (nothing for an empty packet).
int DecodeResult(STF_statusList_t *status, int pdu, const encodePacket &packet, void **out) {
  if (packet.encodePacket_len == 0) return 0;
  LOG_COND_MESSAGE(LOG_SEV_INFO, "BerEncodeAndSend: decoding result, pdunum=%d...\n", pdu);
  OssBuf encoded{static_cast<int32_t>(packet.encodePacket_len),
                 reinterpret_cast<unsigned char *>(packet.encodePacket_val)};
  int decoded = pdu;
  if (GENU_OssDecode(nullptr, &decoded, &encoded, out) || !*out) {
    if (*out) GENU_OssFreePDU(nullptr, decoded, *out);
    *out = nullptr;
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "BerEncodeAndSend: Decode result failed on thread %d\n",
                     ThreadId());
    return STF__Fail(status, JQP_ST_DECODE);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "BerEncodeAndSend: result decoded okay, pdunum=%d\n", pdu);
  if (JQP__printPDU) {
    fputs("BerEncodeAndSend: printing result PDU...\n", stderr);
    GENU_OssPrintPDU(nullptr, pdu, *out);
  }
  return 0;
}

}  // namespace
}  // namespace kq::jqp

using namespace kq::jqp;

extern "C" {

void JQP__EchoPacket(const encodePacket *packet) {
  uint32_t length = packet ? packet->encodePacket_len : 0;
  for (uint32_t i = 0; i < length; ++i) {
    if (i % 20 == 0)
      LOG_CondAdd("\n%d\t", static_cast<int>(i));
    else if (i % 10 == 0)
      LOG_AddText("  ");
    LOG_CondAdd("%.2X", static_cast<unsigned char>(packet->encodePacket_val[i]));
  }
  LOG_AddText("\n");
}

int JQP__FreeResults(void *result, int32_t operation) {
  if (result && operation >= 0 && operation < kOperations)
    GENU_OssFreePDU(nullptr, pduresults[operation], result);
  return 0;
}

int JQP__BerEncodeAndSend(STF_statusList_t *status, int32_t operation, void *argument,
                          void **result, ERDPA_errorResult_t **error) {
  JQP_clientHandle_t *handle = JQP__GetClientHandle();
  if (!handle) return STF__Fail(status, JQP_ST_BAD_REQUEST);
  if (result) *result = nullptr;
  if (error) *error = nullptr;
  if (operation < 0 || operation >= kOperations || pduargs[operation] <= 0)
    return STF__Fail(status, JQP_ST_BAD_REQUEST);
  JQP_result_t reply{};
  JQP_argument_t request{};
  const int argPdu = pduargs[operation], resPdu = pduresults[operation];

  if (JQP__printPDU) {
    fputs("BerEncodeAndSend: printing PDU...\n", stderr);
    GENU_OssPrintPDU(nullptr, argPdu, argument);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "BerEncodeAndSend: encoding... ArgPDU=%d, ResPDU=%d, tid=%d\n",
                   argPdu, resPdu, ThreadId());
  OssBuf encoded{0, nullptr};
  if (GENU_OssEncode(nullptr, argPdu, argument, &encoded)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "BerEncodeAndSend: Encode failed on thread %d\n", ThreadId());
    free(encoded.value);
    return STF__Fail(status, JQP_ST_ENCODE);
  }
  LOG_COND_MESSAGE(LOG_SEV_INFO, "BerEncodeAndSend: encoded okay, length = %d\n", encoded.length);
  if (handle->mode == JQP_MODE_LOCAL || !handle->rpcClient)
    return CheckLocally(status, argPdu, &encoded);

  request.requestType = operation;
  request.packet.encodePacket_len = static_cast<uint32_t>(encoded.length);
  request.packet.encodePacket_val = reinterpret_cast<char *>(encoded.value);
  struct timeval timeout = {0, 0};
  if (!clnt_control(handle->rpcClient, CLGET_TIMEOUT, reinterpret_cast<char *>(&timeout)))
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "CLGET_TIMEOUT failed");
  LOG_COND_MESSAGE(LOG_SEV_INFO,
                   "Before calling jqp_request_1, time=%d, timeout= %d secs, tid=%d\n",
                   static_cast<int>(time(nullptr)), static_cast<int>(timeout.tv_sec), ThreadId());
  int rpcStatus = jqp_request_1(&request, &reply, handle->rpcClient);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "After calling jqp_request_1, time=%d, tid=%d, rpcStat=%d\n",
                   static_cast<int>(time(nullptr)), ThreadId(), rpcStatus);
  if (rpcStatus != RPC_SUCCESS) {
    LogCallFailure(handle->rpcClient, rpcStatus, &request.packet);
    free(encoded.value);
    // A reply that failed to decode part way may have left packets behind.
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), reinterpret_cast<char *>(&reply));
    return STF__Fail(status, RpcStatusCode(rpcStatus));
  }
  free(encoded.value);

  void *decoded = nullptr;
  ERDPA_errorResult_t *dpaError = nullptr;
  int failed = DecodeResult(status, resPdu, reply.result, &decoded);
  if (!failed && reply.error.encodePacket_len > 0 &&
      JQP_ErrorDecode(status, reply.errorType, reply.error.encodePacket_val,
                      static_cast<int32_t>(reply.error.encodePacket_len), &dpaError)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "BerEncodeAndSend: Decode error failed on thread %d\n",
                     ThreadId());
    STF_AddStatus(status, JQP_ST_DECODE, 0);
    failed = 1;
  }
  clnt_freeres(handle->rpcClient, reinterpret_cast<xdrproc_t>(xdr_JQP_result_t),
               reinterpret_cast<char *>(&reply));
  if (failed) {
    if (decoded) GENU_OssFreePDU(nullptr, resPdu, decoded);
    return 1;
  }
  if (result)
    *result = decoded;
  else if (decoded)
    GENU_OssFreePDU(nullptr, resPdu, decoded);
  if (error)
    *error = dpaError;
  else if (dpaError)
    ERDPA_FreeError(kq::stf::ScratchList(), dpaError);
  return 0;
}

}  // extern "C"
