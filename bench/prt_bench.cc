// Printer lookups on a 1000-entry printers file: with the cached list read anew
// (cold) and from the cache, and the directory lookup of a printer entry.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "infra/ns.h"
#include "infra/prt.h"
#include "internal/prt_switch.h"

namespace {

constexpr int kEntries = 1000;

struct Files {
  std::string dir, a, b;
  Files() {
    char tmpl[] = "/tmp/prt_bench.XXXXXX";
    dir = mkdtemp(tmpl);
    a = dir + "/a.conf";
    b = dir + "/b.conf";
    for (const std::string &path : {a, b}) {
      std::ofstream out(path);
      for (int i = 0; i < kEntries; ++i)
        out << "printer" << i << "|alias" << i << ":\\\n\t:bsdaddr=host" << i % 17 << ",queue" << i
            << ":\\\n\t:paddr=host" << i % 17 << ",300001,1,sys,lp,spool" << i % 5
            << ",0:\\\n\t:description=printer number " << i << " on the third floor:\n";
    }
    setenv("HOME", dir.c_str(), 1);
    ns__nsswitch_path = "/nonexistent/nsswitch.conf";
    // One write through the library gives the lock files a change counter, without
    // which every lookup reads the file again.
    for (const std::string &path : {a, b}) {
      setenv("PRINTERS_CONF", path.c_str(), 1);
      ns_printer_t *p = ns_printer_create("extra", nullptr, "etc", nullptr);
      ns_set_value_from_string("description", "written once", p);
      ns_printer_put(p);
      ns_printer_destroy(p);
    }
  }
  ~Files() {
    if (system(("rm -rf " + dir).c_str()) != 0) abort();
  }
};

Files &TheFiles() {
  static Files files;
  return files;
}

std::string NameFor(int i) { return "printer" + std::to_string((i * 7919) % kEntries); }

void BM_ns_printer_get_name_cold(benchmark::State &state) {
  Files &f = TheFiles();
  int i = 0;
  for (auto _ : state) {
    // Switching between two copies of the file makes the cached list stale.
    setenv("PRINTERS_CONF", (i & 1 ? f.a : f.b).c_str(), 1);
    ns_printer_t *p = ns_printer_get_name(NameFor(i++).c_str(), nullptr);
    if (!p) state.SkipWithError("not found");
    ns_printer_destroy(p);
  }
}
BENCHMARK(BM_ns_printer_get_name_cold)->Unit(benchmark::kMicrosecond);

void BM_ns_printer_get_name_cached(benchmark::State &state) {
  Files &f = TheFiles();
  setenv("PRINTERS_CONF", f.a.c_str(), 1);
  int i = 0;
  for (auto _ : state) {
    ns_printer_t *p = ns_printer_get_name(NameFor(i++).c_str(), nullptr);
    if (!p) state.SkipWithError("not found");
    ns_printer_destroy(p);
  }
}
BENCHMARK(BM_ns_printer_get_name_cached)->Unit(benchmark::kMicrosecond);

void BM_NS_GetObject_printer(benchmark::State &state) {
  Files &f = TheFiles();
  setenv("PRINTERS_CONF", f.a.c_str(), 1);
  NS_Init(nullptr, NS_CLASS_CLIENT);
  int i = 0;
  for (auto _ : state) {
    NS_object_t *o = nullptr;
    if (NS_GetObject(NS_KIND_LOGICAL, NameFor(i++).c_str(), nullptr, &o) != NS_OK)
      state.SkipWithError("not found");
    NS_FreeObject(o);
  }
  NS_Term();
}
BENCHMARK(BM_NS_GetObject_printer)->Unit(benchmark::kMicrosecond);

}  // namespace
