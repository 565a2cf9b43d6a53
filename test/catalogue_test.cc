// Keeps the shipped message catalogues complete and safe to format, reading the
// staged catalogues through glibc catopen/catgets as the message facility does:
// every status-code constant of the public headers has a text in its facility's
// catalogue, message 1 of the status set names the facility, and the printf
// conversions of every text match the arguments its code is recorded with (most
// codes have none, so their texts have no conversion apart from a literal %%).
#include <gtest/gtest.h>
#include <nl_types.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#ifndef KQ_SOURCE_DIR
#error "KQ_SOURCE_DIR must name the source tree"
#endif

namespace {

// Texts of status-list codes live in set 2, texts numbered by the message facility
// itself in set 1.
constexpr int kStatusSet = 2;
constexpr int kMessageFacilitySet = 1;

struct Facility {
  uint16_t word;
  const char *catalogue;  // file name without ".cat"
  const char *name;       // message 1 of the status set
};

// A code of any other facility word in a public header needs a catalogue added here
// and under data/messages/C.
constexpr Facility kFacilities[] = {
    {0xc001, "C001", "STF"},  {0xc002, "C002", "MSG"}, {0xc003, "C003", "AS"},
    {0xc005, "C005", "FT"},   {0xc009, "C009", "JQP"}, {0xc00a, "C00A", "OID"},
    {0xc00c, "COOC", "THR"},  {0xc00e, "COOE", "GEN"}, {0xc010, "C010", "ERDPA"},
    {0xc014, "C014", "I18N"}, {0xc015, "C015", "FA"},
};

const Facility *FindFacility(uint32_t code) {
  for (const Facility &f : kFacilities)
    if (f.word == code >> 16) return &f;
  return nullptr;
}

// How a status argument reaches the text: a character as an int, an integer as a
// long, a double, a NUL-terminated string.
enum class Arg { kChar, kInt, kDouble, kString };

// Every code recorded with arguments (all others carry none): STF_ConvertErrno's
// errno and description; the coding world's failing call code and error text.
const std::map<std::pair<int, uint32_t>, std::vector<Arg>> kArgCodes = {
    {{kStatusSet, 0xc0010005u}, {Arg::kInt, Arg::kString}},
    {{kMessageFacilitySet, 0xc00e00d0u}, {Arg::kInt}},
    {{kMessageFacilitySet, 0xc00e00d1u}, {Arg::kString}},
};

// Whether a conversion (length modifier, conversion letter) reads `arg` safely.
bool Accepts(const std::string &length, char c, Arg arg) {
  bool integer = std::string_view("diouxX").find(c) != std::string_view::npos;
  switch (arg) {
    case Arg::kChar:
      return length.empty() && (c == 'c' || integer);
    case Arg::kInt:
      return length == "l" && integer;
    case Arg::kDouble:
      return length.empty() && std::string_view("eEfFgGaA").find(c) != std::string_view::npos;
    case Arg::kString:
      return length.empty() && c == 's';
  }
  return false;
}

// Empty when the text's conversions match `args` exactly, else the reason. A '*'
// width or precision (it would consume an argument), a positional '$' argument, a
// dangling '%' or an unknown conversion cannot be fed safely.
std::string CheckConversions(const std::string &text, const std::vector<Arg> &args) {
  static const std::regex spec(R"(%(%|[-+ #0']*[0-9]*(\.[0-9]*)?(hh|ll|[hlLjzt])?([a-zA-Z]))?)");
  size_t k = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), spec); it != std::sregex_iterator();
       ++it) {
    const std::smatch &m = *it;
    if (m[1] == "%") continue;
    std::string at = " at offset " + std::to_string(m.position());
    if (!m[1].matched ||
        std::string_view("diouxXeEfFgGaAcspn").find(m[4].str()[0]) == std::string_view::npos)
      return "conversion that cannot be fed safely" + at;
    if (k >= args.size()) return "more conversions than arguments";
    if (!Accepts(m[3], m[4].str()[0], args[k]))
      return "conversion \"" + m.str() + "\"" + at + " does not take argument " +
             std::to_string(k + 1);
    k++;
  }
  return k == args.size() ? "" : "fewer conversions than arguments";
}

TEST(CatalogueConversions, MatchArgumentsExactlyAndRefuseWhatCannotBeFed) {
  using A = Arg;
  struct Row {
    const char *text;
    std::vector<Arg> args;
    bool ok;
  } rows[] = {
      {"errno %ld: %s (100%% sure)", {A::kInt, A::kString}, true},
      {"no inserts at all %%", {}, true},
      {"%-8.3f|%08lx|%c", {A::kDouble, A::kInt, A::kChar}, true},
      {"%c and %f", {A::kChar, A::kDouble}, true},
      {"errno %d", {A::kInt}, false},  // integers arrive as long
      {"%s %ld", {A::kInt, A::kString}, false},
      {"%ld", {A::kInt, A::kString}, false},
      {"%ld %s %s", {A::kInt, A::kString}, false},
      {"stray %s", {}, false},
      {"%ls", {A::kString}, false},
      {"%d", {A::kDouble}, false},
      {"width %*d", {A::kChar}, false},
      {"precision %.*s", {A::kString}, false},
      {"positional %1$s", {A::kString}, false},
      {"dangling %", {}, false},
      {"dangling %l", {}, false},
      {"unknown %y", {}, false},
  };
  for (const Row &r : rows) EXPECT_EQ(CheckConversions(r.text, r.args).empty(), r.ok) << r.text;
}

