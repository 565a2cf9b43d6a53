#include "dispatch.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "error_wire.h"
#include "infra/genu.h"
#include "infra/svclog.h"
#include "wire.h"

namespace kq::spool {
namespace {

// Standard problem codes the server answers with.
enum : uint32_t {
  kSelInvalid = 1,
  kSelUnknown = 2,
  kSelExists = 3,  // selection
  kUpdNoModification = 1,
  kUpdCannotCancel = 5,  // update
  kAttSyntax = 2,
  kAttUndefined = 3,
  kAttIllegalModification = 7,  // attribute
  kAccClass = 1,
  kAccState = 4,  // access
  kSvcUnavailable = 2,
  kSvcUnclassified = 5,
  kSvcResource = 7,  // service
  kSvcParameter = 11,
  kSvcContext = 13,
  kSvcUnsupported = 15,
};

// What one request works with: the server (locked), the error being built and the
// reply record's parts.
struct Request {
  Server &s;
  RequestError err;
  Arena arena;
  std::deque<Attrs> keep;  // attribute values the reply record points into
  std::deque<std::string> bytes;
};

using Handler = void *(*)(Request &, void *argument, int32_t op);

constexpr size_t kMaxListings = 1024;  // unfinished listings kept at once

std::string JobIdOf(const char (&id)[256]) { return std::string(id, strnlen(id, sizeof id)); }

// A job the request names; records a selection error when there is none. An
// identifier that could name a path is refused before any lookup.
Job *SelectJob(Request &r, const std::string &id) {
  if (id.empty() || id.find('/') != std::string::npos || id.find("..") != std::string::npos) {
    r.err.Selection(kSelInvalid, id, "invalid job identifier");
    return nullptr;
  }
  Job *job = r.s.FindJob(id);
  if (!job) r.err.Selection(kSelUnknown, id, "no such job");
  return job;
}

Printer *SelectPrinter(Request &r, const std::string &name) {
  Printer *p = r.s.FindPrinter(name);
  if (!p) r.err.SelectionName(kSelUnknown, name, "no such printer");
  return p;
}

// Attributes the server keeps itself and no request may change.
bool Protected(uint32_t id) {
  return id == kAttrJobIdentifier || id == kAttrJobState || id == kAttrPrinterName ||
         id == kAttrPrinterState || id == kAttrServerName;
}

// The given attributes after the ones the server keeps (which win over any a client
// sent under the same identifier).
void AppendGiven(Attrs &a, const Attrs &given) {
  for (const Attr &x : given)
    if (!Protected(x.id)) a.push_back(x);
}

// What the server keeps about a job, encoded again only when it changed.
const Attrs &Kept(Job &job) {
  if (job.kept.empty() || job.keptState != job.state || job.keptPrinter != job.printer) {
    job.kept = {{kAttrJobIdentifier, {PackJobId(kAttrJobIdentifier, job.id)}},
                {kAttrJobState, {PackOid(kAttrJobState, job.state)}},
                {kAttrPrinterName, {PackName(kAttrPrinterName, job.printer)}}};
    job.keptState = job.state;
    job.keptPrinter = job.printer;
  }
  return job.kept;
}

// The attributes a job shows: what the server keeps about it, then what it was given.
Attrs &JobStatus(Request &r, Job &job) {
  Attrs &a = r.keep.emplace_back(Kept(job));
  AppendGiven(a, job.attrs);
  return a;
}

Attrs &PrinterStatus(Request &r, const Printer &p) {
  Attrs &a = r.keep.emplace_back();
  a.push_back({kAttrPrinterName, {PackName(kAttrPrinterName, p.name)}});
  a.push_back({kAttrPrinterState, {PackOid(kAttrPrinterState, p.state)}});
  AppendGiven(a, p.attrs);
  return a;
}

Attrs &ServerStatus(Request &r) {
  Attrs &a = r.keep.emplace_back();
  a.push_back({kAttrServerName, {PackName(kAttrServerName, r.s.config.server)}});
  return a;
}

// Reads a received attribute list; each bad attribute adds its problem.
bool ReadAttrs(Request &r, const AttributeList_node *list, Attrs *out) {
  bool ok = true;
  for (; list; list = list->next) {
    Attr a;
    int problem = ReadAttr(list->value, &a);
    if (problem != 0) {
      r.err.Attribute(problem, a.id, "attribute refused");
      ok = false;
    } else {
      SetAttr(*out, std::move(a));
    }
  }
  return ok;
}

// Applies a modification list; nothing changes unless every modification is valid.
bool Modify(Request &r, const ModifyAttributeList_node *list, Attrs *attrs) {
  // A modification's values have the same layout as an attribute's.
  static_assert(sizeof(ModifyAttribute_values_node) == sizeof(Attribute_values_node));
  Attrs result = *attrs;
  bool ok = true;
  for (; list; list = list->next) {
    const ModifyAttribute &m = list->value;
    Attr a;
    int problem = ReadValues(m.type, reinterpret_cast<const Attribute_values_node *>(m.values), &a);
    if (problem == 0 && Protected(a.id)) problem = kAttIllegalModification;
    if (problem != 0) {
      r.err.Attribute(problem, a.id, "modification refused");
      ok = false;
      continue;
    }
    int op = (m.bit_mask & ModifyAttribute_modify_operator_present) ? m.modify_operator : 0;
    auto have =
        std::find_if(result.begin(), result.end(), [&](const Attr &x) { return x.id == a.id; });
    if (op == 1 && have != result.end()) {
      have->values.insert(have->values.end(), a.values.begin(), a.values.end());
    } else if (op == 2 && have != result.end()) {
      auto &v = have->values;
      for (const std::string &gone : a.values)
        v.erase(std::remove(v.begin(), v.end(), gone), v.end());
      if (v.empty()) result.erase(have);
    } else if (op == 3) {
      if (have != result.end()) result.erase(have);
    } else if (op == 0 || op == 1) {
      SetAttr(result, std::move(a));
    }
  }
  if (ok) *attrs = std::move(result);
  return ok;
}

void *AttributeResult(Request &r, const Attrs *attrs) {
  auto *res = r.arena.New<AttributeSetResult>();
  if (attrs) {
    res->bit_mask = AttributeSetResult_attributes_present;
    res->attributes = ToWireList(r.arena, *attrs);
  }
  return res;
}

// Given attributes that tell a job's status rather than describe the job: state
// reasons, previous state, intervening jobs, the administrator's message, processing
// and completion time, number of documents.
bool StatusAttr(uint32_t id) {
  static constexpr uint32_t kStatus[] = {261, 278, 280, 283, 284, 285, 288};
  return std::find(std::begin(kStatus), std::end(kStatus), id) != std::end(kStatus);
}

// A print result carries the job's status (what the server keeps about the job and
// the status attributes it holds), not every attribute the client gave it: the job's
// description is one listing or attribute read away.
void *PrintResultOf(Request &r, Job &job) {
  auto *res = r.arena.New<PrintResult>();
  snprintf(res->job_identification, sizeof res->job_identification, "%s", job.id.c_str());
  Attrs &status = r.keep.emplace_back(Kept(job));
  for (const Attr &x : job.attrs)
    if (StatusAttr(x.id)) status.push_back(x);
  res->job_status = ToWireList(r.arena, status);
  return res;
}

// The bytes of an included document; false for a document the server cannot take.
bool DocumentBytes(const DocumentDescription &d, std::string *out) {
  out->clear();
  if (!(d.bit_mask & DocumentDescription_document_content_present)) return true;
  if (d.document_content.choice != 1) return false;  // referenced documents are not fetched
  const External_encoding &e = d.document_content.u.external.encoding;
  const ber_octets *o = e.choice == 1   ? &e.u.single_ASN1_type
                        : e.choice == 2 ? &e.u.octet_aligned
                                        : nullptr;
  if (!o || o->length < 0) return false;
  out->assign(reinterpret_cast<const char *>(o->value), static_cast<size_t>(o->length));
  return true;
}

bool AddDocument(Request &r, Job &job, const DocumentDescription &d) {
  std::string data;
  if (!DocumentBytes(d, &data)) {
    r.err.Service(kSvcParameter, "only included documents are accepted");
    return false;
  }
  if (!r.s.WriteDocument(job, job.documents + 1, data)) {
    r.err.Service(kSvcResource, "the document could not be spooled");
    return false;
  }
  ++job.documents;
  return true;
}

void *CreateJob(Request &r, const CreateJobArgument &a) {
  if (r.s.shuttingDown) {
    r.err.Service(kSvcUnavailable, "the server is shutting down");
    return nullptr;
  }
  std::string name = NameOf(a.printer_name);
  Printer *p = SelectPrinter(r, name);
  if (!p) return nullptr;
  if (!p->enabled || p->state == kPrinterShutdown) {
    r.err.Access(kAccState, name, false, "the printer does not accept jobs");
    return nullptr;
  }
  Job job;
  if ((a.bit_mask & CreateJobArgument_job_attributes_present) &&
      !ReadAttrs(r, a.job_attributes, &job.attrs))
    return nullptr;
  job.number = r.s.nextJob++;
  job.id = std::to_string(job.number);
  job.printer = p->name;
  job.order = r.s.nextOrder++;
  job.complete = !(a.bit_mask & CreateJobArgument_job_submission_complete_present) ||
                 a.job_submission_complete;
  job.state = job.complete ? kJobPending : kJobHeld;
  if ((a.bit_mask & CreateJobArgument_first_document_present) &&
      !AddDocument(r, job, a.first_document))
    return nullptr;
  Job &stored = r.s.jobs[job.id] = std::move(job);
  return PrintResultOf(r, stored);
}

void *Print(Request &r, void *argument, int32_t op) {
  auto *a = static_cast<PrintArgument *>(argument);
  if (a->choice != (op == 0 ? 1 : op == 5 ? 2 : 3)) {
    r.err.Service(kSvcParameter, "the request does not match the operation");
    return nullptr;
  }
  if (op == 0) return CreateJob(r, a->u.create_job);
  const char(&id)[256] = op == 5 ? a->u.add_document.existing_job : a->u.close_job.existing_job;
  Job *job = SelectJob(r, JobIdOf(id));
  if (!job) return nullptr;
  if (job->complete) {
    r.err.Update(kUpdNoModification, job->id, "the job is already complete");
    return nullptr;
  }
  if (op == 5) {
    const AddDocumentArgument &add = a->u.add_document;
    if (!AddDocument(r, *job, add.new_document)) return nullptr;
    job->complete = !(add.bit_mask & AddDocumentArgument_job_submission_complete_present) ||
                    add.job_submission_complete;
  } else {
    job->complete = true;
  }
  if (job->complete && job->state == kJobHeld) job->state = kJobPending;
  return PrintResultOf(r, *job);
}

// ---- Listing ----

// An object's attributes as a selector sees them: those the server keeps, then
// those it was given, without copying either.
struct View {
  const Attrs &kept;
  const Attrs *given = nullptr;
  const Attr *Find(uint32_t id) const {
    if (const Attr *a = FindAttr(kept, id)) return a;
    return given && !Protected(id) ? FindAttr(*given, id) : nullptr;
  }
};

bool Equal(const View &attrs, const Attribute &item, bool *matched) {
  uint32_t id = 0;
  if (!ShortOf(item.type, &id)) return false;
  *matched = false;
  if (const Attr *have = attrs.Find(id)) {
    for (const Attribute_values_node *v = item.values; v && !*matched; v = v->next) {
      std::string want(reinterpret_cast<const char *>(v->value.value),
                       static_cast<size_t>(std::max(v->value.length, 0)));
      *matched = std::find(have->values.begin(), have->values.end(), want) != have->values.end();
    }
  }
  return true;
}

// 1 the object matches, 0 it does not, -1 the filter uses what the server cannot
// evaluate (or nests beyond reason).
int Match(const Filter &f, const View &attrs, int depth = 0) {
  if (depth > 32) return -1;
  switch (f.choice) {
    case 1: {
      const FilterItem &item = f.u.item;
      bool matched = false;
      uint32_t id = 0;
      switch (item.choice) {
        case 1:
          return Equal(attrs, item.u.equality, &matched) ? matched : -1;
        case 7:
          return Equal(attrs, item.u.not_equal, &matched) ? !matched : -1;
        case 5:
          return ShortOf(item.u.present, &id) ? attrs.Find(id) != nullptr : -1;
      }
      return -1;
    }
    case 2:
    case 3: {
      bool isAnd = f.choice == 2;
      for (const SetOfFilter_node *n = isAnd ? f.u.and_ : f.u.or_; n; n = n->next) {
        int m = Match(n->value, attrs, depth + 1);
        if (m < 0) return -1;
        if (m != isAnd) return m;
      }
      return isAnd;
    }
    case 4: {
      if (!f.u.not_) return -1;
      int m = Match(*f.u.not_, attrs, depth + 1);
      return m < 0 ? -1 : !m;
    }
  }
  return -1;
}

// The attributes of a listed object, null when it no longer exists.
const Attrs *ObjectAttrs(Request &r, uint32_t cls, const std::string &name) {
  if (cls == kClassJob) {
    Job *j = r.s.FindJob(name);
    return j ? &JobStatus(r, *j) : nullptr;
  }
  if (cls == kClassPrinter) {
    Printer *p = r.s.FindPrinter(name);
    return p ? &PrinterStatus(r, *p) : nullptr;
  }
  return &ServerStatus(r);
}

// One reply's worth of a listing; the listing is dropped once it is complete.
void *ListPage(Request &r, uint64_t number, Listing &l, bool limited) {
  auto *res = r.arena.New<ListResult>();
  GEN_GeneralizedTime_t now{};
  GENU_MakeCurrentTime(&now, 1);
  STF_statusList_t *scratch = STF_CreateList(nullptr);
  ToBER_generalizedTime(scratch, &res->answer_time, &now);
  STF_DeleteList(scratch);
  res->bit_mask |= ListResult_result_set_present;
  ListResult_result_set_node **tail = &res->result_set;
  size_t sent = 0;
  for (; l.next < l.names.size() && sent < r.s.config.listLimit; ++l.next) {
    const std::string &name = l.names[l.next];
    const Attrs *attrs = ObjectAttrs(r, l.objectClass, name);
    if (!attrs) continue;  // gone since the listing began
    auto *node = r.arena.New<ListResult_result_set_node>();
    ObjectResult &o = node->value;
    if (l.objectClass == kClassJob) {
      o.object_identification.choice = 1;
      snprintf(o.object_identification.u.job_identifier,
               sizeof o.object_identification.u.job_identifier, "%s", name.c_str());
    } else {
      o.object_identification.choice = 7;
      SetName(&o.object_identification.u.simple_name, name);
    }
    o.attributes = ToWireList(r.arena, *attrs, l.allAttributes ? nullptr : &l.requested);
    o.object_class = BerOf(l.objectClass);
    *tail = node;
    tail = &node->next;
    ++sent;
  }
  if (limited) {
    res->bit_mask |= ListResult_limit_encountered_present;
    res->limit_encountered = 1;
  }
  if (l.next < l.names.size()) {
    if (number == 0) {
      // Listings a client never finished are dropped, oldest first, past a bound.
      if (r.s.listings.size() >= kMaxListings) r.s.listings.erase(r.s.listings.begin());
      number = r.s.nextListing++;
      r.s.listings[number] = l;
    }
    std::string &context =
        r.bytes.emplace_back(reinterpret_cast<const char *>(&number), sizeof number);
    res->bit_mask |= ListResult_continuation_present;
    res->continuation.length = static_cast<int32_t>(context.size());
    res->continuation.value = reinterpret_cast<uint8_t *>(context.data());
  } else if (number != 0) {
    r.s.listings.erase(number);
  }
  return res;
}

void *NewListing(Request &r, const ListObjectAttributesArgument &a) {
  Listing l;
  if (!ShortOf(a.object_class, &l.objectClass) ||
      (l.objectClass != kClassJob && l.objectClass != kClassPrinter &&
       l.objectClass != kClassServer)) {
    r.err.Access(kAccClass, r.s.config.server, false, "objects of this class are not listed");
    return nullptr;
  }
  if (a.bit_mask & ListObjectAttributesArgument_requested_attributes_present) {
    l.allAttributes = a.requested_attributes == nullptr;
    for (auto *n = a.requested_attributes; n; n = n->next) {
      uint32_t id = 0, type = 0;
      STF_statusList_t *scratch = STF_CreateList(nullptr);
      bool known = ShortOf(n->value, &id) && IsAttribute(id) &&
                   GENU_AttrIdToType(scratch, id, &type) == 0 && type != 0 &&
                   type != GENU_OID_NO_TYPE;
      STF_DeleteList(scratch);
      if (!known) {
        r.err.Attribute(kAttUndefined, id, "unknown requested attribute");
        continue;
      }
      l.requested.push_back(id);
    }
    if (r.err.Any()) return nullptr;
  }
  std::vector<std::string> names;
  if (l.objectClass == kClassJob) {
    for (Job *j : r.s.JobsInOrder()) names.push_back(j->id);
  } else if (l.objectClass == kClassPrinter) {
    for (auto &[name, _] : r.s.printers) names.push_back(name);
  } else {
    names.push_back(r.s.config.server);
  }
  const bool filtered = a.bit_mask & ListObjectAttributesArgument_selector_present;
  for (const std::string &name : names) {
    if (filtered) {
      Job *job = l.objectClass == kClassJob ? r.s.FindJob(name) : nullptr;
      int m = job ? Match(a.selector, View{Kept(*job), &job->attrs})
                  : Match(a.selector, View{*ObjectAttrs(r, l.objectClass, name)});
      if (m < 0) {
        r.err.Service(kSvcParameter, "the selector cannot be evaluated");
        return nullptr;
      }
      if (!m) continue;
    }
    l.names.push_back(name);
  }
  bool limited = false;
  if ((a.bit_mask & ListObjectAttributesArgument_maximum_objects_present) &&
      a.maximum_objects >= 0 && l.names.size() > static_cast<size_t>(a.maximum_objects)) {
    l.names.resize(static_cast<size_t>(a.maximum_objects));
    limited = true;
  }
  return ListPage(r, 0, l, limited);
}

void *List(Request &r, void *argument, int32_t op) {
  auto *a = static_cast<ListArgument *>(argument);
  const bool continuing = op == 7 || op == 11 || op == 12;
  if (a->choice != (continuing ? 1 : 2)) {
    r.err.Service(kSvcParameter, "the request does not match the operation");
    return nullptr;
  }
  if (!continuing) return NewListing(r, a->u.new_listing);
  const ListContinuationArgument &c = a->u.context;
  uint64_t number = 0;
  auto it = r.s.listings.end();
  if (c.context.length == sizeof number) {
    memcpy(&number, c.context.value, sizeof number);
    it = r.s.listings.find(number);
  }
  if (it == r.s.listings.end()) {
    r.err.Service(kSvcContext, "no such listing");
    return nullptr;
  }
  if (op == 12 || ((c.bit_mask & ListContinuationArgument_abort_present) && c.abort)) {
    Listing done = it->second;
    done.next = done.names.size();
    r.s.listings.erase(it);
    return ListPage(r, 0, done, false);
  }
  return ListPage(r, number, it->second, false);
}

// ---- Jobs ----

void *ModifyJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<ModifyJobArgument *>(argument);
  Job *job = SelectJob(r, JobIdOf(a->job_identification));
  if (!job || !Modify(r, a->job_attr_modification, &job->attrs)) return nullptr;
  return AttributeResult(r, &JobStatus(r, *job));
}

void *CancelJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<CancelJobArgument *>(argument);
  Job *job = SelectJob(r, JobIdOf(a->existing_job));
  if (!job) return nullptr;
  if (job->state == kJobCancelled) {
    r.err.Update(kUpdCannotCancel, job->id, "the job is already cancelled");
    return nullptr;
  }
  job->state = kJobCancelled;
  return AttributeResult(r, &JobStatus(r, *job));
}

