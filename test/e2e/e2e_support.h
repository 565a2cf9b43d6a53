// The client end to end: the library's operations and kq against kqspoold and rpcbind
// on loopback, started around these tests by scripts/spool-fixture (a ctest fixture).
// The client finds the server through a printers file of the test's own whose entries
// carry the fixture's program and version.
#ifndef KQ_TEST_E2E_E2E_SUPPORT_H
#define KQ_TEST_E2E_E2E_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "kqtest.h"
#include "printers_env.h"

namespace kq::e2e {

// A directory entry line of the printers file: `name` of class `cls` ("lp", "qu",
// "sl") served by `server` under `program`, version 1, on loopback.
inline std::string Entry(const std::string &name, const char *key, const char *cls,
                         const std::string &server, uint32_t program) {
  return name + ":" + key + "=127.0.0.1," + std::to_string(program) + ",1,sys," + cls + "," +
         server + ",0:\n";
}

class ServerTest : public kq::test::PrintersFiles {
 public:
  static void SetUpTestSuite() { NS_Init(nullptr, NS_CLASS_CLIENT); }
  void SetUp() override {
    const char *dir = getenv("KQ_E2E_FIXTURE");
    if (!dir) GTEST_SKIP() << "KQ_E2E_FIXTURE is not set: run through ctest";
    state = dir;
    std::string skip = kq::test::ReadFile(state + "/skip");
    if (!skip.empty()) GTEST_SKIP() << skip;
    uint32_t version = 0;
    std::ifstream(state + "/binding") >> program >> version;
    ASSERT_NE(program, 0u);
    trace = state + "/trace";
    spool = state + "/spool";
    // The fixture's server: "spool-test" with printers lp1 (queue q1) and lp2.
    WriteEtc(Entry("lp1", "paddr", "lp", "spool-test", program) +
             Entry("lp2", "paddr", "lp", "spool-test", program) +
             Entry("q1", "qaddr", "qu", "spool-test", program) +
             Entry("spool-test", "saddr", "sl", "spool-test", program) +
             Entry("gone", "paddr", "lp", "spool-gone", program + 1000));
  }
  void TearDown() override {
    kq::test::StatusList s;
    JQP_Terminate(s);
  }

  std::string state, trace, spool;
  uint32_t program = 0;
};

}  // namespace kq::e2e

#endif
