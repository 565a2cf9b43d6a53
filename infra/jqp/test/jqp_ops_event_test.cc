// Events sent by a supervisor: which server the event is signed for, the signature
// functions called around a request that fails, and the handshake with the reply's
// signature PAC. The process type is fixed per process, so each case runs in a child.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "jqp_frame_support.h"
#include "kqtest.h"
#include "private/jqp_client.h"
#include "private/jqp_ops_int.h"

namespace {

using kq::jqp::test::InChild;
using Status = kq::test::StatusList;

constexpr uint32_t kServerName = 871, kSignaturePac = 3002;

// Test double: a security table whose functions write down their calls (and the signer
// name or the handshake bytes they were given) and answer what the case asks.
std::string calls;
uint32_t signatureAnswer = 0, handshakeAnswer = 0;
uint32_t Refuse(void *, void *) { return 0xc009009au; }
uint32_t AddPac(void *, void *) { return (calls += "pac ", 0); }
uint32_t GetSignature(void *signer, void *context) {
  Status s;
  char *name = nullptr;
  GENU_ExtractSimpleName(s, &name, static_cast<GEN_SimpleName_t *>(signer), nullptr);
  calls += std::string("sign:") + (name ? name : "?") + " ";
  free(name);
  static_cast<JQP_signatureContext_t *>(context)->handshake = 1;
  return signatureAnswer;
}
uint32_t FreeSignature(void *, void *) { return (calls += "free ", 0); }
uint32_t DestroySignature(void *, void *) { return (calls += "destroy ", 0); }
uint32_t HandShake(void *pac, void *) {
  calls += std::string("handshake:") + static_cast<char *>(pac) + " ";
  return handshakeAnswer;
}
const JQP_secFunction_t kTable[JQP_SEC_SLOTS] = {
    Refuse, Refuse, Refuse,       AddPac,           Refuse,    Refuse, FreeSignature,
    Refuse, Refuse, GetSignature, DestroySignature, HandShake, Refuse};

// In a child declared a supervisor with a local-only handle: `body`'s text.
std::string AsSupervisor(const std::function<std::string(Status &)> &body) {
  return InChild([&] {
    calls.clear();
    if (JQP_ServerInit(JQP_SERVER_SUPERVISOR, kTable) != 0) return std::string("no server");
    Status s;
    GEN_ObjectIdent_t empty = kq::jqp::test::SimpleName("");
    if (JQP_Initialize(s, NS_KIND_SERVER, &empty)) return "no handle" + s.Text();
    return body(s);
  });
}

// The server named in the common arguments (or none), GetSignature's answer, and what
// the request and the table's functions did. Named, the request then fails (the
// directory is not open) and the signature is destroyed; a refused signature is
// translated with nothing else called; with no name and no connected server there is
// nobody to sign for.
TEST(SupervisorEvents, SignatureFunctionsFrameTheRequest) {
  for (auto [serverName, answer, expected] :
       {std::tuple<const char *, uint32_t, const char *>{"sv-z", 0,
                                                         "1 0xc0090098 | sign:sv-z free destroy "},
        {"sv-z", 100, "1 0xc0090095 | sign:sv-z "},
        {nullptr, 0, "1 0xc009006e | "}}) {
    SCOPED_TRACE(expected);
    signatureAnswer = answer;
    EXPECT_EQ(AsSupervisor([&, serverName = serverName](Status &s) {
                AS_setHandle_t common = AS_nullSetHandle;
                AS_Create(s, &common, nullptr, 0);
                GEN_SimpleName_t *name = nullptr;
                if (serverName && GENU_MakeSimpleName(s, &name, serverName, nullptr) == 0)
                  AS_AddAttrVal(s, common, kServerName, 27, name, &GENU_SimpleNameDesc, nullptr);
                GEN_NameOrOID_t event{};
                event.choice = 1;
                event.u.oid = 369;
                AS_setHandle_t *result = nullptr;
                const int rc =
                    JQP_SendEvent_C(s, &event, nullptr, nullptr, common, &result, nullptr);
                const std::string out = std::to_string(rc) + s.Text() + " | " + calls;
                AS_Destroy(s, &common);
                return out;
              }),
              expected);
  }
}

// The reply's signature PAC (or none) goes to the handshake, whose answer decides.
TEST(SupervisorEvents, TheReplysSignaturePacGoesToTheHandshake) {
  for (auto [pac, answer, expected] : {std::tuple<const char *, uint32_t, const char *>{
                                           "pac-bytes", 0, "0 | handshake:pac-bytes "},
                                       {"pac-bytes", 101, "1 0xc0090099 | handshake:pac-bytes "},
                                       {nullptr, 0, "1 0xc0090093 | "}}) {
    SCOPED_TRACE(expected);
    handshakeAnswer = answer;
    EXPECT_EQ(
        AsSupervisor([&, pac = pac](Status &s) {
          AS_setHandle_t reply = AS_nullSetHandle;
          AS_Create(s, &reply, nullptr, 0);
          if (pac) {  // octets without a terminator of their own
            auto *octets = static_cast<GEN_OctetString_t *>(malloc(sizeof(GEN_OctetString_t)));
            octets->length = static_cast<int32_t>(strlen(pac));
            octets->value =
                static_cast<unsigned char *>(memcpy(malloc(octets->length), pac, octets->length));
            AS_AddAttrVal(s, reply, kSignaturePac, 20, octets, &GENU_OctetStringDesc, nullptr);
          }
          JQP_signatureContext_t context{1, nullptr, nullptr};
          s.Clear();
          const int rc = kq::jqp::StartHandShake(s, reply, &context);
          const std::string out = std::to_string(rc) + s.Text();
          AS_Destroy(s, &reply);
          return out + " | " + calls;
        }),
        expected);
  }
}

}  // namespace