void *PromoteJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<PromoteJobArgument *>(argument);
  Job *job = SelectJob(r, JobIdOf(a->job_identification));
  if (!job) return nullptr;
  int64_t first = job->order;
  for (auto &[_, j] : r.s.jobs) first = std::min(first, j.order);
  job->order = first - 1;
  return AttributeResult(r, &JobStatus(r, *job));
}

// A job or a printer named by a job-or-printer choice: one of the two is set.
bool SelectJobOrPrinter(Request &r, const JobOrPrinter &w, Job **job, Printer **printer) {
  *job = nullptr;
  *printer = nullptr;
  if (w.choice == 1) return (*job = SelectJob(r, JobIdOf(w.u.job))) != nullptr;
  return (*printer = SelectPrinter(r, NameOf(w.u.printer))) != nullptr;
}

void *InterruptJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<InterruptJobArgument *>(argument);
  Job *job;
  Printer *printer;
  if (!SelectJobOrPrinter(r, a->interrupted_job, &job, &printer)) return nullptr;
  std::string interrupting = JobIdOf(a->interrupting_job);
  if (!interrupting.empty() && !SelectJob(r, interrupting)) return nullptr;
  auto *res = r.arena.New<InterruptJobResult>();
  if (job) {
    if (job->state == kJobCancelled) {
      r.err.Access(kAccState, job->id, true, "a cancelled job cannot be interrupted");
      return nullptr;
    }
    job->state = kJobInterrupted;
    snprintf(res->interrupted_job, sizeof res->interrupted_job, "%s", job->id.c_str());
    res->job_status = ToWireList(r.arena, JobStatus(r, *job));
  } else {
    for (auto &[_, j] : r.s.jobs)
      if (j.printer == printer->name && j.state == kJobPending) j.state = kJobInterrupted;
    res->job_status = ToWireList(r.arena, PrinterStatus(r, *printer));
  }
  return res;
}

