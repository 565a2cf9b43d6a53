// Echo operations of records: the quoted forms written out here, the labelled
// ones through the layout walk.
#include <arpa/inet.h>

#include <cinttypes>
#include <cstdlib>

#include "internal/stf_fail.h"
#include "private/genu_render_int.h"

namespace kq::genu {

void ExternalTo(std::string &out, const GEN_External_t *value) {
  out += "\t\tdirect reference = " + OidText(value->directReference) + "\n";
  if (value->indirectReference)
    Appendf(out, "\t\tindirect reference = %d\n", *value->indirectReference);
  if (value->dataValueDescriptor)
    out += "\t\tdata value descriptor = " + Chars(value->dataValueDescriptor) + "\n";
  static const char *const kEncodings[] = {"\t\tencoding = single ASN.1\n",
                                           "\t\tencoding = octet aligned\n",
                                           "\t\tencoding = arbitrary\n"};
  out += value->choice >= 1 && value->choice <= 3 ? kEncodings[value->choice - 1]
                                                  : "\t\tencoding = *ERROR* unknown\n";
}

void LocaleTo(std::string &out, const GEN_Locale_t *value) {
  int n = value->language.length < 0 ? 0 : value->language.length > 2 ? 2 : value->language.length;
  Appendf(out, "Language: %.*s\n\tCharSet: %s\n", n, value->language.value,
          OidText(value->codeSet).c_str());
}

void AttributeTo(std::string &out, AS_attrHandle_t attr) {
  STF_statusList_t *scratch = STF_CreateList(nullptr);
  uint32_t id = 0, type = 0;
  if (AS_GetAttrIDR(scratch, attr, &id) || AS_GetAttrValTypeR(scratch, attr, &type)) {
    STF_DeleteList(scratch);
    out += "IgnoredAttributeToAscii: Invalid\n";
    return;
  }
  out += OidText(id) + " (" + GENU__TypeToAscii(scratch, type) + ")\n";
  AS_attrValHandle_t val = AS_nullAttrValHandle;
  void *value = nullptr;
  if (!AS_FindFirstAttrValR(scratch, attr, &val, &value)) {
    do {
      for (const std::string &line : ValueLines(value, type)) out += "\t" + line + "\n";
    } while (!AS_FindNextAttrValVR(scratch, &val, &value));
    AS_FreeAttrValHandle(scratch, &val);
  }
  STF_DeleteList(scratch);
}

namespace {

std::string ObjectIdentText(const GEN_ObjectIdent_t *value) {
  std::string out;
  if (!value) return "\t\tNULL object identification\n";
  switch (value->choice) {
    case 1:
      Appendf(out, "\t\tjob-identifier = %s\n", value->u.job.value);
      break;
    case 2:
      Appendf(out, "\t\tjob-identifier = %s\n", value->u.document.job.value);
      Appendf(out, "\t\tdocument-number = %d\n", value->u.document.documentNumber);
      break;
    case 3:
      out = "\t\tobject-identifier = " + OidText(value->u.oid) + "\n";
      break;
    case 4:
      out = "\t\tobject-name = ";
      TextTo(out, &value->u.distName.text);
      if (value->u.distName.nameOrOid) {
        out += "\t\tname-syntax = " + NameOrOidPlain(value->u.distName.nameOrOid) + "\n";
      } else {
        out += "\t\tname-syntax = OPTION not specified\n";
      }
      break;
    case 5:
      break;  // font references are not shown
    case 6:
      out = "\t\tname-or-oid = " + NameOrOidPlain(&value->u.nameOrOid) + "\n";
      break;
    case 7:
      out = "\t\tsimple name = ";
      NameTo(out, &value->u.name);
      break;
    default:
      out = "\t\tunknown object identification choice\n";
  }
  return out;
}

// The labelled records: their text, or `null` for an absent record.
uint32_t EchoRecord(STF_statusList_t *sl, const Layout *layout, const void *value,
                    const char *null = "NULL\n") {
  GENU_ECHO_GUARD(sl);
  if (!value) return Emit(null);
  std::string out;
  RecordTo(out, *RecordTextOf(layout), value);
  return Emit(out);
}

}  // namespace

}  // namespace kq::genu

