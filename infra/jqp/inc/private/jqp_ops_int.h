// Inside the protocol operations: every operation is one descriptor (number, name,
// record builder, result kind, trace lines) run by one frame. The arguments of any
// operation travel in one bundle, OpArgs; each operation's builder reads the members
// it needs and fills its argument record, and its trace lines name the members to
// show in their order.
#ifndef KQ_INFRA_JQP_INC_PRIVATE_JQP_OPS_INT_H
#define KQ_INFRA_JQP_INC_PRIVATE_JQP_OPS_INT_H

#include <cstddef>
#include <cstdint>

#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"

namespace kq::jqp {

// Every argument of every operation; an operation reads only its own.
struct OpArgs {
  const GEN_SimpleName_t *printerName = nullptr;
  const GEN_Boolean_t *submissionComplete = nullptr;
  AS_setHandle_t jobAttributes = nullptr;
  const GEN_DocDescription_t *document = nullptr;
  const char *jobId = nullptr;  // existing, identified, resumed job
  const char *interruptingJob = nullptr;
  const GEN_JobOrPrinter_t *jobOrPrinter = nullptr;
  uint32_t objectClass = 0;
  const GEN_ObjectIdent_t *objectInstance = nullptr;
  const GEN_ObjectIdent_t *initialValue = nullptr;
  const GEN_Boolean_t *forceCreation = nullptr;
  AS_setHandle_t objectAttributes = nullptr;  // also operations, event attributes
  AS_setHandle_t modification = nullptr;      // modify lists
  const GEN_Text_t *message = nullptr;
  const int32_t *documentNumber = nullptr;
  const int32_t *retention = nullptr;
  const int32_t *scope = nullptr;
  const GEN_Filter_t *selector = nullptr;
  const GEN_SetOfOids_t *requested = nullptr;
  const GEN_listContext_t *context = nullptr;
  const uint32_t *when = nullptr;
  const GEN_DistNameString_t *dnPrinter = nullptr;
  const GEN_NameOrOID_t *event = nullptr;
  AS_setHandle_t common = nullptr;
};

// The argument record of any operation (zeroed before building).
union ArgRecord {
  PrintArgument print;
  ListArgument list;
  ModifyJobArgument modify;
  CancelJobArgument cancel;
  PromoteJobArgument promote;
  InterruptJobArgument interrupt;
  PauseJobArgument pauseJob;
  ResumeJobArgument resumeJob;
  ObjectArgument object;
  ControlArgument control;
  CreateArgument create;
  ResubmitJobArgument resubmit;
  SendEventArgument event;
  SetArgument set;
  ShutdownArgument shutdown;
};

// Where a built record takes its common arguments: the list field and the presence
// bit announcing it.
struct CommonSlot {
  uint8_t *mask = nullptr;
  uint8_t bit = 0;
  AttributeList *list = nullptr;
};

// Fills `record` from `args` except for the common arguments, whose slot it names.
// 1 with a code added and nothing left allocated when an argument does not convert.
using Builder = int (*)(STF_statusList_t *status, const OpArgs &args, ArgRecord &record,
                        CommonSlot &slot);
// Releases what a builder converted (presence bits say what), never the record.
using Releaser = void (*)(ArgRecord &record);

// What the reply's result record becomes.
enum class ResultKind {
  kPrint,      // GEN_printResult_t
  kList,       // GEN_listResult_t
  kSet,        // AS_setHandle_t cell from the attribute-set result (bit 0x80)
  kCreateSet,  // AS_setHandle_t cell from a non-empty object-attributes list
  kPauseJob,   // GEN_pauseJobResult_t
  kPause,      // GEN_PauseResult_t
  kResubmit,   // GEN_ResubmitJobResult_t
  kNothing,    // released unread
  kEvent,      // nothing in a client process
};

// How a trace line renders its argument.
enum class Show {
  kJobId,         // const char *jobId / interruptingJob
  kName,          // printer name
  kFlag,          // DEFAULT, TRUE, FALSE
  kSet,           // an attribute set: "name:" then its attributes
  kDocument,      // document description
  kClass,         // short OID held by value
  kObject,        // object identification
  kMessage,       // text
  kInteger,       // optional integer
  kFilter,        // selector
  kOids,          // requested attributes
  kContext,       // continuation context
  kJobOrPrinter,  // job or printer
  kDistName,      // distinguished name string
  kEvent,         // name or identifier
  kOid,           // short OID through a pointer
};
struct EchoLine {
  Show show;
  const char *name;  // DPA name
  size_t member;     // offset of the member in OpArgs
  bool required;     // missing prints "NULL [ERROR]" instead of "OPTION not specified"
};

struct Operation {
  int number;
  const char *name;              // JQP_..._C
  const char *echoName;          // ... of EchoIn... / EchoOut...
  const char *echoIn, *echoOut;  // their full names
  Builder build;
  Releaser release;
  ResultKind result;
  uint32_t resultFailure;  // code when the result does not convert
  const EchoLine *lines;
  int lineCount;
  // Converts what goes in after the common arguments (create job's first document);
  // null for the others. On failure the frame releases the record.
  Builder late;
};

// The descriptors, by name, for the operation functions and the tests.
// clang-format off
#define KQ_JQP_OPERATIONS(X)                                                              \
  X(CreateJob) X(AddDocument) X(CloseJob) X(ListObjectAttributes) X(GetOrderedJobs)       \
  X(ListObjectAttributeContinuation) X(GetOrderedJobsContinuation)                        \
  X(ListObjectAttributeAbort) X(ModifyJob) X(CancelJob) X(PromoteJob) X(InterruptJob)     \
  X(PauseJob) X(ResumeJob) X(ResubmitJob) X(Create) X(Enable) X(Disable) X(Clean)         \
  X(Delete) X(Pause) X(Resume) X(Set) X(Shutdown) X(Control) X(SendEvent)
// clang-format on
#define KQ_JQP_DECLARE_OP(Name) extern const Operation k##Name;
KQ_JQP_OPERATIONS(KQ_JQP_DECLARE_OP)
#undef KQ_JQP_DECLARE_OP
// All of them, in the order above.
extern const Operation *const kAllOperations[];
extern const int kOperationCount;

// Writes the in-message of `op` for `args` (when the log takes level 6).
int EchoIn(const Operation &op, STF_statusList_t *status, const char *label, const OpArgs &args);
// Writes the out-message of `op`: `result` as the operation hands it out.
int EchoOut(const Operation &op, STF_statusList_t *status, const char *label, const void *result,
            const ERDPA_errorResult_t *error);

// The reply's result record `wire` (or nothing) into what `op` hands out, in *out
// (nothing when the reply has no result or the result holds nothing to convert).
int ConvertResult(const Operation &op, STF_statusList_t *status, void *wire, void **out);

// Runs `op`: trace, clear, echo in, build, common arguments, exchange, release,
// convert the result into *result (a pointer of the operation's result type), echo
// out, trace. The frame of every JQP_..._C.
int Run(const Operation &op, STF_statusList_t *status, const OpArgs &args, void **result,
        ERDPA_errorResult_t **error);

// A supervisor's event: signed for the server the common arguments name, sent, and
// its reply's signature handed to the handshake when the signature asks for one.
int SendSignedEvent(STF_statusList_t *status, const OpArgs &args, AS_setHandle_t **result,
                    ERDPA_errorResult_t **error);
// The name of the server a supervisor signs an event for (see JQP_SendEvent_C).
int SignerName(STF_statusList_t *status, AS_setHandle_t common, GEN_SimpleName_t *out);
// Hands the signature PAC of a reply's attributes to the handshake of `context`.
int StartHandShake(STF_statusList_t *status, AS_setHandle_t reply, JQP_signatureContext_t *context);

}  // namespace kq::jqp

#endif
