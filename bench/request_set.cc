// The request-sized attribute set the benchmarks share (see request_set.h).
#include "request_set.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "infra/genu.h"

namespace kq::bench {
namespace {

// A fresh value of value type `type`, the n-th of its attribute.
void *MakeValue(uint32_t type, uint32_t n) {
  switch (type) {
    case 0:
    case 1:
    case 12: {
      auto *v = static_cast<int32_t *>(malloc(sizeof(int32_t)));
      *v = RequestNumber(type, n);
      return v;
    }
    case 10: {
      auto *v = static_cast<uint32_t *>(malloc(sizeof(uint32_t)));
      *v = static_cast<uint32_t>(RequestNumber(type, n));
      return v;
    }
    case 28: {
      auto *t = static_cast<GEN_Text_t *>(calloc(1, sizeof(GEN_Text_t)));
      t->choice = GEN_TEXT_STRING;
      t->u.string = strdup(kRequestText);
      return t;
    }
    case 27:
    case 18: {
      auto *no = static_cast<GEN_NameOrOID_t *>(calloc(1, sizeof(GEN_NameOrOID_t)));
      GEN_SimpleName_t *name = type == 27 ? reinterpret_cast<GEN_SimpleName_t *>(no) : &no->u.name;
      if (type == 18) no->choice = 2;
      name->choice = GEN_TEXT_STRING;
      strcpy(name->u.string, kRequestName);
      return no;
    }
    default: {  // 48
      auto *t = static_cast<GEN_GeneralizedTime_t *>(calloc(1, sizeof(GEN_GeneralizedTime_t)));
      *t = GEN_GeneralizedTime_t{2026, 12, 6, 4, 30, 0, 0, 0, 1};
      return t;
    }
  }
}

GEN_Text_t Text(const char *chars) {
  GEN_Text_t t{};
  t.choice = GEN_TEXT_STRING;
  t.u.string = strdup(chars);
  return t;
}
template <typename T>
T *New() {
  return static_cast<T *>(calloc(1, sizeof(T)));
}
int32_t *Number(int32_t n) {
  auto *v = New<int32_t>();
  *v = n;
  return v;
}
GEN_ValueSeq_t *Node(void *value, GEN_ValueSeq_t *next = nullptr) {
  auto *n = New<GEN_ValueSeq_t>();
  *n = GEN_ValueSeq_t{next, value};
  return n;
}

// A composite record of value type `type`.
void *MakeRecord(uint32_t type) {
  switch (type) {
    case 8: {  // notification profile
      auto *p = New<GEN_EventHandlingProfile_t>();
      p->events = New<GEN_SetOfOids_t>();
      p->events->first = Node(MakeValue(10, 1), Node(MakeValue(10, 2)));
      p->comment = New<GEN_Text_t>();
      *p->comment = Text("job events of the night shift");
      p->deliveryAddress = New<GEN_DeliveryAddress_t>();
      p->deliveryAddress->choice = 3;
      p->deliveryAddress->u.text = Text("operator@example.com");
      return p;
    }
    case 46: {  // finishing
      auto *f = New<GEN_Finishing_t>();
      f->choice = 1;
      f->u.named.choice = 1;
      f->u.named.u.oid = 370;
      return f;
    }
    case 67: {  // page media select
      auto *m = New<GEN_MediaSelect_t>();
      m->choice = 1;
      m->u.medium.choice = 2;
      m->u.medium.u.name.choice = GEN_TEXT_STRING;
      strcpy(m->u.medium.u.name.u.string, "iso-a4-white");
      return m;
    }
    case 69: {  // page select: pages 1-4 and 9-12
      auto *seq = New<GEN_PageSelectSeq_t>();
      GEN_ValueSeq_t **tail = &seq->first;
      for (int32_t first : {1, 9}) {
        auto *r = New<GEN_PageSelect_t>();
        r->begin.choice = r->end.choice = 1;
        r->begin.u.number = first;
        r->end.u.number = first + 3;
        *tail = Node(r);
        tail = &(*tail)->next;
      }
      return seq;
    }
    case 81: {  // results profile
      auto *r = New<GEN_ResultsProfile_t>();
      r->comment = New<GEN_Text_t>();
      *r->comment = Text("results to the front desk");
      r->jobCopies = Number(2);
      r->outputBin = static_cast<GEN_NameOrOID_t *>(MakeValue(18, 0));
      return r;
    }
    default: {  // 76 privileges: an octet-aligned certificate
      auto *p = New<GEN_Privileges_t>();
      p->operation = New<GEN_External_t>();
      p->operation->choice = 2;
      p->operation->directReference = 371;
      p->operation->u.octets.length = 48;
      p->operation->u.octets.value = static_cast<unsigned char *>(calloc(1, 49));
      return p;
    }
  }
}

bool Wanted(uint32_t type) {
  for (uint32_t t : {0u, 1u, 10u, 12u, 18u, 27u, 28u, 48u})
    if (t == type) return true;
  return false;
}

}  // namespace

int32_t RequestNumber(uint32_t type, uint32_t n) {
  if (type == 0) return static_cast<int32_t>(n % 2);
  if (type == 10) return static_cast<int32_t>(369 + n % 4);
  return static_cast<int32_t>(1000 + n);
}

// The first 30 attributes of the registry with one of the wanted value types; with
// `records`, six of them hold composite records.
std::vector<RequestAttribute> RequestPlan(bool records) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  std::vector<RequestAttribute> plan;
  if (records) {
    const struct {
      uint32_t shoid, type;
    } kRecords[] = {{123, 8}, {1072, 46}, {351, 67}, {350, 69}, {1059, 81}, {97, 76}};
    for (const auto &r : kRecords) plan.push_back({r.shoid, r.type, 1, true});
  }
  for (uint32_t shoid = 1; shoid < 1093 && plan.size() < kRequestAttributes; ++shoid) {
    uint32_t type = 0;
    if (strncmp(GENU_ShortOIDToAscii(shoid), "id-att-", 7) != 0 ||
        GENU_AttrIdToType(s, shoid, &type) || !Wanted(type))
      continue;
    plan.push_back({shoid, type, 1 + static_cast<uint32_t>(plan.size()) % 3, false});
  }
  STF_DeleteList(s);
  if (plan.size() != kRequestAttributes) abort();
  return plan;
}

AS_setHandle_t BuildRequestSet(const std::vector<RequestAttribute> &plan,
                               STF_statusList_t *status) {
  STF_statusList_t *s = status ? status : STF_CreateList(nullptr);
  AS_setHandle_t set = AS_nullSetHandle;
  if (AS_Create(s, &set, &genu_sysAllocator, 0)) abort();
  for (const RequestAttribute &a : plan) {
    if (a.record) {
      if (AS_AddAttrVal(s, set, a.id, a.type, MakeRecord(a.type), GENU_AVT2Descriptor(a.type),
                        nullptr))
        abort();
      continue;
    }
    AS_attrHandle_t attr = AS_nullAttrHandle;
    if (AS_AddAttr(s, set, a.id, a.type, &attr)) abort();
    for (uint32_t v = 0; v < a.values; ++v)
      if (AS_AddAttrValR(s, attr, a.type, MakeValue(a.type, v), GENU_AVT2Descriptor(a.type)))
        abort();
    AS_FreeAttrHandle(s, &attr);
  }
  if (!status) STF_DeleteList(s);
  return set;
}

AS_setHandle_t RequestSet(bool records) { return BuildRequestSet(RequestPlan(records)); }

}  // namespace kq::bench
