// Adding and deleting identifiers and names in a fresh read-write registry.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "infra/genu_oid.h"
#include "oid_fixture.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

namespace {

using kq::oid::test::Binary;
using kq::oid::test::Bytes;
using kq::oid::test::List;

// 2.25.<n>: identifiers the table does not know.
std::string NewBinary(int n) {
  unsigned char bin[OID_BINARY_MAX];
  List l;
  std::string dotted = "2.25.9." + std::to_string(n);
  EXPECT_EQ(OID_ConvertDecToBin(l, dotted.c_str(), bin, nullptr), 0u);
  return std::string(reinterpret_cast<char *>(bin), bin[1] + 3u);
}

// A fresh registry; tests open it themselves unless they take oid_change_rw.
class oid_change : public kq::oid::test::Registry {
 protected:
  uint32_t Lookup(const char *name, std::string *bin = nullptr) {
    List l;
    unsigned char out[OID_BINARY_MAX];
    uint32_t st = OID_LookupName(l, block_, name, out, nullptr);
    if (!st && bin) *bin = std::string(reinterpret_cast<char *>(out), out[1] + 3u);
    return st;
  }
  std::string LastIndex() {
    kq::oid::test::List l;
    kq::oid::FileUse locale;
    EXPECT_EQ(locale.Take(block_, OID_FILE_LOCALE), 0u);
    std::string v;
    locale.Fetch(std::string(OID_LAST_INDEX_KEY), &v);
    return v;
  }
  kq::oid::test::TempRegistry reg_;
  unsigned char chars_[OID_CHARS_LEN];
};

class oid_change_rw : public oid_change {
 protected:
  void SetUp() override {
    Open(reg_.dir(), OID_MODE_WRITE);
    OID_SetValueCharacteristics(3345, 0, chars_);
  }
};

// A registry whose directory and files the user may not write: opening it read-write
// is refused with the lock status (the process lock needs write access), and the same
// process then opens it read-only and reads from it.
TEST_F(oid_change, ReadOnlyRegistryRefusesReadWriteAndStaysReadable) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  for (const auto &e : std::filesystem::directory_iterator(reg_.dir()))
    ASSERT_EQ(chmod(e.path().c_str(), 0444), 0);
  ASSERT_EQ(chmod(reg_.dir().c_str(), 0555), 0);
  std::string got = kq::test::RunAs(65534, 65534, [&] {
    List l;
    std::string out = "write " + std::to_string(OID_Init(l, reg_.dir().c_str(), OID_MODE_WRITE));
    OID_dbBlock_t *block = nullptr;
    uint32_t st = OID_Init(l, reg_.dir().c_str(), OID_MODE_READ);
    if (!st) st = OID_OpenDb(l, reg_.dir().c_str(), "C", OID_MODE_READ, &block);
    char name[OID_NAME_MAX] = "";
    if (!st) st = OID_LookupBinary(l, block, Bytes(Binary(1)), name, nullptr);
    out += " read " + std::to_string(st) + (name[0] ? " named" : "");
    if (block) OID_CloseDb(l, &block);
    OID_Term();
    return out;
  });
  chmod(reg_.dir().c_str(), 0755);
  EXPECT_EQ(got, "write " + std::to_string(OID_ST_LOCK_FAILED) + " read 0 named");
}

