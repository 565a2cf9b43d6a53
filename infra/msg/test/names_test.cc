// Catalogue naming, set numbering, announcing the application and the symbolic names
// of a status message prefix.
#include <cctype>
#include <cstdio>
#include <string>

#include "msg_fixture.h"
#include "private/msg_internal.h"

namespace kq::msg::test {
namespace {

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
      {0x40100005u, "PRINT", "prin4010.cat"},
      {0x7abc0001u, "ABC", "abc7ABC.cat"},
      {0x00050007u, "PRINTER8", "printer8.cat"},
      {0x3fff0001u, "Q12", "q12.cat"},
      {0x40100005u, "", "<none>"},
      {0x00050007u, nullptr, "<none>"},
      {0x80010001u, "PRINT", "<none>"},
      {0xc1000001u, "PRINT", "<none>"}};
  for (const auto &[code, app, name] : rows) EXPECT_EQ(Name(code, app), name) << std::hex << code;
}

TEST(msg_names, SetNumbersAndCodeTranslation) {
  // Facility 0 has no sets, nor have ERRNO codes and the unused class 2.
  const std::tuple<uint32_t, uint32_t, int> sets[] = {
      {STF_SRC_STF, 0xc0030065u, 2},  {STF_SRC_MSG, 0xc0030065u, 1},
      {STF_SRC_STF, 0x40100065u, 2},  {STF_SRC_MSG, 0x40100065u, 1},
      {STF_SRC_STF, 0x00050065u, 10}, {STF_SRC_MSG, 0x00050065u, 9},
      {STF_SRC_MSG, 0x00000065u, 0},  {STF_SRC_ERRNO, 0xc0030065u, 0},
      {STF_SRC_STF, 0x80030065u, 0}};
  for (const auto &[source, code, set] : sets)
    EXPECT_EQ(MSG__SetNumber(source, code), set) << source << " " << std::hex << code;
  EXPECT_EQ(MSG__TranslateCode(STF_SRC_STF, 0), 0xc0010003u);
  EXPECT_EQ(MSG__TranslateCode(STF_SRC_MSG, 0), 0u);
  EXPECT_EQ(MSG__TranslateCode(STF_SRC_STF, 0xc0030071u), 0xc0030071u);
  char name[16];
  for (const auto &[source, want] : {std::pair<uint32_t, const char *>{1, "STF"},
                                     {2, "MSG"},
                                     {3, "ERRNO"},
                                     {0, "0000"},
                                     {0x1a, "001a"}}) {
    MSG__SourceName(source, name, sizeof name);
    EXPECT_STREQ(name, want);
  }
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
  for (const char *good : {"abc", "Kq1", "ABCDEFGH", "q2345678"}) {
    ASSERT_EQ(MSG_UsageBegin(good), 0u) << good;
    std::string upper = good;
    for (char &c : upper) c = static_cast<char>(toupper(c));
    EXPECT_EQ(MSG_UsageBegin("other"), MSG_ST_NOT_IN_USE);
    EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 1).app, upper) << "the second call changed the name";
    EXPECT_EQ(MSG_UsageEnd(), 0u);
    EXPECT_EQ(MSG_UsageEnd(), MSG_ST_NOT_IN_USE);
    EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 1).app, "");
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
  // No catalogue: hex form and "not found", also when read back from the table.
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc02f0001),
              (Names{"KQTEST", "STF", "c02f", MSG_ST_NOT_FOUND}));
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071, 1).status, MSG_ST_BAD_OPTION);
  // Without MSG_UsageBegin names are still given; the option failure comes first.
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071), (Names{"", "STF", "AS", MSG_ST_NOT_IN_USE}));
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071, 3).status, MSG_ST_BAD_OPTION);
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

TEST_F(msg_symbolic, OutputsAreOptionalAndCut) {
  Add("C", "C003.cat", SharedSource("attributes", "101 text\n"));
  char app[4], src[3], facility[5];
  auto get = [&](uint32_t code, uint32_t appSize, uint32_t srcSize, uint32_t facilitySize) {
    return MSG_GetSymbolicNames(code ? STF_SRC_STF : STF_SRC_ERRNO, code ? code : 1, appSize, app,
                                srcSize, src, facilitySize, facility, 0);
  };
  EXPECT_EQ(get(0, sizeof app, sizeof src, sizeof facility), MSG_ST_TRUNCATED);
  EXPECT_EQ(std::string(app) + "|" + src + "|" + facility, "KQT|ER|0000");
  EXPECT_EQ(get(0xc0030065, 0, 0, sizeof facility), MSG_ST_TRUNCATED);
  EXPECT_STREQ(facility, "ATTR");
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc0030065, 0, app, 0, src, 0, facility, 0), 0u);
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc0030065, 8, nullptr, 8, nullptr, 8, nullptr, 0),
            0u);
  // A failure outranks truncation whichever comes first; with no facility output
  // wanted, nothing is looked up.
  EXPECT_EQ(get(0xc02f0065, sizeof app, 0, 0), MSG_ST_TRUNCATED);
  EXPECT_EQ(get(0xc02f0065, sizeof app, 0, sizeof facility), MSG_ST_NOT_FOUND);
}

}  // namespace
}  // namespace kq::msg::test
