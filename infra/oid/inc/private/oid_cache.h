// The registry's three caches of recent lookups, 73 entries each, least recently
// used replaced first: names (name -> binary OID and characteristics) and binaries
// (binary OID -> name and characteristics) in height-balanced trees, short OIDs
// (short OID -> name and characteristics) in a 73-chain hash over a fixed block.
// The caches take no lock: the registry holds each cache's mutex around every call.
#ifndef KQ_INFRA_OID_INC_PRIVATE_OID_CACHE_H
#define KQ_INFRA_OID_INC_PRIVATE_OID_CACHE_H

#include <cstddef>
#include <cstdint>

#include "infra/oid.h"
#include "infra/thr.h"

constexpr int OID_CACHE_SIZE = 73;

struct OID__nbEntry {
  unsigned char *key;  // the name with its NUL, or the binary OID's L + 2 bytes
  unsigned char chars[OID_CHARS_LEN];
  unsigned char *value;  // the other form (binary OID or name with NUL), or null
  size_t valueSize;      // bytes allocated for value
  int height;            // 0 for a leaf
  OID__nbEntry *left, *right;
  OID__nbEntry *newer, *older;  // use list
};

struct OID__nbCache {
  int keyKind;  // 1: names (strcmp); 0: binary OIDs (memcmp)
  int count;
  OID__nbEntry *root;
  OID__nbEntry *lru, *mru;
};

struct OID__shortEntry {
  uint32_t shoid;
  unsigned char chars[OID_CHARS_LEN];  // chars[0] == 0: none stored
  char *name;                          // or null
  size_t nameSize;                     // bytes allocated for name
  OID__shortEntry *next, *prev;        // hash chain
  OID__shortEntry *newer, *older;      // use list
};

extern OID__nbCache OID__nameCache;
extern OID__nbCache OID__binaryCache;
extern THR_mutex_t OID__nameCacheMutex, OID__binaryCacheMutex, OID__shortCacheMutex;
// Set at OID_Init from "OID_NO_CACHE": lookups answer 1 and additions do nothing.
extern bool OID__noCache;

// Empties all three caches (name cache key kind 1, binary cache key kind 0).
void OID__InitCache();
void OID__InitShortCache();
uint32_t OID__LookupNBCache(OID__nbCache *cache, const void *key, void *valueOut,
                            unsigned char *charsOut);
uint32_t OID__AddToNBCache(OID__nbCache *cache, const void *key, const void *value,
                           const unsigned char *chars);
void OID__DeleteNBTree(OID__nbCache *cache);
uint32_t OID__LookupShortCache(uint32_t shoid, char *nameOut, unsigned char *charsOut);
uint32_t OID__AddToShortCache(uint32_t shoid, const char *name, const unsigned char *chars);
void OID__DeleteShortCache();

// Test support: the short cache's use list from least to most recently used, and a
// check that a tree is ordered, balanced and counted right (returns its size, or
// -1 when it is not).
OID__shortEntry *OID__ShortCacheLru();
int OID__CheckNBTree(const OID__nbCache *cache);

#endif
