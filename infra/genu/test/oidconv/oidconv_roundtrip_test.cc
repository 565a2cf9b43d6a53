// The compiled table: every row converts to each form and back, the indexes, the
// short-OID ranges and prefixed names, and the generated named constants.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "infra/genu.h"
#include "infra/genu_oid.h"
#include "kqtest.h"
#include "private/oidconv_table.h"

namespace {

using List = kq::test::StatusList;

// Every short OID a conversion may produce, with its entry.
std::vector<uint32_t> AllShoids() {
  std::vector<uint32_t> v;
  for (uint32_t s = 0; s <= 1092; s++) v.push_back(s);
  for (uint32_t s = 3000; s <= 3563; s++) v.push_back(s);
  return v;
}

bool Formless(const char *name) { return strncmp(name, "nil-", 4) == 0 || !*name; }

TEST(genu_oid_table, EveryRowRoundTripsThroughEachForm) {
  int real = 0;
  for (uint32_t shoid : AllShoids()) {
    SCOPED_TRACE(shoid);
    List l;
    const char *name = GENU_ShortOIDToAscii(shoid);
    ASSERT_STRNE(name, "unknown");
    uint32_t back = 0;
    if (shoid != 3563) {  // the end entry has no name
      ASSERT_EQ(GENU_AsciiToShortOID(l, name, &back), 0) << name;
      EXPECT_EQ(back, shoid);
    }
    const unsigned char *bin = nullptr;
    ASSERT_EQ(GENU_ShortToBinaryOID(l, shoid, &bin), 0);
    GENU_berOid_t ber{};
    if (shoid == 0 || Formless(name)) {
      EXPECT_EQ(bin, nullptr);
      EXPECT_EQ(GENU_ShortToBerOID(l, shoid, &ber), 1);
      EXPECT_EQ(l.Code(), GENU_ST_OID_UNKNOWN);
      continue;
    }
    real++;
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(bin[0], 6);
    ASSERT_EQ(GENU_BinaryToShortOID(l, bin, &back), 0);
    EXPECT_EQ(back, shoid);
    ASSERT_EQ(GENU_ShortToBerOID(l, shoid, &ber), 0);
    EXPECT_EQ(ber.length, bin[1]);
    EXPECT_EQ(memcmp(ber.value, bin + 2, ber.length), 0);
    ASSERT_EQ(GENU_BerToShortOID(l, &ber, &back), 0);
    EXPECT_EQ(back, shoid);
    // One octet less or more finds no row, or a row of exactly that form.
    std::string form(reinterpret_cast<const char *>(ber.value), ber.length);
    for (const std::string &miss : {form.substr(0, form.size() - 1), form + '\x01'}) {
      GENU_berOid_t near{static_cast<uint16_t>(miss.size()),
                         reinterpret_cast<const unsigned char *>(miss.data())},
          its{};
      List quiet;
      if (!miss.empty() && GENU_BerToShortOID(quiet, &near, &back) == 0) {
        ASSERT_EQ(GENU_ShortToBerOID(quiet, back, &its), 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(its.value), its.length), miss);
      }
    }
    uint32_t type = 0;
    ASSERT_EQ(GENU_AttrIdToType(l, shoid, &type), 0);
    EXPECT_LT(type, 95u);
  }
  EXPECT_GE(real, 688 + 20);
}

TEST(genu_oid_table, IndexesAreSortedAndComplete) {
  using namespace kq::genu;
  std::set<uint32_t> seenBer, seenName;
  for (uint32_t i = 0; i < kIndexEntries; i++) {
    seenBer.insert(bertable[i].number);
    seenName.insert(nametable[i].number);
    EXPECT_EQ(bertable[i].entry, &oidTable[bertable[i].number]);
    if (i > 0) {
      EXPECT_LT(strcmp(nametable[i - 1].entry->name, nametable[i].entry->name), 0);
    }
  }
  EXPECT_EQ(seenBer.size(), kIndexEntries);
  EXPECT_EQ(seenName.size(), kIndexEntries);
  EXPECT_EQ(NumberOfShoids(), 1656u);
  EXPECT_STREQ(oidTable[1656].name, "");
  EXPECT_STREQ(oidTable[0].name, "reserved-for-null");
}

