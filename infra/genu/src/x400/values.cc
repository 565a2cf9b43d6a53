// Extension attribute values: one table row per kind of value says which types use
// it, its record number, its wire structure and generic record, and how to convert
// between them; one mechanism encodes and decodes any row.
#include <type_traits>

#include "infra/svclog.h"
#include "x400_parts.h"
#include "x400_values.h"

namespace x400 = kq::genu::x400;

namespace {

using x400::ValueRow;

template <size_t N>
int StringToWire(STF_statusList_t *s, void *w, const void *r) {
  return x400::CopyBounded(s, static_cast<char *>(w), N, static_cast<const char *>(r), N, 1);
}
template <size_t N>
int StringToGen(STF_statusList_t *s, const void *w, void *r) {
  return x400::CopyBounded(s, static_cast<char *>(r), N, static_cast<const char *>(w), N, 1);
}

using x400::ReleaseVia;
using x400::ToGenVia;
using x400::ToWireVia;

int TerminalToWire(STF_statusList_t *s, void *w, const void *r) {
  int32_t v = *static_cast<const int32_t *>(r);
  if (v < 0 || v > 256) return STF__Fail(s, GENU_ST_BAD_VALUE);
  *static_cast<TerminalType *>(w) = static_cast<TerminalType>(v);
  return 0;
}
int TerminalToGen(STF_statusList_t *s, const void *w, void *r) {
  TerminalType v = *static_cast<const TerminalType *>(w);
  if (v < 0 || v > 256) return STF__Fail(s, GENU_ST_BAD_VALUE);
  *static_cast<int32_t *>(r) = v;
  return 0;
}

using TUnits = TeletexOrganizationalUnitNames_node;
using TAttrs = TeletexDomainDefinedAttributes_node;

// ROW(first, last, Pdu, name, G, release, converters): the converters are TYPED, STRING or
// `.toWire = ..., .toGen = ...`.
#define ROW(First, Last, Pdu, Name, G, Release, ...)                                         \
  {                                                                                          \
    .first = First, .last = Last, .pdu = Pdu##_PDU, .name = #Name, .wireSize = sizeof(Pdu),  \
    .recordSize = sizeof(G), .isString = std::is_array_v<G>, __VA_ARGS__, .release = Release \
  }
#define TYPED(W, G, ToWire, ToGen) .toWire = ToWireVia<W, G, ToWire>, .toGen = ToGenVia<W, G, ToGen>
#define STRING(N) .toWire = StringToWire<N>, .toGen = StringToGen<N>
#define CHAIN(Node) ReleaseVia<Node *, x400::FreeChain<Node>>

const ValueRow kRows[] = {
    ROW(1, 1, CommonName, CommonName, char[65], nullptr, STRING(sizeof(CommonName))),
    ROW(2, 2, TeletexCommonName, CommonName, char[65], nullptr, STRING(sizeof(CommonName))),
    ROW(3, 3, UniversalCommonName, CommonName, char[65], nullptr, STRING(sizeof(CommonName))),
    ROW(4, 4, TeletexPersonalName, PersonalName, GEN_PersonalName_t, nullptr,
        TYPED(TeletexPersonalName, GEN_PersonalName_t, x400::PersonToWire<TeletexPersonalName>,
              x400::PersonToGen<TeletexPersonalName>)),
    ROW(5, 5, TeletexOrganizationalUnitNames, OrgUnitNames, GEN_OrganizationUnitNames_t,
        CHAIN(TUnits),
        TYPED(TUnits *, GEN_OrganizationUnitNames_t, x400::UnitsToWire<TUnits>,
              x400::UnitsToGen<TUnits>)),
    ROW(6, 6, TeletexDomainDefinedAttributes, DomainDefAttrs, GEN_DomainDefinedAttrs_t,
        CHAIN(TAttrs),
        TYPED(TAttrs *, GEN_DomainDefinedAttrs_t, x400::DomainAttrsToWire<TAttrs>,
              x400::DomainAttrsToGen<TAttrs>)),
    ROW(7, 7, PDSName, PDSName, char[17], nullptr, STRING(sizeof(PDSName))),
    ROW(8, 8, PhysicalDeliveryCountryName, CountryName, GEN_CountryName_t, nullptr,
        TYPED(PhysicalDeliveryCountryName, GEN_CountryName_t,
              x400::CountryToWire<PhysicalDeliveryCountryName>,
              x400::CountryToGen<PhysicalDeliveryCountryName>)),
    ROW(9, 9, PostalCode, PostalCode, GEN_PostalCode_t, nullptr,
        TYPED(PostalCode, GEN_PostalCode_t, ToBER_postalCode, ToGEN_postalCode)),
    ROW(10, 15, PDSParameter, PDSParam, GEN_PdsParameter_t, nullptr,
        TYPED(PDSParameter, GEN_PdsParameter_t, ToBER_PDSParam, ToGEN_PDSParam)),
    ROW(16, 16, UnformattedPostalAddress, UnformatPostalAddr, GEN_UnformatPostalAddr_t,
        (ReleaseVia<UnformattedPostalAddress, FreeBER_unformatPostalAddr>),
        TYPED(UnformattedPostalAddress, GEN_UnformatPostalAddr_t, ToBER_unformatPostalAddr,
              ToGEN_unformatPostalAddr)),
    ROW(17, 21, PDSParameter, PDSParam, GEN_PdsParameter_t, nullptr,
        TYPED(PDSParameter, GEN_PdsParameter_t, ToBER_PDSParam, ToGEN_PDSParam)),
    ROW(22, 22, ExtendedNetworkAddress, ExtNetworkAddr, GEN_ExtNetworkAddr_t, nullptr,
        TYPED(ExtendedNetworkAddress, GEN_ExtNetworkAddr_t, ToBER_extNetworkAddr,
              ToGEN_extNetworkAddr)),
    ROW(23, 23, TerminalType, TerminalType, int32_t, nullptr, .toWire = TerminalToWire,
        .toGen = TerminalToGen),
};
#undef ROW
#undef TYPED
#undef STRING
#undef CHAIN

}  // namespace

