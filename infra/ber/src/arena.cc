// Decoded records' arenas (see ber_arena.h). A block starts with a header that chains
// it to the next; the first block's header also carries a mark by which releasing a
// record recognises one made here.
#include <cstdlib>
#include <cstring>

#include "private/ber_arena.h"

namespace kq::ber {

namespace {

constexpr uint64_t kRecordMark = 0x6b716172656e6131;  // "kqarena1"
constexpr size_t kAlign = alignof(std::max_align_t);
// Ordinary blocks grow from the first block's size by doubling up to this; a larger
// request gets a block of its own.
constexpr size_t kMaxBlock = 64u << 10;
constexpr size_t kSlack = 64;
constexpr size_t kMinBlock = 256;

constexpr size_t Round(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

}  // namespace

struct Arena::Block {
  Block *next;
  uint64_t mark;
};

constexpr size_t kHeader = Round(sizeof(Arena::Block));

Arena::Arena(size_t inputLength) {
  // A decoded record takes up to about three times its encoding (nodes, pointers,
  // inline strings) beside the record itself, which the first block also holds: a
  // small value then costs one small heap block.
  next_ = inputLength < kMaxBlock / 4 ? inputLength * 3 + kSlack : kMaxBlock;
}

Arena::Block *Arena::NewBlock(size_t n) {
  auto *b = static_cast<Block *>(std::malloc(kHeader + n));
  if (!b) return nullptr;
  b->next = nullptr;
  b->mark = first_ ? 0 : kRecordMark;
  if (!first_)
    first_ = b;
  else
    last_->next = b;
  last_ = b;
  return b;
}

void *Arena::Bytes(size_t n) {
  n = Round(n ? n : 1);
  if (static_cast<size_t>(end_ - cur_) >= n) {
    void *p = cur_;
    cur_ += n;
    return p;
  }
  if (first_ && n > next_ / 2) {  // large: a block of its own, the current one kept
    Block *b = NewBlock(n);
    return b ? reinterpret_cast<char *>(b) + kHeader : nullptr;
  }
  // The first block holds the record and the estimate; later ones double.
  size_t size = first_ ? (next_ > n ? next_ : n) : n + next_;
  Block *b = NewBlock(size);
  if (!b) return nullptr;
  if (next_ < kMinBlock) next_ = kMinBlock;
  if (next_ < kMaxBlock) next_ = next_ * 2 > kMaxBlock ? kMaxBlock : next_ * 2;
  cur_ = reinterpret_cast<char *>(b) + kHeader;
  end_ = cur_ + size;
  void *p = cur_;
  cur_ += n;
  return p;
}

void *Arena::Zeroed(size_t n) {
  void *p = Bytes(n);
  if (p) std::memset(p, 0, n);
  return p;
}

void Arena::Release() {
  for (Block *b = first_; b;) {
    Block *next = b->next;
    std::free(b);
    b = next;
  }
  first_ = last_ = nullptr;
  cur_ = end_ = nullptr;
}

bool Arena::ReleaseRecord(void *record) {
  auto *first = reinterpret_cast<Block *>(static_cast<char *>(record) - kHeader);
  if (first->mark != kRecordMark) return false;
  first->mark = 0;
  for (Block *b = first; b;) {
    Block *next = b->next;
    std::free(b);
    b = next;
  }
  return true;
}

}  // namespace kq::ber
