/* Attribute sets: ordered collections of attributes (a 32-bit attribute ID and an
 * ordered list of values of one value type). The library owns the memory of sets,
 * attributes and values and hands out counted handles instead of pointers, so a
 * handle whose object has been deleted is detected as stale instead of followed.
 * Value data is opaque here: every value comes with a value descriptor whose copy
 * and delete functions duplicate and free it.
 *
 * Every operation takes a status list first, clears it on entry, returns 0 on
 * success and 1 on failure with the reasons added to the list. A null status list
 * gives 1 at once (AS_Destroy alone still works without one). Attribute sets take
 * no locks: a set and its handles are used by one thread at a time. */
#ifndef KQ_INFRA_AS_H
#define KQ_INFRA_AS_H

#include <stddef.h>
#include <stdint.h>

#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the attribute-set facility (all without arguments). */
#define AS_ST_AMBIGUOUS_ATTR 0xc0030065u /* ID occurs more than once where one was needed */
#define AS_ST_TYPE_MISMATCH 0xc0030066u  /* value type differs from the attribute's */
#define AS_ST_SET_FULL 0xc0030067u       /* the set cannot take another attribute */
#define AS_ST_ATTR_NOT_FOUND 0xc0030068u /* no attribute with this ID in the set */
#define AS_ST_ATTR_FULL 0xc0030069u      /* the attribute cannot take more values */
#define AS_ST_NO_VALUES 0xc003006au      /* the attribute has no values */
#define AS_ST_COPY_FAILED 0xc003006cu    /* a value's copy function failed */
#define AS_ST_BAD_OBJECT 0xc003006du     /* an object failed its consistency check */
#define AS_ST_BAD_FIRST 0xc003006eu      /* ... it was the first of two objects */
#define AS_ST_BAD_SECOND 0xc003006fu     /* ... it was the second of two objects */
#define AS_ST_DELETE_FAILED 0xc0030070u  /* a value's delete function failed */
#define AS_ST_DUPLICATE_ATTR 0xc0030071u /* ID already present and duplicates not allowed */
#define AS_ST_HANDLE_FULL 0xc0030072u    /* the handle cannot take another user */
#define AS_ST_INVALID_HANDLE 0xc0030073u /* invalid handle */
#define AS_ST_BAD_ARG1 0xc0030074u       /* argument 1 (after the status list) is invalid */
#define AS_ST_BAD_ARG2 0xc0030075u
#define AS_ST_BAD_ARG3 0xc0030076u
#define AS_ST_BAD_ARG4 0xc0030077u
#define AS_ST_BAD_ARG5 0xc0030078u
#define AS_ST_NO_MEMORY 0xc0030079u    /* memory could not be allocated */
#define AS_ST_NO_NEXT_ATTR 0xc003007au /* no next (or previous) attribute */
#define AS_ST_NO_NEXT_VAL 0xc003007bu  /* no next (or previous) value */
#define AS_ST_STALE_HANDLE 0xc003007cu /* the handle's object has been deleted */
#define AS_ST_STALE_FIRST 0xc003007du  /* the first of two handles is stale */
#define AS_ST_STALE_SECOND 0xc003007eu /* the second of two handles is stale */

/* Modify operators of an attribute (what a modify request sends for it). */
#define AS_MODIFY_NOOP (-1)
#define AS_MODIFY_NONE 0
#define AS_MODIFY_ADD_VALUES 1
#define AS_MODIFY_DELETE_VALUES 2
#define AS_MODIFY_SET_DEFAULT 3

/* Counted handles. Opaque; the three kinds are distinct types. */
typedef struct AS_setHandle *AS_setHandle_t;
typedef struct AS_attrHandle *AS_attrHandle_t;
typedef struct AS_attrValHandle *AS_attrValHandle_t;

/* The null handles (all 0); operations that free or destroy through a handle
 * variable store the matching one into it. */
KQ_EXPORT extern const AS_setHandle_t AS_nullSetHandle;
KQ_EXPORT extern const AS_attrHandle_t AS_nullAttrHandle;
KQ_EXPORT extern const AS_attrValHandle_t AS_nullAttrValHandle;

/* Allocation of a set's objects, handles, characteristics blocks and value data. */
typedef void *(*AS_allocateFunction_t)(size_t size); /* null on failure */
typedef void (*AS_deallocateFunction_t)(void *block);
typedef struct AS_allocateDescriptor {
  AS_allocateFunction_t allocate;
  AS_deallocateFunction_t deallocate;
} AS_allocateDescriptor_t;

/* How a value is duplicated and freed; both return 0 on success. The copy is
 * allocated through the descriptor given. */