namespace kq::genu::x400 {

const ValueRow *ValueRowOf(int32_t type) {
  for (const ValueRow &r : kRows)
    if (type >= r.first && type <= r.last) return &r;
  return nullptr;
}

int EncodeValue(STF_statusList_t *status, const ValueRow &row, OssBuf *out, const void *record) {
  if (!out || !record) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = OssBuf{0, nullptr};
  void *wire = WireAlloc(row.wireSize);
  if (!wire) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (row.toWire(status, wire, record)) {  // releases its own parts on failure
    WireFree(wire);
    return 1;
  }
  OssBuf encoded{0, nullptr};
  int code = GENU_OssEncode(nullptr, row.pdu, wire, &encoded);
  int released = row.release ? row.release(status, wire) : 0;
  WireFree(wire);
  if (code) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Encode_%s failed: %d\n", row.name, code);
    return STF__Fail(status, GENU_ST_ENCODE_FAILED);
  }
  if (released) {
    free(encoded.value);  // the coder's bytes are on the process heap
    return STF__Fail(status, GENU_ST_RELEASE_FAILED);
  }
  *out = encoded;
  return 0;
}

int DecodeInto(STF_statusList_t *status, const ValueRow &row, const OssBuf *in, void *record) {
  if (!in || !record) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (in->length <= 0 || !in->value) return STF__Fail(status, GENU_ST_DECODE_FAILED);
  int pdu = row.pdu;
  void *wire = nullptr;
  OssBuf input = *in;
  int code = GENU_OssDecode(nullptr, &pdu, &input, &wire);
  if (code || !wire) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Decode_%s failed: %d\n", row.name, code);
    return STF__Fail(status, GENU_ST_DECODE_FAILED);
  }
  int failed = row.toGen(status, wire, record);  // releases its own parts on failure
  if (GENU_OssFreePDU(nullptr, pdu, wire) && !failed) {
    if (row.layout) {
      kq::stf::ScratchList scratch;
      DeepDelete(scratch, row.layout, record, nullptr);
    }
    failed = STF__Fail(status, GENU_ST_RELEASE_FAILED);
  }
  return failed;
}

