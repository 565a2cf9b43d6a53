// BER form, binary form and name to short OID: a binary search of the compiled
// indexes, then the dynamic database for identifiers the table does not know.
#include <cstdio>
#include <cstring>
#include <string>

#include "infra/genu_oid.h"
#include "infra/svclog.h"
#include "private/oidconv_dynamic.h"
#include "private/oidconv_table.h"

namespace kq::genu {

namespace {

std::string Hex(const unsigned char *p, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; i++) {
    snprintf(b, sizeof b, "%02x", p[i]);
    s += b;
  }
  return s;
}

// The dynamic record under `key` holds the shoid in decimal.
int FromDynamic(STF_statusList_t *status, const char *function, DynamicAnnounce announce,
                const char *key, int32_t keyLength, const char *keyText, uint32_t *shoidOut) {
  datum content{};
  uint32_t st = DynamicLookup(function, announce, key, keyLength, keyText, &content);
  if (st) return STF__Fail(status, st);
  if (!ParseShoid(content, shoidOut)) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "Yes!! --- shoid = %u\n", *shoidOut);
  return 0;
}

// Both BER and binary input end here with the binary form (tag, length, octets).
int FromBinary(STF_statusList_t *status, const char *function, const unsigned char *binary,
               uint32_t *shoidOut) {
  int64_t e = FindBer(binary + 2, binary[1]);
  if (e >= 0) {
    *shoidOut = ShortOfEntry(static_cast<uint32_t>(e));
    return 0;
  }
  size_t len = static_cast<size_t>(binary[1]) + 2;
  std::string text = Hex(binary, len);
  return FromDynamic(status, function, DynamicAnnounce::kMaybeDynamic,
                     reinterpret_cast<const char *>(binary), static_cast<int32_t>(len),
                     text.c_str(), shoidOut);
}

}  // namespace

}  // namespace kq::genu

using namespace kq::genu;

extern "C" {

int GENU_BerToShortOID(STF_statusList_t *status, const GENU_berOid_t *ber, uint32_t *shoidOut) {
  if (!status) return 1;
  if (!ber || !shoidOut || !ber->value || ber->length == 0 || ber->length > 127) {
    return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  }
  unsigned char binary[2 + 127];
  binary[0] = 6;
  binary[1] = static_cast<unsigned char>(ber->length);
  memcpy(binary + 2, ber->value, ber->length);
  return FromBinary(status, "GENU_BerToShortOID", binary, shoidOut);
}

int GENU_BinaryToShortOID(STF_statusList_t *status, const unsigned char *binary,
                          uint32_t *shoidOut) {
  if (!status) return 1;
  if (!binary || !shoidOut || binary[0] != 6 || binary[1] == 0 || binary[1] > 127) {
    return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  }
  return FromBinary(status, "GENU_BinaryToShortOID", binary, shoidOut);
}

int GENU_AsciiToShortOID(STF_statusList_t *status, const char *name, uint32_t *shoidOut) {
  if (!status) return 1;
  if (!name || !*name || !shoidOut) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  int64_t e = FindName(name);
  if (e >= 0) {
    *shoidOut = ShortOfEntry(static_cast<uint32_t>(e));
    return 0;
  }
  size_t len = strnlen(name, KQBM_MAX_KEY + 1);
  if (len > KQBM_MAX_KEY) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  return FromDynamic(status, "GENU_AsciiToShortOID", DynamicAnnounce::kIsDynamic, name,
                     static_cast<int32_t>(len), name, shoidOut);
}

int GENU_PrefixToShortOID(STF_statusList_t *status, const char *name, const char *prefix,
                          uint32_t *shoidOut) {
  if (!status) return 1;
  if (!name) {
    if (shoidOut) *shoidOut = 0;
    return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  }
  if (!prefix || strncmp(name, prefix, strlen(prefix)) == 0) {
    return GENU_AsciiToShortOID(status, name, shoidOut);
  }
  std::string joined;
  try {
    joined = std::string(prefix) + name;
  } catch (const std::bad_alloc &) {
    return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  }
  return GENU_AsciiToShortOID(status, joined.c_str(), shoidOut);
}

}  // extern "C"
