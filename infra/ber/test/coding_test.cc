// Encodings worked out by hand from the X.690 rules, in both directions; hostile and
// invalid input, each refused with the right code and nothing leaked (the sanitizer build
// checks the leaks and the bounds); and the runtime's world operations, including
// decoding from a connected socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "ber_test_util.h"

namespace kq::ber::test {
namespace {

const ber_type *T(int pdu) { return Pdu(kq_0b, pdu); }

TEST(BerGolden, IntegersUseTheShortestTwosComplement) {
  struct Case {
    int32_t v;
    const char *hex;
  } cases[] = {{0, "02 01 00"},
               {127, "02 01 7F"},
               {128, "02 02 00 80"},
               {-128, "02 01 80"},
               {-129, "02 02 FF 7F"},
               {INT32_MAX, "02 04 7F FF FF FF"},
               {INT32_MIN, "02 04 80 00 00 00"}};
  for (const Case &c : cases) {
    EXPECT_EQ(EncodeHex(T(Integer_PDU), &c.v), c.hex) << c.v;
    void *out = nullptr;
    ASSERT_EQ(DecodeHex(T(Integer_PDU), c.hex, &out), 0) << c.hex;
    EXPECT_EQ(*static_cast<int32_t *>(out), c.v);
    FreeValue(T(Integer_PDU), out);
  }
}

TEST(BerGolden, SixteenBitAndSixtyFourBitIntegers) {
  int16_t p = 100;
  EXPECT_EQ(EncodeHex(T(Percent_PDU), &p), "02 01 64");
  ber_card64 max{0xffffffffu, 0xffffffffu};
  EXPECT_EQ(EncodeHex(T(Cardinal64_PDU), &max), "02 09 00 FF FF FF FF FF FF FF FF");
  ber_card64 big{1, 0};
  EXPECT_EQ(EncodeHex(T(Cardinal64_PDU), &big), "02 05 01 00 00 00 00");
  // Decoding is the round-trip tests' concern. Out of the range of the C representation: refused,
  // not truncated.
  void *out = nullptr;
  EXPECT_EQ(DecodeHex(T(Percent_PDU), "02 03 01 00 00", &out), BER_E_CONSTRAINT);
  EXPECT_EQ(DecodeHex(T(Cardinal64_PDU), "02 01 FF", &out), BER_E_CONSTRAINT);
  EXPECT_EQ(DecodeHex(T(Integer_PDU), "02 05 01 00 00 00 00", &out), BER_E_CONSTRAINT);
  EXPECT_EQ(out, nullptr);
}

TEST(BerGolden, BooleanAndNullForms) {
  uint8_t yes = 1, no = 0;
  EXPECT_EQ(EncodeHex(T(Boolean_PDU), &yes), "01 01 FF");
  EXPECT_EQ(EncodeHex(T(Boolean_PDU), &no), "01 01 00");
  void *out = nullptr;
  ASSERT_EQ(DecodeHex(T(Boolean_PDU), "01 01 5A", &out), 0);  // any non-zero octet is TRUE
  EXPECT_EQ(*static_cast<uint8_t *>(out), 1);
  FreeValue(T(Boolean_PDU), out);
  EXPECT_EQ(DecodeHex(T(Boolean_PDU), "01 02 FF FF", &out), BER_E_DATA);
}

TEST(BerGolden, LengthsAroundTheShortFormLimit) {
  for (int n : {0, 1, 127, 128, 255, 256, 70000}) {
    std::vector<uint8_t> bytes(n, 0x41);
    ber_octets v{n, n ? bytes.data() : nullptr};
    std::string hex = EncodeHex(T(OctetString_PDU), &v);
    std::string head = n < 128     ? "04 " + ToHex(reinterpret_cast<uint8_t *>(&n), 1)
                       : n < 256   ? "04 81 " + ToHex(reinterpret_cast<uint8_t *>(&n), 1)
                       : n < 65536 ? "04 82 01 00"
                                   : "04 83 01 11 70";
    EXPECT_EQ(hex.substr(0, head.size()), head) << n;
    EXPECT_EQ(Hex(hex).size(), head.size() / 3 + 1 + static_cast<size_t>(n)) << n;
  }
}

TEST(BerGolden, RealsInBinaryForm) {
  struct Case {
    double v;
    const char *hex;
  } cases[] = {{0.0, "09 00"},
               {1.0, "09 03 80 00 01"},
               {0.5, "09 03 80 FF 01"},
               {-2.5, "09 03 C0 FF 05"},
               {HUGE_VAL, "09 01 40"},
               {-0.0, "09 01 43"},
               {std::ldexp(1.0, 200), "09 04 81 00 C8 01"},
               {std::ldexp(3.0, -1074 + 2), "09 04 81 FB D0 03"}};
  for (const Case &c : cases) {
    EXPECT_EQ(EncodeHex(T(Real_PDU), &c.v), c.hex) << c.v;
    void *out = nullptr;
    ASSERT_EQ(DecodeHex(T(Real_PDU), c.hex, &out), 0) << c.hex;
    double got = *static_cast<double *>(out);
    EXPECT_EQ(got, c.v);
    EXPECT_EQ(std::signbit(got), std::signbit(c.v));
    FreeValue(T(Real_PDU), out);
  }
  double nan = std::nan("");
  EXPECT_EQ(EncodeHex(T(Real_PDU), &nan), "09 01 42");
}

TEST(BerGolden, RealsInOtherFormsDecode) {
  struct Case {
    const char *hex;
    double v;
  } cases[] = {
      {"09 03 A0 01 01", 16.0},                        // base 16
      {"09 03 84 00 03", 6.0},                         // scale factor 1
      {"09 05 83 02 00 80 01", std::ldexp(1.0, 128)},  // exponent length octet
      {"09 04 81 00 01 01", 2.0},                      // two-octet exponent form, padded
      {"09 04 01 20 31 32", 12.0},                     // NR1 with a leading space
      {"09 04 02 31 2C 35", 1.5},                      // NR2 with a decimal comma
      {"09 05 03 31 2E 45 31", 10.0},                  // NR3
  };
  for (const Case &c : cases) {
    void *out = nullptr;
    ASSERT_EQ(DecodeHex(T(Real_PDU), c.hex, &out), 0) << c.hex;
    EXPECT_DOUBLE_EQ(*static_cast<double *>(out), c.v) << c.hex;
    FreeValue(T(Real_PDU), out);
  }
  // Reserved special value, trailing bytes, reserved base, no exponent, NR1 with a point,
  // NR3 without digits, a padded counted exponent.
  const char *bad[] = {"09 01 44",          "09 02 40 00",    "09 02 B0 01",         "09 01 80",
                       "09 04 01 31 2E 35", "09 03 03 45 31", "09 05 83 02 00 01 01"};
  for (const char *hex : bad) {
    void *out = nullptr;
    EXPECT_EQ(DecodeHex(T(Real_PDU), hex, &out), BER_E_DATA) << hex;
  }
}

TEST(BerGolden, ObjectIdentifiersWithLargeArcs) {
  // Arcs past 64 bits print exactly; past the printer's size limit they are marked.
  std::string huge = "06 82 03 EA 2A";
  for (int i = 0; i < 1000; i++) huge += " 81";
  huge += " 00";
  struct Case {
    std::string hex;
    const char *dotted;
  } cases[] = {{"06 06 2A 86 48 86 F7 0D", "{ 1 2 840 113549 }"},
               {"06 02 88 37", "{ 2 999 }"},
               {"06 01 00", "{ 0 0 }"},
               {"06 0A 2A FF FF FF FF FF FF FF FF 7F", "{ 1 2 9223372036854775807 }"},
               {"06 0B 2A 81 80 80 80 80 80 80 80 80 00", "{ 1 2 9223372036854775808 }"},
               {"06 0C 2A 82 80 80 80 80 80 80 80 80 80 00", "{ 1 2 2361183241434822606848 }"},
               {huge, "{ 1 2 <arc of 7007 bits> }"}};
  for (const Case &c : cases) {
    void *out = nullptr;
    ASSERT_EQ(DecodeHex(T(ObjectIdentifier_PDU), c.hex, &out), 0) << c.hex;
    EXPECT_EQ(Print(T(ObjectIdentifier_PDU), out),
              std::string("ObjectIdentifier ") + c.dotted + "\n");
    EXPECT_EQ(EncodeHex(T(ObjectIdentifier_PDU), out), c.hex);
    FreeValue(T(ObjectIdentifier_PDU), out);
  }
  void *out = nullptr;
  EXPECT_EQ(DecodeHex(T(ObjectIdentifier_PDU), "06 02 80 01", &out), BER_E_DATA);  // padded arc
  EXPECT_EQ(DecodeHex(T(ObjectIdentifier_PDU), "06 01 81", &out), BER_E_DATA);     // unfinished
  EXPECT_EQ(DecodeHex(T(ObjectIdentifier_PDU), "06 00", &out), BER_E_DATA);
}

TEST(BerGolden, AutomaticTagsAndExplicitChoices) {
  // NameOrOID: [0] IMPLICIT OID; [1] wraps the SimpleName CHOICE explicitly.
  NameOrOID v{};
  uint8_t arc[] = {0x2a, 0x03};
  v.choice = NameOrOID_oid_chosen;
  v.u.oid = ber_oid{2, arc};
  EXPECT_EQ(EncodeHex(T(NameOrOID_PDU), &v), "80 02 2A 03");
  v.choice = NameOrOID_name_chosen;
  v.u.name.choice = SimpleName_iso646_string_chosen;
  strcpy(v.u.name.u.iso646_string, "ab");
  EXPECT_EQ(EncodeHex(T(NameOrOID_PDU), &v), "A1 04 80 02 61 62");
  // CardinalRange: a SEQUENCE of two implicitly tagged INTEGERs.
  CardinalRange r{1, 300};
  EXPECT_EQ(EncodeHex(T(CardinalRange_PDU), &r), "30 07 80 01 01 81 02 01 2C");
  // An optional component present and absent: DistNameString.
  DistNameString d{};
  d.text.choice = Text_iso646_string_chosen;
  strcpy(d.text.u.iso646_string, "x");
  EXPECT_EQ(EncodeHex(T(DistNameString_PDU), &d), "30 05 A0 03 80 01 78");
  d.bit_mask = DistNameString_name_or_oid_present;
  d.name_or_oid.choice = NameOrOID_oid_chosen;
  d.name_or_oid.u.oid = ber_oid{2, arc};
  EXPECT_EQ(EncodeHex(T(DistNameString_PDU), &d), "30 0B A0 03 80 01 78 A1 04 80 02 2A 03");
}

TEST(BerGolden, ExternalKeepsItsUniversalTags) {
  External e{};
  uint8_t arc[] = {0x2a};
  uint8_t data[] = {0x41};
  e.bit_mask = External_direct_reference_present;
  e.direct_reference = ber_oid{1, arc};
  e.encoding.choice = External_encoding_octet_aligned_chosen;
  e.encoding.u.octet_aligned = ber_octets{1, data};
  Privileges p{};
  p.bit_mask = Privileges_operation_privilege_attribute_certificate_present;
  p.operation_privilege_attribute_certificate = e;
  // [0] IMPLICIT replaces [UNIVERSAL 8]; inside, OID and [1] IMPLICIT OCTET STRING.
  EXPECT_EQ(EncodeHex(T(Privileges_PDU), &p), "30 08 A0 06 06 01 2A 81 01 41");
  char descr[] = "d";
  e.data_value_descriptor = descr;  // optional by presence of the string
  e.encoding.choice = External_encoding_single_ASN1_type_chosen;
  uint8_t one[] = {0x05, 0x00};
  e.encoding.u.single_ASN1_type = ber_octets{2, one};
  p.operation_privilege_attribute_certificate = e;
  EXPECT_EQ(EncodeHex(T(Privileges_PDU), &p), "30 0C A0 0A 06 01 2A 07 01 64 A0 02 05 00");
}

TEST(BerGolden, EventMessageList) {
  EventMessage_node third{nullptr, {}};
  third.value.choice = EventArgument_octets_chosen;
  uint8_t b[] = {0x01};
  third.value.u.octets = ber_octets{1, b};
  EventMessage_node second{&third, {}};
  second.value.choice = EventArgument_string_chosen;
  char hi[] = "hi";
  second.value.u.string = hi;
  EventMessage_node first{&second, {}};
  first.value.choice = EventArgument_integer_chosen;
  first.value.u.integer = 5;
  EventMessage list = &first;
  EXPECT_EQ(EncodeHex(Pdu(evt, EventMessage_PDU), &list), "30 0A 80 01 05 81 02 68 69 82 01 01");
}

TEST(BerGolden, IndefiniteLengthsAndConstructedStringsDecode) {
  void *out = nullptr;
  ASSERT_EQ(DecodeHex(T(CardinalRange_PDU), "30 80 80 01 01 81 01 02 00 00", &out), 0);
  EXPECT_EQ(static_cast<CardinalRange *>(out)->lower, 1);
  EXPECT_EQ(static_cast<CardinalRange *>(out)->upper, 2);
  FreeValue(T(CardinalRange_PDU), out);

  const char *abc[] = {"24 80 04 02 41 42 04 01 43 00 00",  // indefinite, two segments
                       "24 09 04 02 41 42 24 03 04 01 43",  // nested constructed
                       "04 82 00 03 41 42 43"};             // padded long-form length
  for (const char *hex : abc) {
    ASSERT_EQ(DecodeHex(T(OctetString_PDU), hex, &out), 0) << hex;
    ber_octets *o = static_cast<ber_octets *>(out);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(o->value), o->length), "ABC") << hex;
    FreeValue(T(OctetString_PDU), out);
  }
  // An inline string in constructed form, inside an indefinite-length choice wrapper.
  ASSERT_EQ(DecodeHex(T(NameOrOID_PDU), "A1 80 A0 80 04 01 61 04 01 62 00 00 00 00", &out), 0);
  NameOrOID *n = static_cast<NameOrOID *>(out);
  EXPECT_EQ(n->choice, NameOrOID_name_chosen);
  EXPECT_STREQ(n->u.name.u.iso646_string, "ab");
  FreeValue(T(NameOrOID_PDU), out);
}

