// The open database: file, root page and buffer pool, and the operations on the tree
// shared by the files of this family.
#ifndef KQ_INFRA_KQBM_INC_PRIVATE_KQBM_DB_H
#define KQ_INFRA_KQBM_INC_PRIVATE_KQBM_DB_H

#include <cstdint>

#include "infra/kqbm.h"
#include "internal/kqbm_page.h"

namespace kq::kqbm {

constexpr int kWritablePool = 10;
constexpr uint8_t kEmptyAge = 255;
// Deepest descent accepted; a sound tree of 16-bit page numbers is far shallower, so
// anything deeper is a loop in a damaged file.
constexpr int kMaxDepth = 24;

using PageBuf = uint8_t[kPageSize];

// Where a search ended: a page and an entry index, or a negative index (-1 none,
// -2 ambiguous, -3 out of memory while listing).
struct Position {
  uint16_t node;
  int index;
};

// Trace severities of this family.
constexpr int kSevError = 5;    // failures and damaged files
constexpr int kSevMatch = 6;    // abbreviation matches
constexpr int kSevDetail = 14;  // steps of store, delete and merge

}  // namespace kq::kqbm

struct KQBM_database {
  int fd;
  int flags;
  bool writable;
  // Pages the file held when it was opened. A new page is never numbered below it: a
  // damaged root whose highest page is lower than the file must not make a store
  // overwrite pages that may still be linked from the tree.
  long filePages;
  // The buffer pool, one block: buffer i holds page pageNo[i]; age[i] orders the
  // buffers by last use (0 = most recent, 255 = holds no page). slot[p] is one more
  // than the buffer holding page p, 0 when none does.
  int nbuf;
  kq::kqbm::PageBuf *pages;
  uint16_t *pageNo;
  uint8_t *age;
  uint8_t *slot;
  uint8_t root[kq::kqbm::kPageSize];  // page 0, held here from open to close
};

namespace kq::kqbm {

inline uint16_t Highest(const KQBM_database *db) { return Parent(db->root); }

// The buffer pool. CachedNode gives page p (0 is the root), reading and checking it
// when it is not in a buffer; null when it cannot be read, is damaged or lies beyond
// the highest page. The pointer is valid until the next pool call.
uint8_t *CachedNode(KQBM_database *db, uint16_t p);
// Allocates page highest + 1 (at least the file's page count at open) as an empty node
// of `type`; null when none is left or a
// changed buffer could not be written.
uint8_t *GetNewPage(KQBM_database *db, uint8_t type, uint16_t parent, uint16_t *pageNo);
// Writes the root (when changed) and every changed buffer; false on a failed write.
bool FlushPool(KQBM_database *db);
// Sets up `count` buffers, all empty.
bool InitializeBufferPool(KQBM_database *db, int count);
// Reads page p into buffer b at open (age b); false when it cannot be read or is
// damaged.
bool PreloadPage(KQBM_database *db, int b, uint16_t p);
bool ReadPage(KQBM_database *db, uint16_t p, uint8_t *into);

// Key comparison results.
constexpr int kBefore = 0, kEqual = 1, kAfter = 2, kNoKey = 3, kUndecided = 4;
int CompareKeys(const uint8_t *a, int alen, const uint8_t *b, int blen);
int CompareNames(const uint8_t *a, int alen, const uint8_t *b, int blen, int caseMode);
int CompareKeysAbbrev(const uint8_t *a, int alen, const uint8_t *b, int blen);

// Exact search (caseMode < 0) or name search; the result's node is the last page
// reached. Returns false when a page could not be had (damaged file).
bool Search(KQBM_database *db, const uint8_t *key, int len, int caseMode, Position *out);
// Abbreviation search; with `list` every matching key is appended to *list.
Position SearchAbbrev(KQBM_database *db, const uint8_t *abbrev, int len, KQBM_nameSeq_t **list);

// Tree changes (store and delete). Each returns 0 or a status code.
uint32_t AddItem(KQBM_database *db, const uint8_t *key, int keyLen, const uint8_t *content,
                 int contentLen);
uint32_t RemoveItem(KQBM_database *db, const uint8_t *key, int keyLen);

// Makes page x hold `seq`, moving entries to its neighbours or splitting when they do
// not fit, and brings the separators above it up to date. `extChanged`: the key of
// the last entry (the greatest of x's subtree) is new and must be carried upward.
// `newAt`: index of the entry being added, or -1.
uint32_t Place(KQBM_database *db, uint16_t x, Seq &seq, bool extChanged, int newAt, int depth);
// The greatest key of y's subtree is now `key`: replaces the separator above y.
uint32_t SetGreatest(KQBM_database *db, uint16_t y, const std::string &key, int depth);
// The parent of x and x's index among its children; a status code when the parent
// link does not hold.
uint32_t ParentOf(KQBM_database *db, uint16_t x, uint16_t *parent, int *index);
// Decodes page p (a copy).
uint32_t LoadSeq(KQBM_database *db, uint16_t p, Seq &out, uint8_t *type);
// Writes entries [b, e) of seq into page p and re-parents the children that came from
// other pages.
uint32_t StoreSeq(KQBM_database *db, uint16_t p, const Seq &seq, size_t b, size_t e);

}  // namespace kq::kqbm

#endif
