#include "csec_test_util.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include "internal/csec_files.h"
#include "internal/prt_switch.h"

namespace kq::test {

CredentialFiles::CredentialFiles() {
  chmod(dir.path().c_str(), 0755);         // children running as other users read the files
  csec__passwd_path = passwdFile.c_str();  // absent until a test writes it
  csec__resolv_path = resolvFile.c_str();
  ns__nsswitch_path = switchFile.c_str();
  SwitchPasswd("files nis");
  Resolver(nullptr);
  Reread();
}

CredentialFiles::~CredentialFiles() {
  csec__passwd_path = "/etc/passwd";
  csec__resolv_path = "/etc/resolv.conf";
  ns__nsswitch_path = "/etc/nsswitch.conf";
  CSEC__Reset();
}

void CredentialFiles::SwitchPasswd(const char *services) {
  if (services)
    WriteFile(switchFile, std::string("# test switch\nhosts: files\npasswd: ") + services + "\n");
  else
    unlink(switchFile.c_str());
  Reread();
}

void CredentialFiles::Resolver(const char *domain) {
  if (domain) {
    WriteFile(resolvFile, std::string("nameserver 127.0.0.1\ndomain ") + domain + "\n");
    env.Set("LOCALDOMAIN", domain);
  } else {
    unlink(resolvFile.c_str());
    env.Set("LOCALDOMAIN", "");
  }
  Reread();
}

void CredentialFiles::Reread() { CSEC__Reset(); }

void OpenToAll(const LogCapture &log) {
  std::string file = log.file();
  chmod(file.substr(0, file.rfind('/')).c_str(), 0777);
  chmod(file.c_str(), 0666);
}

std::string InChild(const std::function<std::string()> &body) {
  return RunAs(geteuid(), getegid(), body);
}

gid_t ExpectedSysadminGid() {
  struct group *g = getgrnam("sysadmin");
  return g ? g->gr_gid : 14;
}

std::string NodeName() {
  struct utsname name;
  uname(&name);
  return name.nodename;
}

std::string ShortNodeName() {
  std::string node = NodeName();
  return node.substr(0, node.find('.'));
}

std::string HostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

}  // namespace kq::test
