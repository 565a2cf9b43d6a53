#include "spool_test_util.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>

#include "infra/erdpa.h"
#include "infra/jqp.h"
#include "kqtest.h"
#include "wire.h"

extern "C" __attribute__((visibility("default"), used)) const char *__lsan_default_suppressions() {
  return "leak:libtirpc.so\n";
}

extern char **environ;

namespace kq::spool::test {
namespace {

uint8_t kUnknownOid[] = {0x2a, 0x03, 0x04, 0x05};

ber_oid OidOf(uint32_t id) { return id == kUnknownAttr ? ber_oid{4, kUnknownOid} : BerOf(id); }

// Requests are built in an arena and encoded at once.
struct Build {
  Arena arena;
  std::deque<std::string> keep;
  std::deque<Given> lists;  // the values the wire lists point into
  AttributeList_node *List(const Given &given) {
    const Given &attrs = lists.emplace_back(given);
    AttributeList_node *head = ToWireList(arena, attrs);
    size_t i = 0;
    for (AttributeList_node *n = head; n; n = n->next) n->value.type = OidOf(attrs[i++].id);
    return head;
  }
  ModifyAttributeList_node *Modifications(const Given &attrs) {
    ModifyAttributeList_node *head = nullptr, **tail = &head;
    for (const Attr &a : attrs) {
      auto *n = arena.New<ModifyAttributeList_node>();
      n->value.bit_mask = ModifyAttribute_values_present;
      n->value.type = OidOf(a.id);
      ModifyAttribute_values_node **vt = &n->value.values;
      for (const std::string &v : a.values) {
        auto *vn = arena.New<ModifyAttribute_values_node>();
        std::string &b = keep.emplace_back(v);
        vn->value = {static_cast<int32_t>(b.size()), reinterpret_cast<uint8_t *>(b.data())};
        *vt = vn;
        vt = &vn->next;
      }
      *tail = n;
      tail = &n->next;
    }
    return head;
  }
  void Document(DocumentDescription *d, const std::string &bytes) {
    std::string &b = keep.emplace_back(bytes);
    d->bit_mask = DocumentDescription_document_content_present;
    d->document_content.choice = 1;
    d->document_content.u.external.encoding.choice = 2;
    d->document_content.u.external.encoding.u.octet_aligned = {
        static_cast<int32_t>(b.size()), reinterpret_cast<uint8_t *>(b.data())};
  }
  void JobId(char (&out)[256], const std::string &id) {
    snprintf(out, sizeof out, "%s", id.c_str());
  }
};

}  // namespace

Attr NameAttr(uint32_t id, const std::string &value) { return {id, {PackName(id, value)}}; }

std::string CreateJobPacket(const std::string &printer, const Given &attrs,
                            const std::string *document, bool complete) {
  Build b;
  auto *a = b.arena.New<PrintArgument>();
  a->choice = 1;
  CreateJobArgument &c = a->u.create_job;
  SetName(&c.printer_name, printer);
  if (!complete) c.bit_mask |= CreateJobArgument_job_submission_complete_present;
  if (!attrs.empty()) {
    c.bit_mask |= CreateJobArgument_job_attributes_present;
    c.job_attributes = b.List(attrs);
  }
  if (document) {
    c.bit_mask |= CreateJobArgument_first_document_present;
    b.Document(&c.first_document, *document);
  }
  return Encode(PrintArgument_PDU, a);
}

std::string AddDocumentPacket(const std::string &job, const std::string &document, bool last) {
  Build b;
  auto *a = b.arena.New<PrintArgument>();
  a->choice = 2;
  b.JobId(a->u.add_document.existing_job, job);
  if (!last) a->u.add_document.bit_mask |= AddDocumentArgument_job_submission_complete_present;
  b.Document(&a->u.add_document.new_document, document);
  return Encode(PrintArgument_PDU, a);
}

std::string CloseJobPacket(const std::string &job) {
  Build b;
  auto *a = b.arena.New<PrintArgument>();
  a->choice = 3;
  b.JobId(a->u.close_job.existing_job, job);
  return Encode(PrintArgument_PDU, a);
}

std::string JobPacket(int32_t op, const std::string &job, const Given &attrs) {
  Build b;
  switch (op) {
    case 14: {
      auto *a = b.arena.New<ModifyJobArgument>();
      b.JobId(a->job_identification, job);
      a->job_attr_modification = b.Modifications(attrs);
      return Encode(ModifyJobArgument_PDU, a);
    }
    case 15: {
      auto *a = b.arena.New<CancelJobArgument>();
      b.JobId(a->existing_job, job);
      return Encode(CancelJobArgument_PDU, a);
    }
    case 16: {
      auto *a = b.arena.New<PromoteJobArgument>();
      b.JobId(a->job_identification, job);
      return Encode(PromoteJobArgument_PDU, a);
    }
    case 17: {
      auto *a = b.arena.New<InterruptJobArgument>();
      a->interrupted_job.choice = 1;
      b.JobId(a->interrupted_job.u.job, job);
      return Encode(InterruptJobArgument_PDU, a);
    }
    case 18: {
      auto *a = b.arena.New<PauseJobArgument>();
      a->paused_job.choice = 1;
      b.JobId(a->paused_job.u.job, job);
      return Encode(PauseJobArgument_PDU, a);
    }
    case 19: {
      auto *a = b.arena.New<ResumeJobArgument>();
      b.JobId(a->resumed_job, job);
      return Encode(ResumeJobArgument_PDU, a);
    }
  }
  return {};
}

std::string PrinterPausePacket(const std::string &printer) {
  Build b;
  auto *a = b.arena.New<PauseJobArgument>();
  a->paused_job.choice = 2;
  SetName(&a->paused_job.u.printer, printer);
  return Encode(PauseJobArgument_PDU, a);
}

std::string ObjectPacket(int32_t op, uint32_t cls, const std::string &instance,
                         const Given &attrs) {
  Build b;
  auto instanceOf = [&](ObjectIdent &o) {
    if (cls == kClassJob) {
      o.choice = 1;
      b.JobId(o.u.job_identifier, instance);
    } else {
      o.choice = 7;
      SetName(&o.u.simple_name, instance);
    }
  };
  switch (op) {
    case 2: {
      auto *a = b.arena.New<CreateArgument>();
      a->object_class = BerOf(cls);
      instanceOf(a->object_instance);
      if (!attrs.empty()) {
        a->bit_mask |= CreateArgument_object_attributes_present;
        a->object_attributes = b.List(attrs);
      }
      return Encode(CreateArgument_PDU, a);
    }
    case 21: {
      auto *a = b.arena.New<SetArgument>();
      a->object_class = BerOf(cls);
      instanceOf(a->object_instance);
      a->bit_mask |= SetArgument_attr_modification_present;
      a->attr_modification = b.Modifications(attrs);
      return Encode(SetArgument_PDU, a);
    }
    case 22: {
      auto *a = b.arena.New<ShutdownArgument>();
      a->object_class = BerOf(cls);
      instanceOf(a->object_instance);
      a->when = BerOf(cls);  // any identifier: the server does not read it
      return Encode(ShutdownArgument_PDU, a);
    }
    case 28: {
      auto *a = b.arena.New<ControlArgument>();
      a->object_class = BerOf(cls);
      instanceOf(a->object_instance);
      a->operations = b.List(attrs);
      return Encode(ControlArgument_PDU, a);
    }
  }
  auto *a = b.arena.New<ObjectArgument>();
  a->object_class = BerOf(cls);
  instanceOf(a->object_instance);
  return Encode(ArgumentRecord(op), a);
}

std::string ResubmitPacket(const std::string &job, const std::string &printer) {
  Build b;
  auto *a = b.arena.New<ResubmitJobArgument>();
  a->object_class = BerOf(kClassJob);
  a->object_identification.choice = 1;
  b.JobId(a->object_identification.u.job_identifier, job);
  GEN_Text_t text{};
  text.choice = GEN_TEXT_STRING;
  text.u.string = const_cast<char *>(printer.c_str());
  kq::test::StatusList s;
  ToBER_text(s, &a->printer.text, &text);
  return Encode(ResubmitJobArgument_PDU, a);
}

std::string ListPacket(int32_t op, uint32_t cls, const Attr &equal,
                       const std::vector<uint32_t> &requested, int32_t maximum) {
  Build b;
  auto *a = b.arena.New<ListArgument>();
  a->choice = 2;
  ListObjectAttributesArgument &l = a->u.new_listing;
  l.object_class = BerOf(cls);
  if (equal.id != 0) {
    l.bit_mask |= ListObjectAttributesArgument_selector_present;
    l.selector.choice = 1;
    l.selector.u.item.choice = 1;
    AttributeList_node *one = b.List({equal});
    l.selector.u.item.u.equality = one->value;
  }
  if (!requested.empty()) {
    l.bit_mask |= ListObjectAttributesArgument_requested_attributes_present;
    auto **tail = &l.requested_attributes;
    for (uint32_t id : requested) {
      *tail = b.arena.New<ListObjectAttributesArgument_requested_attributes_node>();
      (*tail)->value = OidOf(id);
      tail = &(*tail)->next;
    }
  }
  if (maximum >= 0) {
    l.bit_mask |= ListObjectAttributesArgument_maximum_objects_present;
    l.maximum_objects = maximum;
  }
  return Encode(ArgumentRecord(op), a);
}

std::string ContinuePacket(const std::string &context, bool abort) {
  Build b;
  auto *a = b.arena.New<ListArgument>();
  a->choice = 1;
  std::string &c = b.keep.emplace_back(context);
  a->u.context.context = {static_cast<int32_t>(c.size()), reinterpret_cast<uint8_t *>(c.data())};
  if (abort) {
    a->u.context.bit_mask |= ListContinuationArgument_abort_present;
    a->u.context.abort = 1;
  }
  return Encode(ListArgument_PDU, a);
}

SpawnedDaemon::SpawnedDaemon(const std::vector<std::string> &args) {
  std::vector<char *> argv{const_cast<char *>(KQ_SPOOLD_BIN)};
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, KQ_SPOOLD_BIN, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc == 0) pid_ = pid;
  std::string line;
  pollfd p{out[0], POLLIN, 0};
  char c;
  while (rc == 0 && line.find('\n') == std::string::npos && poll(&p, 1, 30000) > 0 &&
         read(out[0], &c, 1) == 1)
    line += c;
  close(out[0]);
  ready_ = line.rfind("kqspoold: ready", 0) == 0;
}

