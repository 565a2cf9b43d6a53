// kq whoami over a passwd file, switch and resolver configuration of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <string>

#include "captured.h"
#include "internal/csec_files.h"
#include "internal/prt_switch.h"
#include "kqtest.h"
#include "whoami_cmd.h"

namespace {

using kq::test::Captured;

std::string Node() {
  struct utsname name;
  uname(&name);
  return name.nodename;
}

std::string Host() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

class KqWhoami : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(dir.path().c_str(), 0755);  // read by children running as other users
    kq::test::WriteFile(passwdFile, "root:x:0:0::/root:/bin/sh\ndaemon:x:1:1::/:/bin/sh\n");
    kq::test::WriteFile(switchFile, "passwd: files nis\n");
    csec__passwd_path = passwdFile.c_str();
    csec__resolv_path = (dir / "no-resolv.conf").c_str();
    ns__nsswitch_path = switchFile.c_str();
    CSEC__Reset();
  }
  void TearDown() override {
    csec__passwd_path = "/etc/passwd";
    csec__resolv_path = "/etc/resolv.conf";
    ns__nsswitch_path = "/etc/nsswitch.conf";
    CSEC__Reset();
  }
  // `kq whoami` run as `uid`: the exit status, the output and the error output.
  static std::string Run(unsigned uid, bool json) {
    return kq::test::RunAs(uid, uid, [json] {
      Captured c;
      int rc = kq_whoami_run(json, c.out, c.err);
      return std::to_string(rc) + "\n" + c.Out() + c.Err();
    });
  }
  kq::test::TempDir dir{"whoami"};
  std::string passwdFile = dir / "passwd", switchFile = dir / "nsswitch.conf";
};

TEST_F(KqWhoami, PrintsThePacAndTheSystemCredentials) {
  std::string shortNode = Node().substr(0, Node().find('.'));
  EXPECT_EQ(Run(0, false),
            "0\n"
            "PAC (2596 bytes, version 1001)\n"
            "  user:              root\n"
            "  user domain:       " +
                Host() +
                "\n"
                "  user domain type:  0 id-val-dist-name-syntax-file\n"
                "  host:              " +
                shortNode +
                "\n"
                "  host domain:       " +
                Host() +
                "\n"
                "  host domain type:  0 id-val-dist-name-syntax-file\n"
                "system credentials\n"
                "  uid:               0\n"
                "  gid:               0\n"
                "  groups:            0\n"
                "  machine:           " +
                Node() + "\n");
}

TEST_F(KqWhoami, JsonNamesAnotherLocalUser) {
  std::string shortNode = Node().substr(0, Node().find('.'));
  EXPECT_EQ(Run(1, true),
            "0\n{\"pac\": {\"version\": 1001, \"user\": \"daemon\", \"user_domain\": \"" + Host() +
                "\", \"user_domain_type\": 0, \"user_domain_syntax\": "
                "\"id-val-dist-name-syntax-file\", \"host\": \"" +
                shortNode + "\", \"host_domain\": \"" + Host() +
                "\", \"host_domain_type\": 0, \"host_domain_syntax\": "
                "\"id-val-dist-name-syntax-file\"}, \"credentials\": {\"uid\": 1, \"gid\": 1, "
                "\"groups\": [1], \"machine\": \"" +
                Node() + "\"}}\n");
}

TEST_F(KqWhoami, UserWithoutAnEntryFails) {
  EXPECT_EQ(Run(54321, false),
            "1\nkq whoami: no PAC for this user (result 100, see the service log)\n");
}

}  // namespace
