// kq as a user runs it: command line, exit status and what it prints, for the
// faults a first hour with the tool turned up. Files the rows need are made in a
// scratch directory; {dir} stands for it and {data} for the staged registry.
#include <gtest/gtest.h>
#include <sys/wait.h>

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
