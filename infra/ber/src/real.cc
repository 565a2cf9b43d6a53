// REAL contents octets.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "private/ber_real.h"

namespace kq::ber {

size_t EncodeReal(double v, uint8_t *out) {
  if (v == 0) {
    if (std::signbit(v)) {
      out[0] = 0x43;
      return 1;
    }
    return 0;
  }
  if (std::isnan(v)) {
    out[0] = 0x42;
    return 1;
  }
  if (std::isinf(v)) {
    out[0] = v > 0 ? 0x40 : 0x41;
    return 1;
  }
  bool neg = v < 0;
  int exp2;
  double frac = std::frexp(std::fabs(v), &exp2);  // frac in [0.5, 1)
  // 53-bit integer mantissa, then strip trailing zero bits so it is odd.
  uint64_t m = static_cast<uint64_t>(std::ldexp(frac, 53));
  int64_t e = static_cast<int64_t>(exp2) - 53;
  while ((m & 1) == 0) {
    m >>= 1;
    e++;
  }
  uint8_t eb[2];
  size_t elen;
  if (e >= -128 && e <= 127) {
    eb[0] = static_cast<uint8_t>(e);
    elen = 1;
  } else {
    eb[0] = static_cast<uint8_t>(static_cast<uint16_t>(e) >> 8);
    eb[1] = static_cast<uint8_t>(e);
    elen = 2;
  }
  size_t n = 0;
  out[n++] = static_cast<uint8_t>(0x80 | (neg ? 0x40 : 0) | (elen - 1));
  for (size_t i = 0; i < elen; i++) out[n++] = eb[i];
  uint8_t mb[8];
  int mlen = 0;
  while (m) {
    mb[mlen++] = static_cast<uint8_t>(m);
    m >>= 8;
  }
  while (mlen) out[n++] = mb[--mlen];
  return n;
}

static bool DecodeBinary(const uint8_t *in, size_t len, double *out) {
  uint8_t first = in[0];
  int base_bits;
  switch ((first >> 4) & 3) {
    case 0:
      base_bits = 1;
      break;
    case 1:
      base_bits = 3;
      break;
    case 2:
      base_bits = 4;
      break;
    default:
      return false;
  }
  int scale = (first >> 2) & 3;
  size_t pos = 1;
  size_t elen;
  switch (first & 3) {
    case 0:
      elen = 1;
      break;
    case 1:
      elen = 2;
      break;
    case 2:
      elen = 3;
      break;
    default:
      if (pos >= len) return false;
      elen = in[pos++];
      if (elen == 0) return false;
      break;
  }
  if (len - pos < elen + 1) return false;  // exponent and at least one mantissa octet
  // A counted exponent must not be padded (its first nine bits not all equal).
  if ((first & 3) == 3 && elen > 1 &&
      ((in[pos] == 0 && !(in[pos + 1] & 0x80)) || (in[pos] == 0xff && (in[pos + 1] & 0x80))))
    return false;
  // Exponents longer than 8 octets only matter by their sign: the value is then
  // certainly out of the range of a double.
  bool eneg = in[pos] & 0x80;
  int64_t e;
  if (elen > 8) {
    e = eneg ? -(int64_t(1) << 40) : (int64_t(1) << 40);
  } else {
    uint64_t u = eneg ? ~uint64_t(0) : 0;
    for (size_t i = 0; i < elen; i++) u = (u << 8) | in[pos + i];
    e = static_cast<int64_t>(u);
    if (e > (int64_t(1) << 40)) e = int64_t(1) << 40;
    if (e < -(int64_t(1) << 40)) e = -(int64_t(1) << 40);
  }
  pos += elen;
  // The mantissa: keep its top 64 significant bits and count the rest as exponent.
  uint64_t m = 0;
  int64_t extra = 0;
  for (; pos < len; pos++) {
    if (m >> 56) {
      extra += 8;
      continue;
    }
    m = (m << 8) | in[pos];
  }
  int64_t total = e * base_bits + scale + extra;
  if (total > 100000) total = 100000;
  if (total < -100000) total = -100000;
  double v = std::ldexp(static_cast<double>(m), static_cast<int>(total));
  *out = (first & 0x40) ? -v : v;
  return true;
}

static bool DecodeDecimal(const uint8_t *in, size_t len, double *out) {
  int form = in[0] & 0x3f;
  if (form < 1 || form > 3) return false;
  char text[128];
  size_t n = 0;
  for (size_t i = 1; i < len; i++) {
    char c = static_cast<char>(in[i]);
    if (c == ' ' && n == 0) continue;  // leading spaces are allowed
    if (c == ',') c = '.';
    bool ok = (c >= '0' && c <= '9') || c == '+' || c == '-' || (form >= 2 && c == '.') ||
              (form == 3 && (c == 'e' || c == 'E'));
    if (!ok || n + 1 >= sizeof text) return false;
    text[n++] = c;
  }
  text[n] = 0;
  if (n == 0) return false;
  char *end = nullptr;
  double v = std::strtod(text, &end);
  if (end != text + n) return false;
  *out = v;
  return true;
}

bool DecodeReal(const uint8_t *in, size_t len, double *out) {
  if (len == 0) {
    *out = 0.0;
    return true;
  }
  uint8_t first = in[0];
  if (first & 0x80) return DecodeBinary(in, len, out);
  if ((first & 0xc0) == 0) return DecodeDecimal(in, len, out);
  if (len != 1) return false;
  switch (first) {
    case 0x40:
      *out = HUGE_VAL;
      return true;
    case 0x41:
      *out = -HUGE_VAL;
      return true;
    case 0x42:
      *out = std::nan("");
      return true;
    case 0x43:
      *out = -0.0;
      return true;
    default:
      return false;
  }
}

}  // namespace kq::ber
