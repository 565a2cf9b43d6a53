// Reading "charset.dat": its layout rules, the search path, the count of users, and
// the shipped file against the platform's iconv and the identifier table.
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "i18n_env.h"
#include "infra/genu_oid.h"
#include "infra/oid.h"

using namespace kq::i18n::test;

namespace {

const std::string kGood =
    "codeset-mappings:\n"
    "ISO-8859-1 1.0.10175.1.6.293.0\n"
    "\t \n"
    "ASCII   1.0.10175.1.6.292.0\n"
    "locale-mappings:\n"
    "C C <empty> ASCII\n"
    "My$Locale xx YY ISO-8859-1\n";

// Loads `text` as the data file of a scratch directory; returns the codes (empty on
// success) and leaves the tables loaded on success.
std::vector<uint32_t> Load(const std::string &text) {
  std::string dir = MakeTempDir();
  WriteFile(dir + "/charset.dat", text);
  List l;
  if (I18N_Init(l.s, dir.c_str()) == 0) return {};
  auto codes = l.Codes();
  EXPECT_FALSE(codes.empty());
  return codes;
}

void Unload() {
  List l;
  EXPECT_EQ(I18N_Term(l.s), 0);
}

const std::vector<uint32_t> kBadData{I18N_ST_FAILED, I18N_ST_BAD_DATA};

TEST(I18nData, ReadsCodeSetsAndLocales) {
  ASSERT_TRUE(Load(kGood).empty());
  List l;
  uint32_t shoid = 0;
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ASCII", &shoid), 0);
  EXPECT_EQ(shoid, kAscii);
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ISO-8859-1", &shoid), 0);
  EXPECT_EQ(shoid, kLatin1);
  // "$" stands for a blank.
  I18N_dpaLocale_t loc{};
  ASSERT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "My Locale", &loc), 0);
  EXPECT_EQ(std::string(loc.language.value, loc.language.length), "xx");
  EXPECT_EQ(std::string(loc.country.value, loc.country.length), "YY");
  EXPECT_EQ(loc.codeSet, kLatin1);
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "My$Locale", &loc), 1);
  EXPECT_EQ(l.Code(), I18N_ST_UNKNOWN_LOCALE);
  // "C" gets the language "C" and a blank; "<empty>" is two blanks.
  ASSERT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "C", &loc), 0);
  EXPECT_EQ(loc.language.length, 2);
  EXPECT_EQ(std::string(loc.language.value, 2), "C ");
  EXPECT_EQ(loc.country.length, 2);
  EXPECT_EQ(std::string(loc.country.value, 2), "  ");
  EXPECT_EQ(loc.codeSet, kAscii);
  Unload();
}

TEST(I18nData, LayoutErrorsAreBadData) {
  const std::string cases[] = {
      // first word other than the code-set heading
      "locale-mappings:\nC C <empty> ASCII\n",
      "codeset-mappings: extra\nlocale-mappings:\n",
      // identifier that does not convert: bad text, characteristics, unknown OID
      "codeset-mappings:\nX 1.x.3\nlocale-mappings:\n",
      "codeset-mappings:\nX 1.0.10175.1.6.293.0:48.35.2.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0\n"
      "locale-mappings:\n",
      "codeset-mappings:\nX 1.2.3.4.5.6.7\nlocale-mappings:\n",
      // a one-word line that is not the locale heading, a three-word line
      "codeset-mappings:\nASCII\nlocale-mappings:\n",
      "codeset-mappings:\nASCII 1.0.10175.1.6.292.0 more\nlocale-mappings:\n",
      // locale lines of three and five words
      "codeset-mappings:\nlocale-mappings:\nC C ASCII\n",
      "codeset-mappings:\nlocale-mappings:\nC C <empty> ASCII x\n",
      // early ends
      "codeset-mappings:\nASCII 1.0.10175.1.6.292.0\n",
      "\n \t\n",
      // a line longer than 255 characters
      "codeset-mappings:\n" + std::string(300, 'A') + " 1.0.10175.1.6.292.0\nlocale-mappings:\n",
  };
  for (const std::string &text : cases) {
    SCOPED_TRACE(text.substr(0, 80));
    EXPECT_EQ(Load(text), kBadData);
  }
  // Nothing stayed loaded.
  List l;
  uint32_t shoid;
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ASCII", &shoid), 1);
  EXPECT_EQ(I18N_Term(l.s), 1);
}

