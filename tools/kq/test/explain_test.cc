// kq explain and kq demo through their own output streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo_cmd.h"
#include "explain_cmd.h"
#include "runtime.h"

#include "captured.h"

namespace {

using Captured = kq::test::Captured;

TEST(kq_explain, CodesAreReadInEitherBase) {
  using kq::tool::ParseCode;
  EXPECT_EQ(ParseCode("0xc009008a"), 0xc009008au);
  EXPECT_EQ(ParseCode("C009008A"), 0xc009008au);
  EXPECT_EQ(ParseCode("3221815434"), 0xc009008au);
  EXPECT_EQ(ParseCode("12"), 12u);
  EXPECT_EQ(ParseCode("0x1ffffffff"), std::nullopt);
  EXPECT_EQ(ParseCode("4294967296"), std::nullopt);
  EXPECT_EQ(ParseCode("-1"), std::nullopt);
  EXPECT_EQ(ParseCode("0x"), std::nullopt);
  EXPECT_EQ(ParseCode(""), std::nullopt);
  EXPECT_EQ(ParseCode("12g"), std::nullopt);
}

TEST(kq_explain, PrintsOneCatalogueLinePerCode) {
  Captured c;
  EXPECT_EQ(kq_explain_run({"0xc0010006", "bogus", "3221815434"}, "", c.out, c.err), 2);
  std::string out = Captured::Read(c.out);
  EXPECT_NE(out.find("0xc0010006  %KQCLI:STF.STF, "), std::string::npos) << out;
  EXPECT_NE(out.find("0xc009008a  %KQCLI:STF.JQP, "), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  EXPECT_NE(Captured::Read(c.err).find("\"bogus\" is not a status code"), std::string::npos);
}

TEST(kq_explain, UnknownCodesStillGetALine) {
  Captured c;
  EXPECT_EQ(kq_explain_run({"0xc0ff0001"}, "", c.out, c.err), 0);
  std::string out = Captured::Read(c.out);
  EXPECT_EQ(out.rfind("0xc0ff0001  ", 0), 0u) << out;
  EXPECT_EQ(out.back(), '\n');
}

TEST(kq_demo, WritesTraceAndDatabase) {
  char tmpl[] = "/tmp/kq-demo-test-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  Captured c;
  EXPECT_EQ(kq_demo_run(tmpl, c.out, c.err), 0) << Captured::Read(c.err);
  std::string out = Captured::Read(c.out);
  EXPECT_NE(out.find(std::string("trace written to ") + tmpl + "/kq-demo.log."), std::string::npos)
      << out;
  EXPECT_NE(out.find("demo: a warning with errno 2"), std::string::npos) << out;
  EXPECT_EQ(out.find("never written"), std::string::npos);
  EXPECT_NE(out.find("finds 1.0.10175.1.3.134"), std::string::npos) << out;
  EXPECT_NE(out.find("\"id-att-printer-name\""), std::string::npos) << out;
  EXPECT_NE(out.find("short oid:   649"), std::string::npos) << out;
  // The job's attributes go through the wire form of a request and come back equal.
  EXPECT_NE(out.find(std::string("written to ") + tmpl + "/create-job.ber"), std::string::npos);
  EXPECT_NE(out.find("type { 1 0 10175 1 3 1059 }"), std::string::npos) << out;
  EXPECT_NE(out.find("id-att-results-profile   equal"), std::string::npos) << out;
  EXPECT_EQ(out.find("DIFFERENT"), std::string::npos) << out;
  EXPECT_EQ(system((std::string("rm -rf ") + tmpl).c_str()), 0);
}

}  // namespace
