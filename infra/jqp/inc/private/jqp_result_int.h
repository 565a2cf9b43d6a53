// Inside the result conversions: allocation through the coding world and the
// release of attribute-set cells.
#ifndef KQ_INFRA_JQP_INC_PRIVATE_JQP_RESULT_INT_H
#define KQ_INFRA_JQP_INC_PRIVATE_JQP_RESULT_INT_H

#include <cstddef>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"

namespace kq::jqp {

// A zero-filled block from the calling thread's world (the process heap when it has
// none); null when memory ran out.
void *Allocate(size_t size);
template <typename T>
T *AllocateRecord() {
  return static_cast<T *>(Allocate(sizeof(T)));
}
// Gives a block of Allocate back; null is allowed.
void Release(void *block);

// A wire attribute list into a new set handle cell; 1 on failure with nothing left.
// `failure` is the code added on top of the conversion's own.
int SetToCell(STF_statusList_t *status, const AttributeList *list, AS_setHandle_t **out,
              uint32_t failure);
// Destroys the set of a cell and frees the cell; null is allowed. 1 when the set
// could not be destroyed (the cell is freed all the same).
int ReleaseSetCell(STF_statusList_t *status, AS_setHandle_t *cell);
// Destroys a set held in place; the null handle is allowed.
int ReleaseSet(STF_statusList_t *status, AS_setHandle_t *set);

}  // namespace kq::jqp

#endif
