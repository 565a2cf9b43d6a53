// Attribute objects: ID, value type, modify operator, characteristics block and
// the value list in insertion order.
#include <cstring>

#include "private/as_objects.h"

uint32_t AS__GetAttrMagicAO(const void *attr) { return static_cast<const AS__Attr *>(attr)->magic; }

uint32_t AS__CreateAttrAO(STF_statusList_t *sl, AS__Set *parentSet, uint32_t attrId,
                          uint32_t valueType, const int32_t *modifyOp,
                          AS_allocateFunction_t allocate, AS__Handle *handle, AS__Attr **attrOut) {
  auto *attr = static_cast<AS__Attr *>(AS__AllocateOrReport(sl, allocate, sizeof(AS__Attr)));
  if (attr == nullptr) return AS_ST_NO_MEMORY;
  attr->magic = AS__kAttrMagic;
  attr->set = parentSet;
  attr->handle = handle;
  attr->attrId = attrId;
  attr->valueType = valueType;
  attr->modifyOp = modifyOp != nullptr ? *modifyOp : AS_MODIFY_NONE;
  attr->charData = nullptr;
  attr->charLength = 0;
  attr->next = nullptr;
  attr->prev = nullptr;
  attr->valCount = 0;
  attr->first = nullptr;
  attr->last = nullptr;
  *attrOut = attr;
  return 0;
}

void AS__DeleteAttrAO(AS__Attr *attr) {
  AS_deallocateFunction_t deallocate = attr->set->alloc.deallocate;
  if (attr->charData != nullptr) deallocate(attr->charData);
  attr->magic = 0;
  deallocate(attr);
}

void AS__AddAttrValToAttrAO(AS__Attr *attr, AS__Val *val) {
  val->attr = attr;
  val->next = nullptr;
  val->prev = attr->last;
  if (attr->last != nullptr) {
    attr->last->next = val;
  } else {
    attr->first = val;
  }
  attr->last = val;
  attr->valCount++;
}

void AS__RemoveAttrValFromAttrAO(AS__Attr *attr, AS__Val *val) {
  (val->prev != nullptr ? val->prev->next : attr->first) = val->next;
  (val->next != nullptr ? val->next->prev : attr->last) = val->prev;
  val->next = nullptr;
  val->prev = nullptr;
  attr->valCount--;
}

AS__Attr *AS__FindAttrInListAO(AS__Attr *from, uint32_t attrId) {
  for (AS__Attr *a = from; a != nullptr; a = a->next) {
    if (a->attrId == attrId) return a;
  }
  return nullptr;
}

uint32_t AS__FindUniqueAttrInListAO(STF_statusList_t *sl, AS__Attr *from, uint32_t attrId,
                                    AS__Attr **attrOut) {
  AS__Attr *found = AS__FindAttrInListAO(from, attrId);
  if (found == nullptr) return AS__Report(sl, AS_ST_ATTR_NOT_FOUND);
  if (AS__FindAttrInListAO(found->next, attrId) != nullptr) {
    return AS__Report(sl, AS_ST_AMBIGUOUS_ATTR);
  }
  *attrOut = found;
  return 0;
}

bool AS__CheckListForDuplicateAttrsAO(const AS__Attr *from) {
  for (const AS__Attr *a = from; a != nullptr; a = a->next) {
    if (AS__FindAttrInListAO(a->next, a->attrId) != nullptr) return true;
  }
  return false;
}

uint32_t AS__GetNextAttrAO(STF_statusList_t *sl, const AS__Attr *attr, AS__Attr **nextOut) {
  if (attr->next == nullptr) return AS__Report(sl, AS_ST_NO_NEXT_ATTR);
  *nextOut = attr->next;
  return 0;
}

uint32_t AS__GetPrevAttrAO(STF_statusList_t *sl, const AS__Attr *attr, AS__Attr **prevOut) {
  if (attr->prev == nullptr) return AS__Report(sl, AS_ST_NO_NEXT_ATTR);
  *prevOut = attr->prev;
  return 0;
}

uint32_t AS__SetAttrCharacteristicsDataAO(STF_statusList_t *sl, AS__Attr *attr, const void *data,
                                          uint32_t length) {
  uint8_t *block = nullptr;
  if (length != 0) {
    block = static_cast<uint8_t *>(AS__AllocateOrReport(sl, attr->set->alloc.allocate, length));
    if (block == nullptr) return AS_ST_NO_MEMORY;
    std::memcpy(block, data, length);
  }
  if (attr->charData != nullptr) attr->set->alloc.deallocate(attr->charData);
  attr->charData = block;
  attr->charLength = length;
  return 0;
}

uint32_t AS__CheckAttrAO(STF_statusList_t *sl, const AS__Attr *attr) {
  const bool ok = attr != nullptr && attr->magic == AS__kAttrMagic && attr->modifyOp >= -1 &&
                  attr->modifyOp <= 3 && (attr->charData != nullptr || attr->charLength == 0) &&
                  attr->handle != nullptr && attr->handle->objectRef == attr &&
                  (attr->valCount != 1 || attr->first == attr->last);
  return ok ? 0 : AS__Report(sl, AS_ST_BAD_OBJECT);
}
