// Copy + compare + delete of common generic values through their descriptors
// and the compare dispatch, as attribute sets use them.
#include <benchmark/benchmark.h>

#include <cstring>

#include "infra/genu.h"

namespace {

void copyCompareDelete(benchmark::State &state, uint32_t id, const void *value) {
  STF_statusList_t *sl = STF_CreateList(nullptr);
  const AS_valueDescriptor_t *d = GENU_AVT2Descriptor(static_cast<int32_t>(id));
  for (auto _ : state) {
    void *copy = nullptr;
    d->copyValue(sl, &copy, value, nullptr);
    int32_t r = 1;
    GEN_CompareAttrValue(sl, id, value, copy, &r);
    benchmark::DoNotOptimize(r);
    d->deleteValue(sl, copy, nullptr);
  }
  STF_DeleteList(sl);
}

void BM_Text(benchmark::State &state) {
  GEN_Text_t t{};
  t.choice = GEN_TEXT_ISO646;
  t.u.string = const_cast<char *>("Quarterly report, second draft, for the board");
  copyCompareDelete(state, 28, &t);
}

void BM_SimpleName(benchmark::State &state) {
  GEN_SimpleName_t n{};
  n.choice = GEN_TEXT_ISO646;
  strcpy(n.u.string, "printer-3rd-floor-east");
  copyCompareDelete(state, 27, &n);
}

void BM_NameOrOID(benchmark::State &state) {
  GEN_NameOrOID_t n{};
  n.choice = 2;
  n.u.name.choice = GEN_TEXT_ISO646;
  strcpy(n.u.name.u.string, "iso-a4-white");
  copyCompareDelete(state, 18, &n);
}

void BM_DocumentFormat(benchmark::State &state) {
  GEN_Text_t variants{};
  variants.choice = GEN_TEXT_ISO646;
  variants.u.string = const_cast<char *>("level 2");
  GEN_SimpleName_t version{};
  version.choice = GEN_TEXT_ISO646;
  strcpy(version.u.string, "3.0");
  GEN_DocumentFormat_t f{4711, &variants, &version};
  copyCompareDelete(state, 43, &f);
}

void BM_GeneralizedTime(benchmark::State &state) {
  GEN_GeneralizedTime_t t{2026, 12, 6, 3, 15, 42, 500, 60, 0};
  copyCompareDelete(state, 48, &t);
}

}  // namespace

BENCHMARK(BM_Text);
BENCHMARK(BM_SimpleName);
BENCHMARK(BM_NameOrOID);
BENCHMARK(BM_DocumentFormat);
BENCHMARK(BM_GeneralizedTime);
