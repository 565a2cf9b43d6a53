// O/R names, directory names and extension values: generic -> wire -> BER bytes ->
// wire -> generic through the real coder and back equal, the wire form carrying each
// part where the O/R address puts it; and the failure paths: unknown choices, values
// beyond the X.400 upper bounds on either side, unknown extension attribute types,
// malformed nested encodings and allocation failures. Each failure reports its code
// and leaves nothing allocated (the counting world sees the wire side, the address
// sanitizer the rest).
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "infra/svclog.h"
#include "x400_test_support.h"

using kq::genu::test::Address;
using kq::genu::test::LogCapture;
using kq::genu::test::RandomValue;
using kq::genu::test::Status;
using kq::genu::test::Trip;
using kq::test::Counting;

namespace {

// One O/R name generic -> wire -> BER -> wire -> generic must come back equal.
void ExpectOrNameTrip(const GEN_ORName_t *in) {
  Status s;
  DeliveryAddress sent{1, {}};
  ASSERT_EQ(ToBER_orName(s, &sent.u.or_name, in), 0);
  Trip trip(&sent);
  ASSERT_EQ(FreeBER_orName(s, &sent.u.or_name), 0);
  ASSERT_NE(trip.decoded, nullptr);
  ASSERT_EQ(trip.decoded->choice, 1);
  GEN_ORName_t back{};
  ASSERT_EQ(ToGEN_orName(s, &trip.decoded->u.or_name, &back), 0);
  kq::genu::test::ExpectSameStruct(&kq::genu::kORNameLayout, in, &back);
  kq::genu::DeepDelete(s, &kq::genu::kORNameLayout, &back, nullptr);
}

TEST(GenuX400RoundTrip, RandomOrNamesSurviveTheCoder) {
  std::mt19937 rng(400);
  int withCommonName = 0, withExtensions = 0, withDirectory = 0;
  std::set<int32_t> types;
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE(i);
    RandomValue v(&kq::genu::kORNameLayout, rng);
    auto *in = static_cast<GEN_ORName_t *>(v.rec);
    kq::genu::test::FixOrName(in, rng);
    withCommonName += in->address.commonName != nullptr;
    withExtensions += in->address.extensions != nullptr;
    for (auto *n = in->address.extensions ? in->address.extensions->first : nullptr; n; n = n->next)
      types.insert(static_cast<GEN_ExtensionAttr_t *>(n->value)->type);
    withDirectory += in->directoryName != nullptr;
    ExpectOrNameTrip(in);
    if (HasFatalFailure()) return;
  }
  // The seeds reach every kind of part (extension attributes of every type, 1 to 23).
  EXPECT_GT(withCommonName, 30);
  EXPECT_GT(withExtensions, 30);
  EXPECT_EQ(types.size(), 23u);
  EXPECT_GT(withDirectory, 30);
}

// Where the parts go: the common name is the first extension attribute (type 1),
// empty counted lists and empty strings are absent, each present part has its bit.
TEST(GenuX400RoundTrip, WireCarriesEachPartWhereTheAddressPutsIt) {
  Status s;
  kq::genu::test::Address a;
  a.units.count = 0;
  a.organization = {};
  a.person = {"Miller", "", "J", ""};
  a.name.address.domainDefined = nullptr;
  a.name.directoryName = nullptr;
  ORName wire{};
  ASSERT_EQ(ToBER_orName(s, &wire, &a.name), 0);
  // Presence bits of the name, its standard attributes and the personal name, the
  // country, and the extension types in order.
  const BuiltInStandardAttributes &standard = wire.standard_attributes;
  std::ostringstream line;
  line << std::hex << +wire.bit_mask << " " << +standard.bit_mask << " "
       << +standard.personal_name.bit_mask << " " << standard.country_name.u.iso_3166_alpha2_code;
  for (auto *n = wire.extension_attributes; n; n = n->next)
    line << " " << std::dec << n->value.extension_attribute_type;
  EXPECT_EQ(line.str(), "40 8100 40 FR " + std::to_string(GEN_X400_COMMON_NAME) + " 23");
  EXPECT_EQ(FreeBER_orName(s, &wire), 0);
  EXPECT_EQ(wire.extension_attributes, nullptr);
}

int OrNameToWire(STF_statusList_t *s, const GEN_ORName_t *in) {
  ORName wire{};
  int rc = ToBER_orName(s, &wire, in);
  if (rc == 0) FreeBER_orName(s, &wire);
  return rc;
}

TEST(GenuX400Failure, TerminalTypesOutsideTheirRangeAreRefused) {
  for (int32_t terminal : {-1, 257}) {
    OssBuf out{0, nullptr};
    EXPECT_REFUSED(GENU_ST_BAD_VALUE, Encode_TerminalType(s, &out, &terminal));
    EXPECT_EQ(out.value, nullptr);
  }
}

template <size_t N>
void Unterminated(char (&field)[N]) {
  memset(field, 'x', N);
}

