// Reading "charset.dat": its layout rules, the search path, the count of users, and
// the shipped file against the platform's iconv and the identifier table.
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "i18n_env.h"
#include "infra/genu_oid.h"
#include "infra/oid.h"

using namespace kq::i18n::test;
using kq::test::TempDir;
using kq::test::WriteFile;

namespace {

const std::string kGood =
    "codeset-mappings:\n"
    "ISO-8859-1 1.0.10175.1.6.293.0\n"
    "\t \n"
    "ASCII   1.0.10175.1.6.292.0\n"
    "locale-mappings:\n"
    "C C <empty> ASCII\n"
    "My$Locale xx YY ISO-8859-1\n";
const std::string kHead = "codeset-mappings:\n", kLocales = "locale-mappings:\n";

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
  const std::pair<std::string, Codes> cases[] = {
      // first word other than the code-set heading
      {kLocales + "C C <empty> ASCII\n", kBadData},
      {"codeset-mappings: extra\n" + kLocales, kBadData},
      // identifier that does not convert: bad text, characteristics, unknown OID
      {kHead + "X 1.x.3\n" + kLocales, kBadData},
      {kHead + "X 1.0.10175.1.6.293.0:48.35.2.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0\n" + kLocales,
       kBadData},
      {kHead + "X 1.2.3.4.5.6.7\n" + kLocales, kBadData},
      // a one-word line that is not the locale heading, a three-word line
      {kHead + "ASCII\n" + kLocales, kBadData},
      {kHead + "ASCII 1.0.10175.1.6.292.0 more\n" + kLocales, kBadData},
      // locale lines of three and five words
      {kHead + kLocales + "C C ASCII\n", kBadData},
      {kHead + kLocales + "C C <empty> ASCII x\n", kBadData},
      // early ends, also in an unterminated heading
      {kHead + "ASCII 1.0.10175.1.6.292.0\n", kBadData},
      {"\n \t\n", kBadData},
      {kHead + "locale-mappings:", kBadData},
      // a line longer than 255 characters
      {kHead + std::string(300, 'A') + " 1.0.10175.1.6.292.0\n" + kLocales, kBadData},
      {"", {I18N_ST_NO_DATA}},
  };
  for (const auto &[text, codes] : cases) EXPECT_EQ(Load(text), codes) << text.substr(0, 80);
  TempDir empty;
  StatusList l;
  EXPECT_EQ(I18N_Init(l, empty.path().c_str()), 1);
  EXPECT_EQ(l.Codes(), Codes{I18N_ST_NO_DATA});
  EXPECT_EQ(I18N_Term(l), 1);
  // Nothing loaded: every lookup fails.
  StatusList u;
  uint32_t shoid;
  char *name;
  I18N_dpaLocale_t d{};
  EXPECT_EQ(I18N_CodesetNameToOID(u, "ASCII", &shoid), 1);
  EXPECT_EQ(I18N_OIDToCodesetName(u, kAscii, &name), 1);
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(u, "C", &d), 1);
  EXPECT_EQ(u.Codes(),
            (Codes{I18N_ST_UNKNOWN_LOCALE, I18N_ST_UNKNOWN_CODESET, I18N_ST_UNKNOWN_NAME}));
  EXPECT_EQ(I18N_CodesetNameToOID(nullptr, "ASCII", &shoid), 1);
}

TEST(I18nData, LongestLineIsReadLastUnterminatedLineIsNotAndNewestEntryWins) {
  std::string name(255 - strlen(" 1.0.10175.1.6.292.0"), 'N');
  ASSERT_TRUE(Load(kHead + name + " 1.0.10175.1.6.292.0\n" + kLocales).empty());
  EXPECT_EQ(CodeSetOf(name.c_str()), kAscii);
  Unload();
  ASSERT_TRUE(Load(kGood + "Last xx ZZ ASCII").empty());
  EXPECT_EQ(DpaOf("Last"), Failure(I18N_ST_UNKNOWN_LOCALE));
  Unload();
  ASSERT_TRUE(Load(kHead +
                   "Latin 1.0.10175.1.6.293.0\nLatin 1.0.10175.1.6.294.0\n"
                   "Older 1.0.10175.1.6.292.0\nNewer 1.0.10175.1.6.292.0\n" +
                   kLocales)
                  .empty());
  EXPECT_EQ(CodeSetOf("Latin"), kLatin2);
  EXPECT_EQ(CodeSetName(kAscii), "Newer");
  Unload();
}

