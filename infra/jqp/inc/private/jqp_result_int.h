// Inside the result conversions: allocation through the coding world (the one the
// wire records come from, so that one allocator serves a whole exchange) and the
// release of attribute-set cells.
#ifndef KQ_INFRA_JQP_INC_PRIVATE_JQP_RESULT_INT_H
#define KQ_INFRA_JQP_INC_PRIVATE_JQP_RESULT_INT_H

#include <cstddef>

#include "infra/jqp.h"
#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/genu_world_alloc.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"

namespace kq::jqp {

// A zero-filled block from the calling thread's world (the process heap when it has
// none); null when memory ran out.
inline void *Allocate(size_t size) { return genu::WireAlloc(size); }
template <typename T>
T *AllocateRecord() {
  return static_cast<T *>(Allocate(sizeof(T)));
}
// Gives a block of Allocate back; null is allowed.
inline void Release(void *block) { genu::WireFree(block); }

// A wire attribute list into a new set handle cell; 1 on failure with nothing left.
// `failure` is the code added on top of the conversion's own.
int SetToCell(STF_statusList_t *status, const AttributeList *list, AS_setHandle_t **out,
              uint32_t failure);
// Destroys the set of a cell and frees the cell; null is allowed. 1 when the set
// could not be destroyed (the cell is freed all the same).
int ReleaseSetCell(STF_statusList_t *status, AS_setHandle_t *cell);
// Destroys a set held in place; the null handle is allowed.
int ReleaseSet(STF_statusList_t *status, AS_setHandle_t *set);

// What a conversion of a received result record does around its own `fill`: trace
// entry and exit under `name`, clear the caller's list, refuse a missing output,
// hand out nothing for no record, and release what was built when filling fails, so
// that the caller gets a whole record or none.
template <typename Gen, typename Wire, typename Fill, typename Free>
int ConvertReceived(const char *name, STF_statusList_t *status, const Wire *wire, Gen **out,
                    Fill fill, Free release) {
  if (!status) return 1;
  LOG_COND_FUNC_TRACE(name, 1, "%s", "");
  STF_ClearStatus(status);
  int rc = 0;
  if (!out) {
    rc = STF__Fail(status, JQP_ST_BAD_VALUE);
  } else if (!(*out = nullptr, wire)) {
    rc = 0;
  } else if (auto *record = AllocateRecord<Gen>(); !record) {
    rc = STF__Fail(status, JQP_ST_NO_MEMORY);
  } else if ((rc = fill(status, wire, record)) != 0) {
    release(kq::stf::ScratchList(), record);
  } else {
    *out = record;
  }
  LOG_COND_FUNC_TRACE(name, 0, "rc=%d", rc);
  return rc;
}

}  // namespace kq::jqp

#endif
