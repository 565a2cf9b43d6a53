// Strings, names, octet strings and encodings rendered for the service log, and
// the helpers every rendering shares.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/genu_render_int.h"

namespace kq::genu {

void Appendf(std::string &out, const char *format, ...) {
  char chunk[512];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(chunk, sizeof chunk, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof chunk) {
    out.append(chunk, n);
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  va_start(args, format);
  vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  out.append(big.data(), n);
}

namespace {

template <typename T>
std::string CharsOf(const T *t, const unsigned char *bytes, int32_t length) {
  switch (t->choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING:
      return reinterpret_cast<const char *>(bytes);
    case GEN_TEXT_LATIN1:
    case GEN_TEXT_OCTETS:
    case GEN_TEXT_OTHER:
      if (length <= 0 || !bytes) return {};
      return std::string(reinterpret_cast<const char *>(bytes), length);
    default:
      return {};
  }
}

bool Printable(const unsigned char *bytes, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    int c = bytes[i];
    if (!isalnum(c) && !ispunct(c) && !isblank(c)) return false;
  }
  return true;
}

// The body shared by printable and octet strings: the characters (cut, with "...")
// when they are all printable, else up to 30 bytes in hexadecimal and "H".
void Body(std::string &out, int32_t length, const unsigned char *bytes, const char *hexHead,
          bool newlineAfterChars) {
  int32_t shown = length < static_cast<int32_t>(kCutAt) ? length : kCutAt;
  if (Printable(bytes, shown)) {
    out.append(reinterpret_cast<const char *>(bytes), shown);
    if (length > shown) out += "...";
    if (newlineAfterChars) out += "\n";
    return;
  }
  out += hexHead;
  int32_t hex = length < 30 ? length : 30;
  for (int32_t i = 0; i < hex; ++i) Appendf(out, "%X", bytes[i]);
  out += "H";
  if (length > hex) out += "...";
}

}  // namespace

std::string Chars(const GEN_Text_t *text) {
  if (text->choice == GEN_TEXT_ISO646 || text->choice == GEN_TEXT_STRING)
    return text->u.string ? text->u.string : "";
  return CharsOf(text, text->u.octets.value, text->u.octets.length);
}

std::string Chars(const GEN_SimpleName_t *name) {
  if (name->choice == GEN_TEXT_ISO646 || name->choice == GEN_TEXT_STRING)
    return std::string(name->u.string, strnlen(name->u.string, sizeof name->u.string));
  return CharsOf(name, name->u.octets.value, name->u.octets.length);
}

std::string Cut(const std::string &text, size_t max) {
  return text.size() > max ? text.substr(0, max) : text;
}

std::string OidText(uint32_t oid) { return GENU_ShortOIDToAscii(oid); }

std::string NameOrOidPlain(const GEN_NameOrOID_t *value) {
  if (value->choice == 1) return OidText(value->u.oid);
  if (value->choice == 2) return Chars(&value->u.name);
  return "Unknown choice for NameOrOid [ERROR]";
}

std::string NameOrOidQualified(const GEN_NameOrOID_t *value) {
  if (value->choice == 1) return "global:" + OidText(value->u.oid);
  if (value->choice == 2) return "local:" + Chars(&value->u.name);
  return "Unknown choice for NameOrOid [ERROR]";
}

uint32_t PrintableTo(std::string &out, int32_t length, const unsigned char *bytes) {
  if (length < 0) return 1;
  if (length == 0 || !bytes) return 0;
  int32_t shown = length < static_cast<int32_t>(kCutAt) ? length : kCutAt;
  if (Printable(bytes, shown)) {
    Body(out, length, bytes, "", true);
  } else {
    Appendf(out, "Length = %d\nValue=<", length);
    Body(out, length, bytes, "", false);
    out += ">\n";
  }
  return 0;
}

uint32_t OctetsTo(std::string &out, int32_t length, const unsigned char *bytes) {
  if (length < 0) return 1;
  Appendf(out, "Length = %d\nValue = <", length);
  if (length > 0 && bytes) Body(out, length, bytes, "", false);
  out += ">\n";
  return 0;
}

template <typename T>
static void AnyTextTo(std::string &out, const T *t) {
  switch (t->choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING:
    case GEN_TEXT_OTHER:
      Appendf(out, "%s\n", Chars(t).c_str());
      break;
    case GEN_TEXT_LATIN1:
      PrintableTo(out, t->u.octets.length,
                  reinterpret_cast<const unsigned char *>(t->u.octets.value));
      break;
    case GEN_TEXT_OCTETS:
      OctetsTo(out, t->u.octets.length, reinterpret_cast<const unsigned char *>(t->u.octets.value));
      break;
    default:
      out += "unknown simple name choice\n";
  }
}

void TextTo(std::string &out, const GEN_Text_t *text) { AnyTextTo(out, text); }
void NameTo(std::string &out, const GEN_SimpleName_t *name) { AnyTextTo(out, name); }

uint32_t Emit(const std::string &text) {
  if (LOG_InMessage() && !text.empty()) LOG_AddText(text.c_str());
  return 0;
}

char *Fill(char *buffer, const std::string &text) {
  if (!buffer) return nullptr;
  size_t n = text.size() < GENU_RENDER_TEXT_MAX - 1 ? text.size() : GENU_RENDER_TEXT_MAX - 1;
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return buffer;
}

}  // namespace kq::genu

