// Lookups over the registry the build staged (read-only), and the rules of
// initialisation and blocks.
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "oid_fixture.h"

namespace {

using namespace kq::oid::test;

class oid_lookup : public Registry {
 protected:
  void SetUp() override { Open(StagedRegistry(), OID_MODE_READ); }
};

// Every row of the data file the table and the registry are built from: its dotted
// text converts to the table's binary and back, and the registry finds the row by
// name, binary and short OID with the same characteristics.
TEST_F(oid_lookup, EveryDataFileRowByDottedNameBinaryAndShort) {
  std::ifstream data(KQ_SOURCE_DIR "/data/oids.txt");
  ASSERT_TRUE(data.good());
  int rows = 0;
  for (std::string line; std::getline(data, line);) {
    std::istringstream in(line);
    uint32_t shoid;
    std::string name, dotted;
    if (line.empty() || line[0] == '#' || !(in >> shoid >> name >> dotted) || dotted == "-")
      continue;
    SCOPED_TRACE(name);
    List l;
    unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN], chars2[OID_CHARS_LEN];
    char back[OID_NAME_MAX] = "";
    ASSERT_EQ(OID_ConvertDecToBin(l, dotted.c_str(), bin, nullptr), 0u);
    ASSERT_EQ(Str(bin), Binary(shoid));
    EXPECT_EQ(ToDec(bin), dotted);
    ASSERT_EQ(OID_LookupName(l, block_, name.c_str(), bin, chars), 0u);
    EXPECT_EQ(Str(bin), Binary(shoid));
    EXPECT_EQ(chars[0], 0x30);
    ASSERT_EQ(OID_LookupBinary(l, block_, bin, back, chars2), 0u);
    EXPECT_EQ(back, name);
    EXPECT_EQ(memcmp(chars, chars2, OID_CHARS_LEN), 0);
    memset(back, 0, sizeof back);
    ASSERT_EQ(OID_LookupShort(l, block_, shoid, back, nullptr), 0u);
    EXPECT_EQ(back, name);
    rows++;
  }
  EXPECT_GT(rows, 700);
}

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
  auto b = [&](uint32_t st) { return st ? Fails(st) : Str(bin); };
  auto s = [&](uint32_t st) { return st ? Fails(st) : GENU_ShortOIDToAscii(shoid); };
  auto v = [&](uint32_t st) { return st ? Fails(st) : std::to_string(vc); };
  auto t = [&](uint32_t st) { return st ? Fails(st) : std::string(text); };
  const std::string notFound = Fails(OID_ST_NOT_FOUND), shortUnknown = Fails(OID_ST_SHORT_UNKNOWN);
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {b(OID_LookupObjectClass(l, block_, 2, bin)), Binary(87)},  // job
      {b(OID_LookupObjectClass(l, block_, 200, bin)), notFound},
      {b(OID_LookupSyntax(l, block_, 4, bin)), Binary(7)},  // delta time
      {b(OID_LookupSyntax(l, block_, 256, bin)), Fails(OID_ST_OUT_OF_RANGE)},
      {v(OID_LookupValueClass(l, block_, "job-state", &vc)), "3345"},
      {v(OID_LookupValueClass(l, block_, "no-such-class", &vc)), Fails(OID_ST_VC_UNKNOWN)},
      {v(OID_LookupValueClass(l, block_, std::string(51, 'a').c_str(), &vc)), Fails(OID_ST_VC_UNKNOWN)},
      {t(OID_LookupDescriptorFromShort(l, block_, 7, text)), "delta time"},
      {s(OID_LookupSupportedFromShort(l, block_, 349, &shoid)), "id-att-sides-supported"},
      {s(OID_LookupReadyFromShort(l, block_, 349, &shoid)), "id-att-sides-ready"},
      // document-format: plural names
      {b(OID_LookupSupportedFromBinary(l, block_, Bytes(Binary(451)), bin)), Binary(682)},
      // page-select has a supported attribute but no ready one.
      {s(OID_LookupReadyFromShort(l, block_, 350, &shoid)), Fails(OID_ST_NO_RELATED)},
      {s(OID_LookupSupportedFromShort(l, block_, 133, &shoid)), notFound},
      {s(OID_LookupSupportedFromShort(l, block_, 2000, &shoid)), shortUnknown},
      {b(OID_LookupAbbrev(l, block_, "id-syn-delta-t", bin, nullptr)), Binary(7)},
      {b(OID_LookupAbbrev(l, block_, "id-att-sides-r", bin, nullptr)), ByName("id-att-sides-ready")},
      {b(OID_LookupAbbrev(l, block_, "id-att-p-s", bin, nullptr)), Fails(OID_ST_AMBIGUOUS)},
      {b(OID_LookupAbbrev(l, block_, "", bin, nullptr)), notFound},
      {b(OID_LookupAbbrev(l, block_, "-id", bin, nullptr)), notFound},
      {b(OID_LookupAbbrev(l, block_, "zz-top", bin, nullptr)), notFound}};
  // clang-format on
  for (size_t i = 0; i < std::size(rows); i++) EXPECT_EQ(rows[i].first, rows[i].second) << i;

  // The characteristics of an attribute (identifier values of id-vc-job-state) and of
  // a value of its value class.
  ASSERT_EQ(OID_LookupName(l, block_, "id-att-current-job-state", bin, chars), 0u);
  EXPECT_EQ(std::vector<int>({chars[1], chars[4], chars[5] << 8 | chars[6]}),
            std::vector<int>({0x23, 10, 3345}));
  EXPECT_EQ(OID_ValidForOp(chars, 29) + OID_ValidForObject(chars, 55), 2);
  ASSERT_EQ(OID_LookupName(l, block_, "id-val-job-state-pending", bin, chars), 0u);
  EXPECT_EQ(std::vector<int>({chars[1], chars[5] << 8 | chars[6]}), std::vector<int>({0x40, 3345}));

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
  EXPECT_EQ(ByName(std::string(128, 'x').c_str()), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(block_->files[OID_FILE_LOCALE], nullptr);  // refused before any file
  EXPECT_EQ(ByName(std::string(127, 'x').c_str()), Fails(OID_ST_NOT_FOUND));
  EXPECT_NE(block_->files[OID_FILE_LOCALE], nullptr);  // looked up
  EXPECT_EQ(ByName("id-syn-text"), Binary(6));
  // A second block: its files stay closed while the name cache answers.
  List l;
  OID_dbBlock_t *other = nullptr;
  ASSERT_EQ(OID_OpenDb(l, StagedRegistry().c_str(), "C", 0, &other), 0u);
  unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
  ASSERT_EQ(OID_LookupName(l, other, "id-syn-text", bin, chars), 0u);
  EXPECT_EQ(Str(bin), Binary(6));
  for (KQBM_dbHandle_t f : other->files) EXPECT_EQ(f, nullptr);
  ASSERT_EQ(OID_CloseDb(l, &other), 0u);
  EXPECT_EQ(other, nullptr);
}

