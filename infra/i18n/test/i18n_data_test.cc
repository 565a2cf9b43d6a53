// Reading "charset.dat": its layout rules, the search path, the count of users, and
// the shipped file against the platform's iconv and the identifier table.
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>

#include "i18n_env.h"
#include "infra/genu_oid.h"
#include "infra/oid.h"

using namespace kq::i18n::test;
using kq::test::TempDir;

namespace {

const std::string kHead = "codeset-mappings:\n", kLocales = "locale-mappings:\n";
const std::string kGood = kHead +
                          "ISO-8859-1 1.0.10175.1.6.293.0\n\t \nASCII   1.0.10175.1.6.292.0\n" +
                          kLocales + "C C <empty> ASCII\nMy$Locale xx YY ISO-8859-1\n";
const Codes kBadData{I18N_ST_FAILED, I18N_ST_BAD_DATA};

TEST(I18nData, ReadsCodeSetsAndLocales) {
  ASSERT_TRUE(Load(kGood).empty());
  EXPECT_EQ(CodeSetOf("ASCII"), kAscii);
  EXPECT_EQ(CodeSetOf("ISO-8859-1"), kLatin1);
  // "$" stands for a blank; "C" gets the language "C" and a blank, "<empty>" two blanks.
  EXPECT_EQ(DpaOf("My Locale"), "xx/YY/" + std::to_string(kLatin1));
  EXPECT_EQ(DpaOf("My$Locale"), Failure(I18N_ST_UNKNOWN_LOCALE));
  EXPECT_EQ(DpaOf("C"), "C /  /" + std::to_string(kAscii));
  Unload();
}

TEST(I18nData, LayoutErrorsAndMissingDataLoadNothingAndLookupsThenFail) {
  const std::string rows[] = {
      kLocales + "C C <empty> ASCII\n",  // first word other than the code-set heading
      "codeset-mappings: extra\n" + kLocales,
      // identifiers that do not convert: bad text, characteristics, unknown OID
      kHead + "X 1.x.3\n" + kLocales,
      kHead + "X 1.0.10175.1.6.293.0:48.35.2.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0\n" + kLocales,
      kHead + "X 1.2.3.4.5.6.7\n" + kLocales,
      // code-set lines of one and three words, locale lines of three and five
      kHead + "ASCII\n" + kLocales, kHead + "ASCII 1.0.10175.1.6.292.0 more\n" + kLocales,
      kHead + kLocales + "C C ASCII\n", kHead + kLocales + "C C <empty> ASCII x\n",
      // early ends, also in an unterminated heading
      kHead + "ASCII 1.0.10175.1.6.292.0\n", "\n \t\n", kHead + "locale-mappings:",
      kHead + std::string(300, 'A') + " 1.0.10175.1.6.292.0\n" + kLocales,  // over 255
  };
  for (const std::string &text : rows) EXPECT_EQ(Load(text), kBadData) << text.substr(0, 80);
  EXPECT_EQ(Load(""), Codes{I18N_ST_NO_DATA});
  TempDir empty;
  StatusList l, u;
  EXPECT_EQ(I18N_Init(l, empty.path().c_str()) + I18N_Term(l), 2);
  EXPECT_EQ(l.Codes(), (Codes{I18N_ST_FAILED, I18N_ST_NO_DATA}));
  // Nothing loaded: every lookup fails.
  uint32_t shoid;
  char *name;
  I18N_dpaLocale_t d{};
  EXPECT_EQ(I18N_CodesetNameToOID(u, "ASCII", &shoid) + I18N_OIDToCodesetName(u, kAscii, &name) +
                I18N_GetDPALocaleFromLocaleName(u, "C", &d),
            3);
  EXPECT_EQ(u.Codes(),
            (Codes{I18N_ST_UNKNOWN_LOCALE, I18N_ST_UNKNOWN_CODESET, I18N_ST_UNKNOWN_NAME}));
}

TEST(I18nData, LongestLineIsReadLastUnterminatedLineIsNotAndNewestEntryWins) {
  std::string name(255 - strlen(" 1.0.10175.1.6.292.0"), 'N');
  ASSERT_TRUE(Load(kHead + name + " 1.0.10175.1.6.292.0\n" + kLocales).empty());
  EXPECT_EQ(CodeSetOf(name.c_str()), kAscii);
  Unload();
  ASSERT_TRUE(Load(kGood + "Last xx ZZ ASCII").empty());
  EXPECT_EQ(DpaOf("Last"), Failure(I18N_ST_UNKNOWN_LOCALE));
  Unload();
  ASSERT_TRUE(Load(kHead + "Latin 1.0.10175.1.6.293.0\nLatin 1.0.10175.1.6.294.0\n" +
                   "Older 1.0.10175.1.6.292.0\nNewer 1.0.10175.1.6.292.0\n" + kLocales)
                  .empty());
  EXPECT_EQ(CodeSetOf("Latin"), kLatin2);
  EXPECT_EQ(CodeSetName(kAscii), "Newer");
  Unload();
}

TEST(I18nData, SearchPathMovesOnOnlyWhileTheFileIsMissing) {
  TempDir root, envRoot;
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
  EXPECT_EQ(init(root / "a/b/c/usr/kq/share/data", kGood), Codes{}) << "before ../share/data";
  env.Set(I18N_DATA_ENV, envRoot.path().c_str());
  EXPECT_EQ(init(envRoot / "usr/kq/share/data", kHead), kBadData) << "the environment first";
}

class I18nShippedTables : public ShippedTables {};

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
  for (uint32_t shoid : {kAscii, kUnicode, kShiftJis, kEucJp, 366u, 427u, 428u, 426u})
    EXPECT_TRUE(seen.count(shoid)) << shoid;
  for (uint32_t shoid = kLatin1; shoid <= 378; shoid++) EXPECT_TRUE(seen.count(shoid)) << shoid;
  for (const char *name : {"POSIX", "en_US", "English_United States.1252"})
    EXPECT_EQ(DpaOf(name).rfind("fails", 0), std::string::npos) << name;
}

}  // namespace