typedef uint32_t (*AS_copyFunction_t)(STF_statusList_t *statusList, void **newValueOut,
                                      const void *value,
                                      const AS_allocateDescriptor_t *allocateDescriptor);
typedef uint32_t (*AS_deleteFunction_t)(STF_statusList_t *statusList, void *value,
                                        const AS_allocateDescriptor_t *allocateDescriptor);
typedef struct AS_valueDescriptor {
  AS_copyFunction_t copyValue;
  AS_deleteFunction_t deleteValue;
} AS_valueDescriptor_t;

/* Several values of one attribute. A count of 0 needs no array. */
typedef struct AS_valueList {
  uint32_t count;
  void **values;
} AS_valueList_t;

/* Attribute IDs selecting attributes for AS_Intersect and AS_Subset; order and
 * repetitions do not matter. */
typedef struct AS_attrIdList {
  uint32_t count;
  const uint32_t *ids;
} AS_attrIdList_t;

/* Sets. A null allocate descriptor is accepted and means malloc and free; the set
 * allocates its own records, copies of values and lists it returns through the
 * descriptor it was created with, and frees the values it owns with it. */
KQ_EXPORT uint32_t AS_Create(STF_statusList_t *statusList, AS_setHandle_t *setOut,
                             const AS_allocateDescriptor_t *allocateDescriptor,
                             uint32_t allowDuplicates);
KQ_EXPORT uint32_t AS_Destroy(STF_statusList_t *statusList, AS_setHandle_t *set);
KQ_EXPORT uint32_t AS_Clear(STF_statusList_t *statusList, AS_setHandle_t set);
KQ_EXPORT uint32_t AS_GetCount(STF_statusList_t *statusList, AS_setHandle_t set,
                               uint32_t *countOut);
KQ_EXPORT uint32_t AS_IsEmpty(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t *emptyOut);
KQ_EXPORT uint32_t AS_AllowDuplicates(STF_statusList_t *statusList, AS_setHandle_t set);
KQ_EXPORT uint32_t AS_DisallowDuplicates(STF_statusList_t *statusList, AS_setHandle_t set);
KQ_EXPORT uint32_t AS_GetAllocator(STF_statusList_t *statusList, AS_setHandle_t set,
                                   AS_allocateDescriptor_t *allocateDescriptorOut);

/* Handles: another reference to the same handle, and giving one back. */
KQ_EXPORT uint32_t AS_CopySetHandle(STF_statusList_t *statusList, AS_setHandle_t set,
                                    AS_setHandle_t *setOut);
KQ_EXPORT uint32_t AS_CopyAttrHandle(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                     AS_attrHandle_t *attrOut);
KQ_EXPORT uint32_t AS_CopyAttrValHandle(STF_statusList_t *statusList, AS_attrValHandle_t val,
                                        AS_attrValHandle_t *valOut);
KQ_EXPORT uint32_t AS_FreeSetHandle(STF_statusList_t *statusList, AS_setHandle_t *set);
KQ_EXPORT uint32_t AS_FreeAttrHandle(STF_statusList_t *statusList, AS_attrHandle_t *attr);
KQ_EXPORT uint32_t AS_FreeAttrValHandle(STF_statusList_t *statusList, AS_attrValHandle_t *val);

/* Attributes. Plain forms address the attribute by set and ID (the first match; in
 * a set allowing duplicates the ID must occur once), R forms by attribute handle.
 * Handle out arguments marked "or null" may be null. */
KQ_EXPORT uint32_t AS_AddAttr(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId,
                              uint32_t valueType, AS_attrHandle_t *attrOut);
KQ_EXPORT uint32_t AS_CopyAttr(STF_statusList_t *statusList, AS_setHandle_t destSet,
                               AS_setHandle_t sourceSet, uint32_t attrId,
                               AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_CopyAttrR(STF_statusList_t *statusList, AS_setHandle_t destSet,
                                AS_attrHandle_t sourceAttr, AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_DeleteAttr(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId);
KQ_EXPORT uint32_t AS_DeleteAttrR(STF_statusList_t *statusList, AS_attrHandle_t *attr);
KQ_EXPORT uint32_t AS_FindAttr(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId,
                               AS_attrHandle_t *attrOut);
KQ_EXPORT uint32_t AS_FindFirstAttr(STF_statusList_t *statusList, AS_setHandle_t set,
                                    AS_attrHandle_t *attrOut, uint32_t *attrIdOut /* or null */);
KQ_EXPORT uint32_t AS_FindNextAttrR(STF_statusList_t *statusList, AS_attrHandle_t *attr,
                                    uint32_t *attrIdOut /* or null */);
KQ_EXPORT uint32_t AS_FindPrevAttrR(STF_statusList_t *statusList, AS_attrHandle_t *attr,
                                    uint32_t *attrIdOut /* or null */);
KQ_EXPORT uint32_t AS_GetAttrCharacteristics(STF_statusList_t *statusList, AS_setHandle_t set,
                                             uint32_t attrId, void **dataOut, uint32_t *lengthOut,
                                             AS_allocateFunction_t allocate /* or null */);
KQ_EXPORT uint32_t AS_GetAttrCharacteristicsR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                              void **dataOut, uint32_t *lengthOut,
                                              AS_allocateFunction_t allocate /* or null */);
KQ_EXPORT uint32_t AS_SetAttrCharacteristics(STF_statusList_t *statusList, AS_setHandle_t set,
                                             uint32_t attrId, const void *data, uint32_t length);
KQ_EXPORT uint32_t AS_SetAttrCharacteristicsR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                              const void *data, uint32_t length);
KQ_EXPORT uint32_t AS_GetAttrIDR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                 uint32_t *attrIdOut);
KQ_EXPORT uint32_t AS_GetAttrModifyOp(STF_statusList_t *statusList, AS_setHandle_t set,
                                      uint32_t attrId, int32_t *modifyOpOut);
