// Single attributes and assertions: an attribute in its wire form on its own (as
// filter items and ignored attributes carry it), and the one-value assertion.
#include <cstdlib>
#include <cstring>

#include "private/genu_wire_int.h"

namespace genu = kq::genu;

extern "C" {

int ToBER_AVA(STF_statusList_t *status, Attribute *out, AS_attrHandle_t attr) {
  return ToBER_Attr(status, out, attr, GENU_AS_MODE_KEEP_EXT_ACL);
}

int ToGEN_Attr(STF_statusList_t *status, const ber_oid *type, Attribute_values const *values,
               AS_attrHandle_t *attrOut) {
  if (attrOut) *attrOut = AS_nullAttrHandle;
  if (!type || !values) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;
  return genu::WireAttrToGen(status, *type, *values, true, attrOut);
}

int ToGEN_AVA(STF_statusList_t *status, const Attribute *in, AS_attrHandle_t *attrOut) {
  if (attrOut) *attrOut = AS_nullAttrHandle;
  if (!in) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;
  return ToGEN_Attr(status, &in->type, &in->values, attrOut);
}

int ToBER_IfwAVA(STF_statusList_t *status, AttributeValueAssertion *out, AS_attrHandle_t attr) {
  if (out) *out = AttributeValueAssertion{};
  if (!status) return 1;
  if (!out) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (attr == AS_nullAttrHandle) return STF__Fail(status, GENU_ST_SET_ACCESS);
  uint32_t shoid = 0, type = 0;
  GENU_berOid_t ber{0, nullptr};
  if (AS_GetAttrIDR(status, attr, &shoid) || GENU_ShortToBerOID(status, shoid, &ber))
    return STF__Fail(status, GENU_ST_OID_CONVERT);
  AS_attrValHandle_t val = AS_nullAttrValHandle;
  void *value = nullptr;
  if (AS_GetAttrValTypeR(status, attr, &type) || AS_FindFirstAttrValR(status, attr, &val, &value))
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  AS_FreeAttrValHandle(status, &val);
  OssBuf encoded{0, nullptr};
  if (JQP_PackAV(status, type, value, &encoded)) return 1;
  out->type = ber_oid{ber.length, const_cast<uint8_t *>(ber.value)};
  out->value = ber_octets{encoded.length, encoded.value};
  return 0;
}

int FreeBER_ifwAVA(STF_statusList_t *status, AttributeValueAssertion *wire) {
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  free(wire->value.value);  // encoded bytes live on the process heap
  wire->value = ber_octets{0, nullptr};
  return 0;
}

int ToGEN_IfwAVA(STF_statusList_t *status, const AttributeValueAssertion *in,
                 AS_attrHandle_t *attrOut) {
  if (attrOut) *attrOut = AS_nullAttrHandle;
  if (!in) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;
  Attribute_values_node one{nullptr, in->value};
  return genu::WireAttrToGen(status, in->type, &one, false, attrOut);
}

// An ignored attribute: an optional document number and one attribute, which is
// always sent with its ext access control lists as they are.
int ToBER_ignoredAttribute(STF_statusList_t *status, IgnoredAttribute *out,
                           const GEN_IgnoredAttribute_t *in) {
  if (out) *out = IgnoredAttribute{};
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (in->documentNumber) {
    out->bit_mask = 0x80;
    out->document_number = *in->documentNumber;
  }
  return ToBER_Attr(status, &out->attribute, in->attribute, GENU_AS_MODE_KEEP_EXT_ACL);
}

int FreeBER_ignoredAttribute(STF_statusList_t *status, IgnoredAttribute *wire) {
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  return FreeBER_Attr(status, &wire->attribute);
}

int ToGEN_ignoredAttribute(STF_statusList_t *status, const IgnoredAttribute *in,
                           GEN_IgnoredAttribute_t *out) {
  if (out) *out = GEN_IgnoredAttribute_t{nullptr, AS_nullAttrHandle};
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (in->bit_mask & 0x80) {
    out->documentNumber = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    if (!out->documentNumber) return STF__Fail(status, GENU_ST_NO_MEMORY);
    *out->documentNumber = in->document_number;
  }
  if (ToGEN_AVA(status, &in->attribute, &out->attribute)) {
    free(out->documentNumber);
    out->documentNumber = nullptr;
    return 1;
  }
  return 0;
}

}  // extern "C"
