// Random valid values of any described type, for the coder's round trips and the
// fuzzers' seed records: every bound, choice and presence is reached, recursion is cut
// off at a fixed depth. A value is released with FreeValue (ber_test_util.h).
#ifndef KQ_INFRA_BER_TEST_VALUE_GEN_H
#define KQ_INFRA_BER_TEST_VALUE_GEN_H

#include <cstdint>

#include "internal/ber_desc.h"

namespace kq::ber::test {

class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9e3779b97f4a7c15ull + 1) {}
  uint64_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }
  uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
  bool Chance(uint32_t percent) { return Below(100) < percent; }

 private:
  uint64_t s_;
};

// A fresh value of type t (calloc'ed), filled from rng.
void *MakeValue(const ber_type *t, Rng &rng);

}  // namespace kq::ber::test

#endif
