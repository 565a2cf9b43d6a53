// Packing single values: every id the packer knows goes generic value -> wire
// structure -> BER bytes -> wire structure -> generic value through the real coder
// and must compare equal; the failure paths report their codes and leak nothing. The
// converters one by one where the round trips cannot reach: bad choices and null
// arguments, octet strings, the release helpers, and the undo of a nested record or a
// list whose later part fails.
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "wire_test_support.h"

using kq::genu::test::MakeName;
using kq::genu::test::MakeText;
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

// At the packing detail level every value is named on its way out and in and shown
// as the value rendering shows it: the value table's text, the labelled trace form
// of a record the table leaves out, the name alone where neither knows the type.
TEST(genu_wire_pack, PackingTracesRenderEachValue) {
  GEN_Boolean_t yes = 2;  // rendered as it is held, whatever travels
  GEN_InputTrayMedium_t tray{};
  tray.inputTray.choice = 1;
  tray.inputTray.u.oid = kq::genu::test::ValidOid(2);
  tray.medium.choice = 1;
  tray.medium.u.oid = kq::genu::test::ValidOid(3);
  GEN_Finishing_t finishing{};
  finishing.choice = 1;
  finishing.u.named.choice = 1;
  finishing.u.named.u.oid = kq::genu::test::ValidOid(2);
  const std::string trayText =
      "Input Tray: " + std::string(GENU_ShortOIDToAscii(tray.inputTray.u.oid)) +
      "\nMedium: " + GENU_ShortOIDToAscii(tray.medium.u.oid) + "\n";
  struct {
    uint32_t id;
    const void *value;
    std::string packed, unpacked;  // the whole message of each direction
  } cases[] = {
      // Both directions also say what travels: the length encoded, the PDU decoded.
      {0, &yes, "packing boolean = TRUE\nJQP_PackAV: encoded okay, length = 3\n",
       "decoding AV packet, pdunum=1...\nJQP_UnpackAV: returning boolean = FALSE\n"},
      {49, &tray, "packing input tray medium = " + trayText,
       "returning input tray medium = " + trayText},
      {46, &finishing, "packing finishing\n", "returning finishing\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.id);
    kq::genu::test::LogCapture log("M");
    kq::genu::test::Packed p = kq::genu::test::Pack(c.id, c.value);
    ASSERT_EQ(p.rc, 0) << ::testing::PrintToString(p.codes);
    kq::genu::test::Unpacked back(c.id, p.encoding);
    ASSERT_EQ(back.rc, 0) << ::testing::PrintToString(back.codes);
    // The log sets every line of a message on a line of its own.
    std::string log_text = log.Text();
    for (const std::string &message : {"JQP_PackAV: " + c.packed, "JQP_UnpackAV: " + c.unpacked})
      for (const std::string &line : kq::test::Lines(message))
        EXPECT_NE(log_text.find("| " + line + "\n"), std::string::npos) << line << "\n" << log_text;
  }
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

// (The text and identifier failures are GenuWTextBounds'.)
TEST(genu_wire_pack, ConverterFailureAddsTheIdsCode) {
  Status s;
  OssBuf out{0, nullptr};
  GEN_Locale_t oneLetter{};
  oneLetter.language = GEN_LocaleCode_t{1, {'e', 0}};
  oneLetter.country = GEN_LocaleCode_t{2, {'u', 's'}};
  oneLetter.codeSet = kq::genu::test::ValidOid(0);
  EXPECT_REFUSED(0xc00e0094u, JQP_PackAV(s, 55, &oneLetter, &out));
  GEN_CardinalOrOid_t badChoice{3, {7}};
  s.Clear();
  EXPECT_EQ(JQP_PackAV(s, 35, &badChoice, &out), 1u);
  EXPECT_TRUE(s.Has(0xc00e0075u) && s.Has(GENU_ST_BAD_VALUE)) << s.Text();
}

TEST(genu_wire_convert, UnknownChoicesAndNullArgumentsAreRefused) {
  Text tw{};
  GEN_Text_t t{};
  t.choice = 6;
  CardinalOrNoid cw{};
  GEN_CardinalOrNoid_t cn{};
  cn.choice = 2;
  cn.u.nameOrOid.choice = 1;  // identifier 0 has no BER form
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_message(s, &tw, &t));
  EXPECT_REFUSED(GENU_ST_OID_CONVERT, ToBER_cardinalOrNoid(s, &cw, &cn));
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_text(s, nullptr, &t));
  Status s;
  EXPECT_EQ(ToGEN_descriptor(s, &tw, &t), 1);  // wire choice 0
  // An empty wire string arrives as an absent one.
  tw.choice = GEN_TEXT_STRING;
  ASSERT_EQ(ToGEN_text(s, &tw, &t), 0);
  EXPECT_EQ(t.choice, GEN_TEXT_STRING);
  EXPECT_EQ(t.u.string, nullptr);
}