class Catalogue {
 public:
  Catalogue(const char *localeDir, const Facility &f) {
    const char *root = getenv("QV_ROOT");
    path_ = std::string(root ? root : "") + "/usr/kq/share/messages/" + localeDir + "/" +
            f.catalogue + ".cat";
    catd_ = catopen(path_.c_str(), NL_CAT_LOCALE);
    EXPECT_TRUE(ok()) << "cannot open " << path_;
  }
  ~Catalogue() {
    if (ok()) catclose(catd_);
  }
  bool ok() const { return catd_ != reinterpret_cast<nl_catd>(-1); }
  const std::string &path() const { return path_; }
  bool Get(int set, int number, std::string *text) const {
    static const char kMissing[] = "\x01missing";
    const char *s = catgets(catd_, set, number, kMissing);
    if (s != kMissing) *text = s;
    return s != kMissing;
  }
  // Every message of a set, by number.
  std::map<int, std::string> All(int set) const {
    std::map<int, std::string> out;
    std::string s;
    for (int n = 1; n <= 0xffff; ++n)
      if (Get(set, n, &s)) out.emplace(n, s);
    return out;
  }

 private:
  std::string path_;
  nl_catd catd_;
};

std::string Hex(uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", code);
  return buf;
}

TEST(Catalogue, BothDirectoriesHoldTheSameTextsAndMessageOneNamesTheFacility) {
  ASSERT_NE(getenv("QV_ROOT"), nullptr);
  for (const Facility &f : kFacilities) {
    Catalogue c("C", f), d("default", f);
    ASSERT_TRUE(c.ok() && d.ok());
    std::string name;
    ASSERT_TRUE(c.Get(kStatusSet, 1, &name)) << c.path() << ": no facility name";
    EXPECT_EQ(name, f.name) << c.path();
    for (int set : {kMessageFacilitySet, kStatusSet}) EXPECT_EQ(c.All(set), d.All(set)) << d.path();
  }
}

TEST(Catalogue, EveryHeaderStatusCodeHasAText) {
  static const std::regex define(
      R"(^\s*#\s*define\s+([A-Za-z_][A-Za-z0-9_]*)\s+0[xX]([cC]0[0-9a-fA-F]{6})[uU]?\b)");
  int seen = 0;
  bool sawErrno = false;  // a wrong path must not pass silently
  for (const auto &entry :
       std::filesystem::directory_iterator(std::filesystem::path(KQ_SOURCE_DIR) / "inc/infra")) {
    if (entry.path().extension() != ".h") continue;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, define)) continue;
      uint32_t code = static_cast<uint32_t>(std::stoul(m[2].str(), nullptr, 16));
      SCOPED_TRACE(entry.path().filename().string() + ": " + m[1].str() + " = " + Hex(code));
      sawErrno |= m[1] == "STF_ST_SYSTEM_ERROR" && code == 0xc0010005u;
      seen++;
      const Facility *f = FindFacility(code);
      ASSERT_NE(f, nullptr) << "belongs to a facility without a catalogue";
      Catalogue cat("C", *f);
      // Message 1 doubles as the facility name; THR_ST_FAILED (0xc00c0001) reads "THR".
      std::string text;
      EXPECT_TRUE(cat.Get(kStatusSet, static_cast<int>(code & 0xffff), &text) && !text.empty());
    }
  }
  EXPECT_TRUE(sawErrno) << "STF_ST_SYSTEM_ERROR not found under " KQ_SOURCE_DIR "/inc/infra";
  EXPECT_GT(seen, 100);
}

TEST(Catalogue, EveryTextIsOneLineAndItsConversionsMatchTheRecordedArguments) {
  for (const auto &[key, args] : kArgCodes) {
    Catalogue cat("C", *FindFacility(key.second));
    std::string text;
    EXPECT_TRUE(cat.Get(key.first, static_cast<int>(key.second & 0xffff), &text))
        << Hex(key.second) << " is listed with arguments but has no text";
  }
  size_t checked = 0;
  for (const Facility &f : kFacilities) {
    Catalogue cat("C", f);
    for (int set : {kMessageFacilitySet, kStatusSet}) {
      for (const auto &[number, text] : cat.All(set)) {
        uint32_t code = static_cast<uint32_t>(f.word) << 16 | static_cast<uint32_t>(number);
        SCOPED_TRACE(std::string(f.catalogue) + " set " + std::to_string(set) + " message " +
                     std::to_string(number) + " (" + Hex(code) + "): \"" + text + "\"");
        EXPECT_TRUE(!text.empty() && text.back() != '\n');
        auto a = kArgCodes.find({set, code});
        EXPECT_EQ(CheckConversions(text, a == kArgCodes.end() ? std::vector<Arg>{} : a->second),
                  "");
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0u);
}

}  // namespace
