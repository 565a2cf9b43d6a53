// kq printers / kq printer over a printers file of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "printers_cmd.h"
#include "internal/prt_switch.h"

namespace {

class KqPrinters : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kq-printers-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    etc_ = dir_ + "/printers.conf";
    setenv("PRINTERS_CONF", etc_.c_str(), 1);
    setenv("HOME", dir_.c_str(), 1);
    ns__nsswitch_path = "/nonexistent/nsswitch.conf";
    std::ofstream(etc_) << "lp1:paddr=h1,300001,1,sys,lp,spool1,0:\n"
                           "spool1:saddr=h1,300001,1,sys,sl,spool1,0:\n";
  }
  void TearDown() override {
    ns__nsswitch_path = "/etc/nsswitch.conf";
    ASSERT_EQ(system(("rm -rf " + dir_).c_str()), 0);
  }
  // Runs `body` and answers its exit status with what it wrote.
  template <typename Body>
  int Run(Body body, std::string *out, std::string *err = nullptr) {
    FILE *o = tmpfile(), *e = tmpfile();
    int rc = body(o, e);
    *out = Read(o);
    if (err) *err = Read(e);
    fclose(o);
    fclose(e);
    return rc;
  }
  static std::string Read(FILE *f) {
    std::string s;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
  }
  std::string dir_, etc_;
};

TEST_F(KqPrinters, ListsByKind) {
  std::string out, err;
  ASSERT_EQ(Run([](FILE *o, FILE *e) { return kq_printers_run("", o, e); }, &out), 0);
  EXPECT_NE(
      out.find("lp1              logical    lp  h1                     300001   1 sys   spool1"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("spool1           spooler    sl  h1"), std::string::npos) << out;
  ASSERT_EQ(Run([](FILE *o, FILE *e) { return kq_printers_run("queue", o, e); }, &out), 0);
  EXPECT_EQ(out.find("lp1"), std::string::npos) << out;
  EXPECT_EQ(Run([](FILE *o, FILE *e) { return kq_printers_run("8", o, e); }, &out, &err), 2);
  EXPECT_NE(err.find("unknown kind \"8\""), std::string::npos);
}

TEST_F(KqPrinters, AddAndRemoveAQueue) {
  KqPrinterOptions o;
  o.kind = "queue";
  o.host = "hq";
  o.program = 300005;
  o.version = 2;
  o.server = "spool1";
  std::string out, err;
  ASSERT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("add", "q1", o, f, e); }, &out, &err),
            0)
      << err;
  ASSERT_EQ(Run([](FILE *f, FILE *e) { return kq_printers_run("6", f, e); }, &out), 0);
  EXPECT_NE(
      out.find("q1               queue      qu  hq                     105004   2 sys   spool1"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("from the pts registry"), std::string::npos);
  ASSERT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("remove", "q1", o, f, e); }, &out),
            0);
  EXPECT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("remove", "q1", o, f, e); }, &out),
            1);
  ASSERT_EQ(Run([](FILE *f, FILE *e) { return kq_printers_run("queue", f, e); }, &out), 0);
  EXPECT_EQ(out.find("q1"), std::string::npos) << out;

  KqPrinterOptions bad = o;
  bad.auth = "krb5";
  EXPECT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("add", "q2", bad, f, e); }, &out), 2);
  bad = o;
  bad.kind = "printer";
  EXPECT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("add", "q2", bad, f, e); }, &out), 2);
  EXPECT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("add", "bad name", o, f, e); }, &out),
            1);
  EXPECT_EQ(Run([&](FILE *f, FILE *e) { return kq_printer_run("move", "q2", o, f, e); }, &out), 2);
}

}  // namespace
