// One-line descriptions of error results: the first problem's error message, or a
// fixed text when there is none to give. Every answer is a new malloc'd string.
#include <cstdlib>
#include <cstring>

#include "private/erdpa_int.h"

namespace kq::erdpa {

namespace {

char *Copy(const char *text, size_t length) {
  char *out = static_cast<char *>(malloc(length + 1));
  if (!out) return nullptr;
  memcpy(out, text, length);
  out[length] = '\0';
  return out;
}

char *Copy(const char *text) { return Copy(text, strlen(text)); }

// The description of a first problem of `form` with `message`.
char *First(int32_t form, const GEN_ErrorMsg_t *message) {
  if (form == ERDPA_EXTENDED_PROBLEM) return Copy("Extended Problem");
  return ErrorMessageData2String(message);
}

char *UpdateError2String(const ERDPA_updateError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Update Error corrupted");
}

char *DocAccessError2String(const ERDPA_documentAccessError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Document Access Error corrupted");
}

char *PrinterError2String(const ERDPA_printerError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Printer Error corrupted");
}

char *SecurityError2String(const ERDPA_securityError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Security Error Corrupted)");
}

char *AttributeError2String(const ERDPA_attributeError_t *e) {
  if (!e || !e->problems) return Copy("Attribute Error corrupted");
  return First(e->problems->problemForm, e->problems->errorMessage);
}

char *SelectionError2String(const ERDPA_selectionError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Selection Error corrupted");
}

char *ServiceError2String(const ERDPA_serviceError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Service Error corrupted");
}

char *AccessError2String(const ERDPA_accessError_t *e) {
  return e ? First(e->problemForm, e->errorMessage) : Copy("Access Error corrupted");
}

}  // namespace

char *ErrorMessageData2String(const GEN_ErrorMsg_t *message) {
  static const char kCorrupted[] = "Error Message corrupted";
  if (!message) return Copy(kCorrupted);
  const GEN_Text_t &text = message->text;
  switch (text.choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING:
      return Copy(text.u.string ? text.u.string : "");
    case GEN_TEXT_LATIN1:
    case GEN_TEXT_OCTETS:
    case GEN_TEXT_OTHER: {
      const GEN_OctetString_t &octets = text.u.octets;
      if (octets.length < 0 || (octets.length > 0 && !octets.value)) return Copy(kCorrupted);
      // The text ends at its first NUL, as a C string would.
      const char *bytes = reinterpret_cast<const char *>(octets.value);
      size_t length = octets.length ? strnlen(bytes, static_cast<size_t>(octets.length)) : 0;
      return Copy(length ? bytes : "", length);
    }
    default:
      return Copy(kCorrupted);
  }
}

}  // namespace kq::erdpa

namespace erdpa = kq::erdpa;

extern "C" char *ErrorResult2String(const ERDPA_errorResult_t *r) {
  if (!r) return erdpa::Copy("Null Error Result");
  const void *d = r->details;
  switch (r->kind) {
    case ERDPA_UPDATE_ERROR:
      return erdpa::UpdateError2String(static_cast<const ERDPA_updateError_t *>(d));
    case ERDPA_ATTRIBUTE_ERROR:
      return erdpa::AttributeError2String(static_cast<const ERDPA_attributeError_t *>(d));
    case ERDPA_DOCUMENT_ACCESS_ERROR:
      return erdpa::DocAccessError2String(static_cast<const ERDPA_documentAccessError_t *>(d));
    case ERDPA_SELECTION_ERROR:
      return erdpa::SelectionError2String(static_cast<const ERDPA_selectionError_t *>(d));
    case ERDPA_PRINTER_ERROR:
      return erdpa::PrinterError2String(static_cast<const ERDPA_printerError_t *>(d));
    case ERDPA_ACCESS_ERROR:
      return erdpa::AccessError2String(static_cast<const ERDPA_accessError_t *>(d));
    case ERDPA_SERVICE_ERROR:
      return erdpa::ServiceError2String(static_cast<const ERDPA_serviceError_t *>(d));
    case ERDPA_SECURITY_ERROR:
      return erdpa::SecurityError2String(static_cast<const ERDPA_securityError_t *>(d));
    default:
      return erdpa::Copy("Unknown Error Type");
  }
}
