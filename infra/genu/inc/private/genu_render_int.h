// Rendering internals: every rendering is first built as a std::string (the echo
// operations then add it to the open log message, the to-text operations copy it
// into the caller's buffer), so the same text serves both.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_RENDER_INT_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_RENDER_INT_H

#include <cstdint>
#include <string>
#include <vector>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "private/genu_layout.h"

namespace kq::genu {

// Longest text shown of a text, a name or a printable string.
constexpr size_t kCutAt = 60;

void Appendf(std::string &out, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The characters of a text or simple name (any choice; empty for a bad choice).
std::string Chars(const GEN_Text_t *text);
std::string Chars(const GEN_SimpleName_t *name);
std::string Cut(const std::string &text, size_t max = kCutAt);
std::string OidText(uint32_t oid);
// Bare forms: the OID or the simple name; the choice-qualified "global:" / "local:".
std::string NameOrOidPlain(const GEN_NameOrOID_t *value);
std::string NameOrOidQualified(const GEN_NameOrOID_t *value);

// The per-id rendering of one value: its lines, each without the prefix. A line
// holds its own newline where the rendering quotes one.
std::vector<std::string> ValueLines(const void *value, uint32_t id);
// Appends the value's lines to `out`, each after `prefix` (a lone prefix and newline
// for a value without lines). `value` is not null.
void AppendValue(std::string &out, const char *prefix, const void *value, uint32_t id);
// How the pack and unpack traces show a value: the value table's lines when it
// renders the id, else the labelled trace form of its record; each line ends in a
// newline. Empty for the types neither knows.
std::string PackTraceText(const void *value, uint32_t id);
// One line forms shared by the value table and the to-text operations.
std::string DeltaTimeText(int32_t seconds);
std::string DistNameText(const GEN_DistNameString_t *value);
std::string FontReferenceText(const GEN_FontReference_t *value);
std::string NumbersUpText(const GEN_NumbersUpSupported_t *value);
std::string CardOrNoidText(const GEN_CardinalOrNoid_t *value);
std::string PageIdTypeText(const GEN_PageIdType_t *value);
std::string PageIdentText(const GEN_PageIdentifier_t *value);
std::string EdgeText(const GEN_Edge_t *value);
std::string TimeText(const GEN_GeneralizedTime_t *value);
std::string DelAddrText(const GEN_DeliveryAddress_t *value);
std::string MailText(const GEN_ORName_t *value);
std::vector<std::string> EventProfileLines(const GEN_EventHandlingProfile_t *value);
std::string AclText(const GEN_PSISAccessControlList_t *value, bool *bad);
std::string ExtAclText(const GEN_ExtACL_t *value);

// Strings and octets, with their trailing newlines.
void TextTo(std::string &out, const GEN_Text_t *text);
void NameTo(std::string &out, const GEN_SimpleName_t *name);
// 0, or 1 for a negative length (the caller adds the status).
uint32_t PrintableTo(std::string &out, int32_t length, const unsigned char *bytes);
uint32_t OctetsTo(std::string &out, int32_t length, const unsigned char *bytes);
void ExternalTo(std::string &out, const GEN_External_t *value);
void LocaleTo(std::string &out, const GEN_Locale_t *value);
void AttributeTo(std::string &out, AS_attrHandle_t attr);

// The layout-driven renderer of the records whose trace form is a list of labelled
// fields: the record's layout gives the fields, a RecordText the labels.
enum class Show : uint8_t {
  kValue,  // the value in its natural form
  kOid,    // a short OID by name
  kEnum,   // names[value], else `other`
  kFixed,  // `other` instead of the value
};
struct FieldText {
  const char *label = nullptr;  // null: the field is not shown
  Show show = Show::kValue;
  const char *absent = nullptr;  // an absent optional field: this text after the label
                                 // (null: the field is left out)
  const char *const *names = nullptr;
  uint32_t count = 0;
  const char *other = nullptr;
  const char *end = "\n";  // after the value
};
struct RecordText {
  const Layout *layout;
  const FieldText *fields;          // one per field of the layout
  uint32_t count;                   // of `fields`
  const char *badChoice = nullptr;  // for a choice outside the layout's (a format of the choice)
  const char *end = nullptr;        // after the whole record
};
void RecordTo(std::string &out, const RecordText &text, const void *record);
// The RecordText of a layout, null when it has none.
const RecordText *RecordTextOf(const Layout *layout);
// Every RecordText, for the check that each matches its layout.
size_t RecordTextCount(const RecordText **all);

// Adds `text` to the open log message (0), or does nothing (0) without one.
uint32_t Emit(const std::string &text);
// Copies `text` (cut to GENU_RENDER_TEXT_MAX - 1) into `buffer` and returns it.
char *Fill(char *buffer, const std::string &text);

}  // namespace kq::genu

// The start of every echo: a null status list fails at once; without an open
// message there is nothing to do.
#define GENU_ECHO_GUARD(sl)         \
  do {                              \
    if (!(sl)) return 1;            \
    if (!LOG_InMessage()) return 0; \
  } while (0)

#endif