// Tags beyond 30 need the long identifier form; an explicit outer tag of any class.
ber_type IntType(const char *name, uint32_t tag, uint32_t etag) {
  ber_type t{};
  t.name = name, t.kind = BER_K_INT32, t.tag = tag, t.etag = etag, t.size = sizeof(int32_t);
  return t;
}
const ber_type kLongTagInt = IntType("LongTag", BER_CLASS_CONTEXT | 200u, BER_NOTAG);
const ber_type kAppTagInt = IntType("AppTag", BER_CLASS_APPLICATION | 31u, BER_NOTAG);
const ber_type kExplicitInt = IntType("Explicit", BER_CLASS_UNIVERSAL | 2u, BER_CLASS_PRIVATE | 5u);

TEST(BerGolden, LongFormTagsOfEveryClass) {
  int32_t v = 1;
  EXPECT_EQ(EncodeHex(&kLongTagInt, &v), "9F 81 48 01 01");
  EXPECT_EQ(EncodeHex(&kAppTagInt, &v), "5F 1F 01 01");
  EXPECT_EQ(EncodeHex(&kExplicitInt, &v), "E5 03 02 01 01");
  void *out = nullptr;
  ASSERT_EQ(DecodeHex(&kLongTagInt, "9F 81 48 01 07", &out), 0);
  EXPECT_EQ(*static_cast<int32_t *>(out), 7);
  FreeValue(&kLongTagInt, out);
  ASSERT_EQ(DecodeHex(&kExplicitInt, "E5 80 02 01 09 00 00", &out), 0);
  EXPECT_EQ(*static_cast<int32_t *>(out), 9);
  FreeValue(&kExplicitInt, out);
  EXPECT_EQ(DecodeHex(&kLongTagInt, "9F 80 81 48 01 07", &out), BER_E_DATA);  // padded tag
  EXPECT_EQ(DecodeHex(&kLongTagInt, "9F 81 49 01 07", &out), BER_E_DATA);     // other tag
}

