// Recording status entries: argument parsing, the space accounting that decides
// whether arguments are kept, stripped or the newest entry is replaced, and the
// physical placement of the entry in the arena.
#include <algorithm>
#include <cstring>

#include "private/stf_list.h"

using kq::stf::Entry;
using kq::stf::kArgBytes;
using kq::stf::kEntryHeaderBytes;

namespace {

struct ParsedStatus {
  uint32_t source;
  uint32_t code;
  int32_t groups;  // argument groups given
  STF_argument_t args[STF_MAX_ARGS];
  int32_t argBytes;     // accounted: 16 per group plus every copied byte
  int32_t copiedBytes;  // bytes to copy for the first nine groups
};

int32_t RoundDown8(int32_t v) { return v & ~7; }
int32_t RoundUp8(int32_t v) { return (v + 7) & ~7; }

// Reads `count` argument groups. False for an unknown type: nothing may be recorded.
bool ParseGroups(va_list *ap, int32_t count, ParsedStatus *out) {
  out->groups = std::max(count, 0);
  out->argBytes = 0;
  out->copiedBytes = 0;
  for (int32_t i = 0; i < out->groups; ++i) {
    STF_argument_t a{};
    a.type = va_arg(*ap, int32_t);
    switch (a.type) {
      case STF_ARG_CHAR:
        a.value.c = static_cast<char>(va_arg(*ap, int));
        a.length = 1;
        break;
      case STF_ARG_INT:
        a.value.i = va_arg(*ap, int32_t);
        a.length = 4;
        break;
      case STF_ARG_DOUBLE:
        a.value.d = va_arg(*ap, double);
        a.length = 8;
        break;
      case STF_ARG_STRING: {
        const char *s = va_arg(*ap, const char *);
        a.value.p = s;
        a.length = s ? static_cast<int32_t>(strlen(s)) + 1 : 0;
        break;
      }
      case STF_ARG_BYTES:
        a.length = std::max(va_arg(*ap, int32_t), 0);
        a.value.p = va_arg(*ap, const void *);
        if (!a.value.p) a.length = 0;
        break;
      default:
        return false;
    }
    out->argBytes += kArgBytes;
    if (a.type & STF_ARG_COPIED) out->argBytes += a.length;
    if (i < STF_MAX_ARGS) {
      out->args[i] = a;
      if (a.type & STF_ARG_COPIED) out->copiedBytes += a.length;
    }
  }
  return true;
}

Entry *EntryAt(STF_statusList_t *list, int32_t offset) {
  return reinterpret_cast<Entry *>(list->arena + offset);
}

// Drops the newest entry from the arena.
void PopNewest(STF_statusList_t *list) {
  Entry *newest = EntryAt(list, list->head);
  list->arenaUsed = list->head;
  list->head = newest->prevSize ? list->head - newest->prevSize : -1;
  list->entryCount--;
}

// Removes an entry's arguments from the arena, moving the newer entries down and
// redirecting their copied-argument pointers.
void DropArguments(STF_statusList_t *list, int32_t offset) {
  Entry *e = EntryAt(list, offset);
  int32_t oldSize = e->size;
  int32_t delta = oldSize - static_cast<int32_t>(sizeof(Entry));
  int32_t tail = offset + oldSize;
  int32_t tailBytes = list->arenaUsed - tail;
  e->size = sizeof(Entry);
  e->argCount = -1;
  e->argBytes = 0;
  e->flags |= STF_ENTRY_ARGS_LOST;
  if (delta == 0) return;
  if (tailBytes > 0) {
    uint8_t *from = list->arena + tail;
    memmove(from - delta, from, static_cast<size_t>(tailBytes));
    Entry *next = EntryAt(list, offset + e->size);
    next->prevSize = e->size;
    for (int32_t off = offset + e->size; off < list->arenaUsed - delta;) {
      Entry *m = EntryAt(list, off);
      const uint8_t *oldStart = list->arena + off + delta;
      const uint8_t *oldEnd = oldStart + m->size;
      for (int32_t i = 0; i < std::max(m->argCount, 0); ++i) {
        auto *p = static_cast<const uint8_t *>(m->args()[i].value.p);
        if ((m->args()[i].type & STF_ARG_COPIED) && p >= oldStart && p < oldEnd) {
          m->args()[i].value.p = p - delta;
        }
      }
      off += m->size;
    }
  }
  list->arenaUsed -= delta;
  if (list->head > offset) list->head -= delta;
}

// Makes room for one more entry header when the accounted free top is below 28.
void MakeRoom(STF_statusList_t *list) {
  if (list->freeTop >= kEntryHeaderBytes || list->entryCount == 0) return;
  if (list->entryCount >= list->maxEntries) {
    list->freeTop = EntryAt(list, list->head)->pos + kEntryHeaderBytes;
    PopNewest(list);
    return;
  }
  // Strip arguments from the newest entry towards older ones until there is room.
  for (int32_t off = list->head; off >= 0 && list->freeTop < kEntryHeaderBytes;) {
    Entry *e = EntryAt(list, off);
    int32_t amount = RoundDown8(e->argBytes + 35) - 32;
    int32_t prev = e->prevSize;
    if (amount > 0) {
      list->freeTop += amount;
      DropArguments(list, off);
    }
    off = prev ? off - prev : -1;
  }
  // Unreachable for lists of the minimum size; keeps the arena safe regardless.
  if (list->freeTop < kEntryHeaderBytes) {
    list->freeTop = EntryAt(list, list->head)->pos + kEntryHeaderBytes;
    PopNewest(list);
  }
}

void Place(STF_statusList_t *list, const ParsedStatus &st) {
  MakeRoom(list);
  int32_t pos = RoundDown8(list->freeTop - kEntryHeaderBytes);
  int32_t kept = std::min(st.groups, STF_MAX_ARGS);
  bool keepArgs = st.groups <= STF_MAX_ARGS && pos >= st.argBytes;
  int32_t recordSize =
      keepArgs ? RoundUp8(static_cast<int32_t>(sizeof(Entry)) + kArgBytes * kept + st.copiedBytes)
               : static_cast<int32_t>(sizeof(Entry));
  if (keepArgs && list->arenaUsed + recordSize > list->arenaSize) {
    keepArgs = false;  // cannot happen with the arena sizing; never write past it
    recordSize = sizeof(Entry);
  }
  if (list->arenaUsed + recordSize > list->arenaSize) return;

  int32_t offset = list->arenaUsed;
  Entry *e = EntryAt(list, offset);
  e->size = recordSize;
  e->prevSize = list->head >= 0 ? offset - list->head : 0;
  e->pos = pos;
  e->source = st.source;
  e->code = st.code;
  if (keepArgs) {
    list->freeTop = pos - st.argBytes;
    e->flags = 0;
    e->argCount = kept;
    e->argBytes = st.argBytes;
    STF_argument_t *args = reinterpret_cast<STF_argument_t *>(e + 1);
    uint8_t *bytes = reinterpret_cast<uint8_t *>(args + kept);
    for (int32_t i = 0; i < kept; ++i) {
      args[i] = st.args[i];
      if ((args[i].type & STF_ARG_COPIED) && args[i].length > 0) {
        memcpy(bytes, args[i].value.p, static_cast<size_t>(args[i].length));
        args[i].value.p = bytes;
        bytes += args[i].length;
      }
    }
  } else {
    list->freeTop = pos;
    e->flags = STF_ENTRY_ARGS_LOST;
    e->argCount = -1;
    e->argBytes = 0;
  }
  list->head = offset;
  list->arenaUsed += recordSize;
  list->entryCount++;
}

// Parses one status and, for the chained form, the rest of the chain; records the
// chain first so that this status ends up newest. False when nothing may be recorded.
bool Record(STF_statusList_t *list, uint32_t source, uint32_t code, int32_t argCount, bool chained,
            va_list *ap) {
  ParsedStatus st;
  st.source = source;
  st.code = code;
  if (!ParseGroups(ap, argCount, &st)) return false;
  if (chained) {
    uint32_t nextSource = va_arg(*ap, uint32_t);
    if (nextSource != 0) {
      uint32_t nextCode = va_arg(*ap, uint32_t);
      int32_t nextCount = va_arg(*ap, int32_t);
      if (!Record(list, nextSource, nextCode, nextCount, true, ap)) return false;
    }
  }
  if (source == STF_SRC_STF && code == 0) {
    STF_ClearStatus(list);
    return true;
  }
  Place(list, st);
  return true;
}

}  // namespace

