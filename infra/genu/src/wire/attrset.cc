// Attribute sets to wire attribute lists and back. Each attribute becomes its
// identifier and the list of its values, each value packed by itself under the
// attribute's value type; the way back unpacks every value under the type the
// identifier registry gives for the attribute.
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace {

constexpr uint32_t kExtACL = 89, kACL = 85;

// Releases a list of encoded values: the bytes, then the node.
template <typename ValNode>
void FreeValues(ValNode **head) {
  for (ValNode *n = *head; n;) {
    ValNode *next = n->next;
    free(n->value.value);  // encoded bytes live on the process heap
    genu::WireFree(n);
    n = next;
  }
  *head = nullptr;
}

// Packs one value (an ext access control list as an access control list unless
// `mode` is 1001) into a new node appended at *tail.
template <typename ValNode>
int PackValue(STF_statusList_t *status, uint32_t type, const void *value, uint32_t mode,
              ValNode ***tail) {
  auto *node = static_cast<ValNode *>(genu::WireAlloc(sizeof(ValNode)));
  if (!node) return STF__Fail(status, GENU_ST_NO_MEMORY);
  GEN_PSISAccessControlList_t *converted = nullptr;
  OssBuf encoded{0, nullptr};
  int failed = 0;
  if (type == kExtACL && mode != 1001) {
    failed = GENU_ACLToPSIS(status, &converted, static_cast<const GEN_ExtACL_t *>(value)) != 0;
    if (!failed) failed = JQP_PackAV(status, kACL, converted, &encoded);
    if (converted) GENU__DeleteAttrVal(kq::stf::ScratchList(), kACL, converted, nullptr);
  } else {
    failed = JQP_PackAV(status, type, value, &encoded);
  }
  if (failed) {
    genu::WireFree(node);
    return 1;
  }
  node->value = ber_octets{encoded.length, encoded.value};
  **tail = node;
  *tail = &node->next;
  return 0;
}

// Creates the set the wire attributes go into.
int NewSet(STF_statusList_t *status, AS_setHandle_t *set, uint32_t duplicates) {
  if (AS_Create(status, set, &genu_sysAllocator, duplicates))
    return STF__Fail(status, GENU_ST_NO_MEMORY);
  return 0;
}

// Adds one wire attribute with its values to `set`; the attribute handle is given
// back (or kept in *attrOut when asked for).
template <typename ValNode>
int AddAttribute(STF_statusList_t *status, AS_setHandle_t set, const ber_oid &type,
                 const ValNode *values, AS_attrHandle_t *attrOut, bool convertAcl = true) {
  uint32_t shoid = 0, valueType = 0;
  GENU_berOid_t ber{type.length, type.value};
  if (GENU_BerToShortOID(status, &ber, &shoid) || GENU_AttrIdToType(status, shoid, &valueType))
    return STF__Fail(status, GENU_ST_OID_CONVERT);
  // Received access control lists are kept as ext ones: the attribute holds those.
  bool toExt = convertAcl && valueType == kACL;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  if (AS_AddAttr(status, set, shoid, toExt ? kExtACL : valueType, &attr))
    return STF__Fail(status, GENU_ST_NO_MEMORY);
  int failed = 0;
  for (const ValNode *n = values; n && !failed; n = n->next) {
    if (n->value.length <= 0 || !n->value.value) continue;  // empty values are skipped
    void *record = nullptr;
    AS_valueDescriptor_t desc{};
    OssBuf encoded{n->value.length, n->value.value};
    uint32_t storedType = valueType;
    failed = JQP_UnpackAV(status, &encoded, valueType, &record, &desc);
    const AS_valueDescriptor_t *stored = GENU_AVT2Descriptor(static_cast<int32_t>(valueType));
    if (!failed && toExt) {
      GEN_ExtACL_t *ext = nullptr;
      failed = GENU_ACLFromPSIS(status, &ext, static_cast<GEN_PSISAccessControlList_t *>(record));
      GENU__DeleteAttrVal(kq::stf::ScratchList(), kACL, record, nullptr);
      record = ext;
      storedType = kExtACL;
      stored = &GENU_ExtACLDesc;
    }
    if (!failed && AS_AddAttrValR(status, attr, storedType, record, stored)) failed = 1;
    if (failed && record) GENU__DeleteAttrVal(kq::stf::ScratchList(), storedType, record, nullptr);
  }
  if (attrOut && !failed)
    *attrOut = attr;
  else
    AS_FreeAttrHandle(kq::stf::ScratchList(), &attr);
  return failed ? STF__Fail(status, GENU_ST_SET_ACCESS) : 0;
}

// Releases a wire list of attributes (plain or modify) with their values.
template <typename ListNode>
int FreeList(STF_statusList_t *status, ListNode **list) {
  if (!list) return STF__Fail(status, GENU_ST_NULL_DELETE);
  for (ListNode *n = *list; n;) {
    ListNode *next = n->next;
    FreeValues(&n->value.values);
    genu::WireFree(n);
    n = next;
  }
  *list = nullptr;
  return 0;
}

// The identifier and the packed values of one attribute (plain or modify record);
// `name` names the caller in the trace of an inconsistent attribute.
template <typename W>
int AttrToBer(STF_statusList_t *status, W *out, AS_attrHandle_t attr, uint32_t mode,
              const char *name) {
  if (out) out->values = nullptr;
  if (!status) return 1;
  if (!out || attr == AS_nullAttrHandle) return STF__Fail(status, GENU_ST_BAD_VALUE);
  uint32_t shoid = 0, setType = 0, registryType = 0;
  GENU_berOid_t ber{0, nullptr};
  if (AS_GetAttrIDR(status, attr, &shoid) || GENU_ShortToBerOID(status, shoid, &ber))
    return STF__Fail(status, GENU_ST_OID_CONVERT);
  out->type = ber_oid{ber.length, const_cast<uint8_t *>(ber.value)};
  if (AS_GetAttrValTypeR(status, attr, &setType) || GENU_AttrIdToType(status, shoid, &registryType))
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  if (setType != registryType) {
    LOG_COND_MESSAGE(LOG_SEV_INFO,
                     "%s: Detect AS with inconsistent attr-Id and attr-value-type :\n"
                     "AS with shoid %lu was created with valType %lu, but should be %d\n",
                     name, static_cast<unsigned long>(shoid), static_cast<unsigned long>(setType),
                     static_cast<int>(registryType));
    return STF__Fail(status, GENU_ST_BAD_VALUE);
  }
  AS_attrValHandle_t val = AS_nullAttrValHandle;
  void *value = nullptr;
  if (AS_FindFirstAttrValR(status, attr, &val, &value)) {
    if (STF_GetStatus(status) == AS_ST_NO_VALUES) {
      STF_ClearStatus(status);
      return 0;
    }
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  }
  auto **tail = &out->values;
  for (;;) {
    if (PackValue(status, setType, value, mode, &tail)) {
      FreeValues(&out->values);
      AS_FreeAttrValHandle(kq::stf::ScratchList(), &val);
      return 1;
    }
    if (AS_FindNextAttrValVR(status, &val, &value)) break;
  }
  int walked = STF_GetStatus(status) == AS_ST_NO_NEXT_VAL;
  STF_ClearStatus(status);
  AS_FreeAttrValHandle(status, &val);
  if (!walked) {
    FreeValues(&out->values);
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  }
  return 0;
}

// 1 add values, 2 delete values, 3 set to default travel; anything else is absent.
int32_t ModifyOperator(int32_t op) { return op >= 1 && op <= 3 ? op : 0; }

int ModAttrToBer(STF_statusList_t *status, ModifyAttribute *out, AS_attrHandle_t attr,
                 uint32_t mode) {
  if (out) memset(out, 0, sizeof *out);
  if (AttrToBer(status, out, attr, mode, "ToBER_ModOpAttr")) return 1;
  int32_t op = 0;
  if (AS_GetAttrModifyOpR(status, attr, &op)) {
    FreeValues(&out->values);
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  }
  out->modify_operator = ModifyOperator(op);
  if (out->modify_operator) out->bit_mask |= ModifyAttribute_modify_operator_present;
  if (out->values) out->bit_mask |= ModifyAttribute_values_present;
  return 0;
}

int PlainAttrToBer(STF_statusList_t *status, Attribute *out, AS_attrHandle_t attr, uint32_t mode) {
  return AttrToBer(status, out, attr, mode, "ToBER_Attr");
}

// Every attribute of a set, each converted by `one`, into a wire list.
template <typename ListNode, typename W>
int SetToBer(STF_statusList_t *status, ListNode **out, const AS_setHandle_t *set, uint32_t mode,
             int (*one)(STF_statusList_t *, W *, AS_attrHandle_t, uint32_t)) {
  // The out list is cleared before anything is checked, so that a caller who frees
  // it after a failure never frees what it held before.
  if (out) *out = nullptr;
  if (!status) return 1;
  if (!out || !set) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (*set == AS_nullSetHandle) return 0;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  if (AS_FindFirstAttr(status, *set, &attr, nullptr)) {
    if (STF_GetStatus(status) == AS_ST_ATTR_NOT_FOUND) {
      STF_ClearStatus(status);
      return 0;
    }
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  }
  ListNode **tail = out;
  for (;;) {
    auto *node = static_cast<ListNode *>(genu::WireAlloc(sizeof(ListNode)));
    if (!node || one(status, &node->value, attr, mode)) {
      if (!node) STF_AddStatus(status, GENU_ST_NO_MEMORY, 0);
      genu::WireFree(node);
      FreeList(status, out);
      AS_FreeAttrHandle(kq::stf::ScratchList(), &attr);
      return 1;
    }
    *tail = node;
    tail = &node->next;
    if (AS_FindNextAttrR(status, &attr, nullptr)) break;
  }
  int walked = STF_GetStatus(status) == AS_ST_NO_NEXT_ATTR;
  STF_ClearStatus(status);
  AS_FreeAttrHandle(status, &attr);
  if (!walked) {
    FreeList(status, out);
    return STF__Fail(status, GENU_ST_SET_ACCESS);
  }
  return 0;
}

// The operator of a received modify record, set on its attribute when present.
int ApplyOperator(STF_statusList_t *, const Attribute &, AS_attrHandle_t) { return 0; }
int ApplyOperator(STF_statusList_t *status, const ModifyAttribute &in, AS_attrHandle_t attr) {
  if (!(in.bit_mask & ModifyAttribute_modify_operator_present)) return 0;
  int32_t op = ModifyOperator(in.modify_operator);
  if (op && AS_SetAttrModifyOpR(status, attr, op)) return STF__Fail(status, GENU_ST_SET_ACCESS);
  return 0;
}

// A wire list into a new set; `modify` also carries each record's operator.
template <typename ListNode>
int ListToSet(STF_statusList_t *status, const ListNode *list, AS_setHandle_t *setOut, bool modify) {
  if (setOut) *setOut = AS_nullSetHandle;
  if (!status) return 1;
  if (!setOut) return STF__Fail(status, GENU_ST_BAD_VALUE);
  AS_setHandle_t set = AS_nullSetHandle;
  if (NewSet(status, &set, modify ? 1 : 0)) return 1;
  for (const ListNode *n = list; n; n = n->next) {
    AS_attrHandle_t attr = AS_nullAttrHandle;
    int failed = AddAttribute(status, set, n->value.type, n->value.values, &attr);
    if (!failed && modify) failed = ApplyOperator(status, n->value, attr);
    if (failed) {
      AS_FreeAttrHandle(kq::stf::ScratchList(), &attr);
      AS_Destroy(kq::stf::ScratchList(), &set);
      return 1;
    }
    // The handle just made is given back without a report, so the caller's list (which
    // a success left empty) serves: no scratch list per attribute.
    AS_FreeAttrHandle(status, &attr);
  }
  *setOut = set;
  return 0;
}

}  // namespace

