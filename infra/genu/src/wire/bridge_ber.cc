// Generic record -> wire structure, walking the record's layout beside the wire
// type's descriptor (rules in genu_wire_bridge.h). Every part is linked into the wire
// structure (presence bit, choice number, list node) before it is filled, so a
// failure anywhere leaves a structure that kq::genu::WireRelease can take apart.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "internal/ber_access.h"
#include "private/genu_wire_bridge.h"

namespace kq::genu {

using kq::ber::At;
using kq::ber::Load;
using kq::ber::Store;

namespace {

template <typename T>
T Get(const void *base, uint32_t off) {
  return Load<T>(At(base, off));
}

// A 32-bit number of the record, whatever its width there.
int32_t Number(const Field &f, const void *g) {
  switch (f.kind) {
    case FieldKind::kI16:
      return Get<int16_t>(g, f.offset);
    default:
      return Get<int32_t>(g, f.offset);
  }
}

// Whether the record has the part a field describes, for an optional wire field.
bool HasPart(const Field &f, const void *g) {
  switch (f.kind) {
    case FieldKind::kPtr:
    case FieldKind::kCStr:
      return Get<void *>(g, f.offset) != nullptr;
    case FieldKind::kSeq:
      return Get<GEN_ValueSeq_t *>(g, f.offset) != nullptr;
    case FieldKind::kOctets:
    case FieldKind::kBits:
      return Get<int32_t>(g, f.offset) > 0;
    case FieldKind::kShortOct:
    case FieldKind::kI16:
      return Get<int16_t>(g, f.offset) != 0;
    case FieldKind::kChars:
      return Get<char>(g, f.offset) != 0;
    case FieldKind::kI32:
    case FieldKind::kU32:
      return Get<int32_t>(g, f.offset) != 0;
    default:
      return true;
  }
}

int CopyBytes(STF_statusList_t *status, void *slot, const uint8_t *bytes, int32_t length) {
  if (length < 0 || (length > 0 && !bytes)) return WireBad(status);
  ber_octets o{length, nullptr};
  if (length > 0) {
    o.value = static_cast<uint8_t *>(WireAlloc(static_cast<size_t>(length)));
    if (!o.value) return STF__Fail(status, GENU_ST_NO_MEMORY);
    memcpy(o.value, bytes, static_cast<size_t>(length));
  }
  Store(slot, o);
  return 0;
}

int StringToBer(STF_statusList_t *status, const char *s, const ber_type *t, void *slot) {
  if (!s) s = "";
  size_t n = strlen(s);
  if (t->upper && n > t->upper) return STF__Fail(status, GENU_ST_TOO_LONG);
  if (t->kind == BER_K_CHARS_INLINE) {
    memcpy(slot, s, n + 1);
    return 0;
  }
  char *copy = static_cast<char *>(WireAlloc(n + 1));
  if (!copy) return STF__Fail(status, GENU_ST_NO_MEMORY);
  memcpy(copy, s, n + 1);
  Store<void *>(slot, copy);
  return 0;
}

int FieldToBer(STF_statusList_t *status, const Field &f, const ber_type *t, void *slot,
               const void *g);

// A generic value sequence into a wire list, node by node.
int SeqToBer(STF_statusList_t *status, const Field &f, const ber_type *t, void *slot,
             const void *g) {
  if (t->kind != BER_K_SEQOF) return WireBad(status);
  void **tail = static_cast<void **>(slot);
  for (const GEN_ValueSeq_t *n = Get<GEN_ValueSeq_t *>(g, f.offset); n; n = n->next) {
    void *node = WireAlloc(t->node_size);
    if (!node) return STF__Fail(status, GENU_ST_NO_MEMORY);
    Store<void *>(tail, node);
    tail = static_cast<void **>(node);
    if (!n->value) return WireBad(status);
    if (PairToBer(status, f.sub, t->elem, At(node, t->elem_offset), n->value)) return 1;
  }
  return 0;
}

int ScalarToBer(STF_statusList_t *status, const Field &f, const ber_type *t, void *slot,
                const void *g) {
  const void *p = At(g, f.offset);
  switch (t->kind) {
    case BER_K_INT32:
    case BER_K_ENUM:
    case BER_K_INT16:
    case BER_K_BOOLEAN: {
      if (f.kind != FieldKind::kI32 && f.kind != FieldKind::kU32 && f.kind != FieldKind::kI16)
        return WireBad(status);
      int32_t v = Number(f, g);
      if (t->kind == BER_K_ENUM && !EnumNamed(t, v)) return WireBad(status);
      if (t->kind == BER_K_INT16) {
        if (v < INT16_MIN || v > INT16_MAX) return WireBad(status);
        Store<int16_t>(slot, static_cast<int16_t>(v));
      } else if (t->kind == BER_K_BOOLEAN) {
        Store<uint8_t>(slot, v ? 1 : 0);
      } else {
        Store<int32_t>(slot, v);
      }
      return 0;
    }
    case BER_K_OID:
      if (f.kind != FieldKind::kU32) return WireBad(status);
      return ToBER_oid(status, static_cast<ber_oid *>(slot), static_cast<const uint32_t *>(p));
    case BER_K_REAL:
      if (f.kind != FieldKind::kF64) return WireBad(status);
      memcpy(slot, p, sizeof(double));
      return 0;
    case BER_K_OCTETS:
    case BER_K_OPEN:
      if (f.kind == FieldKind::kOctets) {
        auto o = Load<GEN_OctetString_t>(p);
        return CopyBytes(status, slot, o.value, o.length);
      }
      if (f.kind == FieldKind::kShortOct)
        return CopyBytes(status, slot, At(p, 2), Load<int16_t>(p));
      return WireBad(status);
    case BER_K_OCTETS_INLINE: {
      int32_t n;
      const uint8_t *bytes;
      if (f.kind == FieldKind::kShortOct) {
        n = Load<int16_t>(p);
        bytes = At(p, 2);
      } else if (f.kind == FieldKind::kOctets) {
        auto o = Load<GEN_OctetString_t>(p);
        n = o.length;
        bytes = o.value;
      } else {
        return WireBad(status);
      }
      if (n < 0 || (n > 0 && !bytes)) return WireBad(status);
      if (static_cast<uint32_t>(n) > t->upper) return STF__Fail(status, GENU_ST_TOO_LONG);
      Store<uint16_t>(slot, static_cast<uint16_t>(n));
      if (n) memcpy(At(slot, 2), bytes, static_cast<size_t>(n));
      return 0;
    }
    case BER_K_CHARS_INLINE:
    case BER_K_CHARS:
      if (f.kind == FieldKind::kChars)
        return StringToBer(status, static_cast<const char *>(p), t, slot);
      if (f.kind == FieldKind::kCStr) return StringToBer(status, Load<const char *>(p), t, slot);
      return WireBad(status);
    case BER_K_BITS: {
      if (f.kind != FieldKind::kBits) return WireBad(status);
      auto b = Load<GEN_BitString_t>(p);
      if (b.bitLength < 0) return WireBad(status);
      if (CopyBytes(status, slot, b.bits, (b.bitLength + 7) / 8)) return 1;
      Store<int32_t>(slot, b.bitLength);
      return 0;
    }
    case BER_K_NULL:
      return 0;
    default:
      return WireBad(status);
  }
}

int FieldToBer(STF_statusList_t *status, const Field &f, const ber_type *t, void *slot,
               const void *g) {
  switch (f.kind) {
    case FieldKind::kPtr: {
      const void *part = Get<const void *>(g, f.offset);
      if (!part) return WireBad(status);
      return PairToBer(status, f.sub, t, slot, part);
    }
    case FieldKind::kEmbed:
      return PairToBer(status, f.sub, t, slot, At(g, f.offset));
    case FieldKind::kSeq:
      return SeqToBer(status, f, t, slot, g);
    case FieldKind::kAttr:
      if (t != &kq_0b_d_Attribute) return WireBad(status);
      return ToBER_Attr(status, static_cast<Attribute *>(slot), Get<AS_attrHandle_t>(g, f.offset),
                        GENU_AS_MODE_KEEP_EXT_ACL);
    default:
      return ScalarToBer(status, f, t, slot, g);
  }
}

// Where a component or alternative is filled: in place, or in a block of its own
// linked in first (null when that block cannot be had).
void *Slot(const ber_field &f, void *w) {
  void *slot = At(w, f.offset);
  if (!f.pointer) return slot;
  void *block = WireAlloc(f.type->size);
  if (block) Store<void *>(slot, block);
  return block;
}

// One component of a wire SEQUENCE from one field of the record.
int ComponentToBer(STF_statusList_t *status, const Field &f, const ber_type *T, const ber_field &wf,
                   void *w, const void *g) {
  if (wf.bit != BER_MANDATORY && !HasPart(f, g)) return 0;
  if (wf.bit >= 0) kq::ber::SetBit(T, w, wf.bit);
  void *slot = Slot(wf, w);
  if (!slot) return STF__Fail(status, GENU_ST_NO_MEMORY);
  return FieldToBer(status, f, wf.type, slot, g);
}

int FieldsToBer(STF_statusList_t *status, const Field *const *fields, uint32_t n, const ber_type *T,
                void *w, const void *g) {
  if (n == 1 && PairsWhole(*fields[0], T)) return FieldToBer(status, *fields[0], T, w, g);
  if (T->kind != BER_K_SEQUENCE || T->nfields != n) return WireBad(status);
  for (uint32_t i = 0; i < n; ++i)
    if (ComponentToBer(status, *fields[i], T, T->fields[i], w, g)) return 1;
  return 0;
}

}  // namespace

uint32_t FieldsOfChoice(const Layout *L, int32_t c, const Field **out, uint32_t max) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < L->fieldCount; ++i) {
    const Field &f = L->fields[i];
    bool in = L->maxChoice <= 0 || f.when == 0 ||
              (c >= f.when && c <= (f.whenLast ? f.whenLast : f.when));
    if (in && n < max) out[n++] = &f;
  }
  return n;
}

