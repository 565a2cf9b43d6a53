// Hostile and invalid input: each is refused with the right code and nothing leaks
// (the sanitizer build checks the leaks and the bounds).
#include <gtest/gtest.h>

#include <cstring>

#include "ber_test_util.h"

namespace kq::ber::test {
namespace {

const ber_type *T(int pdu) { return Pdu(kq_0b, pdu); }

// Encodes and returns the runtime's code.
int EncodeRc(const ber_type *t, const void *v) {
  int rc = 0;
  EncodeHex(t, v, &rc);
  return rc;
}

int DecodeBytes(const ber_type *t, const std::vector<uint8_t> &in) {
  void *out = nullptr;
  Error err;
  int rc = Decode(t, in.data(), in.size(), &out, err);
  if (rc == 0)
    FreeValue(t, out);
  else
    EXPECT_EQ(out, nullptr);
  return rc;
}

TEST(BerMalformed, HeadersLengthsAndStructureAreChecked) {
  const std::pair<int, const char *> bad[] = {
      {Integer_PDU, ""},                                               // nothing
      {Integer_PDU, "02"},                                             // no length
      {Integer_PDU, "02 02 01"},                                       // length beyond the input
      {Integer_PDU, "02 84 FF FF FF FF 01"},                           // huge length
      {OctetString_PDU, "04 89 01 00 00 00 00 00 00 00 03 41 42 43"},  // wider than 64 bits
      {OctetString_PDU, "04 FF 01"},                                   // reserved length octet
      {Integer_PDU, "02 80 01 00 00"},                 // indefinite length on a primitive
      {Integer_PDU, "02 01 01 00"},                    // data after the value
      {CardinalRange_PDU, "30 80 80 01 01 81 01 02"},  // indefinite without end-of-contents
      {CardinalRange_PDU, "30 05 80 01 01 81 01 02"},  // component longer than its sequence
      {Integer_PDU, "A0 03 80 01 01"},                 // wrong tag
      {Integer_PDU, "02 02 00 01"},                    // padded integer
      {Integer_PDU, "02 00"},                          // empty integer
      {Integer_PDU, "05 01 00"},                       // NULL with contents
      {OctetString_PDU, "24 80 02 01 41 00 00"},       // not a segment
      {OctetString_PDU, "24 04 04 03 41 42"},          // overlong segment
      {OctetString_PDU, "24 80 04 01 41"},             // unterminated segments
      {NameOrOID_PDU, "82 01 00"},                     // no alternative [2]
      {CardinalRange_PDU, "30 03 81 01 02"},           // lower missing
      {CardinalRange_PDU, "30 09 80 01 01 81 01 02 82 01 03"},  // extra component
      {CardinalRange_PDU, "10 06 80 01 01 81 01 02"},           // primitive sequence
      {NameOrOID_PDU, "81 02 80 00"},                           // explicit tag, primitive
  };
  for (const auto &[pdu, hex] : bad) {
    void *out = reinterpret_cast<void *>(1);
    EXPECT_EQ(DecodeHex(T(pdu), hex, &out), BER_E_DATA) << hex;
    EXPECT_EQ(out, nullptr) << hex;
  }
}

TEST(BerMalformed, OnlyTheLastBitStringSegmentMayLeaveBitsUnused) {
  void *out = nullptr;
  // Segments of a bit string: only the last may leave bits unused.
  ASSERT_EQ(DecodeHex(T(Privileges_PDU), "30 0C A0 0A A2 08 03 02 00 FF 03 02 01 80", &out), 0);
  const External &e = static_cast<Privileges *>(out)->operation_privilege_attribute_certificate;
  EXPECT_EQ(e.encoding.choice, External_encoding_arbitrary_chosen);
  EXPECT_EQ(e.encoding.u.arbitrary.length, 15);
  EXPECT_EQ(e.encoding.u.arbitrary.value[1], 0x80);
  FreeValue(T(Privileges_PDU), out);
  EXPECT_EQ(DecodeHex(T(Privileges_PDU), "30 0C A0 0A A2 08 03 02 01 80 03 02 00 FF", &out),
            BER_E_DATA);
}

TEST(BerMalformed, BoundsOfInlineStringsAreEnforced) {
  std::vector<uint8_t> in = {0x1a, 0x81, 0xff};
  in.insert(in.end(), 255, 'a');
  EXPECT_EQ(DecodeBytes(T(JobIdentifier_PDU), in), 0);
  in = {0x1a, 0x82, 0x01, 0x00};
  in.insert(in.end(), 256, 'a');
  EXPECT_EQ(DecodeBytes(T(JobIdentifier_PDU), in), BER_E_CONSTRAINT);
  // Locale: language and country are exactly two octets.
  EXPECT_EQ(DecodeBytes(T(Locale_PDU), Hex("30 0A 80 02 65 6E 81 01 47 82 01 2A")),
            BER_E_CONSTRAINT);
  // Restricted alphabets: NumericString takes digits and space, PrintableString no '@'.
  EXPECT_EQ(DecodeBytes(T(PostalCode_PDU), Hex("80 03 31 32 33")), 0);
  EXPECT_EQ(DecodeBytes(T(PostalCode_PDU), Hex("80 03 31 41 33")), BER_E_DATA);
  EXPECT_EQ(DecodeBytes(T(CommonName_PDU), Hex("13 03 61 40 62")), BER_E_DATA);
  EXPECT_EQ(DecodeBytes(T(CommonName_PDU), Hex("13 03 61 3F 62")), 0);
  char at[] = "a@b";
  EXPECT_EQ(EncodeRc(T(CommonName_PDU), at), BER_E_CONSTRAINT);
  // A NUL inside a character string would be lost in the C form: refused.
  EXPECT_EQ(DecodeBytes(T(JobIdentifier_PDU), Hex("1A 03 61 00 62")), BER_E_DATA);
  // The encoder refuses what the decoder would refuse.
  char job[300];
  memset(job, 'j', sizeof job);
  job[299] = 0;
  EXPECT_EQ(EncodeRc(T(JobIdentifier_PDU), job), BER_E_CONSTRAINT);
}

TEST(BerMalformed, EncoderRefusesBrokenStructures) {
  NameOrOID n{};
  n.choice = 3;  // no such alternative
  EXPECT_EQ(EncodeRc(T(NameOrOID_PDU), &n), BER_E_ARG);
  ber_octets o{5, nullptr};  // length without bytes
  EXPECT_EQ(EncodeRc(T(OctetString_PDU), &o), BER_E_ARG);
  uint8_t bad[] = {0x2a, 0x81};  // unfinished last arc
  ber_oid oid{2, bad};
  EXPECT_EQ(EncodeRc(T(ObjectIdentifier_PDU), &oid), BER_E_ARG);
  Attribute a{};
  uint8_t arc[] = {0x2a};
  a.type = ber_oid{1, arc};
  uint8_t half[] = {0x04, 0x05, 0x41};  // an open value that is not one complete encoding
  Attribute_values_node node{nullptr, ber_octets{3, half}};
  a.values = &node;
  IgnoredAttribute ia{};
  ia.attribute = a;
  EXPECT_EQ(EncodeRc(T(IgnoredAttribute_PDU), &ia), BER_E_ARG);
  OrganizationalUnitNames none = nullptr;  // SIZE (1..4): an empty list is too short
  EXPECT_EQ(EncodeRc(&kq_0b_d_OrganizationalUnitNames, &none), BER_E_CONSTRAINT);
}

// A chain of `not` filters nests one level per three octets.
std::vector<uint8_t> NotChain(int levels) {
  std::vector<uint8_t> in;
  for (int i = 0; i < levels; i++) in.insert(in.end(), {0xa3, 0x80});
  in.insert(in.end(), {0xa0, 0x03, 0x84, 0x01, 0x2a});  // item: present 1.2
  for (int i = 0; i < levels; i++) in.insert(in.end(), {0x00, 0x00});
  return in;
}

TEST(BerMalformed, NestingDepthIsBounded) {
  const ber_type *filter = &kq_0b_d_Filter;
  EXPECT_EQ(DecodeBytes(filter, NotChain(10)), 0);
  EXPECT_EQ(DecodeBytes(filter, NotChain(5000)), BER_E_DEPTH);
  // Skipping an open value is bounded the same way.
  std::vector<uint8_t> any = {0x30, 0x80};
  for (int i = 0; i < 5000; i++) any.insert(any.end(), {0x30, 0x80});
  any.insert(any.end(), 2 * 5001, 0x00);
  std::vector<uint8_t> ava = {0x30, 0x80, 0x80, 0x01, 0x2a, 0xa1, 0x80};
  ava.insert(ava.end(), any.begin(), any.end());
  ava.insert(ava.end(), {0x00, 0x00, 0x00, 0x00});
  EXPECT_NE(DecodeBytes(&kq_0b_d_AttributeValueAssertion, ava), 0);
}

TEST(BerMalformed, AllocationIsBoundedByTheInputSize) {
  // Each 6-byte element is a DistNameString of several kilobytes.
  auto list = [](size_t n) {
    std::vector<uint8_t> in = {0x30, 0x84};
    size_t len = n * 6;
    for (int s = 24; s >= 0; s -= 8) in.push_back(static_cast<uint8_t>(len >> s));
    for (size_t i = 0; i < n; i++) in.insert(in.end(), {0x30, 0x04, 0xa0, 0x02, 0x80, 0x00});
    return in;
  };
  EXPECT_EQ(DecodeBytes(T(DistNameStringSeq_PDU), list(100)), 0);
  EXPECT_EQ(DecodeBytes(T(DistNameStringSeq_PDU), list(20000)), BER_E_LIMIT);
}

}  // namespace
}  // namespace kq::ber::test
