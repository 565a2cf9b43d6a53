// Values by their type id, attributes and whole attribute sets.
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <optional>

#include "private/genu_render_int.h"

namespace kq::genu {

namespace {

// Display names of the value type ids; ids without one of their own (88, 90..94)
// read as the ids beyond the table do.
const char *const kTypeNames[] = {"boolean",
                                  "cardinal",
                                  "cardinal range",
                                  "colorant set",
                                  "delta time",
                                  "descriptor",
                                  "distinguished name string",
                                  "document content",
                                  "event handling profile",
                                  "font reference",
                                  "object identifier",
                                  "ignored attribute",
                                  "integer) ",
                                  "integer range",
                                  "job identifier",
                                  "maximum integer",
                                  "message",
                                  "minimum integer",
                                  "name or oid",
                                  "numbers up supported",
                                  "octet string",
                                  "page id type",
                                  "positive integer",
                                  "real",
                                  "realization",
                                  "real range",
                                  "sides",
                                  "simple name",
                                  "text",
                                  "area",
                                  "area sequence",
                                  "cardinal 64",
                                  "cardinal 64 range",
                                  "cardinal map",
                                  "cardinal or name or oid",
                                  "cardinal or oid",
                                  "category set",
                                  "criteria",
                                  "default delivery addresses",
                                  "delivery address",
                                  "descriptive name",
                                  "dimension",
                                  "distinguished name string sequence",
                                  "document format",
                                  "edge",
                                  "file reference",
                                  "finishing",
                                  "font substitution",
                                  "generalized time",
                                  "input tray medium",
                                  "integer sequence",
                                  "job categories",
                                  "job level",
                                  "job password",
                                  "level range",
                                  "locale",
                                  "locations",
                                  "medium dimensions",
                                  "medium source size",
                                  "medium substitution",
                                  "name or oid sequence",
                                  "new job identifier",
                                  "non negative real",
                                  "non negative real range",
                                  "object identification",
                                  "object identifier sequence",
                                  "output bin characteristics",
                                  "page media select",
                                  "page order type",
                                  "page select",
                                  "page size",
                                  "percent",
                                  "positive integer or oid",
                                  "presentation direction",
                                  "print checkpoint",
                                  "priority",
                                  "privileges",
                                  "rdn sequence",
                                  "real sequence",
                                  "resource",
                                  "resource context",
                                  "results profile",
                                  "size unit type",
                                  "translator type",
                                  "dimensions",
                                  "access control list",
                                  "RPC address",
                                  "socket address",
                                  "unknown value type",
                                  "ext access control list"};
constexpr uint32_t kNamedIds = sizeof kTypeNames / sizeof kTypeNames[0];  // 0..89
constexpr const char *kUnknownType = "unknown value type";

using Lines = std::vector<std::string>;

template <typename T>
const T &As(const void *p) {
  return *static_cast<const T *>(p);
}

std::string Formatted(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Formatted(const char *format, ...) {
  char chunk[512];
  va_list args;
  va_start(args, format);
  vsnprintf(chunk, sizeof chunk, format, args);
  va_end(args);
  return chunk;
}

std::vector<std::string> DocFormatLines(const GEN_DocumentFormat_t &v) {
  std::vector<std::string> lines{"format = " + OidText(v.format)};
  if (v.variants) lines.push_back("variants = " + Cut(Chars(v.variants)));
  if (v.version) lines.push_back("version = " + Cut(Chars(v.version)));
  return lines;
}

std::vector<std::string> MediaSelectLines(const GEN_MediaSelect_t &v) {
  if (v.choice == 1) return {"Medium for ALL: " + NameOrOidPlain(&v.u.medium)};
  if (v.choice != 2) return {"bad media select choice"};
  std::vector<std::string> lines;
  for (const GEN_ValueSeq_t *n = v.u.pages.first; n; n = n->next) {
    const auto &p = As<GEN_PageMediaSelect_t>(n->value);
    lines.push_back("Medium: " + NameOrOidPlain(&p.medium) + " Range: " + PageIdentText(&p.first) +
                    " to " + PageIdentText(&p.last));
  }
  return lines;
}

std::vector<std::string> ResultsLines(const GEN_ResultsProfile_t &v) {
  std::vector<std::string> lines;
  lines.push_back(v.deliveryMethod ? "delivery method = " + OidText(*v.deliveryMethod)
                                   : "delivery method = <not specified>");
  lines.push_back(v.comment ? "results set comment = " + Chars(v.comment)
                            : "results set comment = <not specified>");
  lines.push_back(v.deliveryAddress ? "delivery address = " + DelAddrText(v.deliveryAddress)
                                    : "delivery address = <not specified>");
  lines.push_back(v.jobCopies ? Formatted("job copies = %d", *v.jobCopies)
                              : "job copies = <default = 1>");
  lines.push_back(v.outputBin ? "output bin = " + NameOrOidPlain(v.outputBin)
                              : "output bin = <not specified>");
  return lines;
}

// The value table: the line(s) of each id it renders, nothing for the others.
std::optional<Lines> TableLines(const void *value, uint32_t id) {
  switch (id) {
    case 0:
      return Lines{As<GEN_Boolean_t>(value) ? "TRUE" : "FALSE"};
    case 1:
    case 12:
    case 15:
    case 22:
      return Lines{Formatted("%d", As<GEN_Integer_t>(value))};
    case 26:
      return Lines{Formatted("%d", As<GEN_Sides_t>(value))};
    case 4:
      return Lines{DeltaTimeText(As<GEN_Integer_t>(value))};
    case 6:
      return Lines{DistNameText(&As<GEN_DistNameString_t>(value))};
    case 8:
      return EventProfileLines(&As<GEN_EventHandlingProfile_t>(value));
    case 9:
      return Lines{FontReferenceText(&As<GEN_FontReference_t>(value))};
    case 10:
      return Lines{OidText(As<GEN_Identifier_t>(value))};
    case 14:
      return Lines{As<GEN_JobIdentifier_t>(value).value};
    case 16:
    case 28:
      return Lines{Cut(Chars(&As<GEN_Text_t>(value)))};
    case 27:
      return Lines{Cut(Chars(&As<GEN_SimpleName_t>(value)))};
    case 18:
      return Lines{NameOrOidQualified(&As<GEN_NameOrOID_t>(value))};
    case 19:
      return Lines{NumbersUpText(&As<GEN_NumbersUpSupported_t>(value))};
    case 21:
      return Lines{PageIdTypeText(&As<GEN_PageIdType_t>(value))};
    case 23:
      return Lines{Formatted("%f", As<GEN_Real_t>(value))};
    case 25:
      return Lines{
          Formatted("%f - %f", As<GEN_RealRange_t>(value).lower, As<GEN_RealRange_t>(value).upper)};
    case 31: {
      uint64_t n = 0;
      GEN_GenToUint64(&n, &As<GEN_Cardinal64_t>(value));
      return Lines{Formatted("Card-64: %" PRIu64, n)};
    }
    case 34:
      return Lines{CardOrNoidText(&As<GEN_CardinalOrNoid_t>(value))};
    case 43:
      return DocFormatLines(As<GEN_DocumentFormat_t>(value));
    case 44:
      return Lines{EdgeText(&As<GEN_Edge_t>(value))};
    case 48:
      return Lines{TimeText(&As<GEN_GeneralizedTime_t>(value))};
    case 60: {
      std::vector<std::string> lines;
      for (const GEN_ValueSeq_t *n = As<GEN_NameOrOidSeq_t>(value).first; n; n = n->next)
        lines.push_back(NameOrOidQualified(static_cast<const GEN_NameOrOID_t *>(n->value)));
      return lines;
    }
    case 67:
      return MediaSelectLines(As<GEN_MediaSelect_t>(value));
    case 81:
      return ResultsLines(As<GEN_ResultsProfile_t>(value));
    case 85: {
      bool bad = false;
      return Lines{AclText(&As<GEN_PSISAccessControlList_t>(value), &bad)};
    }
    case 86:
      return Lines{"RPC-address"};
    case 87:
      return Lines{"Socket-address"};
    case 88:
      return Lines{"not supported"};
    case 89:
      return Lines{ExtAclText(&As<GEN_ExtACL_t>(value))};
    default:
      return std::nullopt;
  }
}

// The form the pack and unpack traces give the records the value table leaves out.
std::string TraceFormText(const void *value, uint32_t id) {
  std::string out;
  switch (id) {
    case 2:
      Appendf(out, "lower: %d, upper: %d\n", As<GEN_IntegerRange_t>(value).lower,
              As<GEN_IntegerRange_t>(value).upper);
      return out;
    case 55:
      LocaleTo(out, &As<GEN_Locale_t>(value));
      return out;
    case 69: {
      const RecordText *text = RecordTextOf(&kPageSelectLayout);
      for (const GEN_ValueSeq_t *n = As<GEN_PageSelectSeq_t>(value).first; n; n = n->next)
        RecordTo(out, *text, n->value);
      return out;
    }
    default:
      if (const RecordText *text = RecordTextOf(LayoutOfType(id))) RecordTo(out, *text, value);
      return out;
  }
}

}  // namespace

std::vector<std::string> ValueLines(const void *value, uint32_t id) {
  if (std::optional<Lines> lines = TableLines(value, id)) return std::move(*lines);
  if (id == 33) return {"(oid) cardinal map not implemented"};
  if (id < kNamedIds) return {std::string(kTypeNames[id]) + " not implemented"};
  return {kUnknownType};
}

void AppendValue(std::string &out, const char *prefix, const void *value, uint32_t id) {
  const size_t start = out.size();
  for (const std::string &line : ValueLines(value, id))
    out.append(prefix).append(line).push_back('\n');
  if (out.size() == start) out.append(prefix).push_back('\n');
}

std::string PackTraceText(const void *value, uint32_t id) {
  std::string out;
  if (std::optional<Lines> lines = TableLines(value, id)) {
    for (const std::string &line : *lines) out += line + "\n";
    return out.empty() ? "\n" : out;
  }
  return TraceFormText(value, id);
}

}  // namespace kq::genu

namespace genu = kq::genu;

extern "C" {

const char *GENU__TypeToAscii(STF_statusList_t *, uint32_t id) {
  return id < genu::kNamedIds ? genu::kTypeNames[id] : genu::kUnknownType;
}

const char *GENU__ModifyOpAscii(STF_statusList_t *sl, AS_attrHandle_t attr) {
  int32_t op = 0;
  if (AS_GetAttrModifyOpR(sl, attr, &op)) return "GetFailed";
  switch (op) {
    case AS_MODIFY_NOOP:
      return "NoOp";
    case AS_MODIFY_NONE:
      return " ";
    case AS_MODIFY_ADD_VALUES:
      return "AddValues";
    case AS_MODIFY_DELETE_VALUES:
      return "DeleteVals";
    case AS_MODIFY_SET_DEFAULT:
      return "SetDefault";
    default:
      return "BadOp";
  }
}

uint32_t GENU_EchoAttrValue(STF_statusList_t *sl, const char *prefix, const void *value,
                            uint32_t id) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL value");
  std::string out;
  genu::AppendValue(out, prefix ? prefix : "", value, id);
  return genu::Emit(out);
}

uint32_t GEN_EchoAS(STF_statusList_t *sl, AS_setHandle_t set) {
  GENU_ECHO_GUARD(sl);
  AS_attrHandle_t attr = AS_nullAttrHandle;
  uint32_t id = 0;
  if (AS_FindFirstAttr(sl, set, &attr, &id)) {
    if (STF_GetStatus(sl) != AS_ST_ATTR_NOT_FOUND) return 1;
    STF_ClearStatus(sl);
    return genu::Emit("\t\tno attributes\n");
  }
  // One piece of text per attribute: its head line and its values.
  std::string out;
  out.reserve(256);
  do {
    uint32_t type = 0;
    if (AS_GetAttrValTypeR(sl, attr, &type)) break;
    out.assign("\t\t").append(GENU_ShortOIDToAscii(id)).append(" (");
    out.append(GENU__TypeToAscii(sl, type)).append(") ");
    out.append(GENU__ModifyOpAscii(sl, attr)).push_back('\n');
    AS_attrValHandle_t val = AS_nullAttrValHandle;
    void *value = nullptr;
    if (AS_FindFirstAttrValR(sl, attr, &val, &value)) {
      genu::Emit(out);
      if (STF_GetStatus(sl) != AS_ST_NO_VALUES) break;
      STF_ClearStatus(sl);
      genu::Emit("\t\t\tno values\n");
      continue;
    }
    do {
      if (value)
        genu::AppendValue(out, "\t\t\t", value, type);
      else
        out.append("NULL value");  // as GENU_EchoAttrValue gives it
    } while (!AS_FindNextAttrValVR(sl, &val, &value));
    genu::Emit(out);
    bool walked = STF_GetStatus(sl) == AS_ST_NO_NEXT_VAL;
    AS_FreeAttrValHandle(sl, &val);
    if (!walked) break;
    STF_ClearStatus(sl);
  } while (!AS_FindNextAttrR(sl, &attr, &id));
  bool walked = STF_GetStatus(sl) == AS_ST_NO_NEXT_ATTR;
  AS_FreeAttrHandle(sl, &attr);
  if (!walked) return 1;
  STF_ClearStatus(sl);
  return 0;
}

}  // extern "C"