KQ_EXPORT uint32_t AS_GetAttrModifyOpR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                       int32_t *modifyOpOut);
KQ_EXPORT uint32_t AS_SetAttrModifyOp(STF_statusList_t *statusList, AS_setHandle_t set,
                                      uint32_t attrId, int32_t modifyOp);
KQ_EXPORT uint32_t AS_SetAttrModifyOpR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                       int32_t modifyOp);
KQ_EXPORT uint32_t AS_GetAttrSetR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                  AS_setHandle_t *setOut);
KQ_EXPORT uint32_t AS_IsAttrPresent(STF_statusList_t *statusList, AS_setHandle_t set,
                                    uint32_t attrId, uint32_t *presentOut);

/* Values. A value handed to an add or replace belongs to the set from then on
 * (unless the operation fails); M forms add a copy and leave the caller's value
 * alone. Values read back are borrowed: valid until the value is deleted. */
KQ_EXPORT uint32_t AS_AddAttrVal(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId,
                                 uint32_t valueType, void *value,
                                 const AS_valueDescriptor_t *descriptor,
                                 AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_AddAttrValR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                  uint32_t valueType, void *value,
                                  const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_AddAttrValM(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId,
                                  uint32_t valueType, const void *value,
                                  const AS_valueDescriptor_t *descriptor,
                                  AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_AddAttrValMR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                   uint32_t valueType, const void *value,
                                   const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_AddAttrValList(STF_statusList_t *statusList, AS_setHandle_t set,
                                     uint32_t attrId, uint32_t valueType,
                                     const AS_valueList_t *values,
                                     const AS_valueDescriptor_t *descriptor,
                                     AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_AddAttrValListR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                      uint32_t valueType, const AS_valueList_t *values,
                                      const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_CopyAttrVals(STF_statusList_t *statusList, AS_attrHandle_t destAttr,
                                   AS_setHandle_t sourceSet, uint32_t attrId);
KQ_EXPORT uint32_t AS_CopyAttrValsR(STF_statusList_t *statusList, AS_attrHandle_t destAttr,
                                    AS_attrHandle_t sourceAttr);
KQ_EXPORT uint32_t AS_DeleteAllAttrVals(STF_statusList_t *statusList, AS_setHandle_t set,
                                        uint32_t attrId);
KQ_EXPORT uint32_t AS_DeleteAllAttrValsR(STF_statusList_t *statusList, AS_attrHandle_t attr);
KQ_EXPORT uint32_t AS_DeleteAttrValVR(STF_statusList_t *statusList, AS_attrValHandle_t *val);
KQ_EXPORT uint32_t AS_FindFirstAttrVal(STF_statusList_t *statusList, AS_setHandle_t set,
                                       uint32_t attrId, AS_attrValHandle_t *valOut,
                                       void **valueOut /* or null */);
KQ_EXPORT uint32_t AS_FindFirstAttrValR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                        AS_attrValHandle_t *valOut, void **valueOut /* or null */);
KQ_EXPORT uint32_t AS_FindNextAttrValVR(STF_statusList_t *statusList, AS_attrValHandle_t *val,
                                        void **valueOut /* or null */);
KQ_EXPORT uint32_t AS_FindPrevAttrValVR(STF_statusList_t *statusList, AS_attrValHandle_t *val,
                                        void **valueOut /* or null */);
KQ_EXPORT uint32_t AS_GetAttrVal(STF_statusList_t *statusList, AS_setHandle_t set, uint32_t attrId,
                                 void **valueOut);
KQ_EXPORT uint32_t AS_GetAttrValR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                  void **valueOut);
KQ_EXPORT uint32_t AS_GetAttrValVR(STF_statusList_t *statusList, AS_attrValHandle_t val,
                                   void **valueOut);
/* The array of a returned list is the caller's, allocated by `allocate` (null:
 * malloc); {0, null} when the attribute has no values. */
KQ_EXPORT uint32_t AS_GetAttrValList(STF_statusList_t *statusList, AS_setHandle_t set,
                                     uint32_t attrId, AS_valueList_t *valuesOut,
                                     AS_allocateFunction_t allocate /* or null */);
KQ_EXPORT uint32_t AS_GetAttrValListR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                      AS_valueList_t *valuesOut,
                                      AS_allocateFunction_t allocate /* or null */);