namespace genu = kq::genu;

extern "C" {

uint32_t GEN_EchoGeneralizedTime(STF_statusList_t *sl, const GEN_GeneralizedTime_t *t) {
  GENU_ECHO_GUARD(sl);
  if (!t) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::Appendf(out,
                "\t\tyear = %d\n\t\tmonth = %d\n\t\tday = %d\n\t\thour = %d\n\t\tminute = %d\n"
                "\t\tsecond = %d\n\t\tmillisecond = %d\n\t\tmindiff = %d\n",
                t->year, t->month, t->day, t->hour, t->minute, t->second, t->millisecond,
                t->diffUTC);
  out += t->utc == 1 ? "\t\tutc = TRUE\n" : "\t\tutc = FALSE\n";
  return genu::Emit(out);
}

uint32_t GEN_EchoObjectIdent(STF_statusList_t *sl, const GEN_ObjectIdent_t *value) {
  GENU_ECHO_GUARD(sl);
  return genu::Emit(genu::ObjectIdentText(value));
}

uint32_t GEN_EchoExternal(STF_statusList_t *sl, const GEN_External_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::ExternalTo(out, value);
  return genu::Emit(out);
}

uint32_t GEN_EchoLimitEncountered(STF_statusList_t *sl, GEN_limitEncountered_t value) {
  GENU_ECHO_GUARD(sl);
  switch (value) {
    case GEN_TIME_LIMIT:
      return genu::Emit("\"time-limit\n");
    case GEN_COUNT_LIMIT:
      return genu::Emit("\"count-limit\"\n");
    case GEN_ERROR_LIMIT:
      return genu::Emit("\"error-limit\"\n");
    default:
      return genu::Emit("unkown GEN_limitEncountered_t enum value [ERROR]\n");
  }
}

uint32_t GEN_EchoErrorMessage(STF_statusList_t *sl, const GEN_ErrorMsg_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  std::string out;
  genu::TextTo(out, &value->text);
  if (value->locale) genu::LocaleTo(out, value->locale);
  return genu::Emit(out);
}

uint32_t GEN_EchoDocFormat(STF_statusList_t *sl, const GEN_DocumentFormat_t *value) {
  if (sl && !value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  return genu::EchoRecord(sl, &genu::kDocumentFormatLayout, value);
}

uint32_t GEN_EchoCheckpoint(STF_statusList_t *sl, const GEN_Checkpoint_t *value) {
  if (sl && !value) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  return genu::EchoRecord(sl, &genu::kCheckpointLayout, value);
}

uint32_t GENU__EchoCardinal64(STF_statusList_t *sl, const GEN_Cardinal64_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  uint64_t n = 0;
  GEN_GenToUint64(&n, value);
  std::string out;
  genu::Appendf(out, "Card-64: %" PRIu64 "\n", n);
  return genu::Emit(out);
}

uint32_t GENU__EchoCardinalRange(STF_statusList_t *sl, const GEN_IntegerRange_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  std::string out;
  genu::Appendf(out, "lower: %d, upper: %d\n", value->lower, value->upper);
  return genu::Emit(out);
}

uint32_t GENU__EchoLocale(STF_statusList_t *sl, const GEN_Locale_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  std::string out;
  genu::LocaleTo(out, value);
  return genu::Emit(out);
}

uint32_t GENU__EchoSocketAddress(STF_statusList_t *sl, const GEN_SocketAddress_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  char text[INET6_ADDRSTRLEN] = "";
  std::string out;
  if (value->choice == 1 && inet_ntop(AF_INET, value->address, text, sizeof text)) {
    genu::Appendf(out, "Port: %d  IPv4: <%s>\n", value->port, text);
  } else if (value->choice == 2 && inet_ntop(AF_INET6, value->address, text, sizeof text)) {
    genu::Appendf(out, "Port: %d  IPv6: <%s...>\n", value->port, text);
  } else {
    out = "Invalid Socket Address\n";
  }
  return genu::Emit(out);
}

uint32_t GENU__EchoACL(STF_statusList_t *sl, const GEN_PSISAccessControlList_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  bool bad = false;
  std::string text = genu::AclText(value, &bad);
  genu::Emit("\t\t\t" + text + "\n");
  return bad ? STF__Fail(sl, GENU_ST_BAD_VALUE) : 0;
}

uint32_t GENU__EchoeACL(STF_statusList_t *sl, const GEN_ExtACL_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value) return genu::Emit("NULL\n");
  return genu::Emit(genu::ExtAclText(value) + "\n");
}

uint32_t GENU__EchoPageSelectSeq(STF_statusList_t *sl, const GEN_PageSelectSeq_t *value) {
  GENU_ECHO_GUARD(sl);
  if (!value || !value->first) return genu::Emit("NULL\n");
  std::string out;
  const genu::RecordText *text = genu::RecordTextOf(&genu::kPageSelectLayout);
  for (const GEN_ValueSeq_t *n = value->first; n; n = n->next) genu::RecordTo(out, *text, n->value);
  return genu::Emit(out);
}

uint32_t GENU__EchoFastFilterDef(STF_statusList_t *sl, const GEN_FastFilterDef_t *value) {
  return genu::EchoRecord(sl, &genu::kFastFilterDefLayout, value, "NULL POINTER\n");
}

// The rest are labelled records rendered by the layout walk.
#define GENU_ECHO_BY_LAYOUT(Name, R)                                          \
  uint32_t GENU__Echo##Name(STF_statusList_t *sl, const GEN_##R##_t *value) { \
    return genu::EchoRecord(sl, &genu::k##R##Layout, value);                  \
  }
GENU_ECHO_BY_LAYOUT(IgnoredAttribute, IgnoredAttribute)
GENU_ECHO_BY_LAYOUT(ResultsProfile, ResultsProfile)
GENU_ECHO_BY_LAYOUT(RPCAddress, RPCAddress)
GENU_ECHO_BY_LAYOUT(DOR, FileReference)
GENU_ECHO_BY_LAYOUT(CardinalOrNoid, CardinalOrNoid)
GENU_ECHO_BY_LAYOUT(DeliveryAddress, DeliveryAddress)
GENU_ECHO_BY_LAYOUT(Privileges, Privileges)
GENU_ECHO_BY_LAYOUT(EventHandlingProfile, EventHandlingProfile)
GENU_ECHO_BY_LAYOUT(PosIntOrOid, PosIntOrOid)
GENU_ECHO_BY_LAYOUT(CardinalOrOid, CardinalOrOid)
GENU_ECHO_BY_LAYOUT(PageIdentifier, PageIdentifier)
GENU_ECHO_BY_LAYOUT(PageSelect, PageSelect)
GENU_ECHO_BY_LAYOUT(PageMediaSelect, PageMediaSelect)
GENU_ECHO_BY_LAYOUT(MediaSelect, MediaSelect)
GENU_ECHO_BY_LAYOUT(InputTrayMedium, InputTrayMedium)
GENU_ECHO_BY_LAYOUT(NewJobIdentifier, NewJobIdentifier)
GENU_ECHO_BY_LAYOUT(OidCardinalMap, OidCardinalMap)
GENU_ECHO_BY_LAYOUT(MediaConsumed, MediaConsumed)
GENU_ECHO_BY_LAYOUT(PreprocessorDefinition, PreprocessorDefinition)
GENU_ECHO_BY_LAYOUT(DriverInfo, DriverInfo)

}  // extern "C"
