// Composite records: every named converter takes random records to the wire, through
// the real coder and back to an equal record; bad records and bad wire structures are
// refused with nothing left allocated; access control lists change form on the way
// out and in as the attribute-set conversion requires.
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../support/oid_db_support.h"
#include "internal/ber_coder.h"
#include "private/genu_wire_adapt.h"
#include "wire_test_support.h"

using kq::genu::test::RandomValue;
using kq::genu::test::Status;

namespace {

struct Composite {
  const char *name;
  const kq::genu::Layout *layout;
  const ber_type *type;
  kq::genu::ToBerFn toBer;
  kq::genu::ToGenFn toGen;
  int (*release)(STF_statusList_t *, void *);
};

// clang-format off
#define COMPOSITE_ROW(N, W, G, L, T)                                                    \
  Composite{#N, &kq::genu::k##L##Layout, &kq_0b_d_##T, kq::genu::ToBerVia<&ToBER_##N>, \
            kq::genu::ToGenVia<&ToGEN_##N, kq::genu::ConvSig<decltype(&ToBER_##N)>::Wire, G>, \
            kq::genu::ReleaseVia<&FreeBER_##N, kq::genu::ConvSig<decltype(&ToBER_##N)>::Wire>},
// clang-format on
const Composite kComposites[] = {GENU_WIRE_COMPOSITES(COMPOSITE_ROW)};

// A block for one wire structure of type T.
struct Wire {
  const ber_type *type;
  void *p;
  explicit Wire(const ber_type *t) : type(t), p(calloc(1, t->size)) {}
  ~Wire() { free(p); }
  bool zero() const {
    for (uint32_t i = 0; i < type->size; ++i)
      if (static_cast<const uint8_t *>(p)[i]) return false;
    return true;
  }
};

// Record -> wire -> bytes -> decoded wire -> record, which must equal the first.
void RoundTrip(const Composite &c, const void *rec) {
  Status s;
  Wire out(c.type);
  ASSERT_EQ(c.toBer(s, out.p, rec), 0) << c.name << s.Text();
  uint8_t *bytes = nullptr;
  size_t length = 0;
  kq::ber::Error err;
  ASSERT_EQ(kq::ber::Encode(c.type, out.p, &bytes, &length, err), 0) << c.name << err.text;
  EXPECT_EQ(c.release(s, out.p), 0);
  EXPECT_TRUE(out.zero()) << c.name;
  void *decoded = nullptr;
  ASSERT_EQ(kq::ber::Decode(c.type, bytes, length, &decoded, err), 0) << c.name << err.text;
  free(bytes);
  void *back = calloc(1, c.layout->size);
  ASSERT_EQ(c.toGen(s, decoded, back), 0) << c.name << s.Text();
  kq::ber::FreeContents(c.type, decoded);
  free(decoded);
  int32_t order = 99;
  EXPECT_EQ(kq::genu::Compare(s, c.layout, rec, back, &order), 0u) << c.name;
  EXPECT_EQ(order, 0) << c.name;
  kq::genu::Delete(s, c.layout, back, nullptr);
}

TEST(genu_wire_composite, EveryConverterRoundTripsRandomRecords) {
  std::mt19937 rng(11);
  for (const Composite &c : kComposites) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < 30; ++i) {
      RandomValue v(c.layout, rng);
      kq::genu::test::FixForWire(c.layout, c.type, v.rec);
      RoundTrip(c, v.rec);
      if (HasFatalFailure()) return;
    }
  }
}

const Composite &Named(const char *name) {
  for (const Composite &c : kComposites)
    if (!strcmp(c.name, name)) return c;
  abort();
}

// A conversion to the wire that must fail with `code` and leave the structure empty.
void ExpectRefused(const char *name, const void *rec, uint32_t code) {
  const Composite &c = Named(name);
  Wire out(c.type);
  EXPECT_REFUSED(code, c.toBer(s, out.p, rec));
  EXPECT_TRUE(out.zero()) << name;
}

