// Which catalogue file and which set hold the text of a status code.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "private/msg_internal.h"

namespace {

constexpr uint32_t kNoStatus = STF_ST_NO_STATUS;

uint16_t FacilityWord(uint32_t code) { return static_cast<uint16_t>(code >> 16); }
uint32_t FacilityClass(uint32_t code) { return code >> 30; }
uint32_t FacilityNumber(uint32_t code) { return FacilityWord(code) & 0x3fffu; }

}  // namespace

extern "C" {

// The installed file names: "C0" and two hex digits, except that where the low
// digit is C..F the second character is the letter O (and for 0x0c..0x0e the
// first digit too), and two facilities have names of their own.
const char *const MSG__sharedMsgNames[256] = {
    "C000",     "C001", "C002", "C003", "C004", "C005", "C006", "C007", "C008",   "C009", "C00A",
    "C00B",     "COOC", "COOD", "COOE", "CO0F", "C010", "C011", "C012", "dpaapi", "C014", "C015",
    "kqsvclog", "C017", "C018", "C019", "C01A", "C01B", "CO1C", "CO1D", "CO1E",   "CO1F", "C020",
    "C021",     "C022", "C023", "C024", "C025", "C026", "C027", "C028", "C029",   "C02A", "C02B",
    "CO2C",     "CO2D", "CO2E", "CO2F", "C030", "C031", "C032", "C033", "C034",   "C035", "C036",
    "C037",     "C038", "C039", "C03A", "C03B", "CO3C", "CO3D", "CO3E", "CO3F",   "C040", "C041",
    "C042",     "C043", "C044", "C045", "C046", "C047", "C048", "C049", "C04A",   "C04B", "CO4C",
    "CO4D",     "CO4E", "CO4F", "C050", "C051", "C052", "C053", "C054", "C055",   "C056", "C057",
    "C058",     "C059", "C05A", "C05B", "CO5C", "CO5D", "CO5E", "CO5F", "C060",   "C061", "C062",
    "C063",     "C064", "C065", "C066", "C067", "C068", "C069", "C06A", "C06B",   "CO6C", "CO6D",
    "CO6E",     "CO6F", "C070", "C071", "C072", "C073", "C074", "C075", "C076",   "C077", "C078",
    "C079",     "C07A", "C07B", "CO7C", "CO7D", "CO7E", "CO7F", "C080", "C081",   "C082", "C083",
    "C084",     "C085", "C086", "C087", "C088", "C089", "C08A", "C08B", "CO8C",   "CO8D", "CO8E",
    "CO8F",     "C090", "C091", "C092", "C093", "C094", "C095", "C096", "C097",   "C098", "C099",
    "C09A",     "C09B", "CO9C", "CO9D", "CO9E", "CO9F", "C0A0", "C0A1", "C0A2",   "C0A3", "C0A4",
    "C0A5",     "C0A6", "C0A7", "C0A8", "C0A9", "C0AA", "C0AB", "COAC", "COAD",   "COAE", "COAF",
    "C0B0",     "C0B1", "C0B2", "C0B3", "C0B4", "C0B5", "C0B6", "C0B7", "C0B8",   "C0B9", "C0BA",
    "C0BB",     "COBC", "COBD", "COBE", "COBF", "C0C0", "C0C1", "C0C2", "C0C3",   "C0C4", "C0C5",
    "C0C6",     "C0C7", "C0C8", "C0C9", "C0CA", "C0CB", "COCC", "COCD", "COCE",   "COCF", "C0D0",
    "C0D1",     "C0D2", "C0D3", "C0D4", "C0D5", "C0D6", "C0D7", "C0D8", "C0D9",   "C0DA", "C0DB",
    "CODC",     "CODD", "CODE", "CODF", "C0E0", "C0E1", "C0E2", "C0E3", "C0E4",   "C0E5", "C0E6",
    "C0E7",     "C0E8", "C0E9", "C0EA", "C0EB", "COEC", "COED", "COEE", "COEF",   "C0F0", "C0F1",
    "C0F2",     "C0F3", "C0F4", "C0F5", "C0F6", "C0F7", "C0F8", "C0F9", "C0FA",   "C0FB", "COFC",
    "COFD",     "COFE", "COFF",
};

uint32_t MSG__TranslateCode(uint32_t source, uint32_t code) {
  return (source == STF_SRC_STF && code == 0) ? kNoStatus : code;
}

bool MSG__IsShared(uint32_t code) { return FacilityClass(code) == 3; }
bool MSG__IsAppSpecRep(uint32_t code) { return FacilityClass(code) == 1; }
bool MSG__IsAppSpecNonRep(uint32_t code) { return FacilityClass(code) == 0; }

bool MSG__CatalogueName(uint32_t code, const char *appName, char *out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  int n = -1;
  if (MSG__IsShared(code)) {
    uint32_t number = FacilityNumber(code);
    if (number >= 256) return false;
    n = snprintf(out, size, "%s.cat", MSG__sharedMsgNames[number]);
  } else if (MSG__IsAppSpecRep(code) || MSG__IsAppSpecNonRep(code)) {
    if (!appName || !*appName) return false;
    char lower[MSG_APP_NAME_MAX] = {};
    size_t keep = MSG__IsAppSpecRep(code) ? 4 : MSG_APP_NAME_MAX - 1;
    for (size_t i = 0; i < keep && appName[i]; ++i) {
      lower[i] = static_cast<char>(tolower(static_cast<unsigned char>(appName[i])));
    }
    if (MSG__IsAppSpecRep(code)) {
      char word[8];
      snprintf(word, sizeof word, "%04X", FacilityWord(code));
      n = snprintf(out, size, "%s%s.cat", lower, word);
    } else {
      n = snprintf(out, size, "%s.cat", lower);
    }
  } else {
    return false;  // class 2 is not used
  }
  return n > 0 && static_cast<size_t>(n) < size;
}

int MSG__SetNumber(uint32_t source, uint32_t code) {
  if (source != STF_SRC_STF && source != STF_SRC_MSG) return 0;
  if (MSG__IsShared(code) || MSG__IsAppSpecRep(code)) return source == STF_SRC_STF ? 2 : 1;
  if (MSG__IsAppSpecNonRep(code)) {
    // Numbered sets: each facility owns a pair, MSG texts first.
    int f = static_cast<int>(FacilityNumber(code));
    int set = source == STF_SRC_STF ? 2 * f : 2 * f - 1;
    return set > 0 ? set : 0;
  }
  return 0;
}

void MSG__SourceName(uint32_t source, char *out, size_t size) {
  switch (source) {
    case STF_SRC_STF:
      snprintf(out, size, "STF");
      break;
    case STF_SRC_MSG:
      snprintf(out, size, "MSG");
      break;
    case STF_SRC_ERRNO:
      snprintf(out, size, "ERRNO");
      break;
    default:
      snprintf(out, size, "%04x", source);
      break;
  }
}

}  // extern "C"
