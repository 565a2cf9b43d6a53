// The built-in standard attributes of an O/R address and their parts: country and
// domain names, personal name, organizational unit names, domain-defined attributes.
#include "x400_parts.h"

namespace genu = kq::genu;
namespace x400 = kq::genu::x400;

namespace {

using x400::Copy;

// Domain names: choice 1 digits, 2 printable characters, up to 16 (empty allowed).
constexpr x400::Alternatives kDomain = {
    {sizeof(DomainName{}.u.numeric), sizeof(DomainName{}.u.printable)}, {0, 0}};
int DomainToWire(STF_statusList_t *status, DomainName *out, const GEN_DomainName_t *in) {
  return x400::ChoiceToWire(status, out, in, kDomain);
}
int DomainToGen(STF_statusList_t *status, const DomainName *in, GEN_DomainName_t *out) {
  return x400::ChoiceToGen(status, in, out, kDomain);
}

// The string parts: present on the generic side with a first character.
template <typename G>
bool HasText(const G *part) {
  return part && part->value[0];
}

// A generic part of record G made on the process heap by `fill`, stored in `slot`
// only when it converted.
template <typename G, typename Fill>
int MakePart(STF_statusList_t *status, G *&slot, Fill fill) {
  auto *part = static_cast<G *>(calloc(1, sizeof(G)));
  if (!part) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (fill(part)) {
    free(part);
    return 1;
  }
  slot = part;
  return 0;
}

// Bits of the built-in standard attributes.
enum : uint16_t {
  kCountry = 0x8000,
  kAdminDomain = 0x4000,
  kNetwork = 0x2000,
  kTerminal = 0x1000,
  kPrivateDomain = 0x0800,
  kOrganization = 0x0400,
  kNumericUser = 0x0200,
  kPersonal = 0x0100,
  kUnits = 0x0080,
};

int StandardToWire(STF_statusList_t *status, BuiltInStandardAttributes *out,
                   const GEN_StandardAttrs_t *in) {
  uint16_t mask = 0;
  auto part = [&](bool present, uint16_t bit, auto convert) {
    if (!present) return 0;
    mask |= bit;
    return convert();
  };
  int failed =
      part(in->country, kCountry,
           [&] { return ToBER_countryName(status, &out->country_name, in->country); }) ||
      part(in->adminDomain, kAdminDomain,
           [&] {
             return DomainToWire(status, &out->administration_domain_name, in->adminDomain);
           }) ||
      part(HasText(in->networkAddress), kNetwork,
           [&] { return Copy(status, out->network_address, in->networkAddress->value, 1); }) ||
      part(HasText(in->terminalIdentifier), kTerminal,
           [&] {
             return Copy(status, out->terminal_identifier, in->terminalIdentifier->value, 1);
           }) ||
      part(in->privateDomain, kPrivateDomain,
           [&] { return DomainToWire(status, &out->private_domain_name, in->privateDomain); }) ||
      part(HasText(in->organization), kOrganization,
           [&] { return Copy(status, out->organization_name, in->organization->value, 1); }) ||
      part(HasText(in->numericUserId), kNumericUser,
           [&] {
             return Copy(status, out->numeric_user_identifier, in->numericUserId->value, 1);
           }) ||
      part(in->personalName, kPersonal,
           [&] { return x400::PersonToWire(status, &out->personal_name, in->personalName); }) ||
      // The only part owning nodes comes last: nothing before it needs releasing.
      part(in->organizationUnits && in->organizationUnits->count != 0, kUnits, [&] {
        return ToBER_orgUnitNames(status, &out->organizational_unit_names, in->organizationUnits);
      });
  out->bit_mask = mask;
  return failed;
}

int StandardToGen(STF_statusList_t *status, const BuiltInStandardAttributes *in,
                  GEN_StandardAttrs_t *out) {
  uint16_t mask = in->bit_mask;
  auto part = [&](uint16_t bit, auto &slot, auto fill) {
    return (mask & bit) ? MakePart(status, slot, fill) : 0;
  };
  return part(kCountry, out->country,
              [&](GEN_CountryName_t *g) {
                return ToGEN_countryName(status, &in->country_name, g);
              }) ||
         part(kAdminDomain, out->adminDomain,
              [&](GEN_DomainName_t *g) {
                return DomainToGen(status, &in->administration_domain_name, g);
              }) ||
         part(kNetwork, out->networkAddress,
              [&](GEN_NetworkAddress_t *g) {
                return Copy(status, g->value, in->network_address, 1);
              }) ||
         part(kTerminal, out->terminalIdentifier,
              [&](GEN_TerminalIdentifier_t *g) {
                return Copy(status, g->value, in->terminal_identifier, 1);
              }) ||
         part(kPrivateDomain, out->privateDomain,
              [&](GEN_DomainName_t *g) {
                return DomainToGen(status, &in->private_domain_name, g);
              }) ||
         part(kOrganization, out->organization,
              [&](GEN_OrganizationName_t *g) {
                return Copy(status, g->value, in->organization_name, 1);
              }) ||
         part(kNumericUser, out->numericUserId,
              [&](GEN_NumericUserId_t *g) {
                return Copy(status, g->value, in->numeric_user_identifier, 1);
              }) ||
         part(kPersonal, out->personalName,
              [&](GEN_PersonalName_t *g) {
                return x400::PersonToGen(status, &in->personal_name, g);
              }) ||
         part(kUnits, out->organizationUnits, [&](GEN_OrganizationUnitNames_t *g) {
           return ToGEN_orgUnitNames(status, &in->organizational_unit_names, g);
         });
}

}  // namespace

