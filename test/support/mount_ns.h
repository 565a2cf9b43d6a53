// Faults on disk that a test makes for itself: a child process in a private mount
// namespace mounts a small tmpfs or a read-only view of a directory, runs the code
// under test there and hands back a text that the test checks. The mounts vanish with
// the child. Needs root (CI runs as root); elsewhere the answer says why it cannot run.
#ifndef KQ_TEST_SUPPORT_MOUNT_NS_H
#define KQ_TEST_SUPPORT_MOUNT_NS_H

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "kqtest.h"

namespace kq::test {

// The prefix of InMountNamespace's answer when the namespace or a mount cannot be made.
inline constexpr char kMountSkip[] = "skip: ";

// A tmpfs of `bytes` at `dir`; empty, or why not (starting with kMountSkip).
inline std::string MountTmpfs(const std::string &dir, size_t bytes) {
  std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (mount("kqtest", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) return "";
  return std::string(kMountSkip) + "cannot mount a tmpfs: " + strerror(errno);
}

// `dir` read-only, for root as well; empty, or why not (starting with kMountSkip).
inline std::string MountReadOnly(const std::string &dir) {
  if (mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
      mount(nullptr, dir.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0)
    return "";
  return std::string(kMountSkip) + "cannot make a read-only bind mount: " + strerror(errno);
}

// Runs `body` in a child process in a mount namespace of its own, whose mounts do not
// reach the parent, and returns what the body returned; "skip: ..." when the namespace
// cannot be made here, "child failed: ..." when the child died.
inline std::string InMountNamespace(const std::function<std::string()> &body) {
  return InChild([&]() -> std::string {
    if (unshare(CLONE_NEWNS) != 0)
      return std::string(kMountSkip) + "no mount namespace: " + strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string(kMountSkip) + "cannot make the mounts private: " + strerror(errno);
    return body();
  });
}

}  // namespace kq::test

#endif
