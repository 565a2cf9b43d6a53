// kq as a user runs it: command line, exit status and what it prints, for the
// faults a first hour with the tool turned up. Each row is a shell command line in
// which {kq} and {kqptsd} stand for the programs, {dir} for a scratch directory holding the files
// the rows need and {data} for the staged registry.
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

  std::string Fill(std::string text) {
    text = Expand(Expand(text, "{dir}", tmp.path()), "{data}", data);
    return Expand(Expand(text, "{kq}", KQ_BIN), "{kqptsd}", KQPTSD_BIN);
  }
  Ran Run(const std::string &line) {
    const std::string out = tmp / "out", err = tmp / "err";
    int raw = system((Fill(line) + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, kq::test::ReadFile(out),
            kq::test::ReadFile(err)};
  }
};

TEST_F(KqCli, FaultsANewUserMet) {
  kq::test::WriteFile(tmp / "odd.hex", "30 0");
  kq::test::WriteFile(tmp / "badoid.hex", "30 06 80 01 2A 80 01 80");
  kq::test::WriteFile(tmp / "odd.conf",
                      "lp1:paddr=h1,300001,1,sys,lp,spool1,0:\ngarbage\nbig:\\\n:desc=" +
                          std::string(1100, 'x') + ":\n");
  // B-tree files that are not what they seem: a directory, a device, a file cut
  // short after two pages, a root page of garbage; and a sparse 3 GiB "capture".
  ASSERT_EQ(mkdir((tmp / "d.dbm").c_str(), 0755), 0);
  ASSERT_EQ(symlink("/dev/zero", (tmp / "zero.dbm").c_str()), 0);
  kq::test::WriteFile(tmp / "cut.dbm", kq::test::ReadFile(data + "/DPAOIDs.dbm").substr(0, 2048));
  kq::test::WriteFile(tmp / "junk.dbm", std::string(1024, '\xff'));
  kq::test::WriteFile(tmp / "huge.ber", "");
  ASSERT_EQ(truncate((tmp / "huge.ber").c_str(), off_t{3} << 30), 0);
  struct Row {
    const char *line;
    int status;
    const char *out, *err;  // regular expressions searched in stdout and stderr
  } rows[] = {
      // The command line: one exit-code convention, --version, unknown subcommands named.
      {"{kq} --version", 0, "^kq [0-9]+\\.[0-9]+\\.[0-9]+\n$", "^$"},
      {"{kq} help", 0, "Exit status: 0 success, 1 failure", "^$"},
      {"{kq} --help", 0, "Exit status: 0 success, 1 failure", "^$"},
      {"{kq} bogus", 2, "^$", "^kq: unknown subcommand \"bogus\""},
      {"{kq} explain", 2, "^$", "CODE is required"},
      {"{kq} ber list -m evt", 0, "^ +[0-9]+  ", "^$"},
      {"{kqptsd} --version", 0, "^kqptsd [0-9]+\\.[0-9]+\\.[0-9]+\n$", "^$"},
      {"{kqptsd} --help", 0, "\n  -l +listen on the loopback address", "^$"},
      {"{kqptsd} -x", 2, "^$", "^kqptsd: unknown option \"-x\"\nusage: "},
      {"{kq} pts get s1 --host no-such-host.invalid", 1, "^$",
       "^kq pts: no pts registry service \\(kqptsd\\) answers on no-such-host.invalid\n$"},
      // explain: 0 is success, every line ends, unknown codes and locales are failures.
      {"{kq} explain 0", 0, "^0x00000000  success\n$", "^$"},
      {"{kq} explain 0x12345678 0xc009008a", 1, "^0x12345678  .*\n0xc009008a  .*JQP, .*\n$",
       "^kq explain: 0x12345678 is not a code of this library"},
      {"{kq} explain -l xx 0xc009008a", 2, "^$", "^kq explain: locale \"xx\" is not available\n$"},
      // oid lookup: unknown identifiers fail; the dotted form and characteristics apart.
      {"{kq} oid lookup 1.2.3", 1, "^$", "^kq oid lookup: 1.2.3: not found in the registry\n$"},
      {"{kq} oid lookup id-att-job-name", 0,
       "\noid:         [0-9.]+\n(.*\n)*characteristics: attribute, single-valued, value type "
       "[0-9]+,",
       "^$"},
      {"{kq} oid lookup -d {data} no-such-name", 1, "^$",
       "^kq oid lookup: no-such-name: [A-Z][a-z]"},
      {"{kq} oid lookup -d {dir}/missing x", 1, "^$",
       "^kq oid lookup: no registry in {dir}/missing "},
      // dbm: keys as dump shows them, names with or without the suffix, reasons given.
      {"{kq} dbm get {data}/DPAOIDs_C '\"1\"'", 0, "^\"id-syn-descriptor\\\\0descriptor\\\\0\"\n$",
       "^$"},
      {"{kq} dbm get {data}/DPAOIDs.dbm 0x060628cf3f010256", 0, "^0x38310030", "^$"},
      {"{kq} dbm get {data}/DPAOIDs 0x0606", 1, "^$",
       "^kq dbm: 0x0606 not found in {data}/DPAOIDs.dbm\n$"},
      {"{kq} dbm dump {dir}/nosuch.dbm", 1, "^$",
       "^kq dbm: cannot read {dir}/nosuch.dbm: No such file or directory\n$"},
      {"{kq} dbm dump {dir}/d", 1, "^$", "^kq dbm: cannot read {dir}/d.dbm: is a directory\n$"},
      {"{kq} dbm dump {dir}/zero.dbm", 1, "^$",
       "^kq dbm: cannot read {dir}/zero.dbm: not a regular file\n$"},
      {"{kq} dbm dump {dir}/cut", 1, "^$",
       "^kq dbm: {dir}/cut.dbm is damaged \\(page [0-9]+ lies past the end\\)"},
      {"{kq} dbm get {dir}/cut 0x060628cf3f010256", 1, "^$",
       "^kq dbm: {dir}/cut.dbm is damaged .* may be in it\n$"},
      {"{kq} dbm get {dir}/junk x", 1, "^$",
       "^kq dbm: cannot open {dir}/junk.dbm: page 0 \\(the root\\) is not a valid page\n$"},
      // ber print: bounded input, odd hex refused.
      {"{kq} ber print 146 {dir}/huge.ber", 1, "^$",
       "^kq ber: cannot read {dir}/huge.ber: larger than 256 MiB\n$"},
      {"{kq} ber print 146 {dir}", 1, "^$", "^kq ber: cannot read {dir}: is a directory\n$"},
      {"{kq} ber print 146 {dir}/odd.hex", 1, "^$",
       "odd.hex: hexadecimal text with an odd number of digits\n$"},
      {"{kq} ber print 46 {dir}/badoid.hex", 1, "^$",
       "^kq ber: record 46 does not decode: NameOrOidSeq\\[1\\]\\.oid: malformed object "
       "identifier at byte 5\n$"},
      // printer(s): what the directory does and why it refuses, on the terminal.
      {"PRINTERS_CONF={dir}/none {kq} printers", 1, "^$",
       "^kq printers: cannot read PRINTERS_CONF file {dir}/none: No such file or directory\n$"},
      {"PRINTERS_CONF={dir} {kq} printers", 1, "^$", "^kq printers: cannot read PRINTERS_CONF"},
      {"PRINTERS_CONF={dir}/odd.conf {kq} printers", 1, "\nlp1 +logical ",
       "^kq printers: {dir}/odd.conf:2: not an entry \\(NAME:KEY=VALUE:...\\): garbage\n"
       "kq printers: {dir}/odd.conf:3: entry big is longer than 1023 characters and is "
       "skipped\n$"},
      {"PRINTERS_CONF={dir}/p.conf {kq} printer add q1 --kind queue --program 300001 -s s1", 2,
       "^$", "^kq printer: a queue address takes its program and version from the pts registry"},
      {"PRINTERS_CONF={dir}/p.conf {kq} printer add q1 --kind queue --server s1", 0,
       "^stored queue q1; program and version from the pts registry entry of s1\n$", "^$"},
      {"PRINTERS_CONF={dir}/p.conf {kq} printer add 'q 1' --kind queue", 2, "^$",
       "^kq printer: \"q 1\": a name consists of letters"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.line);
    Ran ran = Run(r.line);
    EXPECT_EQ(ran.status, r.status) << ran.out << ran.err;
    EXPECT_TRUE(std::regex_search(ran.out, std::regex(Fill(r.out)))) << ran.out;
    EXPECT_TRUE(std::regex_search(ran.err, std::regex(Fill(r.err)))) << ran.err;
  }
}

}  // namespace
