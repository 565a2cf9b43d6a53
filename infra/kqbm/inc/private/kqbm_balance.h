// Where to cut a run of entries that neighbouring pages share: the plans of the shift
// to a right or left sibling and of the two-into-three split. The planners see only
// the stored size of each entry, so they are pure functions of sizes.
#ifndef KQ_INFRA_KQBM_INC_PRIVATE_KQBM_BALANCE_H
#define KQ_INFRA_KQBM_INC_PRIVATE_KQBM_BALANCE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "internal/kqbm_page.h"

namespace kq::kqbm {

// A run of entries: for leaves the item sizes; for root and inner nodes the key sizes,
// where the key of the last entry of each page is not stored in that page.
struct Run {
  uint8_t type;
  std::vector<int> sz;
  std::vector<int> sum;  // sum[i]: bytes of sz[0, i)

  void Finish();  // computes sum from sz

  size_t size() const { return sz.size(); }
  int Bytes(size_t b, size_t e) const;
  int Entries(size_t b, size_t e) const;
  int Free(size_t b, size_t e) const { return Area(type) - Bytes(b, e); }
  // A non-empty page within the limits; root and inner pages need a key.
  bool PageOk(size_t b, size_t e) const;
};

Run MakeRun(uint8_t type, const Seq &s);

// Shift to the right sibling: the entries [0, nx) of this page (with the new entry at
// newAt, -1 for none) followed by the sibling's. Returns the cut (this page keeps
// [0, cut)), or -1 for no room.
int PlanShiftRight(const Run &r, size_t nx, int newAt);
// Shift to the left sibling: the sibling's entries [0, nl) followed by this page's.
// Returns the cut (the sibling keeps [0, cut)), or -1 for no room.
int PlanShiftLeft(const Run &r, size_t nl, int newAt);
// Two pages into three: the left page's entries [0, nl) and the right page's, the new
// entry at newAt. Fills cuts b1 < b2; false when no distribution fits.
bool PlanSplit(const Run &r, size_t nl, int newAt, size_t *b1, size_t *b2);
// `pages` pages as even in bytes as possible; cuts gets pages - 1 boundaries.
bool PlanEven(const Run &r, int pages, std::vector<size_t> &cuts);

}  // namespace kq::kqbm

#endif
