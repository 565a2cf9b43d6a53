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
#ifndef KQ_INFRA_AS_INC_PRIVATE_AS_OBJECTS_H
#define KQ_INFRA_AS_INC_PRIVATE_AS_OBJECTS_H

#include <cstdint>

#include "infra/as.h"

namespace kq::as {

inline constexpr uint32_t kHandleMagic = 0x41532d00;  // "AS-" 0
inline constexpr uint32_t kSetMagic = 0x41532d01;
inline constexpr uint32_t kAttrMagic = 0x41532d02;
inline constexpr uint32_t kValMagic = 0x41532d03;

enum HandleKind : uint32_t { kSetKind = 0, kAttrKind = 1, kValKind = 2 };

inline constexpr uint32_t kMaxCount = 0xffffffffu;  // attributes, values, users

struct Set;
struct Attr;
struct Val;
struct AttrIndex;

struct Handle {
  uint32_t magic;                      // kHandleMagic; 0 once freed
  uint32_t userCount;                  // references held by callers
  uint32_t kind;                       // HandleKind
  uint32_t objectMagic;                // magic of the object referred to; 0 when stale
  void *objectRef;                     // the object; null when stale
  AS_deallocateFunction_t deallocate;  // frees this handle
};

struct Set {
  uint32_t magic;
  Handle *handle;
  uint32_t duplicates;  // 1: an ID may occur several times
  uint32_t attrCount;
  Attr *first;
  Attr *last;
  AttrIndex *index;               // attributes by ID beside the list; null while the set is small
  AS_allocateDescriptor_t alloc;  // kept as one record: value functions take its address
};

struct Attr {
  uint32_t magic;
  Set *set;
  Handle *handle;
  uint32_t attrId;
  uint32_t valueType;
  int32_t modifyOp;
  uint8_t *charData;  // characteristics block, owned; null when none
  uint32_t charLength;
  Attr *next;
  Attr *prev;
  uint32_t valCount;
  Val *first;
  Val *last;
};

struct Val {
  uint32_t magic;
  Attr *attr;
  Handle *handle;
  Val *next;
  Val *prev;
  void *value;  // caller's value data, owned by the set
  AS_valueDescriptor_t desc;
};

// Reads an object's current magic; the handle check compares it with the magic the
// handle remembers.
using GetMagicFunction = uint32_t (*)(const void *object);
uint32_t GetSetMagicSO(const void *set);
uint32_t GetAttrMagicAO(const void *attr);
uint32_t GetValMagicVO(const void *val);
GetMagicFunction MagicReaderOf(uint32_t kind);

}  // namespace kq::as

// The default allocate descriptor: malloc and free.
void *AS__Allocate(size_t size);
void AS__Deallocate(void *block);
extern const AS_allocateDescriptor_t AS__defaultAllocator;

namespace kq::as {

// Allocates through `allocate`, adding AS_ST_NO_MEMORY on failure.
void *AllocateOrReport(STF_statusList_t *sl, AS_allocateFunction_t allocate, size_t size);

// Adds `code` to the list and returns it.
uint32_t Report(STF_statusList_t *sl, uint32_t code);

}  // namespace kq::as

// ---- Handle objects (HO)

namespace kq::as {

uint32_t CreateHandleHO(STF_statusList_t *sl, uint32_t kind, void *objectRef, uint32_t objectMagic,
                        const AS_allocateDescriptor_t *alloc, Handle **handleOut);

}  // namespace kq::as
void AS__DeleteHandleHO(kq::as::Handle *handle);
uint32_t AS__AcquireHandleHO(STF_statusList_t *sl, kq::as::Handle *handle);
void AS__ReleaseHandleHO(kq::as::Handle *handle);
inline bool AS__HandleIsInUseHO(const kq::as::Handle *h) { return h->userCount != 0; }
inline bool AS__HandleHasMultipleUsersHO(const kq::as::Handle *h) { return h->userCount > 1; }
inline void AS__MakeHandleStaleHO(kq::as::Handle *h) {
  h->objectMagic = 0;
  h->objectRef = nullptr;
}
inline void *AS__GetObjectRefFromHandleHO(const kq::as::Handle *h) { return h->objectRef; }
inline void AS__SetObjectRefInHandleHO(kq::as::Handle *h, void *object) { h->objectRef = object; }
inline void AS__SetObjectMagicInHandleHO(kq::as::Handle *h, uint32_t magic) {
  h->objectMagic = magic;
}
inline uint32_t AS__GetHandleUserCountHO(const kq::as::Handle *h) { return h->userCount; }
// AS_ST_INVALID_HANDLE or AS_ST_STALE_HANDLE, or 0.
uint32_t AS__CheckHandleHO(STF_statusList_t *sl, const kq::as::Handle *handle, uint32_t kind,
                           kq::as::GetMagicFunction getMagic);
