// The locale tables and the code-set conversion: reading "charset.dat" (its layout
// rules, the search path, the shipped file against the platform's iconv and the
// identifier table), lookups of names, identifiers and DPA locales both ways under real
// glibc locales, texts converted between the local code set and the wire's with glibc
// iconv, and conversion contexts and table users in several threads.
#include "infra/i18n.h"

#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "infra/genu.h"
#include "infra/genu_oid.h"
#include "infra/oid.h"
#include "kqtest.h"
#include "locale_env.h"

namespace {

using namespace kq::test::locale;
using kq::test::StatusList;
using Codes = std::vector<uint32_t>;

// Lookups as text for comparisons; a failed one answers Failure(its code).
std::string Failure(uint32_t code) { return "fails " + std::to_string(code); }
std::string Field(const I18N_localeField_t &f) { return std::string(f.value, f.length); }
// "language/country/codeSet" of a DPA locale.
std::string Text(const I18N_dpaLocale_t &d) {
  return Field(d.language) + "/" + Field(d.country) + "/" + std::to_string(d.codeSet);
}
std::string Want(const char *language, const char *country, uint32_t codeSet) {
  return std::string(language) + "/" + country + "/" + std::to_string(codeSet);
}

// The DPA locale of a locale name.
std::string DpaOf(const char *name) {
  StatusList l;
  I18N_dpaLocale_t d{};
  return I18N_GetDPALocaleFromLocaleName(l, name, &d) ? Failure(l.Code()) : Text(d);
}

// The short OID of a code-set name (0 when unknown) and the name of a short OID.
uint32_t CodeSetOf(const char *name) {
  StatusList l;
  uint32_t shoid = 0;
  return I18N_CodesetNameToOID(l, name, &shoid) ? 0 : shoid;
}
std::string CodeSetName(uint32_t shoid) {
  StatusList l;
  char *name = nullptr;
  if (I18N_OIDToCodesetName(l, shoid, &name)) return Failure(l.Code());
  std::string s = name;
  free(name);
  return s;
}

// Loads `text` as the data file of a scratch directory: the codes, empty on success
// (and then the tables stay loaded until Unload).
Codes Load(const std::string &text) {
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "charset.dat", text);
  StatusList l;
  EXPECT_TRUE(I18N_Init(l, dir.path().c_str()) == 0 || !l.Codes().empty());
  return l.Codes();
}
void Unload() { EXPECT_EQ(I18N_Term(StatusList()), 0); }

// ---- the data file ------------------------------------------------------------------

const std::string kHead = "codeset-mappings:\n", kLocales = "locale-mappings:\n";
const std::string kGood =
    kHead + "ASCII 1.0.10175.1.6.292.0\n\t \n" + kLocales + "C C <empty> ASCII\n";
const Codes kBadData{I18N_ST_FAILED, I18N_ST_BAD_DATA};

TEST(I18nData, LayoutErrorsAndMissingDataLoadNothingAndLookupsThenFail) {
  const std::string rows[] = {
      kLocales + "C C <empty> ASCII\n",  // first word other than the code-set heading
      "codeset-mappings: extra\n" + kLocales,
      kHead + "X 1.x.3\n" + kLocales,  // an identifier that does not convert
      // a code-set line of one word, a locale line of five
      kHead + "ASCII\n" + kLocales, kHead + kLocales + "C C <empty> ASCII x\n",
      kHead + "locale-mappings:",  // an early end in an unterminated heading
      kHead + std::string(300, 'A') + " 1.0.10175.1.6.292.0\n" + kLocales,  // over 255
  };
  for (const std::string &text : rows) EXPECT_EQ(Load(text), kBadData) << text.substr(0, 80);
  EXPECT_EQ(Load(""), Codes{I18N_ST_NO_DATA});
  // Nothing loaded: every lookup fails.
  EXPECT_EQ(CodeSetOf("ASCII") + DpaOf("C").rfind("fails", 0), 0u);
  EXPECT_EQ(CodeSetName(kAscii), Failure(I18N_ST_UNKNOWN_CODESET));
}

