// The converters one by one: code sets of names, octet strings, bad choices and null
// arguments, lists, and the undo helpers.
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
  NameOrOID nw{};
  GEN_NameOrOID_t no{};
  no.choice = 3;
  CardinalOrNoid cw{};
  GEN_CardinalOrNoid_t cn{};
  cn.choice = 2;
  cn.u.nameOrOid.choice = 1;
  cn.u.nameOrOid.u.oid = 0;  // no BER form
  GEN_GeneralizedTime_t time{};
  GEN_FontReference_t font{};
  font.choice = 2;
  FontReference fw{};
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_message(s, &tw, &t));
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_nameOrOid(s, &nw, &no));
  EXPECT_REFUSED(GENU_ST_OID_CONVERT, ToBER_cardinalOrNoid(s, &cw, &cn));
  Status s;
  EXPECT_EQ(ToBER_fontReference(s, &fw, &font), 1);
  EXPECT_EQ(ToGEN_descriptor(s, &tw, &t), 1);  // wire choice 0
  EXPECT_EQ(ToBER_text(s, nullptr, &t), 1);
  EXPECT_EQ(ToGEN_text(s, &tw, nullptr), 1);
  EXPECT_EQ(ToBER_generalizedTime(s, nullptr, &time), 1);
  EXPECT_EQ(ToBER_cardinalRange(s, nullptr, nullptr), 1);
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
    EXPECT_NE(w.value, bytes);
    EXPECT_EQ(kq::genu::test::Counting().live.size(), 1u);
    GEN_OctetString_t back{};
    ASSERT_EQ(ToGEN_octetString(s, &w, &back), 0);  // with a spare zero byte
    EXPECT_EQ(std::string(reinterpret_cast<char *>(back.value), 5), std::string("\0\1\2\xff\0", 5));
    free(back.value);
    EXPECT_EQ(FreeBER_octetString(s, &w), 0);
    EXPECT_TRUE(kq::genu::test::Counting().live.empty());
    EXPECT_EQ(w.value, nullptr);
    // An allocation failure reports no memory and leaves the structure empty.
    kq::genu::test::Counting().failAt = kq::genu::test::Counting().attempts + 1;
    EXPECT_REFUSED(GENU_ST_NO_MEMORY, ToBER_octetString(s, &w, &g));
    EXPECT_EQ(w.value, nullptr);
  }
  g.length = 0;
  ASSERT_EQ(ToBER_octetString(s, &w, &g), 0);
  EXPECT_EQ(w.value, nullptr);
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
  {
    kq::genu::test::CountingWorld guard;
    void *block = kq::genu::test::CountingAllocate(8);
    EXPECT_EQ(FreeBER_Multiple(s, FreeBER_void, block, FreeBER_noOp, &a, nullptr), 0);
    EXPECT_TRUE(kq::genu::test::Counting().live.empty());
  }
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

  NewJobIdentifier nw{};
  nw.server_name = w;
  s.Clear();
  GEN_NewJobIdentifier_t ng{};
  EXPECT_EQ(ToGEN_newJobIdentifier(s, &nw, &ng), 1);
  EXPECT_EQ(ng.serverName.text.u.string, nullptr);

  OidCardinalMap mw{0x80, ber_oid{1, unfinished}, 4};
  GEN_OidCardinalMap_t mg{};
  EXPECT_EQ(ToGEN_oidCardinalMap(s, &mw, &mg), 1);
  EXPECT_EQ(mg.oid, nullptr);
  mw.bit_mask = 0;  // absent identifier: only the number
  ASSERT_EQ(ToGEN_oidCardinalMap(s, &mw, &mg), 0);
  EXPECT_EQ(mg.oid, nullptr);
  EXPECT_EQ(mg.cardinal, 4u);
}

GEN_ValueSeq_t *Chain(std::initializer_list<void *> values) {
  GEN_ValueSeq_t *head = nullptr, **tail = &head;
  for (void *v : values) {
    *tail = static_cast<GEN_ValueSeq_t *>(calloc(1, sizeof(GEN_ValueSeq_t)));
    (*tail)->value = v;
    tail = &(*tail)->next;
  }
  return head;
}

