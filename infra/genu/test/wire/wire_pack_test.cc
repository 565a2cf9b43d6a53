// Packing single values: every id the packer knows goes generic value -> wire
// structure -> BER bytes -> wire structure -> generic value through the real coder
// and must compare equal; the failure paths report their codes and leak nothing.
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "wire_test_support.h"

using kq::genu::test::RandomValue;
using kq::genu::test::Status;

namespace {

std::vector<uint32_t> PackedIds() {
  uint32_t ids[128];
  uint32_t n = kq::genu::WireTypeIds(ids, 128);
  return std::vector<uint32_t>(ids, ids + n);
}

// Packs `value` under `id`, unpacks it again and expects an equal value back with
// the id's descriptor.
void ExpectRoundTrip(uint32_t id, const void *value) {
  kq::genu::test::Packed p = kq::genu::test::Pack(id, value);
  ASSERT_EQ(p.rc, 0) << "id " << id << ::testing::PrintToString(p.codes);
  kq::genu::test::Unpacked back(id, p.encoding);
  ASSERT_EQ(back.rc, 0) << "id " << id << ::testing::PrintToString(back.codes);
  const AS_valueDescriptor_t *expected = GENU_AVT2Descriptor(static_cast<int32_t>(id));
  EXPECT_EQ(back.desc.copyValue, expected->copyValue);
  EXPECT_EQ(back.desc.deleteValue, expected->deleteValue);
  // Ids the value compare has no rule for are compared field by field.
  Status s;
  int32_t order = 99;
  if (GEN_CompareAttrValue(s, id, value, value, &order) == 0)
    EXPECT_EQ(GEN_CompareAttrValue(s, id, value, back.rec, &order), 0u);
  else
    EXPECT_EQ(kq::genu::CompareStruct(s, kq::genu::LayoutOfType(id), value, back.rec, &order), 0u);
  EXPECT_EQ(order, 0) << "id " << id;
}

TEST(genu_wire_pack, EveryPackedIdRoundTripsRandomValues) {
  std::mt19937 rng(8);
  std::vector<uint32_t> ids = PackedIds();
  ASSERT_GE(ids.size(), 47u);
  for (uint32_t id : ids) {
    SCOPED_TRACE(id);
    const kq::genu::Layout *layout = kq::genu::LayoutOfType(id);
    ASSERT_NE(layout, nullptr);
    for (int i = 0; i < 40; ++i) {
      RandomValue v(layout, rng);
      kq::genu::test::MakeRepresentable(id, v.rec);
      ExpectRoundTrip(id, v.rec);
      if (HasFatalFailure()) return;
    }
  }
}

// At the packing detail level every value is named on its way out and in, plain
// numbers with their value.
TEST(genu_wire_pack, PackingTracesNameEachValue) {
  kq::genu::test::LogCapture log("M");
  GEN_Boolean_t yes = 1;
  GEN_Integer_t copies = 7, level = -3;
  GEN_Finishing_t finishing{};
  finishing.choice = 1;
  finishing.u.named.choice = 1;
  finishing.u.named.u.oid = kq::genu::test::ValidOid(2);
  struct {
    uint32_t id;
    const void *value;
  } values[] = {{0, &yes}, {1, &copies}, {12, &level}, {46, &finishing}};
  for (const auto &v : values) ExpectRoundTrip(v.id, v.value);
  std::string text = log.Text();
  for (const char *line :
       {"JQP_PackAV: packing boolean = TRUE", "JQP_PackAV: packing cardinal = 7",
        "JQP_UnpackAV: returning Integer = -3", "JQP_PackAV: packing finishing",
        "JQP_UnpackAV: returning finishing",
        "JQP_PackAV: encoded okay, length = ", "JQP_UnpackAV: decoding AV packet, pdunum=103..."})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST(genu_wire_pack, ExtremeNumbersSurviveTheWire) {
  for (int32_t n : {INT32_MIN, -1, 0, 127, 128, INT32_MAX}) {
    for (uint32_t id : {1u, 4u, 12u, 15u, 22u}) ExpectRoundTrip(id, &n);
    GEN_IntegerRange_t r{n, INT32_MAX};
    ExpectRoundTrip(2, &r);
  }
  GEN_Cardinal64_t c{0xffffffffu, 0x80000000u};
  ExpectRoundTrip(31, &c);
  GEN_Cardinal64Range_t cr{{0, 0}, {0xffffffffu, 0xffffffffu}};
  ExpectRoundTrip(32, &cr);
  for (double d : {0.0, -1.5, 1e300, 3.25}) ExpectRoundTrip(23, &d);
  GEN_Percent_t p = -32768;
  ExpectRoundTrip(71, &p);
}

// Only 1 is TRUE on the wire: 2 goes out as FALSE does.
TEST(genu_wire_pack, BooleanOtherThanOneTravelsAsFalse) {
  GEN_Boolean_t b[] = {0, 1, 2};
  EXPECT_EQ(kq::genu::test::Pack(0, &b[2]).encoding, kq::genu::test::Pack(0, &b[0]).encoding);
  EXPECT_NE(kq::genu::test::Pack(0, &b[1]).encoding, kq::genu::test::Pack(0, &b[0]).encoding);
}

TEST(genu_wire_pack, IdsWithoutWireTypeAreRefused) {
  int32_t value = 0;
  unsigned char byte = 1;
  OssBuf some{1, &byte};
  for (uint32_t id : {3u, 13u, 17u, 37u, 41u, 56u, 77u, 84u, 95u, 1000u}) {
    SCOPED_TRACE(id);
    OssBuf out{0, nullptr};
    EXPECT_REFUSED(0xc00e0085u, JQP_PackAV(s, id, &value, &out));
    EXPECT_EQ(out.value, nullptr);
    void *rec = &value;
    AS_valueDescriptor_t desc{};
    EXPECT_REFUSED(GENU_ST_EMPTY_ENCODING, JQP_UnpackAV(s, &some, id, &rec, &desc));
  }
}

TEST(genu_wire_pack, EmptyOrMalformedEncodingsAreRefused) {
  Status s;
  void *rec = nullptr;
  AS_valueDescriptor_t desc{};
  unsigned char junk[] = {0x30, 0x85, 0xff, 0xff, 0xff, 0xff, 0x01};
  OssBuf bad{sizeof junk, junk};
  rec = junk;
  EXPECT_REFUSED(GENU_ST_DECODE_FAILED, JQP_UnpackAV(s, &bad, 28, &rec, &desc));
  EXPECT_EQ(rec, nullptr);

  // The bytes of one type do not decode as another. (Cut and empty encodings are
  // GenuWTextMalformed's.)
  GEN_Integer_t n = 300;
  OssBuf encoded{0, nullptr};
  ASSERT_EQ(JQP_PackAV(s, 12, &n, &encoded), 0u);
  EXPECT_REFUSED(GENU_ST_DECODE_FAILED, JQP_UnpackAV(s, &encoded, 28, &rec, &desc));
  free(encoded.value);
}

// (The text and identifier failures are GenuWTextBounds'.)
TEST(genu_wire_pack, ConverterFailureAddsTheIdsCode) {
  Status s;
  OssBuf out{0, nullptr};
  GEN_Locale_t oneLetter{};
  oneLetter.language = GEN_LocaleCode_t{1, {'e', 0}};
  oneLetter.country = GEN_LocaleCode_t{2, {'u', 's'}};
  oneLetter.codeSet = kq::genu::test::ValidOid(0);
  EXPECT_REFUSED(0xc00e0094u, JQP_PackAV(s, 55, &oneLetter, &out));
  oneLetter.language.length = 2;
  oneLetter.language.value[1] = 'n';
  ExpectRoundTrip(55, &oneLetter);
  GEN_CardinalOrOid_t badChoice{3, {7}};
  s.Clear();
  EXPECT_EQ(JQP_PackAV(s, 35, &badChoice, &out), 1u);
  EXPECT_TRUE(s.Has(0xc00e0075u) && s.Has(GENU_ST_BAD_VALUE)) << s.Text();
}

}  // namespace
