// Mail addresses carried in X.400 O/R addresses: an Internet (RFC 822) or
// MS-Mail address is held as the value of a domain-defined attribute of type
// "RFC-822" or "MS-Mail", written with the printable-string escapes of RFC 1327.
#include <strings.h>

#include <cstdio>
#include <string>

#include "private/genu_make_util.h"

namespace genu = kq::genu;

namespace {

const char kRfc822[] = "RFC-822";
const char kMsMail[] = "MS-Mail";

struct Escape {
  char c;
  char letter;
};
const Escape kEscapes[] = {{'!', 'b'}, {'"', 'q'}, {'%', 'p'}, {'(', 'l'},
                           {')', 'r'}, {'@', 'a'}, {'_', 'u'}};

bool isAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

namespace kq::genu {

// ASCII to the printable-string form; false for a byte above 127.
bool EscapeRfc1327(const char *in, std::string *out) {
  out->clear();
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(in); *p; ++p) {
    if (*p > 127) return false;
    if (isAlnum(*p) || *p == '.') {
      out->push_back(static_cast<char>(*p));
      continue;
    }
    char buf[8];
    snprintf(buf, sizeof buf, "(%d)", *p);
    for (const Escape &e : kEscapes)
      if (e.c == static_cast<char>(*p)) snprintf(buf, sizeof buf, "(%c)", e.letter);
    out->append(buf);
  }
  return true;
}

// The printable-string form back to ASCII; false for a malformed escape.
bool UnescapeRfc1327(const char *in, std::string *out) {
  out->clear();
  for (const char *p = in; *p;) {
    if (*p != '(') {
      out->push_back(*p++);
      continue;
    }
    ++p;
    if (*p >= '0' && *p <= '9') {
      int code = 0, digits = 0;
      while (*p >= '0' && *p <= '9' && digits < 3) code = code * 10 + (*p++ - '0'), ++digits;
      if (*p != ')' || code > 127) return false;
      out->push_back(static_cast<char>(code));
      ++p;
      continue;
    }
    char letter = static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
    const Escape *found = nullptr;
    for (const Escape &e : kEscapes)
      if (e.letter == letter) found = &e;
    if (!found || p[1] != ')') return false;
    out->push_back(found->c);
    p += 2;
  }
  return true;
}

}  // namespace kq::genu

namespace {

// Searches the domain-defined attributes for `typeA` (or `typeB`); the first
// value that unescapes is the result. 0 found, 1 none of the types present, 2
// present but none converts.
int findAddress(const GEN_StandardAttrs_t *a, const char *typeA, const char *typeB,
                std::string *out) {
  int status = 1;
  const GEN_DomainDefinedAttrs_t *dd = a->domainDefined;
  for (int i = 0; dd && i < dd->count && i < 4; ++i) {
    const GEN_DomainDefinedAttr_t &attr = dd->attrs[i];
    if (strcasecmp(attr.type, typeA) != 0 && (!typeB || strcasecmp(attr.type, typeB) != 0))
      continue;
    status = 2;
    if (genu::UnescapeRfc1327(attr.value, out)) return 0;
  }
  return status;
}

uint32_t toString(STF_statusList_t *sl, char **out, const GEN_StandardAttrs_t *address,
                  const char *typeA, const char *typeB, bool absentIsNull,
                  const AS_allocateDescriptor_t *alloc) {
  if (!out || !address) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  *out = nullptr;
  if (!address->domainDefined) return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
  std::string s;
  int found = findAddress(address, typeA, typeB, &s);
  if (found == 1) return absentIsNull ? 0 : STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
  if (found == 2) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  *out = GEN_CopyCharArray(s.c_str(), static_cast<int32_t>(s.size()) + 1,
                           static_cast<int32_t>(s.size()) + 1, alloc);
  return *out ? 0 : STF__Fail(sl, GENU_ST_NO_MEMORY);
}

uint32_t fromString(STF_statusList_t *sl, GEN_StandardAttrs_t *out, const char *string,
                    const char *type, const AS_allocateDescriptor_t *alloc) {
  if (!out || !string) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  memset(out, 0, sizeof *out);
  std::string escaped;
  if (!genu::EscapeRfc1327(string, &escaped) ||
      escaped.size() >= sizeof(GEN_DomainDefinedAttr_t::value))
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  auto *dd =
      static_cast<GEN_DomainDefinedAttrs_t *>(genu::Alloc(alloc, sizeof(GEN_DomainDefinedAttrs_t)));
  if (!dd) return STF__Fail(sl, GENU_ST_NO_MEMORY);
  memset(dd, 0, sizeof *dd);
  dd->count = 1;
  strcpy(dd->attrs[0].type, type);
  strcpy(dd->attrs[0].value, escaped.c_str());
  out->domainDefined = dd;
  return 0;
}

}  // namespace

extern "C" {

uint32_t GEN_X400ToInternetMailAddress(STF_statusList_t *sl, char **out,
                                       const GEN_StandardAttrs_t *address,
                                       const AS_allocateDescriptor_t *alloc) {
  return toString(sl, out, address, kRfc822, nullptr, false, alloc);
}

uint32_t GEN_X400ToMSMailAddress(STF_statusList_t *sl, char **out,
                                 const GEN_StandardAttrs_t *address,
                                 const AS_allocateDescriptor_t *alloc) {
  return toString(sl, out, address, kMsMail, nullptr, true, alloc);
}

uint32_t GEN_X400ToStringAddress(STF_statusList_t *sl, char **out,
                                 const GEN_StandardAttrs_t *address,
                                 const AS_allocateDescriptor_t *alloc) {
  return toString(sl, out, address, kRfc822, kMsMail, false, alloc);
}

uint32_t GEN_InternetMailToX400Address(STF_statusList_t *sl, GEN_StandardAttrs_t *out,
                                       const char *string, const AS_allocateDescriptor_t *alloc) {
  return fromString(sl, out, string, kRfc822, alloc);
}

uint32_t GEN_MsMailToX400Address(STF_statusList_t *sl, GEN_StandardAttrs_t *out, const char *string,
                                 const AS_allocateDescriptor_t *alloc) {
  return fromString(sl, out, string, kMsMail, alloc);
}

uint32_t GEN_StringToX400Address(STF_statusList_t *sl, GEN_StandardAttrs_t *out, const char *string,
                                 int32_t kind, const AS_allocateDescriptor_t *alloc) {
  return fromString(sl, out, string, kind == GEN_ADDRESS_MSMAIL ? kMsMail : kRfc822, alloc);
}

}  // extern "C"