TEST(genu_wire_composite, BadRecordsAreRefusedAndLeaveNothing) {
  GEN_Finishing_t finishing{};
  finishing.choice = 3;
  // A negation without its operand, under a conjunction that already holds a filter.
  GEN_Filter_t present{}, broken{}, conjunction{};
  present.choice = 1;
  present.u.item.choice = 5;
  present.u.item.u.present = kq::genu::test::ValidOid(1);
  broken.choice = 4;
  GEN_ValueSeq_t second{nullptr, &broken}, first{&second, &present};
  conjunction.choice = 2;
  conjunction.u.set.first = &first;
  GEN_SocketAddress_t longAddress{}, bigPort{};
  longAddress.choice = bigPort.choice = 1;
  longAddress.addressLength = 16;
  bigPort.addressLength = 4;
  bigPort.port = 70000;
  uint32_t kind = 3;  // enumerations carry their named values only
  GEN_FastFilterDef_t fast{};
  fast.name.choice = fast.text.choice = GEN_TEXT_ISO646;
  fast.filterType = &kind;
  GEN_Checkpoint_t checkpoint{};
  checkpoint.format = 0x7ffffff0u;  // an identifier the table does not know
  const struct {
    const char *name;
    const void *rec;
    uint32_t code;
  } rows[] = {{"finishing", &finishing, GENU_ST_BAD_VALUE},
              {"filter", &conjunction, GENU_ST_BAD_VALUE},
              {"socketAddress", &longAddress, GENU_ST_BAD_VALUE},
              {"socketAddress", &bigPort, GENU_ST_BAD_VALUE},
              {"fastFilterDef", &fast, GENU_ST_BAD_VALUE},
              {"printCheckpoint", &checkpoint, GENU_ST_OID_CONVERT}};
  for (const auto &r : rows) ExpectRefused(r.name, r.rec, r.code);
}

// Every allocation of the world while packing `value` under `id` and unpacking it
// again fails in turn: each failure is reported (no memory, or the failed coding it
// caused) and leaves no block of the world's behind. Returns the allocation whose
// failure came first after the last one needed; `partsLeft` gets the world's blocks
// the unpacked value still held besides its record.
uint64_t SweepAllocations(uint32_t id, const void *value, size_t *partsLeft) {
  using kq::test::Counting;
  for (uint64_t failAt = 1; failAt < 2000; ++failAt) {
    Status s;
    kq::genu::test::CountingWorld guard;
    Counting().failAt = failAt;
    OssBuf encoded{0, nullptr};
    if (JQP_PackAV(s, id, value, &encoded)) {
      EXPECT_TRUE(s.Has(GENU_ST_NO_MEMORY) || s.Has(GENU_ST_ENCODE_FAILED)) << s.Text();
      EXPECT_TRUE(Counting().live.empty()) << "pack, failure " << failAt;
      continue;
    }
    void *back = nullptr;
    AS_valueDescriptor_t desc{};
    int rc = JQP_UnpackAV(s, &encoded, id, &back, &desc);
    free(encoded.value);  // the coder's bytes are on the process heap
    if (rc) {
      EXPECT_TRUE(s.Has(GENU_ST_NO_MEMORY) || s.Has(GENU_ST_DECODE_FAILED)) << s.Text();
      EXPECT_EQ(back, nullptr);
      EXPECT_TRUE(Counting().live.empty()) << "unpack, failure " << failAt;
      continue;
    }
    // The record came from the world (here the counting allocator on the process
    // heap); the record's delete frees it and its parts with the process free.
    EXPECT_EQ(Counting().live.erase(back), 1u);
    EXPECT_EQ(desc.deleteValue(s, back, nullptr), 0u);
    *partsLeft = Counting().live.size();
    Counting().live.clear();
    EXPECT_EQ(Counting().badFrees, 0u);
    return failAt;
  }
  ADD_FAILURE() << "id " << id << " never packed";
  return 0;
}

// For every id the packer knows (a random value each), and for an octet string and
// a text in another code set, whose parts come from the process heap.
TEST(genu_wire_composite, AllocationFailuresLeakNothing) {
  std::mt19937 rng(3);
  uint32_t ids[128];
  uint32_t count = kq::genu::WireTypeIds(ids, 128);
  size_t parts = 0;
  for (uint32_t id : std::vector<uint32_t>(ids, ids + count)) {
    SCOPED_TRACE(id);
    RandomValue v(kq::genu::LayoutOfType(id), rng);
    kq::genu::test::MakeRepresentable(id, v.rec);
    EXPECT_GE(SweepAllocations(id, v.rec, &parts), 2u);  // the bytes and the wire structure
  }
  GEN_Text_t text = kq::genu::test::MakeText(GEN_TEXT_OTHER, "abcde", kq::genu::test::ValidOid(0));
  for (auto [id, value] : {std::pair<uint32_t, const void *>{20, &text.u.octets}, {28, &text}}) {
    EXPECT_GE(SweepAllocations(id, value, &parts), 2u);
    EXPECT_EQ(parts, 0u) << id;
  }
}

