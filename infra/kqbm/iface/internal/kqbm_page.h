// Layout of a page of a paged B-tree file. Every page is 1024 bytes with a 74-byte
// head; all 16-bit fields are most significant byte first.
//
//   0  flags: bits 5..0 node type, bit 6 changed in memory (masked off when read)
//   2  last: number of entries     4  node id     6  used bytes of the data area
//   8  parent page (in the root: highest page number allocated)
//  10  offset[0..31] of each entry from the start of the data area
//  74  root and inner nodes: child[0..32]; data area from 140 (884 bytes)
//      leaves: two unused bytes; data area from 76 (948 bytes)
//
// An entry is a serialized key (16-bit length, bytes, a pad byte when the length is
// odd); a leaf item is a serialized key followed by its content in the same form.
#ifndef KQ_INFRA_KQBM_IFACE_INTERNAL_KQBM_PAGE_H
#define KQ_INFRA_KQBM_IFACE_INTERNAL_KQBM_PAGE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kq::kqbm {

constexpr int kPageSize = 1024;
constexpr int kMaxEntries = 32;
constexpr int kOffsetsAt = 10;
constexpr int kChildrenAt = 74;
constexpr int kInnerDataAt = 140;
constexpr int kLeafDataAt = 76;
constexpr int kInnerArea = kPageSize - kInnerDataAt;  // 884
constexpr int kLeafArea = kPageSize - kLeafDataAt;    // 948

constexpr uint8_t kRootNode = 0;
constexpr uint8_t kInnerNode = 1;
constexpr uint8_t kLeafNode = 2;
constexpr uint8_t kTypeMask = 0x3f;
constexpr uint8_t kModified = 0x40;

inline uint16_t Get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline void Put16(uint8_t *p, unsigned v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

inline uint8_t NodeType(const uint8_t *pg) { return pg[0] & kTypeMask; }
inline bool IsLeaf(const uint8_t *pg) { return NodeType(pg) == kLeafNode; }
inline int Last(const uint8_t *pg) { return static_cast<int16_t>(Get16(pg + 2)); }
inline uint16_t NodeId(const uint8_t *pg) { return Get16(pg + 4); }
inline int Used(const uint8_t *pg) { return Get16(pg + 6); }
inline uint16_t Parent(const uint8_t *pg) { return Get16(pg + 8); }
inline int Offset(const uint8_t *pg, int i) { return Get16(pg + kOffsetsAt + 2 * i); }
inline uint16_t Child(const uint8_t *pg, int i) { return Get16(pg + kChildrenAt + 2 * i); }
inline int DataAt(const uint8_t *pg) { return IsLeaf(pg) ? kLeafDataAt : kInnerDataAt; }
inline int Area(uint8_t type) { return type == kLeafNode ? kLeafArea : kInnerArea; }
inline int FreeSpace(const uint8_t *pg) { return kPageSize - DataAt(pg) - Used(pg); }

inline void SetLast(uint8_t *pg, int v) { Put16(pg + 2, static_cast<unsigned>(v)); }
inline void SetUsed(uint8_t *pg, int v) { Put16(pg + 6, static_cast<unsigned>(v)); }
inline void SetParent(uint8_t *pg, unsigned v) { Put16(pg + 8, v); }
inline void SetOffset(uint8_t *pg, int i, int v) {
  Put16(pg + kOffsetsAt + 2 * i, static_cast<unsigned>(v));
}
inline void SetChild(uint8_t *pg, int i, unsigned v) { Put16(pg + kChildrenAt + 2 * i, v); }
inline void MarkModified(uint8_t *pg) { pg[0] |= kModified; }

// Serialized sizes.
inline int FieldSize(int len) { return 2 + len + (len & 1); }
inline int ItemSize(int keyLen, int contentLen) {
  return FieldSize(keyLen) + FieldSize(contentLen);
}

// A key or content inside a page.
struct Bytes {
  const uint8_t *p;
  int len;
};

// Entry i of a page that has passed ValidatePage.
inline Bytes EntryKey(const uint8_t *pg, int i) {
  const uint8_t *e = pg + DataAt(pg) + Offset(pg, i);
  return {e + 2, Get16(e)};
}
inline Bytes ItemContent(const uint8_t *pg, int i) {
  Bytes k = EntryKey(pg, i);
  const uint8_t *c = k.p + k.len + (k.len & 1);
  return {c + 2, Get16(c)};
}

// One entry of a node taken out of its page. Leaves: key and content. Root and inner
// nodes: a child page and the greatest key of its subtree. The key of a node's last
// child is not stored in the node itself (it is the separator held one level up), so
// `hasKey` may be false for the last entry of an inner node.
struct Entry {
  std::string key;
  std::string content;
  uint16_t child = 0;
  uint16_t from = 0;  // page the entry was taken from (children are re-parented)
  bool hasKey = true;
};
using Seq = std::vector<Entry>;

// Structural check of a page read from the file: node type, entry count, offsets
// packed in order and inside the data area, every length consistent. `expectRoot`
// asks for node type 0, otherwise 1 or 2 are accepted.
bool ValidatePage(const uint8_t *pg, bool expectRoot);

// The entries of a page (see Entry). Inner nodes get last + 1 entries, the last
// without key; an empty inner node (no keys, no child) gets none.
void DecodePage(const uint8_t *pg, Seq &out, uint16_t self);

// Bytes of the data area that entries [b, e) of a node of `type` occupy (for root and
// inner nodes the key of the last entry is not stored).
int SeqBytes(uint8_t type, const Seq &s, size_t b, size_t e);
// Whether entries [b, e) fit one page of `type`.
bool SeqFits(uint8_t type, const Seq &s, size_t b, size_t e);

// Rewrites the entries and children of a page from entries [b, e); the head fields
// other than last and used are kept. The page is marked modified.
void EncodePage(uint8_t *pg, const Seq &s, size_t b, size_t e);

// Sets up an empty page of `type` with the given node id and parent.
void InitPage(uint8_t *pg, uint8_t type, uint16_t id, uint16_t parent);

// In-place edits of a leaf; the caller has checked count and free space.
void InsertItemRaw(uint8_t *pg, int at, const uint8_t *key, int keyLen, const uint8_t *content,
                   int contentLen);
void RemoveItemRaw(uint8_t *pg, int at);
// Replaces the key of entry `at` of a root or inner node when the page has room;
// false (and nothing changed) otherwise.
bool ReplaceKeyRaw(uint8_t *pg, int at, const uint8_t *key, int keyLen);

}  // namespace kq::kqbm

#endif
