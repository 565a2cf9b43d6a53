// The descriptor cache: the last ten catalogues opened, keyed by catalogue name and
// locale, replaced least recently used first; and the search path that opens them.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "private/msg_internal.h"

using kq::msg::cacheLock;
using kq::msg::Locked;

namespace {

const nl_catd kNoCatalogue = reinterpret_cast<nl_catd>(-1);

struct CacheSlot {
  bool used;
  char name[MSG_CATALOGUE_NAME_MAX];
  char locale[MSG_LOCALE_NAME_MAX];
  nl_catd catd;
  // Value of useClock at the last lookup. A counter rather than the time of day:
  // two uses within one clock tick must still be told apart.
  uint64_t lastUse;
};

CacheSlot descriptorCache[MSG_CACHE_SLOTS];
uint64_t useClock;

void EmptyCache() {
  for (CacheSlot &slot : descriptorCache) {
    if (slot.used) catclose(slot.catd);
    slot = CacheSlot{};
  }
  useClock = 0;
}

// catopen with a flag other than NL_CAT_LOCALE: a bare name follows NLSPATH and LANG.
constexpr int kOpenFlag = -1;

}  // namespace

extern "C" {

nl_catd MSG__Lookup(const char *name, const char *locale) {
  for (CacheSlot &slot : descriptorCache) {
    if (slot.used && strcmp(slot.name, name) == 0 && strcmp(slot.locale, locale) == 0) {
      slot.lastUse = ++useClock;
      return slot.catd;
    }
  }
  return kNoCatalogue;
}

bool MSG__Insert(const char *name, const char *locale, nl_catd catd) {
  if (strlen(name) >= MSG_CATALOGUE_NAME_MAX || strlen(locale) >= MSG_LOCALE_NAME_MAX) {
    return false;
  }
  CacheSlot *target = nullptr;
  for (CacheSlot &slot : descriptorCache) {
    if (!slot.used) {
      target = &slot;
      break;
    }
    if (!target || slot.lastUse < target->lastUse) target = &slot;
  }
  if (target->used) catclose(target->catd);
  target->used = true;
  snprintf(target->name, sizeof target->name, "%s", name);
  snprintf(target->locale, sizeof target->locale, "%s", locale);
  target->catd = catd;
  target->lastUse = ++useClock;
  return true;
}

void MSG__InitDescriptorCache(void) { EmptyCache(); }

void MSG__CleanUpDescriptorCache(void) { EmptyCache(); }

nl_catd MSG__OpenCatalogue(const char *name, const char *locale, const char *root) {
  nl_catd catd = catopen(name, kOpenFlag);
  if (catd != kNoCatalogue) return catd;

  // A root (QV_ROOT) holds the catalogues under usr/kq/share, as the build's stage
  // does; without one, the installed library looks where it was installed.
  char share[PATH_MAX];
  int n = root && *root ? snprintf(share, sizeof share, "%s/usr/kq/share", root)
                        : snprintf(share, sizeof share, "%s", KQ_INSTALL_DATADIR);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof share) return kNoCatalogue;
  char path[PATH_MAX];
  n = snprintf(path, sizeof path, "%s/messages/%s/%s", share, locale, name);
  if (n > 0 && static_cast<size_t>(n) < sizeof path) {
    catd = catopen(path, kOpenFlag);
    if (catd != kNoCatalogue) return catd;
  }
  n = snprintf(path, sizeof path, "%s/messages/default/%s", share, name);
  if (n > 0 && static_cast<size_t>(n) < sizeof path) {
    catd = catopen(path, kOpenFlag);
  }
  return catd;
}

uint32_t MSG__ReadMessage(const char *name, const char *locale, int set, int number,
                          kq::msg::Text *out) {
  if (set <= 0 || number <= 0) return MSG_ST_NOT_FOUND;

  // The text lives inside the open catalogue, which another thread may close by
  // evicting it, so it is copied before the lock is released.
  Locked lock(cacheLock);
  bool cached = true;
  nl_catd catd = MSG__Lookup(name, locale);
  if (catd == kNoCatalogue) {
    const char *root = getenv("QV_ROOT");
    catd = MSG__OpenCatalogue(name, locale, root ? root : "");
    if (catd == kNoCatalogue) return MSG_ST_NOT_FOUND;
    cached = MSG__Insert(name, locale, catd);
  }
  static const char kMissing[] = "";
  const char *text = catgets(catd, set, number, kMissing);
  uint32_t status = 0;
  if (text == kMissing) {
    status = MSG_ST_NOT_FOUND;
  } else {
    out->Clear();
    out->Append(text);
    if (out->failed()) status = MSG_ST_NO_MEMORY;
  }
  if (!cached) catclose(catd);
  return status;
}

}  // extern "C"
