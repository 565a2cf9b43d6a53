// Service log costs: a message written to a log file from one and two threads, a
// multi-line message built in pieces, and a call at a disabled severity. The natural
// competitor, fprintf and fflush to a FILE under a mutex with a comparable line,
// runs beside the file cases and the ratios are printed at the end.
//
// syslog is not measured: no syslog daemon runs on the build machines, so it would
// only time a failing socket.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "infra/svclog.h"

namespace {

std::string benchDir;

void OpenLog(const benchmark::State &) {
  LOG_Term();
  char tmpl[] = "/tmp/svclog_bench_XXXXXX";
  benchDir = mkdtemp(tmpl);
  LOG_Init((benchDir + "/bench").c_str(), "EWX");
  // Rolling over keeps the disk use bounded and is part of the real cost.
  LOG_SetLogSize(64L << 20);
  LOG_SetMaxNoOfLogs(2);
}

void CloseLog(const benchmark::State &) {
  LOG_Term();
  std::filesystem::remove_all(benchDir);
}

void BM_CondMessageToFile(benchmark::State &state) {
  int i = 0;
  for (auto _ : state) {
    LOG_CondMessage(LOG_SEV_DIAG, "bench.cc", 42, "request %d failed code=%d", i++, 7);
  }
}
BENCHMARK(BM_CondMessageToFile)->Setup(OpenLog)->Teardown(CloseLog)->Threads(1)->Threads(2);

// The same line layout done by hand: head, position, time, text, then fprintf and
// fflush under one mutex.
FILE *plainFile;
long plainBytes;
std::mutex plainMutex;

void OpenPlain(const benchmark::State &) {
  char tmpl[] = "/tmp/svclog_bench_XXXXXX";
  benchDir = mkdtemp(tmpl);
  plainFile = fopen((benchDir + "/plain").c_str(), "w+");
}

void ClosePlain(const benchmark::State &) {
  fclose(plainFile);
  std::filesystem::remove_all(benchDir);
}

void BM_FprintfUnderMutex(benchmark::State &state) {
  int i = 0;
  const int tid = static_cast<int>(gettid());
  for (auto _ : state) {
    struct timeval now;
    gettimeofday(&now, nullptr);
    char line[256];
    snprintf(line, sizeof line, "%c %-5d %10s:%-4d %5d.%06d | request %d failed code=%d\n", 'X',
             tid, "bench.cc", 42, static_cast<int>(now.tv_sec % 86400),
             static_cast<int>(now.tv_usec), i++, 7);
    std::lock_guard<std::mutex> lock(plainMutex);
    plainBytes += fputs(line, plainFile) >= 0 ? static_cast<long>(strlen(line)) : 0;
    fflush(plainFile);
    // Keep the file small, as the log's rollover does.
    if (plainBytes > (64L << 20)) {
      rewind(plainFile);
      plainBytes = 0;
    }
  }
}
BENCHMARK(BM_FprintfUnderMutex)->Setup(OpenPlain)->Teardown(ClosePlain)->Threads(1)->Threads(2);

void BM_MultiLineMessage(benchmark::State &state) {
  for (auto _ : state) {
    if (LOG_StartMessage(LOG_SEV_DIAG, "bench.cc", 7, nullptr)) {
      LOG_AddText("first line of the message\n");
      LOG_AddText("second line, continued under the first\n");
      LOG_AddText("third line");
      LOG_EndMessage();
    }
  }
}
BENCHMARK(BM_MultiLineMessage)->Setup(OpenLog)->Teardown(CloseLog);

void BM_CondMessageDisabled(benchmark::State &state) {
  int i = 0;
  for (auto _ : state) {
    LOG_CondMessage(LOG_SEV_FUNC, "bench.cc", 42, "request %d failed code=%d", i++, 7);
  }
}
BENCHMARK(BM_CondMessageDisabled)->Setup(OpenLog)->Teardown(CloseLog)->Threads(1)->Threads(2);

// Console output plus a note of each run's time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &r : runs) {
      // With repetitions the median stands for the run.
      if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median") {
        times_[r.run_name.str()] = r.GetAdjustedRealTime();
      }
    }
  }
  void PrintRatios() const {
    for (const char *threads : {"threads:1", "threads:2"}) {
      auto log = times_.find(std::string("BM_CondMessageToFile/") + threads);
      auto plain = times_.find(std::string("BM_FprintfUnderMutex/") + threads);
      if (log == times_.end() || plain == times_.end() || plain->second <= 0) continue;
      printf("LOG_CondMessage / fprintf+fflush under a mutex (%s): %.2f\n", threads,
             log->second / plain->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
