// The value type id -> descriptor table. Each value record family fills its own
// entries as its copy and delete operations arrive; an id without a record keeps
// a null entry, which callers read as "no descriptor".
#include "infra/genu_desc.h"

extern "C" {

const AS_valueDescriptor_t *GENU_AvtToDescTable[GENU_AVT_COUNT] = {};

const AS_valueDescriptor_t *GENU_AVT2Descriptor(int32_t id) {
  if (id < 0 || id >= GENU_AVT_COUNT) return nullptr;
  return GENU_AvtToDescTable[id];
}

}  // extern "C"
