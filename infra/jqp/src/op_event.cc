// Events sent by a supervisor: each is signed through the process's security table
// for the server it goes to, and a reply that carries the server's signature PAC
// completes the handshake the signature asked for.
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_client.h"
#include "private/jqp_ops_int.h"

namespace kq::jqp {
namespace {

constexpr uint32_t kAssociatedQueue = 3000, kPrinterName = 649, kServerName = 871;
constexpr uint32_t kSignaturePac = 3002;  // id-att-int-server-signature-pac, an octet string
constexpr uint32_t kCredentials = 0xc0090093u, kNoMemory = 0xc0090078u;

uint32_t Slot(int slot, void *first, void *second) {
  return JQP__secFuncTable[slot](first, second);
}

// The simple name `set` holds in `id`, or null.
const GEN_SimpleName_t *NameIn(AS_setHandle_t set, uint32_t id) {
  void *value = nullptr;
  if (!set || AS_GetAttrVal(kq::stf::ScratchList(), set, id, &value)) return nullptr;
  return static_cast<const GEN_SimpleName_t *>(value);
}

}  // namespace

int SignerName(STF_statusList_t *status, AS_setHandle_t common, GEN_SimpleName_t *out) {
  static const struct {
    uint32_t id;
    int32_t kind;  // 0: the name itself
  } kChoices[] = {{kAssociatedQueue, 6}, {kPrinterName, 2}, {kServerName, 0}};
  for (const auto &choice : kChoices) {
    const GEN_SimpleName_t *name = NameIn(common, choice.id);
    if (!name) continue;
    if (choice.kind == 0) {
      *out = *name;
      return 0;
    }
    GEN_ObjectIdent_t object{};
    object.choice = 7;
    object.u.name = *name;
    return JQP__GetAssociatedServerName(status, choice.kind, &object, out);
  }
  return JQP__GetPeerServerName(status, out);
}

int StartHandShake(STF_statusList_t *status, AS_setHandle_t reply,
                   JQP_signatureContext_t *context) {
  void *value = nullptr;
  if (AS_GetAttrVal(kq::stf::ScratchList(), reply, kSignaturePac, &value) || !value)
    return STF__Fail(status, kCredentials);
  const auto *pac = static_cast<const GEN_OctetString_t *>(value);
  const size_t length = pac->length > 0 ? static_cast<size_t>(pac->length) : 0;
  auto *copy = static_cast<char *>(malloc(length + 1));
  if (!copy) return STF__Fail(status, kNoMemory);
  if (length) memcpy(copy, pac->value, length);
  copy[length] = '\0';
  const uint32_t rc = Slot(JQP_SEC_HAND_SHAKE, copy, context);
  free(copy);
  return rc ? JQP__AddStatusSEC(status, static_cast<int>(rc)) : 0;
}

int SendSignedEvent(STF_statusList_t *status, const OpArgs &args, AS_setHandle_t **result,
                    ERDPA_errorResult_t **error) {
  if (!status) return 1;
  if (result) *result = nullptr;
  if (error) *error = nullptr;
  GEN_SimpleName_t signer{};
  if (SignerName(status, args.common, &signer)) return 1;
  JQP_signatureContext_t context{};
  if (uint32_t rc = Slot(JQP_SEC_GET_SIGNATURE, &signer, &context))
    return JQP__AddStatusSEC(status, static_cast<int>(rc));
  Slot(JQP_SEC_FREE_SIGNATURE, &context, nullptr);

  AS_setHandle_t *reply = nullptr;
  int rc = Run(kSendEvent, status, args, reinterpret_cast<void **>(&reply), error);
  if (rc == 0 && reply && context.handshake == 1 && StartHandShake(status, *reply, &context)) {
    kq::stf::ScratchList scratch;
    AS_Destroy(scratch, reply);
    free(reply);
    reply = nullptr;
    if (error && *error) ERDPA_FreeError(scratch, *error), *error = nullptr;
    rc = 1;
  }
  if (rc) {
    Slot(JQP_SEC_DESTROY_SIGNATURE, &context, nullptr);
    return 1;
  }
  if (result)
    *result = reply;
  else if (reply)
    AS_Destroy(kq::stf::ScratchList(), reply), free(reply);
  return 0;
}

}  // namespace kq::jqp
