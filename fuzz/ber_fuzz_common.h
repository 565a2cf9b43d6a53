// Shared body of the BER decoder harnesses: the first byte picks a record of the
// module, the rest is decoded as that record; whatever decodes is re-encoded, decoded
// again, compared by its encoding, printed and freed.
#ifndef KQ_FUZZ_BER_FUZZ_COMMON_H
#define KQ_FUZZ_BER_FUZZ_COMMON_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "internal/ber_coder.h"

inline int FuzzBerModule(const ber_module &m, const uint8_t *data, size_t size) {
  if (size < 1 || m.npdus == 0) return 0;
  const ber_pdu &pdu = m.pdus[data[0] % m.npdus];
  kq::ber::Error err;
  void *value = nullptr;
  if (kq::ber::Decode(pdu.type, data + 1, size - 1, &value, err) != 0) {
    if (value) abort();  // a failed decode must leave nothing behind
    return 0;
  }
  uint8_t *enc = nullptr;
  size_t len = 0;
  if (kq::ber::Encode(pdu.type, value, &enc, &len, err) != 0) abort();  // decoded => encodable
  void *again = nullptr;
  if (kq::ber::Decode(pdu.type, enc, len, &again, err) != 0) abort();
  uint8_t *enc2 = nullptr;
  size_t len2 = 0;
  if (kq::ber::Encode(pdu.type, again, &enc2, &len2, err) != 0) abort();
  if (len2 != len || memcmp(enc, enc2, len) != 0) abort();  // the encoding is a fixed point
  (void)kq::ber::Print(pdu.type, again);
  free(enc);
  free(enc2);
  kq::ber::FreeContents(pdu.type, value);
  free(value);
  kq::ber::FreeContents(pdu.type, again);
  free(again);
  return 0;
}

#endif
