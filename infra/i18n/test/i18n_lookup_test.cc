// Lookups in the shipped tables and in small tables of the test's own: names and
// identifiers, locale names and DPA locales both ways, and the current DPA locale
// under real glibc locales.
#include <cstdlib>
#include <cstring>
#include <string>

#include "i18n_env.h"

using namespace kq::i18n::test;

namespace {

std::string Field(const I18N_localeField_t &f) { return std::string(f.value, f.length); }

I18N_dpaLocale_t Dpa(const char *language, const char *country, uint32_t codeSet) {
  I18N_dpaLocale_t d{};
  d.language.length = static_cast<uint16_t>(strlen(language));
  memcpy(d.language.value, language, d.language.length);
  d.country.length = static_cast<uint16_t>(strlen(country));
  memcpy(d.country.value, country, d.country.length);
  d.codeSet = codeSet;
  return d;
}

std::string NameOf(const I18N_dpaLocale_t &d, uint32_t bufSize = 64) {
  List l;
  std::string buf(bufSize + 1, '#');
  uint32_t len = 0;
  if (I18N_GetLocaleNameFromDPALocale(l.s, &d, bufSize, &len, buf.data())) return "<none>";
  return buf.substr(0, len);
}

class I18nLookup : public ShippedTables {};

TEST_F(I18nLookup, CodeSetNamesAndIdentifiers) {
  List l;
  uint32_t shoid = 0;
  for (const char *ascii : {"ASCII", "US-ASCII", "ANSI_X3.4-1968"}) {
    EXPECT_EQ(I18N_CodesetNameToOID(l.s, ascii, &shoid), 0);
    EXPECT_EQ(shoid, kAscii);
  }
  char *name = nullptr;
  ASSERT_EQ(I18N_OIDToCodesetName(l.s, kAscii, &name), 0);
  EXPECT_STREQ(name, "ANSI_X3.4-1968");
  free(name);
  ASSERT_EQ(I18N_OIDToCodesetName(l.s, kUnicode, &name), 0);
  EXPECT_STREQ(name, "UTF-8");
  free(name);
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "iso-8859-1x", &shoid), 1);
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, nullptr, &shoid), 1);
  EXPECT_EQ(l.Codes(), (std::vector<uint32_t>{I18N_ST_UNKNOWN_NAME, I18N_ST_UNKNOWN_NAME}));
  List u;
  EXPECT_EQ(I18N_OIDToCodesetName(u.s, kOther, &name), 1);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(u.Code(), I18N_ST_UNKNOWN_CODESET);
}

TEST_F(I18nLookup, EveryShippedLocaleRoundTrips) {
  const char *names[] = {
      "en_US.UTF-8",      "de_DE.ISO-8859-1",          "ja_JP.eucJP", "ja_JP.SJIS", "zh_TW.Big5",
      "pl_PL.ISO-8859-2", "English_United States.1252"};
  for (const char *name : names) {
    SCOPED_TRACE(name);
    List l;
    I18N_dpaLocale_t d{};
    ASSERT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, name, &d), 0);
    EXPECT_EQ(NameOf(d), name);
  }
  List l;
  I18N_dpaLocale_t d{};
  ASSERT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "ja_JP.eucJP", &d), 0);
  EXPECT_EQ(Field(d.language), "ja");
  EXPECT_EQ(Field(d.country), "JP");
  EXPECT_EQ(d.codeSet, kEucJp);
}

TEST_F(I18nLookup, LocaleNameFromDpaLocale) {
  // Language and country agree over the record's lengths.
  EXPECT_EQ(NameOf(Dpa("de", "", kLatin1)), "de_CH.ISO-8859-1");
  EXPECT_EQ(NameOf(Dpa("e", "US", kUnicode)), "en_US.UTF-8");
  EXPECT_EQ(NameOf(Dpa("C ", "  ", kAscii)), "C");
  // The buffer bounds the copy, and the length says so.
  EXPECT_EQ(NameOf(Dpa("en", "US", kUnicode), 5), "en_US");
  EXPECT_EQ(NameOf(Dpa("en", "US", kUnicode), 11), "en_US.UTF-8");
  for (const I18N_dpaLocale_t &d :
       {Dpa("en", "US", kShiftJis), Dpa("xx", "US", kUnicode), Dpa("en", "DE", kUnicode)}) {
    List l;
    uint32_t len = 99;
    char buf[32];
    EXPECT_EQ(I18N_GetLocaleNameFromDPALocale(l.s, &d, sizeof buf, &len, buf), 1);
    EXPECT_EQ(l.Code(), I18N_ST_UNKNOWN_LOCALE);
  }
  I18N_dpaLocale_t tooLong = Dpa("en", "US", kUnicode);
  tooLong.language.length = 3;
  EXPECT_EQ(NameOf(tooLong), "<none>");
}

TEST_F(I18nLookup, UnknownLocaleName) {
  List l;
  I18N_dpaLocale_t d{};
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "xx_XX", &d), 1);
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "en_US.UTF-8 ", &d), 1);  // exact names
  EXPECT_EQ(l.Code(), I18N_ST_UNKNOWN_LOCALE);
}

