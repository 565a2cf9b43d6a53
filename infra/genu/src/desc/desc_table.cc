// The value type id table: for each id 0..94 its value descriptor, the layout of
// its record and the PDU number of its wire type (-1: none). Ids without a record
// have a null descriptor: no value of that type can be stored or copied.
#include "infra/genu_desc.h"
#include "infra/svclog.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

// One row per id in order: R(descriptor, record, PDU) or N for an id without one.
// clang-format off
#define GENU_TYPE_ROWS(R, N)                                                                  \
  R(Boolean, Boolean, 1) R(Cardinal, Integer, 20) R(CardinalRange, IntegerRange, 24) N       \
  R(DeltaTime, Integer, 17) R(Descriptor, Text, 11) R(DistNameString, DistNameString, 15)     \
  R(DocumentContent, DocumentContent, 89) R(EventHandlingProfile, EventHandlingProfile, 62)   \
  R(FontReference, FontReference, 55) R(Identifier, Identifier, 43)                           \
  R(IgnoredAttribute, IgnoredAttribute, 76) R(Integer, Integer, 18)                           \
  R(IntegerRange, IntegerRange, -1) R(JobIdentifier, JobIdentifier, 67)                       \
  R(MaximumInteger, Integer, 25) R(Message, Text, 12) R(MinimumInteger, Integer, -1)          \
  R(NameOrOID, NameOrOID, 45) R(NumbersUpSupported, NumbersUpSupported, 101)                  \
  R(OctetString, OctetString, 2) R(PageIdType, PageIdType, 98)                                \
  R(PositiveInteger, Integer, 22) R(Real, Real, 36) R(Realization, Realization, 47)           \
  R(RealRange, RealRange, 39) R(Sides, Sides, 83) R(SimpleName, SimpleName, 14)               \
  R(Text, Text, 9) N N R(Cardinal64, Cardinal64, 29)                                          \
  R(Cardinal64Range, Cardinal64Range, 33) R(OidCardinalMap, OidCardinalMap, 57)               \
  R(CardinalOrNoid, CardinalOrNoid, 58) R(CardinalOrOid, CardinalOrOid, 56) N                 \
  R(Criteria, Criteria, -1) N R(DeliveryAddress, DeliveryAddress, 61)                         \
  R(DescriptiveName, SimpleName, 10) R(Dimension, Dimension, -1)                              \
  R(DistNameStringSeq, DistNameStringSeq, 16) R(DocumentFormat, DocumentFormat, 88)           \
  R(Edge, Edge, 54) R(FileReference, FileReference, 246) R(Finishing, Finishing, 103) N       \
  R(GeneralizedTime, GeneralizedTime, 3) R(InputTrayMedium, InputTrayMedium, 95)             \
  N N N N N R(Locale, Locale, 65) R(Locations, Locations, -1)                                 \
  R(MediumDimensions, MediumDimensions, 48) N N R(NameOrOidSeq, NameOrOidSeq, 46)             \
  R(NewJobIdentifier, NewJobIdentifier, 75) R(NonNegativeReal, Real, 38)                      \
  R(NonNegativeRealRange, RealRange, 40) R(ObjectIdent, ObjectIdent, 161) N N                 \
  R(MediaSelect, MediaSelect, 87) R(PageOrderType, PageOrderType, 92)                         \
  R(PageSelectSeq, PageSelectSeq, 247) N R(Percent, Percent, 42)                              \
  R(PosIntOrOid, PosIntOrOid, 59) N R(Checkpoint, Checkpoint, 74) R(Priority, Priority, 63)   \
  R(Privileges, Privileges, 64) R(RdnSeq, RdnSeq, -1) N N N                                   \
  R(ResultsProfile, ResultsProfile, 68) N N R(XYDimensions, XYDimensions, -1)                 \
  R(PSISAccessControlList, PSISAccessControlList, 257) R(RPCAddress, RPCAddress, 60)          \
  R(SocketAddress, SocketAddress, 259) R(FastFilterDef, FastFilterDef, 242)                   \
  R(ExtACL, ExtACL, 258) R(MediaConsumed, MediaConsumed, 248)                                 \
  R(MediaConsumedSeq, MediaConsumedSeq, 249)                                                  \
  R(PreprocessorDefinition, PreprocessorDefinition, 252) R(SeqOfObjId, SeqOfObjId, 253)       \
  R(DriverInfo, DriverInfo, 254)
// clang-format on

#define GENU_ROW_DESC(D, L, P) &GENU_##D##Desc,
#define GENU_ROW_LAYOUT(D, L, P) &genu::k##L##Layout,
#define GENU_ROW_PDU(D, L, P) P,
#define GENU_NONE_PTR nullptr,
#define GENU_NONE_PDU -1,

namespace {
const genu::Layout *const kLayouts[] = {GENU_TYPE_ROWS(GENU_ROW_LAYOUT, GENU_NONE_PTR)};
const int32_t kPdus[] = {GENU_TYPE_ROWS(GENU_ROW_PDU, GENU_NONE_PDU)};
static_assert(sizeof(kLayouts) / sizeof(kLayouts[0]) == GENU_AVT_COUNT);
static_assert(sizeof(kPdus) / sizeof(kPdus[0]) == GENU_AVT_COUNT);
}  // namespace

namespace kq::genu {

const Layout *LayoutOfType(uint32_t id) { return id < GENU_AVT_COUNT ? kLayouts[id] : nullptr; }

}  // namespace kq::genu

extern "C" {

int32_t GENU__printPDU = 0;

const AS_valueDescriptor_t *GENU_AvtToDescTable[GENU_AVT_COUNT] = {
    GENU_TYPE_ROWS(GENU_ROW_DESC, GENU_NONE_PTR)};

const AS_valueDescriptor_t *GENU_AVT2Descriptor(int32_t id) {
  if (id < 0 || id >= GENU_AVT_COUNT) return nullptr;
  return GENU_AvtToDescTable[id];
}

int32_t GENU_TypeToPDU(uint32_t id) {
  int32_t pdu = id < GENU_AVT_COUNT ? kPdus[id] : -1;
  if (pdu < 0)
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "GENU_TypeToPDU: unknown type = %d\n", static_cast<int>(id));
  return pdu;
}

}  // extern "C"
