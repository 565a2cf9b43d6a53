// Finding and reading catalogue texts: file names per facility class, the search
// path, the fallback line, locales, truncation and the descriptor cache.
#include <clocale>
#include <tuple>
#include <vector>

#include "msg_fixture.h"
#include "private/msg_internal.h"

namespace kq::msg::test {
namespace {

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
      {STF_SRC_MSG, 0xc0030071, "c=c0030071 f=AS cs=MSG", MSG_ST_NOT_FOUND},
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
  // setlocale_r: -1 when the name does not fit or there is no such locale.
  EXPECT_EQ(MSG_setlocale_r(LC_MESSAGES, nullptr, after, strlen(before)), -1);
  EXPECT_EQ(MSG_setlocale_r(LC_MESSAGES, "xx_NOWHERE.bogus", after, sizeof after), -1);
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
    uint32_t st = 1;
    std::string text = Unformatted(STF_SRC_STF, Code(i), &st);
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

}  // namespace
}  // namespace kq::msg::test
