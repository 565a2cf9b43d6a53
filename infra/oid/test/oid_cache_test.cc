// The caches on their own: a model of the name cache under random use, and the short
// cache's chains and replacement.
#include "private/oid_cache.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <map>
#include <random>
#include <string>

#include "oid_fixture.h"

namespace {

using kq::oid::test::Fails;

class oid_cache : public ::testing::Test {
 protected:
  void SetUp() override { OID__InitCache(); }
  void TearDown() override {
    OID__noCache = false;
    OID__InitCache();
  }
};

std::string Bin(int n) {  // a distinct binary OID per n
  std::string b("\x06\x03\x2a", 3);
  b += static_cast<char>(0x80 | (n >> 7));
  b += static_cast<char>(n & 0x7f);
  b[1] = 3;
  return b;
}

unsigned char Chars(int n) { return static_cast<unsigned char>(0x30 + n % 50); }

TEST_F(oid_cache, NameCacheFollowsAnLruModel) {
  std::mt19937 rng(7);
  std::list<std::string> model;  // least recently used first
  std::map<std::string, int> value;
  for (int step = 0; step < 4000; step++) {
    int n = static_cast<int>(rng() % 150);
    std::string name = "name-" + std::to_string(n);
    unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
    if (rng() % 2) {
      unsigned char c[OID_CHARS_LEN] = {Chars(step)};
      std::string b = Bin(step % 1000);
      ASSERT_EQ(OID__AddToNBCache(&OID__nameCache, name.c_str(), b.data(), c), 0u);
      model.remove(name);
      model.push_back(name);
      if (model.size() > OID_CACHE_SIZE) model.pop_front();
      value[name] = step;
    } else {
      uint32_t st = OID__LookupNBCache(&OID__nameCache, name.c_str(), bin, chars);
      bool cached = std::find(model.begin(), model.end(), name) != model.end();
      ASSERT_EQ(st, cached ? 0u : OID_ST_NOT_FOUND) << step;
      if (cached) {
        std::string b = Bin(value[name] % 1000);
        EXPECT_EQ(memcmp(bin, b.data(), b.size()), 0);
        EXPECT_EQ(chars[0], Chars(value[name]));
        model.remove(name);
        model.push_back(name);
      }
    }
    ASSERT_EQ(OID__CheckNBTree(&OID__nameCache), static_cast<int>(model.size())) << step;
  }
}

// The short cache's answer for `shoid`, asking the name and the characteristics:
// "name/chars[1]", or Fails(code).
std::string Short(uint32_t shoid) {
  char name[OID_NAME_MAX];
  unsigned char chars[OID_CHARS_LEN];
  uint32_t st = OID__LookupShortCache(shoid, name, chars);
  return st ? Fails(st) : std::string(name) + "/" + std::to_string(chars[1]);
}
TEST_F(oid_cache, ShortCacheChainsAndReplacement) {
  unsigned char c[OID_CHARS_LEN] = {0x30, 0x23};
  // 1, 74 and 147 share chain 1; 1 is added first, so it sits at the chain's end.
  ASSERT_EQ(OID__AddToShortCache(1, "one", c), 0u);
  ASSERT_EQ(OID__AddToShortCache(74, nullptr, c), 0u);
  ASSERT_EQ(OID__AddToShortCache(147, "three", nullptr), 0u);
  EXPECT_EQ(Short(74) + " " + Short(147),
            Fails(OID_ST_NO_RELATED) + " " + Fails(OID_ST_NO_RELATED));
  // A name fills the gap and keeps the characteristics; characteristics replace.
  ASSERT_EQ(OID__AddToShortCache(74, "seventy-four", nullptr), 0u);
  c[1] = 0x40;
  ASSERT_EQ(OID__AddToShortCache(147, "three", c), 0u);
  EXPECT_EQ(Short(74) + " " + Short(147), "seventy-four/35 three/64");
  // Use 1 and 74, fill the cache: 147 (the head of chain 1) goes first.
  EXPECT_EQ(Short(1) + " " + Short(74), "one/35 seventy-four/35");
  for (uint32_t s = 1000; s < 1000 + OID_CACHE_SIZE - 2; s++)
    ASSERT_EQ(OID__AddToShortCache(s, "filler", c), 0u);
  EXPECT_EQ(Short(147), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(Short(1) + " " + Short(74), "one/35 seventy-four/35");
  // Further additions push out the least recently used fillers, never 1 or 74.
  for (uint32_t s = 2000; s < 2010; s++) ASSERT_EQ(OID__AddToShortCache(s, "x", c), 0u);
  EXPECT_EQ(Short(1000), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(Short(1), "one/35");
  int listed = 0;
  for (OID__shortEntry *e = OID__ShortCacheLru(); e; e = e->newer) listed++;
  EXPECT_EQ(listed, OID_CACHE_SIZE);
}

}  // namespace
