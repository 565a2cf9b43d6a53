// Test support shared by every family's suites: scratch directories, environment
// guards, status lists owned by a test, service-log capture and small file helpers.
// Tests of one family keep only what is particular to that family in their own
// support files.
#ifndef KQ_TEST_SUPPORT_KQTEST_H
#define KQ_TEST_SUPPORT_KQTEST_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "infra/stf.h"

namespace kq::test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it when the
// object goes.
class TempDir {
 public:
  explicit TempDir(const char *tag = "kq");
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &path() const { return path_; }
  // `name` inside the directory.
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets or unsets environment variables and restores every one it touched (value or
// absence) when the object goes.
class EnvGuard {
 public:
  EnvGuard() = default;
  EnvGuard(std::initializer_list<std::pair<const char *, const char *>> vars);
  ~EnvGuard();
  EnvGuard(const EnvGuard &) = delete;
  EnvGuard &operator=(const EnvGuard &) = delete;

  // A null value unsets the variable.
  void Set(const char *name, const char *value);
  void Unset(const char *name) { Set(name, nullptr); }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A status list owned by the test.
class StatusList {
 public:
  StatusList() : list_(STF_CreateList(nullptr)) {}
  ~StatusList() { STF_DeleteList(list_); }
  StatusList(const StatusList &) = delete;
  StatusList &operator=(const StatusList &) = delete;

  operator STF_statusList_t *() const { return list_; }
  STF_statusList_t *get() const { return list_; }
  // The codes, index 1 (the outermost explanation) first.
  std::vector<uint32_t> Codes() const;
  // Index 1's code, 0 when the list is empty.
  uint32_t Code() const { return STF_GetStatus(list_); }
  bool Has(uint32_t code) const;
  // " 0x...", one per code, for failure messages.
  std::string Text() const;
  void Clear() { STF_ClearStatus(list_); }

 private:
  STF_statusList_t *list_;
};

// Sends the service log into a scratch file at the severities `letters` while the
// object lives; Text() reads back what was written so far.
class LogCapture {
 public:
  explicit LogCapture(const char *letters = "X");
  ~LogCapture();
  LogCapture(const LogCapture &) = delete;
  LogCapture &operator=(const LogCapture &) = delete;

  std::string Text() const;
  const std::string &file() const { return file_; }

 private:
  TempDir dir_{"kqlog"};
  std::string file_;
};

// What the counting allocator (CountingAllocate, CountingFree) has done: every
// attempt counts, the one numbered failAt fails, and frees of blocks it never handed
// out (double frees included) are counted instead of performed. One per process.
struct Counter {
  uint64_t attempts = 0;  // failed ones included
  uint64_t failAt = 0;    // the attempt number that fails; 0: none
  std::set<void *> live;
  uint64_t badFrees = 0;

  void Reset() { *this = Counter(); }
  // Makes the n-th attempt from now fail (n >= 1).
  void FailNth(uint64_t n) { failAt = attempts + n; }
  void NoFailure() { failAt = 0; }
};
Counter &Counting();
void *CountingAllocate(size_t size);
void CountingFree(void *block);

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &text);
std::vector<std::string> Lines(const std::string &text);

// Runs `body` in a child process whose effective gid and uid are `gid` and `uid`, and
// returns what the body returned (the text the test checks), or "child failed: ..."
// when the child could not switch or died. For code that answers for the effective
// user (credentials), run as users other than the test's.
std::string RunAs(unsigned uid, unsigned gid, const std::function<std::string()> &body);

// Runs `body` in a forked child and returns the text it returned; "child failed: ..."
// when the child could not be made or died. What the body changes in its process
// (ids, mounts, environment) stays with the child.
std::string InChild(const std::function<std::string()> &body);

// The NIS domain of the real NIS server the nis fixture runs (scripts/nis-fixture).
inline constexpr char kNisDomain[] = "kqtest.nis";
// Empty when this program runs inside the fixture's namespaces with the server up;
// otherwise why not (for GTEST_SKIP).
std::string NisFixtureSkipReason();

}  // namespace kq::test

#endif
