// Credentials tests run over files of their own: a passwd file, a resolver
// configuration and a name-service switch in a scratch directory, with the process
// state forgotten before and after every test so that each reads them anew.
#ifndef KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H
#define KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "infra/as.h"
#include "infra/csecurity.h"
#include "kqtest.h"

namespace kq::test {

class CredentialFiles : public ::testing::Test {
 protected:
  CredentialFiles();
  ~CredentialFiles() override;

  // The switch's passwd line ("files nis"), or no switch file when null; the next call
  // reads it.
  void SwitchPasswd(const char *services);
  // A resolver configuration and the default domain the resolver takes (LOCALDOMAIN);
  // a null domain removes the configuration file. The next call reads it; a resolver
  // given a domain is asked only in a child (InChild).
  void Resolver(const char *domain);
  // Forgets the process state so that the next call reads the files.
  void Reread();

  TempDir dir{"csec"};
  std::string passwdFile = dir / "passwd", resolvFile = dir / "resolv.conf",
              switchFile = dir / "nsswitch.conf";
  EnvGuard env;
};

// RunAs with the test's own identity. The resolver keeps the configuration it read
// for the life of the process: a test that gives it a default domain asks in a child
// so that the next test's resolver starts afresh.
std::string InChild(const std::function<std::string()> &body);

// The PAC of the effective user as its 2596 bytes, or "rc N" when there is none.
std::string BuildPac();
// The PAC bytes in a set's privileges value, or why there are none.
std::string PacInSet(AS_setHandle_t set);
// The PAC record expected at the offsets of the wire layout (version 1001).
std::string PacLayout(const std::string &user, const std::string &userDomain, int32_t userType,
                      const std::string &host, const std::string &hostDomain, int32_t hostType);
// The first byte where two records differ, for a readable failure; "" when equal.
std::string FirstDifference(const std::string &got, const std::string &want);

// The group of an administrator's credentials: "sysadmin", else 14.
gid_t ExpectedSysadminGid();
// The host's node name, its part before the first ".", and the host name.
std::string NodeName();
std::string ShortNodeName();
std::string HostName();

}  // namespace kq::test

#endif
