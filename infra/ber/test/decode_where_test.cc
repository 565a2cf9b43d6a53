// A decode failure says where, in the module's own names: the path of components from
// the record's type to the value that failed, and the byte offset of the element.
#include <gtest/gtest.h>

#include "ber_test_util.h"

namespace kq::ber::test {
namespace {

TEST(BerDecodeWhere, FailureNamesThePathAndTheOffset) {
  struct Row {
    int pdu;
    const char *hex;
    const char *text;
  } rows[] = {
      {Integer_PDU, "02 01 05 00", "Integer: data after the end of the value at byte 3"},
      {CardinalRange_PDU, "30 07 80 01 01 81 01 02 00",
       "CardinalRange: unexpected data inside value at byte 8"},
      {CardinalRange_PDU, "30 07 80 01 01 81 02 00 01",
       "CardinalRange.upper: integer not in its shortest form at byte 5"},
      {NameOrOidSeq_PDU, "30 06 80 01 2A 80 01 80",
       "NameOrOidSeq[1].oid: malformed object identifier at byte 5"},
      {NameOrOidSeq_PDU, "30 03 02 01 05",
       "NameOrOidSeq[0]: no alternative has this tag at byte 2"},
      {DistNameStringSeq_PDU, "30 02 30 00",
       "DistNameStringSeq[0]: component text missing at byte 4"},
      {DistNameStringSeq_PDU, "30 07 30 05 A0 03 80 01 00",
       "DistNameStringSeq[0].text.iso646-string: character not admitted by the type at byte 6"},
  };
  for (const Row &row : rows) {
    std::vector<uint8_t> in = Hex(row.hex);
    void *out = nullptr;
    Error err;
    EXPECT_NE(Decode(Pdu(kq_0b, row.pdu), in.data(), in.size(), &out, err), 0) << row.hex;
    EXPECT_STREQ(err.text, row.text) << row.hex;
    EXPECT_EQ(out, nullptr);
  }
}

}  // namespace
}  // namespace kq::ber::test
