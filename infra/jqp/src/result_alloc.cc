// Result records come from the calling thread's coding world, like the wire records
// they are made from, so that one allocator serves a whole exchange.
#include <cstdlib>
#include <cstring>

#include "infra/genu_world.h"
#include "internal/ber_runtime.h"
#include "private/jqp_result_int.h"

namespace kq::jqp {

void *Allocate(size_t size) {
  OssGlobal *world = GENU_GetWorld();
  void *block = world ? world->mallocp(size) : malloc(size);
  if (block) memset(block, 0, size);
  return block;
}

void Release(void *block) {
  if (!block) return;
  OssGlobal *world = GENU_GetWorld();
  if (world)
    world->freep(block);
  else
    free(block);
}

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
