// The buffer pool: a fixed number of page buffers replaced least recently used first.
// The root is not in the pool; it lives in the handle from open to close.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "private/kqbm_db.h"

namespace kq::kqbm {

namespace {

bool WritePage(KQBM_database *db, uint16_t p, const uint8_t *from) {
  off_t at = static_cast<off_t>(p) * kPageSize;
  return pwrite(db->fd, from, kPageSize, at) == kPageSize;
}

// Chooses the buffer for page p and makes it the most recently used: the buffer
// already holding p, else the first of the oldest (empty buffers count as oldest).
// Every buffer younger than the chosen one ages by one. *holds tells whether the
// chosen buffer already holds p, *loaded whether it holds any page.
int Choose(KQBM_database *db, uint16_t p, bool *holds, bool *loaded) {
  uint8_t *ages = db->age;
  int chosen = db->slot[p] - 1;
  *holds = chosen >= 0;
  if (chosen < 0) {
    chosen = 0;
    for (int i = 1; i < db->nbuf; i++) {
      if (ages[i] > ages[chosen]) chosen = i;
    }
  }
  const uint8_t age = ages[chosen];
  *loaded = age != kEmptyAge;
  if (age != 0) {
    for (int i = 0; i < db->nbuf; i++) ages[i] = static_cast<uint8_t>(ages[i] + (ages[i] < age));
    ages[chosen] = 0;
  }
  return chosen;
}

// Frees buffer b for another page, writing its changed page first.
bool Evict(KQBM_database *db, int b, bool loaded) {
  if (!loaded) return true;
  uint8_t *pg = db->pages[b];
  if (db->writable && (pg[0] & kModified)) {
    pg[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, db->pageNo[b], pg)) {
      pg[0] |= kModified;
      LOG_COND_MESSAGE(kSevError, "KQBM: CachedNode(), failed to write node = %d\n", db->pageNo[b]);
      return false;
    }
  }
  db->slot[db->pageNo[b]] = 0;
  return true;
}

void Hold(KQBM_database *db, int b, uint16_t p) {
  db->pageNo[b] = p;
  db->slot[p] = static_cast<uint8_t>(b + 1);
}

}  // namespace

bool ReadPage(KQBM_database *db, uint16_t p, uint8_t *into) {
  off_t at = static_cast<off_t>(p) * kPageSize;
  return pread(db->fd, into, kPageSize, at) == kPageSize;
}

bool InitializeBufferPool(KQBM_database *db, int count) {
  const size_t n = static_cast<size_t>(count);
  size_t bytes = n * (kPageSize + sizeof(uint16_t) + 1) + 65536;
  auto *block = static_cast<uint8_t *>(calloc(1, bytes));
  if (!block) {
    LOG_COND_MESSAGE(kSevError, "KQBM: malloc failed in InitializeBufferPool\n");
    return false;
  }
  db->pages = reinterpret_cast<PageBuf *>(block);
  db->pageNo = reinterpret_cast<uint16_t *>(block + n * kPageSize);
  db->age = block + n * (kPageSize + sizeof(uint16_t));
  db->slot = db->age + n;
  db->nbuf = count;
  memset(db->age, kEmptyAge, n);
  return true;
}

bool PreloadPage(KQBM_database *db, int b, uint16_t p) {
  if (!ReadPage(db, p, db->pages[b]) || !ValidatePage(db->pages[b], false)) return false;
  db->pages[b][0] &= static_cast<uint8_t>(~kModified);
  Hold(db, b, p);
  db->age[b] = static_cast<uint8_t>(b);
  return true;
}

uint8_t *CachedNode(KQBM_database *db, uint16_t p) {
  if (p == 0) return db->root;
  if (p > Highest(db)) {
    LOG_COND_MESSAGE(kSevError, "KQBM: CachedNode(), node = %d beyond the last node = %d\n", p,
                     Highest(db));
    return nullptr;
  }
  bool holds, loaded;
  int b = Choose(db, p, &holds, &loaded);
  uint8_t *pg = db->pages[b];
  if (holds) return pg;
  if (!Evict(db, b, loaded)) return nullptr;
  if (!ReadPage(db, p, pg) || !ValidatePage(pg, false)) {
    db->age[b] = kEmptyAge;
    LOG_COND_MESSAGE(kSevError, "KQBM: CachedNode(), node = %d could not be read or is damaged\n",
                     p);
    return nullptr;
  }
  pg[0] &= static_cast<uint8_t>(~kModified);
  Hold(db, b, p);
  return pg;
}

uint8_t *GetNewPage(KQBM_database *db, uint8_t type, uint16_t parent, uint16_t *pageNo) {
  unsigned p = Highest(db) + 1u;
  if (db->filePages > static_cast<long>(p))
    p = static_cast<unsigned>(std::min(db->filePages, 0x10000L));
  if (p > 0xffffu) {
    LOG_COND_MESSAGE(kSevError, "KQBM: GetNewPage(), no page number left\n");
    return nullptr;
  }
  bool holds, loaded;
  int b = Choose(db, static_cast<uint16_t>(p), &holds, &loaded);
  if (!holds && !Evict(db, b, loaded)) return nullptr;
  Hold(db, b, static_cast<uint16_t>(p));
  SetParent(db->root, p);
  MarkModified(db->root);
  InitPage(db->pages[b], type, static_cast<uint16_t>(p), parent);
  *pageNo = static_cast<uint16_t>(p);
  return db->pages[b];
}

bool FlushPool(KQBM_database *db) {
  if (!db->writable) return true;
  if (db->root[0] & kModified) {
    db->root[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, 0, db->root)) return false;
  }
  for (int i = 0; i < db->nbuf; i++) {
    uint8_t *pg = db->pages[i];
    if (db->age[i] == kEmptyAge || !(pg[0] & kModified)) continue;
    pg[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, db->pageNo[i], pg)) return false;
  }
  return true;
}

}  // namespace kq::kqbm