// An unknown choice or a missing surname anywhere in the name, and one past an X.400
// upper bound in each form a part takes (an inline string without room for its end, a
// count, a pointed-to text), fail the whole name.
TEST(GenuX400Failure, SpoiltPartsAndValuesBeyondTheUpperBoundsFailTheName) {
  std::string longText(65, 'c'), huge(4096, 'p');
  const struct {
    uint32_t code;
    std::function<void(Address &)> spoil;
  } spoilt[] = {
      {GENU_ST_BAD_VALUE, [](Address &a) { a.country.choice = 3; }},
      {GENU_ST_BAD_VALUE, [](Address &a) { a.directory.choice = 2; }},
      // Only ISO 646 common names travel.
      {GENU_ST_BAD_VALUE, [](Address &a) { a.commonName.choice = GEN_TEXT_LATIN1; }},
      {GENU_ST_BAD_VALUE, [](Address &a) { a.units.count = -1; }},
      {GENU_ST_BAD_VALUE, [](Address &a) { a.person.surname[0] = '\0'; }},         // mandatory
      {GENU_ST_TOO_LONG, [](Address &a) { Unterminated(a.organization.value); }},  // 65 > 64
      {GENU_ST_TOO_LONG, [](Address &a) { a.units.count = 5; }},                   // 5 > 4
      {GENU_ST_TOO_LONG, [](Address &a) { strcpy(a.country.value, "FRA"); }},      // 3 > 2
      {GENU_ST_TOO_LONG, [&](Address &a) { a.commonName.u.string = longText.data(); }},
      {GENU_ST_TOO_LONG, [&](Address &a) { a.component.value.u.string = huge.data(); }},
  };
  for (size_t i = 0; i < std::size(spoilt); ++i) {
    SCOPED_TRACE(i);
    Address a;
    spoilt[i].spoil(a);
    EXPECT_REFUSED_CLEAN(spoilt[i].code, OrNameToWire(s, &a.name));
  }
  // Extension values: a PDS name of 17 characters, a common name of 65.
  char pds[17];
  Unterminated(pds);
  OssBuf out{0, nullptr};
  EXPECT_REFUSED_CLEAN(GENU_ST_TOO_LONG, Encode_PDSName(s, &out, pds));
  EXPECT_REFUSED_CLEAN(GENU_ST_TOO_LONG, Encode_CommonName(s, &out, longText.c_str()));
}

// What arrives longer than the generic record holds is refused as well; the
// coder itself refuses encodings beyond the bounds of the types.
TEST(GenuX400Failure, OverLongArrivalsAreRefused) {
  Status s;
  BuiltInStandardAttributes standard{};
  standard.bit_mask = 0x2000 | 0x8000;
  strcpy(standard.country_name.u.iso_3166_alpha2_code, "DE");
  standard.country_name.choice = 2;
  strcpy(standard.network_address, "1234567890123456");  // 16 digits, the generic holds 15
  GEN_StandardAttrs_t out{};
  EXPECT_REFUSED(GENU_ST_TOO_LONG, ToGEN_standardAttributes(s, &standard, &out));
  EXPECT_EQ(out.country, nullptr);  // the part made before is gone again

  OrganizationalUnitNames_node nodes[5] = {};
  for (int i = 0; i < 5; ++i) {
    snprintf(nodes[i].value, sizeof nodes[i].value, "unit%d", i);
    nodes[i].next = i < 4 ? &nodes[i + 1] : nullptr;
  }
  OrganizationalUnitNames_node *head = nodes;
  GEN_OrganizationUnitNames_t units{};
  EXPECT_REFUSED(GENU_ST_TOO_LONG, ToGEN_orgUnitNames(s, &head, &units));
  EXPECT_EQ(units.count, 0);
}

TEST(GenuX400Failure, UnknownExtensionTypesAreRefused) {
  for (int32_t type : {0, 24}) {
    SCOPED_TRACE(type);
    int32_t value = 1;
    GEN_ExtensionAttr_t attr{type, {4, reinterpret_cast<unsigned char *>(&value)}};
    ExtensionAttribute wire{};
    EXPECT_REFUSED_CLEAN(GENU_ST_X400_EXTENSION_TYPE, ToBER_extensionAttr(s, &wire, &attr));
    // Behind a valid attribute in an O/R name: the whole name fails, nothing stays.
    Address a;
    GEN_ValueSeq_t bad{nullptr, &attr};
    a.extensionNode.next = &bad;
    EXPECT_REFUSED_CLEAN(GENU_ST_X400_EXTENSION_TYPE, OrNameToWire(s, &a.name));
  }
  unsigned char ber[] = {0x02, 0x01, 0x05};
  ExtensionAttribute wire{99, {3, ber}};
  GEN_ExtensionAttr_t out{};
  EXPECT_REFUSED_CLEAN(GENU_ST_X400_EXTENSION_TYPE, ToGEN_extensionAttr(s, &wire, &out));
  // A value whose size is not its type's record.
  int32_t shortValue = 1;
  GEN_ExtensionAttr_t wrongSize{GEN_X400_TELETEX_PERSONAL_NAME,
                                {4, reinterpret_cast<unsigned char *>(&shortValue)}};
  EXPECT_REFUSED_CLEAN(GENU_ST_BAD_VALUE, ToBER_extensionAttr(s, &wire, &wrongSize));
}

