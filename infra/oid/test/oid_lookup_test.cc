// Lookups over the registry the build staged (read-only), and the rules of
// initialisation and blocks.
#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "infra/genu_oid.h"
#include "oid_fixture.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

namespace {

using kq::oid::test::Binary;
using kq::oid::test::Bytes;
using kq::oid::test::List;

class oid_lookup : public kq::oid::test::Registry {
 protected:
  void SetUp() override { Open(kq::oid::test::StagedRegistry(), OID_MODE_READ); }

  std::string ByName(const char *name) {
    List l;
    unsigned char bin[OID_BINARY_MAX];
    if (OID_LookupName(l, block_, name, bin, nullptr)) return {};
    return std::string(reinterpret_cast<char *>(bin), bin[1] + 3u);
  }
};

template <typename F>
void ForEachRow(F f) {
  for (uint32_t s = 1; s <= 3562; s = s == 1092 ? 3000 : s + 1) {
    std::string bin = Binary(s);
    if (!bin.empty()) f(s, GENU_ShortOIDToAscii(s), bin);
  }
}

TEST_F(oid_lookup, EveryRowByNameBinaryAndShort) {
  int rows = 0;
  ForEachRow([&](uint32_t shoid, const char *name, const std::string &bin) {
    SCOPED_TRACE(name);
    List l;
    unsigned char out[OID_BINARY_MAX], chars[OID_CHARS_LEN], chars2[OID_CHARS_LEN];
    ASSERT_EQ(OID_LookupName(l, block_, name, out, chars), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), bin.size()), bin);
    EXPECT_EQ(chars[0], 0x30);
    char back[OID_NAME_MAX];
    ASSERT_EQ(OID_LookupBinary(l, block_, Bytes(bin), back, chars2), 0u);
    EXPECT_STREQ(back, name);
    EXPECT_EQ(memcmp(chars, chars2, OID_CHARS_LEN), 0);
    memset(back, 0, sizeof back);
    ASSERT_EQ(OID_LookupShort(l, block_, shoid, back, nullptr), 0u);
    EXPECT_STREQ(back, name);
    rows++;
  });
  EXPECT_GT(rows, 700);
  // Second round: the short cache answers the last rows.
  List l;
  char name[OID_NAME_MAX];
  ASSERT_EQ(OID_LookupShort(l, block_, 3562, name, nullptr), 0u);
  EXPECT_STREQ(name, "id-att-job-size-range-ready");
}

std::string Fails(uint32_t code) { return "fails " + std::to_string(code); }

// The names of a list, sorted, and the list freed.
std::string Names(OID_nameSeq_t *list) {
  std::set<std::string> names;
  for (OID_nameSeq_t *e = list; e; e = e->next) names.insert(e->name);
  OID_DeleteNameSeq(list);
  std::string text;
  for (const std::string &n : names) text += n + " ";
  return text;
}

