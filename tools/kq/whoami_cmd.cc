#include "whoami_cmd.h"

#include <rpc/rpc.h>

#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "infra/as.h"
#include "infra/csecurity.h"
#include "infra/genu_oid.h"
#include "infra/genu_value.h"
#include "infra/stf.h"

namespace {

constexpr uint32_t kPrivilegesAttr = 97;  // id-att-privileges

struct Credentials {
  std::string machine;
  unsigned uid = 0, gid = 0;
  std::vector<unsigned> groups;
};

// The PAC exactly as SEC_AddPAC_C puts it into a request's common arguments.
int ReadPac(SEC_pac_t *pac) {
  STF_statusList_t *status = STF_CreateList(nullptr);
  AS_setHandle_t set = nullptr;
  int rc = SEC_FAILURE;
  void *value = nullptr;
  if (AS_Create(status, &set, nullptr, 0) == 0) {
    rc = SEC_AddPAC_C(0, set);
    if (rc == SEC_OK && AS_GetAttrVal(status, set, kPrivilegesAttr, &value) == 0) {
      const GEN_External_t *certificate = static_cast<GEN_Privileges_t *>(value)->operation;
      if (certificate && certificate->u.octets.length == static_cast<int32_t>(sizeof *pac))
        memcpy(pac, certificate->u.octets.value, sizeof *pac);
      else
        rc = SEC_FAILURE;
    }
    AS_Destroy(status, &set);
  }
  STF_DeleteList(status);
  return rc;
}

// The system credentials as an RPC client would send them.
int ReadCredentials(Credentials *out) {
  AUTH *auth = nullptr;
  SEC_selector_t selector = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
  int rc = SEC_AddCredential_C(&selector, &auth);
  if (rc != SEC_OK) return rc;
  XDR xdr;
  xdrmem_create(&xdr, auth->ah_cred.oa_base, auth->ah_cred.oa_length, XDR_DECODE);
  struct authunix_parms parms = {};
  if (auth->ah_cred.oa_flavor == AUTH_SYS && xdr_authunix_parms(&xdr, &parms)) {
    out->machine = parms.aup_machname;
    out->uid = parms.aup_uid;
    out->gid = parms.aup_gid;
    out->groups.assign(parms.aup_gids, parms.aup_gids + parms.aup_len);
    xdr_free(reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_authunix_parms)),
             reinterpret_cast<char *>(&parms));
  } else {
    rc = SEC_FAILURE;
  }
  xdr_destroy(&xdr);
  auth_destroy(auth);
  return rc;
}

// The name of the syntax a PAC's domain type code stands for.
std::string SyntaxName(int type) {
  for (uint32_t syntax : {SEC_SYNTAX_FILE, SEC_SYNTAX_NIS, SEC_SYNTAX_DNS}) {
    const char *name = GENU_ShortOIDToAscii(syntax);
    if (SEC_Shoid2DomType(syntax) == type && name) return name;
  }
  return "";
}

std::string Json(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

int kq_whoami_run(bool json, FILE *out, FILE *err) {
  SEC_pac_t pac;
  int rc = ReadPac(&pac);
  if (rc != SEC_OK) {
    fprintf(err, "kq whoami: no PAC for this user (result %d, see the service log)\n", rc);
    return 1;
  }
  Credentials cred;
  rc = ReadCredentials(&cred);
  if (rc != SEC_OK) {
    fprintf(err, "kq whoami: no system credentials (result %d)\n", rc);
    return 1;
  }
  std::string groups;
  for (size_t i = 0; i < cred.groups.size(); ++i)
    groups += (i ? "," : "") + std::to_string(cred.groups[i]);
  if (json) {
    fprintf(out,
            "{\"pac\": {\"version\": %d, \"user\": %s, \"user_domain\": %s, "
            "\"user_domain_type\": %d, \"user_domain_syntax\": %s, \"host\": %s, "
            "\"host_domain\": %s, \"host_domain_type\": %d, \"host_domain_syntax\": %s}, "
            "\"credentials\": {\"uid\": %u, \"gid\": %u, \"groups\": [%s], \"machine\": %s}}\n",
            pac.version, Json(pac.userName).c_str(), Json(pac.userDomainName).c_str(),
            pac.userDomainType, Json(SyntaxName(pac.userDomainType)).c_str(),
            Json(pac.hostName).c_str(), Json(pac.hostDomainName).c_str(), pac.hostDomainType,
            Json(SyntaxName(pac.hostDomainType)).c_str(), cred.uid, cred.gid, groups.c_str(),
            Json(cred.machine).c_str());
    return 0;
  }
  fprintf(out, "PAC (%zu bytes, version %d)\n", sizeof pac, pac.version);
  fprintf(out, "  user:              %s\n", pac.userName);
  fprintf(out, "  user domain:       %s\n", pac.userDomainName);
  fprintf(out, "  user domain type:  %d %s\n", pac.userDomainType,
          SyntaxName(pac.userDomainType).c_str());
  fprintf(out, "  host:              %s\n", pac.hostName);
  fprintf(out, "  host domain:       %s\n", pac.hostDomainName);
  fprintf(out, "  host domain type:  %d %s\n", pac.hostDomainType,
          SyntaxName(pac.hostDomainType).c_str());
  fprintf(out, "system credentials\n");
  fprintf(out, "  uid:               %u\n", cred.uid);
  fprintf(out, "  gid:               %u\n", cred.gid);
  fprintf(out, "  groups:            %s\n", groups.c_str());
  fprintf(out, "  machine:           %s\n", cred.machine.c_str());
  return 0;
}

namespace {

kq::tool::Command AddWhoami(CLI::App &app) {
  static bool json = false;
  CLI::App *sub =
      app.add_subcommand("whoami", "Show the PAC and the system credentials sent to a server");
  sub->add_flag("--json", json, "one JSON object");
  return {sub, [] { return kq_whoami_run(json, stdout, stderr); }};
}
KQ_COMMAND(AddWhoami);

}  // namespace