// An encoded personal name (type 4) to spoil below.
std::vector<unsigned char> EncodedPerson() {
  Status s;
  GEN_PersonalName_t person{"Durand", "Anne", "A", "II"};
  OssBuf encoded{0, nullptr};
  EXPECT_EQ(Encode_PersonalName(s, &encoded, &person), 0);
  std::vector<unsigned char> bytes(encoded.value, encoded.value + encoded.length);
  free(encoded.value);
  return bytes;
}

TEST(GenuX400Failure, MalformedNestedEncodingsAreRefused) {
  std::vector<unsigned char> person = EncodedPerson();
  std::vector<unsigned char> truncated(person.begin(), person.end() - 1);
  std::vector<unsigned char> printable = {0x13, 0x02, 'a', 'b'};  // not a SEQUENCE
  std::vector<unsigned char> overlong = person;
  overlong[1] = static_cast<unsigned char>(overlong[1] + 5);  // length past the end
  std::vector<unsigned char> empty;
  for (auto *bytes : {&truncated, &printable, &overlong, &empty}) {
    ExtensionAttribute wire{GEN_X400_TELETEX_PERSONAL_NAME,
                            {static_cast<int32_t>(bytes->size()), bytes->data()}};
    GEN_ExtensionAttr_t out{};
    EXPECT_REFUSED(GENU_ST_DECODE_FAILED, ToGEN_extensionAttr(s, &wire, &out));
    EXPECT_EQ(out.value.value, nullptr);
  }
  Status s;

  // An O/R name whose second extension attribute is spoilt: the common name taken
  // from the first is released again and the record left empty.
  Address a;
  ORName wire{};
  ASSERT_EQ(ToBER_orName(s, &wire, &a.name), 0);
  ExtensionAttribute &second = wire.extension_attributes->next->value;
  ASSERT_EQ(second.extension_attribute_type, 23);
  second.extension_attribute_value.value[0] = 0x04;  // an octet string, not an integer
  GEN_ORName_t back{};
  EXPECT_REFUSED(GENU_ST_DECODE_FAILED, ToGEN_orName(s, &wire, &back));
  EXPECT_EQ(back.address.commonName, nullptr);
  EXPECT_EQ(back.address.country, nullptr);
  EXPECT_EQ(FreeBER_orName(s, &wire), 0);
}

// Every allocation of the way out fails in turn: each failure reports no memory (or
// the failed coding it caused) and leaves no block behind. (The way back allocates
// its generic parts on the process heap, which the address sanitizer watches.)
TEST(GenuX400Failure, AllocationFailuresLeakNothing) {
  Address a;
  DeliveryAddress sent{1, {}};
  bool succeeded = false;
  uint64_t failAt = 1;
  for (; !succeeded && failAt < 400; ++failAt) {
    Status s;
    kq::genu::test::CountingWorld guard;
    Counting().failAt = failAt;
    if (ToBER_orName(s, &sent.u.or_name, &a.name)) {
      EXPECT_TRUE(s.Has(GENU_ST_NO_MEMORY) || s.Has(GENU_ST_ENCODE_FAILED)) << failAt;
      EXPECT_TRUE(Counting().live.empty()) << failAt;
      continue;
    }
    Counting().failAt = 0;
    ASSERT_NE(Trip(&sent).decoded, nullptr);
    EXPECT_EQ(FreeBER_orName(s, &sent.u.or_name), 0);
    EXPECT_TRUE(Counting().live.empty());
    EXPECT_EQ(Counting().badFrees, 0u);
    succeeded = true;
  }
  ASSERT_TRUE(succeeded);
  EXPECT_GT(failAt, 10u);  // the name needs many blocks: the loop did test something
}

// A character the string type does not admit fails the coder: the failure is traced
// under the value's name and reported as a failed encoding, inside an O/R name too.
TEST(GenuX400Failure, CharactersOutsideTheStringTypeFailTheEncoding) {
  LogCapture log;
  OssBuf out{0, nullptr};
  EXPECT_REFUSED_CLEAN(GENU_ST_ENCODE_FAILED, Encode_CommonName(s, &out, "lp@host"));
  EXPECT_EQ(out.value, nullptr);
  EXPECT_NE(log.Text().find("Encode_CommonName failed: "), std::string::npos) << log.Text();
  Address a;
  a.commonName.u.string = const_cast<char *>("lp@host");
  EXPECT_REFUSED_CLEAN(GENU_ST_ENCODE_FAILED, OrNameToWire(s, &a.name));
}

}  // namespace