void STF__AddStatus(STF_statusList_t *list, uint32_t source, uint32_t code, int32_t argCount,
                    bool chained, va_list *args) {
  if (!list || (list->flags & kq::stf::kListStatic)) return;
  Record(list, source, code, argCount, chained, args);
}

extern "C" {

void STF_AddStatus(STF_statusList_t *list, uint32_t code, int32_t argCount, ...) {
  va_list ap;
  va_start(ap, argCount);
  STF__AddStatus(list, STF_SRC_STF, code, argCount, false, &ap);
  va_end(ap);
}

void STF_AddEnvStatus(STF_statusList_t *list, uint32_t code, int32_t argCount, ...) {
  va_list ap;
  va_start(ap, argCount);
  STF__AddStatus(list, STF_SRC_STF, code, argCount, true, &ap);
  va_end(ap);
}

void STF_AddEnvStatusByArray(STF_statusList_t *list, ...) {
  STF_AddStatus(list, STF_ST_NOT_SUPPORTED, 0);
}

void STF_ConvertErrno(STF_statusList_t *list, int32_t errnoValue, const char *text) {
  STF_AddEnvStatus(list, STF_ST_SYSTEM_ERROR, 2, STF_ARG_INT, errnoValue, STF_ARG_STRING, text,
                   STF_SRC_ERRNO, static_cast<uint32_t>(errnoValue), 0, 0);
}

}  // extern "C"
