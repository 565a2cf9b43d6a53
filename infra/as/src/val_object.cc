// Value objects: the caller's value data with the descriptor that copies and
// deletes it.
#include "private/as_objects.h"

namespace as = kq::as;

namespace kq::as {

uint32_t GetValMagicVO(const void *val) { return static_cast<const Val *>(val)->magic; }

uint32_t CreateAttrValVO(STF_statusList_t *sl, Attr *parentAttr, void *value,
                         const AS_valueDescriptor_t *desc, AS_allocateFunction_t allocate,
                         Handle *handle, Val **valOut) {
  auto *val = static_cast<Val *>(AllocateOrReport(sl, allocate, sizeof(Val)));
  if (val == nullptr) return AS_ST_NO_MEMORY;
  val->magic = kValMagic;
  val->attr = parentAttr;
  val->handle = handle;
  val->next = nullptr;
  val->prev = nullptr;
  val->value = value;
  val->desc = *desc;
  *valOut = val;
  return 0;
}

}  // namespace kq::as

void AS__DeleteAttrValVO(as::Val *val) {
  AS_deallocateFunction_t deallocate = val->attr->set->alloc.deallocate;
  val->magic = 0;
  deallocate(val);
}

uint32_t AS__CopyAttrValPointerVO(STF_statusList_t *sl, const as::Val *val,
                                  const AS_allocateDescriptor_t *alloc, void **copyOut) {
  void *copy = nullptr;
  if (val->desc.copyValue(sl, &copy, val->value, alloc) != 0) {
    return as::Report(sl, AS_ST_COPY_FAILED);
  }
  *copyOut = copy;
  return 0;
}

uint32_t AS__DeleteAttrValPointerVO(STF_statusList_t *sl, as::Val *val) {
  if (val->desc.deleteValue(sl, val->value, &val->attr->set->alloc) != 0) {
    return as::Report(sl, AS_ST_DELETE_FAILED);
  }
  return 0;
}

uint32_t AS__GetNextAttrValVO(STF_statusList_t *sl, const as::Val *val, as::Val **nextOut) {
  if (val->next == nullptr) return as::Report(sl, AS_ST_NO_NEXT_VAL);
  *nextOut = val->next;
  return 0;
}

uint32_t AS__GetPrevAttrValVO(STF_statusList_t *sl, const as::Val *val, as::Val **prevOut) {
  if (val->prev == nullptr) return as::Report(sl, AS_ST_NO_NEXT_VAL);
  *prevOut = val->prev;
  return 0;
}

uint32_t AS__CheckValVO(STF_statusList_t *sl, const as::Val *val) {
  const bool ok = val != nullptr && val->magic == as::kValMagic && val->desc.copyValue != nullptr &&
                  val->desc.deleteValue != nullptr && val->handle != nullptr &&
                  val->handle->objectRef == val;
  return ok ? 0 : as::Report(sl, AS_ST_BAD_OBJECT);
}