int DecodeValue(STF_statusList_t *status, const ValueRow &row, const OssBuf *in, void **out) {
  if (!in || !out) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  void *record = calloc(1, row.recordSize);
  if (!record) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (DecodeInto(status, row, in, record)) {
    free(record);  // flat: nothing hangs off it
    return 1;
  }
  *out = record;
  return 0;
}

int ToOpenValue(STF_statusList_t *status, OssBuf *encoded, ber_octets *out) {
  int32_t length = encoded->length;
  auto *bytes = static_cast<uint8_t *>(WireAlloc(static_cast<size_t>(length)));
  if (bytes) memcpy(bytes, encoded->value, static_cast<size_t>(length));
  free(encoded->value);  // the coder's bytes are on the process heap
  *encoded = OssBuf{0, nullptr};
  if (!bytes) return STF__Fail(status, GENU_ST_NO_MEMORY);
  *out = ber_octets{length, bytes};
  return 0;
}

}  // namespace kq::genu::x400

extern "C" {

// The public pair of each kind of value, on the row of its first type.
#define GENU_X400_VALUE(N, G, type)                                           \
  int Encode_##N(STF_statusList_t *status, OssBuf *out, const G *in) {        \
    if (!status) return 1;                                                    \
    return x400::EncodeValue(status, *x400::ValueRowOf(type), out, in);       \
  }                                                                           \
  int Decode_##N(STF_statusList_t *status, const OssBuf *in, G **out) {       \
    if (!status) return 1;                                                    \
    if (!out) return STF__Fail(status, GENU_ST_BAD_VALUE);                    \
    void *record = nullptr;                                                   \
    int rc = x400::DecodeValue(status, *x400::ValueRowOf(type), in, &record); \
    *out = static_cast<G *>(record);                                          \
    return rc;                                                                \
  }
GENU_X400_VALUE(CommonName, char, GEN_X400_COMMON_NAME)
GENU_X400_VALUE(PersonalName, GEN_PersonalName_t, GEN_X400_TELETEX_PERSONAL_NAME)
GENU_X400_VALUE(OrgUnitNames, GEN_OrganizationUnitNames_t, GEN_X400_TELETEX_ORG_UNIT_NAMES)
GENU_X400_VALUE(DomainDefAttrs, GEN_DomainDefinedAttrs_t, GEN_X400_TELETEX_DOMAIN_DEFINED_ATTRS)
GENU_X400_VALUE(PDSName, char, GEN_X400_PDS_NAME)
GENU_X400_VALUE(CountryName, GEN_CountryName_t, GEN_X400_PHYSICAL_DELIVERY_COUNTRY_NAME)
GENU_X400_VALUE(PostalCode, GEN_PostalCode_t, GEN_X400_POSTAL_CODE)
GENU_X400_VALUE(PDSParam, GEN_PdsParameter_t, 10)
GENU_X400_VALUE(UnformatPostalAddr, GEN_UnformatPostalAddr_t, GEN_X400_UNFORMATTED_POSTAL_ADDRESS)
GENU_X400_VALUE(ExtNetworkAddr, GEN_ExtNetworkAddr_t, GEN_X400_EXTENDED_NETWORK_ADDRESS)
GENU_X400_VALUE(TerminalType, int32_t, GEN_X400_TERMINAL_TYPE)
#undef GENU_X400_VALUE

}  // extern "C"