int PairToBer(STF_statusList_t *status, const Layout *L, const ber_type *T, void *w,
              const void *g) {
  if (const WireOverride *o = WireOverrideOf(L)) {
    if (!o->toBer(status, w, g)) return 0;
    memset(w, 0, T->size);  // the converter released its own parts
    return 1;
  }
  const Field *fields[16];
  if (L->maxChoice <= 0)
    return FieldsToBer(status, fields, FieldsOfChoice(L, 0, fields, 16), T, w, g);
  int32_t c = Get<int32_t>(g, 0);
  if (!ChoiceFits(L, T, c)) return WireBad(status);
  Store<uint16_t>(w, static_cast<uint16_t>(c));
  const ber_field &alt = T->fields[c - 1];
  void *slot = Slot(alt, w);
  if (!slot) return STF__Fail(status, GENU_ST_NO_MEMORY);
  uint32_t n = FieldsOfChoice(L, c, fields, 16);
  if (n == 0) return alt.type->kind == BER_K_NULL ? 0 : WireBad(status);
  return FieldsToBer(status, fields, n, alt.type, slot, g);
}

int BridgeToBer(STF_statusList_t *status, const Layout *L, const ber_type *T, void *wire,
                const void *record) {
  if (!status) return 1;
  if (!wire || !record) return WireBad(status);
  memset(wire, 0, T->size);
  if (!PairToBer(status, L, T, wire, record)) return 0;
  WireRelease(T, wire);
  return 1;
}

