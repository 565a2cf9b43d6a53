// The one-line forms of values: what a value of each type reads as in the value
// table, and what the to-text operations return.
#include <cinttypes>

#include "private/genu_render_int.h"

namespace kq::genu {

std::string DeltaTimeText(int32_t total) {
  int32_t days = total / 86400, rest = total % 86400;
  int32_t hours = rest / 3600, minutes = rest % 3600 / 60, seconds = rest % 60;
  std::string out;
  if (days) Appendf(out, "%d day%s ", days, days == 1 ? "" : "s");
  if (days || hours) Appendf(out, "%02d:", hours);
  Appendf(out, "%02d:", minutes);
  Appendf(out, "%02d (%d)", seconds, total);
  return out;
}

std::string DistNameText(const GEN_DistNameString_t *value) {
  std::string text = Cut(Chars(&value->text));
  if (!value->nameOrOid) return text + " No Syntax";
  return text + " Syntax=" + Cut(NameOrOidPlain(value->nameOrOid));
}

std::string FontReferenceText(const GEN_FontReference_t *value) {
  if (!value) return "<null>";
  if (value->choice != 1) return "font reference not a simple name";
  return Chars(&value->name);
}

std::string NumbersUpText(const GEN_NumbersUpSupported_t *value) {
  std::string out;
  if (!value) return "<null>";
  switch (value->choice) {
    case 1:
      Appendf(out, "Cardinal = %d\n", value->u.cardinal);
      return out;
    case 2:
      return "NameOrOid = " + NameOrOidPlain(&value->u.nameOrOid);
    case 3:
      Appendf(out, "CardinalRange = %d - %d\n", value->u.range.lower, value->u.range.upper);
      return out;
    default:
      return "Bad NumbersUp Choice";
  }
}

std::string CardOrNoidText(const GEN_CardinalOrNoid_t *value) {
  std::string out;
  if (!value) return "<null>";
  if (value->choice == 1) {
    Appendf(out, "Cardinal = %d\n", value->u.cardinal);
    return out;
  }
  if (value->choice == 2) return "NameOrOid = " + NameOrOidPlain(&value->u.nameOrOid);
  return "Bad CardOrNoid Choice";
}

std::string PageIdTypeText(const GEN_PageIdType_t *value) {
  switch (*value) {
    case 1:
      return "numeric";
    case 2:
      return "alphanumeric";
    case 3:
      return "tag";
    default: {
      std::string out;
      Appendf(out, "unknown=%d\n", static_cast<int>(*value));
      return out;
    }
  }
}

std::string PageIdentText(const GEN_PageIdentifier_t *value) {
  std::string out;
  if (!value) return "<not specified>";
  switch (value->choice) {
    case 1:
      Appendf(out, "Num:%d", value->u.number);
      break;
    case 2:
      out = "Alpha:" + Chars(&value->u.name);
      break;
    case 3:
      out = "Tag:" + NameOrOidPlain(&value->u.tag);
      break;
    default:
      Appendf(out, "Bad ID:%d", value->choice);
  }
  return out;
}

std::string EdgeText(const GEN_Edge_t *value) {
  static const char *const kEdges[] = {"Bottom edge", "Right edge", "Top edge", "Left edge"};
  return *value < 4 ? kEdges[*value] : "";
}

std::string TimeText(const GEN_GeneralizedTime_t *t) {
  std::string out;
  Appendf(out, "%d/%02d/%d %d:%02d:%02d.%03d diff=%d %s", t->day, t->month, t->year, t->hour,
          t->minute, t->second, t->millisecond, t->diffUTC, t->utc ? "UTC" : "Not UTC");
  return out;
}

std::string DelAddrText(const GEN_DeliveryAddress_t *value) {
  static const char *const kKinds[] = {"(mhs address)", "(dist name)",    "(text)",
                                       "(dor)",         "(octet string)", "(dist name string)",
                                       "(rpc address)"};
  if (value->choice >= 1 && value->choice <= 7) return kKinds[value->choice - 1];
  std::string out;
  Appendf(out, "unknown=%d\n", value->choice);
  return out;
}

// An O/R address as the mail address it carries: Internet mail, else MS-Mail.
std::string MailText(const GEN_ORName_t *value) {
  STF_statusList_t *scratch = STF_CreateList(nullptr);
  char *mail = nullptr;
  if (GEN_X400ToInternetMailAddress(scratch, &mail, &value->address, nullptr)) {
    mail = nullptr;
    if (GEN_X400ToMSMailAddress(scratch, &mail, &value->address, nullptr)) mail = nullptr;
  }
  STF_DeleteList(scratch);
  std::string out = mail ? mail : "";
  free(mail);
  return out;
}

std::vector<std::string> EventProfileLines(const GEN_EventHandlingProfile_t *value) {
  std::vector<std::string> lines;
  if (value->events)
    for (const GEN_ValueSeq_t *n = value->events->first; n; n = n->next)
      lines.push_back("event = " + OidText(*static_cast<const uint32_t *>(n->value)));
  if (value->deliveryAddress) {
    std::string address;
    if (value->deliveryAddress->choice == 1) address = MailText(&value->deliveryAddress->u.orName);
    lines.push_back("mhs-address = " + address);
  }
  if (value->deliveryMethod) lines.push_back("method = " + OidText(*value->deliveryMethod));
  return lines;
}

std::string AclText(const GEN_PSISAccessControlList_t *value, bool *bad) {
  *bad = false;
  if (value->choice == 2) return "DCE ACL";
  if (value->choice != 1) {
    *bad = true;
    return "Bad ACL choice";
  }
  static const char *const kLevels[] = {"end-user: ", "op: ", "admin: "};
  static const char *const kTypes[] = {"all-users: ", "user: ", "group: ", "netgroup: "};
  std::string out;
  if (!value->privilegeLevel) {
    out = "end user: ";
  } else {
    uint32_t l = *value->privilegeLevel;
    out = l >= 1 && l <= 3 ? kLevels[l - 1] : "Invalid: ";
  }
  uint32_t type = value->nameType ? *value->nameType : 0;
  out += type <= 3 ? kTypes[type] : "Invalid: ";
  return out + Chars(&value->name);
}

std::string ExtAclText(const GEN_ExtACL_t *value) {
  static const char *const kTypes[] = {"all-users: ", "user: ", "group: ", "netgroup: "};
  std::string out = "ExtAccessControlList Name Type: ";
  out += value->nameType <= 3 ? kTypes[value->nameType] : "Invalid: ";
  return out + Chars(&value->principal);
}

}  // namespace kq::genu
