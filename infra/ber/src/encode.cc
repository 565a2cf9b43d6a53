// The generic encoder. It writes backwards from the end of a growing buffer, so every
// length is known when its header is written and each value is written once. The
// buffer starts on the stack; the result is one heap block of exactly its size.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "internal/ber_access.h"
#include "internal/ber_coder.h"
#include "private/ber_alphabet.h"
#include "private/ber_real.h"

namespace kq::ber {
namespace {

class Writer {
 public:
  Writer() {}  // user-provided: the stack buffer is never zero-filled
  Writer(const Writer &) = delete;
  Writer &operator=(const Writer &) = delete;
  ~Writer() {
    if (buf_ != local_) std::free(buf_);
  }
  size_t Size() const { return cap_ - pos_; }
  bool Put(const void *p, size_t n) {
    if (n > pos_ && !Grow(n)) return false;
    pos_ -= n;
    if (n) std::memcpy(buf_ + pos_, p, n);
    return true;
  }
  bool Byte(uint8_t b) {
    if (pos_ == 0 && !Grow(1)) return false;
    buf_[--pos_] = b;
    return true;
  }
  // Identifier and length octets in front of the `len` bytes written last.
  bool Header(uint32_t tag, bool cons, size_t len) {
    uint32_t number = BER_TAG_NUMBER(tag);
    uint8_t first = static_cast<uint8_t>((BER_TAG_CLASS(tag) >> 24) | (cons ? 0x20 : 0));
    if (len < 0x80 && number < 0x1f && pos_ >= 2) {  // the common case: two octets
      buf_[--pos_] = static_cast<uint8_t>(len);
      buf_[--pos_] = static_cast<uint8_t>(first | number);
      return true;
    }
    uint8_t h[16];
    int n = 16;
    if (len < 0x80) {
      h[--n] = static_cast<uint8_t>(len);
    } else {
      int k = 0;
      while (len) {
        h[--n] = static_cast<uint8_t>(len);
        len >>= 8;
        k++;
      }
      h[--n] = static_cast<uint8_t>(0x80 | k);
    }
    if (number < 0x1f) {
      h[--n] = static_cast<uint8_t>(first | number);
    } else {
      h[--n] = static_cast<uint8_t>(number & 0x7f);
      number >>= 7;
      while (number) {
        h[--n] = static_cast<uint8_t>(0x80 | (number & 0x7f));
        number >>= 7;
      }
      h[--n] = static_cast<uint8_t>(first | 0x1f);
    }
    return Put(h + n, 16 - n);
  }
  // Hands the written bytes over as a fresh malloc'ed block.
  uint8_t *Release(size_t *len) {
    *len = Size();
    auto *out = static_cast<uint8_t *>(std::malloc(*len ? *len : 1));
    if (out && *len) std::memcpy(out, buf_ + pos_, *len);
    return out;
  }

