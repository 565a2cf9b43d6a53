// Packing one generic value into the encoded bytes of its wire type and back. One
// table row per value type id says how its record and its wire structure relate:
// directly (the same bytes, or a Boolean) or through a pair of converters; one
// mechanism walks it in each direction.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "private/genu_wire_adapt.h"
#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace {

typedef int (*PackFn)(STF_statusList_t *, void *wire, const void *record);
typedef int (*UnpackFn)(STF_statusList_t *, const void *wire, void *record);
typedef int (*ReleaseFn)(STF_statusList_t *, void *wire);

enum Kind : uint8_t { kSame, kBoolean, kConvert };

// Rows name their members; the converters and failure codes of a row that has none
// are left out.
struct WireRow {
  uint32_t id;
  int pdu;
  Kind kind;
  size_t wireSize;
  size_t recordSize;
  PackFn pack = nullptr;
  UnpackFn unpack = nullptr;
  ReleaseFn release = nullptr;  // null: the wire structure owns nothing
  uint32_t packFailure = 0;
  uint32_t unpackFailure = 0;
};

#define SAME(Id, Pdu, G) \
  { .id = Id, .pdu = Pdu##_PDU, .kind = kSame, .wireSize = sizeof(Pdu), .recordSize = sizeof(G) }
#define CONV_REL(Id, Pdu, name, rel, packCode, unpackCode)                                \
  {                                                                                       \
    .id = Id, .pdu = Pdu##_PDU, .kind = kConvert,                                         \
    .wireSize = sizeof(genu::ConvSig<decltype(&ToBER_##name)>::Wire),                     \
    .recordSize = sizeof(genu::ConvSig<decltype(&ToBER_##name)>::Record),                 \
    .pack = genu::ToBerVia<&ToBER_##name>,                                                \
    .unpack = genu::ToGenVia<&ToGEN_##name, genu::ConvSig<decltype(&ToBER_##name)>::Wire, \
                             genu::ConvSig<decltype(&ToBER_##name)>::Record>,             \
    .release = rel, .packFailure = packCode, .unpackFailure = unpackCode                  \
  }
// Composite records: their release operation undoes everything the conversion made.
#define COMP(id, Pdu, name, packCode, unpackCode)                                             \
  CONV_REL(id, Pdu, name,                                                                     \
           (genu::ReleaseVia<&FreeBER_##name, genu::ConvSig<decltype(&ToBER_##name)>::Wire>), \
           packCode, unpackCode)
#define CONV(id, Pdu, name, packCode, unpackCode) \
  CONV_REL(id, Pdu, name, nullptr, packCode, unpackCode)

constexpr WireRow kRows[] = {
    {.id = 0,
     .pdu = Boolean_PDU,
     .kind = kBoolean,
     .wireSize = sizeof(Boolean),
     .recordSize = sizeof(GEN_Boolean_t)},
    SAME(1, Cardinal, GEN_Integer_t),
    CONV(2, CardinalRange, cardinalRange, 0xc00e00c3u, 0xc00e00c3u),
    SAME(4, DeltaTime, GEN_Integer_t),
    CONV(6, DistNameString, distNameString, 0xc00e007bu, 0xc00e007bu),
    CONV(5, Descriptor, descriptor, 0xc00e00bdu, 0xc00e00bdu),
    CONV(9, FontReference, fontReference, 0xc00e008au, 0xc00e008au),
    CONV(10, ObjectIdentifier, oid, 0xc00e00a5u, 0xc00e00c3u),
    CONV_REL(11, IgnoredAttribute, ignoredAttribute,
             (genu::ReleaseVia<&FreeBER_ignoredAttribute, IgnoredAttribute>), 0xc00e0090u,
             0xc00e0090u),
    SAME(12, Integer, GEN_Integer_t),
    CONV(14, JobIdentifier, jobId, 0xc00e00c3u, 0xc00e00c3u),
    SAME(15, MaximumInteger, GEN_Integer_t),
    CONV(16, Message, message, 0xc00e00bdu, 0xc00e0098u),
    CONV(18, NameOrOID, nameOrOid, 0xc00e009bu, 0xc00e009bu),
    CONV(19, NumbersUpSupported, numbersUpSupported, 0xc00e009eu, 0xc00e009eu),
    CONV_REL(20, OctetString, octetString, (genu::ReleaseVia<&FreeBER_octetString, ber_octets>),
             0xc00e00a4u, 0xc00e00a4u),
    SAME(21, PageIdType, GEN_PageIdType_t),
    SAME(22, PositiveInteger, GEN_Integer_t),
    SAME(23, Real, GEN_Real_t),
    SAME(24, Realization, GEN_Realization_t),
    SAME(25, RealRange, GEN_RealRange_t),
    SAME(26, Sides, GEN_Sides_t),
    CONV(27, SimpleName, simpleName, 0xc00e00bau, 0xc00e00c3u),
    CONV(28, Text, text, 0xc00e00bdu, 0xc00e00bdu),
    SAME(31, Cardinal64, GEN_Cardinal64_t),
    CONV(32, Cardinal64Range, cardinal64Range, 0xc00e00c3u, 0xc00e00c3u),
    CONV(33, OidCardinalMap, oidCardinalMap, 0xc00e00c6u, 0xc00e00c6u),
    CONV(34, CardinalOrNoid, cardinalOrNoid, 0xc00e0074u, 0xc00e0074u),
    CONV(35, CardinalOrOid, cardinalOrOid, 0xc00e0075u, 0xc00e0075u),
    CONV(40, DescriptiveName, descriptiveName, 0xc00e00bau, 0xc00e00c3u),
    CONV(43, DocumentFormat, docFormat, 0xc00e007cu, 0xc00e007cu),
    SAME(44, Edge, GEN_Edge_t),
    CONV(48, GeneralizedTimeValue, generalizedTime, 0xc00e00bfu, 0xc00e00bfu),
    CONV(49, InputTrayMedium, inputTrayMedium, 0xc00e0091u, 0xc00e0091u),
    CONV(55, Locale, locale, 0xc00e0094u, 0xc00e0094u),
    CONV_REL(42, DistNameStringSeq, distNameStringSeq,
             (genu::ReleaseVia<&FreeBER_distNameStringSeq, DistNameStringSeq>), 0xc00e007au,
             0xc00e007au),
    CONV(57, MediumDimensions, mediumDimensions, 0xc00e0097u, 0xc00e0097u),
    CONV_REL(60, NameOrOidSeq, nameOrOidSeq,
             (genu::ReleaseVia<&FreeBER_nameOrOidSeq, NameOrOidSeq>), 0xc00e009cu, 0xc00e009cu),
    CONV(61, NewJobIdentifier, newJobIdentifier, 0xc00e009au, 0xc00e009au),
    SAME(62, NonNegativeReal, GEN_Real_t),
    SAME(63, NonNegativeRealRange, GEN_RealRange_t),
    CONV(64, ObjectIdent, objectIdent, 0xc00e00a1u, 0xc00e00a1u),
    SAME(68, PageOrderType, GEN_PageOrderType_t),
    SAME(71, Percent, GEN_Percent_t),
    CONV(72, PosIntOrOid, posIntOrOid, 0xc00e00abu, 0xc00e00abu),
    SAME(75, Priority, GEN_Priority_t),
    CONV_REL(93, SeqOfObjId, seqOfObjId, (genu::ReleaseVia<&FreeBER_seqOfObjId, SeqOfObjId>),
             0xc00e00a1u, 0xc00e00a1u),
    COMP(7, DocumentContent, docContent, 0xc00e007du, 0xc00e007du),
    COMP(8, EventHandlingProfile, EVHProfile, 0xc00e0081u, 0xc00e0081u),
    COMP(39, DeliveryAddress, deliveryAddress, 0xc00e0079u, 0xc00e0079u),
    COMP(45, FileReference, dor, 0xc00e0086u, 0xc00e0086u),
    COMP(46, Finishing, finishing, 0xc00e0089u, 0xc00e0089u),
    COMP(67, MediaSelect, mediaSelect, 0xc00e00a9u, 0xc00e00a9u),
    COMP(69, PageSelectSeq, pageSelectSeq, 0xc00e00a8u, 0xc00e00a8u),
    COMP(74, PrintCheckpoint, printCheckpoint, 0xc00e00aeu, 0xc00e00aeu),
    COMP(76, Privileges, privileges, 0xc00e00afu, 0xc00e00afu),
    COMP(81, ResultsProfile, resultsProfile, 0xc00e00b2u, 0xc00e00b2u),
    COMP(85, PSISAccessControlList, ACL, 0xc00e0065u, 0xc00e0065u),
    COMP(86, RPCAddress, rpcAddress, 0xc00e00b4u, 0xc00e00b4u),
    COMP(87, SocketAddress, socketAddress, 0xc00e00bbu, 0xc00e00c3u),
    COMP(88, FastFilterDef, fastFilterDef, 0xc00e0088u, 0xc00e0088u),
    COMP(89, ExtACL, ExtACL, 0xc00e00c7u, 0xc00e00c7u),
    COMP(90, MediaConsumed, mediaConsumed, 0xc00e00c9u, 0xc00e00c9u),
    COMP(91, MediaConsumedSeq, mediaConsumedSeq, 0xc00e00cau, 0xc00e00cau),
    COMP(92, PreprocessorDefinition, preprocessorDefinition, 0xc00e00cbu, 0xc00e00cbu),
    COMP(94, DriverInfo, driverInfo, 0xc00e00ccu, 0xc00e00ccu),
};

// Value type ids are small: a row is found by indexing, not by a search per value.
constexpr uint32_t kIdLimit = 128;
struct RowIndex {
  int8_t row[kIdLimit];
  constexpr RowIndex() : row{} {
    for (int8_t &r : row) r = -1;
    for (size_t i = 0; i < std::size(kRows); ++i)  // the first row of an id counts
      if (row[kRows[i].id] < 0) row[kRows[i].id] = static_cast<int8_t>(i);
  }
};
static_assert(std::size(kRows) < 128);
constexpr RowIndex kRowIndex;

const WireRow *RowOf(uint32_t id) {
  if (id >= kIdLimit || kRowIndex.row[id] < 0) return nullptr;
  return &kRows[kRowIndex.row[id]];
}

// Wire structures up to this size are built on the stack while a value is packed; the
// encoder only reads them.
constexpr size_t kStackWire = 256;

int Fail(STF_statusList_t *status, const char *function, uint32_t code) {
  LOG_COND_MESSAGE(LOG_SEV_GENCONV, "Exiting: %s", function);
  return STF__Fail(status, code);
}

// Record to wire structure.
int ToWire(STF_statusList_t *status, const WireRow &row, void *wire, const void *record) {
  switch (row.kind) {
    case kBoolean:
      *static_cast<Boolean *>(wire) = *static_cast<const GEN_Boolean_t *>(record) == 1 ? 1 : 0;
      return 0;
    case kSame:
      memcpy(wire, record, row.wireSize);
      return 0;
    case kConvert:
      break;
  }
  return row.pack(status, wire, record);
}

int ToRecord(STF_statusList_t *status, const WireRow &row, const void *wire, void *record) {
  switch (row.kind) {
    case kBoolean:
      *static_cast<GEN_Boolean_t *>(record) = *static_cast<const Boolean *>(wire) ? 1 : 0;
      return 0;
    case kSame:
      memcpy(record, wire, row.wireSize);
      return 0;
    case kConvert:
      break;
  }
  return row.unpack(status, wire, record);
}

}  // namespace

namespace kq::genu {

// The ids this mechanism packs, for the tests: fills up to `max` and returns the count.
uint32_t WireTypeIds(uint32_t *ids, uint32_t max) {
  uint32_t n = 0;
  for (const WireRow &r : kRows)
    if (n < max) ids[n++] = r.id;
  return n;
}

}  // namespace kq::genu

extern "C" {

int JQP_PackAV(STF_statusList_t *status, uint32_t id, const void *value, OssBuf *encodedOut) {
  static const char kName[] = "JQP_PackAV";
  LOG_COND_MESSAGE(LOG_SEV_GENCONV, "Entering: %s", kName);
  if (!status) return 1;
  STF_ClearStatus(status);
  const WireRow *row = RowOf(id);
  if (!row || GENU_TypeToPDU(id) < 0) return Fail(status, kName, GENU_ST_NOT_COMPARABLE);
  if (!value || !encodedOut) return Fail(status, kName, GENU_ST_BAD_VALUE);
  alignas(std::max_align_t) unsigned char local[kStackWire];
  bool onStack = row->wireSize <= sizeof local;
  void *wire = onStack ? memset(local, 0, row->wireSize) : genu::WireAlloc(row->wireSize);
  if (!wire) return Fail(status, kName, GENU_ST_NO_MEMORY);
  auto dropWire = [&] {
    if (!onStack) genu::WireFree(wire);
  };
  if (ToWire(status, *row, wire, value)) {
    dropWire();
    return Fail(status, kName, row->packFailure);
  }
  genu::TraceValue("JQP_PackAV: packing", id, value, false);
  if (GENU__printPDU) {
    LOG_COND_MESSAGE(LOG_SEV_PACK, "JQP_PackAV: printing PDU...\n");
    GENU_OssPrintPDU(nullptr, row->pdu, wire);
  }
  OssBuf encoded{0, nullptr};
  int code = GENU_OssEncode(nullptr, row->pdu, wire, &encoded);
  int released = row->release ? row->release(status, wire) : 0;
  dropWire();
  if (code) return Fail(status, kName, GENU_ST_ENCODE_FAILED);
  if (released) {
    free(encoded.value);  // encoded bytes live on the process heap
    return Fail(status, kName, GENU_ST_RELEASE_FAILED);
  }
  LOG_COND_MESSAGE(LOG_SEV_PACK, "JQP_PackAV: encoded okay, length = %ld\n",
                   static_cast<long>(encoded.length));
  *encodedOut = encoded;
  LOG_COND_MESSAGE(LOG_SEV_GENCONV, "Exiting: %s", kName);
  return 0;
}

int JQP_UnpackAV(STF_statusList_t *status, const OssBuf *encoded, uint32_t id, void **recordOut,
                 AS_valueDescriptor_t *descriptorOut) {
  static const char kName[] = "JQP_UnpackAV";
  LOG_COND_MESSAGE(LOG_SEV_GENCONV, "Entering: %s", kName);
  if (!status) return 1;
  STF_ClearStatus(status);
  if (!encoded || !recordOut || !descriptorOut) return Fail(status, kName, GENU_ST_BAD_VALUE);
  *recordOut = nullptr;  // until a whole record is made
  int pdu = GENU_TypeToPDU(id);
  const WireRow *row = RowOf(id);
  if (encoded->length <= 0 || !encoded->value || pdu <= 0 || !row)
    return Fail(status, kName, GENU_ST_EMPTY_ENCODING);
  LOG_COND_MESSAGE(LOG_SEV_PACK, "JQP_UnpackAV: decoding AV packet, pdunum=%d...\n", pdu);
  void *wire = nullptr;
  OssBuf input = *encoded;
  int code = GENU_OssDecode(nullptr, &pdu, &input, &wire);
  if (code || !wire) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "JQP_UnpackAV: decode failed with code %d\n", code);
    return Fail(status, kName, GENU_ST_DECODE_FAILED);
  }
  if (GENU__printPDU) {
    LOG_COND_MESSAGE(LOG_SEV_PACK, "JQP_UnpackAV: printing result PDU...\n");
    GENU_OssPrintPDU(nullptr, pdu, wire);
  }
  void *record = genu::WireAlloc(row->recordSize);
  if (!record) {
    GENU_OssFreePDU(nullptr, pdu, wire);
    return Fail(status, kName, GENU_ST_NO_MEMORY);
  }
  if (ToRecord(status, *row, wire, record)) {
    genu::WireFree(record);
    GENU_OssFreePDU(nullptr, pdu, wire);
    return Fail(status, kName, row->unpackFailure);
  }
  genu::TraceValue("JQP_UnpackAV: returning", id, record, true);
  if (GENU_OssFreePDU(nullptr, pdu, wire)) {
    GENU__DeleteAttrVal(kq::stf::ScratchList(), id, record, nullptr);
    return Fail(status, kName, GENU_ST_RELEASE_FAILED);
  }
  *recordOut = record;
  *descriptorOut = *GENU_AVT2Descriptor(static_cast<int32_t>(id));
  LOG_COND_MESSAGE(LOG_SEV_GENCONV, "Exiting: %s", kName);
  return 0;
}

}  // extern "C"
