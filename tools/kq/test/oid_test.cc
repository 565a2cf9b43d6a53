// kq oid init and kq oid lookup through their own output streams.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "oid_cmd.h"

#include "captured.h"

namespace {

using Captured = kq::test::Captured;

std::string Staged() { return std::string(getenv("QV_ROOT")) + "/usr/kq/share/data"; }

TEST(kq_oid, LookupEachKindOfItem) {
  Captured c;
  EXPECT_EQ(kq_oid_lookup_run({"id-syn-delta-time", "7", "1.0.10175.1.5.11", "id-syn-delta-t"},
                              Staged(), c.out, c.err),
            0);
  std::string out = Captured::Read(c.out);
  size_t n = 0;
  for (size_t p = 0; (p = out.find("name:        id-syn-delta-time\n", p)) != std::string::npos;
       p++) {
    n++;
  }
  EXPECT_EQ(n, 4u) << out;
  EXPECT_NE(out.find("oid:         1.0.10175.1.5.11:48.80.0.0.4.0"), std::string::npos) << out;
  EXPECT_NE(out.find("short oid:   7\nvalue type:  4\ndescriptor:  delta time\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Captured::Read(c.err), "");
}

TEST(kq_oid, MissesAndAmbiguities) {
  Captured c;
  EXPECT_EQ(kq_oid_lookup_run({"id-att-p-s", "no-such-name", "2999", "id-syn-text"}, Staged(),
                              c.out, c.err),
            1);
  std::string err = Captured::Read(c.err);
  EXPECT_NE(err.find("kq oid lookup: id-att-p-s: "), std::string::npos) << err;
  EXPECT_NE(err.find("  id-att-printer-state\n"), std::string::npos) << err;
  EXPECT_NE(err.find("kq oid lookup: no-such-name: "), std::string::npos) << err;
  EXPECT_NE(err.find("kq oid lookup: 2999: "), std::string::npos) << err;
  EXPECT_NE(Captured::Read(c.out).find("name:        id-syn-text\n"), std::string::npos);
  Captured d;
  EXPECT_EQ(kq_oid_lookup_run({"x"}, "/nonexistent", d.out, d.err), 2);
}

TEST(kq_oid, InitBuildsAWorkingRegistry) {
  char tmpl[] = "/tmp/kq_oid_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = std::string(tmpl) + "/reg";
  Captured c;
  ASSERT_EQ(kq_oid_init_run(dir, c.out, c.err), 0) << Captured::Read(c.err);
  Captured d;
  EXPECT_EQ(kq_oid_lookup_run({"VC-job-state"}, dir, d.out, d.err), 0) << Captured::Read(d.err);
  EXPECT_NE(Captured::Read(d.out).find("name:        id-vc-job-state\n"), std::string::npos);
  for (const char *f :
       {"DPAOIDs.dbm", "DPAOIDs_C.dbm", "DPAOIDs_l.dbm", "oid_cvrt.dbm", ".kq.lck"}) {
    struct stat st;
    EXPECT_EQ(stat((dir + "/" + f).c_str(), &st), 0) << f;
    unlink((dir + "/" + f).c_str());
  }
  rmdir(dir.c_str());
  rmdir(tmpl);
  Captured e;
  EXPECT_EQ(kq_oid_init_run("/proc/no/such/dir", e.out, e.err), 1);
  EXPECT_NE(Captured::Read(e.err).find("kq oid init: "), std::string::npos);
}

}  // namespace
