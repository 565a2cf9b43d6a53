// kq oid init and kq oid lookup through their own output streams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "captured.h"
#include "kqtest.h"
#include "oid_cmd.h"

namespace {

using kq::test::Captured;

std::string Staged() { return std::string(getenv("QV_ROOT")) + "/usr/kq/share/data"; }

TEST(kq_oid, LookupEachKindOfItem) {
  Captured c;
  EXPECT_EQ(kq_oid_lookup_run({"id-syn-delta-time", "7", "1.0.10175.1.5.11", "id-syn-delta-t"},
                              Staged(), c.out, c.err),
            0);
  std::string out = c.Out();
  size_t n = 0;
  for (size_t p = 0; (p = out.find("name:        id-syn-delta-time\n", p)) != std::string::npos;
       p++)
    n++;
  EXPECT_EQ(n, 4u) << out;
  EXPECT_NE(out.find("oid:         1.0.10175.1.5.11\n"), std::string::npos) << out;
  EXPECT_NE(out.find("short oid:   7\nvalue type:  4\ndescriptor:  delta time\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(c.Err(), "");
}

TEST(kq_oid, MissesAndAmbiguities) {
  Captured c;
  EXPECT_EQ(kq_oid_lookup_run({"id-att-p-s", "no-such-name", "2999", "id-syn-text"}, Staged(),
                              c.out, c.err),
            1);
  for (const char *want : {"kq oid lookup: id-att-p-s: ", "  id-att-printer-state\n",
                           "kq oid lookup: no-such-name: ", "kq oid lookup: 2999: "})
    EXPECT_NE(c.Err().find(want), std::string::npos) << c.Err();
  EXPECT_NE(c.Out().find("name:        id-syn-text\n"), std::string::npos);
  Captured d;
  EXPECT_EQ(kq_oid_lookup_run({"x"}, "/nonexistent", d.out, d.err), 1);
}

TEST(kq_oid, InitBuildsAWorkingRegistry) {
  kq::test::TempDir tmp;
  std::string dir = tmp / "reg";
  Captured c, d;
  ASSERT_EQ(kq_oid_init_run(dir, c.out, c.err), 0) << c.Err();
  EXPECT_EQ(kq_oid_lookup_run({"VC-job-state"}, dir, d.out, d.err), 0) << d.Err();
  EXPECT_NE(d.Out().find("name:        id-vc-job-state\n"), std::string::npos);
  struct stat st;
  for (const char *f : {"DPAOIDs.dbm", "DPAOIDs_C.dbm", "DPAOIDs_l.dbm", "oid_cvrt.dbm", ".kq.lck"})
    EXPECT_EQ(stat((dir + "/" + f).c_str(), &st), 0) << f;
  Captured e;
  EXPECT_EQ(kq_oid_init_run("/proc/no/such/dir", e.out, e.err), 1);
  EXPECT_NE(e.Err().find("kq oid init: "), std::string::npos);
}

}  // namespace
