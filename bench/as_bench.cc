// Attribute sets on the request path: build a request-sized set (30 attributes of
// 1-3 values), look every attribute up by ID, walk all values, copy the set and
// destroy both. Values are small heap records with their own copy and delete.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "infra/as.h"
#include "infra/stf.h"

namespace {

constexpr uint32_t kAttrs = 30;

uint32_t CopyInt(STF_statusList_t *, void **out, const void *value,
                 const AS_allocateDescriptor_t *alloc) {
  auto *copy = static_cast<int *>(alloc->allocate(sizeof(int)));
  if (copy == nullptr) return 1;
  *copy = *static_cast<const int *>(value);
  *out = copy;
  return 0;
}

uint32_t DeleteInt(STF_statusList_t *, void *value, const AS_allocateDescriptor_t *alloc) {
  alloc->deallocate(value);
  return 0;
}

const AS_valueDescriptor_t kIntDesc = {CopyInt, DeleteInt};

uint32_t IdOf(uint32_t i) { return 0x1000 + i * 7; }
uint32_t ValuesOf(uint32_t i) { return 1 + i % 3; }
constexpr uint32_t kValues = 60;  // 1, 2, 3, 1, 2, 3, ... over 30 attributes

// Reports the time per library call alongside the time per iteration, in seconds
// with an SI prefix ("44n" is 44 ns).
void PerCall(benchmark::State &state, double callsPerIteration) {
  state.counters["per_call"] =
      benchmark::Counter(callsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}
// Calls made by Build (create, one add per value), Walk (find, first value, a next
// per value, free of both handles, per attribute) and a copy plus destroy.
constexpr double kBuildCalls = 1 + kValues;
constexpr double kWalkCalls = kAttrs * 4.0 + kValues;
constexpr double kCopyCalls = 2;

AS_setHandle_t Build(STF_statusList_t *sl) {
  AS_setHandle_t set;
  AS_Create(sl, &set, nullptr, 0);
  for (uint32_t i = 0; i < kAttrs; i++) {
    for (uint32_t v = 0; v < ValuesOf(i); v++) {
      int *value = static_cast<int *>(std::malloc(sizeof(int)));
      *value = int(i * 10 + v);
      if (AS_AddAttrVal(sl, set, IdOf(i), 5, value, &kIntDesc, nullptr) != 0) std::abort();
    }
  }
  return set;
}

long Walk(STF_statusList_t *sl, AS_setHandle_t set) {
  long sum = 0;
  for (uint32_t i = 0; i < kAttrs; i++) {
    AS_attrHandle_t attr;
    if (AS_FindAttr(sl, set, IdOf(i), &attr) != 0) std::abort();
    AS_attrValHandle_t val;
    void *value;
    if (AS_FindFirstAttrValR(sl, attr, &val, &value) == 0) {
      do sum += *static_cast<int *>(value);
      while (AS_FindNextAttrValVR(sl, &val, &value) == 0);
      AS_FreeAttrValHandle(sl, &val);
    }
    AS_FreeAttrHandle(sl, &attr);
  }
  return sum;
}

void BM_RequestSetLifecycle(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  for (auto _ : state) {
    AS_setHandle_t set = Build(sl);
    benchmark::DoNotOptimize(Walk(sl, set));
    AS_setHandle_t copy;
    if (AS_Copy(sl, &copy, set, nullptr) != 0) std::abort();
    AS_Destroy(sl, &copy);
    AS_Destroy(sl, &set);
  }
  PerCall(state, kBuildCalls + kWalkCalls + kCopyCalls + 1);
  STF_DeleteList(sl);
}
BENCHMARK(BM_RequestSetLifecycle);

void BM_Build(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  for (auto _ : state) {
    AS_setHandle_t set = Build(sl);
    state.PauseTiming();
    AS_Destroy(sl, &set);
    state.ResumeTiming();
  }
  PerCall(state, kBuildCalls);
  STF_DeleteList(sl);
}
BENCHMARK(BM_Build);

void BM_LookupAndWalk(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  AS_setHandle_t set = Build(sl);
  for (auto _ : state) benchmark::DoNotOptimize(Walk(sl, set));
  PerCall(state, kWalkCalls);
  AS_Destroy(sl, &set);
  STF_DeleteList(sl);
}
BENCHMARK(BM_LookupAndWalk);

void BM_CopyAndDestroy(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  AS_setHandle_t set = Build(sl);
  for (auto _ : state) {
    AS_setHandle_t copy;
    if (AS_Copy(sl, &copy, set, nullptr) != 0) std::abort();
    AS_Destroy(sl, &copy);
  }
  PerCall(state, kCopyCalls);
  AS_Destroy(sl, &set);
  STF_DeleteList(sl);
}
BENCHMARK(BM_CopyAndDestroy);

// Large sets: finding attributes by ID in a set of 100, 1 000 and 10 000 attributes
// (AS_FindAttr and the AS_FreeAttrHandle that goes with it, IDs taken in a scattered
// order), and building such a set one AS_AddAttr at a time. Both report per_call, the
// time of one look-up or one add; a flat curve means neither grows with the set.
AS_setHandle_t BuildLarge(STF_statusList_t *sl, uint32_t attrs) {
  AS_setHandle_t set;
  AS_Create(sl, &set, nullptr, 0);
  for (uint32_t i = 0; i < attrs; i++)
    if (AS_AddAttr(sl, set, IdOf(i), 5, nullptr) != 0) std::abort();
  return set;
}

void BM_FindAttr(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  const auto attrs = static_cast<uint32_t>(state.range(0));
  AS_setHandle_t set = BuildLarge(sl, attrs);
  uint32_t i = 0;
  for (auto _ : state) {
    i = (i + 7919) % attrs;  // a prime stride visits every attribute, far from the last
    AS_attrHandle_t attr;
    if (AS_FindAttr(sl, set, IdOf(i), &attr) != 0) std::abort();
    AS_FreeAttrHandle(sl, &attr);
  }
  state.counters["per_call"] = benchmark::Counter(
      1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  AS_Destroy(sl, &set);
  STF_DeleteList(sl);
}
BENCHMARK(BM_FindAttr)->Arg(100)->Arg(1000)->Arg(10000);

void BM_BuildLarge(benchmark::State &state) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  const auto attrs = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    AS_setHandle_t set = BuildLarge(sl, attrs);
    state.PauseTiming();
    AS_Destroy(sl, &set);
    state.ResumeTiming();
  }
  PerCall(state, attrs);
  STF_DeleteList(sl);
}
BENCHMARK(BM_BuildLarge)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
