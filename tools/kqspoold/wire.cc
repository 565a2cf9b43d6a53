#include "wire.h"

#include <algorithm>
#include <cstring>

#include "infra/genu.h"
#include "infra/stf.h"

namespace kq::spool {
namespace {

struct Scratch {
  STF_statusList_t *list = nullptr;
  Scratch() { list = STF_CreateList(nullptr); }
  ~Scratch() { STF_DeleteList(list); }
  operator STF_statusList_t *() const { return list; }
};

}  // namespace

std::string NameOf(const SimpleName &name) {
  GEN_SimpleName_t g{};
  if (ToGEN_simpleName(Scratch(), &name, &g) != 0) return {};
  if (g.choice == GEN_TEXT_ISO646 || g.choice == GEN_TEXT_STRING) return g.u.string;
  return std::string(reinterpret_cast<const char *>(g.u.octets.value),
                     static_cast<size_t>(std::max<int16_t>(g.u.octets.length, 0)));
}

void SetName(SimpleName *out, const std::string &name) {
  GEN_SimpleName_t g{};
  g.choice = GEN_TEXT_STRING;
  snprintf(g.u.string, sizeof g.u.string, "%s", name.c_str());
  ToBER_simpleName(Scratch(), out, &g);
}

bool ShortOf(const ber_oid &oid, uint32_t *shoid) {
  GENU_berOid_t ber{oid.length, oid.value};
  return oid.length > 0 && GENU_BerToShortOID(Scratch(), &ber, shoid) == 0;
}

ber_oid BerOf(uint32_t shoid) {
  GENU_berOid_t ber{};
  if (GENU_ShortToBerOID(Scratch(), shoid, &ber) != 0) return {};
  return {ber.length, const_cast<unsigned char *>(ber.value)};
}

std::string Pack(uint32_t id, const void *value) {
  Scratch s;
  OssBuf buf{0, nullptr};
  uint32_t type = 0;
  if (GENU_AttrIdToType(s, id, &type) != 0 || JQP_PackAV(s, type, value, &buf) != 0) return {};
  std::string bytes(reinterpret_cast<const char *>(buf.value), static_cast<size_t>(buf.length));
  free(buf.value);
  return bytes;
}

std::string PackOid(uint32_t id, uint32_t value) { return Pack(id, &value); }

std::string PackName(uint32_t id, const std::string &value) {
  GEN_SimpleName_t g{};
  g.choice = GEN_TEXT_STRING;
  snprintf(g.u.string, sizeof g.u.string, "%s", value.c_str());
  return Pack(id, &g);
}

std::string PackJobId(uint32_t id, const std::string &value) {
  GEN_JobIdentifier_t g{};
  snprintf(g.value, sizeof g.value, "%s", value.c_str());
  return Pack(id, &g);
}

bool IsAttribute(uint32_t id) { return strncmp(GENU_ShortOIDToAscii(id), "id-att-", 7) == 0; }

int ReadAttr(const Attribute &wire, Attr *out) { return ReadValues(wire.type, wire.values, out); }

int ReadValues(const ber_oid &oid, const Attribute_values_node *values, Attr *out) {
  Scratch s;
  uint32_t type = 0;
  if (!ShortOf(oid, &out->id) || !IsAttribute(out->id) ||
      GENU_AttrIdToType(s, out->id, &type) != 0 || type == 0 || type == GENU_OID_NO_TYPE) {
    return 3;
  }
  out->values.clear();
  for (const Attribute_values_node *v = values; v; v = v->next) {
    OssBuf buf{v->value.length, v->value.value};
    void *record = nullptr;
    AS_valueDescriptor_t desc{};
    if (v->value.length <= 0 || JQP_UnpackAV(s, &buf, type, &record, &desc) != 0) return 2;
    if (desc.deleteValue) desc.deleteValue(s, record, nullptr);
    out->values.emplace_back(reinterpret_cast<const char *>(v->value.value),
                             static_cast<size_t>(v->value.length));
  }
  return 0;
}

AttributeList_node *ToWireList(Arena &arena, const Attrs &attrs,
                               const std::vector<uint32_t> *wanted) {
  AttributeList_node *head = nullptr, **tail = &head;
  for (const Attr &a : attrs) {
    if (wanted && std::find(wanted->begin(), wanted->end(), a.id) == wanted->end()) continue;
    auto *node = arena.New<AttributeList_node>();
    node->value.type = BerOf(a.id);
    Attribute_values_node **vtail = &node->value.values;
    for (const std::string &v : a.values) {
      auto *vn = arena.New<Attribute_values_node>();
      vn->value.length = static_cast<int32_t>(v.size());
      vn->value.value = reinterpret_cast<uint8_t *>(const_cast<char *>(v.data()));
      *vtail = vn;
      vtail = &vn->next;
    }
    *tail = node;
    tail = &node->next;
  }
  return head;
}

std::string Encode(int pdu, void *record) {
  OssBuf buf{0, nullptr};
  if (GENU_OssEncode(nullptr, pdu, record, &buf) != 0) return {};
  std::string bytes(reinterpret_cast<const char *>(buf.value), static_cast<size_t>(buf.length));
  free(buf.value);
  return bytes;
}

}  // namespace kq::spool
