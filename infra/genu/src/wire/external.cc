// Records whose wire form is shaped differently from the generic one, converted by
// hand and plugged into the record walker: EXTERNAL (the generic choice is the
// encoding, the wire carries it after the references) and socket addresses (the
// generic record keeps the address bytes and their length beside the choice).
#include <cstdlib>
#include <cstring>

#include "internal/stf_scratch.h"
#include "private/genu_wire_bridge.h"

namespace kq::genu {

namespace {

// The data value descriptor is a plain character string on the wire.
int DescriptorToBer(STF_statusList_t *status, const GEN_Text_t *text, char **out) {
  const char *chars;
  size_t n;
  switch (text->choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING:
      chars = text->u.string ? text->u.string : "";
      n = strlen(chars);
      break;
    case GEN_TEXT_LATIN1:
    case GEN_TEXT_OCTETS:
      if (text->u.octets.length < 0 || (text->u.octets.length && !text->u.octets.value))
        return WireBad(status);
      chars = reinterpret_cast<const char *>(text->u.octets.value);
      n = static_cast<size_t>(text->u.octets.length);
      if (memchr(chars, 0, n)) return WireBad(status);
      break;
    default:
      return WireBad(status);
  }
  if (n > GEN_TEXT_MAX) return STF__Fail(status, GENU_ST_TOO_LONG);
  auto *copy = static_cast<char *>(WireAlloc(n + 1));
  if (!copy) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (n) memcpy(copy, chars, n);
  *out = copy;
  return 0;
}

int ExternalToBer(STF_statusList_t *status, void *wire, const void *record) {
  auto *out = static_cast<External *>(wire);
  auto *in = static_cast<const GEN_External_t *>(record);
  memset(out, 0, sizeof *out);
  int failed = 0;
  if (in->directReference) {
    out->bit_mask |= 0x80;
    failed = ToBER_oid(status, &out->direct_reference, &in->directReference);
  }
  if (!failed && in->indirectReference) {
    out->bit_mask |= 0x40;
    out->indirect_reference = *in->indirectReference;
  }
  if (!failed && in->dataValueDescriptor)
    failed = DescriptorToBer(status, in->dataValueDescriptor, &out->data_value_descriptor);
  if (!failed) {
    out->encoding.choice = static_cast<uint16_t>(in->choice);
    switch (in->choice) {
      case 1:  // a complete encoding, carried as it is
        failed = ToBER_Any(status, &out->encoding.u.single_ASN1_type, &in->u.octets);
        break;
      case 2:
        failed = ToBER_octetString(status, &out->encoding.u.octet_aligned, &in->u.octets);
        break;
      case 3: {
        const GEN_BitString_t &b = in->u.bits;
        if (b.bitLength < 0 || (b.bitLength && !b.bits)) {
          failed = WireBad(status);
          break;
        }
        GEN_OctetString_t bytes{(b.bitLength + 7) / 8, b.bits};
        ber_octets copy{0, nullptr};
        failed = ToBER_octetString(status, &copy, &bytes);
        out->encoding.u.arbitrary = ber_bits{failed ? 0 : b.bitLength, copy.value};
        break;
      }
      default:
        out->encoding.choice = 0;
        failed = WireBad(status);
    }
  }
  if (failed) WireRelease(&kq_0b_d_External, out);
  return failed;
}

int ExternalToGen(STF_statusList_t *status, const void *wire, void *record) {
  auto *in = static_cast<const External *>(wire);
  auto *out = static_cast<GEN_External_t *>(record);
  memset(out, 0, sizeof *out);
  int failed = 0;
  if (in->bit_mask & 0x80) failed = ToGEN_oid(status, &in->direct_reference, &out->directReference);
  if (!failed && (in->bit_mask & 0x40)) {
    out->indirectReference = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    if (out->indirectReference)
      *out->indirectReference = in->indirect_reference;
    else
      failed = STF__Fail(status, GENU_ST_NO_MEMORY);
  }
  if (!failed && in->data_value_descriptor) {
    auto *text = static_cast<GEN_Text_t *>(calloc(1, sizeof(GEN_Text_t)));
    char *chars = text ? strdup(in->data_value_descriptor) : nullptr;
    if (!chars) {
      free(text);
      failed = STF__Fail(status, GENU_ST_NO_MEMORY);
    } else {
      text->choice = GEN_TEXT_STRING;
      text->u.string = chars;
      out->dataValueDescriptor = text;
    }
  }
  if (!failed) {
    out->choice = in->encoding.choice;
    switch (in->encoding.choice) {
      case 1:
        failed = ToGEN_Any(status, &in->encoding.u.single_ASN1_type, &out->u.octets);
        break;
      case 2:
        failed = ToGEN_octetString(status, &in->encoding.u.octet_aligned, &out->u.octets);
        break;
      case 3: {
        const ber_bits &b = in->encoding.u.arbitrary;
        ber_octets bytes{(b.length + 7) / 8, b.value};
        GEN_OctetString_t copy{0, nullptr};
        failed = b.length < 0 ? WireBad(status) : ToGEN_octetString(status, &bytes, &copy);
        out->u.bits = GEN_BitString_t{failed ? 0 : b.length, copy.value};
        break;
      }
      default:
        failed = WireBad(status);
    }
  }
  if (failed) {
    GEN_DeepDeleteExternal(kq::stf::ScratchList(), out, nullptr);
    memset(out, 0, sizeof *out);
  }
  return failed;
}

// Choice 1 an IPv4 address of 4 bytes, 2 an IPv6 address of 16; ports 0..65535.
int SocketToBer(STF_statusList_t *status, void *wire, const void *record) {
  auto *out = static_cast<SocketAddress *>(wire);
  auto *in = static_cast<const GEN_SocketAddress_t *>(record);
  int32_t want = in->choice == 1 ? 4 : in->choice == 2 ? 16 : -1;
  if (want < 0 || in->addressLength != want || in->port < 0 || in->port > 65535)
    return WireBad(status);
  memset(out, 0, sizeof *out);
  out->address.choice = static_cast<uint16_t>(in->choice);
  if (in->choice == 1) {
    out->address.u.ipv4.length = 4;
    memcpy(out->address.u.ipv4.value, in->address, 4);
  } else {
    out->address.u.ipv6.length = 16;
    memcpy(out->address.u.ipv6.value, in->address, 16);
  }
  out->port = in->port;
  return 0;
}

int SocketToGen(STF_statusList_t *status, const void *wire, void *record) {
  auto *in = static_cast<const SocketAddress *>(wire);
  auto *out = static_cast<GEN_SocketAddress_t *>(record);
  memset(out, 0, sizeof *out);
  const uint8_t *bytes = nullptr;
  uint16_t length = 0;
  if (in->address.choice == 1) {
    bytes = in->address.u.ipv4.value;
    length = in->address.u.ipv4.length;
  } else if (in->address.choice == 2) {
    bytes = in->address.u.ipv6.value;
    length = in->address.u.ipv6.length;
  }
  if (!bytes || length != (in->address.choice == 1 ? 4 : 16) || in->port < 0 || in->port > 65535)
    return WireBad(status);
  out->choice = in->address.choice;
  out->port = in->port;
  out->addressLength = length;
  memcpy(out->address, bytes, length);
  return 0;
}

}  // namespace

extern const WireOverride kExternalOverride = {&kExternalLayout, ExternalToBer, ExternalToGen};
extern const WireOverride kSocketOverride = {&kSocketAddressLayout, SocketToBer, SocketToGen};

}  // namespace kq::genu
