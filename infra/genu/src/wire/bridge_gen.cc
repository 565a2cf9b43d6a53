// Wire structure -> generic record, the mirror of bridge_ber.cc. Owned parts are
// linked into the record (pointer stored, list node appended) before they are filled,
// so the layout engine can delete a record left half-built by a failure.
#include <cstdlib>
#include <cstring>

#include "internal/ber_access.h"
#include "internal/stf_scratch.h"
#include "private/genu_wire_bridge.h"

namespace kq::genu {

using kq::ber::At;
using kq::ber::Load;
using kq::ber::Store;

namespace {

// Every part of a generic record comes from the process heap, zero-filled: the
// generic delete operations free them with the process free.
void *Zalloc(STF_statusList_t *status, size_t n) {
  void *p = calloc(1, n ? n : 1);
  if (!p) STF_AddStatus(status, GENU_ST_NO_MEMORY, 0);
  return p;
}

// Owned bytes on the process heap, with one zero byte after them; null for none.
int CopyBytes(STF_statusList_t *status, GEN_OctetString_t *out, const uint8_t *bytes,
              int32_t length) {
  if (length < 0 || (length > 0 && !bytes)) return WireBad(status);
  *out = GEN_OctetString_t{0, nullptr};
  if (length == 0) return 0;
  auto *copy = static_cast<unsigned char *>(Zalloc(status, static_cast<size_t>(length) + 1));
  if (!copy) return 1;
  memcpy(copy, bytes, static_cast<size_t>(length));
  *out = GEN_OctetString_t{length, copy};
  return 0;
}

int BytesToField(STF_statusList_t *status, const Field &f, void *p, const uint8_t *bytes,
                 int32_t n) {
  if (f.kind == FieldKind::kOctets)
    return CopyBytes(status, static_cast<GEN_OctetString_t *>(p), bytes, n);
  if (f.kind != FieldKind::kShortOct) return WireBad(status);
  if (n < 0 || static_cast<uint32_t>(n) > f.size) return STF__Fail(status, GENU_ST_TOO_LONG);
  Store<int16_t>(p, static_cast<int16_t>(n));
  if (n) memcpy(At(p, 2), bytes, static_cast<size_t>(n));
  return 0;
}

int StringToField(STF_statusList_t *status, const Field &f, void *p, const char *s) {
  if (!s) s = "";
  size_t n = strlen(s);
  if (f.kind == FieldKind::kChars) {
    if (n >= f.size) return STF__Fail(status, GENU_ST_TOO_LONG);
    memcpy(p, s, n + 1);
    return 0;
  }
  if (f.kind != FieldKind::kCStr) return WireBad(status);
  auto *copy = static_cast<char *>(Zalloc(status, n + 1));
  if (!copy) return 1;
  memcpy(copy, s, n + 1);
  Store<char *>(p, copy);
  return 0;
}

int StoreNumber(STF_statusList_t *status, const Field &f, void *p, int32_t v) {
  switch (f.kind) {
    case FieldKind::kI16:
      if (v < INT16_MIN || v > INT16_MAX) return WireBad(status);
      Store<int16_t>(p, static_cast<int16_t>(v));
      return 0;
    case FieldKind::kI32:
    case FieldKind::kU32:
      Store<int32_t>(p, v);
      return 0;
    default:
      return WireBad(status);
  }
}

int ScalarToGen(STF_statusList_t *status, const Field &f, const ber_type *t, const void *slot,
                void *g) {
  void *p = At(g, f.offset);
  switch (t->kind) {
    case BER_K_INT32:
      return StoreNumber(status, f, p, Load<int32_t>(slot));
    case BER_K_ENUM:  // only the named values are taken
      if (!EnumNamed(t, Load<int32_t>(slot))) return WireBad(status);
      return StoreNumber(status, f, p, Load<int32_t>(slot));
    case BER_K_INT16:
      return StoreNumber(status, f, p, Load<int16_t>(slot));
    case BER_K_BOOLEAN:
      return StoreNumber(status, f, p, Load<uint8_t>(slot) ? 1 : 0);
    case BER_K_OID:
      if (f.kind != FieldKind::kU32) return WireBad(status);
      return ToGEN_oid(status, static_cast<const ber_oid *>(slot), static_cast<uint32_t *>(p));
    case BER_K_REAL:
      if (f.kind != FieldKind::kF64) return WireBad(status);
      memcpy(p, slot, sizeof(double));
      return 0;
    case BER_K_OCTETS:
    case BER_K_OPEN: {
      auto o = Load<ber_octets>(slot);
      return BytesToField(status, f, p, o.value, o.length);
    }
    case BER_K_OCTETS_INLINE:
      return BytesToField(status, f, p, At(slot, 2), Load<uint16_t>(slot));
    case BER_K_CHARS_INLINE:
      return StringToField(status, f, p, static_cast<const char *>(slot));
    case BER_K_CHARS:
      return StringToField(status, f, p, Load<const char *>(slot));
    case BER_K_BITS: {
      if (f.kind != FieldKind::kBits) return WireBad(status);
      auto b = Load<ber_bits>(slot);
      GEN_OctetString_t o;
      if (b.length < 0 || CopyBytes(status, &o, b.value, (b.length + 7) / 8)) return 1;
      Store(p, GEN_BitString_t{b.length, o.value});
      return 0;
    }
    case BER_K_NULL:
      return 0;
    default:
      return WireBad(status);
  }
}

int FieldToGen(STF_statusList_t *status, const Field &f, const ber_type *t, const void *slot,
               void *g) {
  void *p = At(g, f.offset);
  switch (f.kind) {
    case FieldKind::kPtr: {
      void *part = Zalloc(status, f.sub->size);
      if (!part) return 1;
      Store<void *>(p, part);
      return PairToGen(status, f.sub, t, slot, part);
    }
    case FieldKind::kEmbed:
      return PairToGen(status, f.sub, t, slot, p);
    case FieldKind::kSeq: {
      if (t->kind != BER_K_SEQOF) return WireBad(status);
      auto **tail = static_cast<GEN_ValueSeq_t **>(p);
      for (const void *n = Load<const void *>(slot); n; n = Load<const void *>(n)) {
        auto *node = static_cast<GEN_ValueSeq_t *>(Zalloc(status, sizeof(GEN_ValueSeq_t)));
        if (!node) return 1;
        *tail = node;
        tail = &node->next;
        if (!(node->value = Zalloc(status, f.sub->size))) return 1;
        if (PairToGen(status, f.sub, t->elem, At(n, t->elem_offset), node->value)) return 1;
      }
      return 0;
    }
    case FieldKind::kAttr: {
      if (t != &kq_0b_d_Attribute) return WireBad(status);
      auto *a = static_cast<const Attribute *>(slot);
      return WireAttrToGen(status, a->type, a->values, true, static_cast<AS_attrHandle_t *>(p));
    }
    default:
      return ScalarToGen(status, f, t, slot, g);
  }
}

int FieldsToGen(STF_statusList_t *status, const Field *const *fields, uint32_t n, const ber_type *T,
                const void *w, void *g) {
  if (n == 1 && PairsWhole(*fields[0], T)) return FieldToGen(status, *fields[0], T, w, g);
  if (T->kind != BER_K_SEQUENCE || T->nfields != n) return WireBad(status);
  for (uint32_t i = 0; i < n; ++i) {
    const ber_field &wf = T->fields[i];
    if (!kq::ber::Present(T, wf, w)) continue;
    const void *slot = kq::ber::FieldValue(wf, w);
    if (!slot) return WireBad(status);
    if (FieldToGen(status, *fields[i], wf.type, slot, g)) return 1;
  }
  return 0;
}

}  // namespace

int PairToGen(STF_statusList_t *status, const Layout *L, const ber_type *T, const void *w,
              void *g) {
  if (const WireOverride *o = WireOverrideOf(L)) {
    if (!o->toGen(status, w, g)) return 0;
    memset(g, 0, L->size);  // the converter released its own parts
    return 1;
  }
  const Field *fields[16];
  if (L->maxChoice <= 0)
    return FieldsToGen(status, fields, FieldsOfChoice(L, 0, fields, 16), T, w, g);
  uint16_t c = Load<uint16_t>(w);
  if (!ChoiceFits(L, T, c)) return WireBad(status);
  Store<int32_t>(g, c);
  const ber_field &alt = T->fields[c - 1];
  const void *slot = kq::ber::FieldValue(alt, w);
  uint32_t n = FieldsOfChoice(L, c, fields, 16);
  if (n == 0) return alt.type->kind == BER_K_NULL ? 0 : WireBad(status);
  if (!slot) return WireBad(status);
  return FieldsToGen(status, fields, n, alt.type, slot, g);
}

int BridgeToGen(STF_statusList_t *status, const Layout *L, const ber_type *T, const void *wire,
                void *record) {
  if (!status) return 1;
  if (!wire || !record) return WireBad(status);
  memset(record, 0, L->size);
  if (!PairToGen(status, L, T, wire, record)) return 0;
  DeepDelete(kq::stf::ScratchList(), L, record, nullptr);
  memset(record, 0, L->size);
  return 1;
}

}  // namespace kq::genu
