#include "csec_test_util.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

#include "infra/genu_value.h"
#include "internal/csec_files.h"
#include "internal/prt_switch.h"
#include "private/csec_internal.h"

namespace kq::test {

CredentialFiles::CredentialFiles() {
  chmod(dir.path().c_str(), 0755);         // children running as other users read the files
  csec__passwd_path = passwdFile.c_str();  // absent until a test writes it
  csec__resolv_path = resolvFile.c_str();
  ns__nsswitch_path = switchFile.c_str();
  SwitchPasswd("files nis");
  Resolver(nullptr);
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
  if (domain)
    WriteFile(resolvFile, std::string("nameserver 127.0.0.1\ndomain ") + domain + "\n");
  else
    unlink(resolvFile.c_str());
  env.Set("LOCALDOMAIN", domain ? domain : "");
  Reread();
}

void CredentialFiles::Reread() { CSEC__Reset(); }

std::string InChild(const std::function<std::string()> &body) {
  return RunAs(geteuid(), getegid(), body);
}

std::string BuildPac() {
  SEC_pac_t pac;
  int size = 0;
  int rc = GetUserPacForONC(&pac, &size);
  if (rc != SEC_OK || size != sizeof pac) return "rc " + std::to_string(rc);
  return std::string(reinterpret_cast<const char *>(&pac), sizeof pac);
}

std::string PacInSet(AS_setHandle_t set) {
  StatusList status;
  void *value = nullptr;
  if (AS_GetAttrVal(status, set, 97, &value) != 0) return "no privileges" + status.Text();
  const GEN_External_t *pac = static_cast<GEN_Privileges_t *>(value)->operation;
  return std::string(reinterpret_cast<const char *>(pac->u.octets.value), pac->u.octets.length);
}

std::string PacLayout(const std::string &user, const std::string &userDomain, int32_t userType,
                      const std::string &host, const std::string &hostDomain, int32_t hostType) {
  std::string bytes(2596, '\0');
  auto put = [&bytes](size_t offset, const void *from, size_t length) {
    memcpy(&bytes[offset], from, length);
  };
  int32_t version = 1001;
  put(0, &version, 4);
  put(8, user.data(), user.size());
  put(264, userDomain.data(), userDomain.size());
  put(1288, &userType, 4);
  put(1292, host.data(), host.size());
  put(1548, hostDomain.data(), hostDomain.size());
  put(2572, &hostType, 4);
  return bytes;
}

std::string FirstDifference(const std::string &got, const std::string &want) {
  if (got.size() != want.size()) return "size " + std::to_string(got.size()) + ": " + got;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i])
      return "offset " + std::to_string(i) + ": got " + std::to_string(got[i] & 0xff) + " want " +
             std::to_string(want[i] & 0xff);
  return "";
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

std::string ShortNodeName() { return NodeName().substr(0, NodeName().find('.')); }

std::string HostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

}  // namespace kq::test
