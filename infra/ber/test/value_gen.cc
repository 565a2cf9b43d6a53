// Random valid values of any described type (value_gen.h).
#include "value_gen.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "ber_test_util.h"
#include "internal/ber_access.h"

namespace kq::ber::test {
namespace {

constexpr int kDeep = 7;  // beyond this depth, lists are empty and choices non-recursive

// The bounds, anything between, and most often a short length.
size_t PickLength(const ber_type *t, Rng &rng) {
  uint32_t lo = t->lower, hi = t->upper ? t->upper : 40, pick = rng.Below(6);
  return pick == 0   ? lo
         : pick == 1 ? hi
                     : lo + rng.Below((pick == 2 ? hi - lo : std::min<uint32_t>(hi - lo, 12)) + 1);
}

// A character the string type admits (Numeric, Printable, else any visible one).
char RandomChar(const ber_type *t, Rng &rng) {
  static const char kPrintable[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 '()+,-./:=?";
  const uint32_t tag = BER_TAG_NUMBER(t->tag);
  return tag == 18   ? " 0123456789"[rng.Below(11)]
         : tag == 19 ? kPrintable[rng.Below(sizeof kPrintable - 1)]
                     : static_cast<char>(0x20 + rng.Below(0x5f));
}

void *Bytes(size_t n, Rng &rng, const ber_type *text) {
  uint8_t *p = static_cast<uint8_t *>(std::malloc(n + 1));
  for (size_t i = 0; i < n; i++)
    p[i] = text ? static_cast<uint8_t>(RandomChar(text, rng)) : static_cast<uint8_t>(rng.Next());
  p[n] = 0;
  return p;
}

// A malloc'ed copy of the bytes.
uint8_t *Dup(const std::vector<uint8_t> &bytes) {
  return static_cast<uint8_t *>(std::memcpy(std::malloc(bytes.size()), bytes.data(), bytes.size()));
}

// Up to six arcs, some of them of 32 bits, in base 128.
ber_oid RandomOid(Rng &rng) {
  std::vector<uint8_t> out;
  for (uint32_t i = 0, arcs = 1 + rng.Below(6); i < arcs; i++) {
    const uint64_t arc = rng.Chance(30) ? rng.Next() & 0xffffffffu : rng.Below(200);
    for (int shift = 28; shift > 0; shift -= 7)
      if (arc >> shift) out.push_back(static_cast<uint8_t>(0x80 | ((arc >> shift) & 0x7f)));
    out.push_back(static_cast<uint8_t>(arc & 0x7f));
  }
  return ber_oid{static_cast<uint16_t>(out.size()), Dup(out)};
}

// A small complete encoding: an INTEGER, an OCTET STRING (a two-byte length when
// long), or a SEQUENCE of indefinite length around such values.
void RandomEncoding(std::vector<uint8_t> &out, Rng &rng, int depth) {
  const uint32_t pick = depth < 3 ? rng.Below(3) : rng.Below(2);
  if (pick == 0) {
    out.insert(out.end(), {0x02, 0x01, static_cast<uint8_t>(rng.Next())});
  } else if (pick == 1) {
    const size_t n = rng.Below(140);
    out.insert(out.end(), {0x04, 0x81, static_cast<uint8_t>(n)});
    if (n < 128) out.erase(out.end() - 2);  // the short form
    for (size_t i = 0; i < n; i++) out.push_back(static_cast<uint8_t>(rng.Next()));
  } else {
    out.insert(out.end(), {0x30, 0x80});
    for (uint32_t i = rng.Below(3); i > 0; i--) RandomEncoding(out, rng, depth + 1);
    out.insert(out.end(), {0x00, 0x00});
  }
}

// Zeros of both signs, infinities, denormals, the largest, NaN, integers, any bits.
double RandomReal(Rng &rng) {
  const uint64_t bits = rng.Next();
  double any;
  std::memcpy(&any, &bits, sizeof any);
  const double special[] = {0.0,
                            -0.0,
                            bits & 1 ? HUGE_VAL : -HUGE_VAL,
                            std::numeric_limits<double>::denorm_min() * double(1 + bits % 1000),
                            std::numeric_limits<double>::max() / double(1 + bits % 10),
                            std::nan(""),
                            double(int32_t(bits))};
  const uint32_t pick = rng.Below(10);
  return pick < 7 ? special[pick] : std::isnan(any) ? 1.5 : any;
}

// Whether a type can nest itself; deep values avoid such alternatives.
bool Recursive(const ber_type *t, const ber_type *target, int depth) {
  if (depth > 12) return false;
  if (t == target && depth > 0) return true;
  if (t->kind == BER_K_SEQOF) return Recursive(t->elem, target, depth + 1);
  for (uint32_t i = 0; i < t->nfields; i++)
    if (Recursive(t->fields[i].type, target, depth + 1)) return true;
  return false;
}

void FillValue(const ber_type *t, void *v, Rng &rng, int depth);

void FillField(const ber_field &f, void *base, Rng &rng, int depth) {
  void *slot = At(base, f.offset);
  if (f.pointer) {
    void *block = std::calloc(1, f.type->size);
    Store(slot, block);
    slot = block;
  }
  FillValue(f.type, slot, rng, depth + 1);
}

// A random but valid value of any described type: every CHOICE alternative, optional
// fields present and absent, empty and longer lists, strings at their bounds.
void FillValue(const ber_type *t, void *v, Rng &rng, int depth) {
  switch (t->kind) {
    case BER_K_BOOLEAN:
      return Store<uint8_t>(v, rng.Below(2));
    case BER_K_INT16:
      return Store<int16_t>(v, static_cast<int16_t>(rng.Next()));
    case BER_K_INT32: {
      int32_t x = rng.Chance(20) ? static_cast<int32_t>(rng.Below(300)) - 150
                                 : static_cast<int32_t>(rng.Next());
      if (rng.Chance(5)) x = rng.Chance(50) ? INT32_MIN : INT32_MAX;
      return Store(v, x);
    }
    case BER_K_ENUM:
      return Store<int32_t>(
          v, t->nnames ? t->names[rng.Below(t->nnames)].value : static_cast<int32_t>(rng.Next()));
    case BER_K_CARD64: {
      uint64_t x = rng.Chance(10) ? ~uint64_t(0) : rng.Next() >> rng.Below(64);
      return Store(v, ber_card64{static_cast<uint32_t>(x >> 32), static_cast<uint32_t>(x)});
    }
    case BER_K_REAL:
      return Store(v, RandomReal(rng));
    case BER_K_NULL:
      return;
    case BER_K_OCTETS: {
      size_t n = PickLength(t, rng);
      return Store(v, ber_octets{static_cast<int32_t>(n),
                                 n ? static_cast<uint8_t *>(Bytes(n, rng, nullptr)) : nullptr});
    }
    case BER_K_OCTETS_INLINE: {
      size_t n = PickLength(t, rng);
      Store<uint16_t>(v, static_cast<uint16_t>(n));
      for (size_t i = 0; i < n; i++) At(v, 2)[i] = static_cast<uint8_t>(rng.Next());
      return;
    }
    case BER_K_CHARS_INLINE: {
      size_t n = PickLength(t, rng);
      char *s = static_cast<char *>(v);
      for (size_t i = 0; i < n; i++) s[i] = RandomChar(t, rng);
      s[n] = 0;
      return;
    }
    case BER_K_CHARS:
      return Store(v, Bytes(PickLength(t, rng), rng, t));
    case BER_K_OID:
      return Store(v, RandomOid(rng));
    case BER_K_OPEN: {
      std::vector<uint8_t> enc;
      RandomEncoding(enc, rng, 0);
      return Store(v, ber_octets{static_cast<int32_t>(enc.size()), Dup(enc)});
    }
    case BER_K_BITS: {
      int32_t bits = static_cast<int32_t>(rng.Below(50));
      size_t n = (static_cast<size_t>(bits) + 7) / 8;
      return Store(v, ber_bits{bits, n ? static_cast<uint8_t *>(Bytes(n, rng, nullptr)) : nullptr});
    }
    case BER_K_SEQUENCE:
      for (uint32_t i = 0; i < t->nfields; i++) {
        const ber_field &f = t->fields[i];
        if (f.bit != BER_MANDATORY &&
            (depth > kDeep || Recursive(f.type, t, 0) ? true : rng.Chance(50)))
          continue;
        if (f.bit >= 0) SetBit(t, v, f.bit);
        FillField(f, v, rng, depth);
      }
      return;
    case BER_K_CHOICE: {
      uint32_t pick = rng.Below(t->nfields);
      if (depth > kDeep)
        for (pick = 0; pick + 1 < t->nfields && Recursive(t->fields[pick].type, t, 0);) pick++;
      Store<uint16_t>(v, static_cast<uint16_t>(pick + 1));
      return FillField(t->fields[pick], v, rng, depth);
    }
    case BER_K_SEQOF: {
      uint32_t hi = t->upper ? t->upper : (rng.Chance(10) ? 20 : 3);
      uint32_t n = depth > kDeep ? t->lower : t->lower + rng.Below(hi - t->lower + 1);
      void **tail = static_cast<void **>(v);
      for (uint32_t i = 0; i < n; i++) {
        void *node = std::calloc(1, t->node_size);
        Store(tail, node);
        tail = static_cast<void **>(node);
        FillValue(t->elem, At(node, t->elem_offset), rng, depth + 1);
      }
      return;
    }
  }
}

}  // namespace

void *MakeValue(const ber_type *t, Rng &rng) {
  void *v = std::calloc(1, t->size);
  FillValue(t, v, rng, 0);
  return v;
}

}  // namespace kq::ber::test
