// Request and result tracing: one level-6 service-log message with an operation's
// arguments, one with its outcome. The in-message is driven by the operation's trace
// lines (argument kind, DPA name, member of the argument bundle); each kind has one
// renderer. Values go through the value renderings, errors through the DPA error echo.
#include <pthread.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "private/jqp_ops_int.h"

namespace kq::jqp {
namespace {

constexpr int kTraceLevel = 6;

void Add(const char *text) { LOG_AddText(text); }

template <typename T>
const T &Member(const OpArgs &args, size_t offset) {
  return *reinterpret_cast<const T *>(reinterpret_cast<const char *>(&args) + offset);
}

// "\tname = OPTION not specified\n" or, for a required argument, "... NULL [ERROR]".
void Missing(const EchoLine &line) {
  LOG_CondAdd("\t%s = %s\n", line.name, line.required ? "NULL [ERROR]" : "OPTION not specified");
}

void Indent(int level) {
  std::string blanks(static_cast<size_t>(level) * 3, ' ');
  Add(blanks.c_str());
}

const char *AttrName(uint32_t id) { return GENU_ShortOIDToAscii(id); }

// One filter item at `level`: the attribute, the operator and its values (further
// values on their own lines), a presence test, or a substring match.
void EchoItem(STF_statusList_t *status, const GEN_FilterItem_t &item, int level) {
  static const char *const kOperators[] = {nullptr, "eq",  nullptr, "ge", "le",
                                           nullptr, "sub", "sup",   "int"};
  Indent(level);
  if (item.choice == 5) {
    LOG_CondAdd("%s is\n", AttrName(item.u.present));
    return;
  }
  if (item.choice == 2) {
    const GEN_SubStrings_t &s = item.u.substrings;
    static const char *const kMatch[] = {"exact", "insensitive", "same_letter", "approximate"};
    uint32_t type = GENU_OID_NO_TYPE;
    GENU_AttrIdToType(status, s.attributeType, &type);
    LOG_CondAdd("Substring, Attr Id = %s\n", AttrName(s.attributeType));
    Indent(level);
    LOG_CondAdd("Value Type = %s\n", GENU__TypeToAscii(status, type));
    Indent(level);
    if (s.kind >= 0 && s.kind <= 3)
      LOG_CondAdd("Match = %s\n", kMatch[s.kind]);
    else
      LOG_CondAdd("Match = unknown (%d)\n", s.kind);
    Indent(level);
    if (s.initial.length > 0) {
      Add("Initial String = ");
      GEN_EchoOctetString(status, &s.initial);
    } else {
      Add("Initial String = <not specified>\n");
    }
    for (const GEN_ValueSeq_t *any = s.any.first; any; any = any->next) {
      Indent(level);
      Add("String = ");
      GEN_EchoOctetString(status, static_cast<const GEN_OctetString_t *>(any->value));
    }
    Indent(level);
    if (s.final.length > 0) {
      Add("Final String = ");
      GEN_EchoOctetString(status, &s.final);
    } else {
      Add("Final String = <not specified>\n");
    }
    return;
  }
  const char *op = item.choice >= 0 && item.choice <= 8 ? kOperators[item.choice] : nullptr;
  if (!op) op = "?";
  uint32_t id = 0, type = 0, count = 0;
  if (AS_GetAttrIDR(status, item.u.attribute, &id)) {
    LOG_CondAdd("%s <can't get attribute ID>\n", op);
    return;
  }
  if (AS_GetAttrValTypeR(status, item.u.attribute, &type)) {
    LOG_CondAdd("%s %s <can't get value type>\n", AttrName(id), op);
    return;
  }
  if (AS_GetAttrValCountR(status, item.u.attribute, &count)) {
    LOG_CondAdd("%s %s <can't get value count>\n", AttrName(id), op);
    return;
  }
  if (count == 0) {
    LOG_CondAdd("%s %s <no values>\n", AttrName(id), op);
    return;
  }
  LOG_CondAdd("%s %s ", AttrName(id), op);
  AS_attrValHandle_t val = AS_nullAttrValHandle;
  void *value = nullptr;
  std::string more(static_cast<size_t>(level + 1) * 3, ' ');
  bool first = true;
  for (uint32_t rc = AS_FindFirstAttrValR(status, item.u.attribute, &val, &value); rc == 0;
       rc = AS_FindNextAttrValVR(status, &val, &value)) {
    GENU_EchoAttrValue(status, first ? "" : more.c_str(), value, type);
    first = false;
  }
  if (val) AS_FreeAttrValHandle(status, &val);
  STF_ClearStatus(status);
}

void EchoFilterAt(STF_statusList_t *status, const GEN_Filter_t *filter, int level) {
  if (!filter) {
    Indent(level);
    Add("NULL FILTER\n");
    return;
  }
  switch (filter->choice) {
    case 1:
      EchoItem(status, filter->u.item, level);
      return;
    case 2:
    case 3:
      Indent(level);
      Add(filter->choice == 2 ? "and\n" : "or\n");
      for (const GEN_ValueSeq_t *m = filter->u.set.first; m; m = m->next)
        EchoFilterAt(status, static_cast<const GEN_Filter_t *>(m->value), level + 1);
      return;
    case 4:
      Indent(level);
      Add("not\n");
      EchoFilterAt(status, filter->u.not_, level + 1);
      return;
    default:
      Indent(level);
      LOG_CondAdd("unknown filter choice (%d)\n", filter->choice);
  }
}

void EchoLineOf(STF_statusList_t *status, const EchoLine &line, const OpArgs &args) {
  switch (line.show) {
    case Show::kJobId: {
      const char *v = Member<const char *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = %s\n", line.name, v);
      return;
    }
    case Show::kName: {
      auto *v = Member<const GEN_SimpleName_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoSimpleName(status, v);
      return;
    }
    case Show::kFlag: {
      auto *v = Member<const GEN_Boolean_t *>(args, line.member);
      LOG_CondAdd("\t%s = %s\n", line.name, !v ? "DEFAULT" : *v ? "TRUE" : "FALSE");
      return;
    }
    case Show::kSet: {
      AS_setHandle_t v = Member<AS_setHandle_t>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s:\n", line.name);
      GEN_EchoAS(status, v);
      return;
    }
    case Show::kDocument: {
      auto *v = Member<const GEN_DocDescription_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s:\n", line.name);
      EchoDocumentDescription(status, v);
      return;
    }
    case Show::kClass:
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoShortOID(status, Member<uint32_t>(args, line.member));
      return;
    case Show::kObject: {
      auto *v = Member<const GEN_ObjectIdent_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s:\n", line.name);
      GEN_EchoObjectIdent(status, v);
      return;
    }
    case Show::kMessage: {
      auto *v = Member<const GEN_Text_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoMessage(status, v);
      return;
    }
    case Show::kInteger: {
      auto *v = Member<const int32_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = %d\n", line.name, *v);
      return;
    }
    case Show::kFilter:
      LOG_CondAdd("\t%s:\n", line.name);
      EchoFilter(status, Member<const GEN_Filter_t *>(args, line.member), 6);
      return;
    case Show::kOids: {
      auto *v = Member<const GEN_SetOfOids_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s:\n", line.name);
      for (const GEN_ValueSeq_t *n = v->first; n; n = n->next) {
        Add("\t\t");
        GEN_EchoShortOID(status, *static_cast<const uint32_t *>(n->value));
      }
      return;
    }
    case Show::kContext: {
      auto *v = Member<const GEN_listContext_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoOctetStringInt(status, v->length, v->value);
      return;
    }
    case Show::kJobOrPrinter: {
      auto *v = Member<const GEN_JobOrPrinter_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s:\n", line.name);
      EchoJobOrPrinter(status, v);
      return;
    }
    case Show::kDistName: {
      auto *v = Member<const GEN_DistNameString_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoDistNameString(status, v);
      return;
    }
    case Show::kEvent: {
      auto *v = Member<const GEN_NameOrOID_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoNameOrOID(status, v);
      return;
    }
    case Show::kOid: {
      auto *v = Member<const uint32_t *>(args, line.member);
      if (!v) return Missing(line);
      LOG_CondAdd("\t%s = ", line.name);
      GEN_EchoShortOID(status, *v);
      return;
    }
  }
}

// The head line: create job names its thread, the others the caller alone.
void Head(const Operation &op, const char *direction, const char *label) {
  const char *from = label ? label : "<NULL>";
  if (&op == &kCreateJob)
    LOG_CondAdd("Echo%sCreateJob: called from %s, from thread %d\n", direction, from,
                static_cast<int>(pthread_self()));
  else
    LOG_CondAdd("Echo%s%s:  called from %s\n", direction, op.echoName, from);
}

void SetResult(STF_statusList_t *status, const char *name, const AS_setHandle_t *set) {
  if (!set) {
    LOG_CondAdd("\t%s = NULL\n", name);
    return;
  }
  LOG_CondAdd("\t%s:\n", name);
  GEN_EchoAS(status, *set);
}

void EchoResult(const Operation &op, STF_statusList_t *status, const void *result) {
  std::string name = op.echoName;
  switch (op.result) {
    case ResultKind::kPrint:
      name = "PrintResult";
      break;
    case ResultKind::kList:
      name = "ListObjectAttributesResult";
      break;
    default:
      name += "Result";
  }
  if (!result) {
    LOG_CondAdd("\t%s = NULL\n", name.c_str());
    return;
  }
  switch (op.result) {
    case ResultKind::kPrint:
      LOG_CondAdd("\t%s:\n", name.c_str());
      EchoPrintResult(status, static_cast<const GEN_printResult_t *>(result));
      return;
    case ResultKind::kList:
      LOG_CondAdd("\t%s:\n", name.c_str());
      EchoListObjAttrsResult(status, static_cast<const GEN_listResult_t *>(result));
      return;
    case ResultKind::kPauseJob: {
      auto *r = static_cast<const GEN_pauseJobResult_t *>(result);
      LOG_CondAdd("\t%s:\n\t\tpaused-job = %s\n", name.c_str(), r->pausedJob.value);
      for (const GEN_ValueSeq_t *c = r->checkpoints.first; c; c = c->next)
        GEN_EchoCheckpoint(status, static_cast<const GEN_Checkpoint_t *>(c->value));
      if (r->jobStatus) {
        Add("\t\tjob-status:\n");
        GEN_EchoAS(status, *r->jobStatus);
      } else {
        Add("\t\tjob-status = OPTION not specified\n");
      }
      return;
    }
    case ResultKind::kPause: {
      auto *r = static_cast<const GEN_PauseResult_t *>(result);
      LOG_CondAdd("\t%s:\n", name.c_str());
      if (r->affectedJob)
        LOG_CondAdd("\t\taffected-job = %s\n", r->affectedJob);
      else
        Add("\t\taffected-job = OPTION not specified\n");
      if (r->attributes) {
        Add("\t\tattributes:\n");
        GEN_EchoAS(status, *r->attributes);
      } else {
        Add("\t\tattributes = OPTION not specified\n");
      }
      return;
    }
    case ResultKind::kResubmit: {
      auto *r = static_cast<const GEN_ResubmitJobResult_t *>(result);
      LOG_CondAdd("\t%s:\n", name.c_str());
      for (const GEN_SeqOfObjectStatus_t *s = r->first; s; s = s->next) {
        if (!s->attributes) {
          Add("\t\tobject-status = NULL\n");
          continue;
        }
        Add("\t\tobject-status:\n");
        GEN_EchoAS(status, *s->attributes);
      }
      return;
    }
    case ResultKind::kNothing:
      LOG_CondAdd("\t%s = NULL\n", name.c_str());
      return;
    default:
      SetResult(status, name.c_str(), static_cast<const AS_setHandle_t *>(result));
  }
}

}  // namespace

// The renderers report into a list of their own: tracing never changes the caller's.
int EchoIn(const Operation &op, STF_statusList_t *, const char *label, const OpArgs &args) {
  LOG_COND_FUNC_TRACE(op.echoIn, 1, "%s", "");
  if (LOG_START_MESSAGE(kTraceLevel, nullptr)) {
    kq::stf::ScratchList scratch;
    Head(op, "In", label);
    for (int i = 0; i < op.lineCount; ++i) EchoLineOf(scratch, op.lines[i], args);
    LOG_EndMessage();
  }
  LOG_COND_FUNC_TRACE(op.echoIn, 0, "%s", "");
  return 0;
}

int EchoOut(const Operation &op, STF_statusList_t *, const char *label, const void *result,
            const ERDPA_errorResult_t *error) {
  LOG_COND_FUNC_TRACE(op.echoOut, 1, "%s", "");
  if (!LOG_START_MESSAGE(kTraceLevel, nullptr)) {
    LOG_COND_FUNC_TRACE(op.echoOut, 0, "%s", "");
    return 0;
  }
  kq::stf::ScratchList scratch;
  STF_statusList_t *status = scratch;
  Head(op, "Out", label);
  if (error) {
    Add("\tErrorResult:\n");
    ERDPA_EchoErrorResult(status, const_cast<ERDPA_errorResult_t *>(error));
  } else {
    Add("\tErrorResult = NULL\n");
  }
  EchoResult(op, status, result);
  LOG_EndMessage();
  LOG_COND_FUNC_TRACE(op.echoOut, 0, "%s", "");
  return 0;
}

}  // namespace kq::jqp

