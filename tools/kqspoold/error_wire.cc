#include "error_wire.h"

#include <cstdio>
#include <vector>

#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"
#include "wire.h"

namespace kq::spool {
namespace {

// The wire parts converted for one error record, released after encoding.
struct Parts {
  STF_statusList_t *status = nullptr;
  Arena arena;
  std::vector<ErrorMessage *> messages;
  std::vector<AttributeList *> lists;
  bool ok = true;
  Parts() : status(STF_CreateList(nullptr)) {}
  ~Parts() {
    for (ErrorMessage *m : messages) FreeBER_errorMessage(status, m);
    for (AttributeList *l : lists) FreeBER_AS(status, l);
    STF_DeleteList(status);
  }
  template <typename P>
  void Problem(P &wire, int32_t form, uint32_t problem) {
    wire.choice = static_cast<uint16_t>(form);
    if (form == ERDPA_STANDARD_PROBLEM)
      wire.u.standard = static_cast<int32_t>(problem);
    else if (ToBER_oid(status, &wire.u.extended, &problem) != 0)
      ok = false;
  }
  void Object(ObjectIdent &wire, const GEN_ObjectIdent_t *o) {
    if (!o || ToBER_objectIdent(status, &wire, o) != 0) ok = false;
  }
  void Message(ErrorMessage &wire, const GEN_ErrorMsg_t *m) {
    if (!m || ToBER_errorMessage(status, &wire, m) != 0) {
      ok = false;
      return;
    }
    messages.push_back(&wire);
  }
  void Set(AttributeList &wire, AS_setHandle_t set) {
    if (ToBER_AS(status, &wire, &set, GENU_AS_MODE_KEEP_EXT_ACL) != 0) {
      ok = false;
      return;
    }
    lists.push_back(&wire);
  }
};

template <typename W>
void *ObjectRecord(Parts &parts, const void *details) {
  auto *p = static_cast<const ERDPA_objectProblem_t *>(details);
  auto *w = parts.arena.New<W>();
  parts.Problem(w->problem, p->problemForm, p->problem);
  parts.Object(w->object_identification, p->objectIdent);
  parts.Message(w->error_message, p->errorMessage);
  return w;
}

void *SecurityRecord(Parts &parts, const void *details) {
  auto *p = static_cast<const ERDPA_securityError_t *>(details);
  auto *w = parts.arena.New<SecurityError>();
  parts.Problem(w->problem, p->problemForm, p->problem);
  parts.Message(w->error_message, p->errorMessage);
  return w;
}

void *AttributeRecord(Parts &parts, const void *details) {
  auto *e = static_cast<const ERDPA_attributeError_t *>(details);
  auto *w = parts.arena.New<AttributeError>();
  if (e->objectIdent) {
    w->bit_mask |= AttributeError_object_identification_present;
    parts.Object(w->object_identification, e->objectIdent);
  }
  AttributeError_problems_node **tail = &w->problems;
  for (auto *p = e->problems; p; p = p->next) {
    *tail = parts.arena.New<AttributeError_problems_node>();
    parts.Problem((*tail)->value.problem, p->problemForm, p->problem);
    parts.Set((*tail)->value.attributes, p->attributes);
    parts.Message((*tail)->value.error_message, p->errorMessage);
    tail = &(*tail)->next;
  }
  return w;
}

// Selection and service errors: a list of items of the same shape.
template <typename Node, uint8_t kAttributesPresent>
void *ItemsRecord(Parts &parts, const void *details) {
  auto *head = parts.arena.New<Node *>();
  Node **tail = head;
  for (auto *p = static_cast<const ERDPA_selectionItem_t *>(details); p; p = p->next) {
    *tail = parts.arena.New<Node>();
    parts.Problem((*tail)->value.problem, p->problemForm, p->problem);
    if (p->attributes) {
      (*tail)->value.bit_mask |= kAttributesPresent;
      parts.Set((*tail)->value.attributes, *p->attributes);
    }
    parts.Object((*tail)->value.object_identification, p->objectIdent);
    parts.Message((*tail)->value.error_message, p->errorMessage);
    tail = &(*tail)->next;
  }
  return head;
}

void *AccessRecord(Parts &parts, const void *details) {
  auto *head = parts.arena.New<AccessError_node *>();
  AccessError_node **tail = head;
  for (auto *p = static_cast<const ERDPA_accessItem_t *>(details); p; p = p->next) {
    *tail = parts.arena.New<AccessError_node>();
    parts.Object((*tail)->value.object_identification, p->objectIdent);
    parts.Problem((*tail)->value.problem, p->problemForm, p->problem);
    parts.Message((*tail)->value.error_message, p->errorMessage);
    tail = &(*tail)->next;
  }
  return head;
}

struct KindRow {
  int32_t errorType;
  int pdu;
  void *(*record)(Parts &, const void *);
};
// Indexed by error kind.
const KindRow kKinds[] = {
    {0, 0, nullptr},
    {4, UpdateError_PDU, ObjectRecord<UpdateError>},
    {1, AttributeError_PDU, AttributeRecord},
    {11, DocumentAccessError_PDU, ObjectRecord<DocumentAccessError>},
    {13, SelectionError_PDU,
     ItemsRecord<SelectionError_node, SelectionProblemItem_attributes_present>},
    {12, PrinterError_PDU, ObjectRecord<PrinterError>},
    {3, AccessError_PDU, AccessRecord},
    {10, ServiceError_PDU, ItemsRecord<ServiceError_node, ServiceProblemItem_attributes_present>},
    {9, SecurityError_PDU, SecurityRecord},
};
constexpr int32_t kKindCount = sizeof kKinds / sizeof kKinds[0];

}  // namespace

int32_t ErrorTypeOf(int32_t kind) {
  return kind > 0 && kind < kKindCount ? kKinds[kind].errorType : 0;
}

bool EncodeError(const ERDPA_errorResult_t *error, int32_t *errorType, std::string *bytes) {
  if (!error || error->kind <= 0 || error->kind >= kKindCount || !error->details) return false;
  const KindRow &row = kKinds[error->kind];
  Parts parts;
  void *record = row.record(parts, error->details);
  if (!parts.ok) return false;
  *bytes = Encode(row.pdu, record);
  *errorType = row.errorType;
  return !bytes->empty();
}

// The builders copy what they are given; the message and identification live on the
// stack only for the call.
namespace {

GEN_ErrorMsg_t Message(const char *text) {
  GEN_ErrorMsg_t msg{};
  msg.text.choice = GEN_TEXT_STRING;
  msg.text.u.string = const_cast<char *>(text);
  return msg;
}

GEN_ObjectIdent_t JobIdent(const std::string &job) {
  GEN_ObjectIdent_t o{};
  o.choice = 1;
  snprintf(o.u.job.value, sizeof o.u.job.value, "%s", job.c_str());
  return o;
}

GEN_ObjectIdent_t NameIdent(const std::string &name) {
  GEN_ObjectIdent_t o{};
  o.choice = 7;
  o.u.name.choice = GEN_TEXT_STRING;
  snprintf(o.u.name.u.string, sizeof o.u.name.u.string, "%s", name.c_str());
  return o;
}

}  // namespace

RequestError::RequestError() : status_(STF_CreateList(nullptr)) {}

RequestError::~RequestError() {
  if (error_) ERDPA_FreeError(status_, error_);
  STF_DeleteList(status_);
}

void RequestError::Selection(uint32_t problem, const std::string &job, const char *message) {
  GEN_ErrorMsg_t m = Message(message);
  GEN_ObjectIdent_t o = JobIdent(job);
  ERDPA_Selection(status_, &error_, problem, AS_nullAttrHandle, &o, &m);
}

void RequestError::SelectionName(uint32_t problem, const std::string &name, const char *message) {
  GEN_ErrorMsg_t m = Message(message);
  GEN_ObjectIdent_t o = NameIdent(name);
  ERDPA_Selection(status_, &error_, problem, AS_nullAttrHandle, &o, &m);
}

void RequestError::Access(uint32_t problem, const std::string &name, bool isJob,
                          const char *message) {
  GEN_ErrorMsg_t m = Message(message);
  GEN_ObjectIdent_t o = isJob ? JobIdent(name) : NameIdent(name);
  ERDPA_Access(status_, &error_, problem, &o, &m);
}

void RequestError::Update(uint32_t problem, const std::string &job, const char *message) {
  GEN_ErrorMsg_t m = Message(message);
  GEN_ObjectIdent_t o = JobIdent(job);
  ERDPA_Update(status_, &error_, problem, &o, &m);
}

void RequestError::Service(uint32_t problem, const char *message) {
  GEN_ErrorMsg_t m = Message(message);
  GEN_ObjectIdent_t o = NameIdent(server_);
  ERDPA_Service(status_, &error_, problem, AS_nullAttrHandle, &o, &m);
}

void RequestError::Attribute(uint32_t problem, uint32_t id, const char *message) {
  if (id == 0) {  // an identifier that does not even convert: no attribute to name
    Service(11, message);
    return;
  }
  GEN_ErrorMsg_t m = Message(message);
  AS_setHandle_t set = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  uint32_t type = 0;
  if (GENU_AttrIdToType(status_, id, &type) != 0) type = 0;  // unknown to the registry
  if (AS_Create(status_, &set, nullptr, 0) == 0 && AS_AddAttr(status_, set, id, type, &attr) == 0)
    ERDPA_Attribute(status_, &error_, problem, attr, nullptr, &m);
  if (attr != AS_nullAttrHandle) AS_FreeAttrHandle(status_, &attr);
  if (set != AS_nullSetHandle) AS_Destroy(status_, &set);
}

}  // namespace kq::spool
