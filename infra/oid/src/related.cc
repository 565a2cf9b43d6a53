// Lookups of related records: the "supported" and "ready" attributes of the link
// file, object class and syntax records, and value class ids.
#include <cstdio>
#include <cstring>
#include <string>

#include "infra/genu_oid.h"
#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "private/oid_db.h"

using kq::oid::BinaryKey;
using kq::oid::Fail;
using kq::oid::FileUse;
using kq::oid::GoodBinary;

namespace {

enum Related { kSupported = 0, kReady = 2 };  // positions in a link-file record

uint32_t FindRelated(OID_dbBlock *block, const unsigned char *binary, Related which,
                     unsigned char *binaryOut) {
  std::string content;
  {
    FileUse link;
    if (uint32_t st = link.Take(block, OID_FILE_LINK)) return st;
    if (!link.Fetch(BinaryKey(binary), &content)) return OID_ST_NOT_FOUND;
  }
  size_t p = 0;
  for (int i = 0; i < which; i++) {
    if (p + 2 > content.size()) return OID_ST_INCONSISTENT;
    p += 2 + static_cast<unsigned char>(content[p + 1]);
  }
  if (p + 2 > content.size()) return OID_ST_INCONSISTENT;
  size_t len = static_cast<unsigned char>(content[p + 1]);
  if (len == 0) return OID_ST_NO_RELATED;
  if (content[p] != 6 || p + 2 + len > content.size()) return OID_ST_INCONSISTENT;
  OID_CopyBinary(binaryOut, reinterpret_cast<const unsigned char *>(content.data() + p));
  return 0;
}

uint32_t RelatedFromBinary(STF_statusList_t *status, OID_dbBlock *block,
                           const unsigned char *binary, Related which, unsigned char *binaryOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!GoodBinary(binary) || !binaryOut) return Fail(status, OID_ST_BAD_BINARY);
  uint32_t st = FindRelated(block, binary, which, binaryOut);
  return st ? Fail(status, st) : 0;
}

uint32_t RelatedFromShort(STF_statusList_t *status, OID_dbBlock *block, uint32_t shoid,
                          Related which, uint32_t *shoidOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  const unsigned char *binary = kq::oid::ShortToBinary(shoid);
  if (!binary || !shoidOut) return Fail(status, OID_ST_SHORT_UNKNOWN);
  unsigned char related[OID_BINARY_MAX];
  if (uint32_t st = FindRelated(block, binary, which, related)) return Fail(status, st);
  return GENU_BinaryToShortOID(kq::stf::ScratchList(), related, shoidOut)
             ? Fail(status, OID_ST_NO_RELATED)
             : 0;
}

// The "C%03d" and "S%04d" records: binary OID and characteristics of that kind.
uint32_t NumberedRecord(STF_statusList_t *status, OID_dbBlock *block, const char *format,
                        uint32_t number, int kind, unsigned char *binaryOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (number > 255) return Fail(status, OID_ST_OUT_OF_RANGE);
  if (!binaryOut) return Fail(status, OID_ST_NOT_FOUND);
  char key[8];
  snprintf(key, sizeof key, format, number);
  std::string content;
  {
    FileUse main;
    if (uint32_t st = main.Take(block, OID_FILE_MAIN)) return Fail(status, st);
    if (!main.Fetch(key, strlen(key), &content)) return Fail(status, OID_ST_NOT_FOUND);
  }
  if (!kq::oid::IsBinaryAndChars(content)) return Fail(status, OID_ST_INCONSISTENT);
  const auto *bin = reinterpret_cast<const unsigned char *>(content.data());
  if ((bin[bin[1] + 3] >> 4) != kind) return Fail(status, OID_ST_WRONG_KIND);
  OID_CopyBinary(binaryOut, bin);
  return 0;
}

}  // namespace

extern "C" {

uint32_t OID_LookupSupportedFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                       const unsigned char *binary, unsigned char *binaryOut) {
  return RelatedFromBinary(status, block, binary, kSupported, binaryOut);
}

uint32_t OID_LookupReadyFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                   const unsigned char *binary, unsigned char *binaryOut) {
  return RelatedFromBinary(status, block, binary, kReady, binaryOut);
}

uint32_t OID_LookupSupportedFromShort(STF_statusList_t *status, OID_dbBlock_t *block,
                                      uint32_t shoid, uint32_t *shoidOut) {
  return RelatedFromShort(status, block, shoid, kSupported, shoidOut);
}

uint32_t OID_LookupReadyFromShort(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t shoid,
                                  uint32_t *shoidOut) {
  return RelatedFromShort(status, block, shoid, kReady, shoidOut);
}

uint32_t OID_LookupObjectClass(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t number,
                               unsigned char *binaryOut) {
  return NumberedRecord(status, block, "C%03u", number, OID_KIND_OBJECT_CLASS, binaryOut);
}

uint32_t OID_LookupSyntax(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t number,
                          unsigned char *binaryOut) {
  return NumberedRecord(status, block, "S%04u", number, OID_KIND_SYNTAX, binaryOut);
}

uint32_t OID_LookupValueClass(STF_statusList_t *status, OID_dbBlock_t *block, const char *name,
                              uint16_t *idOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!name || !*name || strnlen(name, OID_VC_NAME_MAX + 1) > OID_VC_NAME_MAX || !idOut) {
    return Fail(status, OID_ST_VC_UNKNOWN);
  }
  std::string key = std::string("VC-") + name;
  unsigned char binary[OID_BINARY_MAX];
  unsigned char chars[OID_CHARS_LEN];
  uint32_t st = OID_LookupName(kq::stf::ScratchList(), block, key.c_str(), binary, chars);
  if (st) {
    LOG_COND_MESSAGE(LOG_SEV_OIDDB, "%s not found", name);
    return Fail(status, OID_ST_VC_UNKNOWN);
  }
  *idOut = static_cast<uint16_t>(chars[5] << 8 | chars[6]);
  return 0;
}

}  // extern "C"
