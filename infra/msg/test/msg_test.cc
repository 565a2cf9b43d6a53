// Message catalogues: file names per facility class, the search path, the fallback
// line, locales, truncation and the descriptor cache; the insert formatter against
// snprintf as the model; symbolic names of a status message prefix; several threads
// formatting texts at once. The catalogues are real, compiled with gencat under a
// private installation root that QV_ROOT points at for the duration of a test.
#include "infra/msg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "kqtest.h"
#include "private/msg_internal.h"

namespace kq::msg::test {
namespace {

// A catalogue source of a shared facility: set 1 (MSG texts) and set 2 (STF texts,
// message 1 being the facility's symbolic name).
std::string SharedSource(const std::string &facility, const std::string &stfTexts,
                         const std::string &msgTexts = "") {
  return "$set 1\n" + msgTexts + "$set 2\n1 " + facility + "\n" + stfTexts;
}

// Each test gets a fresh root, NLSPATH pointing into it (so the bare-name step of
// the search path sees only what a test puts there) and the facility in use.
class MsgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("QV_ROOT", root_.path().c_str());
    env_.Set("NLSPATH", (root_ / "nls/%N").c_str());
    ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  }
  void TearDown() override { MSG_UsageEnd(); }

  // Compiles gencat source text into <dir>/<name>. The catalogue replaces any
  // earlier file by rename, so a catalogue already open keeps its old contents.
  void Compile(const std::string &dir, const std::string &name, const std::string &source) {
    std::filesystem::create_directories(dir);
    const std::string msg = root_ / "src.msg", out = dir + "/." + name + ".new";
    kq::test::WriteFile(msg, source);
    std::filesystem::remove(out);  // gencat merges into an existing output file
    ASSERT_EQ(system(("/usr/bin/gencat '" + out + "' '" + msg + "'").c_str()), 0) << source;
    std::filesystem::rename(out, dir + "/" + name);
  }
  // Compiles into <root>/usr/kq/share/messages/<locale>.
  void Add(const std::string &locale, const std::string &name, const std::string &source) {
    Compile(root_ / ("usr/kq/share/messages/" + locale), name, source);
  }

  // MSG_GetUnformatted: the status and the text.
  using R = std::pair<uint32_t, std::string>;
  R Unformatted(uint32_t source, uint32_t code, const char *locale = nullptr) {
    char buffer[1024];
    uint32_t length = 0;
    uint32_t st = MSG_GetUnformatted(source, code, locale, sizeof buffer, &length, buffer);
    EXPECT_EQ(length, strlen(buffer) + 1);
    return {st, buffer};
  }

  // Each row's text and status, read with MSG_GetUnformatted.
  struct TextRow {
    uint32_t source, code;
    std::string text;
    uint32_t status;
  };
  void ExpectTexts(const std::vector<TextRow> &rows, const char *locale = nullptr) {
    for (const TextRow &r : rows) {
      EXPECT_EQ(Unformatted(r.source, r.code, locale), R(r.status, r.text)) << std::hex << r.code;
    }
  }

  // MSG_GetFormattedByArray: the status and the text.
  R Formatted(uint32_t source, uint32_t code, int32_t count, const STF_argument_t *args) {
    char buffer[1024];
    uint32_t length = 0;
    uint32_t st = MSG_GetFormattedByArray(source, code, 0, nullptr, sizeof buffer, &length, buffer,
                                          count, args);
    EXPECT_EQ(length, strlen(buffer) + 1);
    return {st, buffer};
  }

  kq::test::TempDir root_{"kqmsg"};
  kq::test::EnvGuard env_;
};

// What `call(size, &length, buffer)` gives into `size` bytes of a '#'-filled buffer: the
// status, the text and the length reported. The byte after `size` must stay '#'.
using T = std::tuple<uint32_t, std::string, uint32_t>;
template <typename Call>
T IntoBuffer(uint32_t size, Call call) {
  std::vector<char> buffer(size + 2, '#');
  buffer[size + 1] = '\0';
  uint32_t length = 0;
  uint32_t st = call(size, &length, buffer.data());
  EXPECT_EQ(buffer[size], '#') << "wrote past " << size;
  return {st, size ? std::string(buffer.data()) : "", length};
}