TEST(genu_oid_table, ShortIdentifiersOutsideTheRangesAreUnknown) {
  List l;
  const unsigned char *bin3000 = nullptr, *bin1093 = nullptr;
  ASSERT_EQ(GENU_ShortToBinaryOID(l, 3000, &bin3000), 0);
  ASSERT_EQ(GENU_ShortToBinaryOID(l, 1093, &bin1093), 0);
  EXPECT_EQ(bin3000, bin1093);
  EXPECT_STREQ(GENU_ShortOIDToAscii(1093), GENU_ShortOIDToAscii(3000));
  GENU_berOid_t ber{};
  uint32_t back = 0;
  ASSERT_EQ(GENU_ShortToBerOID(l, 1093, &ber), 0);
  ASSERT_EQ(GENU_BerToShortOID(l, &ber, &back), 0);
  EXPECT_EQ(back, 3000u);

  for (uint32_t bad : {1657u, 2999u, 3564u, 0x7fffffffu}) {
    SCOPED_TRACE(bad);
    List f;
    const unsigned char *bin = nullptr;
    uint32_t type = 0;
    EXPECT_EQ(GENU_ShortToBerOID(f, bad, &ber) + GENU_ShortToBinaryOID(f, bad, &bin) +
                  GENU_AttrIdToType(f, bad, &type),
              3);
    EXPECT_EQ(f.Codes(), std::vector<uint32_t>(3, GENU_ST_OID_UNKNOWN));
    EXPECT_STREQ(GENU_ShortOIDToAscii(bad), "unknown");
  }
}

TEST(genu_oid_table, PrefixedNamesResolveAndBadInputIsUnknown) {
  List l;
  uint32_t shoid = 99;
  ASSERT_EQ(GENU_PrefixToShortOID(l, "descriptor", "id-syn-", &shoid), 0);
  EXPECT_EQ(shoid, 1u);
  ASSERT_EQ(GENU_PrefixToShortOID(l, "id-syn-descriptor", "id-syn-", &shoid), 0);
  EXPECT_EQ(shoid, 1u);
  EXPECT_EQ(GENU_PrefixToShortOID(l, nullptr, "id-syn-", &shoid), 1);
  EXPECT_EQ(shoid, 0u);
  EXPECT_EQ(l.Code(), GENU_ST_OID_UNKNOWN);

  // Names that sort between, before and after every entry are absent.
  for (const char *name : {"id-syn-descriptorx", "a", "zzz", "id-", ""}) {
    List f;
    EXPECT_EQ(GENU_AsciiToShortOID(f, name, &shoid), 1) << name;
  }
  // A binary form whose tag is not an identifier's is unknown.
  List f;
  const unsigned char notOid[] = {4, 1, 0x28};
  EXPECT_EQ(GENU_BinaryToShortOID(f, notOid, &shoid), 1);
}

// The generated named constants agree with the compiled table and the value
// descriptors they stand for: a short OID constant names its own row (also in the
// high range), an attribute's value type is the type constant of its syntax, and a
// type constant selects the descriptor of that value record.
TEST(genu_names, ShortOidConstantsNameTheirRows) {
  struct Row {
    uint32_t shoid;
    const char *name;
  } rows[] = {
      {GENU_SHOID_ID_SYN_SIMPLE_NAME, "id-syn-simple-name"},
      {GENU_SHOID_ID_ATT_JOB_NAME, "id-att-job-name"},
      {GENU_SHOID_ID_ATT_DOCUMENT_FORMAT, "id-att-document-format"},
      {GENU_SHOID_ID_ATT_ASSOCIATED_QUEUE, "id-att-associated-queue"},  // first high row
      {GENU_SHOID_ID_ATT_RPC_TIMEOUT, "id-att-rpc-timeout"},
  };
  for (const Row &r : rows) {
    EXPECT_EQ(std::string(GENU_ShortOIDToAscii(r.shoid)), r.name) << r.shoid;
  }
}

TEST(genu_names, AttributeTypesAreTheirSyntaxTypeConstants) {
  struct Row {
    uint32_t attribute;
    uint32_t type;
    const AS_valueDescriptor_t *descriptor;
  } rows[] = {
      {GENU_SHOID_ID_ATT_JOB_NAME, GEN_TYPE_SIMPLE_NAME, &GENU_SimpleNameDesc},
      {GENU_SHOID_ID_ATT_ASSOCIATED_QUEUE, GEN_TYPE_SIMPLE_NAME, &GENU_SimpleNameDesc},
      {GENU_SHOID_ID_ATT_RPC_TIMEOUT, GEN_TYPE_INTEGER, &GENU_IntegerDesc},
      {GENU_SHOID_ID_ATT_COPY_COUNT, GEN_TYPE_CARDINAL, &GENU_CardinalDesc},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(GENU_ShortOIDToAscii(r.attribute));
    kq::test::StatusList l;
    uint32_t type = 0;
    ASSERT_EQ(GENU_AttrIdToType(l, r.attribute, &type), 0) << l.Text();
    EXPECT_EQ(type, r.type);
    EXPECT_EQ(GENU_AVT2Descriptor(static_cast<int32_t>(r.type)), r.descriptor);
  }
}

}  // namespace
