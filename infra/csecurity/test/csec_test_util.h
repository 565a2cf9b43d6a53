// Credentials tests run over files of their own: a passwd file, a resolver
// configuration and a name-service switch in a scratch directory, with the process
// state forgotten before and after every test so that each reads them anew.
#ifndef KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H
#define KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "infra/as.h"
#include "infra/csecurity.h"
#include "infra/genu_value.h"
#include "internal/csec_files.h"
#include "internal/prt_switch.h"
#include "kqtest.h"
#include "private/csec_internal.h"

namespace kq::test {

class CredentialFiles : public ::testing::Test {
 protected:
  CredentialFiles() {
    chmod(dir.path().c_str(), 0755);         // children running as other users read the files
    csec__passwd_path = passwdFile.c_str();  // absent until a test writes it
    csec__resolv_path = resolvFile.c_str();
    ns__nsswitch_path = switchFile.c_str();
    SwitchPasswd("files nis");
    Resolver(nullptr);
  }
  ~CredentialFiles() override {
    csec__passwd_path = "/etc/passwd";
    csec__resolv_path = "/etc/resolv.conf";
    ns__nsswitch_path = "/etc/nsswitch.conf";
    CSEC__Reset();
  }

  // The switch's passwd line ("files nis"), or no switch file when null; the next call
  // reads it.
  void SwitchPasswd(const char *services) {
    services ? WriteFile(switchFile, std::string("hosts: files\npasswd: ") + services + "\n")
             : (void)unlink(switchFile.c_str());
    Reread();
  }
  // A resolver configuration and the default domain the resolver takes (LOCALDOMAIN);
  // a null domain removes the configuration file. The next call reads it; a resolver
  // given a domain is asked only in a child (InChild).
  void Resolver(const char *domain) {
    domain ? WriteFile(resolvFile, std::string("nameserver 127.0.0.1\ndomain ") + domain + "\n")
           : (void)unlink(resolvFile.c_str());
    env.Set("LOCALDOMAIN", domain ? domain : "");
    Reread();
  }
  // Forgets the process state so that the next call reads the files.
  void Reread() { CSEC__Reset(); }

  TempDir dir{"csec"};
  std::string passwdFile = dir / "passwd", resolvFile = dir / "resolv.conf",
              switchFile = dir / "nsswitch.conf";
  EnvGuard env;
};

// RunAs with the test's own identity. The resolver keeps the configuration it read
// for the life of the process: a test that gives it a default domain asks in a child
// so that the next test's resolver starts afresh.
inline std::string InChild(const std::function<std::string()> &body) {
  return RunAs(geteuid(), getegid(), body);
}

// The PAC of the effective user as its 2596 bytes, or "rc N" when there is none.
inline std::string BuildPac() {
  SEC_pac_t pac;
  int size = 0;
  int rc = GetUserPacForONC(&pac, &size);
  if (rc != SEC_OK || size != sizeof pac) return "rc " + std::to_string(rc);
  return std::string(reinterpret_cast<const char *>(&pac), sizeof pac);
}

// The PAC bytes in a set's privileges value, or why there are none.
inline std::string PacInSet(AS_setHandle_t set) {
  StatusList status;
  void *value = nullptr;
  if (AS_GetAttrVal(status, set, 97, &value) != 0) return "no privileges" + status.Text();
  const GEN_External_t *pac = static_cast<GEN_Privileges_t *>(value)->operation;
  return std::string(reinterpret_cast<const char *>(pac->u.octets.value), pac->u.octets.length);
}

// The PAC record expected at the offsets of the wire layout (version 1001).
inline std::string PacLayout(const std::string &user, const std::string &userDomain,
                             int32_t userType, const std::string &host,
                             const std::string &hostDomain, int32_t hostType) {
  std::string bytes(2596, '\0');
  const int32_t version = 1001;
  for (auto [offset, from, length] : {std::tuple<size_t, const void *, size_t>{0, &version, 4},
                                      {8, user.data(), user.size()},
                                      {264, userDomain.data(), userDomain.size()},
                                      {1288, &userType, 4},
                                      {1292, host.data(), host.size()},
                                      {1548, hostDomain.data(), hostDomain.size()},
                                      {2572, &hostType, 4}})
    memcpy(&bytes[offset], from, length);
  return bytes;
}

// The first byte where two records differ, for a readable failure; "" when equal.
inline std::string FirstDifference(const std::string &got, const std::string &want) {
  if (got.size() != want.size()) return "size " + std::to_string(got.size()) + ": " + got;
  auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin());
  if (g == got.end()) return "";
  return "offset " + std::to_string(g - got.begin()) + ": got " + std::to_string(*g & 0xff) +
         " want " + std::to_string(*w & 0xff);
}

// The host's node name and its part before the first "."; the host name.
inline std::string NodeName() {
  struct utsname name;
  uname(&name);
  return name.nodename;
}
inline std::string ShortNodeName() { return NodeName().substr(0, NodeName().find('.')); }
inline std::string HostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

}  // namespace kq::test

#endif