STF_argument_t CharArg(char c) { return {STF_ARG_CHAR, 1, {.c = c}}; }
STF_argument_t IntArg(int32_t i) { return {STF_ARG_INT, 4, {.i = i}}; }
STF_argument_t DoubleArg(double d) { return {STF_ARG_DOUBLE, 8, {.d = d}}; }
STF_argument_t StringArg(const char *s) {
  return {STF_ARG_STRING, static_cast<int32_t>(strlen(s) + 1), {.p = s}};
}
STF_argument_t BytesArg(const void *p, int32_t length) { return {STF_ARG_BYTES, length, {.p = p}}; }

// ---- the insert formatter ----------------------------------------------------------

// Slots of each kind: int, long, double, pointer.
MSG__slot_t I(int v) { return {MSG_SLOT_INT, {.i = v}}; }
MSG__slot_t L(long v) { return {MSG_SLOT_LONG, {.l = v}}; }
MSG__slot_t D(double v) { return {MSG_SLOT_DOUBLE, {.d = v}}; }
MSG__slot_t P(const char *v) { return {MSG_SLOT_PTR, {.p = v}}; }

std::string Format(const char *format, std::vector<MSG__slot_t> given) {
  MSG__slot_t slots[MSG_MAX_INSERTS];
  for (size_t i = 0; i < MSG_MAX_INSERTS; ++i)
    slots[i] = i < given.size() ? given[i] : MSG__slot_t{MSG_SLOT_FILLER, {.i = MSG_FILLER_VALUE}};
  char out[512];
  size_t length = MSG__DoFormat(out, sizeof out, format, slots);
  EXPECT_EQ(length, strlen(out)) << format;
  return out;
}

template <typename... Args>
std::string Ref(const char *format, Args... args) {
  char out[512];
  snprintf(out, sizeof out, format, args...);
  return out;
}

// The formatter's text and snprintf's for the same format.
template <typename... Args>
std::pair<std::string, std::string> Same(const char *format, std::vector<MSG__slot_t> slots,
                                         Args... args) {
  return {Format(format, slots), Ref(format, args...)};
}

TEST(msg_format, MatchesSnprintfForMatchingKinds) {
  static const char kText[] = "printer";
  const std::pair<std::string, std::string> cases[] = {
      Same("job %d of %d", {L(3), L(12)}, 3, 12),
      Same("[%5d|%-5d|%05d|%+d|% d]", {L(42), L(-42), L(7), L(7)}, 42, -42, 7, 7, 32),
      Same("%ld %li %lld", {L(-9000000000L), L(1), L(2)}, -9000000000L, 1L, 2LL),
      Same("%x %X %#o %u", {L(-1), L(0xbeef), L(8), L(-2)}, -1, 0xbeef, 8, -2),
      Same("%hhd %hu %hx %lx", {L(300), L(-1), L(0x12345), L(-1)}, 300, -1, 0x12345, -1L),
      Same("%f %.2f %10.3e %g %G %a", {D(3.14159), D(2.005), D(-12345.678), D(1e-7)}, 3.14159,
           2.005, -12345.678, 1e-7, 32.0, 32.0),
      Same("%c%c%c", {I('o'), I('k'), L('!')}, 'o', 'k', '!'),
      Same("<%s> <%.3s> <%10s> <%-10s>", {P(kText), P(kText), P(kText), P(kText)}, kText, kText,
           kText, kText),
      Same("%p", {P(kText)}, static_cast<const void *>(kText)),
      Same("100%% of %d%%", {L(5)}, 5),
      Same("[%*d] [%-*d]", {L(6), L(1), L(-6), L(2)}, 6, 1, -6, 2),
      Same("%.*f|%*.*s", {L(1), D(9.87), L(8), L(2)}, 1, 9.87, 8, 2, "(null)"),
      Same("%2$s got %1$d", {L(17), P(kText)}, 17, kText),
      {Format("no conversions at all", {}), "no conversions at all"},
  };
  for (const auto &[got, want] : cases) EXPECT_EQ(got, want);
}

