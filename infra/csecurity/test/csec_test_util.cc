#include "csec_test_util.h"

#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include "internal/csec_files.h"
#include "internal/prt_switch.h"

namespace kq::test {

CredentialFiles::CredentialFiles() {
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
}

void CredentialFiles::Resolver(const char *domain) {
  if (domain) {
    WriteFile(resolvFile, std::string("nameserver 127.0.0.1\ndomain ") + domain + "\n");
    env.Set("LOCALDOMAIN", domain);
  } else {
    unlink(resolvFile.c_str());
    env.Set("LOCALDOMAIN", "");
  }
}

void CredentialFiles::Reread() { CSEC__Reset(); }

std::string RunAs(uid_t uid, gid_t gid, const std::function<std::string()> &body) {
  int fds[2];
  if (pipe(fds) != 0) return "child failed: pipe";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string out;
    if (setegid(gid) != 0 || seteuid(uid) != 0)
      out = "child failed: cannot switch to uid " + std::to_string(uid);
    else
      out = body();
    const char *p = out.data();
    size_t left = out.size();
    while (left > 0) {
      ssize_t n = write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed: died";
  return out;
}

std::string InChild(const std::function<std::string()> &body) {
  return RunAs(geteuid(), getegid(), body);
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
