// The generic freer: releases everything a value owns, following the descriptors.
#include <cstdlib>

#include "internal/ber_access.h"
#include "internal/ber_coder.h"

namespace kq::ber {

static void FreeField(const ber_field &f, void *base) {
  void *slot = At(base, f.offset);
  if (!f.pointer) {
    FreeContents(f.type, slot);
    return;
  }
  void *block = Load<void *>(slot);
  if (!block) return;
  FreeContents(f.type, block);
  std::free(block);
  Store<void *>(slot, nullptr);
}

void FreeContents(const ber_type *t, void *v) {
  switch (t->kind) {
    case BER_K_OCTETS:
    case BER_K_OPEN: {
      ber_octets o = Load<ber_octets>(v);
      std::free(o.value);
      Store(v, ber_octets{0, nullptr});
      return;
    }
    case BER_K_OID: {
      ber_oid o = Load<ber_oid>(v);
      std::free(o.value);
      Store(v, ber_oid{0, nullptr});
      return;
    }
    case BER_K_BITS: {
      ber_bits b = Load<ber_bits>(v);
      std::free(b.value);
      Store(v, ber_bits{0, nullptr});
      return;
    }
    case BER_K_CHARS:
      std::free(Load<void *>(v));
      Store<void *>(v, nullptr);
      return;
    case BER_K_SEQUENCE:
      for (uint32_t i = 0; i < t->nfields; i++)
        if (Present(t, t->fields[i], v)) FreeField(t->fields[i], v);
      return;
    case BER_K_CHOICE:
      if (const ber_field *alt = Chosen(t, v)) FreeField(*alt, v);
      return;
    case BER_K_SEQOF: {
      uint8_t *n = Load<uint8_t *>(v);
      while (n) {
        uint8_t *next = Load<uint8_t *>(n);
        FreeContents(t->elem, n + t->elem_offset);
        std::free(n);
        n = next;
      }
      Store<void *>(v, nullptr);
      return;
    }
    default:
      return;
  }
}

}  // namespace kq::ber
