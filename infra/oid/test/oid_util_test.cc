// Dotted text, binary utilities and characteristics records.
#include <cstring>
#include <vector>

#include "oid_fixture.h"

namespace {

using namespace kq::oid::test;

// `text` converted to binary (and characteristics when `withChars`) and back, or
// Fails(code), which the status list holds too.
std::string RoundTrip(const std::string &text, bool withChars = false) {
  unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
  List l;
  uint32_t st = OID_ConvertDecToBin(l, text.c_str(), bin, withChars ? chars : nullptr);
  EXPECT_EQ(l.Code(), st) << text.substr(0, 40);
  return st ? Fails(st) : ToDec(bin, withChars ? chars : nullptr);
}

// Arcs of every size up to the content limit; one digit more, or an arc of millions of
// digits, is refused (the latter at once rather than after converting it).
TEST(oid_dotted, TextsAndTheirLimits) {
  // 1.0 and one arc of 126 base-128 groups, all bits set: 2^882 - 1.
  unsigned char widest[OID_BINARY_MAX] = {6, 127, 0x28};
  memset(widest + 3, 0xff, 125);
  widest[128] = 0x7f;
  std::string largest = ToDec(widest);
  ASSERT_EQ(largest.size(), 4 + 266u);
  std::string arcs130 = "1.2", bad = Fails(OID_ST_BAD_DOTTED);
  for (int i = 0; i < 130; i++) arcs130 += ".5";
  const std::string big = "1.2.840.113549.0.18446744073709551616";
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"2.6.1", "2.6.1"}, {"3.20", "3.20"}, {"1.2.007", "1.2.7"}, {big, big}, {arcs130, bad},
      {largest, largest}, {largest + "0", bad}, {"1.2.840." + largest.substr(4), bad},
      {"1.2." + std::string(2'000'000, '7'), bad},
      {"1.2." + std::string(2'000'000, '0') + "5", "1.2.5"}};
  // clang-format on
  for (const auto &[text, want] : rows) EXPECT_EQ(RoundTrip(text), want) << text.substr(0, 40);
  for (const char *text : {"6.20", "1", "", "1..2", "1.2.", "1.x", "-1.2"})
    EXPECT_EQ(RoundTrip(text), bad) << text;
  unsigned char bin[OID_BINARY_MAX];
  List l;
  ASSERT_EQ(OID_ConvertDecToBin(l, "2.6.1", bin, nullptr), 0u);
  EXPECT_EQ(Str(bin), std::string("\x06\x02\x56\x01\x00", 5));
  ASSERT_EQ(OID_ConvertDecToBin(l, "3.20", bin, nullptr), 0u);
  EXPECT_EQ(bin[2], 140);
  // Binaries that are not OIDs, end inside an arc, or claim more than the limit.
  const unsigned char notOid[] = {4, 1, 0x28, 0}, openArc[] = {6, 2, 0x28, 0x81, 0},
                      tooLong[] = {6, 200, 0x28, 0};
  for (const unsigned char *b : {notOid, openArc, tooLong})
    EXPECT_EQ(ToDec(b), Fails(OID_ST_BAD_BINARY));
}

TEST(oid_dotted, Characteristics) {
  const std::string text =
      "1.0.10175.1.5.1:48.35.1.0.5.0.0.0.255.255.255.63.255.255.255.255.255.255.255";
  const std::string chars18 = "1.2:1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18",
                    bad = Fails(OID_ST_BAD_CHARS);
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {text, text}, {"1.0.10175", Fails(OID_ST_NO_CHARS_TEXT)}, {"1.2:1.2.3", bad},
      {chars18 + ".256", bad}, {chars18 + ".19.20", bad}, {chars18 + ".x", bad}};
  // clang-format on
  for (const auto &[in, want] : rows) EXPECT_EQ(RoundTrip(in, true), want) << in;
  EXPECT_EQ(RoundTrip(text), "1.0.10175.1.5.1");  // ignored when not asked for
}

TEST(oid_binary, Utilities) {
  std::string a = Binary(1), b = Binary(7), v = Binary(200);
  const unsigned char notOid[] = {4, 1, 0x28, 0};
  EXPECT_EQ(OID_Len(Bytes(a)), a[1] + 3);
  const unsigned char *A = Bytes(a), *B = Bytes(b), *V = Bytes(v);
  // A shorter length byte sorts first; what is not an OID compares as -2.
  EXPECT_EQ(
      (std::vector<int>{OID_CmpBinary(A, A), OID_CmpBinary(A, B), OID_CmpBinary(B, A),
                        OID_CmpBinary(A, V), OID_CmpBinary(nullptr, A), OID_CmpBinary(A, notOid),
                        OID_EqualBinary(A, A), OID_EqualBinary(A, B)}),
      (std::vector<int>{0, -1, 1, -1, -2, -2, 1, 0}));
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
  uint32_t ops[] = {0, 9, 29, 30, 100}, classes[] = {2, 55, 56};
  OID_SetAttrCharacteristics(&p, ops, 5, classes, 3, r);
  const unsigned char want[OID_CHARS_LEN] = {0x30, 0x23, 2,    0x42, 10, 0x0d, 0x0a, 7, 0x01, 0x02,
                                             0,    0x20, 0x04, 0,    0,  0,    0,    0, 0x80};
  EXPECT_EQ(memcmp(r, want, OID_CHARS_LEN), 0);
  // Operations beyond the last are refused whatever the bytes say.
  for (auto [op, valid] : {std::pair{9, 1}, {8, 0}, {30, 0}, {-1, 0}})
    EXPECT_EQ(OID_ValidForOp(r, op), valid) << op;
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
  EXPECT_EQ(std::string(reinterpret_cast<char *>(r), 8),
            std::string("\x30\x40\0\0\x0a\1\2\x09", 8));
  OID_SetValueClassCharacteristics(0x0304, r);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(r), 8), std::string("\x30\x30\0\0\0\3\4\0", 8));
}

}  // namespace
