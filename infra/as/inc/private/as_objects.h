// The four object kinds of an attribute set and the operations on single objects.
//
// Every set, attribute and value owns exactly one handle object. Callers hold the
// handle, never the object: when an object is deleted while its handle still has
// users, the handle is made stale (object magic and reference cleared) and lives on
// until its last holder frees it. Everything of a set, handles included, is
// allocated through the set's allocate descriptor.
//
// Operations that can fail take the status list first, add one code and return it
// (0 on success).
#pragma once

#include <cstdint>

#include "infra/as.h"

inline constexpr uint32_t AS__kHandleMagic = 0x41532d00;  // "AS-" 0
inline constexpr uint32_t AS__kSetMagic = 0x41532d01;
inline constexpr uint32_t AS__kAttrMagic = 0x41532d02;
inline constexpr uint32_t AS__kValMagic = 0x41532d03;

enum AS__HandleKind : uint32_t { AS__kSetKind = 0, AS__kAttrKind = 1, AS__kValKind = 2 };

inline constexpr uint32_t AS__kMaxCount = 0xffffffffu;  // attributes, values, users

struct AS__Set;
struct AS__Attr;
struct AS__Val;

struct AS__Handle {
  uint32_t magic;                      // AS__kHandleMagic; 0 once freed
  uint32_t userCount;                  // references held by callers
  uint32_t kind;                       // AS__HandleKind
  uint32_t objectMagic;                // magic of the object referred to; 0 when stale
  void *objectRef;                     // the object; null when stale
  AS_deallocateFunction_t deallocate;  // frees this handle
};

struct AS__Set {
  uint32_t magic;
  AS__Handle *handle;
  uint32_t duplicates;  // 1: an ID may occur several times
  uint32_t attrCount;
  AS__Attr *first;
  AS__Attr *last;
  AS_allocateDescriptor_t alloc;  // kept as one record: value functions take its address
};

struct AS__Attr {
  uint32_t magic;
  AS__Set *set;
  AS__Handle *handle;
  uint32_t attrId;
  uint32_t valueType;
  int32_t modifyOp;
  uint8_t *charData;  // characteristics block, owned; null when none
  uint32_t charLength;
  AS__Attr *next;
  AS__Attr *prev;
  uint32_t valCount;
  AS__Val *first;
  AS__Val *last;
};

struct AS__Val {
  uint32_t magic;
  AS__Attr *attr;
  AS__Handle *handle;
  AS__Val *next;
  AS__Val *prev;
  void *value;  // caller's value data, owned by the set
  AS_valueDescriptor_t desc;
};

// Reads an object's current magic; the handle check compares it with the magic the
// handle remembers.
using AS__GetMagicFunction = uint32_t (*)(const void *object);
uint32_t AS__GetSetMagicSO(const void *set);
uint32_t AS__GetAttrMagicAO(const void *attr);
uint32_t AS__GetValMagicVO(const void *val);
AS__GetMagicFunction AS__MagicReaderOf(uint32_t kind);

// The default allocate descriptor: malloc and free.
void *AS__Allocate(size_t size);
void AS__Deallocate(void *block);
extern const AS_allocateDescriptor_t AS__defaultAllocator;

// Allocates through `allocate`, adding AS_ST_NO_MEMORY on failure.
void *AS__AllocateOrReport(STF_statusList_t *sl, AS_allocateFunction_t allocate, size_t size);

// Adds `code` to the list and returns it.
uint32_t AS__Report(STF_statusList_t *sl, uint32_t code);

// ---- Handle objects (HO)

uint32_t AS__CreateHandleHO(STF_statusList_t *sl, uint32_t kind, void *objectRef,
                            uint32_t objectMagic, const AS_allocateDescriptor_t *alloc,
                            AS__Handle **handleOut);
void AS__DeleteHandleHO(AS__Handle *handle);
uint32_t AS__AcquireHandleHO(STF_statusList_t *sl, AS__Handle *handle);
void AS__ReleaseHandleHO(AS__Handle *handle);
inline bool AS__HandleIsInUseHO(const AS__Handle *h) { return h->userCount != 0; }
inline bool AS__HandleHasMultipleUsersHO(const AS__Handle *h) { return h->userCount > 1; }
inline void AS__MakeHandleStaleHO(AS__Handle *h) {
  h->objectMagic = 0;
  h->objectRef = nullptr;
}
inline void *AS__GetObjectRefFromHandleHO(const AS__Handle *h) { return h->objectRef; }
inline void AS__SetObjectRefInHandleHO(AS__Handle *h, void *object) { h->objectRef = object; }
inline void AS__SetObjectMagicInHandleHO(AS__Handle *h, uint32_t magic) { h->objectMagic = magic; }
inline uint32_t AS__GetHandleUserCountHO(const AS__Handle *h) { return h->userCount; }
// AS_ST_INVALID_HANDLE or AS_ST_STALE_HANDLE, or 0.
uint32_t AS__CheckHandleHO(STF_statusList_t *sl, const AS__Handle *handle, uint32_t kind,
                           AS__GetMagicFunction getMagic);