TEST(I18nData, LongestLineIsReadAndNewestEntryWins) {
  std::string name(255 - strlen(" 1.0.10175.1.6.292.0"), 'N');
  ASSERT_TRUE(Load(kHead + name + " 1.0.10175.1.6.292.0\n" + kLocales).empty());
  EXPECT_EQ(CodeSetOf(name.c_str()), kAscii);
  Unload();
  ASSERT_TRUE(Load(kHead + "Latin 1.0.10175.1.6.293.0\nLatin 1.0.10175.1.6.294.0\n" +
                   "Older 1.0.10175.1.6.292.0\nNewer 1.0.10175.1.6.292.0\n" + kLocales)
                  .empty());
  EXPECT_EQ(CodeSetOf("Latin"), kLatin2);
  EXPECT_EQ(CodeSetName(kAscii), "Newer");
  Unload();
}

TEST(I18nData, SearchPathMovesOnOnlyWhileTheFileIsMissing) {
  kq::test::TempDir root, envRoot;
  kq::test::EnvGuard env;
  env.Unset(I18N_DATA_ENV);
  const std::string cwd = root / "a/b/c/d";
  std::filesystem::create_directories(cwd);
  // Writes the file (when given) and runs I18N_Init without a directory from cwd: the
  // codes, empty when a file was found and loaded (it is then unloaded).
  auto init = [&](const std::string &dir, const std::string &text) {
    std::filesystem::create_directories(dir);
    kq::test::WriteFile(dir + "/charset.dat", text);
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(cwd);
    StatusList l;
    if (I18N_Init(l, nullptr) == 0) Unload();
    std::filesystem::current_path(old);
    return l.Codes();
  };
  EXPECT_EQ(init(root / "x", ""), Codes{I18N_ST_NO_DATA});
  EXPECT_EQ(init(root / "usr/kq/share/data", kGood), Codes{}) << "../../../../usr/kq/share/data";
  EXPECT_EQ(init(root / "a/b/c/share/data", "bad\n"), kBadData) << "an earlier bad file stops";
  env.Set(I18N_DATA_ENV, envRoot.path().c_str());
  EXPECT_EQ(init(envRoot / "usr/kq/share/data", kHead), kBadData) << "the environment first";
}

using I18nShippedTables = ShippedTables;

