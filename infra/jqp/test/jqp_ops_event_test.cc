// Events sent by a supervisor: the event is signed for the server the common arguments
// name, and the signature is freed and destroyed around a request that then fails. The
// process type is fixed per process, so the case runs in a child.
#include <gtest/gtest.h>

#include <string>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "jqp_frame_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"

namespace {

using Status = kq::test::StatusList;

constexpr uint32_t kServerName = 871;

// Test double: a security table whose signature functions write down their calls (and
// the signer's name); every other slot refuses.
std::string calls;
uint32_t Refuse(void *, void *) { return 0xc009009au; }
uint32_t GetSignature(void *signer, void *context) {
  Status s;
  char *name = nullptr;
  GENU_ExtractSimpleName(s, &name, static_cast<GEN_SimpleName_t *>(signer), nullptr);
  calls += std::string("sign:") + (name ? name : "?") + " ";
  free(name);
  static_cast<JQP_signatureContext_t *>(context)->handshake = 1;
  return 0;
}
uint32_t FreeSignature(void *, void *) { return (calls += "free ", 0); }
uint32_t DestroySignature(void *, void *) { return (calls += "destroy ", 0); }
const JQP_secFunction_t kTable[JQP_SEC_SLOTS] = {
    Refuse, Refuse, Refuse,       Refuse,           Refuse, Refuse, FreeSignature,
    Refuse, Refuse, GetSignature, DestroySignature, Refuse, Refuse};

// A supervisor with a local-only handle sends an event for server sv-z: the signature is
// made for sv-z, then the request fails (the directory is not open) and the signature
// is freed and destroyed.
TEST(SupervisorEvents, AnEventIsSignedForTheNamedServerAndTheSignatureReleased) {
  EXPECT_EQ(kq::jqp::test::InChild([] {
              if (JQP_ServerInit(JQP_SERVER_SUPERVISOR, kTable) != 0) return std::string("no");
              Status s;
              GEN_ObjectIdent_t empty = kq::jqp::test::SimpleName("");
              if (JQP_Initialize(s, NS_KIND_SERVER, &empty)) return "no handle" + s.Text();
              AS_setHandle_t common = AS_nullSetHandle;
              AS_Create(s, &common, nullptr, 0);
              GEN_SimpleName_t *name = nullptr;
              GENU_MakeSimpleName(s, &name, "sv-z", nullptr);
              AS_AddAttrVal(s, common, kServerName, 27, name, &GENU_SimpleNameDesc, nullptr);
              GEN_NameOrOID_t event{};
              event.choice = 1;
              event.u.oid = 369;
              AS_setHandle_t *result = nullptr;
              const int rc = JQP_SendEvent_C(s, &event, nullptr, nullptr, common, &result, nullptr);
              const std::string out = std::to_string(rc) + s.Text() + " | " + calls;
              AS_Destroy(s, &common);
              return out;
            }),
            "1 0xc0090098 | sign:sv-z free destroy ");
}

}  // namespace
