// Identifier conversions and registry lookups: short OID to BER form and back over
// every table row, and OID_LookupName over the staged registry with a warm cache
// and with the caches bypassed ("OID_NO_CACHE").
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "infra/genu_oid.h"
#include "infra/oid.h"

namespace {

std::vector<uint32_t> &Rows() {
  static std::vector<uint32_t> rows = [] {
    std::vector<uint32_t> v;
    STF_statusList_t *s = STF_CreateList(nullptr);
    GENU_berOid_t ber;
    for (uint32_t i = 1; i <= 3562; i = i == 1092 ? 3000 : i + 1) {
      if (GENU_ShortToBerOID(s, i, &ber) == 0) v.push_back(i);
    }
    STF_DeleteList(s);
    return v;
  }();
  return rows;
}

void BM_ShortToBer(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  const std::vector<uint32_t> &rows = Rows();
  GENU_berOid_t ber;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GENU_ShortToBerOID(s, rows[i], &ber));
    if (++i == rows.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  STF_DeleteList(s);
}
BENCHMARK(BM_ShortToBer);

void BM_BerToShort(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  std::vector<GENU_berOid_t> forms;
  for (uint32_t shoid : Rows()) {
    GENU_berOid_t ber;
    GENU_ShortToBerOID(s, shoid, &ber);
    forms.push_back(ber);
  }
  uint32_t shoid;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GENU_BerToShortOID(s, &forms[i], &shoid));
    if (++i == forms.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  STF_DeleteList(s);
}
BENCHMARK(BM_BerToShort);

// Opens the staged registry read-only, with or without the caches.
class Registry {
 public:
  explicit Registry(bool noCache) {
    if (noCache) {
      setenv("OID_NO_CACHE", "1", 1);
    } else {
      unsetenv("OID_NO_CACHE");
    }
    std::string dir = std::string(KQ_STAGE_DIR) + "/usr/kq/share/data";
    s_ = STF_CreateList(nullptr);
    ok_ = OID_Init(s_, dir.c_str(), OID_MODE_READ) == 0 &&
          OID_OpenDb(s_, dir.c_str(), "C", OID_MODE_READ, &block_) == 0;
  }
  ~Registry() {
    OID_CloseDb(s_, &block_);
    OID_Term();
    STF_DeleteList(s_);
    unsetenv("OID_NO_CACHE");
  }
  bool ok() const { return ok_; }
  STF_statusList_t *s_;
  OID_dbBlock_t *block_ = nullptr;
  bool ok_;
};

void LookupNames(benchmark::State &state, bool noCache) {
  Registry reg(noCache);
  if (!reg.ok()) {
    state.SkipWithError("the staged registry does not open");
    return;
  }
  // 50 names: they all fit in the 73-entry name cache.
  std::vector<const char *> names;
  for (size_t i = 0; i < 50; i++) names.push_back(GENU_ShortOIDToAscii(Rows()[i * 13]));
  unsigned char bin[OID_BINARY_MAX];
  size_t i = 0;
  for (auto _ : state) {
    if (OID_LookupName(reg.s_, reg.block_, names[i], bin, nullptr)) {
      state.SkipWithError("lookup failed");
      break;
    }
    if (++i == names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_LookupName_WarmCache(benchmark::State &state) { LookupNames(state, false); }
BENCHMARK(BM_LookupName_WarmCache);

void BM_LookupName_NoCache(benchmark::State &state) { LookupNames(state, true); }
BENCHMARK(BM_LookupName_NoCache);

}  // namespace
