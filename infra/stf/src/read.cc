// Reading entries back as codes.
#include "private/stf_list.h"

using kq::stf::Entry;

Entry *STF__GetObjectPointer(const STF_statusList_t *list, int32_t index) {
  if (!list || index <= 0 || list->head < 0) return nullptr;
  int32_t off = list->head;
  for (int32_t i = 1; i < index; ++i) {
    const Entry *e = reinterpret_cast<const Entry *>(list->arena + off);
    if (e->prevSize == 0) return nullptr;
    off -= e->prevSize;
  }
  return reinterpret_cast<Entry *>(list->arena + off);
}

extern "C" {

uint32_t STF_GetStatus(const STF_statusList_t *list) {
  if (!list) return 0xffffffffu;
  const Entry *e = STF__GetObjectPointer(list, 1);
  return e ? e->code : 0;
}

uint32_t STF_GetObjectInfo(const STF_statusList_t *list, int32_t index, STF_objectInfo_t *info) {
  if (!list) return 0xffffffffu;
  Entry *e = STF__GetObjectPointer(list, index);
  if (!e) return STF_ST_NO_ENTRY;
  if (info) {
    info->source = e->source;
    info->code = e->code;
    info->flags = e->flags;
    info->argCount = e->argCount;
    info->args = e->args();
  }
  return 0;
}

}  // extern "C"
