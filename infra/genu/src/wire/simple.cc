// Converters of the small member types: identifiers, octet strings, ranges, numbers
// or identifiers, names or identifiers, times, dimensions and job identifiers.
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace {

// Records whose wire and generic forms hold the same members in the same order.
template <typename W, typename G>
int SameShape(STF_statusList_t *status, void *out, const void *in) {
  static_assert(sizeof(W) == sizeof(G) && std::is_trivially_copyable_v<W>);
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memcpy(out, in, sizeof(W));
  return 0;
}

int OidToBer(STF_statusList_t *status, ber_oid *out, uint32_t shoid) {
  GENU_berOid_t ber{0, nullptr};
  if (GENU_ShortToBerOID(status, shoid, &ber) || !ber.value)
    return STF__Fail(status, GENU_ST_OID_CONVERT);
  // The identifier's bytes belong to the identifier table: nothing to release.
  out->length = ber.length;
  out->value = const_cast<uint8_t *>(ber.value);
  return 0;
}

int OidToGen(STF_statusList_t *status, const ber_oid *in, uint32_t *out) {
  GENU_berOid_t ber{in->length, in->value};
  if (GENU_BerToShortOID(status, &ber, out)) return STF__Fail(status, GENU_ST_OID_CONVERT);
  return 0;
}

// Choice records of a number (choice 1) or an identifier (choice 2).
template <typename W, typename G>
int NumberOrOidToBer(STF_statusList_t *status, W *out, const G *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = static_cast<uint16_t>(in->choice);
  if (in->choice == 1) {
    memcpy(&out->u, &in->u.number, sizeof(int32_t));
    return 0;
  }
  if (in->choice == 2) return OidToBer(status, &out->u.oid, in->u.oid);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

template <typename W, typename G>
int NumberOrOidToGen(STF_statusList_t *status, const W *in, G *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = in->choice;
  if (in->choice == 1) {
    memcpy(&out->u.number, &in->u, sizeof(int32_t));
    return 0;
  }
  if (in->choice == 2) return OidToGen(status, &in->u.oid, &out->u.oid);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

}  // namespace

extern "C" {

int ToBER_oid(STF_statusList_t *status, ber_oid *out, const uint32_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return OidToBer(status, out, *in);
}
int ToGEN_oid(STF_statusList_t *status, const ber_oid *in, uint32_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return OidToGen(status, in, out);
}
int ToBER_ObjectID(STF_statusList_t *status, ber_oid *out, const uint32_t *in) {
  return ToBER_oid(status, out, in);
}
int ToGEN_ObjectID(STF_statusList_t *status, const ber_oid *in, uint32_t *out) {
  return ToGEN_oid(status, in, out);
}

int ToBER_octetString(STF_statusList_t *status, ber_octets *out, const GEN_OctetString_t *in) {
  if (!status) return 1;
  if (!out || !in || in->length < 0 || (in->length > 0 && !in->value))
    return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->length = in->length;
  out->value = nullptr;
  if (in->length == 0) return 0;
  auto *bytes = static_cast<uint8_t *>(genu::WireAlloc(static_cast<size_t>(in->length)));
  if (!bytes) {
    out->length = 0;
    return STF__Fail(status, GENU_ST_NO_MEMORY);
  }
  memcpy(bytes, in->value, static_cast<size_t>(in->length));
  out->value = bytes;
  return 0;
}

int ToGEN_octetString(STF_statusList_t *status, const ber_octets *in, GEN_OctetString_t *out) {
  if (!status) return 1;
  if (!out || !in || in->length < 0 || (in->length > 0 && !in->value))
    return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = GEN_OctetString_t{0, nullptr};
  if (in->length == 0) return 0;
  // One zero byte after the bytes, as every owned octet string of the library has.
  auto *bytes = static_cast<unsigned char *>(malloc(static_cast<size_t>(in->length) + 1));
  if (!bytes) return STF__Fail(status, GENU_ST_NO_MEMORY);
  memcpy(bytes, in->value, static_cast<size_t>(in->length));
  bytes[in->length] = 0;
  *out = GEN_OctetString_t{in->length, bytes};
  return 0;
}

// An open value is carried like an octet string: its bytes copied, length first.
int ToBER_Any(STF_statusList_t *status, ber_octets *out, const GEN_OctetString_t *in) {
  return ToBER_octetString(status, out, in);
}
int ToGEN_Any(STF_statusList_t *status, const ber_octets *in, GEN_OctetString_t *out) {
  return ToGEN_octetString(status, in, out);
}

#define GENU_SAME_SHAPE(N, W, G)                                 \
  int ToBER_##N(STF_statusList_t *status, W *out, const G *in) { \
    return SameShape<W, G>(status, out, in);                     \
  }                                                              \
  int ToGEN_##N(STF_statusList_t *status, const W *in, G *out) { \
    return SameShape<W, G>(status, out, in);                     \
  }
GENU_SAME_SHAPE(cardinalRange, CardinalRange, GEN_IntegerRange_t)
GENU_SAME_SHAPE(cardinal64Range, Cardinal64Range, GEN_Cardinal64Range_t)
GENU_SAME_SHAPE(mediumDimensions, MediumDimensions, GEN_MediumDimensions_t)
#undef GENU_SAME_SHAPE

#define GENU_NUMBER_OR_OID(N, W, G)                              \
  int ToBER_##N(STF_statusList_t *status, W *out, const G *in) { \
    return NumberOrOidToBer(status, out, in);                    \
  }                                                              \
  int ToGEN_##N(STF_statusList_t *status, const W *in, G *out) { \
    return NumberOrOidToGen(status, in, out);                    \
  }