TEST(msg_format, MismatchedKindsConvertAndMalformedConversionsShowAsWritten) {
  // Numbers convert between integer and floating conversions.
  EXPECT_EQ(Format("%d %f", {D(3.9), L(7)}), "3 7.000000");
  EXPECT_EQ(Format("%d", {D(1e300)}), Ref("%d", static_cast<int>(INT64_MAX)));
  // Under %s a number shows in decimal; a string under a numeric conversion is 0.
  EXPECT_EQ(Format("%s/%s/%5s", {L(42), D(2.5), I('A')}), "42/2.5/   65");
  EXPECT_EQ(Format("%d %f", {P("x"), P("y")}), "0 0.000000");
  EXPECT_EQ(Format("%s", {P(nullptr)}), "(null)");
  // Slots no argument fills: the filler 32 for numbers, "(null)" for strings.
  EXPECT_EQ(Format("%s and %d", {P("one")}), "one and 32");
  // Conversions past the fourth slot see the filler too.
  EXPECT_EQ(Format("%d %d %d %d %d %5$s", {L(1), L(2), L(3), L(4)}), "1 2 3 4 32 (null)");
  // %n takes a slot and writes nothing.
  EXPECT_EQ(Format("a%nb%d", {P("ignored"), L(9)}), "ab9");
  // Malformed conversions are shown as written.
  EXPECT_EQ(Format("100%", {}), "100%");
  EXPECT_EQ(Format("%y and %d", {L(3)}), "%y and 3");
}

TEST(msg_format, OutputIsBoundedAndReportsTheWholeLength) {
  MSG__slot_t slots[MSG_MAX_INSERTS] = {P("abcdefghij"), L(123456), D(1.5), I('z')};
  const std::string whole = "abcdefghij-123456-1.500000-z";
  for (size_t size : {0u, 1u, 5u, 11u, 12u, 28u, 29u, 64u}) {
    std::vector<char> out(size + 8, '#');
    size_t length = MSG__DoFormat(size ? out.data() : nullptr, size, "%s-%d-%f-%c", slots);
    EXPECT_EQ(length, whole.size());
    if (size > 0) {
      EXPECT_EQ(std::string(out.data()), whole.substr(0, size - 1)) << size;
    }
    for (size_t i = size; i < out.size(); ++i) ASSERT_EQ(out[i], '#') << "wrote past " << size;
  }
  // A large width is counted in full even when little fits.
  char small[4];
  MSG__slot_t wide[MSG_MAX_INSERTS] = {L(7), L(0), L(0), L(0)};
  EXPECT_EQ(MSG__DoFormat(small, sizeof small, "%5000d", wide), 5000u);
  EXPECT_STREQ(small, "   ");
}

// ---- names -------------------------------------------------------------------------

std::string Name(uint32_t code, const char *app = "PRINT") {
  char out[MSG_CATALOGUE_NAME_MAX];
  return MSG__CatalogueName(code, app, out, sizeof out) ? out : "<none>";
}

// The installed names, derived independently of the table: "C0" and two hex digits,
// with the letter O where the low digit is C..F, O twice for 0x0c..0x0e.
std::string ModelSharedName(unsigned n) {
  if (n == 0x13 || n == 0x16) return n == 0x13 ? "dpaapi" : "kqsvclog";
  char buf[16];
  const char *form = n >= 0x0c && n <= 0x0e ? "COO%X" : (n & 0xf) >= 0xc ? "CO%02X" : "C0%02X";
  snprintf(buf, sizeof buf, form, n >= 0x0c && n <= 0x0e ? n & 0xf : n);
  return buf;
}

TEST(msg_names, SharedTableMatchesInstalledFileNames) {
  for (unsigned n = 0; n < 256; ++n) {
    EXPECT_EQ(MSG__sharedMsgNames[n], ModelSharedName(n)) << std::hex << n;
    EXPECT_EQ(Name(0xc0000000u | (n << 16) | 0x65), ModelSharedName(n) + ".cat");
  }
  EXPECT_EQ(Name(0xc0ff0000) + Name(0xc0ff0001), "COFF.catCOFF.cat") << "the number plays no part";
}

TEST(msg_names, ApplicationAndUnusedClasses) {
  // Class 1: four letters of the application name and the facility word; class 0: the
  // whole application name. Both need one. Class 2 is unused; shared facilities stop
  // at 255.
  const std::tuple<uint32_t, const char *, const char *> rows[] = {
      {0x40100005u, "PRINT", "prin4010.cat"},    {0x7abc0001u, "ABC", "abc7ABC.cat"},
      {0x00050007u, "PRINTER8", "printer8.cat"}, {0x00050007u, nullptr, "<none>"},
      {0x80010001u, "PRINT", "<none>"},          {0xc1000001u, "PRINT", "<none>"}};
  for (const auto &[code, app, name] : rows) EXPECT_EQ(Name(code, app), name) << std::hex << code;
}

