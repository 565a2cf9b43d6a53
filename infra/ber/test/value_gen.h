// Random but valid values of any described type, and a field-by-field comparison:
// the round-trip and malformed-input tests are driven by these.
#ifndef KQ_INFRA_BER_TEST_VALUE_GEN_H
#define KQ_INFRA_BER_TEST_VALUE_GEN_H

#include <cstdint>
#include <string>

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

// A fresh malloc'ed value of type t: every CHOICE alternative, optional fields present
// and absent, empty and longer lists, strings at their bounds. Free it with
// kq::ber::FreeContents and free().
void *MakeValue(const ber_type *t, Rng &rng);

// Fills a zeroed value in place.
void FillValue(const ber_type *t, void *v, Rng &rng, int depth);

// True when a and b hold the same value; otherwise *where names the first difference.
bool SameValue(const ber_type *t, const void *a, const void *b, std::string *where);

}  // namespace kq::ber::test

#endif