GENU_NUMBER_OR_OID(cardinalOrOid, CardinalOrOid, GEN_CardinalOrOid_t)
GENU_NUMBER_OR_OID(posIntOrOid, PosIntOrOid, GEN_PosIntOrOid_t)
#undef GENU_NUMBER_OR_OID

int ToBER_nameOrOid(STF_statusList_t *status, NameOrOID *out, const GEN_NameOrOID_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = static_cast<uint16_t>(in->choice);
  if (in->choice == 1) return OidToBer(status, &out->u.oid, in->u.oid);
  if (in->choice == 2) return ToBER_simpleName(status, &out->u.name, &in->u.name);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

int ToGEN_nameOrOid(STF_statusList_t *status, const NameOrOID *in, GEN_NameOrOID_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = in->choice;
  if (in->choice == 1) return OidToGen(status, &in->u.oid, &out->u.oid);
  if (in->choice == 2) return ToGEN_simpleName(status, &in->u.name, &out->u.name);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

int ToBER_cardinalOrNoid(STF_statusList_t *status, CardinalOrNoid *out,
                         const GEN_CardinalOrNoid_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = static_cast<uint16_t>(in->choice);
  if (in->choice == 1) {
    out->u.cardinal = in->u.cardinal;
    return 0;
  }
  if (in->choice == 2) return ToBER_nameOrOid(status, &out->u.name_or_oid, &in->u.nameOrOid);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

int ToGEN_cardinalOrNoid(STF_statusList_t *status, const CardinalOrNoid *in,
                         GEN_CardinalOrNoid_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = in->choice;
  if (in->choice == 1) {
    out->u.cardinal = in->u.cardinal;
    return 0;
  }
  if (in->choice == 2) return ToGEN_nameOrOid(status, &in->u.name_or_oid, &out->u.nameOrOid);
  return STF__Fail(status, GENU_ST_BAD_VALUE);
}

int ToBER_generalizedTime(STF_statusList_t *status, GeneralizedTimeValue *out,
                          const GEN_GeneralizedTime_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = GeneralizedTimeValue{in->year,        in->month,   in->day,
                              in->hour,        in->minute,  in->second,
                              in->millisecond, in->diffUTC, static_cast<uint8_t>(in->utc ? 1 : 0)};
  return 0;
}

int ToGEN_generalizedTime(STF_statusList_t *status, const GeneralizedTimeValue *in,
                          GEN_GeneralizedTime_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = GEN_GeneralizedTime_t{in->year,        in->month,          in->day,
                               in->hour,        in->minute,         in->second,
                               in->millisecond, in->utc_difference, in->utc ? 1 : 0};
  return 0;
}

int ToBER_jobId(STF_statusList_t *status, char (*out)[256], const GEN_JobIdentifier_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  size_t n = strnlen(in->value, sizeof in->value);
  if (n == sizeof in->value) return STF__Fail(status, GENU_ST_TOO_LONG);
  memcpy(*out, in->value, n + 1);
  return 0;
}

int ToGEN_jobId(STF_statusList_t *status, const char (*in)[256], GEN_JobIdentifier_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  memcpy(out->value, *in, strnlen(*in, sizeof out->value - 1));
  return 0;
}

}  // extern "C"