struct Names {
  std::string app, source, facility;
  uint32_t status;
  bool operator==(const Names &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Names &n) {
  return os << n.app << " " << n.source << " " << n.facility << " " << std::hex << n.status;
}

Names Symbolic(uint32_t source, uint32_t code, uint32_t option = 0) {
  char app[16], src[16], facility[16];
  uint32_t st = MSG_GetSymbolicNames(source, code, sizeof app, app, sizeof src, src,
                                     sizeof facility, facility, option);
  return {app, src, facility, st};
}

TEST(msg_usage, ApplicationNameRules) {
  MSG_UsageEnd();
  for (const char *bad : {"AB", "ABCDEFGHI", "1ABC", "AB_C", "", "AB C", (const char *)nullptr}) {
    EXPECT_EQ(MSG_UsageBegin(bad), MSG_ST_BAD_APP_NAME) << bad;
    EXPECT_EQ(MSG_UsageEnd(), MSG_ST_NOT_IN_USE) << bad << " left the facility in use";
  }
  for (const char *good : {"abc", "q2345678"}) {
    ASSERT_EQ(MSG_UsageBegin(good), 0u) << good;
    std::string upper = good;
    for (char &c : upper) c = static_cast<char>(toupper(c));
    EXPECT_EQ(MSG_UsageBegin("other"), MSG_ST_NOT_IN_USE);
    EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 1).app, upper) << "the second call changed the name";
    EXPECT_EQ(MSG_UsageEnd(), 0u);
  }
}

using msg_symbolic = MsgTest;

TEST_F(msg_symbolic, NamesOfEachSourceWithAndWithoutUsageBegin) {
  Add("C", "C003.cat", SharedSource("as", "101 text\n"));
  Add("C", "C001.cat", SharedSource("Stf", "3 No status\n"));
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071), (Names{"KQTEST", "STF", "AS", 0}));
  EXPECT_EQ(Symbolic(STF_SRC_MSG, 0xc0030071), (Names{"KQTEST", "MSG", "AS", 0}));
  // Code 0 of STF belongs to the status-list facility.
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0), (Names{"KQTEST", "STF", "STF", 0}));
  EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 2), (Names{"KQTEST", "ERRNO", "0000", 0}));
  EXPECT_EQ(Symbolic(0x2b, 0xc0030071), (Names{"KQTEST", "002b", "0000", 0}));
  // No catalogue: hex form and "not found".
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc02f0001), (Names{"KQTEST", "STF", "c02f", MSG_ST_NOT_FOUND}));
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071, 1).status, MSG_ST_BAD_OPTION);
  // Without MSG_UsageBegin names are still given.
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071), (Names{"", "STF", "AS", MSG_ST_NOT_IN_USE}));
}

TEST_F(msg_symbolic, FacilityNamesAreReadOnceUntilUsageBegins) {
  Add("C", "C003.cat", SharedSource("as", "101 text\n"));
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071).facility, "AS");
  // The catalogue disappears (and leaves the descriptor cache): the table remembers.
  env_.Set("QV_ROOT", (root_ / "empty").c_str());
  {
    Locked lock(cacheLock);
    MSG__InitDescriptorCache();
  }
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071).facility, "AS");
  // A new period of use starts with an empty table.
  ASSERT_EQ(MSG_UsageEnd() + MSG_UsageBegin("kqtest"), 0u);
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071), (Names{"KQTEST", "STF", "c003", MSG_ST_NOT_FOUND}));
}

// ---- lookup ------------------------------------------------------------------------

using msg_lookup = MsgTest;

TEST_F(msg_lookup, SharedFacilitiesReadTheirSets) {
  Add("C", "C003.cat",
      SharedSource("as", "113 Attribute %s is unknown\n", "113 MSG-numbered text\n"));
  Add("C", "COOE.cat", SharedSource("gen", "101 Value of type %d\n"));
  Add("C", "C001.cat", SharedSource("stf", "3 No status\n"));
  ExpectTexts({{STF_SRC_STF, 0xc0030071, "Attribute %s is unknown", 0},
               {STF_SRC_MSG, 0xc0030071, "MSG-numbered text", 0},
               {STF_SRC_STF, 0xc00e0065, "Value of type %d", 0},
               {STF_SRC_STF, 0, "No status", 0}});  // code 0 of STF: the "no status" text
}