// Two attributes known only to a local identifier database: one whose values are ext
// access control lists, one whose values are access control lists.
class genu_wire_acl : public ::testing::Test {
 protected:
  static constexpr uint32_t kExtAttr = 0x80000011u, kAclAttr = 0x80000012u;
  void SetUp() override {
    ASSERT_NE(db_.db, nullptr);
    db_.Register(kExtAttr, std::string("\x06\x04\x69\x83\x01\x11", 6), 89, "x-ext-acl");
    db_.Register(kAclAttr, std::string("\x06\x04\x69\x83\x01\x12", 6), 85, "x-acl");
    db_.Close();
    Status s;
    ASSERT_EQ(GENU_Init(s, db_.dir.c_str(), 0), 0) << s.Text();
  }
  static GEN_ExtACL_t *Entry(const char *who, uint32_t level) {
    auto *e = static_cast<GEN_ExtACL_t *>(calloc(1, sizeof(GEN_ExtACL_t)));
    e->principal.choice = GEN_TEXT_ISO646;
    snprintf(e->principal.u.string, sizeof e->principal.u.string, "%s", who);
    e->domain.text.choice = GEN_TEXT_ISO646;
    e->domain.text.u.string = strdup("example.com");
    e->domain.nameOrOid = static_cast<GEN_NameOrOID_t *>(calloc(1, sizeof(GEN_NameOrOID_t)));
    e->domain.nameOrOid->choice = 1;
    e->domain.nameOrOid->u.oid = 3045;  // a DNS domain
    e->nameType = 1;
    e->privilegeLevel = level;
    return e;
  }
  kq::genu::test::TempOidDb db_;
};

// Outside the library's own mode ext lists go out as access control lists; received
// access control lists are kept as ext lists.
TEST_F(genu_wire_acl, ExtListsTravelAsAccessControlListsAndArriveAsExtLists) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle, back = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u);
  ASSERT_EQ(AS_AddAttrVal(s, set, kExtAttr, 89, Entry("ann", 1), &GENU_ExtACLDesc, &attr), 0u);
  ASSERT_EQ(AS_AddAttrValR(s, attr, 89, Entry("bob", 3), &GENU_ExtACLDesc), 0u) << s.Text();
  AS_FreeAttrHandle(s, &attr);
  for (uint32_t mode : {1001u, 0u}) {
    SCOPED_TRACE(mode);
    AttributeList_node *list = nullptr;
    ASSERT_EQ(ToBER_AS(s, &list, &set, mode), 0) << s.Text();
    ASSERT_NE(list, nullptr);
    int values = 0;
    for (Attribute_values_node *v = list->value.values; v; v = v->next, ++values) {
      // Each value decodes under exactly the type it was sent as.
      uint32_t sent = mode == 1001 ? 89 : 85, other = mode == 1001 ? 85 : 89;
      kq::genu::test::Bytes bytes(reinterpret_cast<char *>(v->value.value), v->value.length);
      EXPECT_EQ(kq::genu::test::Unpacked(sent, bytes).rc, 0);
      EXPECT_EQ(kq::genu::test::Unpacked(other, bytes).rc, 1);
    }
    EXPECT_EQ(values, 2);
    if (mode == 0) {  // received under an attribute whose values are access control lists
      ber_oid sentType = list->value.type;
      GENU_berOid_t ber{};
      ASSERT_EQ(GENU_ShortToBerOID(s, kAclAttr, &ber), 0);
      list->value.type = ber_oid{ber.length, const_cast<uint8_t *>(ber.value)};
      ASSERT_EQ(ToGEN_AS(s, &list, &back), 0) << s.Text();
      list->value.type = sentType;
    }
    EXPECT_EQ(FreeBER_AS(s, &list), 0);
  }
  AS_attrValHandle_t vh = AS_nullAttrValHandle;
  uint32_t type = 0;
  void *stored = nullptr;
  ASSERT_EQ(AS_FindAttr(s, back, kAclAttr, &attr), 0u);
  ASSERT_EQ(AS_GetAttrValTypeR(s, attr, &type) | AS_FindFirstAttrValR(s, attr, &vh, &stored), 0u);
  EXPECT_EQ(type, 89u);
  auto *ext = static_cast<GEN_ExtACL_t *>(stored);
  char *name = nullptr, *domain = nullptr;
  uint32_t kind = 0;
  ASSERT_EQ(GENU_ExtractSimpleName(s, &name, &ext->principal, nullptr) |
                GENU_ExtractDistNameString(s, &domain, &kind, &ext->domain, nullptr),
            0u);
  EXPECT_EQ(std::string(name) + " " + domain + ":" + std::to_string(kind) + " " +
                std::to_string(ext->nameType) + " " + std::to_string(ext->privilegeLevel),
            "ann example.com:3045 2 1");  // sent as a group at end-user level
  free(name);
  free(domain);
  AS_FreeAttrValHandle(s, &vh);
  AS_FreeAttrHandle(s, &attr);
  AS_Destroy(s, &back);
  AS_Destroy(s, &set);
}

}  // namespace