TEST(BerGolden, PrintShowsOneFieldPerLine) {
  DistNameString d{};
  d.text.choice = Text_iso646_string_chosen;
  strcpy(d.text.u.iso646_string, "Room \"4\"");
  d.bit_mask = DistNameString_name_or_oid_present;
  uint8_t arc[] = {0x2a, 0x03};
  d.name_or_oid.choice = NameOrOID_oid_chosen;
  d.name_or_oid.u.oid = ber_oid{2, arc};
  EXPECT_EQ(Print(T(DistNameString_PDU), &d),
            "DistNameString {\n"
            "  text : {\n"
            "    iso646-string \"Room \\\"4\\\"\"\n"
            "  }\n"
            "  name-or-oid : {\n"
            "    oid { 1 2 3 }\n"
            "  }\n"
            "}\n");
}

// ---- malformed input -----------------------------------------------------------------

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
      {Integer_PDU, "02 02 01"},                                       // length beyond the input
      {Integer_PDU, "02 84 FF FF FF FF 01"},                           // huge length
      {OctetString_PDU, "04 89 01 00 00 00 00 00 00 00 03 41 42 43"},  // wider than 64 bits
      {Integer_PDU, "02 80 01 00 00"},                 // indefinite length on a primitive
      {Integer_PDU, "02 01 01 00"},                    // data after the value
      {CardinalRange_PDU, "30 80 80 01 01 81 01 02"},  // indefinite without end-of-contents
      {Integer_PDU, "A0 03 80 01 01"},                 // wrong tag
      {Integer_PDU, "02 02 00 01"},                    // padded integer
      {Integer_PDU, "05 01 00"},                       // NULL with contents
      {OctetString_PDU, "24 80 02 01 41 00 00"},       // not a segment
      {OctetString_PDU, "24 80 04 01 41"},             // unterminated segments
      {NameOrOID_PDU, "82 01 00"},                     // no alternative [2]
      {CardinalRange_PDU, "30 03 81 01 02"},           // lower missing
      {CardinalRange_PDU, "10 06 80 01 01 81 01 02"},  // primitive sequence
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
  EXPECT_EQ(DecodeBytes(T(PostalCode_PDU), Hex("80 03 31 41 33")), BER_E_DATA);
  EXPECT_EQ(DecodeBytes(T(CommonName_PDU), Hex("13 03 61 40 62")), BER_E_DATA);
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

