// The memory of one decoded record: blocks taken from the process heap and handed out
// in order, released together. A record is only ever released as a whole, so its parts
// need no allocation and no free of their own.
#ifndef KQ_INFRA_BER_IFACE_INTERNAL_BER_ARENA_H
#define KQ_INFRA_BER_IFACE_INTERNAL_BER_ARENA_H

#include <cstddef>
#include <cstdint>

#include "internal/ber_runtime.h"

namespace kq::ber {

class Arena {
 public:
  // `inputLength`, the encoding's size, sizes the first block.
  explicit Arena(size_t inputLength);
  // The first `size` bytes come from `room` (aligned for any type), which the caller
  // owns; heap blocks follow when they run out.
  Arena(size_t inputLength, void *room, size_t size);
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;

  // n bytes, zeroed or not; null when the heap refuses a block. The first allocation
  // is the record itself and sits right behind the first block's header.
  void *Zeroed(size_t n);
  void *Bytes(size_t n);

  // Frees every heap block (a decode that failed, or a short-lived record).
  void Release();

  // Frees every block of a record, the first allocation of an arena whose blocks were
  // left to it; false, nothing done, when `record` is not such a record.
  static bool ReleaseRecord(void *record);

  struct Block;  // the header of each block

 private:
  Block *NewBlock(size_t n);

  size_t next_;            // size of the next ordinary block
  bool borrowed_ = false;  // the allocations start in the caller's room
  Block *first_ = nullptr, *last_ = nullptr;
  char *cur_ = nullptr, *end_ = nullptr;
};

// A decoded record that lives only as long as this object, in room on the caller's
// stack while it fits: for values decoded, converted and thrown away at once.
class ScratchRecord {
 public:
  ScratchRecord() : arena_(0, room_, sizeof room_) {}
  ~ScratchRecord() { arena_.Release(); }
  ScratchRecord(const ScratchRecord &) = delete;
  ScratchRecord &operator=(const ScratchRecord &) = delete;

  // ossDecode of an encoding in a buffer (not a marked socket), the record held here:
  // the same codes and the same error text in the world; *out is valid until this
  // object goes. Decode once per object.
  int Decode(OssGlobal *world, int *pdu, OssBuf *in, void **out);

 private:
  alignas(std::max_align_t) unsigned char room_[512];
  Arena arena_;
};

}  // namespace kq::ber

#endif
