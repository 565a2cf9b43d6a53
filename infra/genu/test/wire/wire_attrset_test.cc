// Attribute sets through the wire: a set of mixed value types becomes an attribute
// list, is encoded and decoded by the real coder, and comes back as an equal set.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "wire_test_support.h"

using kq::genu::test::Status;

namespace {

// Attributes of the identifier registry and their value types.
struct Known {
  uint32_t shoid, type;
};
const Known kAttrs[] = {{133, 27}, {239, 0},   {240, 48}, {246, 28},
                        {273, 1},  {3001, 12}, {91, 18},  {86, 10}};

// A set holding `perAttr` random values (none: an attribute without values) of every
// known attribute.
AS_setHandle_t MixedSet(std::mt19937 &rng, int perAttr) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle;
  EXPECT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  for (const Known &k : kAttrs) {
    AS_attrHandle_t attr = AS_nullAttrHandle;
    EXPECT_EQ(AS_AddAttr(s, set, k.shoid, k.type, &attr), 0u);
    const kq::genu::Layout *layout = kq::genu::LayoutOfType(k.type);
    for (int i = 0; i < perAttr; ++i) {
      void *rec = calloc(1, layout->size);
      kq::genu::Random(layout, rec, rng);
      kq::genu::test::MakeRepresentable(k.type, rec);
      EXPECT_EQ(AS_AddAttrValR(s, attr, k.type, rec, GENU_AVT2Descriptor(k.type)), 0u);
    }
    AS_FreeAttrHandle(s, &attr);
  }
  return set;
}

// Every attribute of `a` is in `b` with equal values in the same order.
void ExpectSameSets(AS_setHandle_t a, AS_setHandle_t b) {
  Status s;
  for (const Known &k : kAttrs) {
    SCOPED_TRACE(k.shoid);
    AS_valueList_t va{}, vb{};
    ASSERT_EQ(AS_GetAttrValList(s, a, k.shoid, &va, nullptr), 0u);
    ASSERT_EQ(AS_GetAttrValList(s, b, k.shoid, &vb, nullptr), 0u);
    ASSERT_EQ(va.count, vb.count);
    for (uint32_t i = 0; i < va.count; ++i) {
      int32_t order = 1;
      EXPECT_EQ(GEN_CompareAttrValue(s, k.type, va.values[i], vb.values[i], &order), 0u);
      EXPECT_EQ(order, 0);
    }
    free(va.values);
    free(vb.values);
  }
}

TEST(genu_wire_attrset, MixedSetRoundTripsThroughTheCoder) {
  std::mt19937 rng(30);
  for (int round = 0; round < 5; ++round) {
    Status s;
    AS_setHandle_t set = MixedSet(rng, round % 3);
    AttributeList list = nullptr;
    ASSERT_EQ(ToBER_AS(s, &list, &set, GENU_AS_MODE_KEEP_EXT_ACL), 0);
    // Carry the list inside a request record the coder encodes as a whole.
    auto *request = static_cast<PrintArgument *>(calloc(1, sizeof(PrintArgument)));
    request->choice = 1;
    CreateJobArgument &create = request->u.create_job;
    create.printer_name.choice = GEN_TEXT_STRING;
    strcpy(create.printer_name.u.graphic_string, "printer-1");
    create.bit_mask = CreateJobArgument_job_attributes_present;
    create.job_attributes = list;
    kq::genu::test::ThroughCoder<PrintArgument> trip(PrintArgument_PDU, request);
    ASSERT_EQ(FreeBER_AS(s, &create.job_attributes), 0);
    EXPECT_EQ(create.job_attributes, nullptr);
    free(request);
    ASSERT_NE(trip.decoded, nullptr);
    AS_setHandle_t back = AS_nullSetHandle, *made = nullptr;  // odd rounds: a set made for us
    AttributeList *received = &trip.decoded->u.create_job.job_attributes;
    ASSERT_EQ(round % 2 ? MallocAStoGEN(s, received, &made) : ToGEN_AS(s, received, &back), 0);
    ExpectSameSets(set, made ? *made : back);
    AS_Destroy(s, made ? made : &back);
    free(made);
    AS_Destroy(s, &set);
  }
}

TEST(genu_wire_attrset, EmptySetsTravelAsNoList) {
  Status s;
  AttributeList list = reinterpret_cast<AttributeList>(&s);
  AS_setHandle_t none = AS_nullSetHandle, set = AS_nullSetHandle;
  EXPECT_EQ(ToBER_AS(s, &list, &none, 0), 0);
  EXPECT_EQ(list, nullptr);
  ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  EXPECT_EQ(ToBER_AS(s, &list, &set, 0), 0);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(STF_GetStatus(s), 0u);
  AS_Destroy(s, &set);
}

// A row of RefusedConversionsLeaveNoStaleOutput: the output a call must clear, and the
// call (named by its own text).
// clang-format off
#define STALE(out, call) {#call, reinterpret_cast<void **>(out), [&](STF_statusList_t *s) { return call; }}
// clang-format on