TEST(genu_wire_convert, OctetStringsOwnTheirBytes) {
  Status s;
  unsigned char bytes[] = {0, 1, 2, 0xff};
  GEN_OctetString_t g{4, bytes};
  ber_octets w{};
  {
    kq::genu::test::CountingWorld guard;
    ASSERT_EQ(ToBER_octetString(s, &w, &g), 0);
    EXPECT_EQ(kq::genu::test::Counting().live.size(), 1u);
    GEN_OctetString_t back{};
    ASSERT_EQ(ToGEN_octetString(s, &w, &back), 0);  // with a spare zero byte
    EXPECT_EQ(std::string(reinterpret_cast<char *>(back.value), 5), std::string("\0\1\2\xff\0", 5));
    free(back.value);
    EXPECT_EQ(FreeBER_octetString(s, &w), 0);
    EXPECT_TRUE(kq::genu::test::Counting().live.empty());
    EXPECT_EQ(w.value, nullptr);
    kq::genu::test::Counting().failAt = kq::genu::test::Counting().attempts + 1;
    EXPECT_REFUSED(GENU_ST_NO_MEMORY, ToBER_octetString(s, &w, &g));
    EXPECT_EQ(w.value, nullptr);
  }
  g.length = -1;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_octetString(s, &w, &g));
  EXPECT_REFUSED(GENU_ST_NULL_DELETE, FreeBER_octetString(s, nullptr));
}

int releases = 0;
int CountRelease(STF_statusList_t *, void *) { return ++releases, 0; }
int FailRelease(STF_statusList_t *, void *) { return ++releases, 1; }
int CountGenRelease(STF_statusList_t *, const AS_allocateDescriptor_t *alloc, void *) {
  EXPECT_EQ(alloc, &genu_sysAllocator);
  return ++releases, 0;
}

TEST(genu_wire_convert, MultipleReleasesSkipNullsAndReportFailures) {
  Status s;
  int a, b;
  releases = 0;
  EXPECT_EQ(FreeBER_Multiple(s, CountRelease, &a, CountRelease, nullptr, CountRelease, &b, nullptr),
            0);
  EXPECT_EQ(releases, 2);
  releases = 0;
  EXPECT_EQ(FreeBER_Multiple(s, FailRelease, &a, CountRelease, &b, nullptr), 1);
  EXPECT_EQ(releases, 2);  // the rest is still released
  releases = 0;
  EXPECT_EQ(FreeGEN_Multiple(s, nullptr, CountGenRelease, &a, CountGenRelease, nullptr, nullptr),
            0);
  EXPECT_EQ(releases, 1);
}

// A record whose second part fails releases its first part again (the sanitizer
// build sees any leak) and leaves the record empty.
TEST(genu_wire_convert, FailedNestedPartReleasesTheFirst) {
  Status s;
  DistNameString w{};
  w.bit_mask = 0x80;
  w.text.choice = GEN_TEXT_STRING;
  strcpy(w.text.u.graphic_string, "printer-7");
  uint8_t unfinished[] = {0x81};
  w.name_or_oid.choice = 1;
  w.name_or_oid.u.oid = ber_oid{1, unfinished};
  GEN_DistNameString_t g{};
  EXPECT_REFUSED(GENU_ST_OID_CONVERT, ToGEN_distNameString(s, &w, &g));
  EXPECT_EQ(g.text.u.string, nullptr);
  EXPECT_EQ(g.nameOrOid, nullptr);

  OidCardinalMap mw{0x80, ber_oid{1, unfinished}, 4};
  GEN_OidCardinalMap_t mg{};
  EXPECT_EQ(ToGEN_oidCardinalMap(s, &mw, &mg), 1);
  EXPECT_EQ(mg.oid, nullptr);

  // A document format whose version fails after its variants were made.
  DocumentFormat fw{};
  GEN_Text_t variants = MakeText(GEN_TEXT_STRING, "landscape");
  GEN_SimpleName_t version = MakeName(GEN_TEXT_STRING, "2.1");
  GEN_DocumentFormat_t fg{kq::genu::test::ValidOid(1), &variants, &version}, back{};
  ASSERT_EQ(ToBER_docFormat(s, &fw, &fg), 0);
  fw.version.choice = 7;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToGEN_docFormat(s, &fw, &back));
  EXPECT_EQ(back.variants, nullptr);
  EXPECT_EQ(back.version, nullptr);
}

// An element that fails releases the nodes made so far on either side and leaves an
// empty list. (Lists are one engine; the order both ways is genu_wire_pack's, id 93.)
TEST(genu_wire_convert, ListsUndoOnFailure) {
  Status s;
  uint32_t a = kq::genu::test::ValidOid(0), b = kq::genu::test::ValidOid(3), bad = 0;
  GEN_ValueSeq_t second{nullptr, &b}, first{&second, &a};
  GEN_SeqOfObjId_t seq{&first};
  SeqOfObjId wire = nullptr;
  ASSERT_EQ(ToBER_seqOfObjId(s, &wire, &seq), 0);
  uint8_t unfinished[] = {0x81};
  wire->next->value = ber_oid{1, unfinished};
  GEN_SeqOfObjId_t back{reinterpret_cast<GEN_ValueSeq_t *>(&back)};  // must be reset
  EXPECT_EQ(ToGEN_seqOfObjId(s, &wire, &back), 1);
  EXPECT_EQ(back.first, nullptr);
  EXPECT_EQ(FreeBER_seqOfObjId(s, &wire), 0);
  EXPECT_EQ(wire, nullptr);

  second.value = &bad;  // no wire form
  EXPECT_REFUSED(GENU_ST_OID_CONVERT, ToBER_seqOfObjId(s, &wire, &seq));
  EXPECT_EQ(wire, nullptr);
}

}  // namespace
