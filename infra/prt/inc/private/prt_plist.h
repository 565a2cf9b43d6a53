// Cached source lists: the raw entries of one file or NIS map, a sorted name index,
// and the rules that decide when to read the source again.
#ifndef KQ_INFRA_PRT_INC_PRIVATE_PRT_PLIST_H
#define KQ_INFRA_PRT_INC_PRIVATE_PRT_PLIST_H

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "infra/thr.h"
#include "private/prt_internal.h"

namespace kq::prt {

struct plist {
  struct Entry {
    std::string text;
    std::string key;  // NIS key; empty for files
  };
  rw_lock_t *lock = nullptr;
  Format format = Format::kSystem;
  const char *service = nullptr;  // "etc", "user", "nis"
  std::vector<Entry> entries;
  // One item per name and alias, sorted by strcmp order; ties keep entry order.
  std::vector<std::pair<std::string, size_t>> index;
  bool (*read)(plist &list, std::vector<Entry> *out) = nullptr;
  bool (*needUpdate)(plist &list) = nullptr;
  std::string (*sourceName)() = nullptr;  // the file or map to read now
  std::string name;                       // file or map of the last read
  std::string domain;                     // NIS domain of the last read
  uint32_t counter = 0;
  struct timespec mtime = {};
  time_t readTime = 0;
  bool loaded = false;
  size_t walk = 0;  // position of the process-wide walk
};

// The three lists, created once per process; NULL when the set-up failed.
plist *EtcList();
plist *UserList();
plist *NisList();

// Reads the source again when its rules say so.
void Refresh(plist &list);
// Entry texts: the one named `name` (or an alias), or all of them.
bool FindEntry(plist &list, const char *name, std::string *text);
std::vector<std::string> AllEntries(plist &list);

// Readers of the sources.
bool ReadFileSource(plist &list, std::vector<plist::Entry> *out);
bool FileNeedsUpdate(plist &list);
bool ReadNisSource(plist &list, std::vector<plist::Entry> *out);
bool NisNeedsUpdate(plist &list);

}  // namespace kq::prt

#endif
