// The argument records of the operations: one builder per record layout that converts
// the caller's generic arguments into the record and sets its presence bits, and the
// release of what a builder converted. Also the document description and the set of
// checkpoints, the two argument pieces of their own.
#include <cstddef>
#include <cstring>

#include "internal/genu_world_alloc.h"
#include "internal/stf_fail.h"
#include "internal/stf_scratch.h"
#include "private/jqp_ops_int.h"

namespace kq::jqp {
namespace {

// Failure codes of the argument conversions.
constexpr uint32_t kFailPrinter = JQP_ST_ARG_PRINTER;
constexpr uint32_t kFailOid = JQP_ST_ARG_OID;
constexpr uint32_t kFailObject = JQP_ST_ARG_OBJECT;
constexpr uint32_t kFailMessage = JQP_ST_ARG_MESSAGE;
constexpr uint32_t kFailSet = JQP_ST_ARG_SET;
constexpr uint32_t kFailDocument = JQP_ST_ARG_DOCUMENT;
constexpr uint32_t kFailSelector = JQP_ST_ARG_SELECTOR;
constexpr uint32_t kFailContext = JQP_ST_ARG_CONTEXT;
constexpr uint32_t kFailDistName = JQP_ST_ARG_PRINTER_DN;
constexpr uint32_t kFailEvent = JQP_ST_ARG_EVENT;

// The wire list of requested attributes has the layout of a sequence of identifiers,
// so the sequence converter fills it.
using RequestedNode = ListObjectAttributesArgument_requested_attributes_node;
static_assert(sizeof(RequestedNode) == sizeof(SeqOfObjId_node) &&
              offsetof(RequestedNode, value) == offsetof(SeqOfObjId_node, value));

void CopyJobId(JobIdentifier &out, const char *in) {
  memset(out, 0, sizeof out);
  if (in) strncpy(out, in, sizeof out - 1);
}

int Set(STF_statusList_t *status, AttributeList *out, AS_setHandle_t set, uint32_t failure) {
  return ToBER_AS(status, out, &set, GENU_AS_MODE_KEEP_EXT_ACL) ? STF__Fail(status, failure) : 0;
}
int Oid(STF_statusList_t *status, ber_oid *out, const uint32_t *in, uint32_t failure) {
  if (!in) return STF__Fail(status, failure);
  return ToBER_oid(status, out, in) ? STF__Fail(status, failure) : 0;
}
int Object(STF_statusList_t *status, ObjectIdent *out, const GEN_ObjectIdent_t *in) {
  if (!in) return STF__Fail(status, kFailObject);
  return ToBER_objectIdent(status, out, in) ? STF__Fail(status, kFailObject) : 0;
}
// An optional message under `bit`.
int Message(STF_statusList_t *status, Text *out, const GEN_Text_t *in, uint8_t *mask, uint8_t bit) {
  if (!in) return 0;
  if (ToBER_message(status, out, in)) return STF__Fail(status, kFailMessage);
  *mask |= bit;
  return 0;
}
// An optional integer under `bit`.
void Integer(int32_t *out, const int32_t *in, uint8_t *mask, uint8_t bit) {
  if (!in) return;
  *out = *in;
  *mask |= bit;
}
int JobOrPrinterArg(STF_statusList_t *status, JobOrPrinter *out, const GEN_JobOrPrinter_t *in) {
  if (!in) return STF__Fail(status, kFailPrinter);
  if (in->tag == 1) {
    out->choice = JobOrPrinter_job_chosen;
    CopyJobId(out->u.job, in->u.job);
    return 0;
  }
  out->choice = JobOrPrinter_printer_chosen;
  return ToBER_simpleName(status, &out->u.printer, &in->u.printer) ? STF__Fail(status, kFailPrinter)
                                                                   : 0;
}

void FreeSet(AttributeList *list) {
  if (*list) FreeBER_AS(kq::stf::ScratchList(), list);
}
void FreeModify(ModifyAttributeList *list) {
  if (*list) FreeBER_ModOpAS(kq::stf::ScratchList(), list);
}

// Print requests: create job, add document, close job.
int BuildCreateJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  r.print.choice = PrintArgument_create_job_chosen;
  CreateJobArgument &c = r.print.u.create_job;
  if (!a.printerName || ToBER_simpleName(status, &c.printer_name, a.printerName))
    return STF__Fail(status, kFailPrinter);
  if (a.submissionComplete && *a.submissionComplete == 0) {
    c.bit_mask |= CreateJobArgument_job_submission_complete_present;
    c.job_submission_complete = 0;
  }
  if (a.jobAttributes) {
    if (Set(status, &c.job_attributes, a.jobAttributes, kFailSet)) return 1;
    c.bit_mask |= CreateJobArgument_job_attributes_present;
  }
  slot = {&c.bit_mask, CreateJobArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
// The first document follows the common arguments (which open the connection).
int BuildFirstDocument(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &) {
  CreateJobArgument &c = r.print.u.create_job;
  if (!a.document) return 0;
  if (ToBER_docDescription(status, &c.first_document, a.document))
    return STF__Fail(status, kFailDocument);
  c.bit_mask |= CreateJobArgument_first_document_present;
  return 0;
}
int BuildAddDocument(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  r.print.choice = PrintArgument_add_document_chosen;
  AddDocumentArgument &d = r.print.u.add_document;
  CopyJobId(d.existing_job, a.jobId);
  if (a.submissionComplete && *a.submissionComplete == 0)
    d.bit_mask |= AddDocumentArgument_job_submission_complete_present;
  if (!a.document || ToBER_docDescription(status, &d.new_document, a.document))
    return STF__Fail(status, kFailDocument);
  slot = {&d.bit_mask, AddDocumentArgument_common_arguments_present, &d.common_arguments};
  return 0;
}
int BuildCloseJob(STF_statusList_t *, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  r.print.choice = PrintArgument_close_job_chosen;
  CloseJobArgument &c = r.print.u.close_job;
  CopyJobId(c.existing_job, a.jobId);
  slot = {&c.bit_mask, CloseJobArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
void ReleasePrint(ArgRecord &r) {
  kq::stf::ScratchList scratch;
  if (r.print.choice == PrintArgument_create_job_chosen) {
    CreateJobArgument &c = r.print.u.create_job;
    FreeSet(&c.job_attributes);
    if (c.bit_mask & CreateJobArgument_first_document_present)
      FreeBER_docDescription(scratch, &c.first_document);
    FreeSet(&c.common_arguments);
  } else if (r.print.choice == PrintArgument_add_document_chosen) {
    FreeBER_docDescription(scratch, &r.print.u.add_document.new_document);
    FreeSet(&r.print.u.add_document.common_arguments);
  } else if (r.print.choice == PrintArgument_close_job_chosen) {
    FreeSet(&r.print.u.close_job.common_arguments);
  }
}

// Listings: a new listing (the requested attributes' failure code differs between the
// two operations) and the three uses of a continuation context.
int BuildListing(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot,
                 uint32_t requestedFailure) {
  r.list.choice = ListArgument_new_listing_chosen;
  ListObjectAttributesArgument &l = r.list.u.new_listing;
  if (Oid(status, &l.object_class, &a.objectClass, kFailOid)) return 1;
  Integer(&l.scope, a.scope, &l.bit_mask, ListObjectAttributesArgument_scope_present);
  if (a.selector) {
    if (ToBER_filter(status, &l.selector, a.selector)) return STF__Fail(status, kFailSelector);
    l.bit_mask |= ListObjectAttributesArgument_selector_present;
  }
  if (a.requested) {
    if (ToBER_setOfOIDs(status, reinterpret_cast<SeqOfObjId_node **>(&l.requested_attributes),
                        a.requested)) {
      if (l.bit_mask & ListObjectAttributesArgument_selector_present)
        FreeBER_filter(kq::stf::ScratchList(), &l.selector);
      return STF__Fail(status, requestedFailure);
    }
    l.bit_mask |= ListObjectAttributesArgument_requested_attributes_present;
  }
  slot = {&l.bit_mask, ListObjectAttributesArgument_common_arguments_present, &l.common_arguments};
  return 0;
}
int BuildListObjectAttributes(STF_statusList_t *status, const OpArgs &a, ArgRecord &r,
                              CommonSlot &slot) {
  return BuildListing(status, a, r, slot, JQP_ST_ARG_REQUESTED);
}
int BuildGetOrderedJobs(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  return BuildListing(status, a, r, slot, kFailOid);
}
int BuildContext(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  r.list.choice = ListArgument_context_chosen;
  ListContinuationArgument &c = r.list.u.context;
  if (!a.context || ToBER_listContext(status, &c.context, a.context))
    return STF__Fail(status, kFailContext);
  slot = {&c.bit_mask, ListContinuationArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
int BuildAbort(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  if (BuildContext(status, a, r, slot)) return 1;
  r.list.u.context.bit_mask |= ListContinuationArgument_abort_present;
  r.list.u.context.abort = 1;
  return 0;
}
void ReleaseList(ArgRecord &r) {
  kq::stf::ScratchList scratch;
  if (r.list.choice == ListArgument_new_listing_chosen) {
    ListObjectAttributesArgument &l = r.list.u.new_listing;
    if (l.bit_mask & ListObjectAttributesArgument_selector_present)
      FreeBER_filter(scratch, &l.selector);
    if (l.requested_attributes)
      FreeBER_setOfOIDs(scratch, reinterpret_cast<SeqOfObjId_node **>(&l.requested_attributes));
    FreeSet(&l.common_arguments);
  } else if (r.list.choice == ListArgument_context_chosen) {
    if (r.list.u.context.context.value) FreeBER_listContext(scratch, &r.list.u.context.context);
    FreeSet(&r.list.u.context.common_arguments);
  }
}

// Jobs.
int BuildModifyJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ModifyJobArgument &m = r.modify;
  CopyJobId(m.job_identification, a.jobId);
  Integer(&m.document_number, a.documentNumber, &m.bit_mask,
          ModifyJobArgument_document_number_present);
  if (ToBER_ModOpAS(status, &m.job_attr_modification, &a.modification, GENU_AS_MODE_KEEP_EXT_ACL))
    return STF__Fail(status, kFailSet);
  if (Message(status, &m.modify_message, a.message, &m.bit_mask,
              ModifyJobArgument_modify_message_present)) {
    FreeModify(&m.job_attr_modification);
    return 1;
  }
  slot = {&m.bit_mask, ModifyJobArgument_common_arguments_present, &m.common_arguments};
  return 0;
}
void ReleaseModifyJob(ArgRecord &r) {
  FreeModify(&r.modify.job_attr_modification);
  FreeSet(&r.modify.common_arguments);
}
int BuildCancelJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  CancelJobArgument &c = r.cancel;
  CopyJobId(c.existing_job, a.jobId);
  Integer(&c.document_number, a.documentNumber, &c.bit_mask,
          CancelJobArgument_document_number_present);
  if (Message(status, &c.cancel_message, a.message, &c.bit_mask,
              CancelJobArgument_cancel_message_present))
    return 1;
  Integer(&c.retention_period, a.retention, &c.bit_mask,
          CancelJobArgument_retention_period_present);
  slot = {&c.bit_mask, CancelJobArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
void ReleaseCancelJob(ArgRecord &r) { FreeSet(&r.cancel.common_arguments); }
int BuildPromoteJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  PromoteJobArgument &p = r.promote;
  CopyJobId(p.job_identification, a.jobId);
  if (Message(status, &p.promote_message, a.message, &p.bit_mask,
              PromoteJobArgument_promote_message_present))
    return 1;
  slot = {&p.bit_mask, PromoteJobArgument_common_arguments_present, &p.common_arguments};
  return 0;
}
void ReleasePromoteJob(ArgRecord &r) { FreeSet(&r.promote.common_arguments); }
int BuildInterruptJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  InterruptJobArgument &i = r.interrupt;
  if (JobOrPrinterArg(status, &i.interrupted_job, a.jobOrPrinter)) return 1;
  if (Message(status, &i.interrupt_message, a.message, &i.bit_mask,
              InterruptJobArgument_interrupt_message_present))
    return 1;
  CopyJobId(i.interrupting_job, a.interruptingJob);
  slot = {&i.bit_mask, InterruptJobArgument_common_arguments_present, &i.common_arguments};
  return 0;
}
void ReleaseInterruptJob(ArgRecord &r) { FreeSet(&r.interrupt.common_arguments); }
int BuildPauseJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  PauseJobArgument &p = r.pauseJob;
  if (JobOrPrinterArg(status, &p.paused_job, a.jobOrPrinter)) return 1;
  if (Message(status, &p.pause_message, a.message, &p.bit_mask,
              PauseJobArgument_pause_message_present))
    return 1;
  slot = {&p.bit_mask, PauseJobArgument_common_arguments_present, &p.common_arguments};
  return 0;
}
void ReleasePauseJob(ArgRecord &r) { FreeSet(&r.pauseJob.common_arguments); }
int BuildResumeJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ResumeJobArgument &j = r.resumeJob;
  CopyJobId(j.resumed_job, a.jobId);
  if (Message(status, &j.resume_message, a.message, &j.bit_mask,
              ResumeJobArgument_resume_message_present))
    return 1;
  slot = {&j.bit_mask, ResumeJobArgument_common_arguments_present, &j.common_arguments};
  return 0;
}
void ReleaseResumeJob(ArgRecord &r) { FreeSet(&r.resumeJob.common_arguments); }
int BuildResubmitJob(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ResubmitJobArgument &j = r.resubmit;
  if (Oid(status, &j.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &j.object_identification, a.objectInstance)) return 1;
  if (!a.dnPrinter || ToBER_distNameString(status, &j.printer, a.dnPrinter))
    return STF__Fail(status, kFailDistName);
  if (Message(status, &j.message, a.message, &j.bit_mask, ResubmitJobArgument_message_present))
    return 1;
  slot = {&j.bit_mask, ResubmitJobArgument_common_arguments_present, &j.common_arguments};
  return 0;
}
void ReleaseResubmitJob(ArgRecord &r) { FreeSet(&r.resubmit.common_arguments); }

// Objects named by class and identification.
int BuildObject(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ObjectArgument &o = r.object;
  if (Oid(status, &o.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &o.object_instance, a.objectInstance)) return 1;
  if (Message(status, &o.message, a.message, &o.bit_mask, ObjectArgument_message_present)) return 1;
  slot = {&o.bit_mask, ObjectArgument_common_arguments_present, &o.common_arguments};
  return 0;
}
void ReleaseObject(ArgRecord &r) { FreeSet(&r.object.common_arguments); }
int BuildCreate(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  CreateArgument &c = r.create;
  if (Oid(status, &c.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &c.object_instance, a.objectInstance)) return 1;
  if (a.initialValue) {
    if (Object(status, &c.initial_value_object, a.initialValue)) return 1;
    c.bit_mask |= CreateArgument_initial_value_object_present;
  }
  if (a.forceCreation) {
    c.force_creation = *a.forceCreation ? 1 : 0;
    c.bit_mask |= CreateArgument_force_creation_present;
  }
  if (a.objectAttributes) {
    if (Set(status, &c.object_attributes, a.objectAttributes, kFailObject)) return 1;
    c.bit_mask |= CreateArgument_object_attributes_present;
  }
  if (Message(status, &c.message, a.message, &c.bit_mask, CreateArgument_message_present)) {
    FreeSet(&c.object_attributes);
    return 1;
  }
  slot = {&c.bit_mask, CreateArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
void ReleaseCreate(ArgRecord &r) {
  FreeSet(&r.create.object_attributes);
  FreeSet(&r.create.common_arguments);
}
int BuildSet(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  SetArgument &s = r.set;
  if (Oid(status, &s.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &s.object_instance, a.objectInstance)) return 1;
  if (a.modification) {
    if (ToBER_ModOpAS(status, &s.attr_modification, &a.modification, GENU_AS_MODE_KEEP_EXT_ACL))
      return STF__Fail(status, kFailSet);
    s.bit_mask |= SetArgument_attr_modification_present;
  }
  if (Message(status, &s.message, a.message, &s.bit_mask, SetArgument_message_present)) {
    FreeModify(&s.attr_modification);
    return 1;
  }
  slot = {&s.bit_mask, SetArgument_common_arguments_present, &s.common_arguments};
  return 0;
}
void ReleaseSet(ArgRecord &r) {
  FreeModify(&r.set.attr_modification);
  FreeSet(&r.set.common_arguments);
}
int BuildShutdown(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ShutdownArgument &s = r.shutdown;
  if (Oid(status, &s.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &s.object_instance, a.objectInstance)) return 1;
  if (Message(status, &s.message, a.message, &s.bit_mask, ShutdownArgument_message_present))
    return 1;
  if (Oid(status, &s.when, a.when, kFailOid)) return 1;
  slot = {&s.bit_mask, ShutdownArgument_common_arguments_present, &s.common_arguments};
  return 0;
}
void ReleaseShutdown(ArgRecord &r) { FreeSet(&r.shutdown.common_arguments); }
int BuildControl(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  ControlArgument &c = r.control;
  if (Oid(status, &c.object_class, &a.objectClass, kFailOid)) return 1;
  if (Object(status, &c.object_instance, a.objectInstance)) return 1;
  if (Set(status, &c.operations, a.objectAttributes, kFailSet)) return 1;
  slot = {&c.bit_mask, ControlArgument_common_arguments_present, &c.common_arguments};
  return 0;
}
void ReleaseControl(ArgRecord &r) {
  FreeSet(&r.control.operations);
  FreeSet(&r.control.common_arguments);
}
int BuildSendEvent(STF_statusList_t *status, const OpArgs &a, ArgRecord &r, CommonSlot &slot) {
  SendEventArgument &e = r.event;
  if (!a.event || ToBER_nameOrOid(status, &e.event, a.event)) return STF__Fail(status, kFailEvent);
  if (Set(status, &e.event_attributes, a.objectAttributes, kFailSet)) return 1;
  e.bit_mask |= SendEventArgument_event_attributes_present;
  if (Message(status, &e.message, a.message, &e.bit_mask, SendEventArgument_message_present)) {
    FreeSet(&e.event_attributes);
    return 1;
  }
  slot = {&e.bit_mask, SendEventArgument_common_arguments_present, &e.common_arguments};
  return 0;
}
void ReleaseSendEvent(ArgRecord &r) {
  FreeSet(&r.event.event_attributes);
  FreeSet(&r.event.common_arguments);
}

}  // namespace

// The trace lines of each operation, in its argument order.
#define KQ_LINE(show, name, member, required) \
  EchoLine { Show::show, name, offsetof(OpArgs, member), required }
#define KQ_COMMON KQ_LINE(kSet, "common-arguments", common, false)
#define KQ_CLASS KQ_LINE(kClass, "object-class", objectClass, true)
#define KQ_INSTANCE KQ_LINE(kObject, "object-instance", objectInstance, true)
#define KQ_MESSAGE(name) KQ_LINE(kMessage, name, message, false)
const EchoLine kCreateJobLines[] = {
    KQ_LINE(kName, "printer-name", printerName, true),
    KQ_LINE(kFlag, "job-submission-complete", submissionComplete, false),
    KQ_LINE(kSet, "job-attributes", jobAttributes, false),
    KQ_LINE(kDocument, "first-document", document, false), KQ_COMMON};
const EchoLine kAddDocumentLines[] = {
    KQ_LINE(kJobId, "existing-job", jobId, true),
    KQ_LINE(kFlag, "job-submission-complete", submissionComplete, false),
    KQ_LINE(kDocument, "new-document", document, true), KQ_COMMON};
const EchoLine kCloseJobLines[] = {KQ_LINE(kJobId, "existing-job", jobId, true), KQ_COMMON};
const EchoLine kListingLines[] = {KQ_CLASS, KQ_LINE(kInteger, "scope", scope, false),
                                  KQ_LINE(kFilter, "selector", selector, false),
                                  KQ_LINE(kOids, "requested-attributes", requested, false),
                                  KQ_COMMON};
const EchoLine kContextLines[] = {KQ_LINE(kContext, "context", context, true), KQ_COMMON};
const EchoLine kModifyJobLines[] = {KQ_LINE(kJobId, "job-identification", jobId, true),
                                    KQ_LINE(kInteger, "document-number", documentNumber, false),
                                    KQ_LINE(kSet, "job-attr-modification", modification, true),
                                    KQ_MESSAGE("modify-message"), KQ_COMMON};
const EchoLine kCancelJobLines[] = {
    KQ_LINE(kJobId, "existing-job", jobId, true),
    KQ_LINE(kInteger, "document-number", documentNumber, false), KQ_MESSAGE("cancel-message"),
    KQ_LINE(kInteger, "retention-period", retention, false), KQ_COMMON};
const EchoLine kPromoteJobLines[] = {KQ_LINE(kJobId, "job-identification", jobId, true),
                                     KQ_MESSAGE("promote-message"), KQ_COMMON};
const EchoLine kInterruptJobLines[] = {
    KQ_LINE(kJobOrPrinter, "interrupted-job", jobOrPrinter, true), KQ_MESSAGE("interrupt-message"),
    KQ_LINE(kJobId, "interrupting-job", interruptingJob, true), KQ_COMMON};
const EchoLine kPauseJobLines[] = {KQ_LINE(kJobOrPrinter, "paused-job", jobOrPrinter, true),
                                   KQ_MESSAGE("pause-message"), KQ_COMMON};
const EchoLine kResumeJobLines[] = {KQ_LINE(kJobId, "resumed-job", jobId, true),
                                    KQ_MESSAGE("resume-message"), KQ_COMMON};
const EchoLine kResubmitJobLines[] = {
    KQ_CLASS, KQ_LINE(kObject, "object-identification", objectInstance, true),
    KQ_LINE(kDistName, "printer", dnPrinter, true), KQ_MESSAGE("message"), KQ_COMMON};
const EchoLine kCreateLines[] = {KQ_CLASS,
                                 KQ_INSTANCE,
                                 KQ_LINE(kObject, "initial-value-object", initialValue, false),
                                 KQ_LINE(kFlag, "force-creation", forceCreation, false),
                                 KQ_LINE(kSet, "object-attributes", objectAttributes, false),
                                 KQ_MESSAGE("message"),
                                 KQ_COMMON};
const EchoLine kObjectLines[] = {KQ_CLASS, KQ_INSTANCE, KQ_MESSAGE("message"), KQ_COMMON};
const EchoLine kSetLines[] = {KQ_CLASS, KQ_INSTANCE,
                              KQ_LINE(kSet, "attr-modification", modification, false),
                              KQ_MESSAGE("message"), KQ_COMMON};
const EchoLine kShutdownLines[] = {KQ_CLASS, KQ_INSTANCE, KQ_MESSAGE("message"),
                                   KQ_LINE(kOid, "when", when, true), KQ_COMMON};
const EchoLine kControlLines[] = {KQ_CLASS, KQ_INSTANCE,
                                  KQ_LINE(kSet, "operations", objectAttributes, true), KQ_COMMON};
const EchoLine kSendEventLines[] = {KQ_LINE(kEvent, "event", event, true),
                                    KQ_LINE(kSet, "event-attributes", objectAttributes, false),
                                    KQ_MESSAGE("message"), KQ_COMMON};
#undef KQ_LINE
#undef KQ_COMMON
#undef KQ_CLASS
#undef KQ_INSTANCE
#undef KQ_MESSAGE

// Number, name, record builder and release, result kind and the code a result that
// does not convert adds, trace lines.
#define KQ_OP_LATE(Name, number, build, release, kind, failure, lines, late)   \
  const Operation k##Name = {number,                                           \
                             "JQP_" #Name "_C",                                \
                             #Name,                                            \
                             "EchoIn" #Name,                                   \
                             "EchoOut" #Name,                                  \
                             build,                                            \
                             release,                                          \
                             ResultKind::kind,                                 \
                             failure,                                          \
                             lines,                                            \
                             static_cast<int>(sizeof lines / sizeof lines[0]), \
                             late};
#define KQ_OP(Name, number, build, release, kind, failure, lines) \
  KQ_OP_LATE(Name, number, build, release, kind, failure, lines, nullptr)
constexpr uint32_t kResult67 = JQP_ST_ARG_REQUESTED, kResult68 = JQP_ST_ARG_SET;
// clang-format off
KQ_OP_LATE(CreateJob, 0, BuildCreateJob, ReleasePrint, kPrint, 0, kCreateJobLines, BuildFirstDocument)
KQ_OP(ListObjectAttributes, 1, BuildListObjectAttributes, ReleaseList, kList, 0, kListingLines)
KQ_OP(Create, 2, BuildCreate, ReleaseCreate, kCreateSet, kResult67, kCreateLines)
KQ_OP(Enable, 3, BuildObject, ReleaseObject, kSet, kResult68, kObjectLines)
KQ_OP(SendEvent, 4, BuildSendEvent, ReleaseSendEvent, kEvent, kResult67, kSendEventLines)
KQ_OP(AddDocument, 5, BuildAddDocument, ReleasePrint, kPrint, 0, kAddDocumentLines)
KQ_OP(CloseJob, 6, BuildCloseJob, ReleasePrint, kPrint, 0, kCloseJobLines)
KQ_OP(ListObjectAttributeContinuation, 7, BuildContext, ReleaseList, kList, 0, kContextLines)
KQ_OP(GetOrderedJobs, 10, BuildGetOrderedJobs, ReleaseList, kList, 0, kListingLines)
KQ_OP(GetOrderedJobsContinuation, 11, BuildContext, ReleaseList, kList, 0, kContextLines)
KQ_OP(ListObjectAttributeAbort, 12, BuildAbort, ReleaseList, kList, 0, kContextLines)
KQ_OP(Disable, 13, BuildObject, ReleaseObject, kSet, kResult68, kObjectLines)
KQ_OP(ModifyJob, 14, BuildModifyJob, ReleaseModifyJob, kSet, kResult67, kModifyJobLines)
KQ_OP(CancelJob, 15, BuildCancelJob, ReleaseCancelJob, kSet, kResult67, kCancelJobLines)
KQ_OP(PromoteJob, 16, BuildPromoteJob, ReleasePromoteJob, kSet, kResult67, kPromoteJobLines)
KQ_OP(InterruptJob, 17, BuildInterruptJob, ReleaseInterruptJob, kNothing, 0, kInterruptJobLines)
KQ_OP(PauseJob, 18, BuildPauseJob, ReleasePauseJob, kPauseJob, kResult67, kPauseJobLines)
KQ_OP(ResumeJob, 19, BuildResumeJob, ReleaseResumeJob, kSet, kResult67, kResumeJobLines)
KQ_OP(Clean, 20, BuildObject, ReleaseObject, kSet, kResult67, kObjectLines)
KQ_OP(Set, 21, BuildSet, ReleaseSet, kSet, kResult67, kSetLines)
KQ_OP(Shutdown, 22, BuildShutdown, ReleaseShutdown, kSet, kResult67, kShutdownLines)
KQ_OP(ResubmitJob, 23, BuildResubmitJob, ReleaseResubmitJob, kResubmit, 0, kResubmitJobLines)
KQ_OP(Delete, 24, BuildObject, ReleaseObject, kSet, kResult68, kObjectLines)
KQ_OP(Pause, 25, BuildObject, ReleaseObject, kPause, kResult68, kObjectLines)
KQ_OP(Resume, 26, BuildObject, ReleaseObject, kSet, kResult68, kObjectLines)
KQ_OP(Control, 28, BuildControl, ReleaseControl, kSet, kResult67, kControlLines)
// clang-format on
#undef KQ_OP
#undef KQ_OP_LATE

#define KQ_JQP_OP_ADDRESS(Name) &k##Name,
const Operation *const kAllOperations[] = {KQ_JQP_OPERATIONS(KQ_JQP_OP_ADDRESS)};
#undef KQ_JQP_OP_ADDRESS
const int kOperationCount = static_cast<int>(sizeof kAllOperations / sizeof kAllOperations[0]);

}  // namespace kq::jqp

extern "C" {

int ToBER_docDescription(STF_statusList_t *status, DocumentDescription *out,
                         const GEN_DocDescription_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (in->transferMethod) {
    if (ToBER_oid(status, &out->transfer_method, in->transferMethod))
      return STF__Fail(status, GENU_ST_OID_CONVERT);
    out->bit_mask |= DocumentDescription_transfer_method_present;
  }
  if (in->content) {
    if (ToBER_docContent(status, &out->document_content, in->content))
      return STF__Fail(status, JQP_ST_DOC_CONTENT);
    out->bit_mask |= DocumentDescription_document_content_present;
  }
  int rc = 0;
  if (in->documentType) {
    if (ToBER_oid(status, &out->document_type, in->documentType))
      rc = STF__Fail(status, GENU_ST_OID_CONVERT);
    else
      out->bit_mask |= DocumentDescription_document_type_present;
  }
  if (!rc && in->attributes) {
    if (ToBER_AS(status, &out->document_attributes, &in->attributes, GENU_AS_MODE_KEEP_EXT_ACL))
      rc = STF__Fail(status, JQP_ST_OBJECT_SET);
    else
      out->bit_mask |= DocumentDescription_document_attributes_present;
  }
  if (rc) FreeBER_docDescription(kq::stf::ScratchList(), out);
  return rc;
}

int FreeBER_docDescription(STF_statusList_t *status, DocumentDescription *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  int rc = 0;
  if (wire->bit_mask & DocumentDescription_document_content_present)
    rc |= FreeBER_docContent(status, &wire->document_content);
  if (wire->document_attributes) rc |= FreeBER_AS(status, &wire->document_attributes);
  wire->bit_mask &= static_cast<uint8_t>(~(DocumentDescription_document_content_present |
                                           DocumentDescription_document_attributes_present));
  return rc ? 1 : 0;
}

int ToBER_setOfCheckpoint(STF_statusList_t *status, SetOfCheckpoint_node **out,
                          const GEN_SetOfCheckpoints_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  SetOfCheckpoint_node **tail = out;
  for (const GEN_ValueSeq_t *seq = in->first; seq; seq = seq->next) {
    auto *node =
        static_cast<SetOfCheckpoint_node *>(kq::genu::WireAlloc(sizeof(SetOfCheckpoint_node)));
    if (!node) {
      FreeBER_setOfCheckPoint(kq::stf::ScratchList(), out);
      *out = nullptr;
      return STF__Fail(status, GENU_ST_NO_MEMORY);
    }
    if (ToBER_printCheckpoint(status, &node->value,
                              static_cast<const GEN_Checkpoint_t *>(seq->value))) {
      kq::genu::WireFree(node);
      FreeBER_setOfCheckPoint(kq::stf::ScratchList(), out);
      *out = nullptr;
      return 1;
    }
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

}  // extern "C"