extern "C" {

GENU_X400_PAIR(countryName, CountryName, GEN_CountryName_t, x400::CountryToWire, x400::CountryToGen)
GENU_X400_PAIR(domainName, DomainName, GEN_DomainName_t, DomainToWire, DomainToGen)
GENU_X400_PAIR(personalName, PersonalName, GEN_PersonalName_t, x400::PersonToWire,
               x400::PersonToGen)
GENU_X400_PAIR(domainDefinedAttribute, DomainDefinedAttribute, GEN_DomainDefinedAttr_t,
               x400::DomainAttrToWire, x400::DomainAttrToGen)

// The counted lists: a chain of nodes on the wire.
#define GENU_X400_COUNTED(N, Node, G, toWire, toGen)                 \
  int ToBER_##N(STF_statusList_t *status, Node **out, const G *in) { \
    if (!status) return 1;                                           \
    if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);    \
    return toWire(status, out, in);                                  \
  }                                                                  \
  int ToGEN_##N(STF_statusList_t *status, Node *const *in, G *out) { \
    if (!status) return 1;                                           \
    return toGen(status, in, out);                                   \
  }                                                                  \
  int FreeBER_##N(STF_statusList_t *status, Node **wire) {           \
    if (!status) return 1;                                           \
    return x400::FreeChain(status, wire);                            \
  }
GENU_X400_COUNTED(orgUnitNames, OrganizationalUnitNames_node, GEN_OrganizationUnitNames_t,
                  x400::UnitsToWire, x400::UnitsToGen)
GENU_X400_COUNTED(domainDefinedAttributes, DomainDefinedAttributes_node, GEN_DomainDefinedAttrs_t,
                  x400::DomainAttrsToWire, x400::DomainAttrsToGen)
#undef GENU_X400_COUNTED

int ToBER_standardAttributes(STF_statusList_t *status, BuiltInStandardAttributes *out,
                             const GEN_StandardAttrs_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (StandardToWire(status, out, in)) {
    kq::stf::ScratchList scratch;
    FreeBER_standardAttributes(scratch, out);
    return 1;
  }
  return 0;
}

// Fills the nine built-in parts; the O/R name's own parts stay null.
int ToGEN_standardAttributes(STF_statusList_t *status, const BuiltInStandardAttributes *in,
                             GEN_StandardAttrs_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (StandardToGen(status, in, out)) {
    kq::stf::ScratchList scratch;
    genu::DeepDelete(scratch, &genu::kStandardAttrsLayout, out, nullptr);
    return 1;
  }
  return 0;
}

int FreeBER_standardAttributes(STF_statusList_t *status, BuiltInStandardAttributes *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  return x400::FreeChain(status, &wire->organizational_unit_names);
}

}  // extern "C"
