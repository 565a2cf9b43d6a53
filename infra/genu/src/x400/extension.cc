// Extension attributes: the type and the generic record of its value on one side,
// the type and the value encoded by itself on the wire.
#include "x400_values.h"

namespace genu = kq::genu;
namespace x400 = kq::genu::x400;

namespace {

// The generic value of `row` as a record of the row's size: a string may be shorter
// than its buffer (it is NUL-terminated inside), any other record has its exact size.
int RecordOf(STF_statusList_t *status, const x400::ValueRow &row, const GEN_OctetString_t &value,
             unsigned char *record) {
  size_t length = static_cast<size_t>(value.length);
  if (value.length <= 0 || !value.value ||
      (row.isString ? length > row.recordSize : length != row.recordSize))
    return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(record, 0, row.recordSize);
  memcpy(record, value.value, length);
  return 0;
}

}  // namespace

extern "C" {

int ToBER_extensionAttr(STF_statusList_t *status, ExtensionAttribute *out,
                        const GEN_ExtensionAttr_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = ExtensionAttribute{0, {0, nullptr}};
  const x400::ValueRow *row = x400::ValueRowOf(in->type);
  if (!row) return STF__Fail(status, GENU_ST_X400_EXTENSION_TYPE);
  alignas(max_align_t) unsigned char record[1024];
  static_assert(sizeof(GEN_DomainDefinedAttrs_t) <= sizeof record, "largest extension value");
  OssBuf encoded{0, nullptr};
  ber_octets value{0, nullptr};
  if (RecordOf(status, *row, in->value, record) ||
      x400::EncodeValue(status, *row, &encoded, record) ||
      x400::ToOpenValue(status, &encoded, &value))
    return 1;
  out->extension_attribute_type = static_cast<int16_t>(in->type);
  out->extension_attribute_value = value;
  return 0;
}

int ToGEN_extensionAttr(STF_statusList_t *status, const ExtensionAttribute *in,
                        GEN_ExtensionAttr_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = GEN_ExtensionAttr_t{0, {0, nullptr}};
  const x400::ValueRow *row = x400::ValueRowOf(in->extension_attribute_type);
  if (!row) return STF__Fail(status, GENU_ST_X400_EXTENSION_TYPE);
  OssBuf encoded{in->extension_attribute_value.length, in->extension_attribute_value.value};
  void *record = nullptr;
  if (x400::DecodeValue(status, *row, &encoded, &record)) return 1;
  out->type = in->extension_attribute_type;
  out->value = GEN_OctetString_t{static_cast<int32_t>(row->recordSize),
                                 static_cast<unsigned char *>(record)};
  return 0;
}

int FreeBER_extensionAttr(STF_statusList_t *status, ExtensionAttribute *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  genu::WireFree(wire->extension_attribute_value.value);
  wire->extension_attribute_value = ber_octets{0, nullptr};
  return 0;
}

int ToBER_extensionAttributes(STF_statusList_t *status, ExtensionAttributes_node **out,
                              const GEN_ExtensionAttrs_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return x400::SeqToWire<ExtensionAttributes_node, GEN_ExtensionAttr_t, ToBER_extensionAttr,
                         FreeBER_extensionAttr>(status, out, in->first);
}

int ToGEN_extensionAttributes(STF_statusList_t *status, ExtensionAttributes_node *const *in,
                              GEN_ExtensionAttrs_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return x400::ChainToSeq<ExtensionAttributes_node, GEN_ExtensionAttr_t,
                          &genu::kExtensionAttrLayout, ToGEN_extensionAttr>(status, *in,
                                                                            &out->first);
}

int FreeBER_extensionAttributes(STF_statusList_t *status, ExtensionAttributes_node **wire) {
  if (!status) return 1;
  return x400::FreeChain<ExtensionAttributes_node, FreeBER_extensionAttr>(status, wire);
}

}  // extern "C"
