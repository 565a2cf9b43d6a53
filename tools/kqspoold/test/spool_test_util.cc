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
  // A modification's values have an attribute's layout (as the server reads them).
  ModifyAttributeList_node *Modifications(const Given &attrs) {
    ModifyAttributeList_node *head = nullptr, **tail = &head;
    for (AttributeList_node *a = List(attrs); a; a = a->next, tail = &(*tail)->next) {
      *tail = arena.New<ModifyAttributeList_node>();
      (*tail)->value.bit_mask = ModifyAttribute_values_present;
      (*tail)->value.type = a->value.type;
      (*tail)->value.values = reinterpret_cast<ModifyAttribute_values_node *>(a->value.values);
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
};

void SetJob(char (&out)[256], const std::string &id) {
  snprintf(out, sizeof out, "%s", id.c_str());
}

// A new argument record T of operation `op`, filled by `fill`, encoded.
template <typename T, typename Fill>
std::string Record(int32_t op, Fill fill) {
  Build b;
  auto *a = b.arena.New<T>();
  fill(*a, b);
  return Encode(ArgumentRecord(op), a);
}

// Decodes the result of `reply` as record `pdu` for `read`; false when it does not.
template <typename T, typename Read>
bool Decoded(const Reply &reply, int pdu, Read read) {
  OssBuf in{static_cast<int32_t>(reply.result.size()),
            reinterpret_cast<unsigned char *>(const_cast<char *>(reply.result.data()))};
  void *decoded = nullptr;
  if (reply.result.empty() || GENU_OssDecode(nullptr, &pdu, &in, &decoded) != 0) return false;
  read(*static_cast<T *>(decoded));
  GENU_OssFreePDU(nullptr, pdu, decoded);
  return true;
}

}  // namespace

Attr NameAttr(uint32_t id, const std::string &value) { return {id, {PackName(id, value)}}; }

std::string CreateJobPacket(const std::string &printer, const Given &attrs,
                            const std::string *document, bool complete) {
  return Record<PrintArgument>(0, [&](auto &a, Build &b) {
    a.choice = 1;
    CreateJobArgument &c = a.u.create_job;
    SetName(&c.printer_name, printer);
    c.bit_mask |= (complete ? 0 : CreateJobArgument_job_submission_complete_present) |
                  (attrs.empty() ? 0 : CreateJobArgument_job_attributes_present);
    c.job_attributes = b.List(attrs);
    if (document) {
      c.bit_mask |= CreateJobArgument_first_document_present;
      b.Document(&c.first_document, *document);
    }
  });
}

std::string AddDocumentPacket(const std::string &job, const std::string &document, bool last) {
  return Record<PrintArgument>(5, [&](auto &a, Build &b) {
    a.choice = 2;
    SetJob(a.u.add_document.existing_job, job);
    if (!last) a.u.add_document.bit_mask |= AddDocumentArgument_job_submission_complete_present;
    b.Document(&a.u.add_document.new_document, document);
  });
}

std::string CloseJobPacket(const std::string &job) {
  return Record<PrintArgument>(6, [&](auto &a, Build &) {
    a.choice = 3;
    SetJob(a.u.close_job.existing_job, job);
  });
}

std::string JobPacket(int32_t op, const std::string &job, const Given &attrs) {
  switch (op) {
    case 14:
      return Record<ModifyJobArgument>(op, [&](auto &a, Build &b) {
        SetJob(a.job_identification, job);
        a.job_attr_modification = b.Modifications(attrs);
      });
    case 15:
      return Record<CancelJobArgument>(op, [&](auto &a, Build &) { SetJob(a.existing_job, job); });
    case 16:
      return Record<PromoteJobArgument>(
          op, [&](auto &a, Build &) { SetJob(a.job_identification, job); });
    case 18:
      return Record<PauseJobArgument>(op, [&](auto &a, Build &) {
        a.paused_job.choice = 1;
        SetJob(a.paused_job.u.job, job);
      });
    case 19:
      return Record<ResumeJobArgument>(op, [&](auto &a, Build &) { SetJob(a.resumed_job, job); });
  }
  return {};
}

std::string ObjectPacket(int32_t op, uint32_t cls, const std::string &instance,
                         const Given &attrs) {
  auto object = [&](auto &a) {
    a.object_class = BerOf(cls);
    if (cls == kClassJob) {
      a.object_instance.choice = 1;
      SetJob(a.object_instance.u.job_identifier, instance);
    } else {
      a.object_instance.choice = 7;
      SetName(&a.object_instance.u.simple_name, instance);
    }
  };
  switch (op) {
    case 2:
      return Record<CreateArgument>(op, [&](auto &a, Build &b) {
        object(a);
        a.bit_mask |= attrs.empty() ? 0 : CreateArgument_object_attributes_present;
        a.object_attributes = b.List(attrs);
      });
    case 21:
      return Record<SetArgument>(op, [&](auto &a, Build &b) {
        object(a);
        a.bit_mask |= SetArgument_attr_modification_present;
        a.attr_modification = b.Modifications(attrs);
      });
    case 22:  // `when` is any identifier: the server does not read it
      return Record<ShutdownArgument>(op,
                                      [&](auto &a, Build &) { object(a), a.when = BerOf(cls); });
  }
  return Record<ObjectArgument>(op, [&](auto &a, Build &) { object(a); });
}

