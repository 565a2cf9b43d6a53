// Printer configuration files of one test, no switch file (so the services are
// "etc" then "nis"), short registry time-outs, and the directory ended afterwards.
#ifndef KQ_INFRA_NS_TEST_NS_TEST_UTIL_H
#define KQ_INFRA_NS_TEST_NS_TEST_UTIL_H

#include "infra/ns.h"
#include "internal/prt_switch.h"
#include "printers_env.h"
#include "private/ns_internal.h"

namespace kq::ns::test {

using kq::test::ReadFile;
using kq::test::WriteFile;

// A directory object's fields as one line: "env kind name serverType serverName host
// prognum versnum auth key nameService flag" (null strings as "-").
inline std::string Text(const NS_object_t &o) {
  auto str = [](const char *s) { return std::string(s ? s : "-") + " "; };
  return std::to_string(o.env) + " " + std::to_string(o.kind) + " " + str(o.name) +
         std::to_string(o.serverType) + " " + str(o.serverName) + str(o.host) +
         std::to_string(o.prognum) + " " + std::to_string(o.versnum) + " " +
         std::to_string(o.auth) + " " + str(o.key) + str(o.nameService) + std::to_string(o.flag);
}

// NS_GetObject's answer: the object's Text, or "error <code>".
inline std::string Get(int kind, const char *name, const NS_domain_t *domain = nullptr) {
  NS_object_t *o = nullptr;
  int rc = NS_GetObject(kind, name, domain, &o);
  if (rc != NS_OK) return "error " + std::to_string(rc);
  std::string text = Text(*o);
  NS_FreeObject(o);
  return text;
}

// An address with system authentication, for writing, and the directory object of the
// same address, of kind `kind` served by `serverType`.
inline ns_dpa_addr_t Address(const char *name, int cls, const char *host, const char *server,
                             int prognum, int versnum) {
  ns_dpa_addr_t a = {};
  a.name = const_cast<char *>(name), a.host = const_cast<char *>(host), a.cls = cls;
  a.server = const_cast<char *>(server), a.prognum = prognum, a.versnum = versnum;
  a.auth = NS_AUTH_SYS;
  return a;
}
inline NS_object_t Object(const char *name, int kind, int serverType, const char *host,
                          const char *server, int prognum, int versnum) {
  NS_object_t o = {};
  o.name = const_cast<char *>(name), o.kind = kind, o.serverType = serverType;
  o.serverName = const_cast<char *>(server), o.host = const_cast<char *>(host);
  o.prognum = prognum, o.versnum = versnum, o.auth = NS_AUTH_SYS;
  return o;
}

class NsFiles : public kq::test::PrintersFiles {
 protected:
  void SetUp() override {
    ns__nsswitch_path = switchFile.c_str();  // absent until a test writes it
    env.Set("PTS_TIMEOUT", "3");
    ComputeTimeouts();
  }
  void TearDown() override {
    NS_Term();
    ns__nsswitch_path = "/etc/nsswitch.conf";
  }
  std::string switchFile = tmp / "nsswitch.conf";
};

}  // namespace kq::ns::test

#endif