using kq::jqp::OpArgs;

extern "C" {

int EchoDocumentDescription(STF_statusList_t *status, const GEN_DocDescription_t *doc) {
  if (!status) return 1;
  if (!LOG_InMessage() || !doc) return 0;
  if (doc->transferMethod) {
    LOG_AddText("\ttransfer-method = ");
    GEN_EchoShortOID(status, *doc->transferMethod);
  } else {
    LOG_AddText("\ttransfer-method = OPTION not specified\n");
  }
  if (!doc->content) {
    LOG_AddText("\tdocument-content = OPTION not specified\n");
  } else {
    LOG_AddText("\tdocument-content:\n");
    const GEN_DocumentContent_t &c = *doc->content;
    if (c.choice == 1) {
      LOG_AddText("\t\tchoice = \"included document\"\n");
    } else if (c.choice == 2) {
      // The reference's application part is its data object type's presence, the
      // specific part the local reference's bytes.
      LOG_AddText("\t\tchoice = \"referenced document\"\n");
      LOG_CondAdd("\t\tapplication length = %d\n", c.u.dor.aeIdentifier ? 1 : 0);
      LOG_CondAdd("\t\tspecific reference length = %d\n", c.u.dor.localReference.reference.length);
    } else {
      LOG_AddText("\t\tchoice = *ERROR* unknown\n");
    }
  }
  if (doc->documentType) {
    LOG_AddText("\tdocument-type = ");
    GEN_EchoShortOID(status, *doc->documentType);
  } else {
    LOG_AddText("\tdocument-type = OPTION not specified\n");
  }
  LOG_AddText("\tdocument attributes:\n");
  if (doc->attributes) GEN_EchoAS(status, doc->attributes);
  return 0;
}

int EchoFilter(STF_statusList_t *status, const GEN_Filter_t *filter, int level) {
  if (!status) return 1;
  if (!LOG_InMessage()) return 0;
  kq::jqp::EchoFilterAt(status, filter, level);
  return 0;
}

int EchoJobOrPrinter(STF_statusList_t *status, const GEN_JobOrPrinter_t *value) {
  if (!status) return 1;
  if (!LOG_InMessage() || !value) return 0;
  if (value->tag == 1) {
    LOG_CondAdd("\t\tjob-identifier = %s\n", value->u.job);
  } else if (value->tag == 2) {
    LOG_AddText("\t\tprinter-name = ");
    GEN_EchoSimpleName(status, &value->u.printer);
  } else {
    LOG_AddText("\t\tunknown JQP_jobOrPrinter_t choice\n");
  }
  return 0;
}

int EchoPrintResult(STF_statusList_t *status, const GEN_printResult_t *r) {
  if (!status) return 1;
  if (!LOG_InMessage() || !r) return 0;
  if (r->jobIdentification.value[0])
    LOG_CondAdd("\t\tjob-identification = %s\n", r->jobIdentification.value);
  else
    LOG_AddText("\t\tjob-identification = NULL\n");
  if (r->serverState) {
    LOG_AddText("\t\tserver-state = ");
    GEN_EchoShortOID(status, *r->serverState);
  } else {
    LOG_AddText("\t\tserver-state = OPTION not specified\n");
  }
  if (r->serverMessage) {
    LOG_AddText("\t\tserver-message = ");
    GEN_EchoMessage(status, r->serverMessage);
  } else {
    LOG_AddText("\t\tserver-message = OPTION not specified\n");
  }
  if (r->documentStatus) {
    LOG_AddText("\t\tdocument-status:\n");
    GEN_EchoAS(status, *r->documentStatus);
  } else {
    LOG_AddText("\t\tdocument-status = OPTION not specified\n");
  }
  LOG_AddText("\t\tjob-status:\n");
  GEN_EchoAS(status, r->jobStatus);
  return 0;
}

int EchoListObjAttrsResult(STF_statusList_t *status, const GEN_listResult_t *r) {
  if (!status) return 1;
  if (!LOG_InMessage() || !r) return 0;
  char buffer[GENU_RENDER_TEXT_MAX];
  LOG_CondAdd("\t\tanswer-time: %s\n",
              GENU__GeneralizedTimeToAscii(status, &r->answerTime, buffer));
  if (r->continuation) {
    LOG_AddText("\t\tcontinuation = ");
    GEN_EchoOctetStringInt(status, r->continuation->length, r->continuation->value);
  } else {
    LOG_AddText("\t\tcontinuation = OPTION not specifed\n");
  }
  if (r->limitEncountered) {
    LOG_AddText("\t\tlimit-encountered = ");
    GEN_EchoLimitEncountered(status, *r->limitEncountered);
  } else {
    LOG_AddText("\t\tlimit-encountered = OPTION not specifed\n");
  }
  if (!r->resultSet) {
    LOG_AddText("\t\tresult-set = Empty\n");
    return 0;
  }
  LOG_AddText("\t\tresult-set:\n");
  for (const GEN_setOfObjectResult_t *o = r->resultSet; o; o = o->next) {
    LOG_AddText("\t\tobject-class = ");
    GEN_EchoShortOID(status, o->value.objectClass);
    GEN_EchoObjectIdent(status, &o->value.objectIdentification);
    LOG_AddText("\t\tattribute-set:\n");
    GEN_EchoAS(status, o->value.attributes);
  }
  return 0;
}

// The exported in-functions bundle their arguments and run the shared in-message.
#define KQ_ECHO_IN(Name, ...)                                   \
  do {                                                          \
    if (!status) return 1;                                      \
    OpArgs a;                                                   \
    __VA_ARGS__;                                                \
    return kq::jqp::EchoIn(kq::jqp::k##Name, status, label, a); \
  } while (0)

int EchoInCreateJob(STF_statusList_t *status, const char *label,
                    const GEN_SimpleName_t *printerName, const GEN_Boolean_t *jobSubmissionComplete,
                    AS_setHandle_t jobAttributes, const GEN_DocDescription_t *firstDocument,
                    AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(CreateJob, a.printerName = printerName, a.submissionComplete = jobSubmissionComplete,
             a.jobAttributes = jobAttributes, a.document = firstDocument,
             a.common = commonArguments);
}
int EchoInAddDocument(STF_statusList_t *status, const char *label, const char *existingJob,
                      const GEN_Boolean_t *jobSubmissionComplete,
                      const GEN_DocDescription_t *newDocument, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(AddDocument, a.jobId = existingJob, a.submissionComplete = jobSubmissionComplete,
             a.document = newDocument, a.common = commonArguments);
}
int EchoInCloseJob(STF_statusList_t *status, const char *label, const char *existingJob,
                   AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(CloseJob, a.jobId = existingJob, a.common = commonArguments);
}
int EchoInModifyJob(STF_statusList_t *status, const char *label, const char *jobIdentification,
                    const int32_t *documentNumber, AS_setHandle_t jobAttrModification,
                    const GEN_Text_t *modifyMessage, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(ModifyJob, a.jobId = jobIdentification, a.documentNumber = documentNumber,
             a.modification = jobAttrModification, a.message = modifyMessage,
             a.common = commonArguments);
}
int EchoInCancelJob(STF_statusList_t *status, const char *label, const char *existingJob,
                    const int32_t *documentNumber, const GEN_Text_t *cancelMessage,
                    const int32_t *retentionPeriod, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(CancelJob, a.jobId = existingJob, a.documentNumber = documentNumber,
             a.message = cancelMessage, a.retention = retentionPeriod, a.common = commonArguments);
}
int EchoInPromoteJob(STF_statusList_t *status, const char *label, const char *jobIdentification,
                     const GEN_Text_t *promoteMessage, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(PromoteJob, a.jobId = jobIdentification, a.message = promoteMessage,
             a.common = commonArguments);
}
int EchoInPauseJob(STF_statusList_t *status, const char *label, const GEN_JobOrPrinter_t *pausedJob,
                   const GEN_Text_t *pauseMessage, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(PauseJob, a.jobOrPrinter = pausedJob, a.message = pauseMessage,
             a.common = commonArguments);
}
int EchoInResumeJob(STF_statusList_t *status, const char *label, const char *resumedJob,
                    const GEN_Text_t *resumeMessage, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(ResumeJob, a.jobId = resumedJob, a.message = resumeMessage,
             a.common = commonArguments);
}
int EchoInInterruptJob(STF_statusList_t *status, const char *label,
                       const GEN_JobOrPrinter_t *interruptedJob, const GEN_Text_t *interruptMessage,
                       const char *interruptingJob, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(InterruptJob, a.jobOrPrinter = interruptedJob, a.message = interruptMessage,
             a.interruptingJob = interruptingJob, a.common = commonArguments);
}
int EchoInResubmitJob(STF_statusList_t *status, const char *label, uint32_t objectClass,
                      const GEN_ObjectIdent_t *objectIdentification,
                      const GEN_DistNameString_t *printer, const GEN_Text_t *message,
                      AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(ResubmitJob, a.objectClass = objectClass, a.objectInstance = objectIdentification,
             a.dnPrinter = printer, a.message = message, a.common = commonArguments);
}
#define KQ_LISTING_ECHO(Name)                                                                    \
  int EchoIn##Name(STF_statusList_t *status, const char *label, uint32_t objectClass,            \
                   const int32_t *scope, const GEN_Filter_t *selector,                           \
                   const GEN_SetOfOids_t *requestedAttributes, AS_setHandle_t commonArguments) { \
    KQ_ECHO_IN(Name, a.objectClass = objectClass, a.scope = scope, a.selector = selector,        \
               a.requested = requestedAttributes, a.common = commonArguments);                   \
  }
KQ_LISTING_ECHO(ListObjectAttributes)
KQ_LISTING_ECHO(GetOrderedJobs)
#define KQ_CONTEXT_ECHO(Name)                                                                     \
  int EchoIn##Name(STF_statusList_t *status, const char *label, const GEN_listContext_t *context, \
                   AS_setHandle_t commonArguments) {                                              \
    KQ_ECHO_IN(Name, a.context = context, a.common = commonArguments);                            \
  }
