// Reading identifier and length octets. Every length is checked against what is left
// of the enclosing value before anything is read from it.
#ifndef KQ_INFRA_BER_INC_PRIVATE_BER_TLV_H
#define KQ_INFRA_BER_INC_PRIVATE_BER_TLV_H

#include <cstddef>
#include <cstdint>

#include "internal/ber_desc.h"

namespace kq::ber {

// A region of input: a definite one ends at `end`; an indefinite one ends at its
// end-of-contents octets (and `end` is only the bound of what may be read).
struct Reader {
  const uint8_t *p;
  const uint8_t *end;
  bool indef;
};

struct Header {
  uint32_t tag;  // class | number, as in ber_desc.h
  bool cons;
  bool indef;
  size_t len;  // content length when definite
};

enum HeaderResult { kHeaderOk = 0, kHeaderShort = 1, kHeaderBad = 2 };

// Parses the header at r.p without moving r; *hlen is the header's size.
HeaderResult PeekHeader(const Reader &r, Header &h, size_t *hlen);

// True at the end of the region's contents (for an indefinite region: at its
// end-of-contents octets, which are not consumed).
inline bool AtEnd(const Reader &r) {
  if (!r.indef) return r.p >= r.end;
  return r.end - r.p >= 2 && r.p[0] == 0 && r.p[1] == 0;
}

// Skips one complete value (any form); kHeaderShort when the input ends inside it.
HeaderResult Skip(Reader &r, int depth);

}  // namespace kq::ber

#endif