// Every code set of the shipped file opens with iconv both ways, has an identifier of
// a code set, and is found by name; the common code sets and ISO 8859 parts 1 to 10
// are there; every locale resolves.
TEST_F(I18nShippedTables, EveryCodeSetOpensWithIconvEveryIdentifierConvertsEveryLocaleResolves) {
  StatusList l;
  std::set<uint32_t> seen;
  size_t locales = 0, codesets = 0;
  bool inLocales = false;
  for (const std::string &line :
       kq::test::Lines(kq::test::ReadFile(StageDataDir() + "/charset.dat"))) {
    std::istringstream in(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
    if (w.size() == 1) inLocales = w[0] == "locale-mappings:";
    if (inLocales && w.size() == 4) {
      std::replace(w[0].begin(), w[0].end(), '$', ' ');
      EXPECT_EQ(DpaOf(w[0].c_str()).rfind("fails", 0), std::string::npos) << w[0];
      locales++;
    }
    if (inLocales || w.size() != 2) continue;
    for (auto [to, from] : {std::pair{w[0].c_str(), "UTF-8"}, std::pair{"UTF-8", w[0].c_str()}}) {
      iconv_t cd = iconv_open(to, from);
      EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to << " from " << from;
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    unsigned char binary[OID_BINARY_MAX];
    uint32_t shoid = 0;
    ASSERT_EQ(OID_ConvertDecToBin(l, w[1].c_str(), binary, nullptr) +
                  GENU_BinaryToShortOID(l, binary, &shoid),
              0)
        << w[1];
    EXPECT_EQ(strncmp(GENU_ShortOIDToAscii(shoid), "id-val-code-set-", 16), 0) << w[1];
    EXPECT_EQ(CodeSetOf(w[0].c_str()), shoid) << w[0];
    seen.insert(shoid);
    codesets++;
  }
  EXPECT_GE(codesets, 40u);
  EXPECT_GE(locales, 50u);
  for (uint32_t shoid = kLatin1; shoid <= 378; shoid++) EXPECT_TRUE(seen.count(shoid)) << shoid;
}

// ---- lookups ------------------------------------------------------------------------

I18N_dpaLocale_t Dpa(const char *language, const char *country, uint32_t codeSet) {
  I18N_dpaLocale_t d{};
  for (auto [field, text] : {std::pair{&d.language, language}, std::pair{&d.country, country}})
    memcpy(field->value, text, field->length = uint16_t(strlen(text)));
  d.codeSet = codeSet;
  return d;
}

std::string NameOf(const I18N_dpaLocale_t &d, uint32_t bufSize = 64) {
  StatusList l;
  std::string buf(bufSize + 1, '#');
  uint32_t len = 0;
  if (I18N_GetLocaleNameFromDPALocale(l, &d, bufSize, &len, buf.data())) return Failure(l.Code());
  return buf.substr(0, len);
}

// "language/country/codeSet" of the current messages locale.
std::string Current() {
  StatusList l;
  I18N_dpaLocale_t *d = reinterpret_cast<I18N_dpaLocale_t *>(&l);
  if (I18N_GetCurrentDPALocale(l, &d)) {
    EXPECT_EQ(d, nullptr);
    return Failure(l.Code());
  }
  std::string s = Text(*d);
  free(d);
  return s;
}

using I18nLookup = ShippedTables;

TEST_F(I18nLookup, CodeSetNamesOfIdentifiersAndUnknownOnes) {
  EXPECT_EQ(CodeSetName(kAscii), "ANSI_X3.4-1968");  // the last of its names
  EXPECT_EQ(CodeSetName(kUnicode), "UTF-8");
  EXPECT_EQ(CodeSetOf("iso-8859-1x"), 0u);
  EXPECT_EQ(CodeSetName(kOther), Failure(I18N_ST_UNKNOWN_CODESET));
}

TEST_F(I18nLookup, LocaleNamesAndDpaLocalesBothWays) {
  for (const char *name : {"en_US.UTF-8", "ja_JP.SJIS", "English_United States.1252"}) {
    StatusList l;
    I18N_dpaLocale_t d{};
    EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l, name, &d) ? "" : NameOf(d), name);
  }
  for (const char *unknown : {"xx_XX", "en_US.UTF-8 "})  // exact names only
    EXPECT_EQ(DpaOf(unknown), Failure(I18N_ST_UNKNOWN_LOCALE)) << unknown;
  // Language and country agree over the record's lengths; the buffer bounds the copy.
  const std::pair<std::string, std::string> rows[] = {
      {NameOf(Dpa("de", "", kLatin1)), "de_CH.ISO-8859-1"},
      {NameOf(Dpa("e", "US", kUnicode)), "en_US.UTF-8"},
      {NameOf(Dpa("C ", "  ", kAscii)), "C"},
      {NameOf(Dpa("en", "US", kUnicode), 5), "en_US"},
      {NameOf(Dpa("en", "US", kShiftJis)), Failure(I18N_ST_UNKNOWN_LOCALE)},
  };
  for (const auto &[got, want] : rows) EXPECT_EQ(got, want);
}

TEST_F(I18nLookup, CurrentLocaleFromTheTableUnderGeneratedGlibcLocales) {
  ASSERT_TRUE(EnsureLocale("en_US.UTF-8"));
  const std::pair<const char *, std::string> rows[] = {{"C", Want("C ", "  ", kAscii)},
                                                       {"en_US.UTF-8", Want("en", "US", kUnicode)}};
  for (const auto &[locale, want] : rows) {
    MessagesLocale m(locale);
    ASSERT_TRUE(m.ok()) << locale;
    EXPECT_EQ(Current(), want) << locale;
  }
}