TEST_F(msg_lookup, ApplicationFacilitiesAreNamedAfterTheApplication) {
  MSG_UsageEnd();
  ASSERT_EQ(MSG_UsageBegin("Print"), 0u);
  Add("C", "prin4010.cat", SharedSource("pq", "5 Class one text\n", "5 Class one MSG\n"));
  // Class 0, facility 3: sets 6 (STF) and 5 (MSG).
  Add("C", "print.cat", "$set 5\n7 Class zero MSG\n$set 6\n1 pz\n7 Class zero text\n");
  ExpectTexts({{STF_SRC_STF, 0x40100005, "Class one text", 0},
               {STF_SRC_MSG, 0x40100005, "Class one MSG", 0},
               {STF_SRC_STF, 0x00030007, "Class zero text", 0},
               {STF_SRC_MSG, 0x00030007, "Class zero MSG", 0}});
}

TEST_F(msg_lookup, SearchPathPrefersNlspathThenLocaleThenDefault) {
  Compile(root_ / "nls", "C020.cat", SharedSource("x", "101 from NLSPATH\n"));
  for (const char *name : {"C020.cat", "C021.cat"})
    Add("C", name, SharedSource("x", "101 from locale dir\n"));
  for (const char *name : {"C020.cat", "C021.cat", "C022.cat"})
    Add("default", name, SharedSource("x", "101 from default dir\n"));
  ExpectTexts({{STF_SRC_STF, 0xc0200065, "from NLSPATH", 0},
               {STF_SRC_STF, 0xc0210065, "from locale dir", 0},
               {STF_SRC_STF, 0xc0220065, "from default dir", 0}});
}

TEST_F(msg_lookup, FallbackLineWhenNoTextCanBeHadOrBeforeUsageBegins) {
  Add("C", "C003.cat", SharedSource("as", "101 present\n"));
  ExpectTexts({
      // Message missing: the facility name comes from the catalogue, upper-cased.
      {STF_SRC_STF, 0xc0030071, "c=c0030071 f=AS cs=STF", MSG_ST_NOT_FOUND},
      // Catalogue missing: the facility shows in hex.
      {STF_SRC_STF, 0xc02f0065, "c=c02f0065 f=c02f cs=STF", MSG_ST_NOT_FOUND},
      // Unused class 2 has no catalogue at all.
      {STF_SRC_STF, 0x80010002, "c=80010002 f=8001 cs=STF", MSG_ST_NOT_FOUND},
      // Unknown sources have no facility.
      {7, 5, "c=00000005 cs=0007", MSG_ST_BAD_SOURCE},
      // ERRNO codes read the system's text.
      {STF_SRC_ERRNO, 2, strerror(2), 0},
  });
  // Without MSG_UsageBegin only fallback lines, even for texts that are there.
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  ExpectTexts({{STF_SRC_STF, 0xc0030065, "c=c0030065 f=AS cs=STF", MSG_ST_NOT_IN_USE},
               {STF_SRC_ERRNO, 2, "c=00000002 cs=ERRNO", MSG_ST_NOT_IN_USE}});
}

// MSG_GetUnformatted of an STF code into `size` bytes.
T Into(uint32_t size, uint32_t code, const char *locale = nullptr) {
  return IntoBuffer(size, [&](uint32_t n, uint32_t *length, char *buffer) {
    return MSG_GetUnformatted(STF_SRC_STF, code, locale, n, length, buffer);
  });
}

TEST_F(msg_lookup, CutTextsReportTheNeededLength) {
  Add("C", "C003.cat", SharedSource("as", "101 0123456789\n"));
  // Exactly fitting is not cut; one byte less is (sizes around the formatted texts'
  // are msg_formatted.CutTextsReportTheWholeLength's).
  EXPECT_EQ(Into(11, 0xc0030065), T(0, "0123456789", 11));
  EXPECT_EQ(Into(10, 0xc0030065), T(MSG_ST_TRUNCATED, "012345678", 11));
  // A cut fallback line keeps the earlier failure.
  EXPECT_EQ(Into(4, 0xc0030099), T(MSG_ST_NOT_FOUND, "c=c", strlen("c=c0030099 f=AS cs=STF") + 1));
}