namespace kq::as {

// What happens to the handle of a deleted object: stale when callers hold it,
// freed with the object otherwise.
void RetireHandleHO(Handle *handle);
// Drops one caller's reference to a stale handle; the last one frees it.
void DropStaleUserHO(Handle *handle);
// Moves a caller's reference from one handle to another (walking a list).
uint32_t MoveUserHO(STF_statusList_t *sl, Handle *from, Handle *to);

}  // namespace kq::as

// ---- Set objects (SO)

namespace kq::as {

uint32_t CreateSetSO(STF_statusList_t *sl, uint32_t duplicateFlag,
                     const AS_allocateDescriptor_t *alloc, Handle *handle, Set **setOut);

}  // namespace kq::as
void AS__DeleteSetSO(kq::as::Set *set);
void AS__AddAttrToSetSO(kq::as::Set *set, kq::as::Attr *attr);
void AS__RemoveAttrFromSetSO(kq::as::Set *set, kq::as::Attr *attr);
kq::as::Attr *AS__FindAttrInSetSO(const kq::as::Set *set, uint32_t attrId);
uint32_t AS__FindUniqueAttrInSetSO(STF_statusList_t *sl, const kq::as::Set *set, uint32_t attrId,
                                   kq::as::Attr **attrOut);
bool AS__CheckSetForDuplicatesSO(const kq::as::Set *set);
// Makes room for `extra` more attributes before any of them is linked, so that linking
// cannot fail: a set of kIndexFrom attributes or more finds attributes through an index
// allocated with the set's allocate descriptor. AS_ST_NO_MEMORY, the set unchanged,
// when that allocation fails.
uint32_t AS__ReserveAttrsSO(STF_statusList_t *sl, kq::as::Set *set, uint32_t extra);
uint32_t AS__CheckSetSO(STF_statusList_t *sl, const kq::as::Set *set);
inline const AS_allocateDescriptor_t *AS__GetAllocateDescriptorSO(const kq::as::Set *set) {
  return &set->alloc;
}
inline void AS__SetDuplicateFlagSO(kq::as::Set *set, uint32_t flag) {
  set->duplicates = flag ? 1 : 0;
}
inline uint32_t AS__GetAttrCountSO(const kq::as::Set *set) { return set->attrCount; }

// ---- The attribute index (attr_index.cc)

namespace kq::as {

// From this many attributes on, a set looks attributes up by ID through an open-addressing
// hash table instead of walking its list. Below it the walk is as fast, and a request-sized
// set (about 30 attributes) is spared the table's block: a heap block of 1 KiB or more makes
// the C heap consolidate its small free blocks, which costs more than the walks it saves.
inline constexpr uint32_t kIndexFrom = 32;

// What the index knows of one ID: the first attribute with it in list order, and how many
// attributes carry it (more than one only in a set that allows duplicates).
struct IndexHit {
  Attr *first;
  uint32_t count;
};

// Grows (or first builds, from the list) the index of `set` so that `attrs` distinct IDs
// fit; false when the allocation fails, the index left as it was.
bool GrowIndex(Set *set, uint32_t attrs);
// Whether the index has room for `more` further IDs without growing.
bool IndexHasRoom(const AttrIndex *index, uint32_t more);
// Records `attr`, just appended to the list (room reserved beforehand).
void IndexAppended(AttrIndex *index, Attr *attr);
// Forgets `attr`, still linked in the list.
void IndexRemoving(AttrIndex *index, const Attr *attr);
IndexHit IndexFind(const AttrIndex *index, uint32_t attrId);
// Whether some ID is carried by more than one attribute.
bool IndexHasDuplicates(const AttrIndex *index);
void FreeIndex(Set *set);

}  // namespace kq::as

