// Contents octets of REAL values.
#ifndef KQ_INFRA_BER_INC_PRIVATE_BER_REAL_H
#define KQ_INFRA_BER_INC_PRIVATE_BER_REAL_H

#include <cstddef>
#include <cstdint>

namespace kq::ber {

// Binary form, base 2, odd mantissa, shortest exponent; specials for infinities,
// NaN and minus zero; no octets for plus zero. Returns the number of octets (<= 11).
size_t EncodeReal(double v, uint8_t *out);

// Binary (bases 2, 8, 16, any scale factor), decimal (NR1, NR2, NR3) and special
// forms. Returns false for anything else.
bool DecodeReal(const uint8_t *in, size_t len, double *out);

}  // namespace kq::ber

#endif
