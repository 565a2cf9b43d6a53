// Directory names: a sequence of relative names, each a set of (type, value) pairs
// whose value travels as an open value. The print system's own names hold Text
// values, encoded by themselves; the other form keeps each value as encoded bytes.
#include "x400_values.h"

namespace genu = kq::genu;
namespace x400 = kq::genu::x400;

namespace {

// A Text value travels encoded by itself under the Text record number.
const x400::ValueRow kText = {.first = 0,
                              .last = 0,
                              .pdu = Text_PDU,
                              .name = "Text",
                              .wireSize = sizeof(Text),
                              .recordSize = sizeof(GEN_Text_t),
                              .isString = false,
                              .toWire = x400::ToWireVia<Text, GEN_Text_t, ToBER_text>,
                              .toGen = x400::ToGenVia<Text, GEN_Text_t, ToGEN_text>,
                              .layout = &genu::kTextLayout};

int TextToOpen(STF_statusList_t *status, ber_octets *out, const GEN_Text_t *in) {
  OssBuf encoded{0, nullptr};
  return x400::EncodeValue(status, kText, &encoded, in) || x400::ToOpenValue(status, &encoded, out);
}

int OpenToText(STF_statusList_t *status, const ber_octets *in, GEN_Text_t *out) {
  OssBuf encoded{in->length, in->value};
  return x400::DecodeInto(status, kText, &encoded, out);
}

int ReleaseValue(STF_statusList_t *status, AttributeTypeAndValue *wire) {
  return FreeBER_Any(status, &wire->value);
}

// The component whose value is already encoded: copied as it is; an empty value
// has no encoding and is refused.
int ObjComponentToWire(STF_statusList_t *status, AttributeTypeAndValue *out,
                       const GEN_ObjNameComponent_t *in) {
  *out = AttributeTypeAndValue{};
  if (in->value.length <= 0) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return ToBER_oid(status, &out->type, &in->type) || ToBER_Any(status, &out->value, &in->value);
}
int ObjComponentToGen(STF_statusList_t *status, const AttributeTypeAndValue *in,
                      GEN_ObjNameComponent_t *out) {
  *out = GEN_ObjNameComponent_t{};
  return ToGEN_oid(status, &in->type, &out->type) || ToGEN_Any(status, &in->value, &out->value);
}

using RdnNode = RelativeDistinguishedName_node;

}  // namespace

extern "C" {

int ToBER_NameComponent(STF_statusList_t *status, AttributeTypeAndValue *out,
                        const GEN_NameComponent_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = AttributeTypeAndValue{};
  return ToBER_oid(status, &out->type, &in->type) || TextToOpen(status, &out->value, &in->value);
}

int ToGEN_NameComponent(STF_statusList_t *status, const AttributeTypeAndValue *in,
                        GEN_NameComponent_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  return ToGEN_oid(status, &in->type, &out->type) || OpenToText(status, &in->value, &out->value);
}

int FreeBER_NameComponent(STF_statusList_t *status, AttributeTypeAndValue *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  return ReleaseValue(status, wire);
}

// The three list pairs share one shape: a generic value sequence and a chain.
#define GENU_X400_CHAIN(N, Node, Record, Element, L, toBer, toGen, release)                       \
  int ToBER_##N(STF_statusList_t *status, Node **out, const Record *in) {                         \
    if (!status) return 1;                                                                        \
    if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);                                 \
    return x400::SeqToWire<Node, Element, toBer, release>(status, out, in->first);                \
  }                                                                                               \
  int ToGEN_##N(STF_statusList_t *status, Node *const *in, Record *out) {                         \
    if (!status) return 1;                                                                        \
    if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);                                 \
    return x400::ChainToSeq<Node, Element, &genu::k##L##Layout, toGen>(status, *in, &out->first); \
  }                                                                                               \
  int FreeBER_##N(STF_statusList_t *status, Node **wire) {                                        \
    if (!status) return 1;                                                                        \
    return x400::FreeChain<Node, release>(status, wire);                                          \
  }
GENU_X400_CHAIN(DpaRDN, RdnNode, GEN_SetOfNameComponent_t, GEN_NameComponent_t, NameComponent,
                ToBER_NameComponent, ToGEN_NameComponent, ReleaseValue)
GENU_X400_CHAIN(RDN, RdnNode, GEN_SetOfObjNameComponent_t, GEN_ObjNameComponent_t, ObjNameComponent,
                ObjComponentToWire, ObjComponentToGen, ReleaseValue)
GENU_X400_CHAIN(DpaRDNSeq, RDNSequence_node, GEN_RdnSeq_t, GEN_SetOfNameComponent_t,
                SetOfNameComponent, ToBER_DpaRDN, ToGEN_DpaRDN, FreeBER_DpaRDN)
#undef GENU_X400_CHAIN

int ToBER_name(STF_statusList_t *status, RDNSequence_node **out, const GEN_Name_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  if (in->choice != 1) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return ToBER_DpaRDNSeq(status, out, &in->rdnSequence);
}

int ToGEN_name(STF_statusList_t *status, RDNSequence_node *const *in, GEN_Name_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = 1;
  return ToGEN_DpaRDNSeq(status, in, &out->rdnSequence);
}

int FreeBER_name(STF_statusList_t *status, RDNSequence_node **wire) {
  return FreeBER_DpaRDNSeq(status, wire);
}

}  // extern "C"
