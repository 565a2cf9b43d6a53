// The short-OID cache: 73 hash chains (short OID modulo 73) over a fixed block of
// 73 entries allocated once, and a use list for replacement.
#include <cstdlib>
#include <cstring>

#include "private/oid_cache.h"

namespace {

using Entry = OID__shortEntry;

struct ShortCache {
  Entry *chains[OID_CACHE_SIZE];
  Entry *block;  // the 73 entries, never freed
  int count;     // entries of the block in use
  Entry *lru, *mru;
} cache;

void Unlink(Entry *e) {
  (e->older ? e->older->newer : cache.lru) = e->newer;
  (e->newer ? e->newer->older : cache.mru) = e->older;
  e->newer = e->older = nullptr;
}

void MakeNewest(Entry *e) {
  if (cache.mru == e) return;
  if (e->older || e->newer || cache.lru == e) Unlink(e);
  e->older = cache.mru;
  (cache.mru ? cache.mru->newer : cache.lru) = e;
  cache.mru = e;
}

void Unchain(Entry *e) {
  (e->prev ? e->prev->next : cache.chains[e->shoid % OID_CACHE_SIZE]) = e->next;
  if (e->next) e->next->prev = e->prev;
  e->next = e->prev = nullptr;
}

Entry *Find(uint32_t shoid) {
  for (Entry *e = cache.chains[shoid % OID_CACHE_SIZE]; e; e = e->next) {
    if (e->shoid == shoid) return e;
  }
  return nullptr;
}

// Gives the entry a copy of `name` (none when null), reusing its buffer when long
// enough. Allocates before it changes anything, so a failure leaves the entry as it was.
bool SetName(Entry *e, const char *name) {
  if (!name) {
    free(e->name);
    e->name = nullptr;
    e->nameSize = 0;
    return true;
  }
  size_t size = strlen(name) + 1;
  if (!e->name || e->nameSize < size) {
    char *buf = static_cast<char *>(malloc(size));
    if (!buf) return false;
    free(e->name);
    e->name = buf;
    e->nameSize = size;
  }
  memcpy(e->name, name, size);
  return true;
}

}  // namespace

void OID__InitShortCache() {
  OID__DeleteShortCache();
  if (!cache.block) cache.block = static_cast<Entry *>(calloc(OID_CACHE_SIZE, sizeof(Entry)));
  if (cache.block) memset(cache.block, 0, OID_CACHE_SIZE * sizeof(Entry));
  memset(cache.chains, 0, sizeof cache.chains);
  cache.count = 0;
  cache.lru = cache.mru = nullptr;
}

uint32_t OID__LookupShortCache(uint32_t shoid, char *nameOut, unsigned char *charsOut) {
  if (OID__noCache) return 1;
  Entry *e = Find(shoid);
  if (!e) return OID_ST_NOT_FOUND;
  if ((nameOut && !e->name) || (charsOut && e->chars[0] == 0)) return OID_ST_NO_RELATED;
  if (nameOut) memcpy(nameOut, e->name, strlen(e->name) + 1);
  if (charsOut) memcpy(charsOut, e->chars, OID_CHARS_LEN);
  MakeNewest(e);
  return 0;
}

uint32_t OID__AddToShortCache(uint32_t shoid, const char *name, const unsigned char *chars) {
  if (OID__noCache) return 0;
  if (!cache.block) return OID_ST_NO_MEMORY;
  Entry *e = Find(shoid);
  if (e) {
    if (name && !e->name) {
      if (!SetName(e, name)) return OID_ST_NO_MEMORY;
    } else if (chars) {
      memcpy(e->chars, chars, OID_CHARS_LEN);
    }
    MakeNewest(e);
    return 0;
  }
  // The next unused entry of the block, or the least recently used one.
  bool fresh = cache.count < OID_CACHE_SIZE;
  e = fresh ? &cache.block[cache.count] : cache.lru;
  if (!SetName(e, name)) return OID_ST_NO_MEMORY;
  if (fresh) {
    cache.count++;
  } else {
    Unchain(e);
    Unlink(e);
  }
  e->shoid = shoid;
  if (chars) {
    memcpy(e->chars, chars, OID_CHARS_LEN);
  } else {
    memset(e->chars, 0, OID_CHARS_LEN);
  }
  Entry **head = &cache.chains[shoid % OID_CACHE_SIZE];
  e->prev = nullptr;
  e->next = *head;
  if (*head) (*head)->prev = e;
  *head = e;
  MakeNewest(e);
  return 0;
}

void OID__DeleteShortCache() {
  if (!cache.block) return;
  for (int i = 0; i < OID_CACHE_SIZE; i++) {
    free(cache.block[i].name);
    cache.block[i].name = nullptr;
    cache.block[i].nameSize = 0;
  }
}

OID__shortEntry *OID__ShortCacheLru() { return cache.lru; }