KQ_CONTEXT_ECHO(ListObjectAttributeContinuation)
KQ_CONTEXT_ECHO(ListObjectAttributeAbort)
KQ_CONTEXT_ECHO(GetOrderedJobsContinuation)
int EchoInCreate(STF_statusList_t *status, const char *label, uint32_t objectClass,
                 const GEN_ObjectIdent_t *objectInstance,
                 const GEN_ObjectIdent_t *initialValueObject, const GEN_Boolean_t *forceCreation,
                 AS_setHandle_t objectAttributes, const GEN_Text_t *message,
                 AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(Create, a.objectClass = objectClass, a.objectInstance = objectInstance,
             a.initialValue = initialValueObject, a.forceCreation = forceCreation,
             a.objectAttributes = objectAttributes, a.message = message,
             a.common = commonArguments);
}
#define KQ_OBJECT_ECHO(Name)                                                           \
  int EchoIn##Name(STF_statusList_t *status, const char *label, uint32_t objectClass,  \
                   const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message, \
                   AS_setHandle_t commonArguments) {                                   \
    KQ_ECHO_IN(Name, a.objectClass = objectClass, a.objectInstance = objectInstance,   \
               a.message = message, a.common = commonArguments);                       \
  }
KQ_OBJECT_ECHO(Enable)
KQ_OBJECT_ECHO(Disable)
KQ_OBJECT_ECHO(Clean)
KQ_OBJECT_ECHO(Delete)
KQ_OBJECT_ECHO(Pause)
KQ_OBJECT_ECHO(Resume)
int EchoInSet(STF_statusList_t *status, const char *label, uint32_t objectClass,
              const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t attrModification,
              const GEN_Text_t *message, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(Set, a.objectClass = objectClass, a.objectInstance = objectInstance,
             a.modification = attrModification, a.message = message, a.common = commonArguments);
}
int EchoInShutdown(STF_statusList_t *status, const char *label, uint32_t objectClass,
                   const GEN_ObjectIdent_t *objectInstance, const GEN_Text_t *message,
                   const uint32_t *when, AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(Shutdown, a.objectClass = objectClass, a.objectInstance = objectInstance,
             a.message = message, a.when = when, a.common = commonArguments);
}
int EchoInControl(STF_statusList_t *status, const char *label, uint32_t objectClass,
                  const GEN_ObjectIdent_t *objectInstance, AS_setHandle_t operations,
                  AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(Control, a.objectClass = objectClass, a.objectInstance = objectInstance,
             a.objectAttributes = operations, a.common = commonArguments);
}
int EchoInSendEvent(STF_statusList_t *status, const char *label, const GEN_NameOrOID_t *event,
                    AS_setHandle_t eventAttributes, const GEN_Text_t *message,
                    AS_setHandle_t commonArguments) {
  KQ_ECHO_IN(SendEvent, a.event = event, a.objectAttributes = eventAttributes, a.message = message,
             a.common = commonArguments);
}

#define KQ_DEFINE_OUT_ECHO(Name, Result)                                        \
  int EchoOut##Name(STF_statusList_t *status, const char *label, Result result, \
                    const ERDPA_errorResult_t *error) {                         \
    if (!status) return 1;                                                      \
    return kq::jqp::EchoOut(kq::jqp::k##Name, status, label, result, error);    \
  }
JQP_OUT_ECHOES(KQ_DEFINE_OUT_ECHO)

}  // extern "C"