void *PauseJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<PauseJobArgument *>(argument);
  Job *job;
  Printer *printer;
  if (!SelectJobOrPrinter(r, a->paused_job, &job, &printer)) return nullptr;
  auto *res = r.arena.New<PauseJobResult>();
  res->bit_mask = PauseJobResult_job_status_present;
  if (job) {
    if (job->state == kJobCancelled) {
      r.err.Access(kAccState, job->id, true, "a cancelled job cannot be paused");
      return nullptr;
    }
    job->state = kJobPaused;
    snprintf(res->paused_job, sizeof res->paused_job, "%s", job->id.c_str());
    res->job_status = ToWireList(r.arena, JobStatus(r, *job));
  } else {
    printer->state = kPrinterPaused;
    res->job_status = ToWireList(r.arena, PrinterStatus(r, *printer));
  }
  return res;
}

// Paused, interrupted and held jobs go back to pending; any other job is refused.
bool ResumeJobState(Request &r, Job &job) {
  if (job.state != kJobPaused && job.state != kJobInterrupted && job.state != kJobHeld) {
    r.err.Access(kAccState, job.id, true, "the job is not paused");
    return false;
  }
  job.state = kJobPending;
  return true;
}

void *ResumeJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<ResumeJobArgument *>(argument);
  Job *job = SelectJob(r, JobIdOf(a->resumed_job));
  if (!job || !ResumeJobState(r, *job)) return nullptr;
  return AttributeResult(r, &JobStatus(r, *job));
}

