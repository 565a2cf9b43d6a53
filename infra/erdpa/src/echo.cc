// The trace of an error result into the open service-log message: per problem the
// kind's head and the problem's title, the object and attributes concerned and the
// error message; the list kinds end with their count of problems. The structure is
// checked (and its codes added) whether or not a message is open.
#include <cstdio>
#include <iterator>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/erdpa_int.h"

namespace kq::erdpa {

namespace {

// Titles of the standard problems, indexed by code; null where a code has none.
// The kinds whose trace puts a space between head and title carry it in `lead`.
struct TitleTable {
  const char *lead;
  const char *const *titles;
  size_t count;
};

constexpr const char *kUpdateTitles[] = {
    nullptr, "No Modifications Allowed",      "Insufficient Update Rights",
    nullptr, "Previous Operation Incomplete", "Cancellation Not Possible"};
constexpr const char *kAttributeTitles[] = {nullptr,
                                            nullptr,
                                            "Invalid Attribute Syntax",
                                            "Undefined Attribute Type",
                                            "Inappropriate Matching",
                                            "Constraint Violation",
                                            "Unsupported Attribute Type",
                                            "Illegal Modification",
                                            "Inconsistent With Other Attributes",
                                            "Undefined Attribute Value",
                                            "Unsupported Attribute Value",
                                            "Illegal Qualifier Modification",
                                            "Per Job Attribute Inadmissible",
                                            "Not Multi Valued",
                                            "Mandatory Attribute Omitted",
                                            "Attribute Illegal For Object Class"};
constexpr const char *kDocAccessTitles[] = {
    nullptr,         "Document Not Available", "Referent Modified",
    "Access Denied", "Unknown Document",       "No Documents In Job"};
constexpr const char *kSelectionTitles[] = {nullptr, "Invalid Identification",
                                            "Unknown Identification", "Object Already Exists"};
constexpr const char *kPrinterTitles[] = {nullptr, "Printer Error", "Printer Needs Attention",
                                          "Printer Needs Key Operator"};
constexpr const char *kAccessTitles[] = {nullptr, "Inappropriate Object Class",
                                         "Insufficient Access Rights", "Cannot Interrupt Job",
                                         "Inappropriate Object State"};
constexpr const char *kServiceTitles[] = {nullptr,
                                          "Server Busy",
                                          "Server Unavailable",
                                          "Operation Too Complex",
                                          "Resource Limit Exceeded",
                                          "Unclassified Server Error",
                                          "Too Many Items In List",
                                          "Compulsory Resource Not Available",
                                          "Cancel Document Unsupported",
                                          "Modify Document Unsupported",
                                          "Print Multiple Documents Unsupported",
                                          "Unsupported Parameter Value",
                                          "Invalid Checkpoint",
                                          "Invalid Continuation Context",
                                          "Pause Limit Exceeded",
                                          "Unsupported Operation"};
constexpr const char *kSecurityTitles[] = {nullptr, "Inappropriate Authentication",
                                           "Invalid Credentials", "Insufficient Operation Rights",
                                           "Invalid PAC"};

template <size_t N>
constexpr TitleTable Table(const char *lead, const char *const (&titles)[N]) {
  return {lead, titles, N};
}

// Indexed by kind.
constexpr TitleTable kTitles[] = {
    {"", nullptr, 0},
    Table(" ", kUpdateTitles),
    Table(" ", kAttributeTitles),
    Table(" ", kDocAccessTitles),
    Table("", kSelectionTitles),
    Table(" ", kPrinterTitles),
    Table("", kAccessTitles),
    Table("", kServiceTitles),
    Table("", kSecurityTitles),
};

void Put(const char *text) {
  if (LOG_InMessage()) LOG_AddText(text);
}

void Head(const char *head, int32_t kind, int32_t form, uint32_t problem) {
  Put(head);
  Put(ProblemTitle(kind, form, problem));
}

void Object(STF_statusList_t *sl, const GEN_ObjectIdent_t *object) {
  if (object) GEN_EchoObjectIdent(sl, object);
}

void Message(STF_statusList_t *sl, const GEN_ErrorMsg_t *message) {
  Put("\t\terror-message = ");
  if (message) {
    GEN_EchoErrorMessage(sl, message);
  } else {
    Put("NULL\n");
  }
}

void Attributes(STF_statusList_t *sl, AS_setHandle_t set) {
  if (set) GEN_EchoAS(sl, set);
}

void Count(const char *format, int count) {
  if (LOG_InMessage()) LOG_CondAdd(format, count);
}

uint32_t Missing(STF_statusList_t *sl, const char *line) {
  Put(line);
  return STF__Fail(sl, ERDPA_ST_NO_DETAILS);
}

uint32_t EchoObjectProblem(STF_statusList_t *sl, int32_t kind, const char *head,
                           const char *missing, const ERDPA_objectProblem_t *p) {
  if (!p) return Missing(sl, missing);
  Head(head, kind, p->problemForm, p->problem);
  Object(sl, p->objectIdent);
  Message(sl, p->errorMessage);
  return 0;
}

uint32_t EchoUpdateError(STF_statusList_t *sl, const ERDPA_updateError_t *e) {
  return EchoObjectProblem(sl, ERDPA_UPDATE_ERROR, "\t\tUpdate Error - ",
                           "\t\t**ERROR** (EchoUpdateError)\n", e);
}

uint32_t EchoDocAccessError(STF_statusList_t *sl, const ERDPA_documentAccessError_t *e) {
  return EchoObjectProblem(sl, ERDPA_DOCUMENT_ACCESS_ERROR, "\t\tDocument Access Error - ",
                           "\t\t**ERROR** (EchoDocAccessError)\n", e);
}

uint32_t EchoPrinterError(STF_statusList_t *sl, const ERDPA_printerError_t *e) {
  return EchoObjectProblem(sl, ERDPA_PRINTER_ERROR, "\t\tPrinter Error - ",
                           "\t\t**ERROR** (EchoPrinterError)\n", e);
}

uint32_t EchoSecurityError(STF_statusList_t *sl, const ERDPA_securityError_t *e) {
  if (!e) return Missing(sl, "\t\t**ERROR** (EchoSecurityError)\n");
  Head("\t\tSecurity Error - ", ERDPA_SECURITY_ERROR, e->problemForm, e->problem);
  Message(sl, e->errorMessage);
  return 0;
}

uint32_t EchoAttributeError(STF_statusList_t *sl, const ERDPA_attributeError_t *e) {
  if (!e) return Missing(sl, "\t\t**ERROR** (EchoAttributeError)\n");
  Object(sl, e->objectIdent);
  int count = 0;
  for (const ERDPA_attributeProblem_t *p = e->problems; p; p = p->next, ++count) {
    Head("\t\tAttribute Error - ", ERDPA_ATTRIBUTE_ERROR, p->problemForm, p->problem);
    Attributes(sl, p->attributes);
    Message(sl, p->errorMessage);
  }
  Count("\t\tNumber of Attribute Errors = %d\n", count);
  return 0;
}

uint32_t EchoItems(STF_statusList_t *sl, int32_t kind, const char *head, const char *missing,
                   const char *countLine, const ERDPA_selectionItem_t *items) {
  if (!items) return Missing(sl, missing);
  int count = 0;
  for (const ERDPA_selectionItem_t *p = items; p; p = p->next, ++count) {
    Head(head, kind, p->problemForm, p->problem);
    if (p->attributes) Attributes(sl, *p->attributes);
    Object(sl, p->objectIdent);
    Message(sl, p->errorMessage);
  }
  Count(countLine, count);
  return 0;
}

uint32_t EchoSelectionError(STF_statusList_t *sl, const ERDPA_selectionError_t *e) {
  return EchoItems(sl, ERDPA_SELECTION_ERROR, "\t\tSelection Error - ",
                   "\t\t**ERROR** (EchoSelectionError)\n", "\t\tNumber of Selection Errors = %d\n",
                   e);
}

uint32_t EchoServiceError(STF_statusList_t *sl, const ERDPA_serviceError_t *e) {
  return EchoItems(sl, ERDPA_SERVICE_ERROR, "\t\tService Error - ",
                   "\t\t**ERROR** (EchoServiceError)\n", "\t\tNumber of Service Errors = %d\n", e);
}

uint32_t EchoAccessError(STF_statusList_t *sl, const ERDPA_accessError_t *e) {
  if (!e) return Missing(sl, "\t\t**ERROR** (EchoAccessError)\n");
  int count = 0;
  for (const ERDPA_accessItem_t *p = e; p; p = p->next, ++count) {
    Head("\t\tAccess Error - ", ERDPA_ACCESS_ERROR, p->problemForm, p->problem);
    Object(sl, p->objectIdent);
    Message(sl, p->errorMessage);
  }
  Count("\t\tNumber of Access Errors = %d\n", count);
  return 0;
}

}  // namespace

const char *ProblemTitle(int32_t kind, int32_t problemForm, uint32_t problem) {
  // Whole lines, lead included, built once per title.
  static thread_local char line[64];
  const TitleTable *table =
      kind > 0 && static_cast<size_t>(kind) < std::size(kTitles) ? &kTitles[kind] : &kTitles[0];
  const char *title = "Unknown Problem";
  if (problemForm == ERDPA_EXTENDED_PROBLEM) {
    title = "Extended Problem";
  } else if (problemForm == ERDPA_STANDARD_PROBLEM && problem < table->count &&
             table->titles[problem]) {
    title = table->titles[problem];
  }
  snprintf(line, sizeof line, "%s%s\n", table->lead, title);
  return line;
}

}  // namespace kq::erdpa

