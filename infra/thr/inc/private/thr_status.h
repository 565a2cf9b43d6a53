// Translation of POSIX error numbers into status codes of the thread facility.
#ifndef KQ_INFRA_THR_INC_PRIVATE_THR_STATUS_H
#define KQ_INFRA_THR_INC_PRIVATE_THR_STATUS_H

#include <cerrno>
#include <cstdint>

#include "infra/thr.h"

namespace kq::thr {

// Mutex, condition, key and once operations: an unexpected error is a resource
// failure.
inline uint32_t SyncStatus(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINVAL:
      return THR_ST_INVALID;
    case EAGAIN:
    case ETIMEDOUT:
      return THR_ST_TIMEOUT;
    case EBUSY:
      return THR_ST_BUSY;
    default:
      return THR_ST_RESOURCE;
  }
}

// Thread operations (join, priority): an unexpected error is a plain failure.
inline uint32_t ThreadStatus(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINVAL:
    case ESRCH:
      return THR_ST_INVALID;
    case ENOTSUP:
      return THR_ST_NOT_SUPPORTED;
    case EPERM:
      return THR_ST_NOT_PERMITTED;
    default:
      return THR_ST_FAILED;
  }
}

}  // namespace kq::thr

#endif
