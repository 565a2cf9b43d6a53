// The converters one by one where the round trips cannot reach: bad choices and null
// arguments, octet strings, the release helpers, and the undo of a nested record or a
// list whose later part fails.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wire_test_support.h"

using kq::genu::test::MakeName;
using kq::genu::test::MakeText;
using kq::genu::test::Status;

namespace {

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
  mw.bit_mask = 0;  // absent identifier: only the number
  ASSERT_EQ(ToGEN_oidCardinalMap(s, &mw, &mg), 0);
  EXPECT_EQ(mg.oid, nullptr);
  EXPECT_EQ(mg.cardinal, 4u);

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
  second.value = nullptr;  // a node without a value is refused too
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_seqOfObjId(s, &wire, &seq));
  EXPECT_EQ(wire, nullptr);
}

}  // namespace
