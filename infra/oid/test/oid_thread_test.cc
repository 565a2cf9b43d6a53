// Several threads on one block: lookups of every kind and additions at once. Run
// in the ThreadSanitizer build (KQ_TSAN) to check the locking.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "infra/genu_oid.h"
#include "oid_fixture.h"

namespace {

using kq::oid::test::Binary;
using kq::oid::test::Bytes;
using kq::oid::test::List;

class oid_threads : public kq::oid::test::Registry {
 protected:
  kq::oid::test::TempRegistry reg_;
};

TEST_F(oid_threads, LookupsAndAddsOnOneBlock) {
  Open(reg_.dir(), OID_MODE_WRITE);
  constexpr int kThreads = 4, kRounds = 150;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++) {
    threads.emplace_back([&, t] {
      List l;
      unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
      OID_SetValueCharacteristics(0, 0, chars);
      char name[OID_NAME_MAX];
      for (int i = 0; i < kRounds; i++) {
        // Enough distinct rows to push entries out of the caches as well.
        if (i % 10 == 0) {
          std::string dotted = "2.25.77." + std::to_string(t) + "." + std::to_string(i);
          std::string added = "x-thread-" + std::to_string(t) + "-" + std::to_string(i);
          if (OID_ConvertDecToBin(l, dotted.c_str(), bin, nullptr) ||
              OID_AddOID(l, block_, bin, added.c_str(), chars, 0) ||
              OID_LookupName(l, block_, added.c_str(), bin, nullptr)) {
            failures++;
          }
        }
        uint32_t shoid = 100 + static_cast<uint32_t>((i * 7 + t * 13) % 200);
        std::string want = Binary(shoid);
        if (want.empty()) continue;
        const char *wantName = GENU_ShortOIDToAscii(shoid);
        if (OID_LookupName(l, block_, wantName, bin, chars) || !OID_EqualBinary(bin, Bytes(want))) {
          failures++;
        }
        if (OID_LookupShort(l, block_, shoid, name, nullptr) || std::string(name) != wantName) {
          failures++;
        }
        if (OID_LookupBinary(l, block_, Bytes(want), name, chars) ||
            std::string(name) != wantName) {
          failures++;
        }
      }
    });
  }
  for (std::thread &th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  // Every addition took its own locale index.
  List l;
  char name[OID_NAME_MAX];
  unsigned char bin[OID_BINARY_MAX];
  for (int t = 0; t < kThreads; t++) {
    for (int i = 0; i < kRounds; i += 10) {
      std::string added = "x-thread-" + std::to_string(t) + "-" + std::to_string(i);
      ASSERT_EQ(OID_LookupName(l, block_, added.c_str(), bin, nullptr), 0u) << added;
      ASSERT_EQ(OID_LookupBinary(l, block_, bin, name, nullptr), 0u);
      EXPECT_EQ(added, name);
    }
  }
}

}  // namespace
