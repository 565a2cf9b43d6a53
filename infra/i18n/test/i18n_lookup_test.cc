// Lookups in the shipped tables and in small tables of the test's own: names and
// identifiers, locale names and DPA locales both ways, and the current DPA locale
// under real glibc locales.
#include <cstdlib>
#include <cstring>
#include <string>

#include "i18n_env.h"

using namespace kq::i18n::test;

namespace {

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

// What DpaOf and Current answer for a locale.
std::string Want(const char *language, const char *country, uint32_t codeSet) {
  return std::string(language) + "/" + country + "/" + std::to_string(codeSet);
}

class I18nLookup : public ShippedTables {};

TEST_F(I18nLookup, CodeSetNamesOfIdentifiersAndUnknownOnes) {
  EXPECT_EQ(CodeSetName(kAscii), "ANSI_X3.4-1968");  // the last of its names
  EXPECT_EQ(CodeSetName(kUnicode), "UTF-8");
  EXPECT_EQ(CodeSetOf("iso-8859-1x"), 0u);
  EXPECT_EQ(CodeSetName(kOther), Failure(I18N_ST_UNKNOWN_CODESET));
}

TEST_F(I18nLookup, LocaleNamesAndDpaLocalesBothWays) {
  for (const char *name : {"en_US.UTF-8", "de_DE.ISO-8859-1", "ja_JP.eucJP", "ja_JP.SJIS",
                           "zh_TW.Big5", "pl_PL.ISO-8859-2", "English_United States.1252"}) {
    StatusList l;
    I18N_dpaLocale_t d{};
    EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l, name, &d) ? "" : NameOf(d), name);
  }
  EXPECT_EQ(DpaOf("ja_JP.eucJP"), Want("ja", "JP", kEucJp));
  for (const char *unknown : {"xx_XX", "en_US.UTF-8 "})  // exact names only
    EXPECT_EQ(DpaOf(unknown), Failure(I18N_ST_UNKNOWN_LOCALE)) << unknown;
  // Language and country agree over the record's lengths; the buffer bounds the copy.
  const std::pair<std::string, std::string> rows[] = {
      {NameOf(Dpa("de", "", kLatin1)), "de_CH.ISO-8859-1"},
      {NameOf(Dpa("e", "US", kUnicode)), "en_US.UTF-8"},
      {NameOf(Dpa("C ", "  ", kAscii)), "C"},
      {NameOf(Dpa("en", "US", kUnicode), 5), "en_US"},
      {NameOf(Dpa("en", "US", kUnicode), 11), "en_US.UTF-8"},
      {NameOf(Dpa("en", "US", kShiftJis)), Failure(I18N_ST_UNKNOWN_LOCALE)},
      {NameOf(Dpa("xx", "US", kUnicode)), Failure(I18N_ST_UNKNOWN_LOCALE)},
      {NameOf(Dpa("en", "DE", kUnicode)), Failure(I18N_ST_UNKNOWN_LOCALE)},
  };
  for (const auto &[got, want] : rows) EXPECT_EQ(got, want);
  I18N_dpaLocale_t tooLong = Dpa("en", "US", kUnicode);
  tooLong.language.length = 3;
  EXPECT_EQ(NameOf(tooLong).rfind("fails", 0), 0u);
}

TEST_F(I18nLookup, CurrentLocaleFromTheTableUnderGeneratedGlibcLocales) {
  ASSERT_TRUE(EnsureLocale("de_DE.ISO-8859-1") && EnsureLocale("en_US.UTF-8"));
  const std::pair<const char *, std::string> rows[] = {
      {"C", Want("C ", "  ", kAscii)},
      {"de_DE.ISO-8859-1", Want("de", "DE", kLatin1)},
      {"en_US.UTF-8", Want("en", "US", kUnicode)}};
  for (const auto &[locale, want] : rows) {
    MessagesLocale m(locale);
    ASSERT_TRUE(m.ok()) << locale;
    EXPECT_EQ(Current(), want) << locale;
  }
}

using I18nOwnTables = OwnTables;

TEST_F(I18nOwnTables, CurrentLocaleWithoutEntryOrWithUnknownCodeSet) {
  // Without an entry: ASCII for C, a failure otherwise.
  Use("codeset-mappings:\nlocale-mappings:\n");
  {
    MessagesLocale c("C");
    EXPECT_EQ(Current(), Want("C", "", kAscii));
    MessagesLocale m("C.UTF-8");
    EXPECT_EQ(Current(), Failure(I18N_ST_FAILED));
  }
  Unload();
  // An entry whose code set is unknown: ISO Latin-1.
  Use("codeset-mappings:\nISO8859-1 1.0.10175.1.6.293.0\nlocale-mappings:\nC.UTF-8 en <empty> "
      "NoSuchSet\n");
  MessagesLocale m("C.UTF-8");
  EXPECT_EQ(Current(), Want("en", "  ", kLatin1));
  // By name the unknown code set is an unknown locale.
  StatusList l;
  I18N_dpaLocale_t byName{};
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l, "C.UTF-8", &byName), 1);
  EXPECT_EQ(l.Codes(), (Codes{I18N_ST_UNKNOWN_LOCALE, I18N_ST_UNKNOWN_NAME}));
}

}  // namespace
