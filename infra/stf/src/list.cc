// Creating, clearing and deleting status lists; the shared no-memory list;
// allocation with failure injection.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "private/stf_list.h"

using kq::stf::Entry;

uint32_t STF__memoryUserBlocked = 0;

namespace {

struct NoMemoryList {
  STF_statusList list;
  Entry entry;
};

// Never written after construction: adding, clearing and deleting skip static lists.
NoMemoryList gNoMemory = [] {
  NoMemoryList n{};
  n.entry = Entry{sizeof(Entry), 0, 0, 0, STF_SRC_STF, STF_ST_NO_MEMORY, STF_ENTRY_STATIC, 0};
  n.list.head = 0;
  n.list.arena = reinterpret_cast<uint8_t *>(&gNoMemory.entry);
  n.list.maxEntries = 1;
  n.list.totalSize = 71;
  n.list.available = 0;
  n.list.flags = kq::stf::kListStatic;
  n.list.entryCount = 1;
  n.list.arenaUsed = sizeof(Entry);
  n.list.arenaSize = sizeof(Entry);
  return n;
}();

bool TagBlocked(uint32_t tag) {
  uint32_t word = STF__memoryUserBlocked;
  if (word == 0) return false;
  uint32_t hi = word >> 16, lo = word & 0xffff;
  return (hi == 0xffff || hi == (tag >> 16)) && (lo == 0xffff || lo == (tag & 0xffff));
}

// Physical arena for `available` accounted bytes. Each record carries at most 11
// bytes more than the accounting charges for it (a larger header, padding to 8),
// and the accounting charges every entry at least 25 bytes.
int32_t ArenaSizeFor(int32_t available) { return available + 11 * (available / 25 + 2) + 64; }

}  // namespace

void *STF__Malloc(size_t size, uint32_t tag) {
  if (TagBlocked(tag)) return nullptr;
  return malloc(size);
}

void STF__Free(void *block) { free(block); }

STF_statusList_t *STF__NoMemoryList() { return &gNoMemory.list; }

extern "C" {

STF_statusList_t *STF_CreateList(STF_statusList_t *parent) {
  return STF_CreateListExplicit(parent, 0, 0);
}

STF_statusList_t *STF_CreateListExplicit(STF_statusList_t *parent, int32_t maxEntries,
                                         int32_t sizeBytes) {
  if (maxEntries == 0 && sizeBytes == 0) maxEntries = 5;
  maxEntries = std::clamp(maxEntries, 1, kq::stf::kMaxEntriesLimit);
  if (sizeBytes == 0) sizeBytes = 1000;
  sizeBytes = std::max(sizeBytes, 71);
  sizeBytes = std::max(sizeBytes, 32 * maxEntries + 39);
  sizeBytes = std::min(sizeBytes, 65535);

  int32_t available = sizeBytes - kq::stf::kListHeaderBytes;
  int32_t arenaSize = ArenaSizeFor(available);
  void *block = STF__Malloc(sizeof(STF_statusList) + static_cast<size_t>(arenaSize), STF_TAG_LIST);
  if (!block) return STF__NoMemoryList();

  auto *list = static_cast<STF_statusList *>(block);
  memset(list, 0, sizeof *list);
  list->arena = reinterpret_cast<uint8_t *>(list + 1);
  list->maxEntries = maxEntries;
  list->totalSize = sizeBytes;
  list->available = available;
  list->arenaSize = arenaSize;
  STF_ClearStatus(list);
  if (parent && !(parent->flags & kq::stf::kListStatic) && !parent->child) {
    parent->child = list;
    list->parent = parent;
  }
  return list;
}

void STF_DeleteList(STF_statusList_t *list) {
  if (!list) return;
  if (list->child) STF_DeleteList(list->child);
  if (list->flags & kq::stf::kListStatic) return;
  if (list->parent) list->parent->child = list->child;
  STF__Free(list);
}

void STF_ClearStatus(STF_statusList_t *list) {
  if (!list || (list->flags & kq::stf::kListStatic)) return;
  list->head = -1;
  list->freeTop = list->available;
  list->entryCount = 0;
  list->arenaUsed = 0;
}

}  // extern "C"