// What happens to the handle of a deleted object: stale when callers hold it,
// freed with the object otherwise.
void AS__RetireHandleHO(AS__Handle *handle);
// Drops one caller's reference to a stale handle; the last one frees it.
void AS__DropStaleUserHO(AS__Handle *handle);
// Moves a caller's reference from one handle to another (walking a list).
uint32_t AS__MoveUserHO(STF_statusList_t *sl, AS__Handle *from, AS__Handle *to);

// ---- Set objects (SO)

uint32_t AS__CreateSetSO(STF_statusList_t *sl, uint32_t duplicateFlag,
                         const AS_allocateDescriptor_t *alloc, AS__Handle *handle,
                         AS__Set **setOut);
void AS__DeleteSetSO(AS__Set *set);
void AS__AddAttrToSetSO(AS__Set *set, AS__Attr *attr);
void AS__RemoveAttrFromSetSO(AS__Set *set, AS__Attr *attr);
AS__Attr *AS__FindAttrInSetSO(const AS__Set *set, uint32_t attrId);
uint32_t AS__FindUniqueAttrInSetSO(STF_statusList_t *sl, const AS__Set *set, uint32_t attrId,
                                   AS__Attr **attrOut);
bool AS__CheckSetForDuplicatesSO(const AS__Set *set);
uint32_t AS__CheckSetSO(STF_statusList_t *sl, const AS__Set *set);
inline const AS_allocateDescriptor_t *AS__GetAllocateDescriptorSO(const AS__Set *set) {
  return &set->alloc;
}
inline void AS__SetDuplicateFlagSO(AS__Set *set, uint32_t flag) { set->duplicates = flag ? 1 : 0; }
inline uint32_t AS__GetAttrCountSO(const AS__Set *set) { return set->attrCount; }

// ---- Attribute objects (AO)

// The attribute refers to `parentSet` but is not linked into it.
uint32_t AS__CreateAttrAO(STF_statusList_t *sl, AS__Set *parentSet, uint32_t attrId,
                          uint32_t valueType, const int32_t *modifyOp,
                          AS_allocateFunction_t allocate, AS__Handle *handle, AS__Attr **attrOut);
void AS__DeleteAttrAO(AS__Attr *attr);
void AS__AddAttrValToAttrAO(AS__Attr *attr, AS__Val *val);
void AS__RemoveAttrValFromAttrAO(AS__Attr *attr, AS__Val *val);
AS__Attr *AS__FindAttrInListAO(AS__Attr *from, uint32_t attrId);
uint32_t AS__FindUniqueAttrInListAO(STF_statusList_t *sl, AS__Attr *from, uint32_t attrId,
                                    AS__Attr **attrOut);
bool AS__CheckListForDuplicateAttrsAO(const AS__Attr *from);
uint32_t AS__GetNextAttrAO(STF_statusList_t *sl, const AS__Attr *attr, AS__Attr **nextOut);
uint32_t AS__GetPrevAttrAO(STF_statusList_t *sl, const AS__Attr *attr, AS__Attr **prevOut);
uint32_t AS__SetAttrCharacteristicsDataAO(STF_statusList_t *sl, AS__Attr *attr, const void *data,
                                          uint32_t length);
uint32_t AS__CheckAttrAO(STF_statusList_t *sl, const AS__Attr *attr);
inline uint32_t AS__GetAttrIDAO(const AS__Attr *attr) { return attr->attrId; }
inline void AS__SetAttrModifyOpAO(AS__Attr *attr, int32_t op) { attr->modifyOp = op; }

// ---- Value objects (VO)

// The value refers to `parentAttr` but is not linked into it.
uint32_t AS__CreateAttrValVO(STF_statusList_t *sl, AS__Attr *parentAttr, void *value,
                             const AS_valueDescriptor_t *desc, AS_allocateFunction_t allocate,
                             AS__Handle *handle, AS__Val **valOut);
void AS__DeleteAttrValVO(AS__Val *val);  // the value object only, not its data
uint32_t AS__CopyAttrValPointerVO(STF_statusList_t *sl, const AS__Val *val,
                                  const AS_allocateDescriptor_t *alloc, void **copyOut);
uint32_t AS__DeleteAttrValPointerVO(STF_statusList_t *sl, AS__Val *val);
uint32_t AS__GetNextAttrValVO(STF_statusList_t *sl, const AS__Val *val, AS__Val **nextOut);
uint32_t AS__GetPrevAttrValVO(STF_statusList_t *sl, const AS__Val *val, AS__Val **prevOut);
inline void AS__ReplaceAttrValVO(AS__Val *val, void *value) { val->value = value; }
inline void AS__ReplaceAttrValDescVO(AS__Val *val, const AS_valueDescriptor_t *desc) {
  val->desc = *desc;
}
uint32_t AS__CheckValVO(STF_statusList_t *sl, const AS__Val *val);
inline void *AS__GetAttrValPointerVO(const AS__Val *val) { return val->value; }

// A value's set: its delete function runs through that set's allocate descriptor.
inline AS__Set *AS__SetOfValVO(const AS__Val *val) { return val->attr->set; }