TEST_F(I18nLookup, CurrentLocaleCFromTheTable) {
  MessagesLocale c("C");
  ASSERT_TRUE(c.ok());
  List l;
  I18N_dpaLocale_t *d = nullptr;
  ASSERT_EQ(I18N_GetCurrentDPALocale(l.s, &d), 0);
  EXPECT_EQ(Field(d->language), "C ");
  EXPECT_EQ(Field(d->country), "  ");
  EXPECT_EQ(d->codeSet, kAscii);
  free(d);
}

TEST_F(I18nLookup, CurrentLocaleUnderGeneratedGlibcLocales) {
  ASSERT_TRUE(EnsureLocale("de_DE.ISO-8859-1"));
  ASSERT_TRUE(EnsureLocale("en_US.UTF-8"));
  struct Case {
    const char *locale, *language, *country;
    uint32_t codeSet;
  } cases[] = {{"de_DE.ISO-8859-1", "de", "DE", kLatin1}, {"en_US.UTF-8", "en", "US", kUnicode}};
  for (const Case &c : cases) {
    MessagesLocale m(c.locale);
    ASSERT_TRUE(m.ok()) << c.locale;
    List l;
    I18N_dpaLocale_t *d = nullptr;
    ASSERT_EQ(I18N_GetCurrentDPALocale(l.s, &d), 0) << c.locale;
    EXPECT_EQ(Field(d->language), c.language);
    EXPECT_EQ(Field(d->country), c.country);
    EXPECT_EQ(d->codeSet, c.codeSet);
    free(d);
  }
}

// Tables of the test's own, loaded for one test.
class I18nOwnTables : public ::testing::Test {
 protected:
  void Load(const std::string &text) {
    std::string dir = MakeTempDir();
    WriteFile(dir + "/charset.dat", text);
    List l;
    ASSERT_EQ(I18N_Init(l.s, dir.c_str()), 0);
    loaded_ = true;
  }
  void TearDown() override {
    List l;
    if (loaded_) {
      EXPECT_EQ(I18N_Term(l.s), 0);
    }
  }
  bool loaded_ = false;
};

TEST_F(I18nOwnTables, CurrentLocaleCWithoutEntryIsAsciiWithoutCountry) {
  Load("codeset-mappings:\nlocale-mappings:\n");
  MessagesLocale c("C");
  List l;
  I18N_dpaLocale_t *d = nullptr;
  ASSERT_EQ(I18N_GetCurrentDPALocale(l.s, &d), 0);
  EXPECT_EQ(Field(d->language), "C");
  EXPECT_EQ(d->country.length, 0);
  EXPECT_EQ(d->codeSet, kAscii);
  free(d);
}

TEST_F(I18nOwnTables, CurrentLocaleWithoutEntryFails) {
  Load("codeset-mappings:\nlocale-mappings:\n");
  MessagesLocale m("C.UTF-8");
  ASSERT_TRUE(m.ok());
  List l;
  I18N_dpaLocale_t *d = reinterpret_cast<I18N_dpaLocale_t *>(&l);
  EXPECT_EQ(I18N_GetCurrentDPALocale(l.s, &d), 1);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(l.Codes(), std::vector<uint32_t>{I18N_ST_FAILED});
}

TEST_F(I18nOwnTables, CurrentLocaleWithUnknownCodeSetIsLatin1) {
  Load(
      "codeset-mappings:\nISO8859-1 1.0.10175.1.6.293.0\nlocale-mappings:\n"
      "C.UTF-8 en <empty> NoSuchSet\n");
  MessagesLocale m("C.UTF-8");
  ASSERT_TRUE(m.ok());
  List l;
  I18N_dpaLocale_t *d = nullptr;
  ASSERT_EQ(I18N_GetCurrentDPALocale(l.s, &d), 0);
  EXPECT_EQ(Field(d->language), "en");
  EXPECT_EQ(d->codeSet, kLatin1);
  free(d);
  // By name the unknown code set is an unknown locale.
  I18N_dpaLocale_t byName{};
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "C.UTF-8", &byName), 1);
  EXPECT_EQ(l.Codes(), (std::vector<uint32_t>{I18N_ST_UNKNOWN_LOCALE, I18N_ST_UNKNOWN_NAME}));
}

TEST(I18nUnloaded, LookupsFailWithoutTables) {
  List l;
  uint32_t shoid;
  char *name;
  I18N_dpaLocale_t d{};
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ASCII", &shoid), 1);
  EXPECT_EQ(I18N_OIDToCodesetName(l.s, kAscii, &name), 1);
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "C", &d), 1);
  EXPECT_EQ(l.Codes(), (std::vector<uint32_t>{I18N_ST_UNKNOWN_LOCALE, I18N_ST_UNKNOWN_CODESET,
                                              I18N_ST_UNKNOWN_NAME}));
  EXPECT_EQ(I18N_CodesetNameToOID(nullptr, "ASCII", &shoid), 1);
}

}  // namespace
