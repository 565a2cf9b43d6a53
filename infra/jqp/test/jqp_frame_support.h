// What the client frame's suites share: running a piece of a test in a child process
// (for the settings the frame fixes once per process), names, and the body of the
// service log without its line prefixes.
#ifndef KQ_INFRA_JQP_TEST_JQP_FRAME_SUPPORT_H
#define KQ_INFRA_JQP_TEST_JQP_FRAME_SUPPORT_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "infra/genu_value.h"
#include "internal/ber_mod_kq_0b.h"

namespace kq::jqp::test {

// Runs `body` in a forked child and returns the text it produced, or "child failed"
// when it did not end normally. Process-wide settings of the frame (the call
// time-out, the server type, the directory's initialisation) are fixed once per
// process, so each setting is tried in a process of its own.
inline std::string InChild(const std::function<std::string()> &body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::string out = body();
    ssize_t written = write(fds[1], out.data(), out.size());
    _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string out;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, n);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed: " + out;
}

// An object identification holding a simple name.
inline GEN_ObjectIdent_t SimpleName(const char *text) {
  GEN_ObjectIdent_t name{};
  name.choice = 7;
  name.u.name.choice = GEN_TEXT_ISO646;
  strncpy(name.u.name.u.string, text, GEN_SIMPLE_NAME_MAX);
  return name;
}

// A shutdown request (operation 22) for the server "spool-frame", with `message`
// when one is given. The identifiers' contents are arbitrary but well formed.
inline ShutdownArgument ShutdownRequest(const char *message) {
  static uint8_t kOid[] = {0x2b, 0x0c, 0x02, 0x87, 0x73};
  ShutdownArgument a{};
  a.object_class = {sizeof kOid, kOid};
  a.object_instance.choice = 7;
  a.object_instance.u.simple_name.choice = 1;
  strcpy(a.object_instance.u.simple_name.u.iso646_string, "spool-frame");
  a.when = {sizeof kOid, kOid};
  if (message) {
    a.bit_mask |= ShutdownArgument_message_present;
    a.message.choice = 1;
    strncpy(a.message.u.iso646_string, message, sizeof a.message.u.iso646_string - 1);
  }
  return a;
}

// The service log's text without the prefix of each line (up to "| ").
inline std::string LogBody(const std::string &text) {
  std::string body;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    size_t bar = line.find("| ");
    body += (bar == std::string::npos ? line : line.substr(bar + 2)) + "\n";
    at = end + 1;
  }
  return body;
}

}  // namespace kq::jqp::test

#endif
