// The name and binary caches: a height-balanced search tree on the key for
// lookups, and a use list from least to most recently used for replacement.
#include <cstdlib>
#include <cstring>

#include "private/oid_cache.h"

OID__nbCache OID__nameCache{1, 0, nullptr, nullptr, nullptr};
OID__nbCache OID__binaryCache{0, 0, nullptr, nullptr, nullptr};

namespace {

using Entry = OID__nbEntry;

size_t KeySize(int keyKind, const void *key) {
  const auto *k = static_cast<const unsigned char *>(key);
  return keyKind == 1 ? strlen(static_cast<const char *>(key)) + 1 : k[1] + 2u;
}

// The value is the other form: a binary OID for name keys, a name for binary keys.
size_t ValueSize(int keyKind, const void *value) { return KeySize(!keyKind, value); }

int Compare(int keyKind, const void *a, const void *b) {
  if (keyKind == 1) return strcmp(static_cast<const char *>(a), static_cast<const char *>(b));
  size_t n = KeySize(0, a) < KeySize(0, b) ? KeySize(0, a) : KeySize(0, b);
  return memcmp(a, b, n);
}

int H(const Entry *e) { return e ? e->height : -1; }

void Fix(Entry *e) { e->height = (H(e->left) > H(e->right) ? H(e->left) : H(e->right)) + 1; }

Entry *Balance(Entry *n);

Entry *RotateRight(Entry *n) {
  Entry *l = n->left;
  n->left = l->right;
  Fix(n);
  l->right = Balance(n);
  Fix(l);
  return l;
}

Entry *RotateLeft(Entry *n) {
  Entry *r = n->right;
  n->right = r->left;
  Fix(n);
  r->left = Balance(n);
  Fix(r);
  return r;
}

Entry *Balance(Entry *n) {
  int balance = H(n->right) - H(n->left);
  if (balance <= -2) {
    if (H(n->left->right) > H(n->left->left)) n->left = RotateLeft(n->left);
    return RotateRight(n);
  }
  if (balance >= 2) {
    if (H(n->right->left) > H(n->right->right)) n->right = RotateRight(n->right);
    return RotateLeft(n);
  }
  Fix(n);
  return n;
}

void Unlink(OID__nbCache *c, Entry *e) {
  (e->older ? e->older->newer : c->lru) = e->newer;
  (e->newer ? e->newer->older : c->mru) = e->older;
  e->newer = e->older = nullptr;
}

void MakeNewest(OID__nbCache *c, Entry *e) {
  if (c->mru == e) return;
  if (e->older || e->newer || c->lru == e) Unlink(c, e);
  e->older = c->mru;
  (c->mru ? c->mru->newer : c->lru) = e;
  c->mru = e;
}

void FreeEntry(Entry *e) {
  free(e->key);
  free(e->value);
  free(e);
}

// Inserts e below n; an entry with an equal key is replaced in place and freed.
Entry *Insert(OID__nbCache *c, Entry *n, Entry *e) {
  if (!n) {
    c->count++;
    e->height = 0;
    return e;
  }
  int cmp = Compare(c->keyKind, e->key, n->key);
  if (cmp == 0) {
    e->left = n->left;
    e->right = n->right;
    e->height = n->height;
    Unlink(c, n);
    FreeEntry(n);
    return e;
  }
  (cmp < 0 ? n->left : n->right) = Insert(c, cmp < 0 ? n->left : n->right, e);
  return Balance(n);
}

Entry *RemoveSmallest(Entry *n, Entry **smallest) {
  if (!n->left) {
    *smallest = n;
    return n->right;
  }
  n->left = RemoveSmallest(n->left, smallest);
  return Balance(n);
}

Entry *Remove(int keyKind, Entry *n, const void *key) {
  if (!n) return nullptr;
  int cmp = Compare(keyKind, key, n->key);
  if (cmp < 0) {
    n->left = Remove(keyKind, n->left, key);
  } else if (cmp > 0) {
    n->right = Remove(keyKind, n->right, key);
  } else {
    if (!n->right) return n->left;
    Entry *m = nullptr;
    Entry *rest = RemoveSmallest(n->right, &m);
    m->left = n->left;
    m->right = rest;
    return Balance(m);
  }
  return Balance(n);
}

// Takes the least recently used entry out of the tree and the list for reuse.
Entry *Evict(OID__nbCache *c) {
  Entry *e = c->lru;
  c->root = Remove(c->keyKind, c->root, e->key);
  Unlink(c, e);
  c->count--;
  e->left = e->right = nullptr;
  e->height = 0;
  return e;
}

// Copies `size` bytes of `src` into *buf, reusing it when the new value is smaller.
bool CopyInto(unsigned char **buf, size_t *bufSize, const void *src, size_t size) {
  if (!src) {
    free(*buf);
    *buf = nullptr;
    *bufSize = 0;
    return true;
  }
  if (!*buf || size >= *bufSize) {
    free(*buf);
    *buf = static_cast<unsigned char *>(malloc(size));
    *bufSize = *buf ? size : 0;
    if (!*buf) return false;
  }
  memcpy(*buf, src, size);
  return true;
}

Entry *Find(const OID__nbCache *c, const void *key) {
  Entry *n = c->root;
  while (n) {
    int cmp = Compare(c->keyKind, key, n->key);
    if (cmp == 0) return n;
    n = cmp < 0 ? n->left : n->right;
  }
  return nullptr;
}

int Check(const OID__nbCache *c, const Entry *n, const Entry *lo, const Entry *hi, int *height) {
  if (!n) {
    *height = -1;
    return 0;
  }
  if ((lo && Compare(c->keyKind, lo->key, n->key) >= 0) ||
      (hi && Compare(c->keyKind, n->key, hi->key) >= 0)) {
    return -1;
  }
  int hl, hr;
  int nl = Check(c, n->left, lo, n, &hl), nr = Check(c, n->right, n, hi, &hr);
  if (nl < 0 || nr < 0 || hl - hr > 1 || hr - hl > 1) return -1;
  *height = (hl > hr ? hl : hr) + 1;
  if (*height != n->height) return -1;
  return nl + nr + 1;
}

}  // namespace

