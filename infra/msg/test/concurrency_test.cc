// Several threads formatting texts from more catalogues than the cache holds, with
// temporary locale switches and facility name lookups going on at the same time.
#include <atomic>
#include <clocale>
#include <string>
#include <thread>
#include <vector>

#include "msg_fixture.h"

namespace kq::msg::test {
namespace {

// Facilities 0xc050..0xc05b: more than the cache holds, all named "C0" + hex, found
// through the locale directory for "C" and through the default directory for "C.utf8".
constexpr int kCatalogues = 12, kThreads = 4, kRounds = 400;

uint32_t Code(int i) { return 0xc0500065u + (static_cast<uint32_t>(i) << 16); }

class ConcurrencyTest : public MsgTest {
 protected:
  void SetUp() override {
    MsgTest::SetUp();
    for (int i = 0; i < kCatalogues; ++i)
      Add("default", "C05" + std::string(1, "0123456789AB"[i]) + ".cat",
          SharedSource("f" + std::to_string(i),
                       "101 catalogue " + std::to_string(i) + " says %s %d\n"));
  }
};
using msg_concurrency = ConcurrencyTest;

TEST_F(msg_concurrency, FormattingWhileTheCacheEvicts) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int r = 0; r < kRounds; ++r) {
        int i = (r * 5 + t * 3) % kCatalogues, next = (i + 1) % kCatalogues;
        std::string word = "w" + std::to_string(t);
        const STF_argument_t args[] = {StringArg(word.c_str()), IntArg(r)};
        char buffer[128], facility[16];
        uint32_t length = 0;
        failures +=
            MSG_GetFormattedByArray(STF_SRC_STF, Code(i), 0, t % 2 ? "C.utf8" : nullptr,
                                    sizeof buffer, &length, buffer, 2, args) != 0 ||
            "catalogue " + std::to_string(i) + " says " + word + " " + std::to_string(r) != buffer;
        failures += MSG_GetSymbolicNames(STF_SRC_STF, Code(next), 0, nullptr, 0, nullptr,
                                         sizeof facility, facility, 0) != 0 ||
                    "F" + std::to_string(next) != facility;
      }
    });
  }
  // Meanwhile, readers of the locale through the facility's lock always see the
  // locale in force outside the temporary switches.
  threads.emplace_back([&failures] {
    char name[64];
    for (int r = 0; r < kRounds; ++r)
      failures +=
          MSG_setlocale_r(LC_MESSAGES, nullptr, name, sizeof name) != 0 || name != std::string("C");
  });
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace kq::msg::test