TEST_F(oid_lookup, KindsRelatedItemsAndAbbreviations) {
  List l;
  unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
  uint32_t shoid = 0;
  uint16_t vc = 0;
  char text[OID_TEXT_MAX];
  // Each answer as text: the binary, the related item's name, the value class or
  // the descriptor; Fails(code) when the lookup fails.
  auto b = [&](uint32_t st) { return st ? Fails(st) : std::string((char *)bin, bin[1] + 3u); };
  auto s = [&](uint32_t st) { return st ? Fails(st) : GENU_ShortOIDToAscii(shoid); };
  auto v = [&](uint32_t st) { return st ? Fails(st) : std::to_string(vc); };
  auto t = [&](uint32_t st) { return st ? Fails(st) : std::string(text); };
  const std::pair<std::string, std::string> rows[] = {
      {b(OID_LookupObjectClass(l, block_, 2, bin)), Binary(87)},  // job
      {b(OID_LookupObjectClass(l, block_, 200, bin)), Fails(OID_ST_NOT_FOUND)},
      {b(OID_LookupSyntax(l, block_, 4, bin)), Binary(7)},  // delta time
      {b(OID_LookupSyntax(l, block_, 256, bin)), Fails(OID_ST_OUT_OF_RANGE)},
      {v(OID_LookupValueClass(l, block_, "job-state", &vc)), "3345"},
      {v(OID_LookupValueClass(l, block_, "no-such-class", &vc)), Fails(OID_ST_VC_UNKNOWN)},
      {v(OID_LookupValueClass(l, block_, std::string(51, 'a').c_str(), &vc)),
       Fails(OID_ST_VC_UNKNOWN)},
      {t(OID_LookupDescriptorFromShort(l, block_, 7, text)), "delta time"},
      {t(OID_LookupDescriptorFromShort(l, block_, 2000, text)), Fails(OID_ST_SHORT_UNKNOWN)},
      {s(OID_LookupSupportedFromShort(l, block_, 349, &shoid)), "id-att-sides-supported"},
      {s(OID_LookupReadyFromShort(l, block_, 349, &shoid)), "id-att-sides-ready"},
      // document-format: plural names
      {b(OID_LookupSupportedFromBinary(l, block_, Bytes(Binary(451)), bin)), Binary(682)},
      // page-select has a supported attribute but no ready one.
      {s(OID_LookupReadyFromShort(l, block_, 350, &shoid)), Fails(OID_ST_NO_RELATED)},
      {s(OID_LookupSupportedFromShort(l, block_, 133, &shoid)), Fails(OID_ST_NOT_FOUND)},
      {s(OID_LookupSupportedFromShort(l, block_, 2000, &shoid)), Fails(OID_ST_SHORT_UNKNOWN)},
      {b(OID_LookupAbbrev(l, block_, "id-syn-delta-t", bin, nullptr)), Binary(7)},
      {b(OID_LookupAbbrev(l, block_, "id-att-sides-r", bin, nullptr)),
       ByName("id-att-sides-ready")},
      {b(OID_LookupAbbrev(l, block_, "id-att-p-s", bin, nullptr)), Fails(OID_ST_AMBIGUOUS)},
      {b(OID_LookupAbbrev(l, block_, "", bin, nullptr)), Fails(OID_ST_NOT_FOUND)},
      {b(OID_LookupAbbrev(l, block_, "-id", bin, nullptr)), Fails(OID_ST_NOT_FOUND)},
      {b(OID_LookupAbbrev(l, block_, "zz-top", bin, nullptr)), Fails(OID_ST_NOT_FOUND)}};
  for (size_t i = 0; i < std::size(rows); i++) EXPECT_EQ(rows[i].first, rows[i].second) << i;

  // The characteristics of an attribute and of a value of its value class.
  ASSERT_EQ(OID_LookupName(l, block_, "id-att-current-job-state", bin, chars), 0u);
  EXPECT_EQ(chars[1], 0x23);
  EXPECT_EQ(chars[4], 10);                    // identifier values
  EXPECT_EQ(chars[5] << 8 | chars[6], 3345);  // id-vc-job-state
  EXPECT_EQ(OID_ValidForOp(chars, 29), 1);
  EXPECT_EQ(OID_ValidForObject(chars, 55), 1);
  ASSERT_EQ(OID_LookupName(l, block_, "id-val-job-state-pending", bin, chars), 0u);
  EXPECT_EQ(chars[1], 0x40);
  EXPECT_EQ(chars[5] << 8 | chars[6], 3345);

  // Lists of the names an abbreviation matches: only when ambiguous (_A), always (_N).
  OID_nameSeq_t *list = nullptr;
  EXPECT_EQ(OID_LookupAbbrev_A(l, block_, "id-att-sides-s", bin, nullptr, &list), 0u);
  EXPECT_EQ(list, nullptr);
  ASSERT_EQ(OID_LookupAbbrev_N(l, block_, "id-att-sides-s", bin, nullptr, &list), 0u);
  EXPECT_EQ(Names(list), "id-att-sides-supported ");
  ASSERT_EQ(OID_LookupAbbrev_A(l, block_, "id-att-p-s", bin, nullptr, &list), OID_ST_AMBIGUOUS);
  EXPECT_EQ(Names(list), "id-att-page-select id-att-plexes-supported id-att-printer-state ");
}

TEST_F(oid_lookup, NameLimitsAndCacheHitsReadNoFile) {
  List l;
  unsigned char bin[OID_BINARY_MAX];
  std::string n127(127, 'x'), n128(128, 'x');
  EXPECT_EQ(OID_LookupName(l, block_, n128.c_str(), bin, nullptr), OID_ST_NOT_FOUND);
  EXPECT_EQ(block_->files[OID_FILE_LOCALE], nullptr);  // refused before any file
  EXPECT_EQ(OID_LookupName(l, block_, n127.c_str(), bin, nullptr), OID_ST_NOT_FOUND);
  EXPECT_NE(block_->files[OID_FILE_LOCALE], nullptr);  // looked up
  ASSERT_EQ(OID_LookupName(l, block_, "id-syn-text", bin, nullptr), 0u);

  // A second block: its files stay closed while the name cache answers.
  OID_dbBlock_t *other = nullptr;
  ASSERT_EQ(OID_OpenDb(l, kq::oid::test::StagedRegistry().c_str(), "C", 0, &other), 0u);
  unsigned char chars[OID_CHARS_LEN];
  ASSERT_EQ(OID_LookupName(l, other, "id-syn-text", bin, chars), 0u);
  EXPECT_EQ(OID_EqualBinary(bin, Bytes(Binary(6))), 1);
  for (KQBM_dbHandle_t f : other->files) EXPECT_EQ(f, nullptr);
  ASSERT_EQ(OID_CloseDb(l, &other), 0u);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(OID_CloseDb(l, &other), OID_ST_NO_BLOCK);
  EXPECT_EQ(OID_LookupName(l, nullptr, "id-syn-text", bin, nullptr), OID_ST_NO_BLOCK);
}

