// Shared helpers of the BER tests: hex bytes, and coding through a module's PDU table.
#ifndef KQ_INFRA_BER_TEST_BER_TEST_UTIL_H
#define KQ_INFRA_BER_TEST_BER_TEST_UTIL_H

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "internal/ber_coder.h"
#include "internal/ber_mod_evt.h"
#include "internal/ber_mod_kq_0b.h"

namespace kq::ber::test {

// The bytes of hex digit pairs; anything else between them is ignored.
inline std::vector<uint8_t> Hex(const std::string &text) {
  std::vector<uint8_t> out;
  std::string digits;
  for (char c : text)
    if (isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return out;
}

inline std::string ToHex(const uint8_t *p, size_t n) {
  std::string s;
  char byte[4];
  for (size_t i = 0; i < n; i++)
    s += std::string(i ? " " : "") + (snprintf(byte, 4, "%02X", p[i]), byte);
  return s;
}

inline const ber_type *Pdu(const ber_module &m, int number) {
  const ber_pdu *p = BER__FindPDU(&m, number);
  return p ? p->type : nullptr;
}

// Encodes and returns the bytes as hex ("" and *rc set on failure).
inline std::string EncodeHex(const ber_type *t, const void *v, int *rc = nullptr) {
  Error err;
  uint8_t *out;
  size_t len;
  int r = Encode(t, v, &out, &len, err);
  if (rc) *rc = r;
  if (r) return "";
  std::string s = ToHex(out, len);
  free(out);
  return s;
}

// Decodes hex input; returns the runtime's code and leaves the value in *out.
inline int DecodeHex(const ber_type *t, const std::string &hex, void **out) {
  std::vector<uint8_t> in = Hex(hex);
  Error err;
  return Decode(t, in.data(), in.size(), out, err);
}

inline void FreeValue(const ber_type *t, void *v) {
  if (!v) return;
  FreeContents(t, v);
  free(v);
}

}  // namespace kq::ber::test

#endif
