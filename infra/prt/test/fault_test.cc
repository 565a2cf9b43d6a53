// Printers files as a hostile or careless user could leave them: sources that are not
// regular files, entries without end, and inheritance that fans out or loops.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

long MaxRssKb() {
  struct rusage use = {};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_maxrss;
}

using PrtFault = PrtFiles;

// A FIFO or a device as the printers file is refused at once by readers and writers,
// and an entry without end is passed over without being held in memory.
TEST_F(PrtFault, SourcesThatAreNotRegularFilesOrNeverEnd) {
  std::string fifo = tmp / "fifo", endless = tmp / "endless";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // 128 MiB of NUL bytes without a newline (a sparse file), then one good entry.
  WriteFile(endless, "");
  ASSERT_EQ(truncate(endless.c_str(), 128 << 20), 0);
  FILE *f = fopen(endless.c_str(), "a");
  fputs("\nlp:k=v:\n", f);
  fclose(f);
  const struct {
    std::string file, value;
    int put;
  } rows[] = {
      {fifo, "<none>", -1}, {"/dev/zero", "<none>", -1}, {dir, "<none>", -1}, {endless, "v", 0}};
  for (const auto &row : rows) {
    env.Set("PRINTERS_CONF", row.file.c_str());
    long before = MaxRssKb();
    EXPECT_EQ(Value("lp", "k"), row.value) << row.file;
    EXPECT_LT(MaxRssKb() - before, 32 << 10) << row.file;
    ns_printer_t *p = ns_printer_create("lp", nullptr, "etc", nullptr);
    ns_set_value_from_string("k", "w", p);
    EXPECT_EQ(ns_printer_put(p), row.put) << row.file;
    ns_printer_destroy(p);
  }
  EXPECT_EQ(Value("lp", "k"), "w");
}

}  // namespace
}  // namespace kq::prt::test
