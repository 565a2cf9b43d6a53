// A status list of its own for the clean-up after a failure. Releasing what a failed
// operation built may report problems of its own; those must never reach the caller's
// list, which already holds the reason for the failure being returned. The same list
// serves calls whose reports the caller turns into a code of its own.
//
// The list is made with the object and deleted with it. When memory runs out it is
// the shared no-memory list, which takes no reports: the clean-up still runs, and
// nothing needs checking. It converts to the list pointer, so a temporary can be
// passed where one call needs a list:
//   GEN_DeepDeleteText(kq::stf::ScratchList(), text, nullptr);
#ifndef KQ_INFRA_STF_IFACE_INTERNAL_STF_SCRATCH_H
#define KQ_INFRA_STF_IFACE_INTERNAL_STF_SCRATCH_H

#include "infra/stf.h"

namespace kq::stf {

class ScratchList {
 public:
  ScratchList() : list_(STF_CreateList(nullptr)) {}
  ~ScratchList() { STF_DeleteList(list_); }
  ScratchList(const ScratchList &) = delete;
  ScratchList &operator=(const ScratchList &) = delete;

  operator STF_statusList_t *() const { return list_; }

 private:
  STF_statusList_t *list_;
};

}  // namespace kq::stf

#endif