// ---- the world operations -------------------------------------------------------------

class BerWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
    ASSERT_EQ(ossinit(world_, &evt), 0);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0);
  }
  void TearDown() override {
    ossterm(world_);
    free(world_);
    close(fds_[0]);
    close(fds_[1]);
  }
  // A message of `n` integer arguments, encoded.
  std::vector<uint8_t> Message(int n) {
    std::vector<EventMessage_node> nodes(n);
    for (int i = 0; i < n; i++) {
      nodes[i].next = i + 1 < n ? &nodes[i + 1] : nullptr;
      nodes[i].value.choice = EventArgument_integer_chosen;
      nodes[i].value.u.integer = i * 1000;
    }
    EventMessage list = n ? &nodes[0] : nullptr;
    OssBuf out{0, nullptr};
    EXPECT_EQ(ossEncode(world_, EventMessage_PDU, &list, &out), 0);
    std::vector<uint8_t> bytes(out.value, out.value + out.length);
    world_->freep(out.value);
    return bytes;
  }
  int DecodeFromSocket(void **out) {
    void *mark = ossMarkObj(world_, OSS_SOCKET, fds_[0]);
    EXPECT_NE(mark, nullptr);
    OssBuf in{0, static_cast<unsigned char *>(mark)};
    int pdu = EventMessage_PDU;
    int rc = ossDecode(world_, &pdu, &in, out);
    if (rc) ossUnmarkObj(world_, mark);
    return rc;
  }
  static int Count(void *decoded, int n = 0) {
    for (EventMessage p = *static_cast<EventMessage *>(decoded); p; p = p->next) n++;
    return n;
  }
  OssGlobal *world_ = nullptr;
  int fds_[2] = {-1, -1};
};