TEST_F(oid_lookup, BlocksMustMatchTheInitialisationAndFallBackToTheDefaultLocale) {
  List l;
  OID_dbBlock_t *b = nullptr;
  std::string dir = StagedRegistry();
  EXPECT_EQ(OID_OpenDb(l, "/tmp", "C", 0, &b), OID_ST_PATH_DIFFERS);
  EXPECT_EQ(OID_OpenDb(l, dir.c_str(), "C", 2, &b), OID_ST_MODE_DIFFERS);
  EXPECT_EQ(OID_OpenDb(l, dir.c_str(), "", 0, &b), OID_ST_BAD_LOCALE);
  EXPECT_EQ(OID_Init(l, dir.c_str(), 0), OID_ST_INIT_TWICE);
  ASSERT_EQ(OID_OpenDb(l, (dir + "/").c_str(), "fr_FR", 0, &b), 0u);
  unsigned char bin[OID_BINARY_MAX];
  EXPECT_EQ(OID_LookupAbbrev(l, b, "id-syn-delta-t", bin, nullptr), 0u);
  EXPECT_EQ(OID_SetLocale(l, b, "de_DE"), OID_ST_BAD_LOCALE);  // no file: keeps the old one
  EXPECT_EQ(OID_LookupAbbrev(l, b, "id-syn-delta-t", bin, nullptr), 0u);
  EXPECT_EQ(OID_SetLocale(l, b, "en_US"), 0u);
  EXPECT_EQ(OID_LookupAbbrev(l, b, "id-syn-delta-t", bin, nullptr), 0u);
  OID_CloseDb(l, &b);
}

TEST(oid_init, Failures) {
  List l;
  OID_dbBlock_t *b = nullptr;
  EXPECT_EQ(OID_OpenDb(l, "/tmp", "C", 0, &b), OID_ST_NOT_INIT);
  EXPECT_EQ(OID_Init(l, "/nonexistent-dir", 0), OID_ST_NO_LOCK_FILE);
  // A lock file but no dynamic-OID database: the conversions do not start.
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / OID_LOCK_FILE, "");
  EXPECT_EQ(OID_Init(l, dir.path().c_str(), 0), OID_ST_GENU_FAILED);
  EXPECT_EQ(OID_OpenDb(l, dir.path().c_str(), "C", 0, &b), OID_ST_NOT_INIT);  // nothing half-done
}

class oid_no_cache : public Registry {};

// OID_NO_CACHE bypasses both caches: lookups answer from the files and store nothing.
TEST_F(oid_no_cache, EnvironmentBypassesTheCaches) {
  {
    kq::test::EnvGuard env{{"OID_NO_CACHE", ""}};
    Open(StagedRegistry(), OID_MODE_READ);
  }
  List l;
  char name[OID_NAME_MAX];
  EXPECT_EQ(ByName("id-syn-text"), Binary(6));
  ASSERT_EQ(OID_LookupShort(l, block_, 6, name, nullptr), 0u);
  EXPECT_STREQ(name, "id-syn-text");
  EXPECT_EQ(OID__LookupShortCache(6, nullptr, nullptr), 1u);  // bypassed
  OID__noCache = false;
  EXPECT_EQ(OID__nameCache.count, 0);
  EXPECT_EQ(OID__LookupShortCache(6, nullptr, nullptr), OID_ST_NOT_FOUND);
}

}  // namespace
