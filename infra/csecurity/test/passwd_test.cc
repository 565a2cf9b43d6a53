// Which passwd source names the user, the switch's passwd line, the domains of the
// sources, and the PAC of users of each source.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "csec_test_util.h"

namespace kq::test {
namespace {

constexpr uid_t kDaemon = 1;  // "daemon" in the machine's own passwd file
const char kDaemonLine[] = "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n";
const char kOtherLines[] = "root:x:0:0:root:/root:/bin/bash\nbin:x:2:2:bin:/bin:/bin/sh\n";

using PasswdSource = CredentialFiles;

TEST_F(PasswdSource, FollowsTheSwitchOrderAndThePasswdFile) {
  // uid, the switch's services, the passwd file the library looks in, result, source.
  struct Case {
    uid_t uid;
    std::vector<int> services;
    std::string file;
    int result, source;
    size_t bufferSize = 1024;
  };
  const std::string longLine = "long:x:9:9:" + std::string(2000, 'g') + ":/:/bin/sh\n";
  const Case cases[] = {
      {0, {8, 4}, "", 0, 3},  // root is always a user of the local files
      // One service: that one; only one of files and NIS listed: that one.
      {kDaemon, {4}, kDaemonLine, 0, 4},
      {kDaemon, {8}, kDaemonLine, 0, 8},
      {kDaemon, {3, 8}, "", 0, 3},
      // Files first: the file decides (the uid exactly).
      {kDaemon, {3, 4}, kDaemonLine, 0, 3},
      {kDaemon, {3, 4}, "daemon:x:7:1::/:/bin/sh\n", 0, 4},
      {kDaemon, {3, 4}, kOtherLines, 0, 4},
      {kDaemon, {3, 4}, longLine + kDaemonLine, 0, 3},
      // NIS first: a user not in the file is NIS's; one in the file is NIS's only when
      // NIS confirms it (no NIS here).
      {kDaemon, {4, 3}, kOtherLines, 0, 4},
      {kDaemon, {4, 3}, kDaemonLine, 0, 3},
      // compat is the files, then NIS, and ends the scan.
      {kDaemon, {7}, kDaemonLine, 0, 3},
      {kDaemon, {7}, kOtherLines, 0, 4},
      // No source: nothing found, nothing named.
      {54321, {3, 4}, "", ENOENT, -1},
      {kDaemon, {3, 4}, "", ERANGE, -1, 8},
      {kDaemon, {1, 2, 8}, "", -2, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE("uid " + std::to_string(c.uid) + " order " + std::to_string(c.services[0]) +
                 "... file " + c.file);
    WriteFile(passwdFile, c.file);
    std::vector<int> services = c.services;
    services.push_back(0);
    struct passwd entry, *found = nullptr;
    std::vector<char> buffer(c.bufferSize);
    int source = -1;
    ASSERT_EQ(CSEC_getpwuid_r(c.uid, &entry, buffer.data(), buffer.size(), &found, services.data(),
                              &source),
              c.result);
    EXPECT_EQ(source, c.source);
    EXPECT_TRUE(c.result != 0 || (found == &entry && found->pw_uid == c.uid));
  }
}

TEST_F(PasswdSource, SwitchLineGivesTheOrderOrTheDefault) {
  // The switch (null: no switch file) and the order it gives; an unknown service, an
  // unknown action or no passwd line give the default.
  const std::pair<const char *, std::vector<int>> cases[] = {
      {"passwd: files nis", {3, 4}},
      {"passwd: nis files", {4, 3}},
      {"passwd: compat", {7}},
      {"passwd: files [NOTFOUND=return] nis", {3}},
      {"passwd: dns files nis", {8, 3, 4}},
      {"passwd: files [BOGUS]", {3, 4}},
      {nullptr, {3, 4}}};
  for (const auto &[file, order] : cases) {
    file ? WriteFile(switchFile, std::string(file) + "\n") : (void)unlink(switchFile.c_str());
    Reread();
    const int *services = CSEC__GetServices();
    std::vector<int> got;
    for (int i = 0; i < SEC_MAX_SERVICES && services[i]; ++i) got.push_back(services[i]);
    EXPECT_EQ(got, order) << (file ? file : "no switch file");
  }
}

TEST_F(PasswdSource, DomainOfEachService) {
  // NIS and DNS are not enabled here; other services have no domain.
  // Service, result, and the syntax and name of the domain.
  const std::tuple<int, int, std::string> cases[] = {
      {3, 0, std::to_string(SEC_SYNTAX_FILE) + HostName()},
      {4, -1, "0"},
      {8, -2, "0"},
      {7, -3, "0"}};
  for (const auto &[service, result, domain] : cases) {
    uint32_t syntax = 0;
    char *name = nullptr;
    EXPECT_EQ(SEC_GetDomainFromNsSwitchType(service, &syntax, &name), result) << service;
    EXPECT_EQ(std::to_string(syntax) + (name ? name : ""), domain) << service;
    free(name);
  }
}

TEST(DomainType, EveryNameSyntaxHasItsCode) {
  // The syntax and the domain type; -1: not a domain syntax of the PAC.
  for (auto [syntax, type] : {std::pair{3047u, 0},
                              {3044u, 1},
                              {3046u, 200},
                              {3055u, 255},
                              {3186u, 15},
                              {3187u, -1},
                              {0u, -1}})
    EXPECT_EQ(SEC_Shoid2DomType(syntax), type) << syntax;
}

// The PAC a set receives for another local user, in a child running as that user: its
// name, domain and domain type, or the reason there is none with the set left empty.
TEST_F(PasswdSource, PacOfALocalUserNamesTheHostAndUsersWithoutAUsableSourceGetNone) {
  // The user, the switch's passwd line, the passwd file and the answer.
  const std::tuple<uid_t, const char *, std::string, std::string> cases[] = {
      {kDaemon, "files nis", std::string(kOtherLines) + kDaemonLine,
       PacLayout("daemon", HostName(), 0, ShortNodeName(), HostName(), 0)},
      {54321, "files nis", kDaemonLine, "rc 100, 0 attributes"},   // unknown uid
      {kDaemon, "dns", kDaemonLine, "rc -2, 0 attributes"},        // no passwd source
      {kDaemon, "files nis", kOtherLines, "rc -1, 0 attributes"},  // a NIS user without NIS
  };
  for (const auto &[uid, order, file, want] : cases) {
    SwitchPasswd(order);
    WriteFile(passwdFile, file);
    std::string answer = RunAs(uid, uid, [] {
      StatusList status;
      AS_setHandle_t set = nullptr;
      uint32_t count = 99;
      AS_Create(status, &set, nullptr, 0);
      int rc = SEC_AddPAC_C(0, set);
      AS_GetCount(status, set, &count);
      std::string out =
          rc == SEC_OK ? PacInSet(set)
                       : "rc " + std::to_string(rc) + ", " + std::to_string(count) + " attributes";
      AS_Destroy(status, &set);
      return out;
    });
    EXPECT_EQ(FirstDifference(answer, want), "") << uid << " " << order;
  }
}

}  // namespace
}  // namespace kq::test