void *ResubmitJob(Request &r, void *argument, int32_t) {
  auto *a = static_cast<ResubmitJobArgument *>(argument);
  if (a->object_identification.choice != 1) {
    r.err.Access(kAccClass, r.s.config.server, false, "only jobs are resubmitted");
    return nullptr;
  }
  Job *job = SelectJob(r, JobIdOf(a->object_identification.u.job_identifier));
  if (!job) return nullptr;
  GEN_Text_t text{};
  STF_statusList_t *scratch = STF_CreateList(nullptr);
  int bad = ToGEN_text(scratch, &a->printer.text, &text);
  STF_DeleteList(scratch);
  std::string target;
  if (!bad && text.choice <= GEN_TEXT_STRING && text.u.string) target = text.u.string;
  if (!bad)
    free(text.choice <= GEN_TEXT_STRING ? static_cast<void *>(text.u.string)
                                        : static_cast<void *>(text.u.octets.value));
  Printer *p = SelectPrinter(r, target);
  if (!p) return nullptr;
  job->printer = p->name;
  job->state = kJobPending;
  auto *head = r.arena.New<ResubmitJobResult_node *>();
  *head = r.arena.New<ResubmitJobResult_node>();
  (*head)->value.bit_mask = ObjectStatus_attributes_present;
  (*head)->value.attributes = ToWireList(r.arena, JobStatus(r, *job));
  return head;
}

