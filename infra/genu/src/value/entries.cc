// The exported per-record operations: thin entry points into the layout engine,
// and the value descriptors built from them.
#include "internal/stf_fail.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

extern "C" {

#define GENU_DEFINE_COPY_DELETE(R)                                          \
  uint32_t GEN_Copy##R(STF_statusList_t *sl, void **out, const void *value, \
                       const AS_allocateDescriptor_t *alloc) {              \
    return genu::Copy(sl, &genu::k##R##Layout, out, value, alloc);          \
  }                                                                         \
  uint32_t GEN_Delete##R(STF_statusList_t *sl, void *value,                 \
                         const AS_allocateDescriptor_t *alloc) {            \
    return genu::Delete(sl, &genu::k##R##Layout, value, alloc);             \
  }                                                                         \
  const AS_valueDescriptor_t GENU_##R##Desc = {GEN_Copy##R, GEN_Delete##R};
GENU_COPY_DELETE_RECORDS(GENU_DEFINE_COPY_DELETE)

#define GENU_DEFINE_DEEP_AS(R, L)                                                          \
  uint32_t GEN_DeepCopy##R(STF_statusList_t *sl, GEN_##R##_t *dst, const GEN_##R##_t *src, \
                           const AS_allocateDescriptor_t *alloc) {                         \
    if (!dst || !src) return STF__Fail(sl, GENU_ST_BAD_VALUE);                             \
    return genu::DeepCopy(sl, &genu::k##L##Layout, dst, src, alloc);                       \
  }                                                                                        \
  uint32_t GEN_DeepDelete##R(STF_statusList_t *sl, GEN_##R##_t *value,                     \
                             const AS_allocateDescriptor_t *alloc) {                       \
    if (!value) return STF__Fail(sl, GENU_ST_NULL_DELETE);                                 \
    return genu::DeepDelete(sl, &genu::k##L##Layout, value, alloc);                        \
  }
#define GENU_DEFINE_DEEP(R) GENU_DEFINE_DEEP_AS(R, R)
GENU_DEEP_RECORDS(GENU_DEFINE_DEEP)
#define GENU_DEFINE_FINISHING_DEEP(K)         \
  GENU_DEFINE_DEEP_AS(K##Spec, FinishingSpec) \
  GENU_DEFINE_DEEP_AS(K##SpecPrivate, FinishingSpecPrivate)
GENU_FINISHING_KINDS(GENU_DEFINE_FINISHING_DEEP)

uint32_t GEN_DeleteSetOfCheckpoints(STF_statusList_t *sl, void *value,
                                    const AS_allocateDescriptor_t *alloc) {
  return genu::Delete(sl, &genu::kSetOfCheckpointsLayout, value, alloc);
}

uint32_t GEN_DeepDeleteOID(STF_statusList_t *sl, GEN_OID_t *value,
                           const AS_allocateDescriptor_t *alloc) {
  if (!value) return STF__Fail(sl, GENU_ST_NULL_DELETE);
  genu::Free(alloc, *value);
  *value = nullptr;
  return 0;
}

const AS_valueDescriptor_t GENU_CardinalDesc = {GEN_CopyInteger, GEN_DeleteInteger};
const AS_valueDescriptor_t GENU_DeltaTimeDesc = {GEN_CopyInteger, GEN_DeleteInteger};
const AS_valueDescriptor_t GENU_MaximumIntegerDesc = {GEN_CopyInteger, GEN_DeleteInteger};
const AS_valueDescriptor_t GENU_MinimumIntegerDesc = {GEN_CopyInteger, GEN_DeleteInteger};
const AS_valueDescriptor_t GENU_PositiveIntegerDesc = {GEN_CopyInteger, GEN_DeleteInteger};
const AS_valueDescriptor_t GENU_CardinalRangeDesc = {GEN_CopyIntegerRange, GEN_DeleteIntegerRange};
const AS_valueDescriptor_t GENU_DescriptorDesc = {GEN_CopyText, GEN_DeleteText};
const AS_valueDescriptor_t GENU_MessageDesc = {GEN_CopyText, GEN_DeleteText};
const AS_valueDescriptor_t GENU_DescriptiveNameDesc = {GEN_CopySimpleName, GEN_DeleteSimpleName};
const AS_valueDescriptor_t GENU_NonNegativeRealDesc = {GEN_CopyReal, GEN_DeleteReal};
const AS_valueDescriptor_t GENU_NonNegativeRealRangeDesc = {GEN_CopyRealRange, GEN_DeleteRealRange};
const AS_valueDescriptor_t GENU_CriterionTypeDesc = {GEN_CopyIdentifier, GEN_DeleteIdentifier};

}  // extern "C"

// Records held wholly inline copy as their bytes.
extern "C" uint32_t GEN_ShallowCopySimpleName(GEN_SimpleName_t *dst, const GEN_SimpleName_t *src) {
  if (src->choice < 1 || src->choice > 5) return 1;
  *dst = *src;
  return 0;
}

extern "C" uint32_t GEN_ShallowCopyNameOrOID(GEN_NameOrOID_t *dst, const GEN_NameOrOID_t *src) {
  if (src->choice != 1 && src->choice != 2) return 1;
  *dst = *src;
  return 0;
}
