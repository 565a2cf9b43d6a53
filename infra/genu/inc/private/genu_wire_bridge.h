// Converting any generic record to its wire structure and back by walking two
// descriptions side by side: the record's layout (genu_layout.h) and the wire type's
// descriptor (ber_desc.h).
//
// Pairing rules, applied recursively:
// - a record with its own converter (the override table) uses it;
// - a choice record pairs with a wire CHOICE: the same choice number, and the
//   record's fields of that choice with the alternative (one field: the alternative
//   itself; several: the fields of the alternative's SEQUENCE, in order);
// - any other record pairs with a wire SEQUENCE field by field, in order; a record of
//   one field pairs that field with the wire type itself (wrappers, sequences);
// - an owned optional part (null when absent) or an inline part that is empty (zero
//   number, zero length, empty list) is an optional wire field left out;
// - sequences pair with SEQUENCE OF; attribute handles with the wire Attribute;
//   32-bit numbers with INTEGER or ENUMERATED, or with an OBJECT IDENTIFIER as short
//   identifiers; strings and octets with the wire strings of the same kind.
//
// A conversion that fails releases what it built: the wire side through
// kq::genu::WireRelease, the generic side through the layout engine.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_BRIDGE_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_BRIDGE_H

#include "internal/ber_desc.h"
#include "private/genu_layout.h"
#include "private/genu_wire_int.h"

namespace kq::genu {

typedef int (*ToBerFn)(STF_statusList_t *status, void *wire, const void *record);
typedef int (*ToGenFn)(STF_statusList_t *status, const void *wire, void *record);

// A record converted by a converter of its own.
struct WireOverride {
  const Layout *layout;
  ToBerFn toBer;
  ToGenFn toGen;
};
// The converter of `layout`, or null.
const WireOverride *WireOverrideOf(const Layout *layout);
// The records whose conversion is written out by hand (wire/external.cc).
extern const WireOverride kExternalOverride, kSocketOverride;

// Both directions fill a structure the caller owns; 0 or 1 with the reason added.
int BridgeToBer(STF_statusList_t *status, const Layout *L, const ber_type *T, void *wire,
                const void *record);
int BridgeToGen(STF_statusList_t *status, const Layout *L, const ber_type *T, const void *wire,
                void *record);
// Whether the only field of a record (or of a choice) pairs with the wire type as a
// whole rather than with the first component of a wire SEQUENCE.
inline bool PairsWhole(const Field &f, const ber_type *T) {
  return T->kind != BER_K_SEQUENCE || f.kind == FieldKind::kEmbed || f.kind == FieldKind::kPtr ||
         f.kind == FieldKind::kAttr;
}
// Whether choice `c` of a choice record exists both in its layout and in its wire
// CHOICE type.
inline bool ChoiceFits(const Layout *L, const ber_type *T, int32_t c) {
  return T->kind == BER_K_CHOICE && c >= 1 && c <= L->maxChoice &&
         static_cast<uint32_t>(c) <= T->nfields;
}
// Whether an ENUMERATED value is one of the type's named values.
inline bool EnumNamed(const ber_type *t, int32_t v) {
  if (!t->names) return true;
  for (uint32_t i = 0; i < t->nnames; ++i)
    if (t->names[i].value == v) return true;
  return false;
}
// The fields of a record that belong to choice `c` (every field of a record without
// choices, and fields common to all choices); fills up to `max`, returns the count.
uint32_t FieldsOfChoice(const Layout *L, int32_t c, const Field **out, uint32_t max);
// Releases what a conversion to the wire allocated in `wire` (identifier bytes belong
// to the identifier table and are left alone) and zero-fills it.
void WireRelease(const ber_type *T, void *wire);
// The inner steps, for converters that hold part of a record themselves: they neither
// zero-fill nor clean up on failure (the outermost call does).
int PairToBer(STF_statusList_t *status, const Layout *L, const ber_type *T, void *wire,
              const void *record);
int PairToGen(STF_statusList_t *status, const Layout *L, const ber_type *T, const void *wire,
              void *record);

}  // namespace kq::genu

#endif
