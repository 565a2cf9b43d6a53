// The table-driven engine: deep copy, deep delete, copy, delete and structural
// compare of any record described by a kq::genu::Layout.
#include <cstring>

#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/genu_layout.h"

namespace kq::genu {

namespace {

template <typename T>
T &at(void *rec, uint32_t off) {
  return *reinterpret_cast<T *>(static_cast<char *>(rec) + off);
}
template <typename T>
const T &at(const void *rec, uint32_t off) {
  return *reinterpret_cast<const T *>(static_cast<const char *>(rec) + off);
}
void *addr(void *rec, uint32_t off) { return static_cast<char *>(rec) + off; }
const void *addr(const void *rec, uint32_t off) { return static_cast<const char *>(rec) + off; }

bool choiceValid(const Layout *L, const void *rec) {
  if (L->maxChoice == 0) return true;
  int32_t c = at<int32_t>(rec, 0);
  return c >= 1 && c <= L->maxChoice;
}

bool active(const Field &f, const void *rec) {
  if (f.when == 0) return true;
  int32_t c = at<int32_t>(rec, 0);
  return c >= f.when && c <= (f.whenLast ? f.whenLast : f.when);
}

template <typename T>
int32_t order(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Clears the owned parts of a record whose bytes were copied from another, so
// that a failed copy can be released without touching the source's parts.
void detach(const Layout *L, void *rec) {
  if (!choiceValid(L, rec)) return;
  for (uint32_t i = 0; i < L->fieldCount; ++i) {
    const Field &f = L->fields[i];
    if (!active(f, rec)) continue;
    switch (f.kind) {
      case FieldKind::kCStr:
      case FieldKind::kPtr:
      case FieldKind::kSeq:
        at<void *>(rec, f.offset) = nullptr;
        break;
      case FieldKind::kAttr:
        at<AS_attrHandle_t>(rec, f.offset) = AS_nullAttrHandle;
        break;
      case FieldKind::kOctets:
        at<GEN_OctetString_t>(rec, f.offset) = GEN_OctetString_t{0, nullptr};
        break;
      case FieldKind::kBits:
        at<GEN_BitString_t>(rec, f.offset) = GEN_BitString_t{0, nullptr};
        break;
      case FieldKind::kEmbed:
        detach(f.sub, addr(rec, f.offset));
        break;
      default:
        break;
    }
  }
}

uint32_t copySeq(STF_statusList_t *sl, const Layout *sub, GEN_ValueSeq_t **head,
                 const GEN_ValueSeq_t *src, const AS_allocateDescriptor_t *alloc) {
  GEN_ValueSeq_t **tail = head;
  for (; src; src = src->next) {
    auto *node = static_cast<GEN_ValueSeq_t *>(Alloc(alloc, sizeof(GEN_ValueSeq_t)));
    if (!node) return STF__Fail(sl, GENU_ST_NO_MEMORY);
    node->next = nullptr;
    if (Copy(sl, sub, &node->value, src->value, alloc)) {
      Free(alloc, node);
      return 1;
    }
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

uint32_t copyField(STF_statusList_t *sl, const Field &f, void *dst, const void *src,
                   const AS_allocateDescriptor_t *alloc) {
  switch (f.kind) {
    case FieldKind::kCStr: {
      const char *s = at<const char *>(src, f.offset);
      if (!s) return 0;
      int32_t n = static_cast<int32_t>(strlen(s));
      char *c = GEN_CopyCharArray(s, n + 1, n + 1, alloc);
      if (!c) return STF__Fail(sl, GENU_ST_NO_MEMORY);
      at<char *>(dst, f.offset) = c;
      return 0;
    }
    case FieldKind::kOctets:
      return CopyOctets(sl, &at<GEN_OctetString_t>(dst, f.offset),
                        &at<GEN_OctetString_t>(src, f.offset), alloc);
    case FieldKind::kBits:
      return CopyBits(sl, &at<GEN_BitString_t>(dst, f.offset), &at<GEN_BitString_t>(src, f.offset),
                      alloc);
    case FieldKind::kShortOct: {
      int16_t n = at<int16_t>(src, f.offset);
      if (n < 0 || static_cast<uint32_t>(n) > f.size) return STF__Fail(sl, GENU_ST_BAD_VALUE);
      return 0;
    }
    case FieldKind::kEmbed:
      return DeepCopy(sl, f.sub, addr(dst, f.offset), addr(src, f.offset), alloc);
    case FieldKind::kPtr: {
      const void *p = at<const void *>(src, f.offset);
      if (!p) return 0;
      return Copy(sl, f.sub, &at<void *>(dst, f.offset), p, alloc);
    }
    case FieldKind::kSeq:
      return copySeq(sl, f.sub, &at<GEN_ValueSeq_t *>(dst, f.offset),
                     at<const GEN_ValueSeq_t *>(src, f.offset), alloc);
    case FieldKind::kAttr:
      return CopyAttr(sl, &at<AS_attrHandle_t>(dst, f.offset), &at<AS_attrHandle_t>(src, f.offset),
                      alloc);
    default:
      return 0;  // inline data came with the record's bytes
  }
}

uint32_t deleteField(STF_statusList_t *sl, const Field &f, void *rec,
                     const AS_allocateDescriptor_t *alloc) {
  switch (f.kind) {
    case FieldKind::kCStr:
      Free(alloc, at<char *>(rec, f.offset));
      return 0;
    case FieldKind::kOctets:
      return DeleteOctets(sl, &at<GEN_OctetString_t>(rec, f.offset), alloc);
    case FieldKind::kBits:
      return DeleteBits(sl, &at<GEN_BitString_t>(rec, f.offset), alloc);
    case FieldKind::kEmbed:
      return DeepDelete(sl, f.sub, addr(rec, f.offset), alloc);
    case FieldKind::kPtr: {
      void *p = at<void *>(rec, f.offset);
      return p ? Delete(sl, f.sub, p, alloc) : 0;
    }
    case FieldKind::kSeq: {
      uint32_t rc = 0;
      GEN_ValueSeq_t *n = at<GEN_ValueSeq_t *>(rec, f.offset);
      while (n) {
        GEN_ValueSeq_t *next = n->next;
        if (n->value) rc |= Delete(sl, f.sub, n->value, alloc);
        Free(alloc, n);
        n = next;
      }
      return rc;
    }
    case FieldKind::kAttr:
      return DeleteAttr(sl, &at<AS_attrHandle_t>(rec, f.offset));
    default:
      return 0;
  }
}

uint32_t compareSeq(STF_statusList_t *sl, const Layout *sub, const GEN_ValueSeq_t *a,
                    const GEN_ValueSeq_t *b, int32_t *result) {
  for (; a && b; a = a->next, b = b->next) {
    if (Compare(sl, sub, a->value, b->value, result)) return 1;
    if (*result != 0) return 0;
  }
  *result = a ? 1 : (b ? -1 : 0);
  return 0;
}

uint32_t compareField(STF_statusList_t *sl, const Field &f, const void *a, const void *b,
                      int32_t *r) {
  switch (f.kind) {
    case FieldKind::kI32:
      *r = order(at<int32_t>(a, f.offset), at<int32_t>(b, f.offset));
      return 0;
    case FieldKind::kU32:
      *r = order(at<uint32_t>(a, f.offset), at<uint32_t>(b, f.offset));
      return 0;
    case FieldKind::kI16:
      *r = order(at<int16_t>(a, f.offset), at<int16_t>(b, f.offset));
      return 0;
    case FieldKind::kF64:
      *r = order(at<double>(a, f.offset), at<double>(b, f.offset));
      return 0;
    case FieldKind::kChars: {
      int c = strncmp(static_cast<const char *>(addr(a, f.offset)),
                      static_cast<const char *>(addr(b, f.offset)), f.size);
      *r = order(c, 0);
      return 0;
    }
    case FieldKind::kBytes:
      *r = order(memcmp(addr(a, f.offset), addr(b, f.offset), f.size), 0);
      return 0;
    case FieldKind::kShortOct:
      return GENU__CompareShortOctetString(sl, addr(a, f.offset), addr(b, f.offset), r);
    case FieldKind::kCStr: {
      GEN_CString_t x{at<char *>(a, f.offset)}, y{at<char *>(b, f.offset)};
      return GEN_CompareCString(sl, &x, &y, r);
    }
    case FieldKind::kOctets:
      return GEN_CompareOctetString(sl, &at<GEN_OctetString_t>(a, f.offset),
                                    &at<GEN_OctetString_t>(b, f.offset), r);
    case FieldKind::kBits: {
      const auto &x = at<GEN_BitString_t>(a, f.offset);
      const auto &y = at<GEN_BitString_t>(b, f.offset);
      *r = order(x.bitLength, y.bitLength);
      if (*r == 0 && x.bitLength > 0)
        *r = order(memcmp(x.bits, y.bits, (static_cast<size_t>(x.bitLength) + 7) / 8), 0);
      return 0;
    }
    case FieldKind::kEmbed:
      return Compare(sl, f.sub, addr(a, f.offset), addr(b, f.offset), r);
    case FieldKind::kPtr: {
      const void *x = at<const void *>(a, f.offset), *y = at<const void *>(b, f.offset);
      if (!x || !y) {
        *r = x ? 1 : (y ? -1 : 0);
        return 0;
      }
      return Compare(sl, f.sub, x, y, r);
    }
    case FieldKind::kSeq:
      return compareSeq(sl, f.sub, at<const GEN_ValueSeq_t *>(a, f.offset),
                        at<const GEN_ValueSeq_t *>(b, f.offset), r);
    case FieldKind::kAttr:
      return GENU__CompareAttrHandle(sl, &at<AS_attrHandle_t>(a, f.offset),
                                     &at<AS_attrHandle_t>(b, f.offset), r);
  }
  return 0;
}

}  // namespace

void *Alloc(const AS_allocateDescriptor_t *alloc, size_t size) {
  return alloc && alloc->allocate ? alloc->allocate(size) : GENU_DefMalloc(size);
}

void Free(const AS_allocateDescriptor_t *alloc, void *block) {
  if (alloc && alloc->deallocate)
    alloc->deallocate(block);
  else
    GENU_DefFree(block);
}

uint32_t DeepCopy(STF_statusList_t *sl, const Layout *L, void *dst, const void *src,
                  const AS_allocateDescriptor_t *alloc) {
  if (!choiceValid(L, src)) {
    memset(dst, 0, L->size);
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  }
  memcpy(dst, src, L->size);
  detach(L, dst);
  for (uint32_t i = 0; i < L->fieldCount; ++i) {
    const Field &f = L->fields[i];
    if (!active(f, src)) continue;
    if (copyField(sl, f, dst, src, alloc)) {
      DeepDelete(kq::stf::ScratchList(), L, dst, alloc);
      return 1;
    }
  }
  return 0;
}

uint32_t DeepDelete(STF_statusList_t *sl, const Layout *L, void *rec,
                    const AS_allocateDescriptor_t *alloc) {
  uint32_t rc = 0;
  if (!choiceValid(L, rec)) {
    STF_AddStatus(sl, GENU_ST_BAD_VALUE, 0);
    rc = 1;
  } else {
    for (uint32_t i = 0; i < L->fieldCount; ++i)
      if (active(L->fields[i], rec)) rc |= deleteField(sl, L->fields[i], rec, alloc);
  }
  memset(rec, 0, L->size);
  return rc;
}

uint32_t Copy(STF_statusList_t *sl, const Layout *L, void **out, const void *src,
              const AS_allocateDescriptor_t *alloc) {
  if (!out) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  *out = nullptr;
  if (!src) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  void *rec = Alloc(alloc, L->size);
  if (!rec) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  if (DeepCopy(sl, L, rec, src, alloc)) {
    Free(alloc, rec);
    return 1;
  }
  *out = rec;
  return 0;
}

uint32_t Delete(STF_statusList_t *sl, const Layout *L, void *rec,
                const AS_allocateDescriptor_t *alloc) {
  if (!rec) return STF__Fail(sl, GENU_ST_NULL_DELETE);
  uint32_t rc = DeepDelete(sl, L, rec, alloc);
  Free(alloc, rec);
  return rc;
}

uint32_t Compare(STF_statusList_t *sl, const Layout *L, const void *a, const void *b,
                 int32_t *result) {
  if (L->compare) return L->compare(sl, a, b, result);
  return CompareStruct(sl, L, a, b, result);
}

uint32_t CompareStruct(STF_statusList_t *sl, const Layout *L, const void *a, const void *b,
                       int32_t *result) {
  if (!a || !b) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  if (!choiceValid(L, a) || !choiceValid(L, b)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  *result = 0;
  if (L->maxChoice > 0) {
    *result = order(at<int32_t>(a, 0), at<int32_t>(b, 0));
    if (*result != 0) return 0;
  }
  for (uint32_t i = 0; i < L->fieldCount; ++i) {
    const Field &f = L->fields[i];
    if (!active(f, a)) continue;
    if (compareField(sl, f, a, b, result)) return 1;
    if (*result != 0) return 0;
  }
  *result = 0;
  return 0;
}

}  // namespace kq::genu
