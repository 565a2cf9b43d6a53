// Shared by the wire tests: random values made representable on the wire, and a
// guard that routes the calling thread's coding world through the counting allocator
// (so allocation failures can be injected and leaks seen).
#ifndef KQ_INFRA_GENU_TEST_WIRE_WIRE_TEST_SUPPORT_H
#define KQ_INFRA_GENU_TEST_WIRE_WIRE_TEST_SUPPORT_H

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../support/genv_test_support.h"
#include "internal/ber_runtime.h"
#include "private/genu_wire_bridge.h"
#include "private/genu_wire_int.h"

namespace kq::genu::test {

// A short OID that has a BER form (the ISO Latin code sets), chosen by `n`.
inline uint32_t ValidOid(uint32_t n) { return 369 + n % 4; }

// Texts keep a code set only in choice 5, where 0 means none; every identifier must
// be one the table knows.
template <typename T>
T *As(void *rec) {
  return static_cast<T *>(rec);
}
inline void FixOid(uint32_t *oid) { *oid = ValidOid(*oid); }
template <typename T>
void FixCodeSet(T *t) {
  t->codeSet = t->choice == GEN_TEXT_OTHER && t->codeSet ? ValidOid(t->codeSet) : 0;
}
inline void FixNameOrOid(GEN_NameOrOID_t *v) {
  return v->choice == 1 ? FixOid(&v->u.oid) : FixCodeSet(&v->u.name);
}

// Replaces an attribute held in a value by one of the registry's integer attributes
// holding the same number of values.
inline void FixAttr(AS_attrHandle_t *attr) {
  test::Status s;
  uint32_t count = 1;
  AS_GetAttrValCountR(s, *attr, &count);
  DeleteAttr(s, attr);
  std::vector<int32_t> values;
  for (uint32_t i = 0; i < count; ++i) values.push_back(static_cast<int32_t>(i * 7));
  AS_setHandle_t set = AS_nullSetHandle;
  AS_Create(s, &set, nullptr, 0);
  if (count) test::AddIntegers(set, 3001, values, attr);
  AS_FreeSetHandle(s, &set);
}

inline void FixName(GEN_Name_t *name);
inline void FixOrName(GEN_ORName_t *o, std::mt19937 &rng);

// Walks a record beside its wire type the way the converters pair them, and makes
// every part representable: identifiers the table knows, enumerations their named
// values, attributes registry attributes; records with converters of their own are
// fixed here by their layout.
inline void FixField(const Field &f, const ber_type *t, void *rec);
inline void FixForWire(const Layout *L, const ber_type *T, void *rec) {
  if (L == &kTextLayout) return FixCodeSet(As<GEN_Text_t>(rec));
  if (L == &kSimpleNameLayout) return FixCodeSet(As<GEN_SimpleName_t>(rec));
  if (L == &kFontReferenceLayout) return FixCodeSet(&As<GEN_FontReference_t>(rec)->name);
  if (L == &kNameOrOIDLayout) return FixNameOrOid(As<GEN_NameOrOID_t>(rec));
  if (L == &kIgnoredAttributeLayout) return FixAttr(&As<GEN_IgnoredAttribute_t>(rec)->attribute);
  if (L == &kDistNameStringLayout) {
    auto *d = As<GEN_DistNameString_t>(rec);
    FixCodeSet(&d->text);
    if (d->nameOrOid) FixNameOrOid(d->nameOrOid);
  }
  if (L == &kLocaleLayout) {
    auto *l = As<GEN_Locale_t>(rec);
    FixOid(&l->codeSet);  // the code set is not optional on the wire
    for (GEN_LocaleCode_t *c : {&l->language, &l->country})  // codes are two letters
      *c = GEN_LocaleCode_t{2, {static_cast<char>('a' + (c->value[0] & 7)), 'x'}};
  }
  if (L == &kDocumentFormatLayout) {
    auto *format = As<GEN_DocumentFormat_t>(rec);
    FixOid(&format->format);
    if (format->variants) FixCodeSet(format->variants);
    if (format->version) FixCodeSet(format->version);
  }
  if (L == &kObjectIdentLayout) {  // choices 3 to 7 hold an identifier or a record
    static const Layout *kMember[] = {&kDistNameStringLayout, &kFontReferenceLayout,
                                      &kNameOrOIDLayout, &kSimpleNameLayout};
    auto *object = As<GEN_ObjectIdent_t>(rec);
    if (object->choice == 3) FixOid(&object->u.oid);
    if (object->choice >= 4 && object->choice <= 7)
      FixForWire(kMember[object->choice - 4], nullptr, &object->u);
  }
  if (L == &kORNameLayout) {
    static thread_local std::mt19937 rng(77);
    return test::FixOrName(static_cast<GEN_ORName_t *>(rec), rng);
  }
  if (L == &kNameLayout) return test::FixName(static_cast<GEN_Name_t *>(rec));
  if (L == &kExternalLayout) {
    auto *e = static_cast<GEN_External_t *>(rec);
    if (e->directReference) e->directReference = ValidOid(e->directReference);
    return;
  }
  if (WireOverrideOf(L)) return;
  const Field *fields[16];
  const ber_type *inner = T;
  int32_t c = 0;
  if (L->maxChoice > 0) {
    c = *static_cast<int32_t *>(rec);
    if (T->kind != BER_K_CHOICE || c < 1 || static_cast<uint32_t>(c) > T->nfields) return;
    inner = T->fields[c - 1].type;
  }
  uint32_t n = FieldsOfChoice(L, c, fields, 16);
  if (n == 1 && PairsWhole(*fields[0], inner)) return FixField(*fields[0], inner, rec);
  for (uint32_t i = 0; i < n && i < inner->nfields; ++i)
    FixField(*fields[i], inner->fields[i].type, rec);
}

inline void FixField(const Field &f, const ber_type *t, void *rec) {
  char *p = static_cast<char *>(rec) + f.offset;
  switch (f.kind) {
    case FieldKind::kPtr:
      if (void *part = *reinterpret_cast<void **>(p)) FixForWire(f.sub, t, part);
      break;
    case FieldKind::kEmbed:
      FixForWire(f.sub, t, p);
      break;
    case FieldKind::kSeq:
      for (auto *n = *reinterpret_cast<GEN_ValueSeq_t **>(p); n; n = n->next)
        FixForWire(f.sub, t->elem, n->value);
      break;
    case FieldKind::kAttr:
      FixAttr(reinterpret_cast<AS_attrHandle_t *>(p));
      break;
    case FieldKind::kOctets: {
      // An open value must be one complete encoding: wrap the bytes in an OCTET STRING.
      auto *o = reinterpret_cast<GEN_OctetString_t *>(p);
      if (t->kind != BER_K_OPEN || o->length < 0 || o->length > 120) break;
      auto *wrapped = static_cast<unsigned char *>(malloc(static_cast<size_t>(o->length) + 3));
      wrapped[0] = 0x04;
      wrapped[1] = static_cast<unsigned char>(o->length);
      if (o->length) memcpy(wrapped + 2, o->value, static_cast<size_t>(o->length));
      wrapped[o->length + 2] = 0;
      free(o->value);
      o->value = wrapped;
      o->length += 2;
      break;
    }
    case FieldKind::kU32:
    case FieldKind::kI32:
      if (t->kind == BER_K_OID)
        *reinterpret_cast<uint32_t *>(p) = ValidOid(*reinterpret_cast<uint32_t *>(p));
      if (t->kind == BER_K_ENUM && t->nnames)
        *reinterpret_cast<int32_t *>(p) =
            t->names[*reinterpret_cast<uint32_t *>(p) % t->nnames].value;
      break;
    default:
      break;
  }
}

// A random value of type `id` made representable on the wire.
inline void MakeRepresentable(uint32_t id, void *rec) {
  if (id == 0) *As<GEN_Boolean_t>(rec) = *As<GEN_Boolean_t>(rec) == 1;  // only 1 is TRUE
  const ber_pdu *pdu = BER__FindPDU(&kq_0b, GENU_TypeToPDU(id));
  if (const Layout *L = LayoutOfType(id); L && pdu) FixForWire(L, pdu->type, rec);
}

using Bytes = std::string;
using Codes = std::vector<uint32_t>;

// One value packed under its id: the encoding (owned) and the codes of a failure.
struct Packed {
  int rc;
  Bytes encoding;
  Codes codes;
};
inline Packed Pack(uint32_t id, const void *value) {
  kq::test::StatusList s;
  OssBuf out{0, nullptr};
  int rc = static_cast<int>(JQP_PackAV(s, id, value, &out));
  Packed p{rc, Bytes(reinterpret_cast<char *>(out.value), out.value ? out.length : 0), s.Codes()};
  if (rc) {
    EXPECT_EQ(out.value, nullptr) << "a failed pack hands out no bytes";
  }
  free(out.value);
  return p;
}

// One encoding unpacked under an id; the record is deleted with the object.
struct Unpacked {
  int rc;
  void *rec = nullptr;
  AS_valueDescriptor_t desc{};
  Codes codes;
  Unpacked(uint32_t id, const Bytes &encoding) {
    kq::test::StatusList s;
    OssBuf in{static_cast<int32_t>(encoding.size()),
              reinterpret_cast<unsigned char *>(const_cast<char *>(encoding.data()))};
    rc = static_cast<int>(JQP_UnpackAV(s, &in, id, &rec, &desc));
    codes = s.Codes();
    if (rc) rec = nullptr;  // a failed unpack hands out no record
  }
  ~Unpacked() {
    if (!rec) return;
    kq::test::StatusList s;
    EXPECT_EQ(desc.deleteValue(s, rec, nullptr), 0u);
  }
  Unpacked(const Unpacked &) = delete;
  Unpacked &operator=(const Unpacked &) = delete;
};

// A wire structure of PDU `pdu` through the real coder: the decoded copy (null when
// the coding failed), freed with the object.
template <typename W>
struct ThroughCoder {
  int pdu;
  W *decoded = nullptr;
  ThroughCoder(int p, W *sent) : pdu(p) {
    OssBuf encoded{0, nullptr};
    void *out = nullptr;
    if (!GENU_OssEncode(nullptr, pdu, sent, &encoded) &&
        !GENU_OssDecode(nullptr, &pdu, &encoded, &out))
      decoded = static_cast<W *>(out);
    free(encoded.value);
  }
  ~ThroughCoder() { GENU_OssFreePDU(nullptr, pdu, decoded); }
  ThroughCoder(const ThroughCoder &) = delete;
  ThroughCoder &operator=(const ThroughCoder &) = delete;
};

// While alive, the thread's world allocates and frees through the counting allocator.
struct CountingWorld {
  OssGlobal *world = GENU_GetWorld();
  void *(*savedMalloc)(size_t);
  void (*savedFree)(void *);
  CountingWorld() : savedMalloc(world->mallocp), savedFree(world->freep) {
    test::Counting().Reset();
    world->mallocp = test::CountingAllocate;
    world->freep = test::CountingFree;
  }
  ~CountingWorld() {
    world->mallocp = savedMalloc;
    world->freep = savedFree;
  }
};

}  // namespace kq::genu::test

// EXPECT_REFUSED with the thread's world counting: no wire block is left behind.
#define EXPECT_REFUSED_CLEAN(code, call)                  \
  do {                                                    \
    kq::genu::test::CountingWorld guard_;                 \
    EXPECT_REFUSED(code, call);                           \
    EXPECT_TRUE(kq::genu::test::Counting().live.empty()); \
    EXPECT_EQ(kq::genu::test::Counting().badFrees, 0u);   \
  } while (0)

// The O/R name and directory name fix-ups.
#include "../x400/x400_test_support.h"

#endif
