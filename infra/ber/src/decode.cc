// The generic decoder. Accepts any valid BER form; every length is checked against
// its enclosing value, nesting and allocation are bounded, and a failure frees the
// partly built structure.
//
// A failure is reported in the protocol's own terms: the path of component names from
// the record's type down to the value that failed, as the module names them, and the
// byte offset in the input where the offending element starts, for example
//   PrintArgument.job-attributes[2].value: unexpected tag at byte 37
// The path is collected while the calls unwind, so the common path pays nothing for it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "internal/ber_access.h"
#include "internal/ber_coder.h"
#include "private/ber_alphabet.h"
#include "private/ber_arena.h"
#include "private/ber_real.h"
#include "private/ber_tlv.h"

namespace kq::ber {
namespace {

// One step of the path to a failed value: a component or alternative by name, or an
// element of a list by its index (name null).
struct Step {
  const char *name;
  size_t index;
};
constexpr int kMaxSteps = 2 * BER_MAX_DEPTH + 2;

struct Dec {
  // A constructor, not aggregate initialisation: the steps are written only on failure
  // and need no zeroing on every decode.
  Dec(Error &e, size_t limit, const uint8_t *in, Arena *a)
      : err(e), budget(limit), base(in), arena(a) {}
  Error &err;
  size_t budget;
  const uint8_t *base;
  Arena *arena;  // the record's memory; null: each part from the heap
  bool overBudget = false;
  size_t at = 0;  // offset of the element being read when the failure happened
  Step steps[kMaxSteps];
  int nsteps = 0;  // innermost first
  void Mark(const uint8_t *p) { at = static_cast<size_t>(p - base); }
  void Within(const char *name, size_t index = 0) {
    if (nsteps < kMaxSteps) steps[nsteps++] = {name, index};
  }
  void *Alloc(size_t n) {
    if (n > budget) {
      overBudget = true;
      return nullptr;
    }
    budget -= n;
    return arena ? arena->Zeroed(n) : std::calloc(1, n ? n : 1);
  }
  // A block that is filled completely right away needs no zeroing.
  uint8_t *AllocBytes(size_t n) {
    if (n > budget) {
      overBudget = true;
      return nullptr;
    }
    budget -= n;
    return static_cast<uint8_t *>(arena ? arena->Bytes(n) : std::malloc(n ? n : 1));
  }
  // What went wrong, without where: Decode() adds the path and the offset.
  int Fail(const ber_type *, const char *what) { return err.Set(BER_E_DATA, "%s", what); }
  int NoRoom(const ber_type *) {
    if (overBudget) return err.Set(BER_E_LIMIT, "more memory than the input can justify");
    return err.Set(BER_E_NOMEM, "out of memory");
  }
};

// "Root.component[3].alternative: what at byte N" from the steps gathered on the way out.
int Where(Dec &d, const ber_type *root, int code) {
  char what[sizeof d.err.text];
  std::snprintf(what, sizeof what, "%s", d.err.text);
  std::string path = root->name;
  for (int i = d.nsteps - 1; i >= 0; i--) {
    if (d.steps[i].name) {
      path += '.';
      path += d.steps[i].name;
    } else {
      path += '[' + std::to_string(d.steps[i].index) + ']';
    }
  }
  return d.err.Set(code, "%s: %s at byte %zu", path.c_str(), what, d.at);
}

int DecodeValue(Dec &d, const ber_type *t, uint32_t implicit, Reader &r, void *dst, int depth);

// Reads a header that must carry `tag`, and opens the region of its contents.
int Open(Dec &d, const ber_type *t, uint32_t tag, Reader &r, Header &h, Reader &inner) {
  size_t hlen;
  d.Mark(r.p);
  HeaderResult res = PeekHeader(r, h, &hlen);
  if (res == kHeaderShort) return d.Fail(t, "encoding ends early");
  if (res == kHeaderBad) return d.Fail(t, "malformed identifier or length");
  if (h.tag != tag) return d.Fail(t, "unexpected tag");
  r.p += hlen;
  inner.p = r.p;
  inner.indef = h.indef;
  inner.end = h.indef ? r.end : r.p + h.len;
  return 0;
}

// Checks that a region was used up and moves its parent past it.
int Close(Dec &d, const ber_type *t, Reader &r, Reader &inner) {
  if (!AtEnd(inner)) {
    d.Mark(inner.p);
    return d.Fail(t, "unexpected data inside value");
  }
  r.p = inner.indef ? inner.p + 2 : inner.end;
  return 0;
}

bool TypeMatches(const ber_type *t, uint32_t tag, int depth);

bool FieldMatches(const ber_field &f, uint32_t tag, int depth) {
  if (f.mode != BER_TAG_NONE) return tag == f.tag;
  return TypeMatches(f.type, tag, depth + 1);
}

bool TypeMatches(const ber_type *t, uint32_t tag, int depth) {
  if (depth > BER_MAX_DEPTH) return false;
  if (t->etag != BER_NOTAG) return tag == t->etag;
  if (t->tag != BER_NOTAG) return tag == t->tag;
  if (t->kind == BER_K_OPEN) return true;
  for (uint32_t i = 0; i < t->nfields; i++)
    if (FieldMatches(t->fields[i], tag, depth)) return true;
  return false;
}

// The contents of a string kind, from its primitive or constructed form. A primitive
// form is returned in place; a constructed one is gathered into `buf`.
int Gather(Dec &d, const ber_type *t, const Header &h, Reader &inner, std::string &buf, int depth,
           bool bits) {
  if (!h.cons) {
    size_t n = static_cast<size_t>(inner.end - inner.p);
    if (bits) {
      if (n == 0 || inner.p[0] > 7 || (n == 1 && inner.p[0] != 0))
        return d.Fail(t, "malformed bit string");
      if (!buf.empty() && buf[0] != 0)
        return d.Fail(t, "unused bits inside a segmented bit string");
      if (buf.empty())
        buf.push_back(static_cast<char>(inner.p[0]));
      else
        buf[0] = static_cast<char>(inner.p[0]);
      buf.append(reinterpret_cast<const char *>(inner.p + 1), n - 1);
    } else {
      buf.append(reinterpret_cast<const char *>(inner.p), n);
    }
    inner.p = inner.end;
    return 0;
  }
  if (depth > BER_MAX_DEPTH) return d.err.Set(BER_E_DEPTH, "nesting too deep");
  while (!AtEnd(inner)) {
    Header sh;
    Reader seg;
    if (int rc = Open(d, t, BER_CLASS_UNIVERSAL | t->utag, inner, sh, seg)) return rc;
    if (int rc = Gather(d, t, sh, seg, buf, depth + 1, bits)) return rc;
    if (int rc = Close(d, t, inner, seg)) return rc;
  }
  return 0;
}

int CheckSize(Dec &d, const ber_type *t, size_t n) {
  if (n < t->lower || (t->upper && n > t->upper))
    return d.err.Set(BER_E_CONSTRAINT, "size %zu outside %u..%u", n, t->lower, t->upper);
  return 0;
}

// An INTEGER's contents must be present and not padded (X.690 forbids nine equal
// leading bits).
int CheckInteger(Dec &d, const ber_type *t, const uint8_t *p, size_t n) {
  if (n == 0) return d.Fail(t, "empty integer");
  if (n > 1 && ((p[0] == 0 && !(p[1] & 0x80)) || (p[0] == 0xff && (p[1] & 0x80))))
    return d.Fail(t, "integer not in its shortest form");
  return 0;
}

int DecodeInteger(Dec &d, const ber_type *t, const uint8_t *p, size_t n, int64_t lo, int64_t hi,
                  int64_t *out) {
  if (int rc = CheckInteger(d, t, p, n)) return rc;
  if (n > 8) return d.err.Set(BER_E_CONSTRAINT, "integer out of range");
  uint64_t u = (p[0] & 0x80) ? ~uint64_t(0) : 0;
  for (size_t i = 0; i < n; i++) u = (u << 8) | p[i];
  int64_t v = static_cast<int64_t>(u);
  if (v < lo || v > hi) return d.err.Set(BER_E_CONSTRAINT, "integer out of range");
  *out = v;
  return 0;
}

int DecodeCard64(Dec &d, const ber_type *t, const uint8_t *p, size_t n, void *dst) {
  if (int rc = CheckInteger(d, t, p, n)) return rc;
  if ((p[0] & 0x80) || n > 9 || (n == 9 && p[0] != 0))
    return d.err.Set(BER_E_CONSTRAINT, "integer out of range");
  uint64_t u = 0;
  for (size_t i = 0; i < n; i++) u = (u << 8) | p[i];
  Store(dst, ber_card64{static_cast<uint32_t>(u >> 32), static_cast<uint32_t>(u)});
  return 0;
}

int DecodeOid(Dec &d, const ber_type *t, const uint8_t *p, size_t n, void *dst) {
  if (n == 0 || n > 0xffff || (p[n - 1] & 0x80)) return d.Fail(t, "malformed object identifier");
  bool start = true;
  for (size_t i = 0; i < n; i++) {
    if (start && p[i] == 0x80) return d.Fail(t, "padded object identifier arc");
    start = !(p[i] & 0x80);
  }
  uint8_t *copy = d.AllocBytes(n);
  if (!copy) return d.NoRoom(t);
  std::memcpy(copy, p, n);
  Store(dst, ber_oid{static_cast<uint16_t>(n), copy});
  return 0;
}

// Strings of every kind, after gathering their contents.
int DecodeString(Dec &d, const ber_type *t, const Header &h, Reader &inner, void *dst, int depth) {
  std::string buf;
  bool bits = t->kind == BER_K_BITS;
  const uint8_t *p;
  size_t n;
  if (!h.cons && !bits) {  // the common case: the contents in place
    p = inner.p;
    n = static_cast<size_t>(inner.end - inner.p);
    inner.p = inner.end;
  } else {
    if (int rc = Gather(d, t, h, inner, buf, depth, bits)) return rc;
    p = reinterpret_cast<const uint8_t *>(buf.data());
    n = buf.size();
  }
  if (bits) {
    size_t count = (n - 1) * 8 - static_cast<uint8_t>(buf[0]);
    if (count > INT32_MAX) return d.Fail(t, "bit string too long");
    if (int rc = CheckSize(d, t, count)) return rc;
    uint8_t *copy = n > 1 ? d.AllocBytes(n - 1) : nullptr;
    if (n > 1 && !copy) return d.NoRoom(t);
    if (n > 1) std::memcpy(copy, p + 1, n - 1);
    Store(dst, ber_bits{static_cast<int32_t>(count), copy});
    return 0;
  }
  if (int rc = CheckSize(d, t, n)) return rc;
  bool chars = t->kind == BER_K_CHARS || t->kind == BER_K_CHARS_INLINE;
  if (chars && !AdmittedChars(t, p, n)) return d.Fail(t, "character not admitted by the type");
  switch (t->kind) {
    case BER_K_OCTETS: {
      if (n > INT32_MAX) return d.Fail(t, "octet string too long");
      uint8_t *copy = n ? d.AllocBytes(n) : nullptr;
      if (n && !copy) return d.NoRoom(t);
      if (n) std::memcpy(copy, p, n);
      Store(dst, ber_octets{static_cast<int32_t>(n), copy});
      return 0;
    }
    case BER_K_OCTETS_INLINE:
      if (n > 0xffff) return d.Fail(t, "octet string too long");
      Store<uint16_t>(dst, static_cast<uint16_t>(n));
      if (n) std::memcpy(At(dst, 2), p, n);
      return 0;
    case BER_K_CHARS_INLINE:
      if (n) std::memcpy(dst, p, n);
      static_cast<char *>(dst)[n] = 0;
      return 0;
    default: {  // BER_K_CHARS
      char *copy = reinterpret_cast<char *>(d.AllocBytes(n + 1));
      if (!copy) return d.NoRoom(t);
      if (n) std::memcpy(copy, p, n);
      copy[n] = 0;
      Store(dst, copy);
      return 0;
    }
  }
}

int DecodePrimitive(Dec &d, const ber_type *t, const Header &h, Reader &inner, void *dst) {
  if (h.cons) return d.Fail(t, "constructed form of a primitive type");
  const uint8_t *p = inner.p;
  size_t n = static_cast<size_t>(inner.end - inner.p);
  inner.p = inner.end;
  int64_t v = 0;
  int rc = 0;
  switch (t->kind) {
    case BER_K_BOOLEAN:
      if (n != 1) return d.Fail(t, "boolean is not one octet");
      Store<uint8_t>(dst, p[0] ? 1 : 0);
      return 0;
    case BER_K_INT16:
      rc = DecodeInteger(d, t, p, n, INT16_MIN, INT16_MAX, &v);
      if (!rc) Store<int16_t>(dst, static_cast<int16_t>(v));
      return rc;
    case BER_K_INT32:
    case BER_K_ENUM:
      rc = DecodeInteger(d, t, p, n, INT32_MIN, INT32_MAX, &v);
      if (!rc) Store<int32_t>(dst, static_cast<int32_t>(v));
      return rc;
    case BER_K_CARD64:
      return DecodeCard64(d, t, p, n, dst);
    case BER_K_REAL: {
      double r;
      if (!DecodeReal(p, n, &r)) return d.Fail(t, "malformed real");
      Store(dst, r);
      return 0;
    }
    case BER_K_NULL:
      return n == 0 ? 0 : d.Fail(t, "null with contents");
    case BER_K_OID:
      return DecodeOid(d, t, p, n, dst);
  }
  return d.Fail(t, "unknown kind");
}

int FieldBody(Dec &d, const ber_field &f, Reader &r, void *base, int depth) {
  void *dst = At(base, f.offset);
  if (f.pointer) {
    void *block = d.Alloc(f.type->size);
    if (!block) return d.NoRoom(f.type);
    Store(dst, block);
    dst = block;
  }
  if (f.mode != BER_TAG_EXPLICIT)
    return DecodeValue(d, f.type, f.mode == BER_TAG_IMPLICIT ? f.tag : BER_NOTAG, r, dst,
                       depth + 1);
  Header h;
  Reader inner;
  if (int rc = Open(d, f.type, f.tag, r, h, inner)) return rc;
  if (!h.cons) return d.Fail(f.type, "explicit tag on a primitive form");
  if (int rc = DecodeValue(d, f.type, BER_NOTAG, inner, dst, depth + 1)) return rc;
  return Close(d, f.type, r, inner);
}

int DecodeField(Dec &d, const ber_field &f, Reader &r, void *base, int depth) {
  int rc = FieldBody(d, f, r, base, depth);
  if (rc) d.Within(f.name);
  return rc;
}

// The tag of the next value; 0 (never a component's tag) when the input ends first.
uint32_t PeekTag(const Reader &r, bool *ok) {
  Header h{};
  size_t hlen = 0;
  *ok = PeekHeader(r, h, &hlen) != kHeaderBad;
  return h.tag;
}

int DecodeSequence(Dec &d, const ber_type *t, Reader &inner, void *dst, int depth) {
  for (uint32_t i = 0; i < t->nfields; i++) {
    const ber_field &f = t->fields[i];
    bool optional = f.bit != BER_MANDATORY;
    bool ok = true;
    if (AtEnd(inner) || !FieldMatches(f, PeekTag(inner, &ok), depth)) {
      if (!ok) return d.Fail(t, "malformed identifier or length");
      if (optional) continue;
      d.Mark(inner.p);
      return d.err.Set(BER_E_DATA, "component %s missing", f.name);
    }
    if (f.bit >= 0) SetBit(t, dst, f.bit);
    if (int rc = DecodeField(d, f, inner, dst, depth)) return rc;
  }
  return 0;
}

int DecodeSequenceOf(Dec &d, const ber_type *t, Reader &inner, void *dst, int depth) {
  void **tail = static_cast<void **>(dst);
  size_t count = 0;
  while (!AtEnd(inner)) {
    void *node = d.Alloc(t->node_size);
    if (!node) return d.NoRoom(t);
    Store(tail, node);
    tail = static_cast<void **>(node);
    if (int rc = DecodeValue(d, t->elem, BER_NOTAG, inner, At(node, t->elem_offset), depth + 1)) {
      d.Within(nullptr, count);
      return rc;
    }
    count++;
  }
  return CheckSize(d, t, count);
}

int DecodeChoice(Dec &d, const ber_type *t, Reader &r, void *dst, int depth) {
  bool ok = true;
  uint32_t tag = PeekTag(r, &ok);
  d.Mark(r.p);
  if (!ok || r.p >= r.end) return d.Fail(t, "encoding ends early");
  for (uint32_t i = 0; i < t->nfields; i++) {
    if (!FieldMatches(t->fields[i], tag, depth)) continue;
    Store<uint16_t>(dst, static_cast<uint16_t>(i + 1));
    return DecodeField(d, t->fields[i], r, dst, depth);
  }
  return d.Fail(t, "no alternative has this tag");
}

int DecodeOpen(Dec &d, const ber_type *t, Reader &r, void *dst) {
  const uint8_t *start = r.p;
  d.Mark(start);
  HeaderResult res = Skip(r, 0);
  if (res != kHeaderOk) return d.Fail(t, "malformed open value");
  size_t n = static_cast<size_t>(r.p - start);
  if (n > INT32_MAX) return d.Fail(t, "open value too long");
  uint8_t *copy = d.AllocBytes(n);
  if (!copy) return d.NoRoom(t);
  std::memcpy(copy, start, n);
  Store(dst, ber_octets{static_cast<int32_t>(n), copy});
  return 0;
}

// A value whose header is its own (no explicit type tag to strip).
int DecodeBody(Dec &d, const ber_type *t, uint32_t tag, Reader &r, void *dst, int depth) {
  if (t->kind == BER_K_CHOICE || t->kind == BER_K_OPEN) {
    if (tag == BER_NOTAG)
      return t->kind == BER_K_CHOICE ? DecodeChoice(d, t, r, dst, depth) : DecodeOpen(d, t, r, dst);
    // A tag on a CHOICE or open value wraps it like an explicit one.
    Header h;
    Reader inner;
    if (int rc = Open(d, t, tag, r, h, inner)) return rc;
    if (!h.cons) return d.Fail(t, "primitive form of a tagged choice");
    if (int rc = DecodeBody(d, t, BER_NOTAG, inner, dst, depth + 1)) return rc;
    return Close(d, t, r, inner);
  }
  Header h;
  Reader inner;
  if (int rc = Open(d, t, tag, r, h, inner)) return rc;
  int rc;
  switch (t->kind) {
    case BER_K_SEQUENCE:
    case BER_K_SEQOF:
      if (!h.cons) return d.Fail(t, "primitive form of a constructed type");
      rc = t->kind == BER_K_SEQUENCE ? DecodeSequence(d, t, inner, dst, depth)
                                     : DecodeSequenceOf(d, t, inner, dst, depth);
      break;
    case BER_K_OCTETS:
    case BER_K_OCTETS_INLINE:
    case BER_K_CHARS:
    case BER_K_CHARS_INLINE:
    case BER_K_BITS:
      rc = DecodeString(d, t, h, inner, dst, depth);
      break;
    default:
      rc = DecodePrimitive(d, t, h, inner, dst);
      break;
  }
  if (rc) return rc;
  return Close(d, t, r, inner);
}

int DecodeValue(Dec &d, const ber_type *t, uint32_t implicit, Reader &r, void *dst, int depth) {
  if (depth > BER_MAX_DEPTH) return d.err.Set(BER_E_DEPTH, "nesting too deep");
  if (t->etag == BER_NOTAG)
    return DecodeBody(d, t, implicit != BER_NOTAG ? implicit : t->tag, r, dst, depth);
  Header h;
  Reader inner;
  if (int rc = Open(d, t, implicit != BER_NOTAG ? implicit : t->etag, r, h, inner)) return rc;
  if (!h.cons) return d.Fail(t, "explicit tag on a primitive form");
  if (int rc = DecodeBody(d, t, t->tag, inner, dst, depth + 1)) return rc;
  return Close(d, t, r, inner);
}

}  // namespace

int Decode(const ber_type *t, const uint8_t *in, size_t len, void **out, Error &err, Arena *arena) {
  *out = nullptr;
  if (!in && len) return err.Set(BER_E_ARG, "%s: null input", t->name);
  Dec d(err, kAllocFixed + kAllocPerByte * len, in, arena);
  void *value = d.Alloc(t->size);
  if (!value) return err.Set(BER_E_NOMEM, "%s: allocation refused", t->name);
  Reader r{in, in + len, false};
  int rc = DecodeValue(d, t, BER_NOTAG, r, value, 0);
  if (rc == 0 && r.p != r.end) {
    d.Mark(r.p);
    rc = d.Fail(t, "data after the end of the value");
  }
  if (rc) {
    Where(d, t, rc);
    if (arena) return rc;  // the arena's owner releases everything
    FreeContents(t, value);
    std::free(value);
    return rc;
  }
  *out = value;
  return 0;
}

}  // namespace kq::ber
