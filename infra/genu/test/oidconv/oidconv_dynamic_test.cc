// Dynamic identifiers: a real "oid_cvrt" database in a scratch directory.
#include <cstring>
#include <string>
#include <vector>

#include "../support/oid_db_support.h"

namespace {

using kq::test::StatusList;

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
  }
  kq::genu::test::TempOidDb db_;
  const std::string &dir_ = db_.dir;
};

TEST_F(genu_oid_dynamic, DynamicIdentifiersNeedTheDatabase) {
  StatusList l;
  GENU_berOid_t ber{};
  uint32_t shoid = 0;
  EXPECT_EQ(
      GENU_ShortToBerOID(l, kDyn, &ber) + GENU_AsciiToShortOID(l, "x-local-queue-name", &shoid), 2);
  EXPECT_EQ(l.Codes(), std::vector<uint32_t>(2, GENU_ST_OID_NOT_OPEN));
  EXPECT_STREQ(GENU_ShortOIDToAscii(kDyn), "unknown");
}

TEST_F(genu_oid_dynamic, DynamicIdentifiersConvertBothWays) {
  StatusList l;
  ASSERT_EQ(GENU_Init(l, dir_.c_str(), 0), 0);
  GENU_berOid_t ber{};
  ASSERT_EQ(GENU_ShortToBerOID(l, kDyn, &ber), 0);
  ASSERT_EQ(ber.length, 4);
  EXPECT_EQ(memcmp(ber.value, kBinary + 2, 4), 0);
  const unsigned char *bin = nullptr;
  ASSERT_EQ(GENU_ShortToBinaryOID(l, kDyn, &bin), 0);
  EXPECT_EQ(memcmp(bin, kBinary, sizeof kBinary), 0);
  uint32_t type = 0, a = 0, b = 0, c = 0, stat = 0;
  ASSERT_EQ(GENU_AttrIdToType(l, kDyn, &type), 0);
  EXPECT_EQ(type, 27u);
  EXPECT_STREQ(GENU_ShortOIDToAscii(kDyn), "x-local-queue-name");
  ASSERT_EQ(GENU_AsciiToShortOID(l, "x-local-queue-name", &a), 0);
  ASSERT_EQ(GENU_BinaryToShortOID(l, kBinary, &b), 0);
  ASSERT_EQ(GENU_BerToShortOID(l, &ber, &c), 0);
  EXPECT_EQ(std::vector<uint32_t>({a, b, c}), std::vector<uint32_t>(3, kDyn));
  EXPECT_EQ(l.Code(), 0u);
  // Static identifiers still come from the table.
  ASSERT_EQ(GENU_AsciiToShortOID(l, "id-syn-descriptor", &stat), 0);
  EXPECT_EQ(stat, 1u);

  // An identifier or a name the database does not hold, or holds unreadably.
  StatusList f;
  EXPECT_EQ(GENU_ShortToBerOID(f, 0x80000006u, &ber) + GENU_AsciiToShortOID(f, "x-nowhere", &a) +
                GENU_AsciiToShortOID(f, "x-broken", &a),
            3);
  EXPECT_EQ(f.Codes(), std::vector<uint32_t>(3, GENU_ST_OID_UNKNOWN));
}

TEST_F(genu_oid_dynamic, OpeningRefusesBadModesDirectoriesAndASecondOpen) {
  struct {
    std::string dir;
    int32_t mode;
    uint32_t code;
  } refused[] = {{dir_, 1, GENU_ST_OID_BAD_MODE},
                 {"", 0, GENU_ST_OID_NO_DIR},
                 {dir_ + "/absent", 0, GENU_ST_OID_OPEN_FAILED}};
  for (const auto &r : refused) {
    StatusList l;
    EXPECT_EQ(GENU_Init(l, r.dir.empty() ? nullptr : r.dir.c_str(), r.mode), 1) << r.dir;
    EXPECT_EQ(l.Code(), r.code) << r.dir;
  }
  StatusList o;
  ASSERT_EQ(GENU_Init(o, dir_.c_str(), 2), 0);
  EXPECT_EQ(GENU_Init(o, dir_.c_str(), 0), 1);
  EXPECT_EQ(o.Code(), GENU_ST_OID_OPEN_TWICE);
  GENU_Term();
  StatusList p;
  ASSERT_EQ(GENU_Init(p, dir_.c_str(), 0), 0);
}

}  // namespace