// ---- Attribute objects (AO)

namespace kq::as {

// The attribute refers to `parentSet` but is not linked into it.
uint32_t CreateAttrAO(STF_statusList_t *sl, Set *parentSet, uint32_t attrId, uint32_t valueType,
                      const int32_t *modifyOp, AS_allocateFunction_t allocate, Handle *handle,
                      Attr **attrOut);

}  // namespace kq::as
void AS__DeleteAttrAO(kq::as::Attr *attr);
void AS__AddAttrValToAttrAO(kq::as::Attr *attr, kq::as::Val *val);
void AS__RemoveAttrValFromAttrAO(kq::as::Attr *attr, kq::as::Val *val);
kq::as::Attr *AS__FindAttrInListAO(kq::as::Attr *from, uint32_t attrId);
uint32_t AS__FindUniqueAttrInListAO(STF_statusList_t *sl, kq::as::Attr *from, uint32_t attrId,
                                    kq::as::Attr **attrOut);
bool AS__CheckListForDuplicateAttrsAO(const kq::as::Attr *from);
uint32_t AS__GetNextAttrAO(STF_statusList_t *sl, const kq::as::Attr *attr, kq::as::Attr **nextOut);
uint32_t AS__GetPrevAttrAO(STF_statusList_t *sl, const kq::as::Attr *attr, kq::as::Attr **prevOut);
uint32_t AS__SetAttrCharacteristicsDataAO(STF_statusList_t *sl, kq::as::Attr *attr,
                                          const void *data, uint32_t length);
uint32_t AS__CheckAttrAO(STF_statusList_t *sl, const kq::as::Attr *attr);
inline uint32_t AS__GetAttrIDAO(const kq::as::Attr *attr) { return attr->attrId; }
inline void AS__SetAttrModifyOpAO(kq::as::Attr *attr, int32_t op) { attr->modifyOp = op; }

// ---- Value objects (VO)

namespace kq::as {

// The value refers to `parentAttr` but is not linked into it.
uint32_t CreateAttrValVO(STF_statusList_t *sl, Attr *parentAttr, void *value,
                         const AS_valueDescriptor_t *desc, AS_allocateFunction_t allocate,
                         Handle *handle, Val **valOut);

}  // namespace kq::as
void AS__DeleteAttrValVO(kq::as::Val *val);  // the value object only, not its data
uint32_t AS__CopyAttrValPointerVO(STF_statusList_t *sl, const kq::as::Val *val,
                                  const AS_allocateDescriptor_t *alloc, void **copyOut);
uint32_t AS__DeleteAttrValPointerVO(STF_statusList_t *sl, kq::as::Val *val);
uint32_t AS__GetNextAttrValVO(STF_statusList_t *sl, const kq::as::Val *val, kq::as::Val **nextOut);
uint32_t AS__GetPrevAttrValVO(STF_statusList_t *sl, const kq::as::Val *val, kq::as::Val **prevOut);
inline void AS__ReplaceAttrValVO(kq::as::Val *val, void *value) { val->value = value; }
inline void AS__ReplaceAttrValDescVO(kq::as::Val *val, const AS_valueDescriptor_t *desc) {
  val->desc = *desc;
}
uint32_t AS__CheckValVO(STF_statusList_t *sl, const kq::as::Val *val);
inline void *AS__GetAttrValPointerVO(const kq::as::Val *val) { return val->value; }

namespace kq::as {

// A value's set: its delete function runs through that set's allocate descriptor.
inline Set *SetOfValVO(const Val *val) { return val->attr->set; }

}  // namespace kq::as

#endif
