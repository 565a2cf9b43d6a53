// A request-sized attribute set: 30 attributes of mixed value types, 1-3 values each,
// as a print request carries them. Shared by the benchmarks that convert, encode and
// render requests so that all of them measure the same set.
#ifndef KQ_BENCH_REQUEST_SET_H
#define KQ_BENCH_REQUEST_SET_H

#include <cstdint>

#include "infra/as.h"

namespace kq::bench {

inline constexpr uint32_t kRequestAttributes = 30;

// The first 30 attributes of the registry with a number, identifier, text, name or
// time value type; with `records`, six of the 30 hold composite records instead
// (notification profile, finishing, page select, page media select, results profile,
// privileges). The caller destroys the set.
AS_setHandle_t RequestSet(bool records);

}  // namespace kq::bench

#endif