// Every conversion clears its output before it checks its input: a caller who frees
// the output after a refusal must never free what the variable held before.
TEST(genu_wire_attrset, RefusedConversionsLeaveNoStaleOutput) {
  Attribute attribute{};
  ModifyAttribute modify{};
  AttributeValueAssertion ava{};
  AttributeList list = nullptr;
  ModifyAttributeList modList = nullptr;
  AS_setHandle_t set = AS_nullSetHandle, *setPtr = nullptr;
  AS_attrHandle_t attr = AS_nullAttrHandle, none = AS_nullAttrHandle;
  const struct {
    const char *name;
    void **out;
    std::function<int(STF_statusList_t *)> call;
  } rows[] = {STALE(&list, ToBER_AS(s, &list, nullptr, 0)),
              STALE(&modList, ToBER_ModOpAS(s, &modList, 0, 0)),
              STALE(&attribute.values, ToBER_Attr(s, &attribute, none, 0)),
              STALE(&attribute.values, ToBER_AVA(s, &attribute, none)),
              STALE(&modify.values, ToBER_ModOpAttr(s, &modify, none, 0)),
              STALE(&ava.value.value, ToBER_IfwAVA(s, &ava, none)),
              STALE(&set, ToGEN_AS(s, nullptr, &set)),
              STALE(&set, ToGEN_ModOpAS(s, nullptr, &set)),
              STALE(&setPtr, MallocAStoGEN(s, nullptr, &setPtr)),
              STALE(&attr, ToGEN_Attr(s, nullptr, nullptr, &attr)),
              STALE(&attr, ToGEN_AVA(s, nullptr, &attr)),
              STALE(&attr, ToGEN_IfwAVA(s, nullptr, &attr))};
  for (const auto &row : rows) {
    Status s;
    *row.out = reinterpret_cast<void *>(uintptr_t{0x5a5a5a50});  // what a caller held before
    EXPECT_EQ(row.call(s), 1) << row.name;
    EXPECT_NE(STF_GetStatus(s), 0u) << row.name;
    EXPECT_EQ(*row.out, nullptr) << row.name;
  }
}

TEST(genu_wire_attrset, InconsistentTypeAndBadValuesFailCleanly) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle;
  ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  // job-copies-completed is a cardinal: stored as a text it is refused.
  GEN_Text_t three = kq::genu::test::MakeText(GEN_TEXT_STRING, "three");
  ASSERT_EQ(AS_AddAttrValM(s, set, 273, 28, &three, &GENU_TextDesc, nullptr), 0u);
  AttributeList list = nullptr;
  EXPECT_REFUSED(GENU_ST_BAD_VALUE, ToBER_AS(s, &list, &set, 0));
  EXPECT_EQ(list, nullptr);
  AS_Destroy(s, &set);

  // A good attribute followed by one whose second value cannot be packed: nothing
  // of the list is left.
  ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  kq::genu::test::AddIntegers(set, 273, {3}, nullptr, 1);
  for (int16_t length : {3, 256}) {  // a name of 256 bytes is one too long
    auto *name = static_cast<GEN_SimpleName_t *>(calloc(1, sizeof(GEN_SimpleName_t)));
    name->choice = GEN_TEXT_OCTETS;
    name->u.octets.length = length;
    ASSERT_EQ(AS_AddAttrVal(s, set, 133, 27, name, &GENU_SimpleNameDesc, nullptr), 0u);
  }
  s.Clear();
  EXPECT_EQ(ToBER_AS(s, &list, &set, GENU_AS_MODE_KEEP_EXT_ACL), 1);
  EXPECT_TRUE(s.Has(0xc00e00bau) && s.Has(GENU_ST_TOO_LONG)) << s.Text();
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(AS_Destroy(s, &set), 0u);  // the set's values are untouched
}

// A received attribute skips its empty values; one whose value does not decode under
// the attribute's type leaves no set.
TEST(genu_wire_attrset, ReceivedListsSkipEmptyValuesAndRefuseBadOnes) {
  GEN_Integer_t three = 3;
  kq::genu::test::Packed packed = kq::genu::test::Pack(1, &three);
  Attribute_values_node good{nullptr,
                             {static_cast<int32_t>(packed.encoding.size()),
                              reinterpret_cast<uint8_t *>(packed.encoding.data())}},
      empty{&good, {}};
  AttributeList_node node{};
  node.value.values = &empty;
  AttributeList list = &node;
  for (uint32_t shoid : {273u, 246u}) {  // a cardinal attribute, then a text one
    Status s;
    GENU_berOid_t ber{};
    ASSERT_EQ(GENU_ShortToBerOID(s, shoid, &ber), 0);
    node.value.type = ber_oid{ber.length, const_cast<uint8_t *>(ber.value)};
    AS_setHandle_t set = AS_nullSetHandle;
    uint32_t count = 0;
    if (shoid == 246) {
      EXPECT_REFUSED(GENU_ST_SET_ACCESS, ToGEN_AS(s, &list, &set));
      EXPECT_EQ(set, AS_nullSetHandle);
      continue;
    }
    ASSERT_EQ(ToGEN_AS(s, &list, &set), 0);
    EXPECT_EQ(AS_GetAttrValCount(s, set, 273, &count), 0u);
    EXPECT_EQ(count, 1u);
    AS_Destroy(s, &set);
  }
}

