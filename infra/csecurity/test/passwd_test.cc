// Which passwd source names the user, the switch's passwd line, and the domains of
// the sources.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "csec_test_util.h"
#include "infra/as.h"
#include "private/csec_internal.h"

namespace kq::test {
namespace {

constexpr uid_t kDaemon = 1;  // "daemon" in the machine's own passwd file
const char kDaemonLine[] = "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n";
const char kOtherLines[] = "root:x:0:0:root:/root:/bin/bash\nbin:x:2:2:bin:/bin:/bin/sh\n";

using PasswdSource = CredentialFiles;

TEST_F(PasswdSource, FollowsTheSwitchOrderAndThePasswdFile) {
  struct Case {
    uid_t uid;
    std::vector<int> services;
    std::string file;  // the passwd file the library looks in
    int source;
  } cases[] = {
      // Root is always a user of the local files.
      {0, {4}, "", 3},
      {0, {8, 4}, "", 3},
      // One service: that one.
      {kDaemon, {3}, "", 3},
      {kDaemon, {4}, kDaemonLine, 4},
      {kDaemon, {8}, kDaemonLine, 8},
      // Only one of files and nis listed.
      {kDaemon, {8, 4}, kDaemonLine, 4},
      {kDaemon, {3, 8}, "", 3},
      // Files first: the file decides (name without regard to case, uid exactly).
      {kDaemon, {3, 4}, kDaemonLine, 3},
      {kDaemon, {3, 4}, "DAEMON:x:1:1::/:/bin/sh\n", 3},
      {kDaemon, {3, 4}, "daemon:x:7:1::/:/bin/sh\n", 4},
      {kDaemon, {3, 4}, kOtherLines, 4},
      {kDaemon, {1, 3, 8, 4}, kDaemonLine, 3},
      // NIS first: a user not in the file is NIS's; one in the file is NIS's only when
      // NIS confirms it (no NIS here).
      {kDaemon, {4, 3}, kOtherLines, 4},
      {kDaemon, {4, 3}, kDaemonLine, 3},
      // compat is the files, then NIS, and ends the scan.
      {kDaemon, {7}, kDaemonLine, 3},
      {kDaemon, {7}, kOtherLines, 4},
      {kDaemon, {7, 4, 3}, kDaemonLine, 3},
      {kDaemon, {1, 7}, kOtherLines, 4},
  };
  for (const Case &c : cases) {
    std::string order;
    for (int s : c.services) order += std::to_string(s) + " ";
    SCOPED_TRACE("uid " + std::to_string(c.uid) + " order " + order + "file " + c.file);
    WriteFile(passwdFile, c.file);
    std::vector<int> services = c.services;
    services.push_back(0);
    struct passwd entry, *found = nullptr;
    char buffer[1024];
    int source = -1;
    ASSERT_EQ(
        CSEC_getpwuid_r(c.uid, &entry, buffer, sizeof buffer, &found, services.data(), &source), 0);
    ASSERT_EQ(found, &entry);
    EXPECT_EQ(found->pw_uid, c.uid);
    EXPECT_EQ(source, c.source);
  }
}

TEST_F(PasswdSource, FailuresAreTracedAndReturned) {
  struct Case {
    const char *what;
    uid_t uid;
    std::vector<int> services;
    size_t bufferSize;
    int result;
    const char *trace;
  } cases[] = {
      {"unknown uid", 54321, {3, 4, 0}, 1024, ENOENT, "getpwuid_r failed: no entry for uid 54321"},
      {"entry larger than the buffer",
       kDaemon,
       {3, 4, 0},
       8,
       ERANGE,
       "getpwuid_r failed: errno=34"},
      {"neither files nor nis",
       kDaemon,
       {1, 2, 8, 0},
       1024,
       -2,
       "passwd not found in NIS and FILE"},
      {"empty order", kDaemon, {0}, 1024, -2, "passwd not found in NIS and FILE"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    LogCapture log("i");
    struct passwd entry, *found = nullptr;
    std::vector<char> buffer(c.bufferSize);
    int source = -1;
    EXPECT_EQ(CSEC_getpwuid_r(c.uid, &entry, buffer.data(), buffer.size(), &found,
                              c.services.data(), &source),
              c.result);
    EXPECT_EQ(source, -1);
    EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
  }
}

TEST_F(PasswdSource, FileMatchSkipsLongLinesAndReportsWhatIsMissing) {
  struct Case {
    const char *what;
    bool present;
    std::string file;
    int result;
    const char *trace;
  } cases[] = {
      {"found", true, std::string(kOtherLines) + kDaemonLine, 0, nullptr},
      {"after a line longer than the buffer", true,
       "long:x:9:9:" + std::string(2000, 'g') + ":/:/bin/sh\n" + kDaemonLine, 0, nullptr},
      {"other uid", true, "daemon:x:2:1::/:/bin/sh\n", -2,
       "User daemon(uid=1) not found in /etc/passwd file"},
      {"empty file", true, "", -2, "User daemon(uid=1) not found in /etc/passwd file"},
      {"no file", false, "", -1, "Cannot open /etc/passwd file"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    if (c.present)
      WriteFile(passwdFile, c.file);
    else
      unlink(passwdFile.c_str());
    LogCapture log("i");
    EXPECT_EQ(CSEC__MatchPasswdFile(kDaemon, "daemon"), c.result);
    if (c.trace) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
}

TEST_F(PasswdSource, NisMatchWithoutADomainSaysSo) {
  LogCapture log("i");
  EXPECT_EQ(CSEC__MatchNISPasswd(kDaemon, "daemon"), -1);
  EXPECT_NE(log.Text().find("NIS not enabled"), std::string::npos) << log.Text();
}

TEST_F(PasswdSource, SwitchLineGivesTheOrderOrTheDefault) {
  struct Case {
    const char *line;  // null: no switch file
    std::vector<int> order;
    const char *trace;  // null: no trace
  } cases[] = {
      {"files nis", {3, 4}, nullptr},
      {"nis files", {4, 3}, nullptr},
      {"compat", {7}, nullptr},
      {"files [NOTFOUND=return] nis", {3}, nullptr},
      {"dns files nis", {8, 3, 4}, nullptr},
      {"files systemd", {3, 4}, "ns_get_svc_order failed: status=-2, using default"},
      {"files [BOGUS]", {3, 4}, "ns_get_svc_order failed: status=-2, using default"},
      {nullptr, {3, 4}, "ns_get_svc_order failed: status=-1, using default"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line ? c.line : "no switch file");
    SwitchPasswd(c.line);
    LogCapture log("i");
    const int *services = CSEC__GetServices();
    std::vector<int> got;
    for (int i = 0; i < SEC_MAX_SERVICES && services[i]; ++i) got.push_back(services[i]);
    EXPECT_EQ(got, c.order);
    if (c.trace) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
}

TEST_F(PasswdSource, SwitchWithoutAPasswdLineAsksFilesAndNis) {
  WriteFile(switchFile, "hosts: files dns\n");
  const int *services = CSEC__GetServices();
  EXPECT_EQ(services[0], 3);
  EXPECT_EQ(services[1], 4);
  EXPECT_EQ(services[2], 0);
}

TEST_F(PasswdSource, DomainOfEachService) {
  struct Case {
    int service;
    int result;
    uint32_t syntax;
    std::string name;
    const char *trace;
  } cases[] = {
      {3, 0, SEC_SYNTAX_FILE, HostName(), nullptr},
      {4, -1, 0, "", "SEC_GetDomainFromNsSwitchType NIS not enabled"},
      {8, -2, 0, "", "SEC_GetDomainFromNsSwitchType DNS not enabled"},
      {1, -3, 0, "", nullptr},
      {5, -3, 0, "", nullptr},
      {7, -3, 0, "", nullptr},
      {0, -3, 0, "", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.service);
    LogCapture log("i");
    uint32_t syntax = 0;
    char *name = nullptr;
    EXPECT_EQ(SEC_GetDomainFromNsSwitchType(c.service, &syntax, &name), c.result);
    EXPECT_EQ(syntax, c.syntax);
    EXPECT_EQ(name ? std::string(name) : "", c.name);
    free(name);
    if (c.trace) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
  Resolver("lab.example.test");
  EXPECT_EQ(InChild([] {
              uint32_t syntax = 0;
              char *name = nullptr;
              int rc = SEC_GetDomainFromNsSwitchType(8, &syntax, &name);
              std::string out = std::to_string(rc) + " " + std::to_string(syntax) + " " +
                                (name ? name : "(none)");
              free(name);
              return out;
            }),
            "0 3045 lab.example.test");
}

TEST(DomainType, EveryNameSyntaxHasItsCode) {
  struct Case {
    uint32_t syntax;
    int type;
  } cases[] = {
      {3047, 0},
      {3044, 1},
      {3048, 2},
      {3045, 3},
      {3049, 4},
      {3050, 5},
      {3051, 6},
      {3043, 7},
      {3042, 8},
      {3041, 9},
      {3040, 10},
      {3046, 200},
      {3055, 255},
      {3054, 11},
      {3183, 12},
      {3184, 13},
      {3185, 14},
      {3186, 15},
      // Not a domain syntax of the PAC.
      {3187, -1},
      {886, -1},
      {3356, -1},
      {0, -1},
      {97, -1},
  };
  for (const Case &c : cases) EXPECT_EQ(SEC_Shoid2DomType(c.syntax), c.type) << c.syntax;
}

// The PAC of another local user, built in a child running as that user.
std::string PacOf(uid_t uid) {
  return RunAs(uid, uid, [] {
    SEC_pac_t pac;
    int size = 0;
    int rc = GetUserPacForONC(&pac, &size);
    if (rc != SEC_OK) return "rc " + std::to_string(rc);
    return std::string(pac.userName) + " " + pac.userDomainName + " " +
           std::to_string(pac.userDomainType);
  });
}

TEST_F(PasswdSource, UserOfTheLocalFilesIsNamedByTheHost) {
  WriteFile(passwdFile, std::string(kOtherLines) + kDaemonLine);
  EXPECT_EQ(PacOf(kDaemon), "daemon " + HostName() + " 0");
}

TEST_F(PasswdSource, UsersWithoutAUsableSourceGetNoPac) {
  struct Case {
    const char *what;
    uid_t uid;
    const char *order;
    std::string file;
    std::string answer;
    const char *trace;
  } cases[] = {
      {"unknown uid", 54321, "files nis", kDaemonLine, "rc 100",
       "getpwuid_r failed: no entry for uid 54321"},
      {"no passwd source in the switch", kDaemon, "dns", kDaemonLine, "rc -2",
       "SEC_GetDomainFromNsSwitchType failed s=-2"},
      {"a NIS user without NIS", kDaemon, "files nis", kOtherLines, "rc -1",
       "SEC_GetDomainFromNsSwitchType failed s=-1"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    SwitchPasswd(c.order);
    WriteFile(passwdFile, c.file);
    LogCapture log("i");
    OpenToAll(log);
    EXPECT_EQ(PacOf(c.uid), c.answer);
    EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
  }
}

TEST_F(PasswdSource, FailedPacLeavesTheSetAsItWas) {
  StatusList status;
  AS_setHandle_t set = nullptr;
  ASSERT_EQ(AS_Create(status, &set, nullptr, 0), 0u);
  std::string answer = RunAs(54321, 54321, [set] {
    StatusList status;
    int rc = SEC_AddPAC_C(0, set);
    uint32_t count = 99;
    AS_GetCount(status, set, &count);
    return std::to_string(rc) + " " + std::to_string(count);
  });
  EXPECT_EQ(answer, "100 0");
  AS_Destroy(status, &set);
}

}  // namespace
}  // namespace kq::test
