#include "kqtest.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "infra/svclog.h"

namespace kq::test {

TempDir::TempDir(const char *tag) {
  const char *base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + tag + ".XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

EnvGuard::EnvGuard(std::initializer_list<std::pair<const char *, const char *>> vars) {
  for (const auto &[name, value] : vars) Set(name, value);
}

void EnvGuard::Set(const char *name, const char *value) {
  bool seen = false;
  for (const auto &s : saved_) seen = seen || s.first == name;
  if (!seen) {
    const char *old = getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

EnvGuard::~EnvGuard() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second)
      setenv(it->first.c_str(), it->second->c_str(), 1);
    else
      unsetenv(it->first.c_str());
  }
}

std::vector<uint32_t> StatusList::Codes() const {
  std::vector<uint32_t> codes;
  STF_objectInfo_t info;
  for (int32_t i = 1; STF_GetObjectInfo(list_, i, &info) == 0; ++i) codes.push_back(info.code);
  return codes;
}

bool StatusList::Has(uint32_t code) const {
  for (uint32_t c : Codes())
    if (c == code) return true;
  return false;
}

std::string StatusList::Text() const {
  std::string out;
  char buf[16];
  for (uint32_t c : Codes()) {
    snprintf(buf, sizeof buf, " %#x", c);
    out += buf;
  }
  return out;
}

LogCapture::LogCapture(const char *letters) {
  LOG_Init((dir_ / "log").c_str(), letters);
  file_ = LOG_SetAddress(nullptr);
}

LogCapture::~LogCapture() { LOG_Term(); }

std::string LogCapture::Text() const { return ReadFile(file_); }

Counter &Counting() {
  static Counter c;
  return c;
}

void *CountingAllocate(size_t size) {
  Counter &c = Counting();
  if (++c.attempts == c.failAt) return nullptr;
  void *p = malloc(size ? size : 1);
  c.live.insert(p);
  return p;
}

void CountingFree(void *block) {
  Counter &c = Counting();
  if (block == nullptr) return;
  if (c.live.erase(block) == 0) {
    ++c.badFrees;
    return;
  }
  free(block);
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::stringstream ss(text);
  for (std::string line; std::getline(ss, line);) lines.push_back(line);
  return lines;
}

}  // namespace kq::test

namespace kq::test {

std::string InChild(const std::function<std::string()> &body) {
  int fds[2];
  if (pipe(fds) != 0) return "child failed: pipe";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string out = body();
    for (size_t done = 0; done < out.size();) {
      ssize_t n = write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return "child failed: fork";
  }
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

std::string RunAs(unsigned uid, unsigned gid, const std::function<std::string()> &body) {
  return InChild([&]() -> std::string {
    if (setegid(gid) != 0 || seteuid(uid) != 0)
      return "child failed: cannot switch to uid " + std::to_string(uid);
    return body();
  });
}

std::string NisFixtureSkipReason() {
  const char *state = getenv("KQ_NIS_FIXTURE");
  if (!state)
    return "not run through ctest, whose nis fixture starts the NIS server "
           "(scripts/nis-fixture)";
  std::ifstream skip(std::string(state) + "/skip");
  if (skip) {
    std::stringstream why;
    why << skip.rdbuf();
    return "no NIS server here: " + why.str();
  }
  char domain[256] = {};
  if (getdomainname(domain, sizeof domain - 1) != 0 || std::string(domain) != kNisDomain)
    return std::string("the NIS server is not running (see ") + state + "/holder.log)";
  return "";
}

}  // namespace kq::test
