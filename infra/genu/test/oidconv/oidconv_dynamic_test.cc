// Dynamic identifiers: a real "oid_cvrt" database in a temporary directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "infra/genu_oid.h"
#include "../support/oid_db_support.h"

namespace {

struct List {
  STF_statusList_t *s = STF_CreateList(nullptr);
  ~List() { STF_DeleteList(s); }
  uint32_t Code() const { return STF_GetStatus(s); }
};

constexpr uint32_t kDyn = 0x80000005u;
const unsigned char kBinary[] = {6, 4, 0x69, 0x83, 0x01, 0x07};  // 2.25.385.7

class genu_oid_dynamic : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(db_.db, nullptr);
    std::string b(reinterpret_cast<const char *>(kBinary), sizeof kBinary);
    db_.Register(kDyn, b, '\x1b', "x-local-queue-name");  // type 27
    db_.Put("x-broken", "12z");
    db_.Close();
    dir_ = db_.dir;
  }
  genvtest::TempOidDb db_;
  std::string dir_;
};

TEST_F(genu_oid_dynamic, NeedsTheDatabase) {
  List l;
  GENU_berOid_t ber{};
  EXPECT_EQ(GENU_ShortToBerOID(l.s, kDyn, &ber), 1);
  EXPECT_EQ(l.Code(), GENU_ST_OID_NOT_OPEN);
  EXPECT_STREQ(GENU_ShortOIDToAscii(kDyn), "unknown");
  uint32_t shoid = 0;
  List m;
  EXPECT_EQ(GENU_AsciiToShortOID(m.s, "x-local-queue-name", &shoid), 1);
  EXPECT_EQ(m.Code(), GENU_ST_OID_NOT_OPEN);
  EXPECT_EQ(GENU_GetCvrtHandle(), nullptr);
}

TEST_F(genu_oid_dynamic, ConvertsBothWays) {
  List l;
  ASSERT_EQ(GENU_Init(l.s, dir_.c_str(), 0), 0);
  EXPECT_NE(GENU_GetCvrtHandle(), nullptr);
  GENU_berOid_t ber{};
  ASSERT_EQ(GENU_ShortToBerOID(l.s, kDyn, &ber), 0);
  ASSERT_EQ(ber.length, 4);
  EXPECT_EQ(memcmp(ber.value, kBinary + 2, 4), 0);
  const unsigned char *bin = nullptr;
  ASSERT_EQ(GENU_ShortToBinaryOID(l.s, kDyn, &bin), 0);
  EXPECT_EQ(memcmp(bin, kBinary, sizeof kBinary), 0);
  uint32_t type = 0, shoid = 0;
  ASSERT_EQ(GENU_AttrIdToType(l.s, kDyn, &type), 0);
  EXPECT_EQ(type, 27u);
  EXPECT_STREQ(GENU_ShortOIDToAscii(kDyn), "x-local-queue-name");
  ASSERT_EQ(GENU_AsciiToShortOID(l.s, "x-local-queue-name", &shoid), 0);
  EXPECT_EQ(shoid, kDyn);
  shoid = 0;
  ASSERT_EQ(GENU_BinaryToShortOID(l.s, kBinary, &shoid), 0);
  EXPECT_EQ(shoid, kDyn);
  shoid = 0;
  ASSERT_EQ(GENU_BerToShortOID(l.s, &ber, &shoid), 0);
  EXPECT_EQ(shoid, kDyn);
  EXPECT_EQ(STF_GetStatus(l.s), 0u);

  // Static identifiers still come from the table.
  ASSERT_EQ(GENU_AsciiToShortOID(l.s, "id-syn-descriptor", &shoid), 0);
  EXPECT_EQ(shoid, 1u);

  for (uint32_t missing : {0x80000006u, 0xffffffffu}) {
    List f;
    EXPECT_EQ(GENU_ShortToBerOID(f.s, missing, &ber), 1);
    EXPECT_EQ(f.Code(), GENU_ST_OID_UNKNOWN);
  }
  List f;
  EXPECT_EQ(GENU_AsciiToShortOID(f.s, "x-nowhere", &shoid), 1);
  EXPECT_EQ(f.Code(), GENU_ST_OID_UNKNOWN);
  List g;
  EXPECT_EQ(GENU_AsciiToShortOID(g.s, "x-broken", &shoid), 1);
  EXPECT_EQ(g.Code(), GENU_ST_OID_UNKNOWN);
}

TEST_F(genu_oid_dynamic, OpenRules) {
  List l;
  EXPECT_EQ(GENU_Init(l.s, dir_.c_str(), 1), 1);
  EXPECT_EQ(l.Code(), GENU_ST_OID_BAD_MODE);
  List m;
  EXPECT_EQ(GENU_Init(m.s, nullptr, 0), 1);
  EXPECT_EQ(m.Code(), GENU_ST_OID_NO_DIR);
  List n;
  EXPECT_EQ(GENU_Init(n.s, (dir_ + "/absent").c_str(), 0), 1);
  EXPECT_EQ(n.Code(), GENU_ST_OID_OPEN_FAILED);
  List o;
  ASSERT_EQ(GENU_Init(o.s, dir_.c_str(), 2), 0);
  EXPECT_EQ(GENU_Init(o.s, dir_.c_str(), 0), 1);
  EXPECT_EQ(o.Code(), GENU_ST_OID_OPEN_TWICE);
  GENU_Term();
  List p;
  ASSERT_EQ(GENU_Init(p.s, dir_.c_str(), 0), 0);
}

}  // namespace
