// The fetch operations: exact key, name with or without case, and abbreviation.
#include <cstdlib>

#include "infra/svclog.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm;

namespace {

const datum kNone = {nullptr, 0};

const uint8_t *Bytes_(datum d) { return reinterpret_cast<const uint8_t *>(d.dptr); }

// The content of the item at a search position; the page is taken from the pool
// again, since the search may have moved on after finding it.
datum ContentAt(KQBM_database *db, Position pos) {
  if (pos.index < 0) return kNone;
  const uint8_t *pg = CachedNode(db, pos.node);
  if (!pg || !IsLeaf(pg) || pos.index >= Last(pg)) return kNone;
  Bytes c = ItemContent(pg, pos.index);
  return {reinterpret_cast<char *>(const_cast<uint8_t *>(c.p)), c.len};
}

datum FetchWith(KQBM_database *db, datum key, int caseMode) {
  if (!db || key.dsize < 0) return kNone;
  Position pos;
  if (!Search(db, Bytes_(key), key.dsize, caseMode, &pos)) return kNone;
  return ContentAt(db, pos);
}

void FreeList(KQBM_nameSeq_t *l) {
  while (l) {
    KQBM_nameSeq_t *next = l->next;
    free(l);
    l = next;
  }
}

}  // namespace

extern "C" {

datum KQBM_fetch(KQBM_dbHandle_t db, datum key) {
  LOG_COND_FUNC_TRACE("KQBM_fetch", 1, nullptr);
  datum r = FetchWith(db, key, -1);
  LOG_COND_FUNC_TRACE("KQBM_fetch", 0, nullptr);
  return r;
}

datum KQBM_fetchName(KQBM_dbHandle_t db, datum key, int caseMode) {
  LOG_COND_FUNC_TRACE("KQBM_fetchName", 1, nullptr);
  datum r = FetchWith(db, key, caseMode == 1 ? 1 : 0);
  LOG_COND_FUNC_TRACE("KQBM_fetchName", 0, nullptr);
  return r;
}

datum KQBM_fetchAbbrev(KQBM_dbHandle_t db, datum abbrev, KQBM_nameSeq_t **list, int keepList) {
  LOG_COND_FUNC_TRACE("KQBM_fetchAbbrev", 1, nullptr);
  datum r = {nullptr, -1};
  if (list) *list = nullptr;
  if (db && abbrev.dsize >= 0) {
    KQBM_nameSeq_t *found = nullptr;
    Position pos = SearchAbbrev(db, Bytes_(abbrev), abbrev.dsize, list ? &found : nullptr);
    if (pos.index >= 0) {
      r = ContentAt(db, pos);
      if (!r.dptr) r.dsize = -1;  // the page went away: a damaged file
      if (list && keepList == 1 && r.dptr) {
        *list = found;
        found = nullptr;
      }
    } else if (pos.index == -2) {
      r.dsize = -2;
      if (list) {
        *list = found;
        found = nullptr;
      }
    } else if (pos.index == -3) {
      r.dsize = -3;
    }
    FreeList(found);
  }
  LOG_COND_FUNC_TRACE("KQBM_fetchAbbrev", 0, nullptr);
  return r;
}

}  // extern "C"
