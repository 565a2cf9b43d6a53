// Attribute-set cells of the result records.
#include <cstdlib>
#include <cstring>

#include "infra/genu_world.h"
#include "internal/ber_runtime.h"
#include "private/jqp_result_int.h"

namespace kq::jqp {

int SetToCell(STF_statusList_t *status, const AttributeList *list, AS_setHandle_t **out,
              uint32_t failure) {
  auto *cell = AllocateRecord<AS_setHandle_t>();
  if (!cell) return STF__Fail(status, JQP_ST_NO_MEMORY);
  if (ToGEN_AS(status, list, cell)) {
    Release(cell);
    return STF__Fail(status, failure);
  }
  *out = cell;
  return 0;
}

int ReleaseSet(STF_statusList_t *status, AS_setHandle_t *set) {
  if (*set == AS_nullSetHandle) return 0;
  return AS_Destroy(status, set) ? 1 : 0;
}

int ReleaseSetCell(STF_statusList_t *status, AS_setHandle_t *cell) {
  if (!cell) return 0;
  int rc = ReleaseSet(status, cell);
  Release(cell);
  return rc;
}

}  // namespace kq::jqp
