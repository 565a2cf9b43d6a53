// Printers files as a hostile or careless user could leave them: sources that are not
// regular files, entries without end, and inheritance that fans out or loops.
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
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
  std::ofstream(endless, std::ios::app) << "\nlp:k=v:\n";
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
    EXPECT_EQ(Put("lp", "etc", {{"k", "w"}}), row.put) << row.file;
  }
  EXPECT_EQ(Value("lp", "k"), "w");
}

// Printer objects held by `p`: the entries its lookups kept and its "list" members,
// counted through every level.
size_t Held(const ns_printer_t *p) {
  size_t n = 0;
  for (ns_printer_t **i = p->inherited; i && *i; ++i) n += 1 + Held(*i);
  for (ns_kvp_t **kv = p->attributes; kv && *kv; ++kv)
    if (strcmp((*kv)->key, "list") == 0 && (*kv)->value)
      for (auto **m = static_cast<ns_printer_t **>((*kv)->value); *m; ++m) n += 1 + Held(*m);
  return n;
}

// Lists and groups naming the same entries again, or themselves, cost no more than the
// entries they name: each entry is visited once per lookup, and a value found on any
// branch is still found.
TEST_F(PrtFault, FanOutAndSelfReferenceVisitEachEntryOnce) {
  WriteEtc(
      "g:group=g,g:\nl:list=l,l,l:\nl2:list=l2,l2:\nm:list=g,l,m,g,l,m:\n"
      "a:group=b,c,b,c:\nb:group=d,d,b:\nc:use=d:\nd:group=b,c:colour=red:\n"
      "x|al:k=v:\nt:list=al,al:\n");
  const struct {
    const char *name, *colour;
    size_t held;
  } rows[] = {{"g", "", 1},  {"l", "", 6},    {"l2", "", 4},
              {"m", "", 16}, {"a", "red", 2}, {"t", "", 2}};
  for (const auto &row : rows) {
    ns_printer_t *p = ns_printer_get_name(row.name, nullptr);
    ASSERT_NE(p, nullptr) << row.name;
    char *colour = ns_get_value_string("colour", p);  // fills the inherited entries
    EXPECT_STREQ(colour ? colour : "", row.colour) << row.name;
    free(colour);
    EXPECT_EQ(Held(p), row.held) << row.name;
    ns_printer_destroy(p);
  }
  EXPECT_EQ(Value("t", "list"), "x,x");  // a repeated member keeps the entry's own name
}

// A source whose change counter is 0 (no lock file yet, as after a hand edit) is read
// once per lookup or walk that the caller asks for, not again for every entry that
// the walk visits inside it. The file's opens are counted with inotify.
TEST_F(PrtFault, UnknownChangeCounterIsCheckedOncePerCall) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "p" + std::to_string(i) + ":use=p" + std::to_string(i + 1) + ":\n";
  WriteEtc(text + "p200:bsdaddr=h,q:\n_all:all=p0,p1,p2,p3:\n");
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(fd, 0);
  // Closes are watched too: inotify merges an event with an identical unread one.
  ASSERT_GE(inotify_add_watch(fd, etc.c_str(), IN_OPEN | IN_CLOSE), 0);
  auto opens = [fd] {
    alignas(inotify_event) char buf[64 << 10];
    size_t n = 0;
    for (ssize_t got; (got = read(fd, buf, sizeof buf)) > 0;)
      for (char *e = buf; e < buf + got; e += sizeof(inotify_event))
        n += (reinterpret_cast<inotify_event *>(e)->mask & IN_OPEN) != 0;
    return n;
  };
  const struct {
    const char *what;
    std::function<std::string()> call;
    std::string result;
  } rows[] = {{"value through 16 links", [] { return Value("p184", "bsdaddr"); }, "h,q"},
              {"address list", [] { return AddrList(ns_bsd_addr_get_list()); }, "h,q,- "},
              {"all addresses", [] { return AddrList(ns_bsd_addr_get_all()); }, ""},
              {"one address", [] { return AddrOf("p190"); }, "h,q,-"}};
  for (const auto &row : rows) {
    opens();
    EXPECT_EQ(row.call(), row.result) << row.what;
    // One read for the lookup, one for the value asked of its result.
    EXPECT_LE(opens(), 2u) << row.what;
  }
  close(fd);
}

}  // namespace
}  // namespace kq::prt::test
