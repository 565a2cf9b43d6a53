// Attribute objects: ID, value type, modify operator, characteristics block and
// the value list in insertion order.
#include <cstring>

#include "private/as_objects.h"

namespace as = kq::as;

namespace kq::as {

uint32_t GetAttrMagicAO(const void *attr) { return static_cast<const Attr *>(attr)->magic; }

uint32_t CreateAttrAO(STF_statusList_t *sl, Set *parentSet, uint32_t attrId, uint32_t valueType,
                      const int32_t *modifyOp, AS_allocateFunction_t allocate, Handle *handle,
                      Attr **attrOut) {
  auto *attr = static_cast<Attr *>(AllocateOrReport(sl, allocate, sizeof(Attr)));
  if (attr == nullptr) return AS_ST_NO_MEMORY;
  attr->magic = kAttrMagic;
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

}  // namespace kq::as

void AS__DeleteAttrAO(as::Attr *attr) {
  AS_deallocateFunction_t deallocate = attr->set->alloc.deallocate;
  if (attr->charData != nullptr) deallocate(attr->charData);
  attr->magic = 0;
  deallocate(attr);
}

void AS__AddAttrValToAttrAO(as::Attr *attr, as::Val *val) {
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

void AS__RemoveAttrValFromAttrAO(as::Attr *attr, as::Val *val) {
  (val->prev != nullptr ? val->prev->next : attr->first) = val->next;
  (val->next != nullptr ? val->next->prev : attr->last) = val->prev;
  val->next = nullptr;
  val->prev = nullptr;
  attr->valCount--;
}

as::Attr *AS__FindAttrInListAO(as::Attr *from, uint32_t attrId) {
  for (as::Attr *a = from; a != nullptr; a = a->next) {
    if (a->attrId == attrId) return a;
  }
  return nullptr;
}

uint32_t AS__FindUniqueAttrInListAO(STF_statusList_t *sl, as::Attr *from, uint32_t attrId,
                                    as::Attr **attrOut) {
  as::Attr *found = AS__FindAttrInListAO(from, attrId);
  if (found == nullptr) return as::Report(sl, AS_ST_ATTR_NOT_FOUND);
  if (AS__FindAttrInListAO(found->next, attrId) != nullptr) {
    return as::Report(sl, AS_ST_AMBIGUOUS_ATTR);
  }
  *attrOut = found;
  return 0;
}

bool AS__CheckListForDuplicateAttrsAO(const as::Attr *from) {
  for (const as::Attr *a = from; a != nullptr; a = a->next) {
    if (AS__FindAttrInListAO(a->next, a->attrId) != nullptr) return true;
  }
  return false;
}

uint32_t AS__GetNextAttrAO(STF_statusList_t *sl, const as::Attr *attr, as::Attr **nextOut) {
  if (attr->next == nullptr) return as::Report(sl, AS_ST_NO_NEXT_ATTR);
  *nextOut = attr->next;
  return 0;
}

uint32_t AS__GetPrevAttrAO(STF_statusList_t *sl, const as::Attr *attr, as::Attr **prevOut) {
  if (attr->prev == nullptr) return as::Report(sl, AS_ST_NO_NEXT_ATTR);
  *prevOut = attr->prev;
  return 0;
}

uint32_t AS__SetAttrCharacteristicsDataAO(STF_statusList_t *sl, as::Attr *attr, const void *data,
                                          uint32_t length) {
  uint8_t *block = nullptr;
  if (length != 0) {
    block = static_cast<uint8_t *>(as::AllocateOrReport(sl, attr->set->alloc.allocate, length));
    if (block == nullptr) return AS_ST_NO_MEMORY;
    std::memcpy(block, data, length);
  }
  if (attr->charData != nullptr) attr->set->alloc.deallocate(attr->charData);
  attr->charData = block;
  attr->charLength = length;
  return 0;
}

uint32_t AS__CheckAttrAO(STF_statusList_t *sl, const as::Attr *attr) {
  const bool ok = attr != nullptr && attr->magic == as::kAttrMagic && attr->modifyOp >= -1 &&
                  attr->modifyOp <= 3 && (attr->charData != nullptr || attr->charLength == 0) &&
                  attr->handle != nullptr && attr->handle->objectRef == attr &&
                  (attr->valCount != 1 || attr->first == attr->last);
  return ok ? 0 : as::Report(sl, AS_ST_BAD_OBJECT);
}