// ---- Objects: a job, a printer or the server itself ----

struct Target {
  uint32_t cls = 0;
  Job *job = nullptr;
  Printer *printer = nullptr;
  std::string name;
};

std::string InstanceName(const ObjectIdent &o) {
  if (o.choice == 7) return NameOf(o.u.simple_name);
  if (o.choice == 6 && o.u.name_or_oid.choice == 2) return NameOf(o.u.name_or_oid.u.name);
  if (o.choice == 1) return JobIdOf(o.u.job_identifier);
  return {};
}

bool SelectTarget(Request &r, const ber_oid &cls, const ObjectIdent &instance, Target *t) {
  if (!ShortOf(cls, &t->cls) ||
      (t->cls != kClassJob && t->cls != kClassPrinter && t->cls != kClassServer)) {
    r.err.Access(kAccClass, r.s.config.server, false, "inappropriate object class");
    return false;
  }
  t->name = InstanceName(instance);
  if (t->cls == kClassJob) return (t->job = SelectJob(r, t->name)) != nullptr;
  if (t->cls == kClassPrinter) return (t->printer = SelectPrinter(r, t->name)) != nullptr;
  if (!t->name.empty() && strcasecmp(t->name.c_str(), r.s.config.server.c_str()) != 0) {
    r.err.SelectionName(kSelUnknown, t->name, "no such server");
    return false;
  }
  return true;
}

