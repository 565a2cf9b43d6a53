// The characters that the restricted string types admit (X.680): NumericString and
// PrintableString are checked; the other character string types take any octet
// except NUL, which the C form could not hold.
#ifndef KQ_INFRA_BER_INC_PRIVATE_BER_ALPHABET_H
#define KQ_INFRA_BER_INC_PRIVATE_BER_ALPHABET_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "internal/ber_desc.h"

namespace kq::ber {

inline bool PrintableChar(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != 0 && std::strchr(" '()+,-./:=?", c) != nullptr);
}

inline bool AdmittedChars(const ber_type *t, const uint8_t *p, size_t n) {
  if (std::memchr(p, 0, n)) return false;
  if (BER_TAG_CLASS(t->tag) != BER_CLASS_UNIVERSAL) return true;
  switch (BER_TAG_NUMBER(t->tag)) {
    case 18:  // NumericString
      for (size_t i = 0; i < n; i++)
        if (!((p[i] >= '0' && p[i] <= '9') || p[i] == ' ')) return false;
      return true;
    case 19:  // PrintableString
      for (size_t i = 0; i < n; i++)
        if (!PrintableChar(p[i])) return false;
      return true;
    default:
      return true;
  }
}

}  // namespace kq::ber

#endif