TEST(I18nOwnTables, CurrentLocaleWithoutEntryOrWithUnknownCodeSet) {
  // Without an entry: ASCII for C, a failure otherwise.
  ASSERT_EQ(Load("codeset-mappings:\nlocale-mappings:\n"), Codes{});
  {
    MessagesLocale c("C");
    EXPECT_EQ(Current(), Want("C", "", kAscii));
    MessagesLocale m("C.UTF-8");
    EXPECT_EQ(Current(), Failure(I18N_ST_FAILED));
  }
  Unload();
  // An entry whose code set is unknown: ISO Latin-1.
  ASSERT_EQ(Load("codeset-mappings:\nISO8859-1 1.0.10175.1.6.293.0\nlocale-mappings:\nC.UTF-8 en "
                 "<empty> NoSuchSet\n"),
            Codes{});
  {
    MessagesLocale m("C.UTF-8");
    EXPECT_EQ(Current(), Want("en", "  ", kLatin1));
  }
  Unload();
}

// ---- code-set conversion --------------------------------------------------------------

const std::string kNihonSjis = "\x93\xfa\x96\x7b", kNihonUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";

// The converted text, or "fails" and the codes.
std::string Outcome(int rc, const unsigned char *out, int32_t len, const StatusList &l) {
  std::string s = rc ? "fails" : std::string(reinterpret_cast<const char *>(out), len);
  for (uint32_t c : rc ? l.Codes() : Codes{}) s += " " + std::to_string(c);
  return s;
}

// Towards the local code set: the outcome and the code set reported. Nothing is
// written past the longest text of the type.
std::pair<std::string, uint32_t> ToGen(const std::string &in, uint32_t wire, bool max255 = false) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  auto *fn = max255 ? ICONV_ToGEN_OtherCodeSet255 : ICONV_ToGEN_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()), int32_t(in.size()), out, &len,
              &wire);
  EXPECT_EQ(out[max255 ? ICONV_MAX_255 : ICONV_MAX_4095], '#');
  return {Outcome(rc, out, len, l), wire};
}

// Towards the wire: the outcome and the wire code set given.
std::pair<std::string, GENU_berOid_t> ToBer(const std::string &in, uint32_t codeSet,
                                            bool max255 = false,
                                            int32_t outSize = ICONV_MAX_4095 + 16) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  GENU_berOid_t wire{99, nullptr};
  auto *fn = max255 ? ICONV_ToBER_OtherCodeSet255 : ICONV_ToBER_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()), int32_t(in.size()), codeSet,
              out, outSize, &len, &wire);
  EXPECT_EQ(out[std::min<int32_t>(outSize, max255 ? ICONV_MAX_255 : ICONV_MAX_4095)], '#');
  return {Outcome(rc, out, len, l), wire};
}

bool SameOid(const GENU_berOid_t &a, const GENU_berOid_t &b) {
  return a.length == b.length && memcmp(a.value, b.value, a.length) == 0;
}

using IconvConvert = InLocale;

// Latin-1 against UTF-8 is genu's wire tests' concern.
TEST_F(IconvConvert, LocalAndWireCodeSetsBothWaysInEitherLength) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  Configure(kShiftJis);
  for (bool max255 : {false, true}) {
    auto [text, oid] = ToBer(kNihonUtf8, kUnicode, max255);
    EXPECT_EQ(text, kNihonSjis) << max255;
    EXPECT_TRUE(SameOid(oid, id_val_code_set_shift_jis));
    EXPECT_EQ(ToGen(kNihonSjis, kShiftJis, max255), std::make_pair(kNihonUtf8, kUnicode));
  }
}

// The bounds of each text type, and the question marks that end a text at a character
// the wire code set cannot hold, are genu's wire tests' concern.
TEST_F(IconvConvert, OutputSpaceAndBadInput) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kAscii);
  // Without room for the marks the input is left over.
  EXPECT_EQ(ToBer(kGruesseLatin1, kLatin1, false, 3).first, Failure(ICONV_ST_TOO_BIG));
  Configure(kUnicode);
  EXPECT_EQ(ToGen("ab\xc3", kUnicode).first, Failure(ICONV_ST_TOO_BIG));  // incomplete
  EXPECT_EQ(ToGen(std::string("ab\xff") + "cd", kUnicode).first, Failure(ICONV_ST_CONVERSION));
}

TEST_F(IconvConvert, SameCodeSetCopiesUnchanged) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kLatin1);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kLatin1), std::make_pair(kGruesseUtf8, kLatin1));
  EXPECT_EQ(ToBer(kGruesseLatin1, kLatin1).first, kGruesseLatin1);
  // No code set given: none goes to the wire.
  auto [plain, none] = ToBer("abc", 0);
  EXPECT_EQ(plain, "abc");
  EXPECT_TRUE(none.length == 0 && none.value == nullptr);
}