// Lists keep their order; an element that fails releases the nodes made so
// far on either side and leaves an empty list.
TEST(genu_wire_convert, ListsKeepOrderAndUndoOnFailure) {
  Status s;
  uint32_t a = kq::genu::test::ValidOid(0), b = kq::genu::test::ValidOid(3), bad = 0;
  GEN_SeqOfObjId_t seq{Chain({&a, &b})};
  SeqOfObjId wire = nullptr;
  ASSERT_EQ(ToBER_seqOfObjId(s, &wire, &seq), 0);
  // A wire list whose second identifier does not convert. (The order both ways is
  // genu_wire_pack's, id 93.)
  uint8_t unfinished[] = {0x81};
  wire->next->value = ber_oid{1, unfinished};
  GEN_SeqOfObjId_t back{reinterpret_cast<GEN_ValueSeq_t *>(&back)};  // must be reset
  EXPECT_EQ(ToGEN_seqOfObjId(s, &wire, &back), 1);
  EXPECT_EQ(back.first, nullptr);
  EXPECT_EQ(FreeBER_seqOfObjId(s, &wire), 0);
  EXPECT_EQ(wire, nullptr);

  // A generic list whose second identifier has no wire form.
  seq.first->next->value = &bad;
  EXPECT_REFUSED(GENU_ST_OID_CONVERT,
                 ToBER_setOfOIDs(s, &wire, reinterpret_cast<GEN_SetOfOids_t *>(&seq)));
  EXPECT_EQ(wire, nullptr);
  seq.first->next->value = nullptr;  // a node without a value is refused too
  EXPECT_EQ(ToBER_seqOfObjId(s, &wire, &seq), 1);
  EXPECT_EQ(wire, nullptr);
  free(seq.first->next);
  free(seq.first);

  GEN_Text_t t1 = MakeText(GEN_TEXT_STRING, "first"), t2 = MakeText(GEN_TEXT_LATIN1, "zw\xe9it");
  GEN_SetOfText_t texts{Chain({&t1, &t2})};
  SetOfText twire = nullptr;
  ASSERT_EQ(ToBER_setOfText(s, &twire, &texts), 0);
  GEN_SetOfText_t tback{};
  ASSERT_EQ(ToGEN_setOfText(s, &twire, &tback), 0);
  kq::genu::test::ExpectSameStruct(&kq::genu::kTextLayout, &t1, tback.first->value);
  kq::genu::test::ExpectSameStruct(&kq::genu::kTextLayout, &t2, tback.first->next->value);
  GENU__DeleteAttrValSeq(s, 28, tback.first, nullptr);
  FreeBER_setOfText(s, &twire);
  free(texts.first->next);
  free(texts.first);
}

// A document format whose version fails after its variants were made releases them.
// (Its round trip is genu_wire_pack's, id 43.)
TEST(genu_wire_convert, DocumentFormatUndoesItsOptionalParts) {
  Status s;
  DocumentFormat w{};
  GEN_Text_t variants = MakeText(GEN_TEXT_STRING, "landscape");
  GEN_SimpleName_t version = MakeName(GEN_TEXT_STRING, "2.1");
  GEN_DocumentFormat_t g{kq::genu::test::ValidOid(1), &variants, &version}, back{};
  ASSERT_EQ(ToBER_docFormat(s, &w, &g), 0);
  w.version.choice = 7;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToGEN_docFormat(s, &w, &back));
  EXPECT_EQ(back.variants, nullptr);
  EXPECT_EQ(back.version, nullptr);
}

TEST(genu_wire_convert, OpenValuesAndFormatSetsTravel) {
  Status s;
  uint32_t n = 1;
  OssBuf packed{0, nullptr};
  ASSERT_EQ(JQP_PackAV(s, 1, &n, &packed), 0u);
  GEN_OctetString_t any{packed.length, packed.value};
  ber_octets w{};
  ASSERT_EQ(ToBER_Any(s, &w, &any), 0);
  GEN_OctetString_t back{};
  ASSERT_EQ(ToGEN_Any(s, &w, &back), 0);
  ASSERT_EQ(back.length, packed.length);
  EXPECT_EQ(memcmp(back.value, packed.value, static_cast<size_t>(packed.length)), 0);
  EXPECT_EQ(FreeBER_Any(s, &w), 0);
  EXPECT_EQ(w.value, nullptr);
  free(back.value);
  free(packed.value);

  GEN_DocumentFormat_t a{kq::genu::test::ValidOid(0), nullptr, nullptr};
  GEN_DocumentFormat_t b{kq::genu::test::ValidOid(2), nullptr, nullptr};
  GEN_SetOfDocumentFormat_t formats{Chain({&a, &b})};
  SetOfDocumentFormat wire = nullptr;
  ASSERT_EQ(ToBER_setOfDocumentFormat(s, &wire, &formats), 0);
  GEN_SetOfDocumentFormat_t got{};
  ASSERT_EQ(ToGEN_setOfDocumentFormat(s, &wire, &got), 0);
  std::vector<uint32_t> order;
  for (GEN_ValueSeq_t *n = got.first; n; n = n->next)
    order.push_back(static_cast<GEN_DocumentFormat_t *>(n->value)->format);
  EXPECT_EQ(order, (std::vector<uint32_t>{a.format, b.format}));
  GENU__DeleteAttrValSeq(s, 43, got.first, nullptr);
  EXPECT_EQ(FreeBER_setOfDocumentFormat(s, &wire), 0);
  free(formats.first->next);
  free(formats.first);
}

}  // namespace
