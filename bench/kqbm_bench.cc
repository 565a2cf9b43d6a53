// Paged B-tree files against GDBM on the same keys in the same program: storing
// 10 000 items, fetching all of them in random order from a read-write handle, and
// fetching every key of a file small enough for a whole-file read-only open.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "infra/kqbm.h"

// GDBM has a `datum` of its own, laid out the same; keep the two names apart.
#define datum gdbm_datum
#include <gdbm.h>
#undef datum

namespace {

struct Item {
  std::string key, content;
};

std::vector<Item> MakeItems(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::map<std::string, std::string> m;
  while (m.size() < n) {
    std::string k((size_t)uniform(8, 64), ' ');
    for (auto &c : k) c = (char)uniform('a', 'z');
    std::string c((size_t)uniform(0, 128), 'x');
    m.emplace(std::move(k), std::move(c));
  }
  std::vector<Item> items;
  for (auto &[k, c] : m) items.push_back({k, c});
  std::shuffle(items.begin(), items.end(), rng);
  return items;
}

const std::vector<Item> &Large() {
  static std::vector<Item> items = MakeItems(10000, 1);
  return items;
}
// Shorter contents so that the file stays within the 124 pages of a whole-file open.
const std::vector<Item> &Small() {
  static std::vector<Item> items = [] {
    std::vector<Item> v = MakeItems(700, 2);
    for (auto &it : v) it.content.resize(it.content.size() / 4);
    return v;
  }();
  return items;
}

std::string Dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/kqbm_bench.XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

::datum KD(const std::string &s) { return {const_cast<char *>(s.data()), (int32_t)s.size()}; }
gdbm_datum GD(const std::string &s) { return {const_cast<char *>(s.data()), (int)s.size()}; }

std::vector<size_t> Order(size_t n, unsigned seed) {
  std::vector<size_t> o(n);
  for (size_t i = 0; i < n; i++) o[i] = i;
  std::shuffle(o.begin(), o.end(), std::mt19937(seed));
  return o;
}

void KqbmBuild(const std::string &name, const std::vector<Item> &items) {
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
  for (auto &it : items) KQBM_store(db, KD(it.key), KD(it.content), KQBM_INSERT);
  KQBM_close(db);
}

void GdbmBuild(const std::string &file, const std::vector<Item> &items) {
  GDBM_FILE g = gdbm_open(file.c_str(), 0, GDBM_NEWDB, 0644, nullptr);
  for (auto &it : items) gdbm_store(g, GD(it.key), GD(it.content), GDBM_INSERT);
  gdbm_close(g);
}

void BM_Store10k_Kqbm(benchmark::State &state) {
  std::string name = Dir() + "/store";
  for (auto _ : state) KqbmBuild(name, Large());
  state.SetItemsProcessed(state.iterations() * (int64_t)Large().size());
}
BENCHMARK(BM_Store10k_Kqbm)->Unit(benchmark::kMillisecond);

void BM_Store10k_Gdbm(benchmark::State &state) {
  std::string file = Dir() + "/store.gdbm";
  for (auto _ : state) GdbmBuild(file, Large());
  state.SetItemsProcessed(state.iterations() * (int64_t)Large().size());
}
BENCHMARK(BM_Store10k_Gdbm)->Unit(benchmark::kMillisecond);

void BM_FetchRW10k_Kqbm(benchmark::State &state) {
  std::string name = Dir() + "/fetch";
  KqbmBuild(name, Large());
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDWR, 0, 0);
  auto order = Order(Large().size(), 3);
  size_t found = 0;
  for (auto _ : state) {
    for (size_t i : order) found += KQBM_fetch(db, KD(Large()[i].key)).dptr != nullptr;
  }
  KQBM_close(db);
  if (found != state.iterations() * Large().size()) state.SkipWithError("missing keys");
  state.SetItemsProcessed(state.iterations() * (int64_t)Large().size());
}
BENCHMARK(BM_FetchRW10k_Kqbm)->Unit(benchmark::kMillisecond);

void BM_FetchRW10k_Gdbm(benchmark::State &state) {
  std::string file = Dir() + "/fetch.gdbm";
  GdbmBuild(file, Large());
  GDBM_FILE g = gdbm_open(file.c_str(), 0, GDBM_WRITER, 0644, nullptr);
  auto order = Order(Large().size(), 3);
  size_t found = 0;
  for (auto _ : state) {
    for (size_t i : order) {
      gdbm_datum d = gdbm_fetch(g, GD(Large()[i].key));
      found += d.dptr != nullptr;
      free(d.dptr);
    }
  }
  gdbm_close(g);
  if (found != state.iterations() * Large().size()) state.SkipWithError("missing keys");
  state.SetItemsProcessed(state.iterations() * (int64_t)Large().size());
}
BENCHMARK(BM_FetchRW10k_Gdbm)->Unit(benchmark::kMillisecond);

void BM_FetchWholeFile_Kqbm(benchmark::State &state) {
  std::string name = Dir() + "/whole";
  KqbmBuild(name, Small());
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDONLY, 0, 1);
  if (!db) {
    state.SkipWithError("file too large for a whole-file open");
    return;
  }
  auto order = Order(Small().size(), 4);
  size_t found = 0;
  for (auto _ : state) {
    for (size_t i : order) found += KQBM_fetch(db, KD(Small()[i].key)).dptr != nullptr;
  }
  KQBM_close(db);
  if (found != state.iterations() * Small().size()) state.SkipWithError("missing keys");
  state.SetItemsProcessed(state.iterations() * (int64_t)Small().size());
}
BENCHMARK(BM_FetchWholeFile_Kqbm)->Unit(benchmark::kMicrosecond);

void BM_FetchWholeFile_Gdbm(benchmark::State &state) {
  std::string file = Dir() + "/whole.gdbm";
  GdbmBuild(file, Small());
  GDBM_FILE g = gdbm_open(file.c_str(), 0, GDBM_READER, 0, nullptr);
  auto order = Order(Small().size(), 4);
  size_t found = 0;
  for (auto _ : state) {
    for (size_t i : order) {
      gdbm_datum d = gdbm_fetch(g, GD(Small()[i].key));
      found += d.dptr != nullptr;
      free(d.dptr);
    }
  }
  gdbm_close(g);
  if (found != state.iterations() * Small().size()) state.SkipWithError("missing keys");
  state.SetItemsProcessed(state.iterations() * (int64_t)Small().size());
}
BENCHMARK(BM_FetchWholeFile_Gdbm)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then each KQBM time over the GDBM time of the same work.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &r : runs) {
      if (!r.error_occurred) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Ratios() {
    std::printf("\nKQBM time / GDBM time (below 1: KQBM faster)\n");
    for (auto &[name, t] : times_) {
      auto pos = name.find("_Kqbm");
      if (pos == std::string::npos) continue;
      std::string other = name.substr(0, pos) + "_Gdbm" + name.substr(pos + 5);
      auto it = times_.find(other);
      if (it != times_.end())
        std::printf("  %-28s %6.2f\n", name.substr(0, pos).c_str(), t / it->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios();
  std::string cleanup = "rm -rf " + Dir();
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
