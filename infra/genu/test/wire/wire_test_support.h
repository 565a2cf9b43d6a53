// Shared by the wire tests: random values made representable on the wire, and a
// guard that routes the calling thread's coding world through the counting allocator
// (so allocation failures can be injected and leaks seen).
#pragma once

#include <cstring>

#include "../support/genv_test_support.h"
#include "private/ber_runtime.h"
#include "private/genu_wire_bridge.h"
#include "private/genu_wire_int.h"

namespace wiretest {

// A short OID that has a BER form (the ISO Latin code sets), chosen by `n`.
inline uint32_t ValidOid(uint32_t n) { return 369 + n % 4; }

// Texts keep a code set only in choice 5, where 0 means none; every identifier must
// be one the table knows.
inline void FixText(GEN_Text_t *t) {
  if (t->choice != GEN_TEXT_OTHER)
    t->codeSet = 0;
  else if (t->codeSet)
    t->codeSet = ValidOid(t->codeSet);
}
inline void FixName(GEN_SimpleName_t *t) {
  if (t->choice != GEN_TEXT_OTHER)
    t->codeSet = 0;
  else if (t->codeSet)
    t->codeSet = ValidOid(t->codeSet);
}
inline void FixNameOrOid(GEN_NameOrOID_t *v) {
  if (v->choice == 1)
    v->u.oid = ValidOid(v->u.oid);
  else
    FixName(&v->u.name);
}

inline void FixDistName(GEN_DistNameString_t *d) {
  FixText(&d->text);
  if (d->nameOrOid) FixNameOrOid(d->nameOrOid);
}

// Replaces an attribute held in a value by one of the registry's integer attributes
// holding the same number of values.
inline void FixAttr(AS_attrHandle_t *attr) {
  genvtest::Status s;
  uint32_t count = 1;
  AS_GetAttrValCountR(s, *attr, &count);
  genu_DeleteAttr(s, attr);
  AS_setHandle_t set = AS_nullSetHandle;
  AS_Create(s, &set, nullptr, 0);
  for (uint32_t i = 0; i < count; ++i) {
    auto *v = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *v = static_cast<int32_t>(i * 7);
    if (i == 0)
      AS_AddAttrVal(s, set, 3001, 12, v, &GENU_IntegerDesc, attr);
    else
      AS_AddAttrValR(s, *attr, 12, v, &GENU_IntegerDesc);
  }
  AS_FreeSetHandle(s, &set);
}
inline void FixIgnored(GEN_IgnoredAttribute_t *g) { FixAttr(&g->attribute); }

inline void MakeRepresentable(uint32_t id, void *rec);
inline void FixForWire(const GenuLayout *L, const ber_type *T, void *rec);

inline void MakeRepresentable(uint32_t id, void *rec) {
  switch (id) {
    case 0: {  // only 1 is TRUE on the wire
      auto *b = static_cast<GEN_Boolean_t *>(rec);
      *b = *b == 1;
      break;
    }
    case 5:
    case 16:
    case 28:
      FixText(static_cast<GEN_Text_t *>(rec));
      break;
    case 27:
    case 40:
      FixName(static_cast<GEN_SimpleName_t *>(rec));
      break;
    case 10:
      *static_cast<uint32_t *>(rec) = ValidOid(*static_cast<uint32_t *>(rec));
      break;
    case 18:
      FixNameOrOid(static_cast<GEN_NameOrOID_t *>(rec));
      break;
    case 34: {
      auto *v = static_cast<GEN_CardinalOrNoid_t *>(rec);
      if (v->choice == 2) FixNameOrOid(&v->u.nameOrOid);
      break;
    }
    case 35:
    case 72: {
      auto *v = static_cast<GEN_CardinalOrOid_t *>(rec);
      if (v->choice == 2) v->u.oid = ValidOid(v->u.oid);
      break;
    }
    case 6:
      FixDistName(static_cast<GEN_DistNameString_t *>(rec));
      break;
    case 61:
      FixDistName(&static_cast<GEN_NewJobIdentifier_t *>(rec)->serverName);
      break;
    case 33: {
      auto *m = static_cast<GEN_OidCardinalMap_t *>(rec);
      if (m->oid) *m->oid = ValidOid(*m->oid);
      break;
    }
    case 49: {
      auto *m = static_cast<GEN_InputTrayMedium_t *>(rec);
      FixNameOrOid(&m->inputTray);
      FixNameOrOid(&m->medium);
      break;
    }
    case 55: {
      auto *l = static_cast<GEN_Locale_t *>(rec);
      l->codeSet = ValidOid(l->codeSet);  // the code set is not optional on the wire
      for (GEN_LocaleCode_t *c : {&l->language, &l->country}) {  // codes are two letters
        c->length = 2;
        c->value[0] = static_cast<char>('a' + (c->value[0] & 7));
        c->value[1] = 'x';
      }
      break;
    }
    case 9:
      FixName(&static_cast<GEN_FontReference_t *>(rec)->name);
      break;
    case 19: {
      auto *v = static_cast<GEN_NumbersUpSupported_t *>(rec);
      if (v->choice == 2) FixNameOrOid(&v->u.nameOrOid);
      break;
    }
    case 43: {
      auto *f = static_cast<GEN_DocumentFormat_t *>(rec);
      f->format = ValidOid(f->format);
      if (f->variants) FixText(f->variants);
      if (f->version) FixName(f->version);
      break;
    }
    case 64: {
      auto *o = static_cast<GEN_ObjectIdent_t *>(rec);
      static const uint32_t kMember[] = {0, 0, 0, 10, 6, 9, 18, 27};  // id of each choice
      if (o->choice >= 3 && o->choice <= 7) MakeRepresentable(kMember[o->choice], &o->u);
      break;
    }
    case 11:
      FixIgnored(static_cast<GEN_IgnoredAttribute_t *>(rec));
      break;
    case 42:
    case 60:
    case 93:
      for (GEN_ValueSeq_t *n = static_cast<GEN_SeqOfObjId_t *>(rec)->first; n; n = n->next)
        MakeRepresentable(id == 42 ? 6 : id == 60 ? 18 : 10, n->value);
      break;
    default:
      if (const GenuLayout *L = genu_LayoutOfType(id)) {
        const ber_pdu *pdu = BER__FindPDU(&kq_0b, GENU_TypeToPDU(id));
        if (pdu) FixForWire(L, pdu->type, rec);
      }
      break;
  }
}

}  // namespace wiretest
namespace x400test {
inline void FixName(GEN_Name_t *name);
inline void FixOrName(GEN_ORName_t *o, std::mt19937 &rng);
}  // namespace x400test
namespace wiretest {

// Walks a record beside its wire type the way the converters pair them, and makes
// every part representable: identifiers the table knows, enumerations their named
// values, attributes registry attributes; records with converters of their own are
// fixed by the value type that holds them.
inline void FixField(const GenuField &f, const ber_type *t, void *rec);
inline void FixForWire(const GenuLayout *L, const ber_type *T, void *rec) {
  static const struct {
    const GenuLayout *layout;
    uint32_t id;
  } kById[] = {
      {&genu_L_Text, 28},           {&genu_L_SimpleName, 27},   {&genu_L_NameOrOID, 18},
      {&genu_L_DistNameString, 6},  {&genu_L_Locale, 55},       {&genu_L_ObjectIdent, 64},
      {&genu_L_DocumentFormat, 43}, {&genu_L_FontReference, 9}, {&genu_L_IgnoredAttribute, 11}};
  for (const auto &k : kById)
    if (k.layout == L) return MakeRepresentable(k.id, rec);
  if (L == &genu_L_ORName) {
    static thread_local std::mt19937 rng(77);
    return x400test::FixOrName(static_cast<GEN_ORName_t *>(rec), rng);
  }
  if (L == &genu_L_Name) return x400test::FixName(static_cast<GEN_Name_t *>(rec));
  if (L == &genu_L_External) {
    auto *e = static_cast<GEN_External_t *>(rec);
    if (e->directReference) e->directReference = ValidOid(e->directReference);
    return;
  }
  if (genu_WireOverrideOf(L)) return;
  const GenuField *fields[16];
  const ber_type *inner = T;
  int32_t c = 0;
  if (L->maxChoice > 0) {
    c = *static_cast<int32_t *>(rec);
    if (T->kind != BER_K_CHOICE || c < 1 || static_cast<uint32_t>(c) > T->nfields) return;
    inner = T->fields[c - 1].type;
  }
  uint32_t n = genu_FieldsOfChoice(L, c, fields, 16);
  if (n == 1 && genu_PairsWhole(*fields[0], inner)) return FixField(*fields[0], inner, rec);
  for (uint32_t i = 0; i < n && i < inner->nfields; ++i)
    FixField(*fields[i], inner->fields[i].type, rec);
}

inline void FixField(const GenuField &f, const ber_type *t, void *rec) {
  char *p = static_cast<char *>(rec) + f.offset;
  switch (f.kind) {
    case GK_PTR:
      if (void *part = *reinterpret_cast<void **>(p)) FixForWire(f.sub, t, part);
      break;
    case GK_EMBED:
      FixForWire(f.sub, t, p);
      break;
    case GK_SEQ:
      for (auto *n = *reinterpret_cast<GEN_ValueSeq_t **>(p); n; n = n->next)
        FixForWire(f.sub, t->elem, n->value);
      break;
    case GK_ATTR:
      FixAttr(reinterpret_cast<AS_attrHandle_t *>(p));
      break;
    case GK_OCTETS: {
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
    case GK_U32:
    case GK_I32:
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

// While alive, the thread's world allocates and frees through the counting allocator.
struct CountingWorld {
  OssGlobal *world = GENU_GetWorld();
  void *(*savedMalloc)(size_t);
  void (*savedFree)(void *);
  CountingWorld() : savedMalloc(world->mallocp), savedFree(world->freep) {
    genvtest::counter() = genvtest::Counter{};
    world->mallocp = genvtest::countingAllocate;
    world->freep = genvtest::countingFree;
  }
  ~CountingWorld() {
    world->mallocp = savedMalloc;
    world->freep = savedFree;
  }
};

}  // namespace wiretest

// EXPECT_REFUSED with the thread's world counting: no wire block is left behind.
#define EXPECT_REFUSED_CLEAN(code, call)           \
  do {                                             \
    wiretest::CountingWorld guard_;                \
    EXPECT_REFUSED(code, call);                    \
    EXPECT_TRUE(genvtest::counter().live.empty()); \
    EXPECT_EQ(genvtest::counter().badFrees, 0u);   \
  } while (0)

// The O/R name and directory name fix-ups.
#include "../x400/x400_test_support.h"
