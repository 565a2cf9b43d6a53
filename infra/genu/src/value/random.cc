// Random values of any record, walking its layout: used by the tests and the
// benchmark to exercise every record through the same engine.
#include <cstdlib>
#include <cstring>

#include "internal/stf_scratch.h"
#include "private/genu_hooks.h"
#include "private/genu_layout.h"

namespace kq::genu {

namespace {

constexpr int kMaxDepth = 4;

uint32_t pick(std::mt19937 &rng, uint32_t n) { return n ? static_cast<uint32_t>(rng() % n) : 0; }

void letters(char *out, uint32_t n, std::mt19937 &rng) {
  for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<char>('a' + pick(rng, 26));
}

void *zalloc(size_t n) { return calloc(1, n); }

void randomOctets(GEN_OctetString_t *o, std::mt19937 &rng) {
  o->length = static_cast<int32_t>(pick(rng, 13));
  o->value = nullptr;
  if (o->length == 0) return;
  o->value = static_cast<unsigned char *>(zalloc(static_cast<size_t>(o->length) + 1));
  letters(reinterpret_cast<char *>(o->value), static_cast<uint32_t>(o->length), rng);
}

// An attribute with one to three integer values in its own private set.
AS_attrHandle_t randomAttribute(std::mt19937 &rng) {
  kq::stf::ScratchList sl;
  AS_setHandle_t set = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  AS_Create(sl, &set, nullptr, 0);
  uint32_t id = 100 + pick(rng, 3), n = 1 + pick(rng, 3);
  for (uint32_t i = 0; i < n; ++i) {
    auto *v = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *v = static_cast<int32_t>(pick(rng, 3));
    if (i == 0)
      AS_AddAttrVal(sl, set, id, 12, v, &GENU_IntegerDesc, &attr);
    else
      AS_AddAttrValR(sl, attr, 12, v, &GENU_IntegerDesc);
  }
  AS_FreeSetHandle(sl, &set);
  return attr;
}

template <typename T>
T &at(void *rec, uint32_t off) {
  return *reinterpret_cast<T *>(static_cast<char *>(rec) + off);
}

void randomField(const Field &f, void *rec, std::mt19937 &rng, int depth) {
  void *p = static_cast<char *>(rec) + f.offset;
  switch (f.kind) {
    case FieldKind::kI32:
      at<int32_t>(rec, f.offset) = static_cast<int32_t>(pick(rng, 6));
      break;
    case FieldKind::kU32:
      at<uint32_t>(rec, f.offset) = pick(rng, 4);
      break;
    case FieldKind::kI16:
      at<int16_t>(rec, f.offset) = static_cast<int16_t>(pick(rng, 6));
      break;
    case FieldKind::kF64:
      at<double>(rec, f.offset) = pick(rng, 12) / 4.0;
      break;
    case FieldKind::kChars: {
      uint32_t n = pick(rng, (f.size - 1 < 12 ? f.size - 1 : 12) + 1);
      memset(p, 0, f.size);
      letters(static_cast<char *>(p), n, rng);
      break;
    }
    case FieldKind::kShortOct: {
      uint32_t n = pick(rng, (f.size < 12 ? f.size : 12) + 1);
      at<int16_t>(rec, f.offset) = static_cast<int16_t>(n);
      letters(static_cast<char *>(p) + 2, n, rng);
      break;
    }
    case FieldKind::kBytes:
      for (uint32_t i = 0; i < f.size; ++i) static_cast<unsigned char *>(p)[i] = pick(rng, 256);
      break;
    case FieldKind::kCStr: {
      uint32_t n = pick(rng, 13);
      char *s = static_cast<char *>(zalloc(n + 1));
      letters(s, n, rng);
      at<char *>(rec, f.offset) = s;
      break;
    }
    case FieldKind::kOctets:
      randomOctets(static_cast<GEN_OctetString_t *>(p), rng);
      break;
    case FieldKind::kBits: {
      GEN_OctetString_t o;
      randomOctets(&o, rng);
      *static_cast<GEN_BitString_t *>(p) = GEN_BitString_t{o.length * 8, o.value};
      break;
    }
    case FieldKind::kEmbed:
      Random(f.sub, p, rng, depth + 1);
      break;
    case FieldKind::kPtr:
      at<void *>(rec, f.offset) = nullptr;
      if (depth < kMaxDepth && pick(rng, 3) != 0) {
        void *sub = zalloc(f.sub->size);
        Random(f.sub, sub, rng, depth + 1);
        at<void *>(rec, f.offset) = sub;
      }
      break;
    case FieldKind::kSeq: {
      GEN_ValueSeq_t **tail = &at<GEN_ValueSeq_t *>(rec, f.offset);
      *tail = nullptr;
      uint32_t n = depth < kMaxDepth ? pick(rng, 4) : 0;
      for (uint32_t i = 0; i < n; ++i) {
        auto *node = static_cast<GEN_ValueSeq_t *>(zalloc(sizeof(GEN_ValueSeq_t)));
        node->value = zalloc(f.sub->size);
        Random(f.sub, node->value, rng, depth + 1);
        *tail = node;
        tail = &node->next;
      }
      break;
    }
    case FieldKind::kAttr:
      at<AS_attrHandle_t>(rec, f.offset) = randomAttribute(rng);
      break;
  }
}

}  // namespace

void Random(const Layout *L, void *rec, std::mt19937 &rng, int depth) {
  memset(rec, 0, L->size);
  if (L->maxChoice > 0) at<int32_t>(rec, 0) = 1 + static_cast<int32_t>(pick(rng, L->maxChoice));
  for (uint32_t i = 0; i < L->fieldCount; ++i) {
    const Field &f = L->fields[i];
    int32_t c = L->maxChoice > 0 ? at<int32_t>(rec, 0) : 0;
    if (f.when == 0 || (c >= f.when && c <= (f.whenLast ? f.whenLast : f.when)))
      randomField(f, rec, rng, depth);
  }
  if (L->random) L->random(rec, rng);
}

// A calendar time that the system clock can represent.
void RandomTime(void *rec, std::mt19937 &rng) {
  auto *t = static_cast<GEN_GeneralizedTime_t *>(rec);
  t->utc = static_cast<int32_t>(pick(rng, 2));
  t->year = static_cast<int16_t>(t->utc ? 90 + pick(rng, 40) : 1990 + pick(rng, 40));
  t->month = static_cast<int16_t>(1 + pick(rng, 12));
  t->day = static_cast<int16_t>(1 + pick(rng, 28));
  t->hour = static_cast<int16_t>(pick(rng, 24));
  t->minute = static_cast<int16_t>(pick(rng, 60));
  t->second = static_cast<int16_t>(pick(rng, 60));
  t->millisecond = static_cast<int16_t>(pick(rng, 1000));
  t->diffUTC = t->utc ? 0 : static_cast<int16_t>(static_cast<int>(pick(rng, 25)) * 60 - 720);
}

// Records made of a 16-bit count and up to N fixed-size strings.
void RandomCounted(void *rec, std::mt19937 &rng) {
  int16_t count = static_cast<int16_t>(pick(rng, 5));
  *static_cast<int16_t *>(rec) = count;
}

// Name types 0..3 and privilege levels 1..3.
void RandomAcl(void *rec, std::mt19937 &rng) {
  auto *acl = static_cast<GEN_PSISAccessControlList_t *>(rec);
  if (acl->choice != 1) return;
  if (acl->nameType) *acl->nameType = pick(rng, 4);
  if (acl->privilegeLevel) *acl->privilegeLevel = 1 + pick(rng, 3);
}

namespace {
// An open value: a complete encoding (a primitive OCTET STRING of a few letters).
void randomEncoding(GEN_OctetString_t *o, std::mt19937 &rng) {
  free(o->value);
  uint32_t n = pick(rng, 6);
  o->length = static_cast<int32_t>(n + 2);
  o->value = static_cast<unsigned char *>(zalloc(n + 3));
  o->value[0] = 0x04;
  o->value[1] = static_cast<unsigned char>(n);
  letters(reinterpret_cast<char *>(o->value) + 2, n, rng);
}
}  // namespace

// Substring parts are encoded values; an empty initial or final part is absent.
void RandomSubStrings(void *rec, std::mt19937 &rng) {
  auto *s = static_cast<GEN_SubStrings_t *>(rec);
  if (s->initial.length) randomEncoding(&s->initial, rng);
  if (s->final.length) randomEncoding(&s->final, rng);
  for (GEN_ValueSeq_t *n = s->any.first; n; n = n->next)
    randomEncoding(static_cast<GEN_OctetString_t *>(n->value), rng);
}

// Enumerations held in 32-bit fields take their named values only.
void RandomExtAcl(void *rec, std::mt19937 &rng) {
  static_cast<GEN_ExtACL_t *>(rec)->privilegeLevel = 1 + pick(rng, 3);
}
void RandomFastFilter(void *rec, std::mt19937 &rng) {
  auto *f = static_cast<GEN_FastFilterDef_t *>(rec);
  if (f->filterType) *f->filterType = pick(rng, 3);
}
void RandomPreprocessor(void *rec, std::mt19937 &rng) {
  auto *p = static_cast<GEN_PreprocessorDefinition_t *>(rec);
  p->preprocessorType = pick(rng, 3);
  p->executableType = pick(rng, 2);
}

// An EXTERNAL carries a complete encoding in its first form and a plain character
// string as its descriptor.
void RandomExternal(void *rec, std::mt19937 &rng) {
  auto *e = static_cast<GEN_External_t *>(rec);
  if (e->choice == 1) randomEncoding(&e->u.octets, rng);
  if (GEN_Text_t *d = e->dataValueDescriptor) {
    GEN_DeepDeleteText(kq::stf::ScratchList(), d, nullptr);
    d->choice = GEN_TEXT_STRING;
    d->u.string = static_cast<char *>(zalloc(6));
    letters(d->u.string, pick(rng, 6), rng);
  }
}

// IPv4 addresses have 4 bytes, IPv6 addresses 16; ports fit 16 bits.
void RandomSocket(void *rec, std::mt19937 &rng) {
  auto *s = static_cast<GEN_SocketAddress_t *>(rec);
  s->addressLength = s->choice == 1 ? 4 : 16;
  memset(s->address + s->addressLength, 0,
         sizeof s->address - static_cast<size_t>(s->addressLength));
  s->port = static_cast<int32_t>(pick(rng, 65536));
}

// A negation needs its operand: deep in a random tree, where parts run out, an empty
// conjunction stands in for it.
void RandomFilter(void *rec, std::mt19937 &) {
  auto *f = static_cast<GEN_Filter_t *>(rec);
  if (f->choice == 4 && !f->u.not_) f->choice = 2;
}

}  // namespace kq::genu