TEST_F(msg_lookup, RequestedLocaleChoosesTheCatalogueDirectory) {
  Add("C", "C003.cat", SharedSource("as", "101 plain C\n"));
  Add("C.utf8", "C003.cat", SharedSource("as", "101 C with UTF-8\n"));
  char before[64];
  ASSERT_EQ(MSG_setlocale_r(LC_MESSAGES, nullptr, before, sizeof before), 0);

  ExpectTexts({{STF_SRC_STF, 0xc0030065, "C with UTF-8", 0}}, "C.utf8");
  ExpectTexts({{STF_SRC_STF, 0xc0030065, "plain C", 0}}, "");
  // An unknown locale: the current one is used, and that is reported.
  ExpectTexts({{STF_SRC_STF, 0xc0030065, "plain C", MSG_ST_NO_LOCALE}}, "xx_NOWHERE.bogus");
  // The locale failure outranks a later truncation.
  EXPECT_EQ(Into(4, 0xc0030065, "xx_NOWHERE.bogus"), T(MSG_ST_NO_LOCALE, "pla", 8));

  char after[64];  // the temporary switch is undone
  ASSERT_EQ(MSG_setlocale_r(LC_MESSAGES, nullptr, after, sizeof after), 0);
  EXPECT_STREQ(after, before);
}

// The first eleven catalogues of facilities 0xc040.. 0xc04a, each saying which it is.
class CacheTest : public MsgTest {
 protected:
  static uint32_t Code(int i) { return 0xc0400065u + (static_cast<uint32_t>(i) << 16); }
  static std::string File(int i) { return "C04" + std::string(1, "0123456789A"[i]) + ".cat"; }
  void Write(int i, const char *version) {
    Add("C", File(i), SharedSource("f", "101 " + std::to_string(i) + " " + version + "\n"));
  }
  std::string Read(int i) {
    auto [st, text] = Unformatted(STF_SRC_STF, Code(i));
    EXPECT_EQ(st, 0u) << text;
    return text;
  }
};
using msg_cache = CacheTest;

// An open catalogue keeps the contents it was opened with; replacing the file shows
// only once the cached descriptor is gone.
TEST_F(msg_cache, EleventhCatalogueEvictsTheOneUsedLongestAgoAndUsageEndClosesAll) {
  for (int i = 0; i < 10; ++i) Write(i, "old");
  for (int i = 0; i < 10; ++i) ASSERT_EQ(Read(i), std::to_string(i) + " old");
  for (int i = 0; i < 10; ++i) Write(i, "new");
  EXPECT_EQ(Read(0), "0 old");  // cached, and now the most recently used

  Write(10, "new");
  EXPECT_EQ(Read(10), "10 new");  // evicts 1, used longest ago
  EXPECT_EQ(Read(1), "1 new");    // reopened; evicts 2
  EXPECT_EQ(Read(0), "0 old");
  EXPECT_EQ(Read(3), "3 old");
  EXPECT_EQ(Read(2), "2 new");  // reopened; evicts 4
  EXPECT_EQ(Read(4), "4 new");  // reopened; evicts 5

  // The evicted descriptors are gone from the cache, the others are there.
  {
    Locked lock(cacheLock);
    EXPECT_EQ(MSG__Lookup("C045.cat", "C"), reinterpret_cast<nl_catd>(-1));
    EXPECT_NE(MSG__Lookup("C040.cat", "C"), reinterpret_cast<nl_catd>(-1));
    EXPECT_EQ(MSG__Lookup("C040.cat", "C.utf8"), reinterpret_cast<nl_catd>(-1));
  }
  // MSG_UsageEnd closes everything: the replaced file shows.
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  EXPECT_EQ(Read(0), "0 new");
}

// ---- formatted texts ---------------------------------------------------------------

class FormattedTest : public MsgTest {
 protected:
  void SetUp() override {
    MsgTest::SetUp();
    Add("C", "C003.cat",
        SharedSource("as",
                     "101 char %c int %d double %.2f string %s\n102 bytes <%s>\n"
                     "103 %s and %d\n104 100%% raw %d\n105 long %s!\n",
                     "110 %s=%d\n"));
  }
  R Stf(uint32_t code, int32_t count, const STF_argument_t *args) {
    return Formatted(STF_SRC_STF, code, count, args);
  }
};
using msg_formatted = FormattedTest;

