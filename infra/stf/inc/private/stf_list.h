// Internal layout of a status list.
//
// A list is one allocation: this header followed by an arena in which the entries
// are stored oldest first. Whether an entry keeps its arguments, has them stripped,
// or replaces the newest entry is decided by a byte-accounting model of the entry
// space (`freeTop`, entry positions and argument bytes), which is kept separately
// from the physical arena; the arena is sized so that whatever the accounting
// admits always fits, and entries are compacted when their arguments are stripped.
#ifndef KQ_INFRA_STF_INC_PRIVATE_STF_LIST_H
#define KQ_INFRA_STF_INC_PRIVATE_STF_LIST_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "infra/stf.h"

namespace kq::stf {

constexpr int32_t kListHeaderBytes = 32;   // accounted size of the list header
constexpr int32_t kEntryHeaderBytes = 28;  // accounted size of an entry header
constexpr int32_t kArgBytes = 16;          // accounted size of one argument descriptor
constexpr int32_t kMaxEntriesLimit = 2046;
constexpr uint32_t kListStatic = 1;

// One entry as stored in the arena; its argument descriptors and copied bytes follow.
struct Entry {
  int32_t size;      // physical bytes of this record, a multiple of 8
  int32_t prevSize;  // physical size of the older entry just below (0 for the oldest)
  int32_t pos;       // accounted position of the entry header
  int32_t argBytes;  // accounted argument bytes (0 once lost)
  uint32_t source;
  uint32_t code;
  uint32_t flags;
  int32_t argCount;  // -1 when the arguments were lost

  STF_argument_t *args() {
    return argCount > 0 ? reinterpret_cast<STF_argument_t *>(this + 1) : nullptr;
  }
};
static_assert(sizeof(Entry) % 8 == 0);

}  // namespace kq::stf

struct STF_statusList {
  int32_t head;  // arena offset of the newest entry, -1 when empty
  STF_statusList *child;
  STF_statusList *parent;
  uint8_t *arena;
  int32_t maxEntries;
  int32_t totalSize;  // accounted block size given at creation
  int32_t available;  // totalSize less the list header
  uint32_t flags;
  int32_t freeTop;  // accounted free top of the entry space
  int32_t entryCount;
  int32_t arenaUsed;
  int32_t arenaSize;
};

// Recorder shared by the adding operations. `chained` reads a chain of further
// (source, code, argCount, groups...) statuses ended by source 0 after the groups.
void STF__AddStatus(STF_statusList_t *list, uint32_t source, uint32_t code, int32_t argCount,
                    bool chained, va_list *args);
// The entry with this index (1 = newest), or null.
kq::stf::Entry *STF__GetObjectPointer(const STF_statusList_t *list, int32_t index);
void *STF__Malloc(size_t size, uint32_t tag);
void STF__Free(void *block);
// The process-wide list handed out when a list cannot be allocated.
STF_statusList_t *STF__NoMemoryList();

#endif
