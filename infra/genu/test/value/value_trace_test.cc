// The trace texts of the type table, the compare dispatch and the delta-time
// arithmetic, read back from a real service log file.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../support/genv_test_support.h"
#include "infra/svclog.h"

using namespace genvtest;

namespace {

// Everything the service log wrote into a fresh directory while `body` ran.
template <typename Body>
std::string traced(Body body) {
  char tmpl[] = "/tmp/genv_trace_XXXXXX";
  EXPECT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = tmpl;
  LOG_Term();
  LOG_Init((dir + "/trace").c_str(), "XM");
  body();
  LOG_Term();
  std::string all;
  for (const auto &e : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    all += ss.str();
  }
  std::filesystem::remove_all(dir);
  return all;
}

TEST(GenvTrace, TypeTableCompareAndDeltaTexts) {
  std::string log = traced([] {
    EXPECT_EQ(GENU_TypeToPDU(13), -1);
    EXPECT_EQ(GENU_TypeToPDU(28), 9);
    Status s;
    int32_t x = 0, r = 0;
    EXPECT_EQ(GEN_CompareAttrValue(s, 41, &x, &x, &r), 1u);
    GEN_GeneralizedTime_t t{2024, 5, 14, 10, 30, 0, 0, 0, 0}, out{};
    EXPECT_EQ(GENU_GeneralizedTimeDeltaArithmetic(s, &t, 60, 7, &out), 1u);
  });
  EXPECT_NE(log.find("GENU_TypeToPDU: unknown type = 13"), std::string::npos) << log;
  EXPECT_EQ(log.find("unknown type = 28"), std::string::npos);
  EXPECT_NE(log.find("GEN_CompareAttrValue: AVT # 41 not yet implemented"), std::string::npos) << log;
  EXPECT_NE(log.find("Functionality not implemented."), std::string::npos) << log;
}

}  // namespace
