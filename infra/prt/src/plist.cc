// The cached source lists and their refresh under the list's reader/writer lock.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "private/prt_plist.h"

namespace kq::prt {
namespace {

THR_once_t once = PTHREAD_ONCE_INIT;
plist *lists[3];

std::string EtcFile() {
  const char *env = getenv("PRINTERS_CONF");
  return env && *env ? env : "/etc/printers.conf";
}

std::string UserFile() {
  const char *home = getenv("HOME");
  return std::string(home ? home : "/etc") + "/.printers";
}

std::string NisMap() { return "printers.conf.byname"; }

plist *Make(const char *service, Format format, std::string (*sourceName)(),
            bool (*read)(plist &, std::vector<plist::Entry> *), bool (*needUpdate)(plist &)) {
  auto *list = new plist;
  if (rw_init(&list->lock) != 0) {
    delete list;
    return nullptr;
  }
  list->service = service;
  list->format = format;
  list->sourceName = sourceName;
  list->read = read;
  list->needUpdate = needUpdate;
  return list;
}

void MakeLists() {
  lists[0] = Make("etc", Format::kSystem, EtcFile, ReadFileSource, FileNeedsUpdate);
  lists[1] = Make("user", Format::kUser, UserFile, ReadFileSource, FileNeedsUpdate);
  lists[2] = Make("nis", Format::kSystem, NisMap, ReadNisSource, NisNeedsUpdate);
}

plist *List(int i) {
  if (uint32_t st = THR_Once(&once, MakeLists)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "THR_Once failed code=%d", (int)st);
    return nullptr;
  }
  return lists[i];
}

void BuildIndex(plist &list) {
  list.index.clear();
  for (size_t i = 0; i < list.entries.size(); ++i) {
    std::string names = EntryNames(list.format, list.entries[i].text);
    char **parts = strsplit(names.data(), "|");
    for (char **n = parts; n && *n; ++n) list.index.emplace_back(*n, i);
    free(parts);
  }
  std::stable_sort(list.index.begin(), list.index.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
}

thread_local int calls = 0;
thread_local std::vector<const plist *> refreshedInCall;

// True when `list` was refreshed already in the caller's lookup or walk (and notes it
// otherwise): a walk visiting many entries reads the source once, not once per entry.
bool RefreshedInCall(const plist &list) {
  if (!calls) return false;
  if (std::find(refreshedInCall.begin(), refreshedInCall.end(), &list) != refreshedInCall.end())
    return true;
  refreshedInCall.push_back(&list);
  return false;
}

}  // namespace

CallScope::CallScope() { ++calls; }
CallScope::~CallScope() {
  if (--calls == 0) refreshedInCall.clear();
}

plist *EtcList() { return List(0); }
plist *UserList() { return List(1); }
plist *NisList() { return List(2); }

void Refresh(plist &list) {
  if (RefreshedInCall(list)) return;
  rw_read_lock(list.lock);
  bool need = list.needUpdate(list);
  rw_rwunlock(list.lock);
  if (!need) return;
  rw_write_lock(list.lock);
  if (list.needUpdate(list)) {
    std::vector<plist::Entry> fresh;
    if (list.read(list, &fresh)) {
      list.entries = std::move(fresh);
      list.loaded = true;
      BuildIndex(list);
    } else if (list.name != list.sourceName()) {
      // The source was renamed (PRINTERS_CONF, HOME): the old entries are not its.
      list.entries.clear();
      list.index.clear();
      list.name = list.sourceName();
      list.counter = 0;
      list.loaded = false;
    }
  }
  rw_rwunlock(list.lock);
}

bool FindEntry(plist &list, const char *name, std::string *text) {
  Refresh(list);
  rw_read_lock(list.lock);
  auto it = std::lower_bound(list.index.begin(), list.index.end(), name,
                             [](const auto &item, const char *n) { return item.first < n; });
  bool found = it != list.index.end() && it->first == name;
  if (found) *text = list.entries[it->second].text;
  rw_rwunlock(list.lock);
  return found;
}

std::vector<std::string> AllEntries(plist &list) {
  Refresh(list);
  std::vector<std::string> texts;
  rw_read_lock(list.lock);
  texts.reserve(list.entries.size());
  for (const auto &e : list.entries) texts.push_back(e.text);
  rw_rwunlock(list.lock);
  return texts;
}

}  // namespace kq::prt
