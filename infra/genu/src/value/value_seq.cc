// Values by type id: copy and delete through the id's descriptor, and value
// sequences of them.
#include "internal/stf_scratch.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

namespace {
const AS_valueDescriptor_t *descriptorOf(STF_statusList_t *sl, uint32_t id) {
  const AS_valueDescriptor_t *d = GENU_AVT2Descriptor(static_cast<int32_t>(id));
  if (!d) STF_AddStatus(sl, GENU_ST_NOT_COMPARABLE, 0);
  return d;
}
}  // namespace

extern "C" {

uint32_t GENU__CopyAttrVal(STF_statusList_t *sl, uint32_t id, void **out, const void *value,
                           const AS_allocateDescriptor_t *alloc) {
  const AS_valueDescriptor_t *d = descriptorOf(sl, id);
  if (!d) {
    if (out) *out = nullptr;
    return 1;
  }
  return d->copyValue(sl, out, value, alloc);
}

uint32_t GENU__DeleteAttrVal(STF_statusList_t *sl, uint32_t id, void *value,
                             const AS_allocateDescriptor_t *alloc) {
  const AS_valueDescriptor_t *d = descriptorOf(sl, id);
  return d ? d->deleteValue(sl, value, alloc) : 1;
}

uint32_t GENU__CopyAttrValSeq(STF_statusList_t *sl, uint32_t id, GEN_ValueSeq_t **headOut,
                              const GEN_ValueSeq_t *source, const AS_allocateDescriptor_t *alloc) {
  *headOut = nullptr;
  GEN_ValueSeq_t **tail = headOut;
  for (; source; source = source->next) {
    auto *node = static_cast<GEN_ValueSeq_t *>(genu::Alloc(alloc, sizeof(GEN_ValueSeq_t)));
    if (!node) STF_AddStatus(sl, GENU_ST_NO_MEMORY, 0);
    if (!node || GENU__CopyAttrVal(sl, id, &node->value, source->value, alloc)) {
      if (node) genu::Free(alloc, node);
      GENU__DeleteAttrValSeq(kq::stf::ScratchList(), id, *headOut, alloc);
      *headOut = nullptr;
      return 1;
    }
    node->next = nullptr;
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

uint32_t GENU__DeleteAttrValSeq(STF_statusList_t *sl, uint32_t id, GEN_ValueSeq_t *list,
                                const AS_allocateDescriptor_t *alloc) {
  if (!list) return 0;
  uint32_t rc = GENU__DeleteAttrValSeq(sl, id, list->next, alloc);
  rc |= GENU__DeleteAttrVal(sl, id, list->value, alloc);
  genu::Free(alloc, list);
  return rc;
}

}  // extern "C"