Attrs *TargetAttrs(Target &t) {
  return t.job ? &t.job->attrs : t.printer ? &t.printer->attrs : nullptr;
}

void *TargetResult(Request &r, const Target &t) {
  if (t.job) return AttributeResult(r, &JobStatus(r, *t.job));
  if (t.printer) return AttributeResult(r, &PrinterStatus(r, *t.printer));
  return AttributeResult(r, &ServerStatus(r));
}

void *ObjectOp(Request &r, void *argument, int32_t op) {
  auto *a = static_cast<ObjectArgument *>(argument);
  Target t;
  if (!SelectTarget(r, a->object_class, a->object_instance, &t)) return nullptr;
  switch (op) {
    case 3:   // enable
    case 13:  // disable
      if (t.job) break;
      for (auto &[_, p] : r.s.printers)
        if (!t.printer || &p == t.printer) p.enabled = op == 3;
      return TargetResult(r, t);
    case 20:  // clean: the jobs of a printer, or all of them
      if (t.job) break;
      std::erase_if(r.s.jobs,
                    [&](const auto &j) { return !t.printer || j.second.printer == t.name; });
      return TargetResult(r, t);
    case 24: {  // delete
      if (t.job) {
        r.s.jobs.erase(t.job->id);
      } else if (t.printer) {
        std::string name = t.printer->name;
        std::erase_if(r.s.jobs, [&](const auto &j) { return j.second.printer == name; });
        r.s.printers.erase(name);
      } else {
        break;
      }
      return AttributeResult(r, nullptr);
    }
    case 25: {  // pause
      auto *res = r.arena.New<PauseResult>();
      res->bit_mask = PauseResult_attributes_present;
      if (t.job) {
        if (t.job->state == kJobCancelled) {
          r.err.Access(kAccState, t.job->id, true, "a cancelled job cannot be paused");
          return nullptr;
        }
        t.job->state = kJobPaused;
        res->bit_mask |= PauseResult_affected_job_present;
        snprintf(res->affected_job, sizeof res->affected_job, "%s", t.job->id.c_str());
        res->attributes = ToWireList(r.arena, JobStatus(r, *t.job));
      } else {
        for (auto &[_, p] : r.s.printers)
          if (!t.printer || &p == t.printer) p.state = kPrinterPaused;
        res->attributes =
            ToWireList(r.arena, t.printer ? PrinterStatus(r, *t.printer) : ServerStatus(r));
      }
      return res;
    }
    case 26:  // resume
      if (t.job && !ResumeJobState(r, *t.job)) return nullptr;
      for (auto &[_, p] : r.s.printers)
        if (!t.job && (!t.printer || &p == t.printer) && p.state == kPrinterPaused)
          p.state = kPrinterIdle;
      return TargetResult(r, t);
  }
  r.err.Access(kAccClass, t.name, t.job != nullptr, "inappropriate object class");
  return nullptr;
}