KQ_EXPORT uint32_t AS_GetAttrValCount(STF_statusList_t *statusList, AS_setHandle_t set,
                                      uint32_t attrId, uint32_t *countOut);
KQ_EXPORT uint32_t AS_GetAttrValCountR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                       uint32_t *countOut);
KQ_EXPORT uint32_t AS_GetAttrValType(STF_statusList_t *statusList, AS_setHandle_t set,
                                     uint32_t attrId, uint32_t *valueTypeOut);
KQ_EXPORT uint32_t AS_GetAttrValTypeR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                      uint32_t *valueTypeOut);
KQ_EXPORT uint32_t AS_GetAttrValDescriptorVR(STF_statusList_t *statusList, AS_attrValHandle_t val,
                                             AS_valueDescriptor_t *descriptorOut);
KQ_EXPORT uint32_t AS_ReplaceAllAttrVals(STF_statusList_t *statusList, AS_setHandle_t set,
                                         uint32_t attrId, uint32_t valueType, void *value,
                                         const AS_valueDescriptor_t *descriptor,
                                         AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_ReplaceAllAttrValsR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                          uint32_t valueType, void *value,
                                          const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_ReplaceAllAttrValsM(STF_statusList_t *statusList, AS_setHandle_t set,
                                          uint32_t attrId, uint32_t valueType, const void *value,
                                          const AS_valueDescriptor_t *descriptor,
                                          AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_ReplaceAllAttrValsMR(STF_statusList_t *statusList, AS_attrHandle_t attr,
                                           uint32_t valueType, const void *value,
                                           const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_ReplaceAllAttrValsWithList(STF_statusList_t *statusList, AS_setHandle_t set,
                                                 uint32_t attrId, uint32_t valueType,
                                                 const AS_valueList_t *values,
                                                 const AS_valueDescriptor_t *descriptor,
                                                 AS_attrHandle_t *attrOut /* or null */);
KQ_EXPORT uint32_t AS_ReplaceAllAttrValsWithListR(STF_statusList_t *statusList,
                                                  AS_attrHandle_t attr, uint32_t valueType,
                                                  const AS_valueList_t *values,
                                                  const AS_valueDescriptor_t *descriptor);
KQ_EXPORT uint32_t AS_ReplaceAttrValVR(STF_statusList_t *statusList, AS_attrValHandle_t val,
                                       uint32_t valueType, void *newValue,
                                       const AS_valueDescriptor_t *newDescriptor);

/* Whole sets. Each result is a new set (handle with one user) holding copies of
 * everything, allocated through `allocateDescriptor` (null: malloc/free). The
 * sources are never changed. */
KQ_EXPORT uint32_t AS_Copy(STF_statusList_t *statusList, AS_setHandle_t *resultOut,
                           AS_setHandle_t source,
                           const AS_allocateDescriptor_t *allocateDescriptor /* or null */);
KQ_EXPORT uint32_t AS_Append(STF_statusList_t *statusList, AS_setHandle_t *resultOut,
                             AS_setHandle_t first, AS_setHandle_t second,
                             const AS_allocateDescriptor_t *allocateDescriptor /* or null */,
                             uint32_t allowDuplicates);
KQ_EXPORT uint32_t AS_Overlay(STF_statusList_t *statusList, AS_setHandle_t *resultOut,
                              AS_setHandle_t base, AS_setHandle_t overlay,
                              const AS_allocateDescriptor_t *allocateDescriptor /* or null */);
KQ_EXPORT uint32_t AS_Intersect(STF_statusList_t *statusList, AS_setHandle_t *resultOut,
                                AS_setHandle_t set, const AS_attrIdList_t *attrIds,
                                const AS_allocateDescriptor_t *allocateDescriptor /* or null */);
KQ_EXPORT uint32_t AS_Subset(STF_statusList_t *statusList, AS_setHandle_t *resultOut,
                             AS_setHandle_t set, const AS_attrIdList_t *attrIds,
                             const AS_allocateDescriptor_t *allocateDescriptor /* or null */);

KQ_END_DECLS

#endif
