// kq ber print and kq ber list through their own streams and real files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "ber_cmd.h"

#include "captured.h"

namespace {

using Streams = kq::test::Captured;

TEST(kq_ber, PrintsHexFromStandardInput) {
  Streams s;
  s.Input("30 07 80 01 01\n81 02 01 2c\n");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "-", s.in, s.out, s.err), 0) << Streams::Read(s.err);
  EXPECT_EQ(Streams::Read(s.out), "CardinalRange {\n  lower 1\n  upper 300\n}\n");
}

TEST(kq_ber, PrintsRawBytesFromAFile) {
  char path[] = "/tmp/kq_ber_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const unsigned char msg[] = {0x30, 0x0a, 0x80, 0x01, 0x05, 0x81, 0x02, 'h', 'i', 0x82, 0x01, 0x01};
  ASSERT_EQ(write(fd, msg, sizeof msg), static_cast<ssize_t>(sizeof msg));
  close(fd);
  Streams s;
  EXPECT_EQ(kq_ber_print_run("evt", 1, path, s.in, s.out, s.err), 0) << Streams::Read(s.err);
  EXPECT_EQ(Streams::Read(s.out),
            "EventMessage {\n  - : {\n    integer 5\n  }\n  - : {\n    string \"hi\"\n  }\n"
            "  - : {\n    octets '01'H\n  }\n}\n");
  unlink(path);
}

TEST(kq_ber, RefusesWhatDoesNotDecode) {
  Streams s;
  s.Input("30 07 80 01 01");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "", s.in, s.out, s.err), 1);
  EXPECT_NE(Streams::Read(s.err).find("record 24 does not decode"), std::string::npos);
  EXPECT_EQ(Streams::Read(s.out), "");
  Streams t;
  EXPECT_EQ(kq_ber_print_run("dpa", 4, "-", t.in, t.out, t.err), 2);
  EXPECT_EQ(Streams::Read(t.err), "kq ber: module dpa has no record number 4\n");
  Streams u;
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "/nonexistent/x", u.in, u.out, u.err), 1);
  EXPECT_EQ(kq_ber_list_run("x400", u.out, u.err), 2);
}

TEST(kq_ber, ListsEveryRecordNumber) {
  Streams s;
  EXPECT_EQ(kq_ber_list_run("dpa", s.out, s.err), 0);
  std::string text = Streams::Read(s.out);
  EXPECT_NE(text.find("    1  Boolean\n"), std::string::npos);
  EXPECT_NE(text.find("  146  PrintArgument\n"), std::string::npos);
  EXPECT_NE(text.find("  285  TerminalType\n"), std::string::npos);
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 127u);
}

}  // namespace