namespace kq::genu {

int WireAttrToGen(STF_statusList_t *status, const ber_oid &type,
                  const Attribute_values_node *values, bool convertAcl, AS_attrHandle_t *attrOut) {
  if (attrOut) *attrOut = AS_nullAttrHandle;
  if (!status) return 1;
  if (!attrOut) return STF__Fail(status, GENU_ST_BAD_VALUE);
  AS_setHandle_t set = AS_nullSetHandle;
  if (NewSet(status, &set, 0)) return 1;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  if (AddAttribute(status, set, type, values, &attr, convertAcl)) {
    AS_Destroy(kq::stf::ScratchList(), &set);
    return 1;
  }
  // The attribute keeps its private set alive; deleting the value destroys both.
  AS_FreeSetHandle(kq::stf::ScratchList(), &set);
  *attrOut = attr;
  return 0;
}

}  // namespace kq::genu

extern "C" {

int FreeBER_attributeValues(STF_statusList_t *status, Attribute_values *values) {
  if (!values) return STF__Fail(status, GENU_ST_NULL_DELETE);
  FreeValues(values);
  return 0;
}

int FreeBER_Attr(STF_statusList_t *status, Attribute *attribute) {
  if (!attribute) return STF__Fail(status, GENU_ST_NULL_DELETE);
  FreeValues(&attribute->values);
  return 0;
}

int FreeBER_ModOpAttr(STF_statusList_t *status, ModifyAttribute *attribute) {
  if (!attribute) return STF__Fail(status, GENU_ST_NULL_DELETE);
  FreeValues(&attribute->values);
  attribute->bit_mask &= static_cast<uint8_t>(~ModifyAttribute_values_present);
  return 0;
}

int FreeBER_AS(STF_statusList_t *status, AttributeList *list) { return FreeList(status, list); }
int FreeBER_ModOpAS(STF_statusList_t *status, ModifyAttributeList *list) {
  return FreeList(status, list);
}

int ToBER_Attr(STF_statusList_t *status, Attribute *out, AS_attrHandle_t attr, uint32_t mode) {
  return PlainAttrToBer(status, out, attr, mode);
}
int ToBER_ModOpAttr(STF_statusList_t *status, ModifyAttribute *out, AS_attrHandle_t attr,
                    uint32_t mode) {
  return ModAttrToBer(status, out, attr, mode);
}

int ToBER_AS(STF_statusList_t *status, AttributeList *out, const AS_setHandle_t *set,
             uint32_t mode) {
  return SetToBer(status, out, set, mode, PlainAttrToBer);
}
int ToBER_ModOpAS(STF_statusList_t *status, ModifyAttributeList *out, const AS_setHandle_t *set,
                  uint32_t mode) {
  return SetToBer(status, out, set, mode, ModAttrToBer);
}

int ToGEN_AS(STF_statusList_t *status, AttributeList const *in, AS_setHandle_t *setOut) {
  if (setOut) *setOut = AS_nullSetHandle;
  if (!in) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;
  return ListToSet(status, *in, setOut, false);
}
int ToGEN_ModOpAS(STF_statusList_t *status, ModifyAttributeList const *in, AS_setHandle_t *setOut) {
  if (setOut) *setOut = AS_nullSetHandle;
  if (!in) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;
  return ListToSet(status, *in, setOut, true);
}

int MallocAStoGEN(STF_statusList_t *status, const AttributeList *in, AS_setHandle_t **setOut) {
  if (setOut) *setOut = nullptr;
  if (!status) return 1;
  if (!setOut) return STF__Fail(status, GENU_ST_BAD_VALUE);
  auto *handle = static_cast<AS_setHandle_t *>(malloc(sizeof(AS_setHandle_t)));
  if (!handle) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (ToGEN_AS(status, in, handle)) {
    free(handle);
    return 1;
  }
  *setOut = handle;
  return 0;
}

int ToBER_AttrVal(STF_statusList_t *status, OssBuf *out, const void *value, uint32_t type) {
  return JQP_PackAV(status, type, value, out);
}

int ToGEN_AttrVal(STF_statusList_t *status, const OssBuf *in, void **out, uint32_t type) {
  AS_valueDescriptor_t discarded{};
  return JQP_UnpackAV(status, in, type, out, &discarded);
}

}  // extern "C"
