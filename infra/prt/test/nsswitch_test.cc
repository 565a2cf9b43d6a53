// The switch file and its entry parser.
#include <string>

#include "private/prt_internal.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

std::vector<int> Parse(const char *text, int max = 10, int *rc = nullptr) {
  int order[11];
  int r = ns_parse_confentries(text, max, order);
  if (rc) *rc = r;
  std::vector<int> got;
  for (int *o = order; *o; ++o) got.push_back(*o);
  return got;
}

TEST(PrtSwitch, EntriesCriteriaAndErrors) {
  int rc = 0;
  EXPECT_EQ(Parse(" user files [NOTFOUND=return] nis", 10, &rc), (std::vector<int>{1, 3}));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Parse("files\t[UNAVAIL=continue] nis dns\n compat", 10, &rc),
            (std::vector<int>{3, 4, 8}));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Parse("files nis xfn", 2, &rc), (std::vector<int>{3, 4}));
  EXPECT_EQ(Parse("files ldap", 10, &rc), std::vector<int>{});
  EXPECT_EQ(rc, -2);
  EXPECT_EQ(Parse("files [NOTFOUND=stop] nis", 10, &rc), std::vector<int>{});
  EXPECT_EQ(rc, -2);
  EXPECT_EQ(Parse("files [BOGUS=return]", 10, &rc), std::vector<int>{});
  EXPECT_EQ(rc, -2);
  EXPECT_EQ(Parse("files [NOTFOUND=return", 10, &rc), std::vector<int>{});
  EXPECT_EQ(rc, -2);
  EXPECT_STREQ(ns_get_svc_string(1), "user");
  EXPECT_STREQ(ns_get_svc_string(8), "dns");
  EXPECT_EQ(ns_get_svc_string(0), nullptr);
  EXPECT_EQ(ns_get_svc_string(9), nullptr);
}

using PrtSwitchFile = PrtFiles;

TEST_F(PrtSwitchFile, FirstLineOfTheDatabaseIsUsed) {
  std::string path = dir + "/nsswitch.conf";
  ns__nsswitch_path = path.c_str();
  int order[11];
  EXPECT_EQ(ns_get_svc_order("printers", 10, order), -1);
  WriteFile(path,
            "# printers: nis\n\n   passwd: files\nprinters\t: user files [NOTFOUND=return] "
            "nis\nprinters: nis\n");
  ASSERT_EQ(ns_get_svc_order("printers", 10, order), 0);
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[1], 3);
  EXPECT_EQ(order[2], 0);
  EXPECT_EQ(ns_get_svc_order("group", 10, order), 1);
  WriteFile(path, "printers: files bogus\n");
  EXPECT_EQ(ns_get_svc_order("printers", 10, order), -2);
  EXPECT_EQ(order[0], 0);
  ns__nsswitch_path = "/etc/nsswitch.conf";
}

}  // namespace
}  // namespace kq::prt::test