TEST_F(oid_lookup, LocaleFallsBackToTheDefaultFile) {
  List l;
  OID_dbBlock_t *fr = nullptr;
  ASSERT_EQ(OID_OpenDb(l, kq::oid::test::StagedRegistry().c_str(), "fr_FR", 0, &fr), 0u);
  unsigned char bin[OID_BINARY_MAX];
  EXPECT_EQ(OID_LookupAbbrev(l, fr, "id-syn-delta-t", bin, nullptr), 0u);
  EXPECT_EQ(OID_SetLocale(l, fr, "de_DE"), OID_ST_BAD_LOCALE);  // no file: keeps the old one
  EXPECT_EQ(OID_LookupAbbrev(l, fr, "id-syn-delta-t", bin, nullptr), 0u);
  EXPECT_EQ(OID_SetLocale(l, fr, "en_US"), 0u);
  EXPECT_EQ(OID_LookupAbbrev(l, fr, "id-syn-delta-t", bin, nullptr), 0u);
  OID_CloseDb(l, &fr);
  EXPECT_EQ(OID_OpenDb(l, kq::oid::test::StagedRegistry().c_str(), "", 0, &fr), OID_ST_BAD_LOCALE);
}

TEST_F(oid_lookup, BlocksMustMatchTheInitialisation) {
  List l;
  OID_dbBlock_t *b = nullptr;
  std::string dir = kq::oid::test::StagedRegistry();
  EXPECT_EQ(OID_OpenDb(l, "/tmp", "C", 0, &b), OID_ST_PATH_DIFFERS);
  EXPECT_EQ(OID_OpenDb(l, dir.c_str(), "C", 2, &b), OID_ST_MODE_DIFFERS);
  EXPECT_EQ(OID_OpenDb(l, (dir + "/").c_str(), "C", 0, &b), 0u);
  OID_CloseDb(l, &b);
  EXPECT_EQ(OID_Init(l, dir.c_str(), 0), OID_ST_INIT_TWICE);
  EXPECT_EQ(l.Code(), OID_ST_INIT_TWICE);
}

TEST(oid_init, Failures) {
  List l;
  OID_dbBlock_t *b = nullptr;
  EXPECT_EQ(OID_OpenDb(l, "/tmp", "C", 0, &b), OID_ST_NOT_INIT);
  EXPECT_EQ(OID_Init(l, nullptr, 0), OID_ST_BAD_PATH);
  EXPECT_EQ(OID_Init(l, kq::oid::test::StagedRegistry().c_str(), 1), OID_ST_BAD_MODE);
  EXPECT_EQ(OID_Init(l, "/nonexistent-dir", 0), OID_ST_NO_LOCK_FILE);
  // A lock file but no dynamic-OID database: the conversions do not start.
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / ".kq.lck", "");
  EXPECT_EQ(OID_Init(l, dir.path().c_str(), 0), OID_ST_GENU_FAILED);
  EXPECT_EQ(OID_OpenDb(l, dir.path().c_str(), "C", 0, &b), OID_ST_NOT_INIT);  // nothing half-done
}

}  // namespace

namespace {

class oid_no_cache : public kq::oid::test::Registry {};

TEST_F(oid_no_cache, EnvironmentBypassesTheCaches) {
  {
    kq::test::EnvGuard env{{"OID_NO_CACHE", ""}};
    Open(kq::oid::test::StagedRegistry(), OID_MODE_READ);
  }
  List l;
  unsigned char bin[OID_BINARY_MAX];
  char name[OID_NAME_MAX];
  ASSERT_EQ(OID_LookupName(l, block_, "id-syn-text", bin, nullptr), 0u);
  ASSERT_EQ(OID_LookupShort(l, block_, 6, name, nullptr), 0u);
  EXPECT_STREQ(name, "id-syn-text");
  EXPECT_EQ(OID__nameCache.count, 0);
  EXPECT_EQ(OID__LookupShortCache(6, nullptr, nullptr), 1u);
}

}  // namespace