TEST_F(oid_change_rw, AddLookUpAddNamesDelete) {
  OID__noCache = true;  // every lookup below reads the files
  std::string bin = NewBinary(1);
  List l;
  ASSERT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-new-value", chars_, 0), 0u);
  std::string found;
  ASSERT_EQ(Lookup("x-new-value", &found), 0u);
  EXPECT_EQ(found, bin);
  char name[OID_NAME_MAX];
  unsigned char chars[OID_CHARS_LEN];
  ASSERT_EQ(OID_LookupBinary(l, block_, Bytes(bin), name, chars), 0u);
  EXPECT_STREQ(name, "x-new-value");
  EXPECT_EQ(memcmp(chars, chars_, OID_CHARS_LEN), 0);

  // Further names, up to eleven in all.
  for (int i = 1; i <= 10; i++) {
    std::string alias = "x-alias-" + std::to_string(i);
    ASSERT_EQ(OID_AddName(l, block_, Bytes(bin), alias.c_str()), 0u) << i;
  }
  ASSERT_EQ(Lookup("x-alias-7", &found), 0u);
  EXPECT_EQ(found, bin);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(bin), "x-alias-11"), OID_ST_TOO_MANY_NAMES);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(bin), "x-alias-1"), OID_ST_NAME_EXISTS);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(NewBinary(2)), "x-other"), OID_ST_OID_UNKNOWN);

  ASSERT_EQ(OID_DeleteOID(l, block_, Bytes(bin)), 0u);
  EXPECT_EQ(Lookup("x-new-value"), OID_ST_NOT_FOUND);
  EXPECT_EQ(Lookup("x-alias-3"), OID_ST_NOT_FOUND);
  EXPECT_EQ(OID_LookupBinary(l, block_, Bytes(bin), name, nullptr), OID_ST_NOT_FOUND);
  EXPECT_EQ(OID_DeleteOID(l, block_, Bytes(bin)), OID_ST_OID_UNKNOWN);
  // The name can be registered again.
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-new-value", chars_, 0), 0u);
}

TEST_F(oid_change_rw, CheckOnlyAndRefusals) {
  List l;
  std::string known = Binary(7), fresh = NewBinary(3), last = LastIndex();
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(fresh), "id-syn-text", chars_, 1), OID_ST_NAME_EXISTS);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(known), "x-fresh", chars_, 1), OID_ST_OID_EXISTS);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(fresh), "x-fresh", chars_, 1), 0u);
  EXPECT_EQ(Lookup("x-fresh"), OID_ST_NOT_FOUND);
  EXPECT_EQ(LastIndex(), last);

  EXPECT_EQ(OID_AddOID(l, block_, Bytes(fresh), "", chars_, 0), OID_ST_BAD_NAME);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(fresh), std::string(128, 'n').c_str(), chars_, 0),
            OID_ST_BAD_NAME);
  std::string big = "1.2";
  for (int i = 0; i < 70; i++) big += ".1";  // L + 2 = 73
  unsigned char bigBin[OID_BINARY_MAX];
  ASSERT_EQ(OID_ConvertDecToBin(l, big.c_str(), bigBin, nullptr), 0u);
  EXPECT_EQ(OID_AddOID(l, block_, bigBin, "x-big", chars_, 0), OID_ST_BAD_BINARY);
  EXPECT_EQ(OID_AddDescriptor(l), OID_ST_NOT_SUPPORTED);
  EXPECT_EQ(OID_AddSupported(l), OID_ST_NOT_SUPPORTED);
  EXPECT_EQ(OID_AddReady(l), OID_ST_NOT_SUPPORTED);
}

TEST_F(oid_change_rw, FailedStoreIsRolledBack) {
  // Occupy the main-file record of the next locale index: the third store fails.
  std::string next = std::to_string(atoi(LastIndex().c_str()) + 1);
  {
    kq::oid::FileUse main;
    ASSERT_EQ(main.Take(block_, OID_FILE_MAIN), 0u);
    ASSERT_EQ(main.Store(next, "squatter", KQBM_INSERT), 0u);
  }
  std::string last = LastIndex();
  List l;
  std::string bin = NewBinary(4);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-rolled-back", chars_, 0), OID_ST_INCONSISTENT);
  EXPECT_EQ(l.Code(), OID_ST_INCONSISTENT);
  EXPECT_EQ(LastIndex(), last);
  EXPECT_EQ(Lookup("x-rolled-back"), OID_ST_NOT_FOUND);
  kq::oid::FileUse locale;
  ASSERT_EQ(locale.Take(block_, OID_FILE_LOCALE), 0u);
  std::string v;
  EXPECT_FALSE(locale.Fetch(next, &v));  // the index record went too
  locale.Release();
  // The same for a further name.
  EXPECT_EQ(OID_AddName(l, block_, Bytes(Binary(7)), "x-alias"), OID_ST_INCONSISTENT);
  EXPECT_EQ(Lookup("x-alias"), OID_ST_NOT_FOUND);
  char name[OID_NAME_MAX];
  ASSERT_EQ(OID_LookupBinary(l, block_, Bytes(Binary(7)), name, nullptr), 0u);
  EXPECT_STREQ(name, "id-syn-delta-time");
}

