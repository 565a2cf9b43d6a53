// Deleting old log files beyond the maximum count.
#include <dirent.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "private/svclog_internal.h"

const char LOG__limits[] = "01090309--020905090509--090909";

namespace kq::svclog {

bool IsStamp(const char *s) {
  for (int i = 0; i < LOG__STAMP_LEN; ++i) {
    if (s[i] < LOG__limits[2 * i] || s[i] > LOG__limits[2 * i + 1]) return false;
  }
  return s[LOG__STAMP_LEN] == '\0';
}

}  // namespace kq::svclog

// Stamps carry no year, so files written in the same second across New Year sort by
// the month rule: December is the older.
int LOG__older(const LOG__logEntry *a, const LOG__logEntry *b) {
  if (a->mtime != b->mtime) return a->mtime < b->mtime ? -1 : 1;
  bool aDec = !strncmp(a->stamp, "12", 2), bDec = !strncmp(b->stamp, "12", 2);
  bool aJan = !strncmp(a->stamp, "01", 2), bJan = !strncmp(b->stamp, "01", 2);
  if (aDec && bJan) return -1;
  if (aJan && bDec) return 1;
  return strcmp(a->stamp, b->stamp);
}

int LOG__trim(const char *path, int maxLogs) {
  if (!path || maxLogs <= 0) return 0;
  const char *slash = strrchr(path, '/');
  std::string dir, base;
  std::vector<LOG__logEntry> entries;
  try {
    if (slash) {
      dir.assign(path, static_cast<size_t>(slash - path));
      if (dir.empty()) dir = "/";
      base = slash + 1;
    } else {
      dir = ".";
      base = path;
    }
    std::unique_ptr<DIR, int (*)(DIR *)> d(opendir(dir.c_str()), closedir);
    if (!d) return -1;
    std::string full;
    while (struct dirent *e = readdir(d.get())) {
      const char *name = e->d_name;
      if (strncmp(name, base.c_str(), base.size()) != 0 || strlen(name) <= base.size()) continue;
      const char *stamp = name + base.size() + 1;  // after the separating character
      if (!kq::svclog::IsStamp(stamp)) continue;
      full = dir + "/" + name;
      struct stat st;
      if (stat(full.c_str(), &st) != 0) continue;  // gone meanwhile
      LOG__logEntry entry;
      entry.mtime = st.st_mtime;
      memcpy(entry.stamp, stamp, sizeof entry.stamp);
      entries.push_back(entry);
    }
  } catch (const std::bad_alloc &) {
    return -1;
  }
  if (entries.size() <= static_cast<size_t>(maxLogs)) return 0;
  std::sort(entries.begin(), entries.end(),
            [](const LOG__logEntry &a, const LOG__logEntry &b) { return LOG__older(&a, &b) < 0; });
  size_t excess = entries.size() - static_cast<size_t>(maxLogs);
  int deleted = 0;
  char victim[2 * LOG__PATH_MAX];
  for (size_t i = 0; i < excess; ++i) {
    snprintf(victim, sizeof victim, "%s/%s.%s", dir.c_str(), base.c_str(), entries[i].stamp);
    if (unlink(victim) == 0) ++deleted;
  }
  return deleted;
}