void *Create(Request &r, void *argument, int32_t) {
  auto *a = static_cast<CreateArgument *>(argument);
  uint32_t cls = 0;
  if (!ShortOf(a->object_class, &cls) || cls != kClassPrinter) {
    r.err.Access(kAccClass, r.s.config.server, false, "only printers are created");
    return nullptr;
  }
  std::string name = InstanceName(a->object_instance);
  if (name.empty()) {
    r.err.SelectionName(kSelInvalid, name, "a printer needs a name");
    return nullptr;
  }
  if (r.s.FindPrinter(name)) {
    r.err.SelectionName(kSelExists, name, "the printer exists");
    return nullptr;
  }
  Printer p;
  p.name = name;
  if ((a->bit_mask & CreateArgument_object_attributes_present) &&
      !ReadAttrs(r, a->object_attributes, &p.attrs))
    return nullptr;
  Printer &stored = r.s.printers[name] = std::move(p);
  auto *res = r.arena.New<CreateResult>();
  res->object_attributes = ToWireList(r.arena, PrinterStatus(r, stored));
  return res;
}

void *Set(Request &r, void *argument, int32_t) {
  auto *a = static_cast<SetArgument *>(argument);
  Target t;
  if (!SelectTarget(r, a->object_class, a->object_instance, &t)) return nullptr;
  Attrs *attrs = TargetAttrs(t);
  if (!attrs) {
    r.err.Access(kAccClass, t.name, false, "the server's attributes are fixed");
    return nullptr;
  }
  if ((a->bit_mask & SetArgument_attr_modification_present) &&
      !Modify(r, a->attr_modification, attrs))
    return nullptr;
  return TargetResult(r, t);
}

void *Shutdown(Request &r, void *argument, int32_t) {
  auto *a = static_cast<ShutdownArgument *>(argument);
  Target t;
  if (!SelectTarget(r, a->object_class, a->object_instance, &t)) return nullptr;
  if (t.job) {
    r.err.Access(kAccClass, t.name, true, "jobs are not shut down");
    return nullptr;
  }
  if (t.printer) {
    t.printer->state = kPrinterShutdown;
    t.printer->enabled = false;
  } else {
    r.s.shuttingDown = true;  // new jobs are refused; everything else still answers
  }
  return TargetResult(r, t);
}

// Control: the operations set is applied to the object's attributes as given.
void *Control(Request &r, void *argument, int32_t) {
  auto *a = static_cast<ControlArgument *>(argument);
  Target t;
  if (!SelectTarget(r, a->object_class, a->object_instance, &t)) return nullptr;
  Attrs given;
  if (!ReadAttrs(r, a->operations, &given)) return nullptr;
  Attrs *attrs = TargetAttrs(t);
  for (Attr &x : given) {
    if (Protected(x.id) || !attrs) {
      r.err.Attribute(kAttIllegalModification, x.id, "attribute cannot be controlled");
      return nullptr;
    }
    SetAttr(*attrs, std::move(x));
  }
  return TargetResult(r, t);
}

void *Unsupported(Request &r, void *, int32_t) {
  r.err.Service(kSvcUnsupported, "unsupported operation");
  return nullptr;
}

