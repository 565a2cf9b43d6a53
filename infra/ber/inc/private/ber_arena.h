// The memory of one decoded record: blocks taken from the process heap and handed out
// in order, released together. A record is only ever released as a whole, so its parts
// need no allocation and no free of their own.
#ifndef KQ_INFRA_BER_INC_PRIVATE_BER_ARENA_H
#define KQ_INFRA_BER_INC_PRIVATE_BER_ARENA_H

#include <cstddef>
#include <cstdint>

namespace kq::ber {

class Arena {
 public:
  // `inputLength`, the encoding's size, sizes the first block.
  explicit Arena(size_t inputLength);
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;

  // n bytes, zeroed or not; null when the heap refuses a block. The first allocation
  // is the record itself and sits right behind the first block's header.
  void *Zeroed(size_t n);
  void *Bytes(size_t n);

  // Frees every block (a decode that failed).
  void Release();

  // Frees every block of a record, the first allocation of an arena whose blocks were
  // left to it; false, nothing done, when `record` is not such a record.
  static bool ReleaseRecord(void *record);

  struct Block;  // the header of each block

 private:
  Block *NewBlock(size_t n);

  size_t next_;  // size of the next ordinary block
  Block *first_ = nullptr, *last_ = nullptr;
  char *cur_ = nullptr, *end_ = nullptr;
};

}  // namespace kq::ber

#endif