// A modify list keeps each attribute's operator; the no-operation value travels as no
// operator at all, and an attribute without values has no list.
TEST(genu_wire_attrset, ModifyListsKeepTheirOperators) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle, back = AS_nullSetHandle;
  ASSERT_EQ(AS_Create(s, &set, nullptr, 1), 0u);
  const struct {
    uint32_t shoid, type;
    int32_t op;
    bool value;
  } attrs[] = {{273, 1, AS_MODIFY_ADD_VALUES, true},
               {3001, 12, AS_MODIFY_DELETE_VALUES, true},
               {246, 28, AS_MODIFY_SET_DEFAULT, false},
               {239, 0, AS_MODIFY_NOOP, true}};
  for (const auto &a : attrs) {
    AS_attrHandle_t attr = AS_nullAttrHandle;
    kq::genu::test::AddIntegers(
        set, a.shoid, a.value ? std::vector<int32_t>{1} : std::vector<int32_t>{}, &attr, a.type);
    ASSERT_EQ(AS_SetAttrModifyOpR(s, attr, a.op), 0u);
    AS_FreeAttrHandle(s, &attr);
  }
  ModifyAttributeList list = nullptr;
  ASSERT_EQ(ToBER_ModOpAS(s, &list, &set, 0), 0);
  int seen = 0;
  for (ModifyAttributeList_node *n = list; n; n = n->next, ++seen) {
    uint32_t shoid = 0;
    GENU_berOid_t ber{n->value.type.length, n->value.type.value};
    ASSERT_EQ(GENU_BerToShortOID(s, &ber, &shoid), 0);
    const auto &a = *std::find_if(std::begin(attrs), std::end(attrs),
                                  [&](const auto &x) { return x.shoid == shoid; });
    int32_t op = a.op == AS_MODIFY_NOOP ? 0 : a.op;
    EXPECT_EQ(std::vector<int32_t>(
                  {n->value.bit_mask & 0x80, n->value.bit_mask & 0x40, n->value.modify_operator}),
              std::vector<int32_t>({a.value ? 0x80 : 0, op ? 0x40 : 0, op}))
        << shoid;
  }
  EXPECT_EQ(seen, 4);
  ASSERT_EQ(ToGEN_ModOpAS(s, &list, &back), 0);
  ASSERT_EQ(FreeBER_ModOpAS(s, &list), 0);
  for (const auto &a : attrs) {
    int32_t op = 99;
    uint32_t count = 9;
    ASSERT_EQ(
        AS_GetAttrModifyOp(s, back, a.shoid, &op) | AS_GetAttrValCount(s, back, a.shoid, &count),
        0u);
    EXPECT_EQ(op, a.op == AS_MODIFY_NOOP ? AS_MODIFY_NONE : a.op) << a.shoid;
    EXPECT_EQ(count, a.value ? 1u : 0u) << a.shoid;
  }
  AS_Destroy(s, &back);
  AS_Destroy(s, &set);
}

// The one-value assertion carries only the first value and comes back as an
// attribute alone; the attribute form carries all values.
TEST(genu_wire_attrset, AssertionsCarryFirstOrAllValues) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle;
  ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  AS_attrHandle_t attr = AS_nullAttrHandle, one = AS_nullAttrHandle, both = AS_nullAttrHandle;
  kq::genu::test::AddIntegers(set, 3001, {41, 42}, &attr);
  AttributeValueAssertion ava{};
  Attribute all{};
  ASSERT_EQ(ToBER_IfwAVA(s, &ava, attr) | ToBER_AVA(s, &all, attr), 0);
  ASSERT_EQ(ToGEN_IfwAVA(s, &ava, &one) | ToGEN_AVA(s, &all, &both), 0);
  uint32_t count = 0, id = 0, countAll = 0;
  void *value = nullptr;
  EXPECT_EQ(AS_GetAttrValCountR(s, one, &count) | AS_GetAttrIDR(s, one, &id) |
                AS_GetAttrValR(s, one, &value) | AS_GetAttrValCountR(s, both, &countAll),
            0u);
  EXPECT_EQ(std::vector<uint32_t>({count, id, *static_cast<uint32_t *>(value), countAll}),
            std::vector<uint32_t>({1, 3001, 41, 2}));
  kq::genu::DeleteAttr(s, &one);
  kq::genu::DeleteAttr(s, &both);
  EXPECT_EQ(FreeBER_ifwAVA(s, &ava) | FreeBER_Attr(s, &all), 0);
  AS_FreeAttrHandle(s, &attr);
  AS_Destroy(s, &set);
}

}  // namespace
