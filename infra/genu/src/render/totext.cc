// To-text operations: the one-line forms into the caller's buffer, and fresh
// strings of names and texts.
#include <cstring>

#include "private/genu_render_int.h"

namespace genu = kq::genu;

extern "C" {

char *GENU__GeneralizedTimeToAscii(STF_statusList_t *, const GEN_GeneralizedTime_t *value,
                                   char *buffer) {
  return genu::Fill(buffer, value ? genu::TimeText(value) : "<null>");
}

char *GENU__FontReferenceToAscii(STF_statusList_t *, const GEN_FontReference_t *value,
                                 char *buffer) {
  return genu::Fill(buffer, genu::FontReferenceText(value));
}

char *GENU__NumbersUpToAscii(STF_statusList_t *, const GEN_NumbersUpSupported_t *value,
                             char *buffer) {
  return genu::Fill(buffer, genu::NumbersUpText(value));
}

char *GENU__CardOrNoidToAscii(STF_statusList_t *, const GEN_CardinalOrNoid_t *value, char *buffer) {
  return genu::Fill(buffer, genu::CardOrNoidText(value));
}

char *GENU__NameOrOidToAscii(STF_statusList_t *, const GEN_NameOrOID_t *value, char *buffer) {
  return genu::Fill(buffer, value ? genu::NameOrOidQualified(value) : "<null>");
}

char *GENU__PageIdTypeToAscii(STF_statusList_t *, const GEN_PageIdType_t *value, char *buffer) {
  return genu::Fill(buffer, value ? genu::PageIdTypeText(value) : "<null>");
}

char *GENU__PageIdentToAscii(STF_statusList_t *, const GEN_PageIdentifier_t *value, char *buffer) {
  return genu::Fill(buffer, genu::PageIdentText(value));
}

char *GENU__DelAddrToAscii(STF_statusList_t *, const GEN_DeliveryAddress_t *value, char *buffer) {
  return genu::Fill(buffer, value ? genu::DelAddrText(value) : "<null>");
}

char *GENU__DistNameStringToAscii(STF_statusList_t *, const GEN_DistNameString_t *value,
                                  char *buffer) {
  return genu::Fill(buffer, value ? genu::DistNameText(value) : "<null>");
}

char *GENU__EdgeToAscii(STF_statusList_t *, const GEN_Edge_t *value, char *buffer) {
  return genu::Fill(buffer, value ? genu::EdgeText(value) : "<null>");
}

char *GENU_EHPToAscii(STF_statusList_t *, const GEN_EventHandlingProfile_t *value, char *buffer) {
  std::string out;
  if (value) {
    for (const std::string &line : genu::EventProfileLines(value)) {
      if (!out.empty()) out += "\n";
      out += line;
    }
  }
  return genu::Fill(buffer, out);
}

char *GENU__SimpleACLtoAscii(STF_statusList_t *, const char *leader, const char *separator,
                             const GEN_SeqOfSimpleName_t *list, char *buffer) {
  if (!buffer) return nullptr;
  const char *lead = leader ? leader : "";
  std::string out;
  const GEN_ValueSeq_t *n = list ? list->first : nullptr;
  if (n || lead[0] == '.') out = lead;
  for (bool first = true; n; n = n->next, first = false) {
    if (!first && separator) out += separator;
    out += genu::Chars(static_cast<const GEN_SimpleName_t *>(n->value));
  }
  genu::Fill(buffer, out);
  return buffer + strlen(buffer);
}

char *GENU__SimpleNameToAscii(STF_statusList_t *sl, const GEN_SimpleName_t *value) {
  char *out = nullptr;
  if (!sl || !value || GENU_ExtractSimpleName(sl, &out, value, nullptr)) return nullptr;
  return out;
}

char *GENU__TextToAscii(STF_statusList_t *sl, const GEN_Text_t *value) {
  char *out = nullptr;
  if (!sl || !value || GENU_ExtractText(sl, &out, value, nullptr)) return nullptr;
  return out;
}

}  // extern "C"
