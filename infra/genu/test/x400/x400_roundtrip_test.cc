// O/R names, directory names and extension values go generic -> wire -> BER bytes ->
// wire -> generic through the real coder and come back equal; the wire form carries
// each part where the O/R address puts it.
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "x400_test_support.h"

using kq::genu::test::RandomValue;
using kq::genu::test::Status;
using kq::genu::test::Trip;

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

}  // namespace
