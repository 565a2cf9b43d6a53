// The physical-delivery parts of an O/R address, carried as extension attribute
// values: postal code, PDS parameter, unformatted postal address, extended network
// address.
#include "x400_parts.h"

namespace x400 = kq::genu::x400;

namespace {

using x400::Copy;

// Postal codes: choice 1 digits, 2 printable characters, 1 to 16.
constexpr x400::Alternatives kPostal = {
    {sizeof(PostalCode{}.u.numeric_code), sizeof(PostalCode{}.u.printable_code)}, {1, 1}};
int PostalToWire(STF_statusList_t *status, PostalCode *out, const GEN_PostalCode_t *in) {
  return x400::ChoiceToWire(status, out, in, kPostal);
}
int PostalToGen(STF_statusList_t *status, const PostalCode *in, GEN_PostalCode_t *out) {
  return x400::ChoiceToGen(status, in, out, kPostal);
}

// The generic parameter is one string: sent in the printable form (bit 0x80) when
// not empty; received from whichever form is present, printable first.
int ParamToWire(STF_statusList_t *status, PDSParameter *out, const GEN_PdsParameter_t *in) {
  memset(out, 0, sizeof *out);
  if (Copy(status, out->printable_string, in->value, 0)) return 1;
  out->bit_mask = out->printable_string[0] ? 0x80 : 0;
  return 0;
}
int ParamToGen(STF_statusList_t *status, const PDSParameter *in, GEN_PdsParameter_t *out) {
  memset(out, 0, sizeof *out);
  if (in->bit_mask & 0x80) return Copy(status, out->value, in->printable_string, 0);
  if (in->bit_mask & 0x40) return Copy(status, out->value, in->teletex_string, 0);
  return 0;
}

// Up to six printable lines (bit 0x80); the teletex form has no place in the
// generic record and is refused when received.
using Lines = UnformattedPostalAddress_printable_address_node;
int AddressToWire(STF_statusList_t *status, UnformattedPostalAddress *out,
                  const GEN_UnformatPostalAddr_t *in) {
  memset(out, 0, sizeof *out);
  if (x400::CountedToWire(
          status, &out->printable_address, in->count, in->lines,
          [&](auto *v, const char(&line)[31]) { return Copy(status, *v, line, 1); }))
    return 1;
  out->bit_mask = out->printable_address ? 0x80 : 0;
  return 0;
}
int AddressToGen(STF_statusList_t *status, const UnformattedPostalAddress *in,
                 GEN_UnformatPostalAddr_t *out) {
  memset(out, 0, sizeof *out);
  if (in->bit_mask & 0x40) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (!(in->bit_mask & 0x80)) return 0;
  return x400::ChainToCounted(
      status, in->printable_address, &out->count, out->lines,
      [&](char(&line)[31], const auto &v) { return Copy(status, line, v, 1); });
}

// Choice 1 only: a number of 1 to 15 digits and an optional sub-address (bit 0x80);
// a presentation address is refused when received.
int NetworkToWire(STF_statusList_t *status, ExtendedNetworkAddress *out,
                  const GEN_ExtNetworkAddr_t *in) {
  memset(out, 0, sizeof *out);
  out->choice = 1;
  auto &e = out->u.e163_4_address;
  if (Copy(status, e.number, in->number, 1) || Copy(status, e.sub_address, in->subAddress, 0))
    return 1;
  e.bit_mask = e.sub_address[0] ? 0x80 : 0;
  return 0;
}
int NetworkToGen(STF_statusList_t *status, const ExtendedNetworkAddress *in,
                 GEN_ExtNetworkAddr_t *out) {
  memset(out, 0, sizeof *out);
  if (in->choice != 1) return STF__Fail(status, GENU_ST_BAD_VALUE);
  const auto &e = in->u.e163_4_address;
  int failed = Copy(status, out->number, e.number, 1) ||
               ((e.bit_mask & 0x80) && Copy(status, out->subAddress, e.sub_address, 0));
  if (failed) memset(out, 0, sizeof *out);
  return failed;
}

}  // namespace

extern "C" {

GENU_X400_PAIR(postalCode, PostalCode, GEN_PostalCode_t, PostalToWire, PostalToGen)
GENU_X400_PAIR(PDSParam, PDSParameter, GEN_PdsParameter_t, ParamToWire, ParamToGen)
GENU_X400_PAIR(unformatPostalAddr, UnformattedPostalAddress, GEN_UnformatPostalAddr_t,
               AddressToWire, AddressToGen)
GENU_X400_PAIR(extNetworkAddr, ExtendedNetworkAddress, GEN_ExtNetworkAddr_t, NetworkToWire,
               NetworkToGen)

int FreeBER_unformatPostalAddr(STF_statusList_t *status, UnformattedPostalAddress *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  wire->bit_mask &= static_cast<uint8_t>(~0x80);
  return x400::FreeChain(status, &wire->printable_address);
}

}  // extern "C"
