// Identifier and length octets, and skipping whole values.
#include "internal/ber_coder.h"
#include "private/ber_tlv.h"

namespace kq::ber {

HeaderResult PeekHeader(const Reader &r, Header &h, size_t *hlen) {
  const uint8_t *p = r.p;
  const uint8_t *end = r.end;
  if (p >= end) return kHeaderShort;
  uint8_t first = *p++;
  h.cons = (first & 0x20) != 0;
  uint32_t cls = static_cast<uint32_t>(first & 0xc0) << 24;
  uint32_t number = first & 0x1f;
  if (number == 0x1f) {
    number = 0;
    int n = 0;
    for (;;) {
      if (p >= end) return kHeaderShort;
      uint8_t b = *p++;
      if (n == 0 && b == 0x80) return kHeaderBad;  // padded subsequent octets
      if (++n > 4) return kHeaderBad;              // beyond the 30 bits we keep
      number = (number << 7) | (b & 0x7f);
      if (!(b & 0x80)) break;
    }
    if (number > 0x3fffffffu) return kHeaderBad;
  }
  h.tag = cls | number;
  if (p >= end) return kHeaderShort;
  uint8_t l = *p++;
  h.indef = false;
  if (l < 0x80) {
    h.len = l;
  } else if (l == 0x80) {
    if (!h.cons) return kHeaderBad;  // only constructed values may be indefinite
    h.indef = true;
    h.len = 0;
  } else {
    int n = l & 0x7f;
    if (n == 0x7f) return kHeaderBad;
    size_t len = 0;
    for (int i = 0; i < n; i++) {
      if (p >= end) return kHeaderShort;
      if (len >> 55) return kHeaderBad;
      len = (len << 8) | *p++;
    }
    h.len = len;
  }
  *hlen = static_cast<size_t>(p - r.p);  // known even when the contents are short
  if (!h.indef && h.len > static_cast<size_t>(end - p)) return kHeaderShort;
  return kHeaderOk;
}

HeaderResult Skip(Reader &r, int depth) {
  if (depth > BER_MAX_DEPTH) return kHeaderBad;
  Header h;
  size_t hlen;
  HeaderResult res = PeekHeader(r, h, &hlen);
  if (res != kHeaderOk) return res;
  r.p += hlen;
  if (!h.indef) {
    r.p += h.len;
    return kHeaderOk;
  }
  Reader inner{r.p, r.end, true};
  while (!AtEnd(inner)) {
    if (inner.p >= inner.end || inner.end - inner.p < 2) return kHeaderShort;
    res = Skip(inner, depth + 1);
    if (res != kHeaderOk) return res;
  }
  r.p = inner.p + 2;
  return kHeaderOk;
}

long TlvLength(const uint8_t *in, size_t len) {
  Reader r{in, in + len, false};
  HeaderResult res = Skip(r, 0);
  if (res == kHeaderShort) return 0;
  if (res == kHeaderBad) return -BER_E_DATA;
  return static_cast<long>(r.p - in);
}

}  // namespace kq::ber
