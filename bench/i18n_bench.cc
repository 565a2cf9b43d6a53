// Code-set conversion of a 100-character text: through the thread's configured
// context (UTF-8 on the wire, Latin-1 locally) beside a plain iconv() call doing the
// same conversion, and the copy made when no conversion is needed.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "infra/i18n.h"

namespace {

constexpr uint32_t kLatin1 = 369;   // id-val-code-set-iso-latin1
constexpr uint32_t kUnicode = 392;  // id-val-code-set-unicode, the code set of UTF-8

// 100 characters, every fifth one outside ASCII, as UTF-8.
std::string WireText() {
  std::string s;
  for (int i = 0; i < 100; i++) s += i % 5 == 4 ? "\xc3\xa9" : "a";
  return s;
}

// The local DPA locale of the benchmark: Latin-1, whatever the process locale is.
int Latin1Locale(STF_statusList_t *, I18N_dpaLocale_t **out) {
  *out = static_cast<I18N_dpaLocale_t *>(calloc(1, sizeof **out));
  if (!*out) return 1;
  (*out)->codeSet = kLatin1;
  return 0;
}

struct Tables {
  STF_statusList_t *s = STF_CreateList(nullptr);
  bool ok = false;
  Tables() {
    ok = I18N_Init(s, KQ_STAGE_DIR "/usr/kq/share/data") == 0 &&
         ICONV_RegisterCallback(s, ICONV_CB_CURRENT_LOCALE,
                                reinterpret_cast<ICONV_callback_t>(Latin1Locale)) == 0;
  }
  ~Tables() {
    I18N_Term(s);
    STF_DeleteList(s);
  }
};

void RunToGen(benchmark::State &state, uint32_t wire) {
  Tables t;
  GEN_Text_t onWire{};
  onWire.choice = GEN_TEXT_OTHER;
  onWire.codeSet = wire;
  if (!t.ok || ICONV_ConfigureContext(t.s, &onWire)) {
    state.SkipWithError("set-up failed");
    return;
  }
  std::string in = WireText();
  unsigned char out[ICONV_MAX_255];
  for (auto _ : state) {
    int32_t len = 0;
    uint32_t cs = wire;
    if (ICONV_ToGEN_OtherCodeSet255(t.s, reinterpret_cast<const unsigned char *>(in.data()),
                                    static_cast<int32_t>(in.size()), out, &len, &cs)) {
      state.SkipWithError("conversion failed");
      break;
    }
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(len);
  }
  ICONV_DestroyContext(ICONV_GetAndClearContext());
}

void BM_ToGen255_Configured(benchmark::State &state) { RunToGen(state, kUnicode); }
BENCHMARK(BM_ToGen255_Configured);

// Same code set on both sides: no context, the bytes are copied.
void BM_ToGen255_Copy(benchmark::State &state) { RunToGen(state, kLatin1); }
BENCHMARK(BM_ToGen255_Copy);

void BM_PlainIconv(benchmark::State &state) {
  iconv_t cd = iconv_open("ISO-8859-1", "UTF-8");
  std::string in = WireText();
  char out[ICONV_MAX_255];
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *ip = in.data();
    size_t il = in.size();
    char *op = out;
    size_t ol = sizeof out;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv failed");
      break;
    }
    benchmark::DoNotOptimize(out);
  }
  iconv_close(cd);
}
BENCHMARK(BM_PlainIconv);

}  // namespace
