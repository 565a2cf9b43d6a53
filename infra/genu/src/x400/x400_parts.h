// The parts of an O/R address that the wire carries in two forms of the same shape
// (printable in the built-in attributes, teletex or physical-delivery in extension
// values): one template per part serves both wire types.
#ifndef KQ_INFRA_GENU_SRC_X400_X400_PARTS_H
#define KQ_INFRA_GENU_SRC_X400_X400_PARTS_H

#include "x400_int.h"

namespace kq::genu::x400 {

// Records of two string alternatives (choice 1 and 2, both at the start of the
// wire union) and one generic string: each alternative has its size and its least
// length.
struct Alternatives {
  size_t size[2];
  size_t minLength[2];
};
template <typename W, typename G>
int ChoiceToWire(STF_statusList_t *status, W *out, const G *in, const Alternatives &alt) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (in->choice != 1 && in->choice != 2) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = static_cast<uint16_t>(in->choice);
  size_t k = static_cast<size_t>(in->choice - 1);
  return CopyBounded(status, reinterpret_cast<char *>(&out->u), alt.size[k], in->value,
                     sizeof in->value, alt.minLength[k]);
}
template <typename W, typename G>
int ChoiceToGen(STF_statusList_t *status, const W *in, G *out, const Alternatives &alt) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (in->choice != 1 && in->choice != 2) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = in->choice;
  size_t k = static_cast<size_t>(in->choice - 1);
  if (CopyBounded(status, out->value, sizeof out->value, reinterpret_cast<const char *>(&in->u),
                  alt.size[k], alt.minLength[k])) {
    memset(out, 0, sizeof *out);
    return 1;
  }
  return 0;
}

// Country names: choice 1 three digits, 2 two letters.
template <typename W>
constexpr Alternatives kCountry = {
    {sizeof(W{}.u.x121_dcc_code), sizeof(W{}.u.iso_3166_alpha2_code)}, {3, 2}};
template <typename W>
int CountryToWire(STF_statusList_t *status, W *out, const GEN_CountryName_t *in) {
  return ChoiceToWire(status, out, in, kCountry<W>);
}
template <typename W>
int CountryToGen(STF_statusList_t *status, const W *in, GEN_CountryName_t *out) {
  return ChoiceToGen(status, in, out, kCountry<W>);
}

// Personal names: the surname is mandatory, the other three present when not empty
// (bits 0x80, 0x40, 0x20).
template <typename W>
int PersonToWire(STF_statusList_t *status, W *out, const GEN_PersonalName_t *in) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (Copy(status, out->surname, in->surname, 1) ||
      Copy(status, out->given_name, in->givenName, 0) ||
      Copy(status, out->initials, in->initials, 0) ||
      Copy(status, out->generation_qualifier, in->generation, 0))
    return 1;
  out->bit_mask =
      static_cast<uint8_t>((out->given_name[0] ? 0x80 : 0) | (out->initials[0] ? 0x40 : 0) |
                           (out->generation_qualifier[0] ? 0x20 : 0));
  return 0;
}
template <typename W>
int PersonToGen(STF_statusList_t *status, const W *in, GEN_PersonalName_t *out) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  int failed =
      Copy(status, out->surname, in->surname, 1) ||
      ((in->bit_mask & 0x80) && Copy(status, out->givenName, in->given_name, 0)) ||
      ((in->bit_mask & 0x40) && Copy(status, out->initials, in->initials, 0)) ||
      ((in->bit_mask & 0x20) && Copy(status, out->generation, in->generation_qualifier, 0));
  if (failed) memset(out, 0, sizeof *out);
  return failed;
}

// Organizational unit names: 1 to 4 names of 1 to 32 characters.
template <typename Node>
int UnitsToWire(STF_statusList_t *status, Node **out, const GEN_OrganizationUnitNames_t *in) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return CountedToWire(
      status, out, in->count, in->units,
      [&](auto *v, const GEN_OrganizationUnitName_t &u) { return Copy(status, *v, u.value, 1); });
}
template <typename Node>
int UnitsToGen(STF_statusList_t *status, Node *const *in, GEN_OrganizationUnitNames_t *out) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return ChainToCounted(
      status, *in, &out->count, out->units,
      [&](GEN_OrganizationUnitName_t &u, const auto &v) { return Copy(status, u.value, v, 1); });
}

// Domain-defined attributes: 1 to 4 pairs of a type (1 to 8 characters) and a value
// (1 to 128).
template <typename W>
int DomainAttrToWire(STF_statusList_t *status, W *out, const GEN_DomainDefinedAttr_t *in) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return Copy(status, out->type, in->type, 1) || Copy(status, out->value, in->value, 1);
}
template <typename W>
int DomainAttrToGen(STF_statusList_t *status, const W *in, GEN_DomainDefinedAttr_t *out) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (Copy(status, out->type, in->type, 1) || Copy(status, out->value, in->value, 1)) {
    memset(out, 0, sizeof *out);
    return 1;
  }
  return 0;
}
template <typename Node>
int DomainAttrsToWire(STF_statusList_t *status, Node **out, const GEN_DomainDefinedAttrs_t *in) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return CountedToWire(
      status, out, in->count, in->attrs,
      [&](auto *v, const GEN_DomainDefinedAttr_t &a) { return DomainAttrToWire(status, v, &a); });
}
template <typename Node>
int DomainAttrsToGen(STF_statusList_t *status, Node *const *in, GEN_DomainDefinedAttrs_t *out) {
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return ChainToCounted(
      status, *in, &out->count, out->attrs,
      [&](GEN_DomainDefinedAttr_t &a, const auto &v) { return DomainAttrToGen(status, &v, &a); });
}

}  // namespace kq::genu::x400

#endif
