// Credentials tests run over files of their own: a passwd file, a resolver
// configuration and a name-service switch in a scratch directory, with the process
// state forgotten before and after every test so that each reads them anew.
#ifndef KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H
#define KQ_INFRA_CSECURITY_TEST_CSEC_TEST_UTIL_H

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "infra/csecurity.h"
#include "kqtest.h"

namespace kq::test {

class CredentialFiles : public ::testing::Test {
 protected:
  CredentialFiles();
  ~CredentialFiles() override;

  // The switch's passwd line ("files nis"), or no switch file when null.
  void SwitchPasswd(const char *services);
  // A resolver configuration and the default domain the resolver takes (LOCALDOMAIN);
  // a null domain removes the configuration file. The resolver is then asked only in a
  // child (InChild).
  void Resolver(const char *domain);
  // Forgets the process state so that the next call reads the files.
  void Reread();

  TempDir dir{"csec"};
  std::string passwdFile = dir / "passwd", resolvFile = dir / "resolv.conf",
              switchFile = dir / "nsswitch.conf";
  EnvGuard env;
};

// Runs `body` in a child process whose effective uid and gid are `uid` and `gid`;
// returns what the body returned (the bytes it wants checked), or "child failed: ..."
// when the child could not switch or died.
std::string RunAs(uid_t uid, gid_t gid, const std::function<std::string()> &body);

// RunAs with the test's own identity. The resolver keeps the configuration it read
// for the life of the process: a test that gives it a default domain asks in a child
// so that the next test's resolver starts afresh.
std::string InChild(const std::function<std::string()> &body);

// The host's node name, and its part before the first ".".
std::string NodeName();
std::string ShortNodeName();
std::string HostName();

}  // namespace kq::test

#endif