struct Operation {
  int argument, result;
  Handler handler;
};
// clang-format off
const Operation kTable[kOperations] = {
    {PrintArgument_PDU, PrintResult_PDU, Print},                 //  0 create job
    {ListArgument_PDU, ListResult_PDU, List},                    //  1 list object attributes
    {CreateArgument_PDU, CreateResult_PDU, Create},              //  2 create
    {EnableArgument_PDU, EnableResult_PDU, ObjectOp},            //  3 enable
    {SendEventArgument_PDU, SendEventResult_PDU, Unsupported},   //  4 send event
    {PrintArgument_PDU, PrintResult_PDU, Print},                 //  5 add document
    {PrintArgument_PDU, PrintResult_PDU, Print},                 //  6 close job
    {ListArgument_PDU, ListResult_PDU, List},                    //  7 list continuation
    {ListArgument_PDU, ListResult_PDU, List},                    //  8 listing
    {ListArgument_PDU, ListResult_PDU, List},                    //  9 listing
    {ListArgument_PDU, ListResult_PDU, List},                    // 10 ordered jobs
    {ListArgument_PDU, ListResult_PDU, List},                    // 11 ordered jobs continuation
    {ListArgument_PDU, ListResult_PDU, List},                    // 12 list abort
    {DisableArgument_PDU, DisableResult_PDU, ObjectOp},          // 13 disable
    {ModifyJobArgument_PDU, ModifyJobResult_PDU, ModifyJob},     // 14
    {CancelJobArgument_PDU, CancelJobResult_PDU, CancelJob},     // 15
    {PromoteJobArgument_PDU, PromoteJobResult_PDU, PromoteJob},  // 16
    {InterruptJobArgument_PDU, InterruptJobResult_PDU, InterruptJob},  // 17
    {PauseJobArgument_PDU, PauseJobResult_PDU, PauseJob},        // 18
    {ResumeJobArgument_PDU, ResumeJobResult_PDU, ResumeJob},     // 19
    {CleanArgument_PDU, CleanResult_PDU, ObjectOp},              // 20 clean
    {SetArgument_PDU, SetResult_PDU, Set},                       // 21 set
    {ShutdownArgument_PDU, ShutdownResult_PDU, Shutdown},        // 22 shutdown
    {ResubmitJobArgument_PDU, ResubmitJobResult_PDU, ResubmitJob},  // 23
    {DeleteArgument_PDU, DeleteResult_PDU, ObjectOp},            // 24 delete
    {PauseArgument_PDU, PauseResult_PDU, ObjectOp},              // 25 pause
    {ResumeArgument_PDU, ResumeResult_PDU, ObjectOp},            // 26 resume
    {0, 0, Unsupported},                                         // 27 no records
    {ControlArgument_PDU, ControlResult_PDU, Control},           // 28 control
};
// clang-format on

void Fail(Reply *reply, const RequestError &err) {
  reply->result.clear();
  if (EncodeError(err.Get(), &reply->errorType, &reply->error)) return;
  LOG_COND_MESSAGE(LOG_SEV_WARNING, "kqspoold: an error result could not be encoded");
  RequestError plain;
  plain.Service(kSvcUnclassified, "the error could not be encoded");
  if (!EncodeError(plain.Get(), &reply->errorType, &reply->error)) {
    reply->errorType = 0;  // nothing left to say; the empty reply still goes out
    reply->error.clear();
  }
}

}  // namespace

int ArgumentRecord(int32_t op) { return op >= 0 && op < kOperations ? kTable[op].argument : 0; }
int ResultRecord(int32_t op) { return op >= 0 && op < kOperations ? kTable[op].result : 0; }

Reply Dispatch(Server &server, int32_t op, const void *packet, size_t length) {
  Reply reply;
  server.TracePacket(op, packet, length);
  Request r{server, {}, {}, {}, {}};
  r.err.SetServer(server.config.server);
  if (op < 0 || op >= kOperations || kTable[op].argument == 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "kqspoold: unknown operation %d", op);
    r.err.Service(kSvcUnsupported, "unknown operation");
    Fail(&reply, r.err);
    return reply;
  }
  const Operation &row = kTable[op];
  int pdu = row.argument;
  void *argument = nullptr;
  OssBuf in{static_cast<int32_t>(std::min<size_t>(length, INT32_MAX)),
            static_cast<unsigned char *>(const_cast<void *>(packet))};
  if (length == 0 || length > INT32_MAX || GENU_OssDecode(nullptr, &pdu, &in, &argument) != 0 ||
      !argument) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "kqspoold: operation %d: undecodable packet of %zu bytes", op,
                     length);
    r.err.Service(kSvcUnclassified, "the request could not be decoded");
    Fail(&reply, r.err);
    return reply;
  }
  {
    std::lock_guard<std::mutex> lock(server.mu);
    void *result = row.handler(r, argument, op);
    if (result && !r.err.Any()) {
      reply.result = Encode(row.result, result);
      if (reply.result.empty()) {
        LOG_COND_MESSAGE(LOG_SEV_WARNING, "kqspoold: operation %d: result not encoded: %s", op,
                         ossGetErrMsg(GENU_GetWorld()));
        r.err.Service(kSvcUnclassified, "the result could not be encoded");
      }
    }
  }
  GENU_OssFreePDU(nullptr, pdu, argument);
  if (r.err.Any()) Fail(&reply, r.err);
  return reply;
}

}  // namespace kq::spool