void WireRelease(const ber_type *T, void *v) {
  switch (T->kind) {
    case BER_K_OCTETS:
    case BER_K_OPEN:
    case BER_K_BITS:
    case BER_K_CHARS:
      WireFree(Load<void *>(At(v, T->kind == BER_K_CHARS ? 0 : offsetof(ber_octets, value))));
      break;
    case BER_K_SEQUENCE:
      for (uint32_t i = 0; i < T->nfields; i++) {
        const ber_field &f = T->fields[i];
        if (!kq::ber::Present(T, f, v)) continue;
        void *slot = At(v, f.offset);
        void *part = f.pointer ? Load<void *>(slot) : slot;
        if (!part) continue;
        WireRelease(f.type, part);
        if (f.pointer) WireFree(part);
      }
      break;
    case BER_K_CHOICE:
      if (const ber_field *alt = kq::ber::Chosen(T, v)) {
        void *slot = At(v, alt->offset);
        void *part = alt->pointer ? Load<void *>(slot) : slot;
        if (part) WireRelease(alt->type, part);
        if (alt->pointer) WireFree(part);
      }
      break;
    case BER_K_SEQOF:
      for (void *n = Load<void *>(v); n;) {
        void *next = Load<void *>(n);
        WireRelease(T->elem, At(n, T->elem_offset));
        WireFree(n);
        n = next;
      }
      break;
    default:  // inline values; identifier bytes belong to the identifier table
      break;
  }
  memset(v, 0, T->size);
}

}  // namespace kq::genu