TEST(I18nData, LineOfExactly255CharactersIsRead) {
  std::string name(255 - strlen(" 1.0.10175.1.6.292.0"), 'N');
  ASSERT_TRUE(
      Load("codeset-mappings:\n" + name + " 1.0.10175.1.6.292.0\nlocale-mappings:\n").empty());
  List l;
  uint32_t shoid = 0;
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, name.c_str(), &shoid), 0);
  EXPECT_EQ(shoid, kAscii);
  Unload();
}

TEST(I18nData, LastLineWithoutNewlineIsNotRead) {
  ASSERT_TRUE(Load(kGood + "Last xx ZZ ASCII").empty());
  List l;
  I18N_dpaLocale_t loc{};
  EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, "Last", &loc), 1);
  Unload();
  // The heading itself unterminated: the file ends early.
  EXPECT_EQ(Load("codeset-mappings:\nlocale-mappings:"), kBadData);
}

TEST(I18nData, MissingOrEmptyFileIsNoData) {
  std::string dir = MakeTempDir();
  List l;
  EXPECT_EQ(I18N_Init(l.s, dir.c_str()), 1);
  EXPECT_EQ(l.Codes(), std::vector<uint32_t>{I18N_ST_NO_DATA});
  EXPECT_EQ(Load(""), std::vector<uint32_t>{I18N_ST_NO_DATA});
}

TEST(I18nData, NewestEntryIsFoundFirst) {
  ASSERT_TRUE(Load("codeset-mappings:\n"
                   "Latin 1.0.10175.1.6.293.0\n"
                   "Latin 1.0.10175.1.6.294.0\n"
                   "Older 1.0.10175.1.6.292.0\n"
                   "Newer 1.0.10175.1.6.292.0\n"
                   "locale-mappings:\n")
                  .empty());
  List l;
  uint32_t shoid = 0;
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "Latin", &shoid), 0);
  EXPECT_EQ(shoid, kLatin2);
  char *name = nullptr;
  ASSERT_EQ(I18N_OIDToCodesetName(l.s, kAscii, &name), 0);
  EXPECT_STREQ(name, "Newer");
  free(name);
  Unload();
}

TEST(I18nData, UsersAreCounted) {
  ASSERT_TRUE(Load(kGood).empty());
  // A second user changes nothing, even with another directory.
  List l;
  EXPECT_EQ(I18N_Init(l.s, "/nonexistent"), 0);
  EXPECT_EQ(I18N_Term(l.s), 0);
  uint32_t shoid;
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ASCII", &shoid), 0);
  EXPECT_EQ(I18N_Term(l.s), 0);
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "ASCII", &shoid), 1);
  EXPECT_EQ(l.Code(), I18N_ST_UNKNOWN_NAME);
  // One Term too many fails and leaves the count at 0: the next Init reads again.
  List t;
  EXPECT_EQ(I18N_Term(t.s), 1);
  EXPECT_EQ(t.Codes(), std::vector<uint32_t>{I18N_ST_FAILED});
  EXPECT_EQ(Load("codeset-mappings:\nOther 1.0.10175.1.6.292.0\nlocale-mappings:\n"),
            std::vector<uint32_t>{});
  EXPECT_EQ(I18N_CodesetNameToOID(l.s, "Other", &shoid), 0);
  Unload();
  EXPECT_EQ(I18N_Init(nullptr, nullptr), 1);
  EXPECT_EQ(I18N_Term(nullptr), 1);
}

// Runs I18N_Init without a directory from `cwd`; returns the codes (empty when a
// file was found and loaded, and then unloads it).
std::vector<uint32_t> InitFromSearchPath(const std::string &cwd) {
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(cwd);
  List l;
  int rc = I18N_Init(l.s, nullptr);
  std::filesystem::current_path(old);
  if (rc) return l.Codes();
  Unload();
  return {};
}