namespace erdpa = kq::erdpa;

extern "C" uint32_t ERDPA_EchoErrorResult(STF_statusList_t *sl, const ERDPA_errorResult_t *r) {
  if (!sl) return 1;
  if (!r) return STF__Fail(sl, ERDPA_ST_NO_RESULT);
  const void *d = r->details;
  switch (r->kind) {
    case ERDPA_UPDATE_ERROR:
      return erdpa::EchoUpdateError(sl, static_cast<const ERDPA_updateError_t *>(d));
    case ERDPA_ATTRIBUTE_ERROR:
      return erdpa::EchoAttributeError(sl, static_cast<const ERDPA_attributeError_t *>(d));
    case ERDPA_DOCUMENT_ACCESS_ERROR:
      return erdpa::EchoDocAccessError(sl, static_cast<const ERDPA_documentAccessError_t *>(d));
    case ERDPA_SELECTION_ERROR:
      return erdpa::EchoSelectionError(sl, static_cast<const ERDPA_selectionError_t *>(d));
    case ERDPA_PRINTER_ERROR:
      return erdpa::EchoPrinterError(sl, static_cast<const ERDPA_printerError_t *>(d));
    case ERDPA_ACCESS_ERROR:
      return erdpa::EchoAccessError(sl, static_cast<const ERDPA_accessError_t *>(d));
    case ERDPA_SERVICE_ERROR:
      return erdpa::EchoServiceError(sl, static_cast<const ERDPA_serviceError_t *>(d));
    case ERDPA_SECURITY_ERROR:
      return erdpa::EchoSecurityError(sl, static_cast<const ERDPA_securityError_t *>(d));
    default:
      erdpa::Put("\t\tUnknown Error Type\n");
      return STF__Fail(sl, ERDPA_ST_UNKNOWN_KIND);
  }
}