uint32_t OID__LookupNBCache(OID__nbCache *cache, const void *key, void *valueOut,
                            unsigned char *charsOut) {
  if (OID__noCache) return 1;
  Entry *n = Find(cache, key);
  if (!n) return OID_ST_NOT_FOUND;
  if (valueOut && !n->value) return OID_ST_NO_RELATED;
  if (valueOut) memcpy(valueOut, n->value, ValueSize(cache->keyKind, n->value));
  if (charsOut) memcpy(charsOut, n->chars, OID_CHARS_LEN);
  MakeNewest(cache, n);
  return 0;
}

uint32_t OID__AddToNBCache(OID__nbCache *cache, const void *key, const void *value,
                           const unsigned char *chars) {
  if (OID__noCache) return 0;
  // A key already cached is replaced in place, so a full cache only gives up its
  // least recently used entry for a new key.
  Entry *e = cache->count < OID_CACHE_SIZE || Find(cache, key)
                 ? static_cast<Entry *>(calloc(1, sizeof(Entry)))
                 : Evict(cache);
  if (!e) return OID_ST_NO_MEMORY;
  size_t keySize = KeySize(cache->keyKind, key);
  free(e->key);
  e->key = static_cast<unsigned char *>(malloc(keySize));
  if (!e->key ||
      !CopyInto(&e->value, &e->valueSize, value, value ? ValueSize(cache->keyKind, value) : 0)) {
    FreeEntry(e);
    return OID_ST_NO_MEMORY;
  }
  memcpy(e->key, key, keySize);
  if (chars) {
    memcpy(e->chars, chars, OID_CHARS_LEN);
  } else {
    memset(e->chars, 0, OID_CHARS_LEN);
  }
  MakeNewest(cache, e);
  cache->root = Insert(cache, cache->root, e);
  return 0;
}

void OID__DeleteNBTree(OID__nbCache *cache) {
  for (Entry *e = cache->lru; e;) {
    Entry *next = e->newer;
    FreeEntry(e);
    e = next;
  }
  cache->root = cache->lru = cache->mru = nullptr;
  cache->count = 0;
}

int OID__CheckNBTree(const OID__nbCache *cache) {
  int height;
  int n = Check(cache, cache->root, nullptr, nullptr, &height);
  int listed = 0;
  for (const Entry *e = cache->lru; e; e = e->newer) listed++;
  return n == cache->count && listed == n ? n : -1;
}
