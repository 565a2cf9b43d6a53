// Attribute sets on the wire: a request-sized set (30 attributes of mixed value
// types, 1-3 values each) converted to its attribute list and encoded inside a
// create-job request, and the way back: decoded and converted into a new set.
// Argument 0: numbers, identifiers, texts, names and times only; 1: six of the 30
// attributes hold composite records instead (notification profile, finishing, page
// select, page media select, results profile, privileges).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "common/create_job.h"
#include "infra/genu.h"
#include "request_set.h"

namespace {

OssBuf EncodeSet(STF_statusList_t *s, AS_setHandle_t set) {
  OssBuf encoded;
  if (kq::tools::EncodeCreateJob(s, "printer-1", set, &encoded)) abort();
  return encoded;
}

void BM_SetToWire(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  AS_setHandle_t set = kq::bench::RequestSet(state.range(0) != 0);
  for (auto _ : state) {
    OssBuf encoded = EncodeSet(s, set);
    benchmark::DoNotOptimize(encoded.value);
    free(encoded.value);
  }
  AS_Destroy(s, &set);
  STF_DeleteList(s);
}
BENCHMARK(BM_SetToWire)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_WireToSet(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  AS_setHandle_t set = kq::bench::RequestSet(state.range(0) != 0);
  OssBuf encoded = EncodeSet(s, set);
  for (auto _ : state) {
    AS_setHandle_t back = AS_nullSetHandle;
    if (kq::tools::DecodeCreateJob(s, encoded, &back)) abort();
    AS_Destroy(s, &back);
  }
  free(encoded.value);
  AS_Destroy(s, &set);
  STF_DeleteList(s);
}
BENCHMARK(BM_WireToSet)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
