// Keeps the shipped message catalogues complete and safe to format.
//
// The staged catalogues are read through glibc catopen/catgets, the same way the
// message facility reads them at run time:
//  - every status-code constant in the public headers has a text in the catalogue
//    of its facility;
//  - message 1 of the status-list set names the facility;
//  - printf conversions in every text match the arguments its code is recorded
//    with (most codes have none, so their texts must have no conversion at all,
//    apart from a literal %%).

#include <gtest/gtest.h>
#include <nl_types.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#ifndef KQ_SOURCE_DIR
#error "KQ_SOURCE_DIR must name the source tree"
#endif

namespace {

// Catalogue sets: texts of status-list codes (status source 1) live in set 2,
// texts numbered by the message facility itself (status source 2) in set 1.
constexpr int kStatusSet = 2;
constexpr int kMessageFacilitySet = 1;

struct Facility {
  uint16_t word;
  const char* catalogue;  // file name without ".cat"
  const char* name;       // message 1 of the status set
};

// Shared facilities that the library records codes for. A code of any other
// facility word in a public header means a catalogue has to be added here and
// under data/messages/C.
constexpr Facility kFacilities[] = {
    {0xc001, "C001", "STF"},  {0xc002, "C002", "MSG"}, {0xc003, "C003", "AS"},
    {0xc005, "C005", "FT"},   {0xc009, "C009", "JQP"}, {0xc00a, "C00A", "OID"},
    {0xc00c, "COOC", "THR"},  {0xc00e, "COOE", "GEN"}, {0xc010, "C010", "ERDPA"},
    {0xc014, "C014", "I18N"}, {0xc015, "C015", "FA"},
};

const Facility* FindFacility(uint32_t code) {
  for (const Facility& f : kFacilities)
    if (f.word == code >> 16) return &f;
  return nullptr;
}

// How a status argument reaches the text when the message is formatted.
enum class Arg {
  kChar,    // type 1: a character, inserted as an int
  kInt,     // type 3: an integer, inserted as a long
  kDouble,  // type 4
  kString,  // types 0x8005 and 0xC005: a NUL-terminated string
};

struct ArgCode {
  int set;
  uint32_t code;
  std::vector<Arg> args;
};

// Every code that is recorded with arguments. All other codes carry none.
const std::vector<ArgCode>& ArgCodes() {
  static const std::vector<ArgCode> table = {
      // STF_ConvertErrno: the errno value, then a description of the failed call.
      {kStatusSet, 0xc0010005u, {Arg::kInt, Arg::kString}},
      // Coding world user messages: the failing call's code; the coder's error text.
      {kMessageFacilitySet, 0xc00e00d0u, {Arg::kInt}},
      {kMessageFacilitySet, 0xc00e00d1u, {Arg::kString}},
  };
  return table;
}

const ArgCode* FindArgCode(int set, uint32_t code) {
  for (const ArgCode& a : ArgCodes())
    if (a.set == set && a.code == code) return &a;
  return nullptr;
}

// ---------------------------------------------------------------------------
// printf conversions

struct Conversion {
  std::string length;  // length modifier: "", "hh", "h", "l", "ll", "L", "j", "z", "t"
  char conversion;     // d i o u x X e E f F g G a A c s p n
  size_t begin, end;   // position of the whole specification in the text
};

// Splits a text into its conversions. Returns nothing (and a reason) for any
// specification the message facility cannot feed safely: a dangling '%', an
// unknown conversion, a '*' width or precision (it would consume an argument)
// or a positional '$' argument.
std::optional<std::vector<Conversion>> ParseConversions(const std::string& text, std::string* why) {
  std::vector<Conversion> out;
  size_t i = 0;
  while ((i = text.find('%', i)) != std::string::npos) {
    const size_t begin = i++;
    if (i < text.size() && text[i] == '%') {
      ++i;
      continue;
    }
    while (i < text.size() && std::string_view("-+ #0'").find(text[i]) != std::string::npos) ++i;
    auto digits = [&] {
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    };
    digits();
    if (i < text.size() && text[i] == '$') {
      *why = "positional argument at offset " + std::to_string(begin);
      return std::nullopt;
    }
    if (i < text.size() && text[i] == '*') {
      *why = "'*' width at offset " + std::to_string(begin);
      return std::nullopt;
    }
    if (i < text.size() && text[i] == '.') {
      ++i;
      if (i < text.size() && text[i] == '*') {
        *why = "'*' precision at offset " + std::to_string(begin);
        return std::nullopt;
      }
      digits();
    }
    std::string length;
    for (const char* m : {"hh", "ll", "h", "l", "L", "j", "z", "t"}) {
      if (text.compare(i, std::strlen(m), m) == 0) {
        length = m;
        i += length.size();
        break;
      }
    }
    if (i >= text.size()) {
      *why = "incomplete conversion at the end of the text";
      return std::nullopt;
    }
    const char c = text[i++];
    if (std::string_view("diouxXeEfFgGaAcspn").find(c) == std::string_view::npos) {
      *why = std::string("unknown conversion '") + c + "' at offset " + std::to_string(begin);
      return std::nullopt;
    }
    out.push_back({length, c, begin, i});
  }
  return out;
}

bool IsIntegerConversion(char c) {
  return std::string_view("diouxX").find(c) != std::string_view::npos;
}

// Whether a conversion reads an argument of the given kind without undefined behaviour.
bool Accepts(const Conversion& conv, Arg arg) {
  switch (arg) {
    case Arg::kChar:
      return conv.length.empty() &&
             (conv.conversion == 'c' || IsIntegerConversion(conv.conversion));
    case Arg::kInt:
      return conv.length == "l" && IsIntegerConversion(conv.conversion);
    case Arg::kDouble:
      return conv.length.empty() &&
             std::string_view("eEfFgGaA").find(conv.conversion) != std::string_view::npos;
    case Arg::kString:
      return conv.length.empty() && conv.conversion == 's';
  }
  return false;
}

const char* ArgName(Arg a) {
  switch (a) {
    case Arg::kChar:
      return "character";
    case Arg::kInt:
      return "integer";
    case Arg::kDouble:
      return "double";
    case Arg::kString:
      return "string";
  }
  return "?";
}

// Empty when the text's conversions match the arguments exactly, else the reason.
std::string CheckConversions(const std::string& text, const std::vector<Arg>& args) {
  std::string why;
  auto convs = ParseConversions(text, &why);
  if (!convs) return why;
  if (convs->size() != args.size()) {
    return std::to_string(convs->size()) + " conversion(s) for " + std::to_string(args.size()) +
           " argument(s)";
  }
  for (size_t k = 0; k < args.size(); ++k) {
    const Conversion& c = (*convs)[k];
    if (!Accepts(c, args[k])) {
      return "conversion " + std::to_string(k + 1) + " \"" + text.substr(c.begin, c.end - c.begin) +
             "\" cannot take an argument of type " + ArgName(args[k]);
    }
  }
  return "";
}

// ---------------------------------------------------------------------------
// catalogues

std::string StageRoot() {
  const char* root = std::getenv("QV_ROOT");
  return root ? root : "";
}

std::string CataloguePath(const std::string& localeDir, const Facility& f) {
  return StageRoot() + "/usr/kq/share/messages/" + localeDir + "/" + f.catalogue + ".cat";
}

class Catalogue {
 public:
  explicit Catalogue(const std::string& path) : path_(path) {
    catd_ = catopen(path.c_str(), NL_CAT_LOCALE);
  }
  ~Catalogue() {
    if (ok()) catclose(catd_);
  }
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  bool ok() const { return catd_ != reinterpret_cast<nl_catd>(-1); }
  const std::string& path() const { return path_; }

