// Conversion contexts belong to their threads: several threads convert at once, each
// through the context it configured, and a thread's context ends with the thread.
// The tables' count of users holds up under users in several threads.
#include <iconv.h>

#include <string>
#include <thread>
#include <vector>

#include "i18n_env.h"

using namespace kq::i18n::test;

namespace {

struct Job {
  uint32_t wire;
  std::string local;   // the text in the local code set (UTF-8)
  std::string onWire;  // the same text in the wire code set
  int failures = 0;
  bool hadContext = false;
};

void ConvertInThread(Job &job) {
  StatusList l;
  job.failures += ConfigureFor(l, job.wire);
  auto bytes = [](const std::string &s) { return (const unsigned char *)s.data(); };
  unsigned char out[ICONV_MAX_4095];
  auto got = [&](int32_t len) { return std::string((char *)out, len); };
  for (int i = 0; i < 300; i++) {
    int32_t len = 0;
    uint32_t cs = job.wire;
    GENU_berOid_t wire;
    job.failures += ICONV_ToGEN_OtherCodeSet4095(l, bytes(job.onWire), int32_t(job.onWire.size()),
                                                 out, &len, &cs) ||
                    got(len) != job.local || cs != kUnicode;
    job.failures += ICONV_ToBER_OtherCodeSet255(l, bytes(job.local), int32_t(job.local.size()),
                                                kUnicode, out, sizeof out, &len, &wire) ||
                    got(len) != job.onWire;
  }
  // Left in place on purpose when the thread converts: the thread key's destructor
  // frees it (the sanitizer build reports a leak otherwise).
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  job.hadContext = ctx != nullptr;
  ICONV_SetContext(ctx);
}

class IconvThreads : public ShippedTables {};

TEST_F(IconvThreads, EachThreadConvertsThroughItsOwnContext) {
  ASSERT_TRUE(EnsureLocale("en_US.UTF-8"));
  MessagesLocale m("en_US.UTF-8");
  ASSERT_TRUE(m.ok());
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  std::vector<Job> jobs = {
      {kShiftJis, "\xe6\x97\xa5\xe6\x9c\xac", "\x93\xfa\x96\x7b"},
      {kLatin1, kGruesseUtf8, kGruesseLatin1},
      {kLatin2, "\305\201\303\263d\305\272", "\243\363d\274"},  // "Łódź"
      {kEucJp, "\xe6\x97\xa5\xe6\x9c\xac", "\xc6\xfc\xcb\xdc"},
      {kUnicode, "\xe2\x82\xac", "\xe2\x82\xac"},  // same code set: copied
      {kIso2022Jp, "\xe6\x97\xa5", "\x1b$BF|\x1b(B"},
  };
  // glibc loads a converter module with the first descriptor that needs it and
  // unloads it with the last; keeping one descriptor per module open here keeps
  // those loads and unloads (serialised inside the dynamic loader, where the thread
  // sanitizer cannot see it) out of the threads.
  std::vector<iconv_t> pins;
  for (const char *name : {"SHIFT_JIS", "ISO-8859-1", "ISO-8859-2", "EUC-JP", "ISO-2022-JP"})
    pins.push_back(iconv_open("UTF-8", name));
  {
    std::vector<std::jthread> threads;
    for (Job &job : jobs) threads.emplace_back(ConvertInThread, std::ref(job));
  }
  for (iconv_t cd : pins)
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  for (const Job &job : jobs) {
    EXPECT_EQ(job.failures, 0) << "wire code set " << job.wire;
    EXPECT_EQ(job.hadContext, job.wire != kUnicode) << job.wire;
  }
  // The main thread configured nothing: it copies.
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
}

// Users come and go in several threads while one user keeps the tables loaded: the
// count stays right and lookups always see complete tables.
class I18nThreads : public ShippedTables {};

TEST_F(I18nThreads, UsersInSeveralThreadsKeepTheCount) {
  std::vector<int> failures(6, 0);
  {
    std::vector<std::jthread> threads;
    for (int &f : failures) {
      threads.emplace_back([&f] {
        for (int i = 0; i < 200; i++) {
          StatusList l;
          uint32_t shoid = 0;
          I18N_dpaLocale_t d{};
          f += I18N_Init(l, nullptr) || I18N_CodesetNameToOID(l, "Shift_JIS", &shoid) ||
               shoid != kShiftJis || I18N_GetDPALocaleFromLocaleName(l, "ja_JP.eucJP", &d) ||
               d.codeSet != kEucJp || I18N_Term(l);
        }
      });
    }
  }
  for (int f : failures) EXPECT_EQ(f, 0);
  Release();  // only the fixture's own user was left
  StatusList l;
  EXPECT_EQ(I18N_Term(l), 1);
}

}  // namespace
