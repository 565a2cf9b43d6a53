#include "value_gen.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

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

ber_oid RandomOid(Rng &rng) {
  uint8_t buf[64];
  size_t n = 0;
  uint32_t arcs = 1 + rng.Below(6);
  for (uint32_t i = 0; i < arcs; i++) {
    uint64_t arc = rng.Chance(30) ? rng.Next() & 0xffffffffu : rng.Below(200);
    uint8_t tmp[10];
    int k = 0;
    do {
      tmp[k++] = static_cast<uint8_t>(arc & 0x7f);
      arc >>= 7;
    } while (arc);
    while (k > 1) buf[n++] = static_cast<uint8_t>(tmp[--k] | 0x80);
    buf[n++] = tmp[0];
  }
  uint8_t *p = static_cast<uint8_t *>(std::malloc(n));
  std::memcpy(p, buf, n);
  return ber_oid{static_cast<uint16_t>(n), p};
}

// A small complete encoding: an INTEGER, an OCTET STRING, or a constructed value
// (sometimes of indefinite length) around them.
void RandomEncoding(std::vector<uint8_t> &out, Rng &rng, int depth) {
  const uint32_t pick = depth < 3 ? rng.Below(4) : rng.Below(2);
  std::vector<uint8_t> inner;
  if (pick == 0) {
    out.insert(out.end(), {0x02, 0x01, static_cast<uint8_t>(rng.Next())});
  } else if (pick == 1) {
    for (size_t n = rng.Below(140); inner.size() < n;) inner.push_back(uint8_t(rng.Next()));
  } else {
    for (uint32_t i = rng.Below(3); i > 0; i--) RandomEncoding(inner, rng, depth + 1);
  }
  if (pick == 0) return;
  if (pick == 2) {  // indefinite length
    out.insert(out.end(), {0x30, 0x80});
    out.insert(out.end(), inner.begin(), inner.end());
    out.insert(out.end(), {0x00, 0x00});
    return;
  }
  // An OCTET STRING, or a [5] around its parts with a two-byte length when long.
  out.push_back(pick == 1 ? 0x04 : 0xa5);
  if (inner.size() >= 128) out.push_back(pick == 1 ? 0x81 : 0x82);
  if (inner.size() >= 128 && pick != 1) out.push_back(static_cast<uint8_t>(inner.size() >> 8));
  out.push_back(static_cast<uint8_t>(inner.size()));
  out.insert(out.end(), inner.begin(), inner.end());
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

void FillField(const ber_field &f, void *base, Rng &rng, int depth) {
  void *slot = At(base, f.offset);
  if (f.pointer) {
    void *block = std::calloc(1, f.type->size);
    Store(slot, block);
    slot = block;
  }
  FillValue(f.type, slot, rng, depth + 1);
}

}  // namespace

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
      uint8_t *p = static_cast<uint8_t *>(std::malloc(enc.size()));
      std::memcpy(p, enc.data(), enc.size());
      return Store(v, ber_octets{static_cast<int32_t>(enc.size()), p});
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

void *MakeValue(const ber_type *t, Rng &rng) {
  void *v = std::calloc(1, t->size);
  FillValue(t, v, rng, 0);
  return v;
}

namespace {

bool Differ(std::string *where, const ber_type *t, const char *what) {
  if (where) *where = std::string(t->name) + ": " + what;
  return false;
}

bool SameBytes(const void *a, const void *b, size_t n) {
  return n == 0 || (a && b && std::memcmp(a, b, n) == 0);
}

bool SameField(const ber_field &f, const void *a, const void *b, std::string *where) {
  const void *fa = FieldValue(f, a);
  const void *fb = FieldValue(f, b);
  if (!fa || !fb) return fa == fb || Differ(where, f.type, "pointer field missing");
  if (!SameValue(f.type, fa, fb, where)) {
    if (where) *where = std::string(f.name) + "." + *where;
    return false;
  }
  return true;
}

}  // namespace

bool SameValue(const ber_type *t, const void *a, const void *b, std::string *where) {
  switch (t->kind) {
    case BER_K_BOOLEAN:
      return (Load<uint8_t>(a) != 0) == (Load<uint8_t>(b) != 0) || Differ(where, t, "boolean");
    case BER_K_INT16:
      return Load<int16_t>(a) == Load<int16_t>(b) || Differ(where, t, "value");
    case BER_K_INT32:
    case BER_K_ENUM:
      return Load<int32_t>(a) == Load<int32_t>(b) || Differ(where, t, "value");
    case BER_K_CARD64:
      return std::memcmp(a, b, sizeof(ber_card64)) == 0 || Differ(where, t, "value");
    case BER_K_REAL: {
      double x = Load<double>(a), y = Load<double>(b);
      if (std::isnan(x) && std::isnan(y)) return true;
      return (x == y && std::signbit(x) == std::signbit(y)) || Differ(where, t, "real");
    }
    case BER_K_NULL:
      return true;
    case BER_K_OCTETS:
    case BER_K_OPEN: {
      ber_octets x = Load<ber_octets>(a), y = Load<ber_octets>(b);
      return (x.length == y.length && SameBytes(x.value, y.value, x.length)) ||
             Differ(where, t, "bytes");
    }
    case BER_K_OCTETS_INLINE:
      return (Load<uint16_t>(a) == Load<uint16_t>(b) &&
              SameBytes(At(a, 2), At(b, 2), Load<uint16_t>(a))) ||
             Differ(where, t, "bytes");
    case BER_K_CHARS_INLINE:
      return strcmp(static_cast<const char *>(a), static_cast<const char *>(b)) == 0 ||
             Differ(where, t, "string");
    case BER_K_CHARS: {
      const char *x = Load<const char *>(a), *y = Load<const char *>(b);
      return (x && y ? strcmp(x, y) == 0 : x == y) || Differ(where, t, "string");
    }
    case BER_K_OID: {
      ber_oid x = Load<ber_oid>(a), y = Load<ber_oid>(b);
      return (x.length == y.length && SameBytes(x.value, y.value, x.length)) ||
             Differ(where, t, "object identifier");
    }
    case BER_K_BITS: {
      ber_bits x = Load<ber_bits>(a), y = Load<ber_bits>(b);
      return (x.length == y.length && SameBytes(x.value, y.value, (x.length + 7) / 8)) ||
             Differ(where, t, "bits");
    }
    case BER_K_SEQUENCE:
      if (Mask(t, a) != Mask(t, b)) return Differ(where, t, "presence bits");
      for (uint32_t i = 0; i < t->nfields; i++) {
        const ber_field &f = t->fields[i];
        if (Present(t, f, a) != Present(t, f, b)) return Differ(where, t, "presence");
        if (Present(t, f, a) && !SameField(f, a, b, where)) return false;
      }
      return true;
    case BER_K_CHOICE: {
      if (Load<uint16_t>(a) != Load<uint16_t>(b)) return Differ(where, t, "choice");
      const ber_field *alt = Chosen(t, a);
      return alt ? SameField(*alt, a, b, where) : Differ(where, t, "bad choice");
    }
    case BER_K_SEQOF: {
      const uint8_t *x = Load<const uint8_t *>(a), *y = Load<const uint8_t *>(b);
      for (; x && y; x = Load<const uint8_t *>(x), y = Load<const uint8_t *>(y))
        if (!SameValue(t->elem, x + t->elem_offset, y + t->elem_offset, where)) return false;
      return (!x && !y) || Differ(where, t, "list length");
    }
  }
  return Differ(where, t, "unknown kind");
}

}  // namespace kq::ber::test
