// The failure exit shared by the operations that report through a status list:
// record one status without arguments and give the failure result 1.
#ifndef KQ_INFRA_STF_IFACE_INTERNAL_STF_FAIL_H
#define KQ_INFRA_STF_IFACE_INTERNAL_STF_FAIL_H

#include "infra/stf.h"

inline int STF__Fail(STF_statusList_t *list, uint32_t code) {
  STF_AddStatus(list, code, 0);
  return 1;
}

#endif