SpawnedDaemon::~SpawnedDaemon() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int SpawnedDaemon::Stop() {
  if (pid_ > 0) kill(pid_, SIGTERM);
  return Wait();
}

int SpawnedDaemon::Wait() {
  int status = -1;
  if (pid_ > 0) waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

std::string Outcome(const Reply &reply) {
  if (reply.errorType == 0 && reply.error.empty()) return reply.result.empty() ? "empty" : "ok";
  if (!reply.result.empty()) return "result and error";
  kq::test::StatusList s;
  ERDPA_errorResult_t *error = nullptr;
  if (JQP_ErrorDecode(s, reply.errorType, reply.error.data(),
                      static_cast<int32_t>(reply.error.size()), &error) != 0 ||
      !error)
    return "undecodable error";
  static const char *const kNames[] = {"?",         "update",  "attribute", "document-access",
                                       "selection", "printer", "access",    "service",
                                       "security"};
  uint32_t problem = 0;
  switch (error->kind) {
    case ERDPA_ATTRIBUTE_ERROR:
      problem = static_cast<ERDPA_attributeError_t *>(error->details)->problems->problem;
      break;
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      problem = static_cast<ERDPA_selectionItem_t *>(error->details)->problem;
      break;
    case ERDPA_ACCESS_ERROR:
      problem = static_cast<ERDPA_accessItem_t *>(error->details)->problem;
      break;
    case ERDPA_SECURITY_ERROR:
      problem = static_cast<ERDPA_securityError_t *>(error->details)->problem;
      break;
    default:
      problem = static_cast<ERDPA_objectProblem_t *>(error->details)->problem;
  }
  std::string text =
      std::string(kNames[error->kind < 9 ? error->kind : 0]) + " " + std::to_string(problem);
  ERDPA_FreeError(s, error);
  return text;
}

std::string ErrorObject(const Reply &reply) {
  kq::test::StatusList s;
  ERDPA_errorResult_t *error = nullptr;
  if (JQP_ErrorDecode(s, reply.errorType, reply.error.data(),
                      static_cast<int32_t>(reply.error.size()), &error) != 0 ||
      !error)
    return "";
  const GEN_ObjectIdent_t *o = nullptr;
  switch (error->kind) {
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      o = static_cast<ERDPA_selectionItem_t *>(error->details)->objectIdent;
      break;
    case ERDPA_ACCESS_ERROR:
      o = static_cast<ERDPA_accessItem_t *>(error->details)->objectIdent;
      break;
    case ERDPA_UPDATE_ERROR:
      o = static_cast<ERDPA_objectProblem_t *>(error->details)->objectIdent;
      break;
  }
  std::string name;
  if (o && o->choice == 1) name = o->u.job.value;
  if (o && o->choice == 7 && o->u.name.choice <= GEN_TEXT_STRING) name = o->u.name.u.string;
  ERDPA_FreeError(s, error);
  return name;
}

bool ReadPage(const Reply &reply, Page *page) {
  *page = {};
  int pdu = ListResult_PDU;
  OssBuf in{static_cast<int32_t>(reply.result.size()),
            reinterpret_cast<unsigned char *>(const_cast<char *>(reply.result.data()))};
  void *decoded = nullptr;
  if (reply.result.empty() || GENU_OssDecode(nullptr, &pdu, &in, &decoded) != 0) return false;
  auto *r = static_cast<ListResult *>(decoded);
  for (auto *n = r->result_set; n; n = n->next) {
    Listed l;
    const ObjectIdent &o = n->value.object_identification;
    l.name = o.choice == 1 ? std::string(o.u.job_identifier) : NameOf(o.u.simple_name);
    for (auto *a = n->value.attributes; a; a = a->next) {
      uint32_t id = 0;
      ShortOf(a->value.type, &id);
      l.attrs.push_back(id);
    }
    page->objects.push_back(l);
  }
  if (r->bit_mask & ListResult_continuation_present)
    page->context.assign(reinterpret_cast<char *>(r->continuation.value),
                         static_cast<size_t>(r->continuation.length));
  page->limited = (r->bit_mask & ListResult_limit_encountered_present) && r->limit_encountered;
  GENU_OssFreePDU(nullptr, pdu, decoded);
  return true;
}

std::string PrintedJob(const Reply &reply, std::vector<uint32_t> *status) {
  int pdu = PrintResult_PDU;
  OssBuf in{static_cast<int32_t>(reply.result.size()),
            reinterpret_cast<unsigned char *>(const_cast<char *>(reply.result.data()))};
  void *decoded = nullptr;
  if (reply.result.empty() || GENU_OssDecode(nullptr, &pdu, &in, &decoded) != 0) return {};
  kq::test::StatusList s;
  GEN_printResult_t *result = nullptr;
  std::string id;
  for (auto *a = static_cast<PrintResult *>(decoded)->job_status; status && a; a = a->next)
    ShortOf(a->value.type, &status->emplace_back());
  if (ToGEN_printResult(s, static_cast<PrintResult *>(decoded), &result) == 0 && result) {
    id = result->jobIdentification.value;
    FreeGEN_printResult(s, result);
  }
  GENU_OssFreePDU(nullptr, pdu, decoded);
  return id;
}

}  // namespace kq::spool::test
