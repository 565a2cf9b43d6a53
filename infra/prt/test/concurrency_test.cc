// Two processes write different printers into one file while a third reads it.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

constexpr int kWrites = 1000;
constexpr int kNames = 25;  // per writer; each is rewritten kWrites / kNames times

std::string Name(char writer, int j) { return std::string(1, writer) + std::to_string(j); }

int Writer(char writer) {
  for (int i = 0; i < kWrites; ++i) {
    std::string name = Name(writer, i % kNames);
    ns_printer_t *p = ns_printer_create(name.c_str(), nullptr, "etc", nullptr);
    ns_set_value_from_string("bsdaddr", ("host" + name + ",q").c_str(), p);
    ns_set_value_from_string("rev", std::to_string(i).c_str(), p);
    int rc = ns_printer_put(p);
    ns_printer_destroy(p);
    if (rc != 0) {
      fprintf(stderr, "writer %c: write %d failed\n", writer, i);
      return 1;
    }
  }
  return 0;
}

// Reads until `done` exists: every whole-file read must be complete, every entry
// consistent, and no printer's revision may go back.
int Reader(const std::string &file, const std::string &done) {
  std::map<std::string, int> seen;
  int reads = 0;
  for (bool last = false; !last; ++reads) {
    last = access(done.c_str(), F_OK) == 0;
    std::string raw = ReadFile(file);
    if (!raw.empty() && (raw.compare(0, kHeader.size(), kHeader) != 0 || raw.back() != '\n' ||
                         (raw.size() > kHeader.size() && raw[raw.size() - 2] != ':'))) {
      fprintf(stderr, "reader: partial file of %zu bytes\n", raw.size());
      return 1;
    }
    ns_printer_t **list = ns_printer_get_list("etc");
    for (ns_printer_t **p = list; p && *p; ++p) {
      char *addr = ns_get_value_string("bsdaddr", *p);
      char *rev = ns_get_value_string("rev", *p);
      std::string want = "host" + std::string((*p)->name) + ",q";
      if (!addr || !rev || want != addr) {
        fprintf(stderr, "reader: entry %s damaged\n", (*p)->name);
        return 1;
      }
      int r = atoi(rev);
      if (seen.count((*p)->name) && r < seen[(*p)->name]) {
        fprintf(stderr, "reader: %s went back from %d to %d\n", (*p)->name, seen[(*p)->name], r);
        return 1;
      }
      seen[(*p)->name] = r;
      free(addr);
      free(rev);
    }
    ns_printer_list_destroy(list);
  }
  fprintf(stderr, "reader: %d reads\n", reads);
  return reads > 1 ? 0 : 1;
}

pid_t Spawn(int (*body)(char), char arg) {
  pid_t pid = fork();
  if (pid == 0) _exit(body(arg));
  return pid;
}

bool ExitedCleanly(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using PrtConcurrency = PrtFiles;

TEST_F(PrtConcurrency, TwoWritersAndAReaderNeverLoseOrTearAnEntry) {
  std::string done = dir + "/done";
  static std::string file, flag;
  file = etc;
  flag = done;
  pid_t reader = Spawn([](char) { return Reader(file, flag); }, 0);
  pid_t a = Spawn(Writer, 'a');
  pid_t b = Spawn(Writer, 'b');
  EXPECT_TRUE(ExitedCleanly(a));
  EXPECT_TRUE(ExitedCleanly(b));
  WriteFile(done, "");
  EXPECT_TRUE(ExitedCleanly(reader));

  ns_printer_t **list = ns_printer_get_list("etc");
  int count = 0;
  for (ns_printer_t **p = list; p && *p; ++p) ++count;
  ns_printer_list_destroy(list);
  EXPECT_EQ(count, 2 * kNames);
  for (char w : {'a', 'b'})
    for (int j = 0; j < kNames; ++j) {
      int last = kWrites - kNames + j;  // the last i with i % kNames == j
      EXPECT_EQ(Value(Name(w, j).c_str(), "rev"), std::to_string(last)) << Name(w, j);
    }
}

TEST_F(PrtConcurrency, ThreadsOfOneProcessShareTheCacheSafely) {
  // Writers and readers in one process meet on the list's reader/writer lock; the
  // file lock alone would not keep them apart.
  constexpr int kThreadWrites = 150;
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int w = 0; w < 2; ++w)
    threads.emplace_back([w, &failures] {
      for (int i = 0; i < kThreadWrites; ++i) {
        std::string name = Name(static_cast<char>('m' + w), i % 10);
        ns_printer_t *p = ns_printer_create(name.c_str(), nullptr, "etc", nullptr);
        ns_set_value_from_string("rev", std::to_string(i).c_str(), p);
        failures[w] += ns_printer_put(p) != 0;
        ns_printer_destroy(p);
      }
    });
  for (int r = 2; r < 4; ++r)
    threads.emplace_back([r, &failures] {
      for (int i = 0; i < kThreadWrites; ++i) {
        ns_printer_t **list = ns_printer_get_list("etc");
        for (ns_printer_t **p = list; p && *p; ++p) {
          char *rev = ns_get_value_string("rev", *p);
          failures[r] += rev == nullptr;
          free(rev);
        }
        ns_printer_list_destroy(list);
        ns_printer_t *one = ns_printer_get_name("m3", nullptr);
        ns_printer_destroy(one);
      }
    });
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
  for (char w : {'m', 'n'})
    for (int j = 0; j < 10; ++j)
      EXPECT_EQ(Value(Name(w, j).c_str(), "rev"), std::to_string(kThreadWrites - 10 + j));
}

}  // namespace
}  // namespace kq::prt::test
