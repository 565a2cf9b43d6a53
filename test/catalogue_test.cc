// Keeps the shipped message catalogues complete and safe to format, reading the
// staged catalogues through glibc catopen/catgets as the message facility does:
// every status-code constant of the public headers has a text in its facility's
// catalogue, message 1 of the status set names the facility, and the printf
// conversions of every text match the arguments its code is recorded with (most
// codes have none, so their texts have no conversion apart from a literal %%).
#include <gtest/gtest.h>
#include <nl_types.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Texts of status-list codes live in set 2, texts numbered by the message facility
// itself in set 1.
enum { kMessageFacilitySet = 1, kStatusSet = 2 };

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

// The length modifier and conversion letter that read each kind of argument safely.
const std::regex kAccepts[] = {std::regex("[cdiouxX]"), std::regex("l[diouxX]"),
                               std::regex("[eEfFgGaA]"), std::regex("s")};

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
    if (!m[1].matched || std::string("diouxXeEfFgGaAcspn").find(m[4].str()) == std::string::npos)
      return "conversion that cannot be fed safely" + at;
    if (k >= args.size()) return "more conversions than arguments";
    if (!std::regex_match(m[3].str() + m[4].str(), kAccepts[static_cast<int>(args[k])]))
      return "conversion \"" + m.str() + "\"" + at + " does not take argument " +
             std::to_string(k + 1);
    k++;
  }
  return k == args.size() ? "" : "fewer conversions than arguments";
}

TEST(CatalogueConversions, MatchArgumentsExactlyAndRefuseWhatCannotBeFed) {
  using A = Arg;
  const std::tuple<const char *, std::vector<Arg>, bool> rows[] = {
      {"errno %ld: %s (100%% sure)", {A::kInt, A::kString}, true},
      {"%-8.3f|%08lx|%c|%x", {A::kDouble, A::kInt, A::kChar, A::kChar}, true},
      {"errno %d", {A::kInt}, false},  // integers arrive as long
      {"%s %ld", {A::kInt, A::kString}, false},
      {"%ld", {A::kInt, A::kString}, false},
      {"%ld %s %s", {A::kInt, A::kString}, false},
      {"%ls", {A::kString}, false},
      {"width %*d", {A::kChar}, false},  // also a positional $ or a dangling %
      {"unknown %y", {}, false},
  };
  for (const auto &[text, args, ok] : rows)
    EXPECT_EQ(CheckConversions(text, args).empty(), ok) << text;
}

// A staged catalogue read through catopen/catgets.
class Catalogue {
 public:
  Catalogue(const char *localeDir, const Facility &f)
      : path_(std::string(getenv("QV_ROOT") ? getenv("QV_ROOT") : "") + "/usr/kq/share/messages/" +
              localeDir + "/" + f.catalogue + ".cat"),
        catd_(catopen(path_.c_str(), NL_CAT_LOCALE)) {
    EXPECT_NE(catd_, reinterpret_cast<nl_catd>(-1)) << "cannot open " << path_;
  }
  ~Catalogue() { catclose(catd_); }
  // Every message of a set, by number.
  std::map<int, std::string> All(int set) const {
    static const char kMissing[] = "\x01missing";
    std::map<int, std::string> out;
    for (int n = 1; n <= 0xffff; ++n)
      if (const char *s = catgets(catd_, set, n, kMissing); s != kMissing) out.emplace(n, s);
    return out;
  }
  const std::string path_;
  const nl_catd catd_;
};

// Every status-code constant of the public headers; a wrong path must not pass silently.
TEST(Catalogue, EveryHeaderStatusCodeHasAText) {
  static const std::regex define(
      R"(^\s*#\s*define\s+([A-Za-z_][A-Za-z0-9_]*)\s+0[xX]([cC]0[0-9a-fA-F]{6})[uU]?\b)");
  std::map<uint32_t, std::string> codes;
  for (const auto &entry :
       std::filesystem::directory_iterator(std::filesystem::path(KQ_SOURCE_DIR) / "inc/infra")) {
    std::ifstream in(entry.path());
    std::smatch m;
    for (std::string line; std::getline(in, line);)
      if (entry.path().extension() == ".h" && std::regex_search(line, m, define))
        codes[std::stoul(m[2].str(), nullptr, 16)] = m[1].str();
  }
  EXPECT_EQ(codes[0xc0010005u], "STF_ST_SYSTEM_ERROR") << "under " KQ_SOURCE_DIR "/inc/infra";
  for (const Facility &f : kFacilities) {
    auto texts = Catalogue("C", f).All(kStatusSet);
    // Message 1 doubles as the facility name; THR_ST_FAILED (0xc00c0001) reads "THR".
    for (auto it = codes.lower_bound(uint32_t{f.word} << 16);
         it != codes.end() && it->first >> 16 == f.word;) {
      EXPECT_FALSE(texts[it->first & 0xffff].empty()) << it->second;
      it = codes.erase(it);
    }
  }
  EXPECT_TRUE(codes.empty()) << codes.begin()->second
                             << " belongs to a facility without a catalogue";
}

// Both locale directories hold the same texts, message 1 of the status set names the
// facility, and every text is one line whose conversions match the recorded arguments.
TEST(Catalogue, EveryTextIsOneLineAndItsConversionsMatchTheRecordedArguments) {
  size_t withArgs = 0;
  for (const Facility &f : kFacilities) {
    Catalogue cat("C", f), other("default", f);
    for (int set : {kMessageFacilitySet, kStatusSet}) {
      auto texts = cat.All(set);
      EXPECT_EQ(texts, other.All(set)) << other.path_;
      EXPECT_TRUE(set != kStatusSet || texts[1] == f.name) << cat.path_ << " names " << texts[1];
      for (const auto &[number, text] : texts) {
        uint32_t code = static_cast<uint32_t>(f.word) << 16 | static_cast<uint32_t>(number);
        SCOPED_TRACE(testing::Message()
                     << cat.path_ << " set " << set << " 0x" << std::hex << code << ": " << text);
        EXPECT_TRUE(!text.empty() && text.back() != '\n');
        auto a = kArgCodes.find({set, code});
        withArgs += a != kArgCodes.end();
        EXPECT_EQ(CheckConversions(text, a == kArgCodes.end() ? std::vector<Arg>{} : a->second),
                  "");
      }
    }
  }
  EXPECT_EQ(withArgs, kArgCodes.size()) << "a code listed with arguments has no text";
}

}  // namespace
