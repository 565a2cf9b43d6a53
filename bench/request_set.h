// A request-sized attribute set: 30 attributes of mixed value types, 1-3 values each,
// as a print request carries them. Shared by the benchmarks that convert, encode and
// render requests so that all of them measure the same set.
#ifndef KQ_BENCH_REQUEST_SET_H
#define KQ_BENCH_REQUEST_SET_H

#include <cstdint>
#include <vector>

#include "infra/as.h"

namespace kq::bench {

inline constexpr uint32_t kRequestAttributes = 30;

// The first 30 attributes of the registry with a number, identifier, text, name or
// time value type; with `records`, six of the 30 hold composite records instead
// (notification profile, finishing, page select, page media select, results profile,
// privileges). The caller destroys the set.
AS_setHandle_t RequestSet(bool records);

// One attribute of the request set: its ID, value type and number of values, and
// whether it holds a composite record (then with one value).
struct RequestAttribute {
  uint32_t id, type, values;
  bool record;
};

// The attributes RequestSet(records) holds, in order; looked up once in the registry so
// that a benchmark can build the set again without the look-ups.
std::vector<RequestAttribute> RequestPlan(bool records);

// Builds the set that `plan` describes (the caller destroys it), reporting into the
// caller's status list when one is given.
AS_setHandle_t BuildRequestSet(const std::vector<RequestAttribute> &plan,
                               STF_statusList_t *status = nullptr);

// The contents of the n-th value of an attribute of a simple value type, for programs
// that write the same request in another protocol: numbers (types 0, 1 and 12), the
// short OID of an identifier (type 10), the text (type 28) and the name (types 18, 27).
// A time (type 48) is always 2026-12-06 04:30:00 UTC.
int32_t RequestNumber(uint32_t type, uint32_t n);
inline constexpr const char *kRequestText = "a text value of a request attribute";
inline constexpr const char *kRequestName = "printer-name-17";

}  // namespace kq::bench

#endif