TEST(I18nData, SearchPathMovesOnOnlyWhileTheFileIsMissing) {
  std::string root = MakeTempDir();
  std::string cwd = root + "/a/b/c/d";
  std::filesystem::create_directories(cwd);
  const char *oldEnv = getenv(I18N_DATA_ENV);
  std::string saved = oldEnv ? oldEnv : "";
  unsetenv(I18N_DATA_ENV);
  EXPECT_EQ(InitFromSearchPath(cwd), std::vector<uint32_t>{I18N_ST_NO_DATA});
  // The last directory: ../../../../usr/kq/share/data.
  WriteFile(root + "/usr/kq/share/data/charset.dat", kGood);
  EXPECT_TRUE(InitFromSearchPath(cwd).empty());
  // An earlier directory with a bad file stops the search: ../share/data.
  WriteFile(root + "/a/b/c/share/data/charset.dat", "bad\n");
  EXPECT_EQ(InitFromSearchPath(cwd), kBadData);
  // ../usr/kq/share/data comes before it.
  WriteFile(root + "/a/b/c/usr/kq/share/data/charset.dat", kGood);
  EXPECT_TRUE(InitFromSearchPath(cwd).empty());
  // The environment variable comes first of all.
  std::string envRoot = MakeTempDir();
  WriteFile(envRoot + "/usr/kq/share/data/charset.dat", "codeset-mappings:\n");
  setenv(I18N_DATA_ENV, envRoot.c_str(), 1);
  EXPECT_EQ(InitFromSearchPath(cwd), kBadData);
  if (oldEnv) {
    setenv(I18N_DATA_ENV, saved.c_str(), 1);
  } else {
    unsetenv(I18N_DATA_ENV);
  }
}

// --- the shipped file ------------------------------------------------------

struct Shipped {
  std::vector<std::pair<std::string, std::string>> codesets;  // name, dotted
  std::vector<std::vector<std::string>> locales;              // the four words
};

Shipped ReadShipped() {
  Shipped s;
  std::ifstream in(StageDataDir() + "/charset.dat");
  EXPECT_TRUE(in) << StageDataDir();
  std::string line;
  bool locales = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (w.size() == 1) locales = w[0] == "locale-mappings:";
    if (!locales && w.size() == 2) s.codesets.emplace_back(w[0], w[1]);
    if (locales && w.size() == 4) s.locales.push_back(w);
  }
  return s;
}

TEST(I18nShipped, EveryCodeSetNameOpensWithIconvBothWays) {
  Shipped s = ReadShipped();
  ASSERT_GE(s.codesets.size(), 40u);
  for (const auto &[name, dotted] : s.codesets) {
    for (auto [to, from] : {std::pair{name.c_str(), "UTF-8"}, std::pair{"UTF-8", name.c_str()}}) {
      iconv_t cd = iconv_open(to, from);
      EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to << " from " << from;
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
  }
}

class I18nShippedTables : public ShippedTables {};

TEST_F(I18nShippedTables, EveryIdentifierConvertsAndEveryLocaleResolves) {
  Shipped s = ReadShipped();
  List l;
  std::set<uint32_t> seen;
  for (const auto &[name, dotted] : s.codesets) {
    unsigned char binary[OID_BINARY_MAX];
    ASSERT_EQ(OID_ConvertDecToBin(l.s, dotted.c_str(), binary, nullptr), 0) << dotted;
    uint32_t shoid = 0, byName = 0;
    ASSERT_EQ(GENU_BinaryToShortOID(l.s, binary, &shoid), 0) << dotted;
    EXPECT_EQ(strncmp(GENU_ShortOIDToAscii(shoid), "id-val-code-set-", 16), 0) << dotted;
    ASSERT_EQ(I18N_CodesetNameToOID(l.s, name.c_str(), &byName), 0) << name;
    EXPECT_EQ(byName, shoid) << name;
    seen.insert(shoid);
  }
  // The code sets every system has, and the ISO 8859 parts 1 to 10.
  for (uint32_t shoid : {kAscii, kUnicode, kShiftJis, kEucJp, 366u, 427u, 428u, 426u})
    EXPECT_TRUE(seen.count(shoid)) << shoid;
  for (uint32_t shoid = kLatin1; shoid <= 378; shoid++) EXPECT_TRUE(seen.count(shoid)) << shoid;
  ASSERT_GE(s.locales.size(), 50u);
  for (const auto &w : s.locales) {
    std::string name = w[0];
    std::replace(name.begin(), name.end(), '$', ' ');
    I18N_dpaLocale_t loc{};
    EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, name.c_str(), &loc), 0) << name;
  }
  for (const char *name : {"C", "POSIX", "en_US", "en_US.UTF-8", "de_DE.ISO-8859-1", "ja_JP.eucJP",
                           "English_United States.1252"}) {
    I18N_dpaLocale_t loc{};
    EXPECT_EQ(I18N_GetDPALocaleFromLocaleName(l.s, name, &loc), 0) << name;
  }
}

}  // namespace
