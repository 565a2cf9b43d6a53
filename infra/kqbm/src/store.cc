// Storing an item: insert in place when the leaf has room, otherwise let the node
// placement shift it into a neighbour or split.
#include <new>
#include <string>

#include "infra/svclog.h"
#include "private/kqbm_db.h"

using namespace kq::kqbm;

namespace kq::kqbm {

uint32_t AddItem(KQBM_database *db, const uint8_t *key, int keyLen, const uint8_t *content,
                 int contentLen) {
  Position pos;
  if (!Search(db, key, keyLen, -1, &pos)) return KQBM_ST_BAD_NODE;
  uint16_t node = pos.node;
  if (node == 0) {
    // An empty tree: the root gets the key, a leaf for the item and an empty leaf to
    // its right.
    if (Last(db->root) != 0) {
      LOG_COND_MESSAGE(kSevError,
                       "KQBM: AddItem(), should be an empty tree, but it's not. root.node.last = "
                       "%lu\n",
                       static_cast<unsigned long>(Last(db->root)));
      return KQBM_ST_NOT_EMPTY;
    }
    Seq root(2);
    if (!GetNewPage(db, kLeafNode, 0, &root[0].child) ||
        !GetNewPage(db, kLeafNode, 0, &root[1].child)) {
      return KQBM_ST_NO_ROOM;
    }
    root[0].key.assign(reinterpret_cast<const char *>(key), static_cast<size_t>(keyLen));
    root[1].hasKey = false;
    if (uint32_t st = StoreSeq(db, 0, root, 0, 2)) return st;
    node = root[0].child;
  }
  uint8_t *pg = CachedNode(db, node);
  if (!pg) return KQBM_ST_BAD_NODE;
  if (!IsLeaf(pg)) {
    LOG_COND_MESSAGE(kSevError, "KQBM: AddToLeafNode(), invalid node type. nodeType = %d\n",
                     NodeType(pg));
    return KQBM_ST_BAD_NODE;
  }
  const int last = Last(pg);
  int at = 0;
  while (at < last) {
    Bytes k = EntryKey(pg, at);
    if (CompareKeys(key, keyLen, k.p, k.len) == kBefore) break;
    at++;
  }
  LOG_COND_MESSAGE(kSevDetail, "Entering InsertItemAt() -- node[%d], idex[%d]", node, at);
  std::string keyText(reinterpret_cast<const char *>(key), static_cast<size_t>(keyLen));
  if (last < kMaxEntries && FreeSpace(pg) >= ItemSize(keyLen, contentLen)) {
    InsertItemRaw(pg, at, key, keyLen, content, contentLen);
    return at == last ? SetGreatest(db, node, keyText, 1) : 0;
  }
  Seq seq;
  DecodePage(pg, seq, node);
  Entry e;
  e.key = std::move(keyText);
  e.content.assign(reinterpret_cast<const char *>(content), static_cast<size_t>(contentLen));
  e.from = node;
  seq.insert(seq.begin() + at, std::move(e));
  return Place(db, node, seq, false, at, 1);
}

}  // namespace kq::kqbm

namespace {

uint32_t Store(KQBM_database *db, datum key, datum content, int mode) {
  if (!db) return KQBM_ST_NO_HANDLE;
  if (!db->writable) return KQBM_ST_BAD_MODE;
  if (!key.dptr || key.dsize < 0) return KQBM_ST_KEY_TOO_LONG;
  if (content.dsize < 0 || (content.dsize > 0 && !content.dptr)) return KQBM_ST_ITEM_TOO_LONG;
  const auto *k = reinterpret_cast<const uint8_t *>(key.dptr);
  const auto *c = reinterpret_cast<const uint8_t *>(content.dptr);
  Position pos;
  if (!Search(db, k, key.dsize, -1, &pos)) return KQBM_ST_BAD_NODE;
  if (pos.index >= 0 && mode != KQBM_REPLACE) return KQBM_ST_EXISTS;
  // Limits are checked before anything changes, so a refused replace keeps the old item.
  if (key.dsize > KQBM_MAX_KEY) {
    LOG_COND_MESSAGE(kSevError, "KQBM: key is too long. keySize = %d\n", key.dsize);
    return KQBM_ST_KEY_TOO_LONG;
  }
  if (static_cast<int64_t>(key.dsize) + content.dsize > KQBM_MAX_ITEM) {
    LOG_COND_MESSAGE(kSevError, "KQBM: item is too long. keySize = %d contentSize = %d\n",
                     key.dsize, content.dsize);
    return KQBM_ST_ITEM_TOO_LONG;
  }
  if (pos.index >= 0) {
    if (uint32_t st = RemoveItem(db, k, key.dsize)) return st;
  }
  static const uint8_t kNothing = 0;
  return AddItem(db, k, key.dsize, c ? c : &kNothing, content.dsize);
}

}  // namespace

extern "C" uint32_t KQBM_store(KQBM_dbHandle_t db, datum key, datum content, int mode) {
  LOG_COND_FUNC_TRACE("KQBM_store", 1, nullptr);
  uint32_t st;
  try {
    st = Store(db, key, content, mode);
  } catch (const std::bad_alloc &) {
    LOG_COND_MESSAGE(kSevError, "KQBM: KQBM_store(), out of memory\n");
    st = KQBM_ST_NO_MEMORY;
  }
  LOG_COND_FUNC_TRACE("KQBM_store", 0, "result = 0x%x", st);
  return st;
}