TEST_F(BerWorld, InitLinksTheRealCoderAndATerminatedWorldRefusesWork) {
  OssGlobal *dpa = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
  ASSERT_EQ(ossinit(dpa, &kq_0b), 0);
  EXPECT_TRUE(dpa->links & BER_LINK_REAL);
  ossterm(dpa);
  // A terminated world refuses work instead of using stale state.
  int pdu = 20;
  OssBuf in{3,
            const_cast<unsigned char *>(reinterpret_cast<const unsigned char *>("\x02\x01\x01"))};
  void *out = nullptr;
  EXPECT_EQ(ossDecode(dpa, &pdu, &in, &out), BER_E_INIT);
  free(dpa);
}

TEST_F(BerWorld, UnknownPduNumbersAreRefusedWithAText) {
  int32_t v = 1;
  OssBuf out{0, nullptr};
  EXPECT_EQ(ossEncode(world_, 2, &v, &out), BER_E_PDU);
  EXPECT_STREQ(ossGetErrMsg(world_), "unknown PDU number 2 in module evt");
  EXPECT_TRUE(out.length == 0 && out.value == nullptr);
}

TEST_F(BerWorld, DecodeErrorsFromMemoryOrSocketLeaveTextAndNoStructure) {
  int pdu = EventMessage_PDU;
  unsigned char bad[] = {0x30, 0x03, 0x80, 0x05, 0x01};
  OssBuf in{5, bad};
  void *out = reinterpret_cast<void *>(1);
  EXPECT_EQ(ossDecode(world_, &pdu, &in, &out), BER_E_DATA);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(strstr(ossGetErrMsg(world_), "ends early"), nullptr) << ossGetErrMsg(world_);
  // From a socket, input that is not BER is refused at once, without waiting for more.
  ASSERT_EQ(write(fds_[1], "\x04\xff\x01\x02", 4), 4);
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_DATA);
  EXPECT_EQ(out, nullptr);
}

