// The buffer pool: a fixed number of page buffers replaced least recently used first.
// The root is not in the pool; it lives in the handle from open to close.
#include <unistd.h>

#include <cstdlib>

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
Buffer *Choose(KQBM_database *db, uint16_t p, bool *holds, bool *loaded) {
  Buffer *bufs = db->bufs;
  int chosen = 0;
  *holds = false;
  for (int i = 0; i < db->nbuf; i++) {
    if (bufs[i].age != kEmptyAge && bufs[i].pageNo == p) {
      if (bufs[i].age == 0) {
        *holds = *loaded = true;
        return &bufs[i];
      }
      chosen = i;
      *holds = true;
      break;
    }
    if (bufs[i].age > bufs[chosen].age) chosen = i;
  }
  uint8_t age = bufs[chosen].age;
  *loaded = age != kEmptyAge;
  for (int i = 0; i < db->nbuf; i++) {
    if (bufs[i].age < age) bufs[i].age++;
  }
  bufs[chosen].age = 0;
  return &bufs[chosen];
}

// Frees the chosen buffer for another page, writing its changed page first.
bool Evict(KQBM_database *db, Buffer *b, bool loaded) {
  if (loaded && db->writable && (b->page[0] & kModified)) {
    b->page[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, b->pageNo, b->page)) {
      b->page[0] |= kModified;
      LOG_CondMessage(kSevError, __FILE__, __LINE__,
                      "KQBM: CachedNode(), failed to write node = %d\n", b->pageNo);
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadPage(KQBM_database *db, uint16_t p, uint8_t *into) {
  off_t at = static_cast<off_t>(p) * kPageSize;
  return pread(db->fd, into, kPageSize, at) == kPageSize;
}

bool InitializeBufferPool(KQBM_database *db, int count) {
  db->bufs = static_cast<Buffer *>(calloc(static_cast<size_t>(count), sizeof(Buffer)));
  if (!db->bufs) {
    LOG_CondMessage(kSevError, __FILE__, __LINE__, "KQBM: malloc failed in InitializeBufferPool\n");
    return false;
  }
  db->nbuf = count;
  for (int i = 0; i < count; i++) db->bufs[i].age = kEmptyAge;
  return true;
}

uint8_t *CachedNode(KQBM_database *db, uint16_t p) {
  if (p == 0) return db->root;
  if (p > Highest(db)) {
    LOG_CondMessage(kSevError, __FILE__, __LINE__,
                    "KQBM: CachedNode(), node = %d beyond the last node = %d\n", p, Highest(db));
    return nullptr;
  }
  bool holds, loaded;
  Buffer *b = Choose(db, p, &holds, &loaded);
  if (holds) return b->page;
  if (!Evict(db, b, loaded)) return nullptr;
  b->pageNo = p;
  if (!ReadPage(db, p, b->page) || !ValidatePage(b->page, false)) {
    b->age = kEmptyAge;
    LOG_CondMessage(kSevError, __FILE__, __LINE__,
                    "KQBM: CachedNode(), node = %d could not be read or is damaged\n", p);
    return nullptr;
  }
  b->page[0] &= static_cast<uint8_t>(~kModified);
  return b->page;
}

uint8_t *GetNewPage(KQBM_database *db, uint8_t type, uint16_t parent, uint16_t *pageNo) {
  unsigned p = Highest(db) + 1u;
  if (p > 0xffffu) {
    LOG_CondMessage(kSevError, __FILE__, __LINE__, "KQBM: GetNewPage(), no page number left\n");
    return nullptr;
  }
  bool holds, loaded;
  Buffer *b = Choose(db, static_cast<uint16_t>(p), &holds, &loaded);
  if (!holds && !Evict(db, b, loaded)) return nullptr;
  b->pageNo = static_cast<uint16_t>(p);
  SetParent(db->root, p);
  MarkModified(db->root);
  InitPage(b->page, type, static_cast<uint16_t>(p), parent);
  *pageNo = static_cast<uint16_t>(p);
  return b->page;
}

bool FlushPool(KQBM_database *db) {
  if (!db->writable) return true;
  if (db->root[0] & kModified) {
    db->root[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, 0, db->root)) return false;
  }
  for (int i = 0; i < db->nbuf; i++) {
    Buffer *b = &db->bufs[i];
    if (b->age == kEmptyAge || !(b->page[0] & kModified)) continue;
    b->page[0] &= static_cast<uint8_t>(~kModified);
    if (!WritePage(db, b->pageNo, b->page)) return false;
  }
  return true;
}

}  // namespace kq::kqbm