std::string ResubmitPacket(const std::string &job, const std::string &printer) {
  return Record<ResubmitJobArgument>(23, [&](auto &a, Build &) {
    a.object_class = BerOf(kClassJob);
    a.object_identification.choice = 1;
    SetJob(a.object_identification.u.job_identifier, job);
    GEN_Text_t text{};
    text.choice = GEN_TEXT_STRING;
    text.u.string = const_cast<char *>(printer.c_str());
    kq::test::StatusList s;
    ToBER_text(s, &a.printer.text, &text);
  });
}

std::string ListPacket(int32_t op, uint32_t cls, const Attr &equal,
                       const std::vector<uint32_t> &requested, int32_t maximum) {
  return Record<ListArgument>(op, [&](auto &a, Build &b) {
    a.choice = 2;
    ListObjectAttributesArgument &l = a.u.new_listing;
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
  });
}

std::string ContinuePacket(const std::string &context, bool abort) {
  return Record<ListArgument>(7, [&](auto &a, Build &b) {
    a.choice = 1;
    std::string &c = b.keep.emplace_back(context);
    a.u.context.context = {static_cast<int32_t>(c.size()), reinterpret_cast<uint8_t *>(c.data())};
    a.u.context.bit_mask |= abort ? ListContinuationArgument_abort_present : 0;
    a.u.context.abort = abort;
  });
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
  if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
}

int SpawnedDaemon::Stop() {
  int status = -1;
  if (pid_ > 0) kill(pid_, SIGTERM), waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

std::string Outcome(const ERDPA_errorResult_t *e) {
  if (!e) return "ok";
  static const char *const kNames[] = {"?",         "update",  "attribute", "document-access",
                                       "selection", "printer", "access",    "service",
                                       "security"};
  uint32_t problem = 0;
  const GEN_ObjectIdent_t *o = nullptr;
  switch (e->kind) {
    case ERDPA_ATTRIBUTE_ERROR:
      problem = static_cast<ERDPA_attributeError_t *>(e->details)->problems->problem;
      break;
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      problem = static_cast<ERDPA_selectionItem_t *>(e->details)->problem;
      o = static_cast<ERDPA_selectionItem_t *>(e->details)->objectIdent;
      break;
    case ERDPA_ACCESS_ERROR:
      problem = static_cast<ERDPA_accessItem_t *>(e->details)->problem;
      o = static_cast<ERDPA_accessItem_t *>(e->details)->objectIdent;
      break;
    case ERDPA_SECURITY_ERROR:
      problem = static_cast<ERDPA_securityError_t *>(e->details)->problem;
      break;
    default:
      problem = static_cast<ERDPA_objectProblem_t *>(e->details)->problem;
      if (e->kind == ERDPA_UPDATE_ERROR)
        o = static_cast<ERDPA_objectProblem_t *>(e->details)->objectIdent;
  }
  std::string text = std::string(kNames[e->kind >= 1 && e->kind <= 8 ? e->kind : 0]) + " " +
                     std::to_string(problem);
  if (o && o->choice == 1) text += std::string(" on ") + o->u.job.value;
  if (o && o->choice == 7 && o->u.name.choice <= GEN_TEXT_STRING)
    text += std::string(" on ") + o->u.name.u.string;
  return text;
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
  std::string text = Outcome(error);
  ERDPA_FreeError(s, error);
  return text;
}

bool ReadPage(const Reply &reply, Page *page) {
  *page = {};
  return Decoded<ListResult>(reply, ListResult_PDU, [&](ListResult &r) {
    for (auto *n = r.result_set; n; n = n->next) {
      const ObjectIdent &o = n->value.object_identification;
      Listed &l = page->objects.emplace_back();
      l.name = o.choice == 1 ? std::string(o.u.job_identifier) : NameOf(o.u.simple_name);
      for (auto *a = n->value.attributes; a; a = a->next)
        ShortOf(a->value.type, &l.attrs.emplace_back());
    }
    if (r.bit_mask & ListResult_continuation_present)
      page->context.assign(reinterpret_cast<char *>(r.continuation.value),
                           static_cast<size_t>(r.continuation.length));
    page->limited = (r.bit_mask & ListResult_limit_encountered_present) && r.limit_encountered;
  });
}

std::string PrintedJob(const Reply &reply) {
  std::string id;
  Decoded<PrintResult>(reply, PrintResult_PDU, [&](PrintResult &r) {
    kq::test::StatusList s;
    GEN_printResult_t *result = nullptr;
    if (ToGEN_printResult(s, &r, &result) != 0 || !result) return;
    id = result->jobIdentification.value;
    FreeGEN_printResult(s, result);
  });
  return id;
}

}  // namespace kq::spool::test
