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

TEST(SupervisorEvents, SignatureFunctionsFrameTheRequest) {
  const struct {
    const char *name;
    const char *serverName;  // in the common arguments, or none
    uint32_t signatureAnswer;
    const char *expected;
  } rows[] = {
      // Named by the common arguments; the request then fails (the directory is not
      // open), so the signature is destroyed.
      {"signed for the server named", "sv-z", 0, "1 0xc0090098 | sign:sv-z free destroy "},
      // GetSignature refuses: translated, nothing else called.
      {"the signature refused", "sv-z", 100, "1 0xc0090095 | sign:sv-z "},
      // No name and no connected server: nothing to sign for.
      {"nobody to sign for", nullptr, 0, "1 0xc009006e | "},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    signatureAnswer = row.signatureAnswer;
    std::string seen = AsSupervisor([&](Status &s) {
      AS_setHandle_t common = AS_nullSetHandle;
      AS_Create(s, &common, nullptr, 0);
      if (row.serverName) {
        GEN_SimpleName_t *name = nullptr;
        GENU_MakeSimpleName(s, &name, row.serverName, nullptr);
        AS_AddAttrVal(s, common, kServerName, 27, name, &GENU_SimpleNameDesc, nullptr);
      }
      GEN_NameOrOID_t event{};
      event.choice = 1;
      event.u.oid = 369;
      AS_setHandle_t *result = nullptr;
      const int rc = JQP_SendEvent_C(s, &event, nullptr, nullptr, common, &result, nullptr);
      const std::string out = std::to_string(rc) + s.Text() + " | " + calls;
      AS_Destroy(s, &common);
      return out;
    });
    EXPECT_EQ(seen, row.expected);
  }
}

TEST(SupervisorEvents, TheReplysSignaturePacGoesToTheHandshake) {
  const struct {
    const char *name;
    const char *pac;  // or none
    uint32_t answer;
    const char *expected;
  } rows[] = {
      {"accepted", "pac-bytes", 0, "0 | handshake:pac-bytes "},
      {"refused", "pac-bytes", 101, "1 0xc0090099 | handshake:pac-bytes "},
      {"no signature in the reply", nullptr, 0, "1 0xc0090093 | "},
  };
  for (auto &row : rows) {
    SCOPED_TRACE(row.name);
    handshakeAnswer = row.answer;
    std::string seen = AsSupervisor([&](Status &s) {
      AS_setHandle_t reply = AS_nullSetHandle;
      AS_Create(s, &reply, nullptr, 0);
      if (row.pac) {
        auto *pac = static_cast<GEN_OctetString_t *>(calloc(1, sizeof(GEN_OctetString_t)));
        pac->length = static_cast<int32_t>(strlen(row.pac));
        pac->value = static_cast<unsigned char *>(malloc(pac->length));
        memcpy(pac->value, row.pac, pac->length);  // no terminator of its own
        AS_AddAttrVal(s, reply, kSignaturePac, 20, pac, &GENU_OctetStringDesc, nullptr);
      }
      JQP_signatureContext_t context{1, nullptr, nullptr};
      s.Clear();
      const int rc = kq::jqp::StartHandShake(s, reply, &context);
      std::string out = std::to_string(rc) + s.Text();
      AS_Destroy(s, &reply);
      return out + " | " + calls;
    });
    EXPECT_EQ(seen, row.expected);
  }
}

}  // namespace