TEST_F(oid_change, ReadOnlyStoresAreRefusedAndNothingIsLeft) {
  Open(reg_.dir(), OID_MODE_READ);
  List l;
  unsigned char chars[OID_CHARS_LEN] = {0x30, 0x40};
  std::string bin = NewBinary(5);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-read-only", chars, 0), OID_ST_INCONSISTENT);
  unsigned char out[OID_BINARY_MAX];
  EXPECT_EQ(OID_LookupName(l, block_, "x-read-only", out, nullptr), OID_ST_NOT_FOUND);
  EXPECT_EQ(OID_DeleteOID(l, block_, Bytes(Binary(7))), OID_ST_INCONSISTENT);
  EXPECT_EQ(OID_LookupName(l, block_, "id-syn-delta-time", out, nullptr), 0u);
}

TEST_F(oid_change, WrongKindAndDynamicIdentifiers) {
  // A dynamic identifier known to the conversions' database, registered by name.
  constexpr uint32_t kDyn = 0x80000001u;
  std::string bin = NewBinary(42);
  {
    KQBM_dbHandle_t cvrt = KQBM_open((reg_.dir() + "/oid_cvrt").c_str(), O_RDWR, 0, 0);
    ASSERT_NE(cvrt, nullptr);
    std::string key = "b-" + std::to_string(kDyn), content = bin.substr(0, bin.size() - 1) + "\x0a";
    datum k{key.data(), static_cast<int32_t>(key.size())};
    datum v{content.data(), static_cast<int32_t>(content.size())};
    ASSERT_EQ(KQBM_store(cvrt, k, v, KQBM_INSERT), 0u);
    KQBM_close(cvrt);
  }
  Open(reg_.dir(), OID_MODE_WRITE);
  List l;
  unsigned char chars[OID_CHARS_LEN];
  OID_SetValueClassCharacteristics(0, chars);
  ASSERT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-dynamic", chars, 0), 0u);
  char name[OID_NAME_MAX];
  ASSERT_EQ(OID_LookupShort(l, block_, kDyn, name, nullptr), 0u);
  EXPECT_STREQ(name, "x-dynamic");
  EXPECT_EQ(OID_LookupShort(l, block_, kDyn + 1, name, nullptr), OID_ST_NOT_FOUND);

  // A syntax record that holds an object class is refused.
  {
    kq::oid::FileUse main;
    ASSERT_EQ(main.Take(block_, OID_FILE_MAIN), 0u);
    unsigned char oc[OID_CHARS_LEN] = {0x30, OID_KIND_OBJECT_CLASS << 4};
    std::string content =
        bin.substr(0, bin.size() - 1) + std::string(reinterpret_cast<char *>(oc), OID_CHARS_LEN);
    ASSERT_EQ(main.Store("S0200", content, KQBM_INSERT), 0u);
  }
  unsigned char out[OID_BINARY_MAX];
  EXPECT_EQ(OID_LookupSyntax(l, block_, 200, out), OID_ST_WRONG_KIND);
  char text[OID_TEXT_MAX];
  ASSERT_EQ(OID_LookupDescriptorFromBinary(l, block_, Bytes(bin), text), 0u);
  EXPECT_STREQ(text, "");
}

}  // namespace