TEST_F(IconvConvert, WireCodeSetWithoutLocalNameIsCopiedWithAWarning) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  kq::test::LogCapture log("EWIX");
  Configure(kOther);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kOther), std::make_pair(kGruesseUtf8, kOther));
  EXPECT_NE(log.Text().find("charset = '367' (no iconv conv for thread)"), std::string::npos)
      << log.Text();
}

TEST_F(IconvConvert, ContextCanBeCarriedAndReplaced) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kUnicode);
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).first, kGruesseUtf8);  // copied now
  ASSERT_EQ(ICONV_SetContext(ctx) + ICONV_SetContext(ctx), 0u);  // the same one again is kept
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).first, kGruesseLatin1);
  // A new configuration replaces (and frees) the one installed.
  Configure(kShiftJis);
  EXPECT_EQ(ToGen("abc", kShiftJis).second, kLatin1);
}

// ---- threads -----------------------------------------------------------------------

// Converts `onWire` (in the wire code set) to the local UTF-8 `local` and back through
// the context this thread configures: the failures, and whether the thread had a
// context. The context is left in place on purpose: the thread key's destructor frees
// it (the sanitizer build reports a leak otherwise).
std::pair<int, bool> ConvertInThread(uint32_t wire, const std::string &local,
                                     const std::string &onWire) {
  StatusList l;
  int failures = ConfigureFor(l, wire);
  for (int i = 0; i < 300; i++)
    failures += ToGen(onWire, wire) != std::make_pair(local, kUnicode) ||
                ToBer(local, kUnicode, true).first != onWire;
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  ICONV_SetContext(ctx);
  return {failures, ctx != nullptr};
}

using IconvThreads = InLocale;

TEST_F(IconvThreads, EachThreadConvertsThroughItsOwnContext) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  const std::tuple<uint32_t, std::string, std::string> jobs[] = {
      {kShiftJis, kNihonUtf8, kNihonSjis},
      {kLatin1, kGruesseUtf8, kGruesseLatin1},
      {kUnicode, "\xe2\x82\xac", "\xe2\x82\xac"},  // same code set: copied
      {kIso2022Jp, "\xe6\x97\xa5", "\x1b$BF|\x1b(B"},
  };
  // glibc loads a converter module with the first descriptor that needs it and
  // unloads it with the last; keeping one descriptor per module open here keeps
  // those loads and unloads (serialised inside the dynamic loader, where the thread
  // sanitizer cannot see it) out of the threads.
  std::vector<iconv_t> pins;
  for (const char *name : {"SHIFT_JIS", "ISO-8859-1", "ISO-2022-JP"})
    pins.push_back(iconv_open("UTF-8", name));
  std::pair<int, bool> results[std::size(jobs)];
  {
    std::vector<std::jthread> threads;
    for (size_t i = 0; i < std::size(jobs); ++i)
      threads.emplace_back([&, i] { results[i] = std::apply(ConvertInThread, jobs[i]); });
  }
  for (iconv_t cd : pins)
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  for (size_t i = 0; i < std::size(jobs); ++i)
    EXPECT_EQ(results[i], std::make_pair(0, std::get<0>(jobs[i]) != kUnicode)) << i;
  // The main thread configured nothing: it copies.
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
}

// Users come and go in several threads while one user keeps the tables loaded: the
// count stays right and lookups always see complete tables.
using I18nThreads = ShippedTables;

TEST_F(I18nThreads, UsersInSeveralThreadsKeepTheCount) {
  std::vector<int> failures(6, 0);
  {
    std::vector<std::jthread> threads;
    for (int &f : failures) {
      threads.emplace_back([&f] {
        for (int i = 0; i < 200; i++) {
          StatusList l;
          f += I18N_Init(l, nullptr) || CodeSetOf("Shift_JIS") != kShiftJis ||
               DpaOf("ja_JP.eucJP") != Want("ja", "JP", kEucJp) || I18N_Term(l);
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
