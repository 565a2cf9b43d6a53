// kq as a user runs it against the fixture's print server: command line, exit status
// and what it prints, in the order a user would go through a job's life.
#include <sys/wait.h>

#include <regex>
#include <string>

#include "e2e_support.h"
#include "spool_test_util.h"

namespace kq::e2e {
namespace {

struct Ran {
  int status;
  std::string out, err;
};

class KqCommands : public ServerTest {
 public:
  // Sanitizer builds of kq are handed the suppressions of libtirpc's own leaks, as the
  // daemons are (spool_test_util.h).
  Ran Kq(const std::string &args) {
    const std::string out = tmp / "out", err = tmp / "err", supp = tmp / "lsan.supp";
    kq::test::WriteFile(supp, __lsan_default_suppressions());
    const std::string line = "LSAN_OPTIONS=print_suppressions=0:suppressions=" + supp + " " +
                             KQ_BIN + " " + args + " >" + out + " 2>" + err;
    int raw = system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, kq::test::ReadFile(out),
            kq::test::ReadFile(err)};
  }
};

TEST_F(KqCommands, AJobsLifeAndTheFailuresAUserMeets) {
  kq::test::WriteFile(tmp / "doc.txt", "printed by the kq test\n");
  const std::string doc = tmp / "doc.txt";
  Ran submitted = Kq("submit -P lp1 -a job-name=cli -a copy-count=2 " + doc);
  ASSERT_EQ(submitted.status, 0) << submitted.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(submitted.out, m, std::regex("([0-9]+)\n")));
  const std::string job = m[1];
  // {job} stands for the submitted job; out and err are searched, ^ and $ anchor the text.
  const struct {
    const char *args;
    int status;
    const char *out, *err;
  } rows[] = {
      // clang-format off
      {"jobs -P lp1", 0, "JOB +STATE +PRINTER\n(.*\n)*{job} +id-val-job-state-pending +lp1\n",
       "^$"},
      {"jobs -P lp1 -l", 0, "job {job}\nid-att-job-identifier \\(job identifier\\)\n\t{job}\n",
       "^$"},
      {"job -P lp1 {job}", 0, "id-val-job-state-pending", "^$"},
      {"job -P lp1 {job} --json", 0, "^\\{.*\"id-att-job-identifier\": \\[\"{job}\"\\].*\\}\n$",
       "^$"},
      {"printer-state lp1", 0, "^lp1: id-val-printer-state-[a-z]+\n$", "^$"},
      {"pause -P lp1 {job}", 0, "^job {job} paused\n$", "^$"},
      {"job -P lp1 {job}", 0, "id-val-job-state-paused", "^$"},
      {"resume -P lp1 {job}", 0, "^job {job} resumed\n$", "^$"},
      {"promote -P lp1 {job}", 0, "^job {job} promoted\n$", "^$"},
      {"cancel -P lp1 {job}", 0, "^job {job} cancelled\n$", "^$"},
      {"cancel -P lp1 {job}", 1, "^$", "^kq cancel: [^\n]+\n$"},
      {"job -P lp1 no-such-job", 1, "^$", "^kq job: no job no-such-job on the server"},
      {"submit -P nosuch {doc}", 1, "^$",
       "^kq submit: printer nosuch is not in the directory \\(printers file\\)\n$"},
      {"submit -P gone {doc}", 1, "^$", "^kq submit: no print server answers for printer gone\n$"},
      {"submit -P lp1 -a copy-count=many {doc}", 2, "^$",
       "^kq submit: copy-count: not an integer\n$"},
      {"submit -P lp1 -a no-such-attribute=1 {doc}", 2, "^$",
       "^kq submit: no-such-attribute: unknown attribute\n$"},
      {"submit -P lp1 -a results-profile=x {doc}", 2, "^$",
       "^kq submit: results-profile: values of type results profile cannot be given"},
      {"submit -P lp1 -a job-na=abbreviated {doc}", 0, "^[0-9]+\n$", "^$"},
      {"submit -P lp1 {doc}.missing", 1, "^$", "^kq submit: .*doc.txt.missing: cannot be read\n$"},
      {"cancel {job}", 2, "^$", "^kq cancel: no printer: give -P PRINTER or set PRINTER\n$"},
      // clang-format on
  };
  auto fill = [&](const char *text) {
    return std::regex_replace(std::regex_replace(text, std::regex("\\{job\\}"), job),
                              std::regex("\\{doc\\}"), doc);
  };
  for (const auto &row : rows) {
    const std::string args = fill(row.args);
    SCOPED_TRACE(args);
    Ran r = Kq(args);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(fill(row.out)))) << r.out;
    EXPECT_TRUE(std::regex_search(r.err, std::regex(row.err))) << r.err;
  }
}

}  // namespace
}  // namespace kq::e2e