  std::optional<std::string> Get(int set, int number) const {
    static const char kMissing[] = "\x01missing";
    const char* s = catgets(catd_, set, number, kMissing);
    if (s == kMissing) return std::nullopt;
    return std::string(s);
  }

  // Every message of a set, by number.
  std::map<int, std::string> All(int set) const {
    std::map<int, std::string> out;
    for (int n = 1; n <= 0xffff; ++n)
      if (auto s = Get(set, n)) out.emplace(n, *s);
    return out;
  }

 private:
  std::string path_;
  nl_catd catd_;
};

// ---------------------------------------------------------------------------
// public headers

struct HeaderCode {
  std::string name;
  uint32_t code;
  std::string header;
};

std::vector<HeaderCode> ScanHeaderCodes() {
  static const std::regex define(
      R"(^\s*#\s*define\s+([A-Za-z_][A-Za-z0-9_]*)\s+0[xX]([cC]0[0-9a-fA-F]{6})[uU]?\b)");
  std::vector<HeaderCode> out;
  const std::filesystem::path dir = std::filesystem::path(KQ_SOURCE_DIR) / "inc" / "infra";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".h") continue;
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      std::smatch m;
      if (std::regex_search(line, m, define)) {
        out.push_back({m[1].str(), static_cast<uint32_t>(std::stoul(m[2].str(), nullptr, 16)),
                       entry.path().filename().string()});
      }
    }
  }
  return out;
}