TEST(I18nData, UsersAreCounted) {
  ASSERT_TRUE(Load(kGood).empty());
  // A second user changes nothing, even with another directory.
  StatusList l;
  EXPECT_EQ(I18N_Init(l, "/nonexistent"), 0);
  EXPECT_EQ(I18N_Term(l), 0);
  EXPECT_EQ(CodeSetOf("ASCII"), kAscii);
  EXPECT_EQ(I18N_Term(l), 0);
  uint32_t shoid;
  EXPECT_EQ(I18N_CodesetNameToOID(l, "ASCII", &shoid), 1);
  EXPECT_EQ(l.Code(), I18N_ST_UNKNOWN_NAME);
  // One Term too many fails and leaves the count at 0: the next Init reads again.
  StatusList t;
  EXPECT_EQ(I18N_Term(t), 1);
  EXPECT_EQ(t.Codes(), Codes{I18N_ST_FAILED});
  EXPECT_EQ(Load(kHead + "Other 1.0.10175.1.6.292.0\n" + kLocales), Codes{});
  EXPECT_EQ(CodeSetOf("Other"), kAscii);
  Unload();
  EXPECT_EQ(I18N_Init(nullptr, nullptr), 1);
  EXPECT_EQ(I18N_Term(nullptr), 1);
}

TEST(I18nData, SearchPathMovesOnOnlyWhileTheFileIsMissing) {
  TempDir root, envRoot;
  kq::test::EnvGuard env;
  env.Unset(I18N_DATA_ENV);
  std::string cwd = root / "a/b/c/d";
  std::filesystem::create_directories(cwd);
  auto write = [](const std::string &dir, const std::string &text) {
    std::filesystem::create_directories(dir);
    WriteFile(dir + "/charset.dat", text);
  };
  // I18N_Init without a directory, run from cwd: the codes (empty when a file was
  // found and loaded, and then unloads it).
  auto init = [&] {
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(cwd);
    StatusList l;
    int rc = I18N_Init(l, nullptr);
    std::filesystem::current_path(old);
    if (rc == 0) Unload();
    return l.Codes();
  };
  EXPECT_EQ(init(), Codes{I18N_ST_NO_DATA});
  // The last directory: ../../../../usr/kq/share/data.
  write(root / "usr/kq/share/data", kGood);
  EXPECT_TRUE(init().empty());
  // An earlier directory with a bad file stops the search: ../share/data.
  write(root / "a/b/c/share/data", "bad\n");
  EXPECT_EQ(init(), kBadData);
  // ../usr/kq/share/data comes before it.
  write(root / "a/b/c/usr/kq/share/data", kGood);
  EXPECT_TRUE(init().empty());
  // The environment variable comes first of all.
  write(envRoot / "usr/kq/share/data", kHead);
  env.Set(I18N_DATA_ENV, envRoot.path().c_str());
  EXPECT_EQ(init(), kBadData);
}

// --- the shipped file ------------------------------------------------------

struct Shipped {
  std::vector<std::pair<std::string, std::string>> codesets;  // name, dotted
  std::vector<std::string> locales;                           // the names
};

Shipped ReadShipped() {
  Shipped s;
  bool locales = false;
  for (const std::string &line :
       kq::test::Lines(kq::test::ReadFile(StageDataDir() + "/charset.dat"))) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (w.size() == 1) locales = w[0] == "locale-mappings:";
    if (!locales && w.size() == 2) s.codesets.emplace_back(w[0], w[1]);
    if (locales && w.size() == 4) s.locales.push_back(w[0]);
  }
  return s;
}

class I18nShippedTables : public ShippedTables {};

TEST_F(I18nShippedTables, EveryCodeSetOpensWithIconvEveryIdentifierConvertsEveryLocaleResolves) {
  Shipped s = ReadShipped();
  ASSERT_GE(s.codesets.size(), 40u);
  StatusList l;
  std::set<uint32_t> seen;
  for (const auto &[name, dotted] : s.codesets) {
    for (auto [to, from] : {std::pair{name.c_str(), "UTF-8"}, std::pair{"UTF-8", name.c_str()}}) {
      iconv_t cd = iconv_open(to, from);
      EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to << " from " << from;
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    unsigned char binary[OID_BINARY_MAX];
    ASSERT_EQ(OID_ConvertDecToBin(l, dotted.c_str(), binary, nullptr), 0) << dotted;
    uint32_t shoid = 0;
    ASSERT_EQ(GENU_BinaryToShortOID(l, binary, &shoid), 0) << dotted;
    EXPECT_EQ(strncmp(GENU_ShortOIDToAscii(shoid), "id-val-code-set-", 16), 0) << dotted;
    EXPECT_EQ(CodeSetOf(name.c_str()), shoid) << name;
    seen.insert(shoid);
  }
  // The code sets every system has, and the ISO 8859 parts 1 to 10.
  for (uint32_t shoid : {kAscii, kUnicode, kShiftJis, kEucJp, 366u, 427u, 428u, 426u})
    EXPECT_TRUE(seen.count(shoid)) << shoid;
  for (uint32_t shoid = kLatin1; shoid <= 378; shoid++) EXPECT_TRUE(seen.count(shoid)) << shoid;
  ASSERT_GE(s.locales.size(), 50u);
  for (const char *name : {"POSIX", "en_US", "English_United$States.1252"}) {
    EXPECT_NE(std::find(s.locales.begin(), s.locales.end(), name), s.locales.end()) << name;
  }
  for (std::string name : s.locales) {
    std::replace(name.begin(), name.end(), '$', ' ');
    EXPECT_EQ(DpaOf(name.c_str()).rfind("fails", 0), std::string::npos) << name;
  }
}

}  // namespace