TEST_F(msg_formatted, EachArgumentTypeIsInserted) {
  const STF_argument_t args[] = {CharArg('x'), IntArg(-7), DoubleArg(2.5), StringArg("lp0")};
  EXPECT_EQ(Stf(0xc0030065, 4, args), R(0, "char x int -7 double 2.50 string lp0"));
  // A counted byte string is cut at its length.
  const STF_argument_t bytes[] = {BytesArg("abcdef", 3)};
  EXPECT_EQ(Stf(0xc0030066, 1, bytes), R(0, "bytes <abc>"));
  // Fewer arguments than conversions: the filler shows, never read as a pointer.
  const STF_argument_t one[] = {StringArg("left")};
  EXPECT_EQ(Stf(0xc0030067, 1, one), R(0, "left and 32"));
}

TEST_F(msg_formatted, RawTextWhenArgumentsCannotBeInserted) {
  const STF_argument_t five[] = {IntArg(1), IntArg(2), IntArg(3), IntArg(4), IntArg(5)};
  STF_argument_t bad[] = {StringArg("x"), IntArg(1)};
  bad[1].type = 2;
  // No arguments: the text as it is, not read as a format.
  EXPECT_EQ(Stf(0xc0030068, 0, nullptr), R(0, "100%% raw %d"));
  EXPECT_EQ(Stf(0xc0030067, 5, five), R(MSG_ST_ARGS_NOT_SHOWN, "%s and %d"));
  EXPECT_EQ(Stf(0xc0030067, 2, bad), R(MSG_ST_BAD_ARG_TYPE, "%s and %d"));
}

TEST_F(msg_formatted, FallbackLineShowsTheArguments) {
  const char bytes[] = {'a', 'b', 'c', 'd'};
  const STF_argument_t args[] = {CharArg('q'), IntArg(-12), DoubleArg(1.5), StringArg("s p"),
                                 BytesArg(bytes, 3)};
  STF_argument_t odd[] = {IntArg(1), IntArg(2)};
  odd[0].type = 0x9;
  const uint32_t kNF = MSG_ST_NOT_FOUND;  // no text 0xc0030099
  EXPECT_EQ(Stf(0xc0030099, 5, args),
            R(kNF, "c=c0030099 f=AS cs=STF a=(q,-12,1.500000,\"s p\",\"abc\")"));
  EXPECT_EQ(Stf(0xc0030099, 2, odd), R(kNF, "c=c0030099 f=AS cs=STF a=(<bad arg>,2)"));
  EXPECT_EQ(Stf(0xc0030099, 0, nullptr), R(kNF, "c=c0030099 f=AS cs=STF a=()"));
  // An unknown source: fallback with arguments as well.
  EXPECT_EQ(Formatted(9, 0xc0030065, 1, args + 1),
            R(MSG_ST_BAD_SOURCE, "c=c0030065 cs=0009 a=(-12)"));
}

// MSG_GetFormattedByArray of an STF code into `size` bytes.
T Into(uint32_t size, uint32_t code, uint32_t reserved, int32_t count, const STF_argument_t *args) {
  return IntoBuffer(size, [&](uint32_t n, uint32_t *length, char *buffer) {
    return MSG_GetFormattedByArray(STF_SRC_STF, code, reserved, nullptr, n, length, buffer, count,
                                   args);
  });
}

TEST_F(msg_formatted, ReservedArgumentIsReportedButTheTextIsMade) {
  const STF_argument_t args[] = {StringArg("a"), IntArg(1)};
  EXPECT_EQ(Into(64, 0xc0030067, 1, 2, args), T(MSG_ST_RESERVED, "a and 1", 8));
  // It outranks a later truncation.
  EXPECT_EQ(Into(3, 0xc0030067, 1, 2, args), T(MSG_ST_RESERVED, "a ", 8));
}

TEST_F(msg_formatted, CutTextsReportTheWholeLength) {
  const STF_argument_t args[] = {StringArg("abcdefghij"), IntArg(123)};
  // Smaller than the raw text, smaller than the result, exact, and 0.
  for (uint32_t size : {3u, 10u, 18u, 19u, 0u}) {
    const std::string cut = size ? std::string("abcdefghij and 123").substr(0, size - 1) : "";
    EXPECT_EQ(Into(size, 0xc0030067, 0, 2, args), T(size >= 19 ? 0 : MSG_ST_TRUNCATED, cut, 19))
        << size;
  }
}