std::string Hex(uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", code);
  return buf;
}

// ---------------------------------------------------------------------------

TEST(CatalogueConversionParser, FindsConversionsAndSkipsLiteralPercent) {
  std::string why;
  auto c = ParseConversions("errno %ld: %s (100%% sure)", &why);
  ASSERT_TRUE(c) << why;
  ASSERT_EQ(c->size(), 2u);
  EXPECT_EQ((*c)[0].length, "l");
  EXPECT_EQ((*c)[0].conversion, 'd');
  EXPECT_EQ((*c)[1].conversion, 's');
  c = ParseConversions("no inserts at all %%", &why);
  ASSERT_TRUE(c) << why;
  EXPECT_TRUE(c->empty());
  c = ParseConversions("%-8.3f|%08lx|%c", &why);
  ASSERT_TRUE(c) << why;
  ASSERT_EQ(c->size(), 3u);
  EXPECT_EQ((*c)[0].conversion, 'f');
  EXPECT_EQ((*c)[1].length, "l");
  EXPECT_EQ((*c)[1].conversion, 'x');
  EXPECT_EQ((*c)[2].conversion, 'c');
}

TEST(CatalogueConversionParser, RefusesWhatCannotBeFedSafely) {
  std::string why;
  EXPECT_FALSE(ParseConversions("width %*d", &why));
  EXPECT_FALSE(ParseConversions("precision %.*s", &why));
  EXPECT_FALSE(ParseConversions("positional %1$s", &why));
  EXPECT_FALSE(ParseConversions("dangling %", &why));
  EXPECT_FALSE(ParseConversions("dangling %l", &why));
  EXPECT_FALSE(ParseConversions("unknown %y", &why));
}

TEST(CatalogueConversionParser, MatchesArgumentKinds) {
  EXPECT_EQ(CheckConversions("errno %ld: %s", {Arg::kInt, Arg::kString}), "");
  EXPECT_EQ(CheckConversions("%c and %f", {Arg::kChar, Arg::kDouble}), "");
  EXPECT_EQ(CheckConversions("plain text", {}), "");
  // Integers arrive as long: a plain %d would read the wrong width.
  EXPECT_NE(CheckConversions("errno %d", {Arg::kInt}), "");
  EXPECT_NE(CheckConversions("%s %ld", {Arg::kInt, Arg::kString}), "");
  EXPECT_NE(CheckConversions("%ld", {Arg::kInt, Arg::kString}), "");
  EXPECT_NE(CheckConversions("%ld %s %s", {Arg::kInt, Arg::kString}), "");
  EXPECT_NE(CheckConversions("stray %s", {}), "");
  EXPECT_NE(CheckConversions("%ls", {Arg::kString}), "");
  EXPECT_NE(CheckConversions("%d", {Arg::kDouble}), "");
}

TEST(Catalogue, EveryFacilityCatalogueIsStaged) {
  ASSERT_FALSE(StageRoot().empty()) << "QV_ROOT is not set";
  for (const Facility& f : kFacilities) {
    for (const char* dir : {"C", "default"}) {
      Catalogue cat(CataloguePath(dir, f));
      EXPECT_TRUE(cat.ok()) << "cannot open " << cat.path();
    }
  }
}

TEST(Catalogue, MessageOneNamesTheFacility) {
  for (const Facility& f : kFacilities) {
    for (const char* dir : {"C", "default"}) {
      Catalogue cat(CataloguePath(dir, f));
      ASSERT_TRUE(cat.ok()) << "cannot open " << cat.path();
      auto name = cat.Get(kStatusSet, 1);
      ASSERT_TRUE(name) << cat.path() << ": no facility name";
      EXPECT_EQ(*name, f.name) << cat.path();
    }
  }
}

