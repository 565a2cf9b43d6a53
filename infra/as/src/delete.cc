// Deleting values, attributes and sets: the orderly walks that keep the handle
// rules, and the forced ones that throw away half-built copies.
#include "private/as_internal.h"

namespace as = kq::as;

uint32_t AS__DeleteAttrValInternal(STF_statusList_t *sl, as::Val *val) {
  if (uint32_t rc = AS__DeleteAttrValPointerVO(sl, val)) return rc;
  AS__RemoveAttrValFromAttrAO(val->attr, val);
  as::RetireHandleHO(val->handle);
  AS__DeleteAttrValVO(val);
  return 0;
}

uint32_t AS__DeleteAllAttrValsInternal(STF_statusList_t *sl, as::Attr *attr) {
  while (attr->first != nullptr) {
    if (uint32_t rc = AS__DeleteAttrValInternal(sl, attr->first)) return rc;
  }
  return 0;
}

uint32_t AS__DeleteAttrInternal(STF_statusList_t *sl, as::Attr *attr) {
  if (uint32_t rc = AS__DeleteAllAttrValsInternal(sl, attr)) return rc;
  AS__RemoveAttrFromSetSO(attr->set, attr);
  as::RetireHandleHO(attr->handle);
  AS__DeleteAttrAO(attr);
  return 0;
}

uint32_t AS__DeleteAllAttrsInternal(STF_statusList_t *sl, as::Set *set) {
  while (set->first != nullptr) {
    if (uint32_t rc = AS__DeleteAttrInternal(sl, set->first)) return rc;
  }
  return 0;
}

uint32_t AS__DeleteSetInternal(STF_statusList_t *sl, as::Set *set) {
  if (uint32_t rc = AS__DeleteAllAttrsInternal(sl, set)) return rc;
  AS__MakeHandleStaleHO(set->handle);
  AS__DeleteSetSO(set);
  return 0;
}

uint32_t AS__DeleteAttrValInternalForce(STF_statusList_t *sl, as::Val *val) {
  uint32_t rc = AS__DeleteAttrValPointerVO(sl, val);
  AS__DeleteHandleHO(val->handle);
  AS__DeleteAttrValVO(val);
  return rc;
}

uint32_t AS__DeleteAttrInternalForce(STF_statusList_t *sl, as::Attr *attr) {
  uint32_t rc = 0;
  for (as::Val *v = attr->first; v != nullptr;) {
    as::Val *next = v->next;
    if (AS__DeleteAttrValInternalForce(sl, v) != 0) rc = AS_ST_DELETE_FAILED;
    v = next;
  }
  AS__DeleteHandleHO(attr->handle);
  AS__DeleteAttrAO(attr);
  return rc;
}

uint32_t AS__DeleteSetInternalForce(STF_statusList_t *sl, as::Set *set) {
  uint32_t rc = 0;
  for (as::Attr *a = set->first; a != nullptr;) {
    as::Attr *next = a->next;
    if (AS__DeleteAttrInternalForce(sl, a) != 0) rc = AS_ST_DELETE_FAILED;
    a = next;
  }
  AS__DeleteHandleHO(set->handle);
  AS__DeleteSetSO(set);
  return rc;
}

namespace kq::as {

void DiscardValInternal(Val *val) {
  AS__DeleteHandleHO(val->handle);
  AS__DeleteAttrValVO(val);
}

void DiscardAttrInternal(Attr *attr) {
  AS__DeleteHandleHO(attr->handle);
  AS__DeleteAttrAO(attr);
}

}  // namespace kq::as
