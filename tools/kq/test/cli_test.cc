// kq as a user runs it: command line, exit status and what it prints, for the
// faults a first hour with the tool turned up. Files the rows need are made in a
// scratch directory; {dir} stands for it and {data} for the staged registry.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "kqtest.h"

namespace {

struct Ran {
  int status;
  std::string out, err;
};

std::string Expand(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class KqCli : public ::testing::Test {
 protected:
  kq::test::TempDir tmp;
  std::string data = std::string(getenv("QV_ROOT")) + "/usr/kq/share/data";

  std::string Fill(const std::string &text) {
    return Expand(Expand(text, "{dir}", tmp.path()), "{data}", data);
  }
  Ran Kq(const std::string &args) {
    const std::string out = tmp / "out", err = tmp / "err";
    const std::string line = std::string(KQ_BIN) + " " + Fill(args) + " >" + out + " 2>" + err;
    int raw = system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, kq::test::ReadFile(out),
            kq::test::ReadFile(err)};
  }
};

TEST_F(KqCli, FaultsANewUserMet) {
  kq::test::WriteFile(tmp / "odd.hex", "30 0");
  // B-tree files that are not what they seem: a directory, a device, a file cut
  // short after two pages, a root page of garbage; and a sparse 3 GiB "capture".
  ASSERT_EQ(mkdir((tmp / "d.dbm").c_str(), 0755), 0);
  ASSERT_EQ(symlink("/dev/zero", (tmp / "zero.dbm").c_str()), 0);
  kq::test::WriteFile(tmp / "cut.dbm", kq::test::ReadFile(data + "/DPAOIDs.dbm").substr(0, 2048));
  kq::test::WriteFile(tmp / "junk.dbm", std::string(1024, '\xff'));
  kq::test::WriteFile(tmp / "huge.ber", "");
  ASSERT_EQ(truncate((tmp / "huge.ber").c_str(), off_t{3} << 30), 0);
  struct Row {
    const char *args;
    int status;
    const char *out, *err;  // regular expressions searched in stdout and stderr
  } rows[] = {
      // The command line: one exit-code convention, --version, unknown subcommands named.
      {"--version", 0, "^kq [0-9]+\\.[0-9]+\\.[0-9]+\n$", "^$"},
      {"help", 0, "Exit status: 0 success, 1 failure", "^$"},
      {"--help", 0, "Exit status: 0 success, 1 failure", "^$"},
      {"bogus", 2, "^$", "^kq: unknown subcommand \"bogus\""},
      {"explain", 2, "^$", "CODE is required"},
      {"ber list -m evt", 0, "^ +[0-9]+  ", "^$"},
      // explain: 0 is success, every line ends, unknown codes and locales are failures.
      {"explain 0", 0, "^0x00000000  success\n$", "^$"},
      {"explain 0x12345678 0xc009008a", 1, "^0x12345678  .*\n0xc009008a  .*JQP, .*\n$",
       "^kq explain: 0x12345678 is not a code of this library"},
      {"explain -l xx 0xc009008a", 2, "^$", "^kq explain: locale \"xx\" is not available\n$"},
      // oid lookup: unknown identifiers fail; the dotted form and characteristics apart.
      {"oid lookup 1.2.3", 1, "^$", "^kq oid lookup: 1.2.3: not found in the registry\n$"},
      {"oid lookup id-att-job-name", 0,
       "\noid:         [0-9.]+\n(.*\n)*characteristics: attribute, single-valued, value type "
       "[0-9]+,",
       "^$"},
      {"oid lookup -d {data} no-such-name", 1, "^$", "^kq oid lookup: no-such-name: [A-Z][a-z]"},
      {"oid lookup -d {dir}/missing x", 1, "^$", "^kq oid lookup: no registry in {dir}/missing "},
      // dbm: keys as dump shows them, names with or without the suffix, reasons given.
      {"dbm get {data}/DPAOIDs_C '\"1\"'", 0, "^\"id-syn-descriptor\\\\0descriptor\\\\0\"\n$",
       "^$"},
      {"dbm get {data}/DPAOIDs.dbm 0x060628cf3f010256", 0, "^0x38310030", "^$"},
      {"dbm get {data}/DPAOIDs 0x0606", 1, "^$",
       "^kq dbm: 0x0606 not found in {data}/DPAOIDs.dbm\n$"},
      {"dbm dump {dir}/nosuch.dbm", 1, "^$",
       "^kq dbm: cannot read {dir}/nosuch.dbm: No such file or directory\n$"},
      {"dbm dump {dir}/d", 1, "^$", "^kq dbm: cannot read {dir}/d.dbm: is a directory\n$"},
      {"dbm dump {dir}/zero.dbm", 1, "^$",
       "^kq dbm: cannot read {dir}/zero.dbm: not a regular file\n$"},
      {"dbm dump {dir}/cut", 1, "^$",
       "^kq dbm: {dir}/cut.dbm is damaged \\(page [0-9]+ lies past the end\\)"},
      {"dbm get {dir}/cut 0x060628cf3f010256", 1, "^$",
       "^kq dbm: {dir}/cut.dbm is damaged .* may be in it\n$"},
      {"dbm get {dir}/junk x", 1, "^$",
       "^kq dbm: cannot open {dir}/junk.dbm: page 0 \\(the root\\) is not a valid page\n$"},
      // ber print: bounded input, odd hex refused.
      {"ber print 146 {dir}/huge.ber", 1, "^$",
       "^kq ber: cannot read {dir}/huge.ber: larger than 256 MiB\n$"},
      {"ber print 146 {dir}", 1, "^$", "^kq ber: cannot read {dir}: is a directory\n$"},
      {"ber print 146 {dir}/odd.hex", 1, "^$",
       "odd.hex: hexadecimal text with an odd number of digits\n$"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.args);
    Ran ran = Kq(r.args);
    EXPECT_EQ(ran.status, r.status) << ran.out << ran.err;
    EXPECT_TRUE(std::regex_search(ran.out, std::regex(Fill(r.out)))) << ran.out;
    EXPECT_TRUE(std::regex_search(ran.err, std::regex(Fill(r.err)))) << ran.err;
  }
}

}  // namespace