namespace genu = kq::genu;

extern "C" {

uint32_t GEN_EchoText(STF_statusList_t *sl, const GEN_Text_t *text) {
  GENU_ECHO_GUARD(sl);
  if (!text) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::TextTo(out, text);
  return genu::Emit(out);
}

uint32_t GEN_EchoMessage(STF_statusList_t *sl, const GEN_Text_t *message) {
  return GEN_EchoText(sl, message);
}

uint32_t GEN_EchoSimpleName(STF_statusList_t *sl, const GEN_SimpleName_t *name) {
  GENU_ECHO_GUARD(sl);
  if (!name) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::NameTo(out, name);
  return genu::Emit(out);
}

uint32_t GEN_EchoPrintableString(STF_statusList_t *sl, int32_t length, const unsigned char *bytes) {
  GENU_ECHO_GUARD(sl);
  std::string out;
  if (genu::PrintableTo(out, length, bytes)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  return genu::Emit(out);
}

uint32_t GEN_EchoOctetStringInt(STF_statusList_t *sl, int32_t length, const unsigned char *bytes) {
  GENU_ECHO_GUARD(sl);
  std::string out;
  if (genu::OctetsTo(out, length, bytes)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  return genu::Emit(out);
}

uint32_t GEN_EchoOctetString(STF_statusList_t *sl, const GEN_OctetString_t *value) {
  if (sl && !value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  return GEN_EchoOctetStringInt(sl, value ? value->length : 0, value ? value->value : nullptr);
}

uint32_t GENU__EchoOctetString(STF_statusList_t *sl, int32_t length, const unsigned char *bytes,
                               const char *label) {
  GENU_ECHO_GUARD(sl);
  if (length < 0 || (length > 0 && !bytes)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  const char *l = label ? label : "";
  const char *b = reinterpret_cast<const char *>(bytes);
  std::string out;
  if (length < 21) {
    genu::Appendf(out, "%s = <%.*s>\n", l, length, b ? b : "");
  } else {
    genu::Appendf(out, "%s = head: <%.10s ..., tail: ... %.10s>\n", l, b, b + length - 10);
  }
  return genu::Emit(out);
}

uint32_t GEN_EchoBer(STF_statusList_t *sl, const OssBuf *encoded) {
  GENU_ECHO_GUARD(sl);
  if (!encoded || encoded->length < 0 || (encoded->length > 0 && !encoded->value))
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::Appendf(out, "length = %d\n", encoded->length);
  out += "value = ";
  for (int32_t i = 0; i < encoded->length; ++i) genu::Appendf(out, "\\%02x", encoded->value[i]);
  out += "\n";
  return genu::Emit(out);
}

uint32_t GEN_EchoShortOID(STF_statusList_t *sl, uint32_t oid) {
  GENU_ECHO_GUARD(sl);
  return genu::Emit(genu::OidText(oid) + "\n");
}

uint32_t GEN_EchoNameOrOID(STF_statusList_t *sl, const GEN_NameOrOID_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  if (value->choice == 1) {
    out = genu::OidText(value->u.oid) + "\n";
  } else if (value->choice == 2) {
    genu::NameTo(out, &value->u.name);
  } else {
    out = "Unknown choice for NameOrOid [ERROR]\n";
  }
  return genu::Emit(out);
}

uint32_t GEN_EchoDistNameString(STF_statusList_t *sl, const GEN_DistNameString_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::TextTo(out, &value->text);
  genu::Emit(out);
  if (!value->nameOrOid) return genu::Emit("\t\tname-syntax = OPTION not specified\n");
  genu::Emit("\t\tname-syntax = ");
  return GEN_EchoNameOrOID(sl, value->nameOrOid);
}

}  // extern "C"