// Texts longer than the 4096-byte work area spill into its guard bytes.
TEST_F(msg_formatted, TextsBeyondTheWorkAreaAreCut) {
  const std::string big(4150, 'x');
  const STF_argument_t args[] = {StringArg(big.c_str())};
  EXPECT_EQ(Into(4100, 0xc0030069, 0, 1, args),
            T(MSG_ST_TRUNCATED, ("long " + big).substr(0, 4099), 4150 + 6 + 1));
  // A caller buffer larger than the default work area gets the whole text.
  EXPECT_EQ(Into(8192, 0xc0030069, 0, 1, args), T(0, "long " + big + "!", 4150 + 6 + 1));
}

// MSG_GetFormattedBySprintf into a buffer of `size`: the status and the text.
template <typename... Args>
std::pair<uint32_t, std::string> Sprintf(uint32_t source, uint32_t code, uint32_t reserved,
                                         uint32_t size, Args... args) {
  char buffer[64];
  uint32_t length = 0;
  uint32_t st =
      MSG_GetFormattedBySprintf(source, code, reserved, nullptr, size, &length, buffer, args...);
  EXPECT_EQ(length, st == MSG_ST_TRUNCATED ? 9u : strlen(buffer) + 1);
  return {st, buffer};
}

TEST_F(msg_formatted, SprintfFormFormatsOnlyMsgTexts) {
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 0, 64, "width", 42), R(0, "width=42"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 7, 64, "w", 1), R(MSG_ST_RESERVED, "w=1"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc0030099, 0, 64, "w", 1),
            R(MSG_ST_NOT_FOUND, "c=c0030099 f=AS cs=MSG"));
  // STF codes give the fallback line.
  EXPECT_EQ(Sprintf(STF_SRC_STF, 0xc0030065, 0, 64, 'x', 1),
            R(MSG_ST_SPRINTF_SOURCE, "c=c0030065 f=AS cs=STF"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 0, 5, "width", 42), R(MSG_ST_TRUNCATED, "widt"));
}

// ---- threads -----------------------------------------------------------------------

// Facilities 0xc050..0xc05b: more than the cache holds, all named "C0" + hex, found
// through the locale directory for "C" and through the default directory for "C.utf8".
constexpr int kCatalogues = 12, kThreads = 4, kRounds = 400;

uint32_t Code(int i) { return 0xc0500065u + (static_cast<uint32_t>(i) << 16); }

using msg_concurrency = MsgTest;

TEST_F(msg_concurrency, FormattingWhileTheCacheEvicts) {
  for (int i = 0; i < kCatalogues; ++i)
    Add("default", "C05" + std::string(1, "0123456789AB"[i]) + ".cat",
        SharedSource("f" + std::to_string(i),
                     "101 catalogue " + std::to_string(i) + " says %s %d\n"));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int r = 0; r < kRounds; ++r) {
        int i = (r * 5 + t * 3) % kCatalogues, next = (i + 1) % kCatalogues;
        std::string word = "w" + std::to_string(t);
        const STF_argument_t args[] = {StringArg(word.c_str()), IntArg(r)};
        char buffer[128], facility[16];
        uint32_t length = 0;
        failures +=
            MSG_GetFormattedByArray(STF_SRC_STF, Code(i), 0, t % 2 ? "C.utf8" : nullptr,
                                    sizeof buffer, &length, buffer, 2, args) != 0 ||
            "catalogue " + std::to_string(i) + " says " + word + " " + std::to_string(r) != buffer;
        failures += MSG_GetSymbolicNames(STF_SRC_STF, Code(next), 0, nullptr, 0, nullptr,
                                         sizeof facility, facility, 0) != 0 ||
                    "F" + std::to_string(next) != facility;
      }
    });
  }
  // Meanwhile, readers of the locale through the facility's lock always see the
  // locale in force outside the temporary switches.
  threads.emplace_back([&failures] {
    char name[64];
    for (int r = 0; r < kRounds; ++r)
      failures +=
          MSG_setlocale_r(LC_MESSAGES, nullptr, name, sizeof name) != 0 || name != std::string("C");
  });
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace kq::msg::test
