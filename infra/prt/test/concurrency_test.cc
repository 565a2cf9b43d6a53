// The reader/writer lock that guards a cached source, and processes and threads writing
// different printers into one file while others read it.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "infra/osc.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

// A waiting writer holds back new readers: the writer comes in once the two readers
// before it have left, and a reader that came after it only once it has left. A thread
// having reached its blocking call is approximated by a generous settle time.
TEST(rw_lock, WaitingWriterHoldsBackNewReaders) {
  rw_lock_t *lock = nullptr;
  ASSERT_EQ(rw_init(&lock), 0);
  ASSERT_EQ(rw_read_lock(lock), 0);
  ASSERT_EQ(rw_read_lock(lock), 0);
  std::atomic<int> order{0}, writerAt{0}, readerAt{0};
  std::thread writer([&] {
    EXPECT_EQ(rw_write_lock(lock), 0);
    writerAt = ++order;
    OSC_ThreadSleep(50);
    EXPECT_EQ(rw_rwunlock(lock), 0);
  });
  OSC_ThreadSleep(100);
  std::thread reader([&] {
    EXPECT_EQ(rw_read_lock(lock), 0);
    readerAt = ++order;
    EXPECT_EQ(rw_rwunlock(lock), 0);
  });
  OSC_ThreadSleep(100);
  EXPECT_EQ(order.load(), 0);  // the writer waits for the readers, the third reader for it
  ASSERT_EQ(rw_rwunlock(lock), 0);
  OSC_ThreadSleep(50);
  EXPECT_EQ(order.load(), 0);  // one reader still holds it
  ASSERT_EQ(rw_rwunlock(lock), 0);
  writer.join();
  reader.join();
  EXPECT_EQ(std::pair(writerAt.load(), readerAt.load()), std::pair(1, 2));
  EXPECT_EQ(rw_term(lock), 0);
}

std::string Name(char writer, int j) { return std::string(1, writer) + std::to_string(j); }

// `writes` puts of `names` printers of `writer`, revision i on the i-th; the failures.
int Writer(char writer, int writes, int names) {
  int failures = 0;
  for (int i = 0; i < writes; ++i) {
    std::string name = Name(writer, i % names);
    failures += Put(name.c_str(), "etc",
                    {{"bsdaddr", "host" + name + ",q"}, {"rev", std::to_string(i)}}) != 0;
  }
  return failures;
}

// One whole-file read and one list: whether the file is complete, every entry
// consistent, and no printer's revision went back since `seen`.
bool ReadConsistent(const std::string &file, std::map<std::string, int> &seen) {
  std::string raw = ReadFile(file);
  bool ok = raw.empty() || (raw.compare(0, kHeader.size(), kHeader) == 0 && raw.back() == '\n' &&
                            (raw.size() == kHeader.size() || raw[raw.size() - 2] == ':'));
  ns_printer_t **list = ns_printer_get_list("etc");
  for (ns_printer_t **p = list; p && *p; ++p) {
    char *addr = ns_get_value_string("bsdaddr", *p), *rev = ns_get_value_string("rev", *p);
    int r = rev ? atoi(rev) : -1;
    ok = ok && addr && rev && "host" + std::string((*p)->name) + ",q" == addr &&
         r >= seen[(*p)->name];
    seen[(*p)->name] = r;
    free(addr);
    free(rev);
  }
  ns_printer_list_destroy(list);
  return ok;
}

// Every printer of `writers` at its last revision (the last i with i % names == j for
// printer j), and no other printer.
void ExpectLastRevisions(const std::string &file, const char *writers, int writes, int names) {
  std::map<std::string, int> seen, want;
  EXPECT_TRUE(ReadConsistent(file, seen));
  for (const char *w = writers; *w; ++w)
    for (int j = 0; j < names; ++j) want[Name(*w, j)] = writes - names + j;
  EXPECT_EQ(seen, want);
}

bool ExitedCleanly(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using PrtConcurrency = PrtFiles;

TEST_F(PrtConcurrency, TwoWritersAndAReaderNeverLoseOrTearAnEntry) {
  constexpr int kWrites = 1000, kNames = 25;
  std::string done = tmp / "done";
  pid_t pids[3];
  for (int i = 0; i < 3; ++i)
    if ((pids[i] = fork()) == 0) {
      if (i > 0) _exit(Writer("ab"[i - 1], kWrites, kNames));
      std::map<std::string, int> seen;  // reads until `done` exists
      int reads = 0;
      for (bool last = false; !last; ++reads) {
        last = access(done.c_str(), F_OK) == 0;
        if (!ReadConsistent(etc, seen)) _exit(1);
      }
      _exit(reads > 1 ? 0 : 2);
    }
  EXPECT_TRUE(ExitedCleanly(pids[1]));
  EXPECT_TRUE(ExitedCleanly(pids[2]));
  WriteFile(done, "");
  EXPECT_TRUE(ExitedCleanly(pids[0])) << "the reader saw a torn file or entry";
  ExpectLastRevisions(etc, "ab", kWrites, kNames);
}

TEST_F(PrtConcurrency, ThreadsOfOneProcessShareTheCacheSafely) {
  // Writers and readers in one process meet on the list's reader/writer lock; the
  // file lock alone would not keep them apart.
  constexpr int kWrites = 150, kNames = 10;
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int w = 0; w < 2; ++w)
    threads.emplace_back([w, &failures] { failures[w] = Writer("mn"[w], kWrites, kNames); });
  for (int r = 2; r < 4; ++r)
    threads.emplace_back([r, &failures] {
      std::map<std::string, int> seen;
      for (int i = 0; i < kWrites; ++i) {
        failures[r] += !ReadConsistent("/dev/null", seen);
        ns_printer_destroy(ns_printer_get_name("m3", nullptr));
      }
    });
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
  ExpectLastRevisions(etc, "mn", kWrites, kNames);
}

}  // namespace
}  // namespace kq::prt::test
