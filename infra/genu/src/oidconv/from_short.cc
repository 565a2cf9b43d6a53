// Short OID to BER form, binary form, name and value type. Static short OIDs index
// the compiled table; dynamic ones (top bit set) read the "b-%u" or "a-%u" record
// of the dynamic database.
#include <cstdio>

#include "infra/genu_oid.h"
#include "private/oidconv_dynamic.h"
#include "private/oidconv_table.h"

namespace kq::genu {

namespace {

// The "b-%u" record of a dynamic shoid: binary form then the value type byte.
uint32_t DynamicBinary(const char *function, uint32_t shoid, const unsigned char **binary) {
  char key[16];
  int len = snprintf(key, sizeof key, "b-%u", shoid);
  datum content{};
  uint32_t st = DynamicLookup(function, DynamicAnnounce::kIsDynamic, key, len, key, &content);
  if (st) return st;
  const auto *p = reinterpret_cast<const unsigned char *>(content.dptr);
  if (content.dsize < 3 || p[0] != 6 || p[1] + 3 > content.dsize) return GENU_ST_OID_UNKNOWN;
  *binary = p;
  return 0;
}

// The table entry of a static shoid, or the failure code.
uint32_t StaticEntry(uint32_t shoid, const OidEntry **entry) {
  int64_t e = EntryOfShort(shoid);
  if (e < 0) return GENU_ST_OID_UNKNOWN;
  *entry = &oidTable[e];
  return 0;
}

}  // namespace

}  // namespace kq::genu

using namespace kq::genu;

extern "C" {

int GENU_ShortToBerOID(STF_statusList_t *status, uint32_t shoid, GENU_berOid_t *berOut) {
  if (!status) return 1;
  if (!berOut) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  if (shoid & GENU_OID_DYNAMIC) {
    const unsigned char *binary = nullptr;
    uint32_t st = DynamicBinary("GENU_ShortToBerOID", shoid, &binary);
    if (st) return STF__Fail(status, st);
    berOut->length = binary[1];
    berOut->value = binary + 2;
    return 0;
  }
  const OidEntry *e = nullptr;
  uint32_t st = StaticEntry(shoid, &e);
  if (st || !e->ber) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  *berOut = *e->ber;
  return 0;
}

int GENU_ShortToBinaryOID(STF_statusList_t *status, uint32_t shoid,
                          const unsigned char **binaryOut) {
  if (!status) return 1;
  if (!binaryOut) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  if (shoid & GENU_OID_DYNAMIC) {
    uint32_t st = DynamicBinary("GENU_ShortToBinaryOID", shoid, binaryOut);
    return st ? STF__Fail(status, st) : 0;
  }
  const OidEntry *e = nullptr;
  if (uint32_t st = StaticEntry(shoid, &e)) return STF__Fail(status, st);
  *binaryOut = e->binary;  // null for a withdrawn entry: callers check
  return 0;
}

const char *GENU_ShortOIDToAscii(uint32_t shoid) {
  if (shoid & GENU_OID_DYNAMIC) {
    char key[16];
    int len = snprintf(key, sizeof key, "a-%u", shoid);
    datum content{};
    if (DynamicLookup("GENU_ShortOIDToAscii", DynamicAnnounce::kIsDynamic, key, len, key,
                      &content) ||
        content.dsize < 1 || content.dptr[content.dsize - 1] != '\0') {
      return "unknown";
    }
    return content.dptr;
  }
  const OidEntry *e = nullptr;
  return StaticEntry(shoid, &e) ? "unknown" : e->name;
}

int GENU_AttrIdToType(STF_statusList_t *status, uint32_t shoid, uint32_t *typeOut) {
  if (!status) return 1;
  if (!typeOut) return STF__Fail(status, GENU_ST_OID_UNKNOWN);
  if (shoid & GENU_OID_DYNAMIC) {
    const unsigned char *binary = nullptr;
    uint32_t st = DynamicBinary("GENU_AttrIdToType", shoid, &binary);
    if (st) return STF__Fail(status, st);
    *typeOut = binary[binary[1] + 2];
    return 0;
  }
  const OidEntry *e = nullptr;
  if (uint32_t st = StaticEntry(shoid, &e)) return STF__Fail(status, st);
  *typeOut = e->type;
  return 0;
}

}  // extern "C"
