// Announcing the application, and the symbolic names of a status message prefix.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "msg_fixture.h"
#include "private/msg_internal.h"

namespace kq::msg::test {
namespace {

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
  for (const char *bad : {"AB", "ABCDEFGHI", "1ABC", "AB_C", "", "AB C"}) {
    EXPECT_EQ(MSG_UsageBegin(bad), MSG_ST_BAD_APP_NAME) << bad;
    EXPECT_EQ(MSG_UsageEnd(), MSG_ST_NOT_IN_USE) << bad << " left the facility in use";
  }
  EXPECT_EQ(MSG_UsageBegin(nullptr), MSG_ST_BAD_APP_NAME);

  for (const char *good : {"abc", "Kq1", "ABCDEFGH", "q2345678"}) {
    ASSERT_EQ(MSG_UsageBegin(good), 0u) << good;
    std::string upper = good;
    for (char &c : upper) c = static_cast<char>(toupper(c));
    EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 1).app, upper);
    EXPECT_EQ(MSG_UsageBegin("other"), MSG_ST_NOT_IN_USE);
    EXPECT_EQ(Symbolic(STF_SRC_ERRNO, 1).app, upper) << "second call changed the name";
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
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc02f0001),
              (Names{"KQTEST", "STF", "c02f", MSG_ST_NOT_FOUND}));
  }
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
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  EXPECT_EQ(Symbolic(STF_SRC_STF, 0xc0030071), (Names{"KQTEST", "STF", "c003", MSG_ST_NOT_FOUND}));
}

TEST_F(msg_symbolic, OutputsAreOptionalAndCut) {
  Add("C", "C003.cat", SharedSource("attributes", "101 text\n"));
  char app[4], src[3], facility[5];
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_ERRNO, 1, sizeof app, app, sizeof src, src,
                                 sizeof facility, facility, 0),
            MSG_ST_TRUNCATED);
  EXPECT_STREQ(app, "KQT");
  EXPECT_STREQ(src, "ER");
  EXPECT_STREQ(facility, "0000");
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc0030065, 0, nullptr, 0, nullptr, sizeof facility,
                                 facility, 0),
            MSG_ST_TRUNCATED);
  EXPECT_STREQ(facility, "ATTR");
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc0030065, 0, app, 0, src, 0, facility, 0), 0u);
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc0030065, 8, nullptr, 8, nullptr, 8, nullptr, 0),
            0u);
  // A failure outranks truncation whichever comes first.
  EXPECT_EQ(
      MSG_GetSymbolicNames(STF_SRC_STF, 0xc02f0065, sizeof app, app, 0, nullptr, 0, nullptr, 0),
      MSG_ST_TRUNCATED);  // no facility output wanted, so nothing is looked up
  EXPECT_EQ(MSG_GetSymbolicNames(STF_SRC_STF, 0xc02f0065, sizeof app, app, 0, nullptr,
                                 sizeof facility, facility, 0),
            MSG_ST_NOT_FOUND);
}

// The staged installation that the test run points QV_ROOT at, noted before any
// test moves QV_ROOT elsewhere.
const char *const kStagedRoot = getenv("QV_ROOT");

// The library's own facilities, through the catalogues the build installs.
TEST(msg_shipped, LibraryFacilitiesHaveNamesAndTexts) {
  if (!kStagedRoot ||
      access((std::string(kStagedRoot) + "/usr/kq/share/messages/C").c_str(), R_OK) != 0) {
    GTEST_SKIP() << "no staged catalogues";
  }
  kq::test::EnvGuard env{{"QV_ROOT", kStagedRoot}, {"NLSPATH", nullptr}};
  MSG_UsageEnd();
  ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  for (uint32_t word : {0xc001u, 0xc002u, 0xc003u, 0xc005u, 0xc009u, 0xc00au, 0xc00cu, 0xc00eu,
                        0xc010u, 0xc014u, 0xc015u}) {
    Names n = Symbolic(STF_SRC_STF, word << 16);
    EXPECT_EQ(n.status, 0u) << std::hex << word << " " << n.facility;
  }
  // Every code of this facility has a text of its own.
  for (uint32_t code = MSG_ST_BAD_OPTION; code <= MSG_ST_BAD_SOURCE; ++code) {
    char text[512];
    uint32_t length = 0;
    EXPECT_EQ(MSG_GetUnformatted(STF_SRC_STF, code, nullptr, sizeof text, &length, text), 0u)
        << std::hex << code << ": " << text;
  }
  MSG_UsageEnd();
}

}  // namespace
}  // namespace kq::msg::test
