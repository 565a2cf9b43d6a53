// Rendering a request for the service log: GEN_EchoAS of the request-sized set (the one
// the wire benchmarks convert) into an open log message written to a file, beside the
// same text formatted by hand with snprintf and given to the log as plain text in the
// same message. Before measuring, both texts are checked to be the same.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "request_set.h"

namespace {

std::string benchDir;
STF_statusList_t *status;
AS_setHandle_t requestSet = AS_nullSetHandle;

void OpenLog() {
  char tmpl[] = "/tmp/echo_bench_XXXXXX";
  benchDir = mkdtemp(tmpl);
  LOG_Init((benchDir + "/echo").c_str(), "I");
  // Rolling over keeps the disk use bounded and is part of the real cost.
  LOG_SetLogSize(64L << 20);
  LOG_SetMaxNoOfLogs(2);
}

void CloseLog() {
  LOG_Term();
  std::filesystem::remove_all(benchDir);
}

// One attribute of the set as the hand formatter holds it.
struct Attr {
  uint32_t id, type;
  std::string head;  // "\t\t<name> (<type name>) <operator>\n"
  std::vector<const void *> values;
};
std::vector<Attr> attrs;

void Collect() {
  AS_attrHandle_t attr = AS_nullAttrHandle;
  uint32_t id = 0;
  for (int rc = AS_FindFirstAttr(status, requestSet, &attr, &id); rc == 0;
       rc = AS_FindNextAttrR(status, &attr, &id)) {
    Attr a{id, 0, "", {}};
    AS_GetAttrValTypeR(status, attr, &a.type);
    a.head = std::string("\t\t") + GENU_ShortOIDToAscii(id) + " (" +
             GENU__TypeToAscii(status, a.type) + ") " + GENU__ModifyOpAscii(status, attr) + "\n";
    AS_attrValHandle_t val = AS_nullAttrValHandle;
    void *value = nullptr;
    for (int v = AS_FindFirstAttrValR(status, attr, &val, &value); v == 0;
         v = AS_FindNextAttrValVR(status, &val, &value))
      a.values.push_back(value);
    AS_FreeAttrValHandle(status, &val);
    attrs.push_back(a);
  }
  AS_FreeAttrHandle(status, &attr);
  STF_ClearStatus(status);
}

// The text GEN_EchoAS gives for the set, formatted by hand.
size_t HandFormat(char *out, size_t size) {
  size_t n = 0;
  auto add = [&](const char *format, auto... args) {
    int k = snprintf(out + n, size - n, format, args...);
    if (k > 0) n += static_cast<size_t>(k) < size - n ? static_cast<size_t>(k) : size - n - 1;
  };
  for (const Attr &a : attrs) {
    add("%s", a.head.c_str());
    for (const void *v : a.values) {
      switch (a.type) {
        case 0:
          add("\t\t\t%s\n", *static_cast<const int32_t *>(v) ? "TRUE" : "FALSE");
          break;
        case 1:
        case 12:
          add("\t\t\t%d\n", *static_cast<const int32_t *>(v));
          break;
        case 10:
          add("\t\t\t%s\n", GENU_ShortOIDToAscii(*static_cast<const uint32_t *>(v)));
          break;
        case 18:
          add("\t\t\tlocal:%s\n", static_cast<const GEN_NameOrOID_t *>(v)->u.name.u.string);
          break;
        case 27:
          add("\t\t\t%s\n", static_cast<const GEN_SimpleName_t *>(v)->u.string);
          break;
        case 28:
          add("\t\t\t%s\n", static_cast<const GEN_Text_t *>(v)->u.string);
          break;
        default: {
          const auto *t = static_cast<const GEN_GeneralizedTime_t *>(v);
          add("\t\t\t%d/%02d/%d %d:%02d:%02d.%03d diff=%d %s\n", t->day, t->month, t->year, t->hour,
              t->minute, t->second, t->millisecond, t->diffUTC, t->utc ? "UTC" : "Not UTC");
        }
      }
    }
  }
  return n;
}

// The text one message holds, without the log's heads.
std::string Logged(void (*write)()) {
  const std::string file = LOG_SetAddress(nullptr);
  const auto before = std::filesystem::file_size(file);
  write();
  std::string text;
  if (FILE *f = fopen(file.c_str(), "r")) {
    fseek(f, static_cast<long>(before), SEEK_SET);
    char line[4096];
    while (fgets(line, sizeof line, f)) {
      const char *bar = strstr(line, " | ");
      text += bar ? bar + 3 : line;
    }
    fclose(f);
  }
  return text;
}

void Rendered() {
  LOG_START_MESSAGE(LOG_SEV_INFO, nullptr);
  GEN_EchoAS(status, requestSet);
  LOG_EndMessage();
}

char handText[16384];
void ByHand() {
  LOG_START_MESSAGE(LOG_SEV_INFO, nullptr);
  HandFormat(handText, sizeof handText);
  LOG_AddText(handText);
  LOG_EndMessage();
}

void SetUp(const benchmark::State &) {
  status = STF_CreateList(nullptr);
  requestSet = kq::bench::RequestSet(false);
  Collect();
  OpenLog();
  const std::string rendered = Logged(Rendered), hand = Logged(ByHand);
  if (rendered != hand || attrs.size() != kq::bench::kRequestAttributes) {
    fprintf(stderr, "echo_bench: the hand-formatted text differs from the rendering:\n%s\n%s",
            rendered.c_str(), hand.c_str());
    abort();
  }
}

void TearDown(const benchmark::State &) {
  CloseLog();
  attrs.clear();
  AS_Destroy(status, &requestSet);
  STF_DeleteList(status);
}

void BM_EchoAS(benchmark::State &state) {
  for (auto _ : state) Rendered();
}
BENCHMARK(BM_EchoAS)->Setup(SetUp)->Teardown(TearDown)->Unit(benchmark::kMicrosecond);

void BM_HandFormatted(benchmark::State &state) {
  for (auto _ : state) ByHand();
}
BENCHMARK(BM_HandFormatted)->Setup(SetUp)->Teardown(TearDown)->Unit(benchmark::kMicrosecond);

}  // namespace
