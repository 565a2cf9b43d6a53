// The printer: one line per field, nested values indented by two spaces.
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "internal/ber_access.h"
#include "internal/ber_coder.h"

namespace kq::ber {
namespace {

void Appendf(std::string &out, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void Appendf(std::string &out, const char *fmt, ...) {
  char buf[128];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n > 0) out.append(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
}

void Hex(std::string &out, const uint8_t *p, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  out += '\'';
  for (size_t i = 0; i < n; i++) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  out += "'H";
}

void Text(std::string &out, const char *p, size_t n) {
  out += '"';
  for (size_t i = 0; i < n; i++) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      Appendf(out, "\\x%02x", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// Arcs are printed exactly in decimal up to this many base-128 groups (about 2 100
// decimal digits); longer ones are marked with their size, never printed wrongly.
constexpr size_t kMaxArcGroups = 1000;
constexpr uint32_t kLimb = 1000000000;

// Appends one subidentifier, the base-128 groups [p, p + n), less `minus` (which the
// caller knows it holds: the first arc pair's part).
void Arc(std::string &out, const uint8_t *p, size_t n, uint32_t minus) {
  if (n <= 9) {  // 63 bits at most
    uint64_t arc = 0;
    for (size_t i = 0; i < n; i++) arc = (arc << 7) | (p[i] & 0x7f);
    Appendf(out, " %" PRIu64, arc - minus);
    return;
  }
  if (n > kMaxArcGroups) {
    Appendf(out, " <arc of %zu bits>", n * 7);
    return;
  }
  std::vector<uint32_t> limbs{0};  // base 10^9, least significant first
  for (size_t i = 0; i < n; i++) {
    uint64_t carry = p[i] & 0x7f;
    for (uint32_t &limb : limbs) {
      uint64_t v = uint64_t{limb} * 128 + carry;
      limb = static_cast<uint32_t>(v % kLimb);
      carry = v / kLimb;
    }
    if (carry) limbs.push_back(static_cast<uint32_t>(carry));
  }
  for (size_t i = 0; minus; i++) {  // borrow through the limbs
    uint32_t take = minus;
    minus = limbs[i] < take ? 1 : 0;
    limbs[i] = limbs[i] < take ? limbs[i] + (kLimb - take) : limbs[i] - take;
  }
  while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();
  Appendf(out, " %u", limbs.back());
  for (size_t i = limbs.size() - 1; i-- > 0;) Appendf(out, "%09u", limbs[i]);
}

// Dotted form of object identifier contents; the first arc pair is split as X.690 says.
void Oid(std::string &out, const uint8_t *p, size_t n) {
  out += '{';
  size_t start = 0;
  for (size_t i = 0; i < n; i++) {
    if (p[i] & 0x80) continue;
    const uint8_t *arc = p + start;
    size_t len = i + 1 - start;
    if (start == 0) {
      // Below 80 the pair is read from the value; from 80 on the first arc is 2.
      size_t lead = 0;
      while (lead + 1 < len && (arc[lead] & 0x7f) == 0) lead++;
      uint32_t small = len - lead == 1 ? arc[lead] : 80;
      uint32_t top = small < 40 ? 0 : small < 80 ? 1 : 2;
      Appendf(out, " %u", top);
      Arc(out, arc, len, 40 * top);
    } else {
      Arc(out, arc, len, 0);
    }
    start = i + 1;
  }
  if (start < n) out += " <unfinished arc>";
  out += " }";
}

void Line(std::string &out, int indent, const char *name) {
  out.append(static_cast<size_t>(indent) * 2, ' ');
  out += name;
  out += ' ';
}

void PrintValue(std::string &out, const ber_type *t, const void *v, const char *name, int indent);

void PrintField(std::string &out, const ber_field &f, const void *base, int indent) {
  const void *fv = FieldValue(f, base);
  if (!fv) {
    Line(out, indent, f.name);
    out += "<null>\n";
    return;
  }
  PrintValue(out, f.type, fv, f.name, indent);
}

void PrintValue(std::string &out, const ber_type *t, const void *v, const char *name, int indent) {
  if (t->kind == BER_K_CHOICE) {
    const ber_field *alt = Chosen(t, v);
    if (!alt) {
      Line(out, indent, name);
      Appendf(out, "<bad choice %u>\n", Load<uint16_t>(v));
      return;
    }
    Line(out, indent, name);
    out += ": {\n";
    PrintField(out, *alt, v, indent + 1);
    out.append(static_cast<size_t>(indent) * 2, ' ');
    out += "}\n";
    return;
  }
  Line(out, indent, name);
  switch (t->kind) {
    case BER_K_BOOLEAN:
      out += Load<uint8_t>(v) ? "TRUE" : "FALSE";
      break;
    case BER_K_INT16:
      Appendf(out, "%d", Load<int16_t>(v));
      break;
    case BER_K_INT32:
      Appendf(out, "%d", Load<int32_t>(v));
      break;
    case BER_K_ENUM: {
      int32_t e = Load<int32_t>(v);
      const char *nm = nullptr;
      for (uint32_t i = 0; i < t->nnames; i++)
        if (t->names[i].value == e) nm = t->names[i].name;
      if (nm)
        Appendf(out, "%s(%d)", nm, e);
      else
        Appendf(out, "%d", e);
      break;
    }
    case BER_K_CARD64: {
      ber_card64 c = Load<ber_card64>(v);
      Appendf(out, "%" PRIu64, (uint64_t(c.high) << 32) | c.low);
      break;
    }
    case BER_K_REAL:
      Appendf(out, "%.17g", Load<double>(v));
      break;
    case BER_K_NULL:
      out += "NULL";
      break;
    case BER_K_OCTETS:
    case BER_K_OPEN: {
      ber_octets o = Load<ber_octets>(v);
      if (o.length > 0 && o.value)
        Hex(out, o.value, static_cast<size_t>(o.length));
      else
        out += "''H";
      break;
    }
    case BER_K_OCTETS_INLINE:
      Hex(out, At(v, 2), Load<uint16_t>(v));
      break;
    case BER_K_CHARS_INLINE: {
      const char *s = static_cast<const char *>(v);
      Text(out, s, strnlen(s, t->upper + 1));
      break;
    }
    case BER_K_CHARS: {
      const char *s = Load<const char *>(v);
      if (s)
        Text(out, s, strlen(s));
      else
        out += "<null>";
      break;
    }
    case BER_K_OID: {
      ber_oid o = Load<ber_oid>(v);
      if (o.value)
        Oid(out, o.value, o.length);
      else
        out += "<null>";
      break;
    }
    case BER_K_BITS: {
      ber_bits b = Load<ber_bits>(v);
      if (b.value) Hex(out, b.value, (static_cast<size_t>(b.length) + 7) / 8);
      Appendf(out, " (%d bits)", b.length);
      break;
    }
    case BER_K_SEQUENCE:
      out += "{\n";
      for (uint32_t i = 0; i < t->nfields; i++)
        if (Present(t, t->fields[i], v)) PrintField(out, t->fields[i], v, indent + 1);
      out.append(static_cast<size_t>(indent) * 2, ' ');
      out += '}';
      break;
    case BER_K_SEQOF:
      out += "{\n";
      for (const uint8_t *n = Load<const uint8_t *>(v); n; n = Load<const uint8_t *>(n))
        PrintValue(out, t->elem, n + t->elem_offset, "-", indent + 1);
      out.append(static_cast<size_t>(indent) * 2, ' ');
      out += '}';
      break;
  }
  out += '\n';
}

}  // namespace

std::string Print(const ber_type *t, const void *value) {
  std::string out;
  PrintValue(out, t, value, t->name, 0);
  return out;
}

}  // namespace kq::ber
