// Status list costs: recording a status (with and without a copied string), and
// recording plus building its message line from the catalogue. Beside the last,
// the hand-made equivalent: catgets from the same open catalogue and snprintf of
// a comparable prefix and text.
#include <benchmark/benchmark.h>
#include <nl_types.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "infra/msg.h"
#include "infra/stf.h"

namespace {

void StartMessages() {
  static bool started = [] {
    setenv("QV_ROOT", KQ_STAGE_DIR, 0);
    return MSG_UsageBegin("KQBENCH") == 0;
  }();
  if (!started) abort();
}

void BM_AddStatus(benchmark::State &state) {
  STF_statusList_t *list = STF_CreateList(nullptr);
  for (auto _ : state) {
    STF_AddStatus(list, 0xc003007c, 0);
    benchmark::DoNotOptimize(list);
  }
  STF_DeleteList(list);
}
BENCHMARK(BM_AddStatus);

void BM_AddStatusWithString(benchmark::State &state) {
  STF_statusList_t *list = STF_CreateList(nullptr);
  for (auto _ : state) {
    STF_AddStatus(list, 0xc0010005, 2, STF_ARG_INT, 2, STF_ARG_STRING, "open /var/spool/kq");
    benchmark::DoNotOptimize(list);
  }
  STF_DeleteList(list);
}
BENCHMARK(BM_AddStatusWithString);

void BM_AddStatusGetMessage(benchmark::State &state) {
  StartMessages();
  STF_statusList_t *list = STF_CreateList(nullptr);
  char line[512];
  uint32_t length = 0;
  for (auto _ : state) {
    STF_ClearStatus(list);
    STF_AddStatus(list, 0xc0010005, 2, STF_ARG_INT, 2, STF_ARG_STRING, "open /var/spool/kq");
    STF_GetMessage(list, 1, 0, nullptr, sizeof line, &length, line);
    benchmark::DoNotOptimize(line);
  }
  STF_DeleteList(list);
  state.counters["line_bytes"] = length;
}
BENCHMARK(BM_AddStatusGetMessage);

void BM_CatgetsSnprintf(benchmark::State &state) {
  std::string path = std::string(KQ_STAGE_DIR) + "/usr/kq/share/messages/C/C001.cat";
  nl_catd cat = catopen(path.c_str(), 0);
  if (cat == reinterpret_cast<nl_catd>(-1)) {
    state.SkipWithError("no staged catalogue");
    return;
  }
  char text[512], line[600];
  for (auto _ : state) {
    const char *format = catgets(cat, 2, 5, "A system call failed with errno %ld: %s");
    snprintf(text, sizeof text, format, 2L, "open /var/spool/kq");
    snprintf(line, sizeof line, "%%%s:%s.%s, %s\n", "KQBENCH", "STF", "STF", text);
    benchmark::DoNotOptimize(line);
  }
  catclose(cat);
}
BENCHMARK(BM_CatgetsSnprintf);

}  // namespace
