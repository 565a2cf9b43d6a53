// kq printers / kq printer over a printers file of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "captured.h"
#include "internal/prt_switch.h"
#include "kqtest.h"
#include "printers_cmd.h"
#include "printers_env.h"

namespace {

using kq::test::Captured;

class KqPrinters : public kq::test::PrintersFiles {
 protected:
  void SetUp() override {
    ns__nsswitch_path = "/nonexistent/nsswitch.conf";
    WriteEtc(
        "lp1:paddr=h1,300001,1,sys,lp,spool1,0:\n"
        "spool1:saddr=h1,300001,1,sys,sl,spool1,0:\n");
  }
  void TearDown() override { ns__nsswitch_path = "/etc/nsswitch.conf"; }
  // `kq printers kind`: the exit status; the output in *out.
  static int List(const char *kind, std::string *out, std::string *err = nullptr) {
    Captured c;
    int rc = kq_printers_run(kind, c.out, c.err);
    *out = c.Out();
    if (err) *err = c.Err();
    return rc;
  }
  static int Printer(const char *action, const char *name, const KqPrinterOptions &o) {
    Captured c;
    return kq_printer_run(action, name, o, c.out, c.err);
  }
};

TEST_F(KqPrinters, ListsByKind) {
  std::string out, err;
  ASSERT_EQ(List("", &out), 0);
  EXPECT_NE(
      out.find("lp1              logical    lp  h1                     300001   1 sys   spool1"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("spool1           spooler    sl  h1"), std::string::npos) << out;
  ASSERT_EQ(List("queue", &out), 0);
  EXPECT_EQ(out.find("lp1"), std::string::npos) << out;
  EXPECT_EQ(List("8", &out, &err), 2);
  EXPECT_NE(err.find("unknown kind \"8\""), std::string::npos);
}

TEST_F(KqPrinters, AddAndRemoveAQueue) {
  KqPrinterOptions o;
  o.kind = "queue";
  o.host = "hq";
  o.version = 2;
  o.server = "spool1";  // a queue is reached through its server's registration
  std::string out;
  ASSERT_EQ(Printer("add", "q1", o), 0);
  ASSERT_EQ(List("6", &out), 0);
  EXPECT_NE(
      out.find("q1               queue      qu  hq                     105004   2 sys   spool1"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("from the pts registry"), std::string::npos);
  ASSERT_EQ(Printer("remove", "q1", o), 0);
  EXPECT_EQ(Printer("remove", "q1", o), 1);
  ASSERT_EQ(List("queue", &out), 0);
  EXPECT_EQ(out.find("q1"), std::string::npos) << out;
  KqPrinterOptions badAuth = o, badKind = o, program = o;
  badAuth.auth = "krb5";
  badKind.kind = "printer";
  program.program = 300005;  // would be dropped: the queue's server is registered
  EXPECT_EQ(Printer("add", "q2", badAuth), 2);
  EXPECT_EQ(Printer("add", "q2", badKind), 2);
  EXPECT_EQ(Printer("add", "q2", program), 2);
  EXPECT_EQ(Printer("add", "bad name", o), 2);
  EXPECT_EQ(Printer("move", "q2", o), 2);
}

}  // namespace