 private:
  static constexpr size_t kLocal = 4096;
  bool Grow(size_t need) {
    size_t used = Size();
    size_t cap = cap_ * 2;
    while (cap - used < need) cap *= 2;
    uint8_t *nb = static_cast<uint8_t *>(std::malloc(cap));
    if (!nb) return false;
    if (used) std::memcpy(nb + cap - used, buf_ + pos_, used);
    if (buf_ != local_) std::free(buf_);
    buf_ = nb;
    pos_ = cap - used;
    cap_ = cap;
    return true;
  }
  uint8_t local_[kLocal];
  uint8_t *buf_ = local_;
  size_t cap_ = kLocal;
  size_t pos_ = kLocal;
};

struct Enc {
  Writer w;
  Error &err;
  int Nomem() { return err.Set(BER_E_NOMEM, "out of memory while encoding"); }
};

// CHOICE and open values have no header of their own: a tag put on them always
// wraps them, as an explicit tag does.
bool Primitive(uint8_t kind) {
  return kind != BER_K_SEQUENCE && kind != BER_K_SEQOF && kind != BER_K_CHOICE &&
         kind != BER_K_OPEN;
}

// Minimal two's complement octets of v.
bool PutInteger(Writer &w, int64_t v) {
  uint8_t b[9];
  int n = 9;
  do {
    b[--n] = static_cast<uint8_t>(v);
    v >>= 8;
  } while (!((v == 0 && !(b[n] & 0x80)) || (v == -1 && (b[n] & 0x80))));
  return w.Put(b + n, 9 - n);
}

bool PutUnsigned(Writer &w, uint64_t v) {
  uint8_t b[9];
  int n = 9;
  do {
    b[--n] = static_cast<uint8_t>(v);
    v >>= 8;
  } while (v);
  if (b[n] & 0x80) b[--n] = 0;
  return w.Put(b + n, 9 - n);
}

bool ValidOid(const uint8_t *p, size_t n) {
  if (n == 0 || (p[n - 1] & 0x80)) return false;
  bool start = true;
  for (size_t i = 0; i < n; i++) {
    if (start && p[i] == 0x80) return false;
    start = !(p[i] & 0x80);
  }
  return true;
}

int EncodeValue(Enc &e, const ber_type *t, const void *v, uint32_t implicit, int depth);

int CheckSize(Enc &e, const ber_type *t, size_t n) {
  if (n < t->lower || (t->upper && n > t->upper))
    return e.err.Set(BER_E_CONSTRAINT, "%s: size %zu outside %u..%u", t->name, n, t->lower,
                     t->upper);
  return 0;
}

int EncodeBytes(Enc &e, const ber_type *t, const uint8_t *p, int64_t n) {
  if (n < 0 || (n > 0 && !p)) return e.err.Set(BER_E_ARG, "%s: bad length or null bytes", t->name);
  if (int rc = CheckSize(e, t, static_cast<size_t>(n))) return rc;
  return e.w.Put(p, static_cast<size_t>(n)) ? 0 : e.Nomem();
}

// Contents octets of a primitive value.
int EncodeContents(Enc &e, const ber_type *t, const void *v) {
  Writer &w = e.w;
  switch (t->kind) {
    case BER_K_BOOLEAN:
      return w.Byte(Load<uint8_t>(v) ? 0xff : 0x00) ? 0 : e.Nomem();
    case BER_K_INT16:
      return PutInteger(w, Load<int16_t>(v)) ? 0 : e.Nomem();
    case BER_K_INT32:
    case BER_K_ENUM:
      return PutInteger(w, Load<int32_t>(v)) ? 0 : e.Nomem();
    case BER_K_CARD64: {
      ber_card64 c = Load<ber_card64>(v);
      return PutUnsigned(w, (uint64_t(c.high) << 32) | c.low) ? 0 : e.Nomem();
    }
    case BER_K_REAL: {
      uint8_t b[16];
      size_t n = EncodeReal(Load<double>(v), b);
      return w.Put(b, n) ? 0 : e.Nomem();
    }
    case BER_K_NULL:
      return 0;
    case BER_K_OCTETS: {
      ber_octets o = Load<ber_octets>(v);
      return EncodeBytes(e, t, o.value, o.length);
    }
    case BER_K_OCTETS_INLINE:
      return EncodeBytes(e, t, At(v, 2), Load<uint16_t>(v));
    case BER_K_CHARS_INLINE:
    case BER_K_CHARS: {
      const char *s = t->kind == BER_K_CHARS ? Load<const char *>(v) : static_cast<const char *>(v);
      if (!s) return e.err.Set(BER_E_ARG, "%s: null string", t->name);
      size_t n = t->kind == BER_K_CHARS ? strlen(s) : strnlen(s, t->upper + 1);
      const uint8_t *p = reinterpret_cast<const uint8_t *>(s);
      if (!AdmittedChars(t, p, n))
        return e.err.Set(BER_E_CONSTRAINT, "%s: character not admitted by the type", t->name);
      return EncodeBytes(e, t, p, static_cast<int64_t>(n));
    }
    case BER_K_OID: {
      ber_oid o = Load<ber_oid>(v);
      if (!o.value || !ValidOid(o.value, o.length))
        return e.err.Set(BER_E_ARG, "%s: malformed object identifier", t->name);
      return w.Put(o.value, o.length) ? 0 : e.Nomem();
    }
    case BER_K_BITS: {
      ber_bits b = Load<ber_bits>(v);
      if (b.length < 0 || (b.length > 0 && !b.value))
        return e.err.Set(BER_E_ARG, "%s: bad bit count or null bytes", t->name);
      if (int rc = CheckSize(e, t, static_cast<size_t>(b.length))) return rc;
      if (!w.Put(b.value, (static_cast<size_t>(b.length) + 7) / 8)) return e.Nomem();
      return w.Byte(static_cast<uint8_t>((8 - b.length % 8) % 8)) ? 0 : e.Nomem();
    }
  }
  return e.err.Set(BER_E_ARG, "%s: not a primitive kind", t->name);
}

int EncodeField(Enc &e, const ber_field &f, const void *base, int depth) {
  const void *fv = FieldValue(f, base);
  if (!fv) return e.err.Set(BER_E_ARG, "%s: null pointer", f.name);
  if (f.mode == BER_TAG_EXPLICIT) {
    size_t start = e.w.Size();
    if (int rc = EncodeValue(e, f.type, fv, BER_NOTAG, depth + 1)) return rc;
    return e.w.Header(f.tag, true, e.w.Size() - start) ? 0 : e.Nomem();
  }
  return EncodeValue(e, f.type, fv, f.mode == BER_TAG_IMPLICIT ? f.tag : BER_NOTAG, depth + 1);
}

int EncodeSequenceOf(Enc &e, const ber_type *t, const void *v, int depth) {
  // Nodes are linked forwards and written backwards: collect them first, on the stack
  // while the list is short.
  constexpr size_t kShort = 32;
  const uint8_t *few[kShort];
  std::vector<const uint8_t *> many;
  size_t count = 0;
  for (const uint8_t *n = Load<const uint8_t *>(v); n; n = Load<const uint8_t *>(n)) {
    if (count < kShort) {
      few[count] = n;
    } else {
      if (count == kShort) many.assign(few, few + kShort);
      many.push_back(n);
    }
    if (++count > (1u << 24)) return e.err.Set(BER_E_ARG, "%s: list too long", t->name);
  }
  if (int rc = CheckSize(e, t, count)) return rc;
  const uint8_t *const *nodes = count > kShort ? many.data() : few;
  for (size_t i = count; i-- > 0;)
    if (int rc = EncodeValue(e, t->elem, nodes[i] + t->elem_offset, BER_NOTAG, depth + 1))
      return rc;
  return 0;
}

int EncodeValue(Enc &e, const ber_type *t, const void *v, uint32_t implicit, int depth) {
  if (depth > BER_MAX_DEPTH) return e.err.Set(BER_E_DEPTH, "%s: nesting too deep", t->name);
  size_t start = e.w.Size();
  uint32_t inner = (t->etag == BER_NOTAG && implicit != BER_NOTAG) ? implicit : t->tag;
  int rc = 0;
  switch (t->kind) {
    case BER_K_CHOICE: {
      const ber_field *alt = Chosen(t, v);
      if (!alt) return e.err.Set(BER_E_ARG, "%s: bad choice %u", t->name, Load<uint16_t>(v));
      rc = EncodeField(e, *alt, v, depth);
      break;
    }
    case BER_K_OPEN: {
      ber_octets o = Load<ber_octets>(v);
      if (o.length <= 0 || !o.value ||
          TlvLength(o.value, static_cast<size_t>(o.length)) != o.length)
        return e.err.Set(BER_E_ARG, "%s: open value is not one complete encoding", t->name);
      rc = e.w.Put(o.value, static_cast<size_t>(o.length)) ? 0 : e.Nomem();
      break;
    }
    case BER_K_SEQUENCE:
      for (uint32_t i = t->nfields; i-- > 0 && rc == 0;)
        if (Present(t, t->fields[i], v)) rc = EncodeField(e, t->fields[i], v, depth);
      break;
    case BER_K_SEQOF:
      rc = EncodeSequenceOf(e, t, v, depth);
      break;
    default:
      rc = EncodeContents(e, t, v);
      break;
  }
  if (rc) return rc;
  if (inner != BER_NOTAG && !e.w.Header(inner, !Primitive(t->kind), e.w.Size() - start))
    return e.Nomem();
  if (t->etag != BER_NOTAG) {
    uint32_t outer = implicit != BER_NOTAG ? implicit : t->etag;
    if (!e.w.Header(outer, true, e.w.Size() - start)) return e.Nomem();
  }
  return 0;
}

}  // namespace

int Encode(const ber_type *t, const void *value, uint8_t **out, size_t *outLen, Error &err) {
  *out = nullptr;
  *outLen = 0;
  if (!value) return err.Set(BER_E_ARG, "%s: null value", t->name);
  Enc e{{}, err};
  if (int rc = EncodeValue(e, t, value, BER_NOTAG, 0)) return rc;
  *out = e.w.Release(outLen);
  return *out ? 0 : e.Nomem();
}

}  // namespace kq::ber
