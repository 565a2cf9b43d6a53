// A received 100-character text in another code set (UTF-8 on the wire, a Latin-1
// locale) unpacked into a generic value: through the context the thread configured
// for UTF-8, through a context set up for the text alone (the thread has none), and,
// for scale, the same text when it already is in the local code set (copied).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "infra/genu.h"
#include "infra/i18n.h"

namespace {

constexpr uint32_t kLatin1 = 369;   // id-val-code-set-iso-latin1
constexpr uint32_t kUnicode = 392;  // id-val-code-set-unicode, the code set of UTF-8

// The local DPA locale of the benchmark: Latin-1, whatever the process locale is.
int Latin1Locale(STF_statusList_t *, I18N_dpaLocale_t **out) {
  *out = static_cast<I18N_dpaLocale_t *>(calloc(1, sizeof **out));
  if (!*out) return 1;
  (*out)->codeSet = kLatin1;
  return 0;
}

struct Setup {
  STF_statusList_t *s = STF_CreateList(nullptr);
  OssBuf encoded{0, nullptr};
  bool ok = false;
  // Packs 100 characters, every fifth one outside ASCII, labelled `codeSet`.
  explicit Setup(uint32_t codeSet) {
    std::string text;
    for (int i = 0; i < 100; i++)
      text += i % 5 == 4 ? (codeSet == kUnicode ? "\xc3\xa9" : "\xe9") : "a";
    GEN_Text_t t{};
    t.choice = GEN_TEXT_OTHER;
    t.codeSet = codeSet;
    t.u.octets = {static_cast<int32_t>(text.size()),
                  reinterpret_cast<unsigned char *>(text.data())};
    ICONV_DestroyContext(ICONV_GetAndClearContext());
    ok = I18N_Init(s, KQ_STAGE_DIR "/usr/kq/share/data") == 0 &&
         ICONV_RegisterCallback(s, ICONV_CB_CURRENT_LOCALE,
                                reinterpret_cast<ICONV_callback_t>(Latin1Locale)) == 0 &&
         JQP_PackAV(s, 28, &t, &encoded) == 0;
  }
  ~Setup() {
    ICONV_DestroyContext(ICONV_GetAndClearContext());
    free(encoded.value);
    I18N_Term(s);
    STF_DeleteList(s);
  }
};

void RunUnpack(benchmark::State &state, uint32_t codeSet, bool configure) {
  Setup b(codeSet);
  GEN_Text_t onWire{};
  onWire.choice = GEN_TEXT_OTHER;
  onWire.codeSet = codeSet;
  if (!b.ok || (configure && ICONV_ConfigureContext(b.s, &onWire))) {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state) {
    void *rec = nullptr;
    AS_valueDescriptor_t desc{};
    if (JQP_UnpackAV(b.s, &b.encoded, 28, &rec, &desc)) {
      state.SkipWithError("unpack failed");
      break;
    }
    benchmark::DoNotOptimize(rec);
    desc.deleteValue(b.s, rec, nullptr);
  }
}

void BM_UnpackUtf8Text_ThreadContext(benchmark::State &state) { RunUnpack(state, kUnicode, true); }
BENCHMARK(BM_UnpackUtf8Text_ThreadContext);

void BM_UnpackUtf8Text_ContextPerText(benchmark::State &state) {
  RunUnpack(state, kUnicode, false);
}
BENCHMARK(BM_UnpackUtf8Text_ContextPerText);

void BM_UnpackLatin1Text_Copied(benchmark::State &state) { RunUnpack(state, kLatin1, false); }
BENCHMARK(BM_UnpackLatin1Text_Copied);

}  // namespace

BENCHMARK_MAIN();
