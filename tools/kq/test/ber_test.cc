// kq ber print and kq ber list through their own streams and real files.
#include <gtest/gtest.h>

#include <string>

#include "ber_cmd.h"
#include "captured.h"
#include "kqtest.h"

namespace {

using kq::test::Captured;

TEST(kq_ber, PrintsHexFromStandardInputAndRawBytesFromAFile) {
  Captured s;
  s.Input("30 07 80 01 01\n81 02 01 2c\n");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "-", s.in, s.out, s.err), 0) << s.Err();
  EXPECT_EQ(s.Out(), "CardinalRange {\n  lower 1\n  upper 300\n}\n");
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "msg", std::string("\x30\x0a\x80\x01\x05\x81\x02hi\x82\x01\x01", 12));
  Captured f;
  EXPECT_EQ(kq_ber_print_run("evt", 1, dir / "msg", f.in, f.out, f.err), 0) << f.Err();
  EXPECT_EQ(f.Out(),
            "EventMessage {\n  - : {\n    integer 5\n  }\n  - : {\n    string \"hi\"\n  }\n"
            "  - : {\n    octets '01'H\n  }\n}\n");
}

TEST(kq_ber, RefusesWhatDoesNotDecode) {
  Captured s;
  s.Input("30 07 80 01 01");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "", s.in, s.out, s.err), 1);
  EXPECT_NE(s.Err().find("record 24 does not decode"), std::string::npos);
  EXPECT_EQ(s.Out(), "");
  Captured t;
  EXPECT_EQ(kq_ber_print_run("dpa", 4, "-", t.in, t.out, t.err), 2);
  EXPECT_EQ(t.Err(), "kq ber: module dpa has no record number 4\n");
  Captured u;
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "/nonexistent/x", u.in, u.out, u.err), 1);
  EXPECT_EQ(kq_ber_list_run("x400", u.out, u.err), 2);
}

TEST(kq_ber, ListsEveryRecordNumber) {
  Captured s;
  EXPECT_EQ(kq_ber_list_run("dpa", s.out, s.err), 0);
  std::string text = s.Out();
  for (const char *line : {"    1  Boolean\n", "  146  PrintArgument\n", "  285  TerminalType\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(kq::test::Lines(text).size(), 127u);
}

}  // namespace
