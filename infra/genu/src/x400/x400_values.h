// Extension attribute values: the row describing one kind of value, and the encode
// and decode mechanism shared by the Encode_/Decode_ pairs and the extension
// attribute converters.
#ifndef KQ_INFRA_GENU_SRC_X400_X400_VALUES_H
#define KQ_INFRA_GENU_SRC_X400_X400_VALUES_H

#include "x400_int.h"

namespace kq::genu::x400 {

struct ValueRow {
  int32_t first, last;  // the extension attribute types using this row
  int pdu;
  const char *name;  // as in Encode_<name>
  size_t wireSize;
  size_t recordSize;
  bool isString;  // a NUL-terminated string, possibly shorter than recordSize
  int (*toWire)(STF_statusList_t *, void *wire, const void *record);
  int (*toGen)(STF_statusList_t *, const void *wire, void *record);
  int (*release)(STF_statusList_t *, void *wire) = nullptr;  // null: the wire owns nothing
  const Layout *layout = nullptr;  // the generic record's layout when it owns parts
};

// Adapters from a typed converter to a row's untyped one.
template <typename W, typename G, int (*F)(STF_statusList_t *, W *, const G *)>
int ToWireVia(STF_statusList_t *s, void *w, const void *r) {
  return F(s, static_cast<W *>(w), static_cast<const G *>(r));
}
template <typename W, typename G, int (*F)(STF_statusList_t *, const W *, G *)>
int ToGenVia(STF_statusList_t *s, const void *w, void *r) {
  return F(s, static_cast<const W *>(w), static_cast<G *>(r));
}
template <typename W, int (*F)(STF_statusList_t *, W *)>
int ReleaseVia(STF_statusList_t *s, void *w) {
  return F(s, static_cast<W *>(w));
}

// The row of extension attribute type `type`, null for an unknown type.
const ValueRow *ValueRowOf(int32_t type);
// The generic record to its encoded bytes (the coder's, free with free).
int EncodeValue(STF_statusList_t *status, const ValueRow &row, OssBuf *out, const void *record);
// Encoded bytes into the zero-filled generic record `record` (left empty on failure).
int DecodeInto(STF_statusList_t *status, const ValueRow &row, const OssBuf *in, void *record);
// Encoded bytes to a new flat generic record of row.recordSize bytes (free with free).
int DecodeValue(STF_statusList_t *status, const ValueRow &row, const OssBuf *in, void **out);
// Moves the coder's bytes (always released) into an open value of the world's.
int ToOpenValue(STF_statusList_t *status, OssBuf *encoded, ber_octets *out);

}  // namespace kq::genu::x400

#endif
