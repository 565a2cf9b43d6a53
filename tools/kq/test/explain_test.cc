// kq explain and kq demo through their own output streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "captured.h"
#include "demo_cmd.h"
#include "explain_cmd.h"
#include "kqtest.h"
#include "runtime.h"

namespace {

using kq::test::Captured;

TEST(kq_explain, CodesAreReadInEitherBase) {
  const std::pair<const char *, std::optional<uint32_t>> rows[] = {{"0xc009008a", 0xc009008au},
                                                                   {"C009008A", 0xc009008au},
                                                                   {"3221815434", 0xc009008au},
                                                                   {"12", 12u},
                                                                   {"0x1ffffffff", {}},
                                                                   {"4294967296", {}},
                                                                   {"-1", {}},
                                                                   {"0x", {}},
                                                                   {"", {}},
                                                                   {"12g", {}}};
  for (const auto &[text, code] : rows) EXPECT_EQ(kq::tool::ParseCode(text), code) << text;
}

TEST(kq_explain, PrintsOneCatalogueLinePerCodeAndALineForUnknownCodes) {
  Captured c;
  EXPECT_EQ(kq_explain_run({"0xc0010006", "bogus", "3221815434"}, "", c.out, c.err), 2);
  std::string out = c.Out();
  EXPECT_NE(out.find("0xc0010006  %KQCLI:STF.STF, "), std::string::npos) << out;
  EXPECT_NE(out.find("0xc009008a  %KQCLI:STF.JQP, "), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  EXPECT_NE(c.Err().find("\"bogus\" is not a status code"), std::string::npos);
  Captured u;
  EXPECT_EQ(kq_explain_run({"0xc0ff0001"}, "", u.out, u.err), 1);
  EXPECT_EQ(u.Out().rfind("0xc0ff0001  ", 0), 0u) << u.Out();
  EXPECT_EQ(u.Out().back(), '\n');
}

TEST(kq_demo, WritesTraceAndDatabase) {
  kq::test::TempDir dir;
  Captured c;
  EXPECT_EQ(kq_demo_run(dir.path(), c.out, c.err), 0) << c.Err();
  std::string out = c.Out();
  // The job's attributes go through the wire form of a request and come back equal.
  for (const std::string &want :
       {"trace written to " + dir.path() + "/kq-demo.log.",
        std::string("demo: a warning with errno 2"), std::string("finds 1.0.10175.1.3.134"),
        std::string("\"id-att-printer-name\""), std::string("short oid:   649"),
        "written to " + dir.path() + "/create-job.ber", std::string("type { 1 0 10175 1 3 1059 }"),
        std::string("id-att-results-profile   equal")})
    EXPECT_NE(out.find(want), std::string::npos) << want << "\n" << out;
  EXPECT_EQ(out.find("never written"), std::string::npos);
  EXPECT_EQ(out.find("DIFFERENT"), std::string::npos) << out;
}

}  // namespace
