// Encoding and decoding of the entries of one page, and the structural check of
// pages read from the file.
#include "internal/kqbm_page.h"

namespace kq::kqbm {

namespace {

int DataAtType(uint8_t type) { return type == kLeafNode ? kLeafDataAt : kInnerDataAt; }

// Writes a 16-bit length, the bytes and a pad byte; returns the bytes written.
int PutField(uint8_t *at, const void *bytes, int len) {
  Put16(at, static_cast<unsigned>(len));
  if (len) memcpy(at + 2, bytes, static_cast<size_t>(len));
  if (len & 1) at[2 + len] = 0;
  return FieldSize(len);
}

}  // namespace

bool ValidatePage(const uint8_t *pg, bool expectRoot) {
  uint8_t type = NodeType(pg);
  if (expectRoot ? type != kRootNode : (type != kInnerNode && type != kLeafNode)) return false;
  int last = Last(pg), used = Used(pg);
  if (last < 0 || last > kMaxEntries) return false;
  if (used > Area(type)) return false;
  if (last == 0) return used == 0;
  const uint8_t *data = pg + DataAtType(type);
  int pos = 0;
  for (int i = 0; i < last; i++) {
    if (Offset(pg, i) != pos) return false;
    int end = i + 1 < last ? Offset(pg, i + 1) : used;
    if (end > used || end - pos < 2) return false;
    int keyLen = Get16(data + pos);
    int size = FieldSize(keyLen);
    if (type == kLeafNode) {
      if (pos + size + 2 > end) return false;
      size += FieldSize(Get16(data + pos + size));
    }
    if (pos + size != end) return false;
    pos = end;
  }
  return pos == used;
}

void DecodePage(const uint8_t *pg, Seq &out, uint16_t self) {
  out.clear();
  int last = Last(pg);
  if (IsLeaf(pg)) {
    out.resize(static_cast<size_t>(last));
    for (int i = 0; i < last; i++) {
      Bytes k = EntryKey(pg, i), c = ItemContent(pg, i);
      out[i].key.assign(reinterpret_cast<const char *>(k.p), static_cast<size_t>(k.len));
      out[i].content.assign(reinterpret_cast<const char *>(c.p), static_cast<size_t>(c.len));
      out[i].from = self;
    }
    return;
  }
  if (last == 0 && Child(pg, 0) == 0) return;  // empty node
  out.resize(static_cast<size_t>(last) + 1);
  for (int i = 0; i <= last; i++) {
    Entry &e = out[i];
    e.child = Child(pg, i);
    e.from = self;
    if (i < last) {
      Bytes k = EntryKey(pg, i);
      e.key.assign(reinterpret_cast<const char *>(k.p), static_cast<size_t>(k.len));
    } else {
      e.hasKey = false;
    }
  }
}

int SeqBytes(uint8_t type, const Seq &s, size_t b, size_t e) {
  int bytes = 0;
  if (type == kLeafNode) {
    for (size_t i = b; i < e; i++) {
      bytes += ItemSize(static_cast<int>(s[i].key.size()), static_cast<int>(s[i].content.size()));
    }
  } else {
    for (size_t i = b; i + 1 < e; i++) bytes += FieldSize(static_cast<int>(s[i].key.size()));
  }
  return bytes;
}

bool SeqFits(uint8_t type, const Seq &s, size_t b, size_t e) {
  size_t n = e - b;
  size_t entries = type == kLeafNode ? n : (n ? n - 1 : 0);
  return entries <= kMaxEntries && SeqBytes(type, s, b, e) <= Area(type);
}

void EncodePage(uint8_t *pg, const Seq &s, size_t b, size_t e) {
  uint8_t type = NodeType(pg);
  uint8_t *data = pg + DataAtType(type);
  memset(pg + kOffsetsAt, 0, kPageSize - kOffsetsAt);
  int pos = 0, last = 0;
  if (type == kLeafNode) {
    for (size_t i = b; i < e; i++, last++) {
      SetOffset(pg, last, pos);
      pos += PutField(data + pos, s[i].key.data(), static_cast<int>(s[i].key.size()));
      pos += PutField(data + pos, s[i].content.data(), static_cast<int>(s[i].content.size()));
    }
  } else {
    for (size_t i = b; i < e; i++) {
      SetChild(pg, static_cast<int>(i - b), s[i].child);
      if (i + 1 < e) {
        SetOffset(pg, last++, pos);
        pos += PutField(data + pos, s[i].key.data(), static_cast<int>(s[i].key.size()));
      }
    }
  }
  SetLast(pg, last);
  SetUsed(pg, pos);
  MarkModified(pg);
}

void InitPage(uint8_t *pg, uint8_t type, uint16_t id, uint16_t parent) {
  memset(pg, 0, kPageSize);
  pg[0] = static_cast<uint8_t>(type | kModified);
  Put16(pg + 4, id);
  SetParent(pg, parent);
}

void InsertItemRaw(uint8_t *pg, int at, const uint8_t *key, int keyLen, const uint8_t *content,
                   int contentLen) {
  int last = Last(pg), used = Used(pg);
  int size = ItemSize(keyLen, contentLen);
  int start = at < last ? Offset(pg, at) : used;
  uint8_t *data = pg + kLeafDataAt;
  memmove(data + start + size, data + start, static_cast<size_t>(used - start));
  for (int i = last; i > at; i--) SetOffset(pg, i, Offset(pg, i - 1) + size);
  SetOffset(pg, at, start);
  int pos = start + PutField(data + start, key, keyLen);
  PutField(data + pos, content, contentLen);
  SetLast(pg, last + 1);
  SetUsed(pg, used + size);
  MarkModified(pg);
}

void RemoveItemRaw(uint8_t *pg, int at) {
  int last = Last(pg), used = Used(pg);
  int start = Offset(pg, at);
  int end = at + 1 < last ? Offset(pg, at + 1) : used;
  int size = end - start;
  uint8_t *data = pg + kLeafDataAt;
  memmove(data + start, data + end, static_cast<size_t>(used - end));
  memset(data + used - size, 0, static_cast<size_t>(size));  // no stale bytes past used
  for (int i = at; i + 1 < last; i++) SetOffset(pg, i, Offset(pg, i + 1) - size);
  SetOffset(pg, last - 1, 0);
  SetLast(pg, last - 1);
  SetUsed(pg, used - size);
  MarkModified(pg);
}

bool ReplaceKeyRaw(uint8_t *pg, int at, const uint8_t *key, int keyLen) {
  int last = Last(pg), used = Used(pg);
  int start = Offset(pg, at);
  int end = at + 1 < last ? Offset(pg, at + 1) : used;
  int diff = FieldSize(keyLen) - (end - start);
  if (used + diff > kInnerArea) return false;
  uint8_t *data = pg + kInnerDataAt;
  memmove(data + end + diff, data + end, static_cast<size_t>(used - end));
  for (int i = at + 1; i < last; i++) SetOffset(pg, i, Offset(pg, i) + diff);
  PutField(data + start, key, keyLen);
  if (diff < 0) memset(data + used + diff, 0, static_cast<size_t>(-diff));
  SetUsed(pg, used + diff);
  MarkModified(pg);
  return true;
}

}  // namespace kq::kqbm