TEST(Catalogue, EveryHeaderStatusCodeHasAText) {
  const std::vector<HeaderCode> codes = ScanHeaderCodes();
  // The scan must see the headers; a wrong path must not pass silently.
  bool sawErrno = false;
  for (const HeaderCode& h : codes)
    sawErrno |= h.name == "STF_ST_SYSTEM_ERROR" && h.code == 0xc0010005u;
  ASSERT_TRUE(sawErrno) << "STF_ST_SYSTEM_ERROR not found under " KQ_SOURCE_DIR "/inc/infra";

  std::map<uint16_t, std::unique_ptr<Catalogue>> open;
  for (const HeaderCode& h : codes) {
    const Facility* f = FindFacility(h.code);
    if (!f) {
      ADD_FAILURE() << h.header << ": " << h.name << " = " << Hex(h.code)
                    << " belongs to a facility without a catalogue";
      continue;
    }
    auto& cat = open[f->word];
    if (!cat) cat = std::make_unique<Catalogue>(CataloguePath("C", *f));
    ASSERT_TRUE(cat->ok()) << "cannot open " << cat->path();
    // Message 1 doubles as the facility name; THR_ST_FAILED (0xc00c0001) reads as "THR".
    auto text = cat->Get(kStatusSet, static_cast<int>(h.code & 0xffff));
    ASSERT_TRUE(text) << h.header << ": " << h.name << " = " << Hex(h.code) << " has no text in "
                      << cat->path();
    EXPECT_FALSE(text->empty()) << h.name << " = " << Hex(h.code);
  }
}

TEST(Catalogue, ArgumentTableNamesExistingTexts) {
  for (const ArgCode& a : ArgCodes()) {
    const Facility* f = FindFacility(a.code);
    ASSERT_TRUE(f) << Hex(a.code);
    Catalogue cat(CataloguePath("C", *f));
    ASSERT_TRUE(cat.ok()) << "cannot open " << cat.path();
    EXPECT_TRUE(cat.Get(a.set, static_cast<int>(a.code & 0xffff)))
        << Hex(a.code) << " is listed with arguments but has no text";
  }
}

TEST(Catalogue, ConversionsMatchTheRecordedArguments) {
  size_t checked = 0;
  for (const Facility& f : kFacilities) {
    Catalogue cat(CataloguePath("C", f));
    ASSERT_TRUE(cat.ok()) << "cannot open " << cat.path();
    for (int set : {kMessageFacilitySet, kStatusSet}) {
      for (const auto& [number, text] : cat.All(set)) {
        const uint32_t code = static_cast<uint32_t>(f.word) << 16 | static_cast<uint32_t>(number);
        const ArgCode* a = FindArgCode(set, code);
        const std::string problem = CheckConversions(text, a ? a->args : std::vector<Arg>{});
        EXPECT_EQ(problem, "") << f.catalogue << " set " << set << " message " << number << " ("
                               << Hex(code) << "): \"" << text << "\"";
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0u);
}

TEST(Catalogue, TextsAreNonEmptyAndEndWithoutNewline) {
  for (const Facility& f : kFacilities) {
    Catalogue cat(CataloguePath("C", f));
    ASSERT_TRUE(cat.ok()) << "cannot open " << cat.path();
    for (int set : {kMessageFacilitySet, kStatusSet}) {
      for (const auto& [number, text] : cat.All(set)) {
        EXPECT_FALSE(text.empty()) << f.catalogue << " set " << set << " message " << number;
        if (!text.empty()) {
          EXPECT_NE(text.back(), '\n') << f.catalogue << " set " << set << " message " << number;
        }
      }
    }
  }
}

TEST(Catalogue, DefaultCataloguesHoldTheSameTexts) {
  for (const Facility& f : kFacilities) {
    Catalogue c(CataloguePath("C", f));
    Catalogue d(CataloguePath("default", f));
    ASSERT_TRUE(c.ok()) << "cannot open " << c.path();
    ASSERT_TRUE(d.ok()) << "cannot open " << d.path();
    for (int set : {kMessageFacilitySet, kStatusSet})
      EXPECT_EQ(c.All(set), d.All(set)) << f.catalogue;
  }
}

}  // namespace
