// The standard problem codes of the eight DPA error kinds and their texts. A kind's
// codes need not be contiguous (update has no 3, attribute starts at 2), so each
// kind is a table of the codes it defines.
#include <cstdint>
#include <iterator>

#include "infra/jqp.h"

namespace kq::jqp {
namespace {

struct Problem {
  uint32_t code;
  const char *text;
};

const Problem kUpdate[] = {{1, "no modifications allowed"},
                           {2, "insufficient update rights"},
                           {4, "previous operation incomplete"},
                           {5, "cancellation not possible"}};
const Problem kAttribute[] = {{2, "invalid attribute syntax"},
                              {3, "undefined attribute type"},
                              {4, "inappropriate matching"},
                              {5, "constraint violation"},
                              {6, "unsupported attribute type"},
                              {7, "illegal modification"},
                              {8, "inconsistent with other attributes"},
                              {9, "undefined attribute value"},
                              {10, "unsupported attribute value"},
                              {11, "invalid non compulsory attribute modification"},
                              {12, "per job attribute inadmissible"},
                              {13, "not multi valued"},
                              {14, "mandatory attribute omitted"},
                              {15, "attribute illegal for object class"}};
const Problem kDocumentAccess[] = {{1, "document not available"},
                                   {2, "referent modified"},
                                   {3, "access denied"},
                                   {4, "unknown document"},
                                   {5, "no documents in job"}};
const Problem kSelection[] = {
    {1, "invalid identification"}, {2, "unknown identification"}, {3, "object already exists"}};
const Problem kPrinter[] = {
    {1, "printer error"}, {2, "printer needs attention"}, {3, "printer needs key operator"}};
const Problem kAccess[] = {{1, "inappropriate object class"},
                           {2, "insufficient access rights"},
                           {3, "cannot interrupt job"},
                           {4, "inappropriate object state"}};
const Problem kService[] = {{1, "server busy"},
                            {2, "server unavailable"},
                            {3, "operation too complex"},
                            {4, "resource limit exceeded"},
                            {5, "unclassified server error"},
                            {6, "too many items in list"},
                            {7, "compulsory resource not available"},
                            {8, "cancel document unsupported"},
                            {9, "modify document unsupported"},
                            {10, "print multiple documents unsupported"},
                            {11, "unsupported parameter value"},
                            {12, "invalid checkpoint"},
                            {13, "invalid continuation context"},
                            {14, "pause limit exceeded"},
                            {15, "unsupported operation"}};
const Problem kSecurity[] = {{1, "inappropriate authentication"},
                             {2, "invalid credentials"},
                             {3, "insufficient operation rights"},
                             {4, "invalid pac"}};

template <size_t N>
const Problem *Find(const Problem (&table)[N], uint32_t code) {
  for (const Problem &p : table)
    if (p.code == code) return &p;
  return nullptr;
}

template <size_t N>
int Accept(const Problem (&table)[N], int32_t code, uint32_t *out) {
  if (code < 0 || !Find(table, static_cast<uint32_t>(code))) return 0;
  if (out) *out = static_cast<uint32_t>(code);
  return 1;
}

template <size_t N>
const char *Name(const Problem (&table)[N], uint32_t code, const char *unknown) {
  const Problem *p = Find(table, code);
  return p ? p->text : unknown;
}

}  // namespace
}  // namespace kq::jqp

#define JQP_DEFINE_PROBLEM(Kind, table, unknown)           \
  int ToGEN_##Kind##Problem(int32_t code, uint32_t *out) { \
    return kq::jqp::Accept(kq::jqp::table, code, out);     \
  }                                                        \
  const char *ToAscii_##Kind##Problem(uint32_t code) {     \
    return kq::jqp::Name(kq::jqp::table, code, unknown);   \
  }

extern "C" {
JQP_DEFINE_PROBLEM(Update, kUpdate, "unknown Update error type")
JQP_DEFINE_PROBLEM(Attribute, kAttribute, "unknown Attribute error type")
JQP_DEFINE_PROBLEM(DocumentAccess, kDocumentAccess, "unknown DocumentAccess error type")
JQP_DEFINE_PROBLEM(Selection, kSelection, "unknown Selection error type")
JQP_DEFINE_PROBLEM(Printer, kPrinter, "unknown Printer error type")
JQP_DEFINE_PROBLEM(Access, kAccess, "unknown Access error type")
JQP_DEFINE_PROBLEM(Service, kService, "unknown Service error type")
JQP_DEFINE_PROBLEM(Security, kSecurity, "unknown Security error type")
}  // extern "C"
