// Dotted text, binary utilities and characteristics records.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "infra/genu_oid.h"
#include "oid_fixture.h"

namespace {

using kq::oid::test::Binary;
using kq::oid::test::Bytes;
using kq::oid::test::List;

std::string ToDec(const unsigned char *bin, const unsigned char *chars = nullptr) {
  List l;
  char *text = nullptr;
  uint32_t len = 0;
  if (OID_ConvertBinToDec(l, bin, chars, &len, &text)) return "error";
  std::string s = text;
  EXPECT_EQ(len, s.size() + 1);
  free(text);
  return s;
}

TEST(oid_dotted, EveryTableRowMatchesTheDataFile) {
  std::ifstream data(KQ_SOURCE_DIR "/data/oids.txt");
  ASSERT_TRUE(data.good());
  int rows = 0;
  for (std::string line; std::getline(data, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    uint32_t shoid;
    std::string name, dotted;
    in >> shoid >> name >> dotted;
    if (dotted == "-") continue;
    SCOPED_TRACE(name);
    unsigned char bin[OID_BINARY_MAX];
    List l;
    ASSERT_EQ(OID_ConvertDecToBin(l, dotted.c_str(), bin, nullptr), 0u);
    std::string fromTable = Binary(shoid);
    ASSERT_EQ(std::string(reinterpret_cast<char *>(bin), bin[1] + 3u), fromTable);
    EXPECT_EQ(ToDec(bin), dotted);
    rows++;
  }
  EXPECT_GT(rows, 700);
}

TEST(oid_dotted, Arcs) {
  unsigned char bin[OID_BINARY_MAX];
  List l;
  ASSERT_EQ(OID_ConvertDecToBin(l, "2.6.1", bin, nullptr), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(bin), 5), std::string("\x06\x02\x56\x01\x00", 5));
  EXPECT_EQ(ToDec(bin), "2.6.1");
  ASSERT_EQ(OID_ConvertDecToBin(l, "3.20", bin, nullptr), 0u);
  EXPECT_EQ(bin[2], 140);
  EXPECT_EQ(ToDec(bin), "3.20");
  ASSERT_EQ(OID_ConvertDecToBin(l, "1.2.840.113549.0.18446744073709551616", bin, nullptr), 0u);
  EXPECT_EQ(ToDec(bin), "1.2.840.113549.0.18446744073709551616");
  ASSERT_EQ(OID_ConvertDecToBin(l, "1.2.007", bin, nullptr), 0u);
  EXPECT_EQ(ToDec(bin), "1.2.7");
  for (const char *bad : {"6.20", "1", "", "1..2", "1.2.", "1.x", "-1.2"}) {
    List f;
    EXPECT_EQ(OID_ConvertDecToBin(f, bad, bin, nullptr), OID_ST_BAD_DOTTED) << bad;
    EXPECT_EQ(f.Code(), OID_ST_BAD_DOTTED);
  }
  std::string tooLong = "1.2";
  for (int i = 0; i < 130; i++) tooLong += ".5";
  EXPECT_EQ(OID_ConvertDecToBin(l, tooLong.c_str(), bin, nullptr), OID_ST_BAD_DOTTED);
}

// The largest arc that fits the content limit is taken; one digit more, or an arc of
// millions of digits, is refused (the latter at once rather than after converting it).
TEST(oid_dotted, ArcsAtTheLengthLimit) {
  // 1.0 and one arc of 126 base-128 groups, all bits set: 2^882 - 1.
  unsigned char widest[OID_BINARY_MAX] = {6, 127, 0x28};
  memset(widest + 3, 0xff, 125);
  widest[128] = 0x7f;
  std::string largest = ToDec(widest);
  ASSERT_EQ(largest.size(), 4 + 266u);
  const std::pair<std::string, uint32_t> rows[] = {
      {largest, 0},
      {largest + "0", OID_ST_BAD_DOTTED},
      {"1.2.840." + largest.substr(4), OID_ST_BAD_DOTTED},
      {"1.2." + std::string(2'000'000, '7'), OID_ST_BAD_DOTTED},
      {"1.2." + std::string(2'000'000, '0') + "5", 0},
  };
  for (const auto &[text, want] : rows) {
    unsigned char bin[OID_BINARY_MAX];
    List l;
    EXPECT_EQ(OID_ConvertDecToBin(l, text.c_str(), bin, nullptr), want) << text.substr(0, 40);
    if (want == 0)
      EXPECT_EQ(ToDec(bin), text.substr(0, 4) + text.substr(text.find_first_not_of("0", 4)));
  }
}

TEST(oid_dotted, Characteristics) {
  unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
  const char *text = "1.0.10175.1.5.1:48.35.1.0.5.0.0.0.255.255.255.63.255.255.255.255.255.255.255";
  List l;
  ASSERT_EQ(OID_ConvertDecToBin(l, text, bin, chars), 0u);
  EXPECT_EQ(chars[0], 48);
  EXPECT_EQ(chars[11], 63);
  EXPECT_EQ(ToDec(bin, chars), text);
  EXPECT_EQ(OID_ConvertDecToBin(l, "1.0.10175", bin, chars), OID_ST_NO_CHARS_TEXT);
  for (const char *bad : {"1.2:1.2.3", "1.2:1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.256",
                          "1.2:1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20",
                          "1.2:1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.x"}) {
    List f;
    EXPECT_EQ(OID_ConvertDecToBin(f, bad, bin, chars), OID_ST_BAD_CHARS) << bad;
  }
  // Characteristics in the text are ignored when not asked for.
  ASSERT_EQ(OID_ConvertDecToBin(l, text, bin, nullptr), 0u);
  EXPECT_EQ(ToDec(bin), "1.0.10175.1.5.1");
}

TEST(oid_dotted, BadBinaries) {
  const unsigned char notOid[] = {4, 1, 0x28, 0};
  const unsigned char openArc[] = {6, 2, 0x28, 0x81, 0};
  const unsigned char tooLong[] = {6, 200, 0x28, 0};
  for (const unsigned char *b : {notOid, openArc, tooLong}) {
    List l;
    char *text = nullptr;
    uint32_t len = 0;
    EXPECT_EQ(OID_ConvertBinToDec(l, b, nullptr, &len, &text), OID_ST_BAD_BINARY);
    EXPECT_EQ(text, nullptr);
  }
}

TEST(oid_binary, Utilities) {
  std::string a = Binary(1), b = Binary(7), v = Binary(200);
  EXPECT_EQ(OID_Len(Bytes(a)), a[1] + 3);
  EXPECT_EQ(OID_Len(nullptr), -1);
  EXPECT_EQ(OID_CmpBinary(Bytes(a), Bytes(a)), 0);
  EXPECT_EQ(OID_CmpBinary(Bytes(a), Bytes(b)), -1);
  EXPECT_EQ(OID_CmpBinary(Bytes(b), Bytes(a)), 1);
  EXPECT_EQ(OID_CmpBinary(Bytes(a), Bytes(v)), -1);  // shorter length byte first
  EXPECT_EQ(OID_CmpBinary(nullptr, Bytes(a)), -2);
  const unsigned char notOid[] = {4, 1, 0x28, 0};
  EXPECT_EQ(OID_CmpBinary(Bytes(a), notOid), -2);
  EXPECT_EQ(OID_EqualBinary(Bytes(a), Bytes(a)), 1);
  EXPECT_EQ(OID_EqualBinary(Bytes(a), Bytes(b)), 0);

  unsigned char copy[OID_BINARY_MAX + OID_CHARS_LEN];
  memset(copy, 0xee, sizeof copy);
  EXPECT_EQ(OID_CopyBinary(copy, Bytes(a)), a[1] + 3);
  EXPECT_EQ(copy[a[1] + 2], 0);
  EXPECT_EQ(OID_GetChars(copy), nullptr);
  copy[a[1] + 2] = 0x30;
  EXPECT_EQ(OID_GetChars(copy), copy + a[1] + 2);
  EXPECT_EQ(OID_CopyBinary(copy, notOid), -1);
}

TEST(oid_chars, Builders) {
  unsigned char r[OID_CHARS_LEN];
  OID_attrProperties_t p{1, 0x42, 10, 0x0d0a, 7};
  uint32_t ops[] = {0, 9, 29, 30, 100};
  uint32_t classes[] = {2, 55, 56};
  OID_SetAttrCharacteristics(&p, ops, 5, classes, 3, r);
  const unsigned char want[OID_CHARS_LEN] = {0x30, 0x23, 2,    0x42, 10, 0x0d, 0x0a, 7, 0x01, 0x02,
                                             0,    0x20, 0x04, 0,    0,  0,    0,    0, 0x80};
  EXPECT_EQ(memcmp(r, want, OID_CHARS_LEN), 0);
  EXPECT_EQ(OID_ValidForOp(r, 9), 1);
  EXPECT_EQ(OID_ValidForOp(r, 8), 0);
  EXPECT_EQ(OID_ValidForOp(r, 30), 0);  // beyond the operations, whatever the bytes say
  EXPECT_EQ(OID_ValidForOp(r, -1), 0);
  EXPECT_EQ(OID_ValidForOp(nullptr, 9), 0);
  EXPECT_EQ(OID_ValidForObject(r, 55), 1);
  EXPECT_EQ(OID_ValidForObject(r, 56), 0);

  // A syntax without value class keeps bytes 5..7 clear; multi-valued only for 1.
  OID_attrProperties_t q{3, 0, 12, 0x0d0a, 7};
  OID_SetAttrCharacteristics_M(&q, r);
  EXPECT_EQ(r[2], 1);
  EXPECT_EQ(r[5] | r[6] | r[7], 0);
  OID_SetValidObjectClass(0, r);
  for (int n = 0; n <= 55; n++) EXPECT_EQ(OID_ValidForObject(r, n), 1);

  OID_SetValueCharacteristics(0x0102, 9, r);
  const unsigned char value[8] = {0x30, 0x40, 0, 0, 10, 1, 2, 9};
  EXPECT_EQ(memcmp(r, value, 8), 0);
  OID_SetValueClassCharacteristics(0x0304, r);
  const unsigned char vc[8] = {0x30, 0x30, 0, 0, 0, 3, 4, 0};
  EXPECT_EQ(memcmp(r, vc, 8), 0);
}

}  // namespace