TEST_F(BerWorld, PrintWritesTheRendering) {
  std::vector<uint8_t> enc = Message(2);
  int pdu = EventMessage_PDU;
  OssBuf in{static_cast<int32_t>(enc.size()), enc.data()};
  void *out = nullptr;
  char *text = nullptr;
  size_t len = 0;
  ASSERT_EQ(ossDecode(world_, &pdu, &in, &out), 0);
  world_->printOut = open_memstream(&text, &len);
  EXPECT_EQ(ossPrintPDU(world_, pdu, out), 0);
  fclose(std::exchange(world_->printOut, nullptr));
  EXPECT_STREQ(text,
               "EventMessage {\n  - : {\n    integer 0\n  }\n  - : {\n    integer 1000\n  }\n}\n");
  free(text);
  EXPECT_EQ(ossFreePDU(world_, pdu, out), 0);
}

TEST_F(BerWorld, SocketInputArrivingInPieces) {
  std::vector<uint8_t> enc = Message(300);
  std::thread writer([&] {
    for (size_t i = 0; i < enc.size(); i += 7) {
      size_t n = std::min<size_t>(7, enc.size() - i);
      ASSERT_EQ(write(fds_[1], enc.data() + i, n), static_cast<ssize_t>(n));
      if (i % 70 == 0) usleep(200);
    }
    // What follows the message stays in the socket.
    ASSERT_EQ(write(fds_[1], "\x05\x00", 2), 2);
  });
  void *out = nullptr;
  EXPECT_EQ(DecodeFromSocket(&out), 0) << ossGetErrMsg(world_);
  writer.join();
  EXPECT_EQ(out ? Count(out) : 0, 300);
  EXPECT_EQ(world_->marked, nullptr);  // consumed by the successful decode
  ossFreePDU(world_, EventMessage_PDU, out);
  char rest[4];
  EXPECT_EQ(read(fds_[0], rest, sizeof rest), 2);
}

TEST_F(BerWorld, SocketInputOfIndefiniteLength) {
  std::vector<uint8_t> enc = Hex("30 80 80 01 07 81 02 68 69 00 00");
  ASSERT_EQ(write(fds_[1], enc.data(), enc.size()), static_cast<ssize_t>(enc.size()));
  void *out = nullptr;
  ASSERT_EQ(DecodeFromSocket(&out), 0) << ossGetErrMsg(world_);
  EventMessage m = *static_cast<EventMessage *>(out);
  EXPECT_EQ(m->value.u.integer, 7);
  EXPECT_STREQ(m->next->value.u.string, "hi");
  ossFreePDU(world_, EventMessage_PDU, out);
}

TEST_F(BerWorld, SocketTimeoutAndEarlyClose) {
  ASSERT_EQ(ossSetTimeout(world_, 50), 0);
  void *out = nullptr;
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_TIMEOUT);
  EXPECT_EQ(world_->marked, nullptr);  // released by ossUnmarkObj
  std::vector<uint8_t> enc = Message(3);
  ASSERT_EQ(write(fds_[1], enc.data(), enc.size() - 1), static_cast<ssize_t>(enc.size() - 1));
  shutdown(fds_[1], SHUT_WR);
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_IO);
  EXPECT_NE(strstr(ossGetErrMsg(world_), "closed"), nullptr);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace kq::ber::test
