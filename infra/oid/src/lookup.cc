// Lookups by name, binary OID and short OID, with the caches in front, and the
// descriptor texts.
#include <cstring>
#include <string>

#include "infra/genu_oid.h"
#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

using kq::oid::BinaryKey;
using kq::oid::Fail;
using kq::oid::FileUse;
using kq::oid::GoodBinary;
using kq::oid::MainRecord;

namespace kq::oid {

bool MainRecord::Parse(const std::string &content) {
  size_t nul = content.find('\0');
  if (nul == std::string::npos || nul == 0 || content.size() < nul + 1 + OID_CHARS_LEN) {
    return false;
  }
  index = content.substr(0, nul);
  chars = content.substr(nul + 1, OID_CHARS_LEN);
  aliases.clear();
  for (size_t p = nul + 1 + OID_CHARS_LEN; p < content.size();) {
    size_t end = content.find('\0', p);
    if (end == std::string::npos) return false;
    if (end == p) break;  // the empty string ends the list
    aliases.push_back(content.substr(p, end - p));
    p = end + 1;
  }
  return true;
}

std::string MainRecord::Serialise() const {
  std::string s = index + '\0' + chars;
  for (const std::string &a : aliases) s += a + '\0';
  return s + '\0';
}

uint32_t ReadIdentifier(OID_dbBlock *block, const unsigned char *binary, MainRecord *record,
                        std::string *name, std::string *descriptor) {
  FileUse main;
  if (uint32_t st = main.Take(block, OID_FILE_MAIN)) return st;
  std::string content;
  if (!main.Fetch(BinaryKey(binary), &content)) return OID_ST_NOT_FOUND;
  if (!record->Parse(content)) return OID_ST_INCONSISTENT;
  if (!name && !descriptor) return 0;
  FileUse locale;
  if (uint32_t st = locale.Take(block, OID_FILE_LOCALE)) return st;
  if (!locale.Fetch(record->index, &content)) return OID_ST_INCONSISTENT;
  size_t nul = content.find('\0');
  if (nul == std::string::npos) return OID_ST_INCONSISTENT;
  if (name) *name = content.substr(0, nul);
  if (descriptor) {
    size_t end = content.find('\0', nul + 1);
    *descriptor = content.substr(nul + 1, end == std::string::npos ? end : end - nul - 1);
  }
  return 0;
}

const unsigned char *ShortToBinary(uint32_t shoid) {
  const unsigned char *binary = nullptr;
  if (GENU_ShortToBinaryOID(kq::stf::ScratchList(), shoid, &binary) != 0) binary = nullptr;
  return binary;
}

}  // namespace kq::oid

namespace {

void CopyName(const std::string &name, char *out) {
  size_t n = name.size() < OID_NAME_MAX - 1 ? name.size() : OID_NAME_MAX - 1;
  memcpy(out, name.data(), n);
  out[n] = '\0';
}

// Name -> locale index (locale file) -> binary OID and characteristics (main file).
uint32_t ResolveName(OID_dbBlock *block, const char *name, std::string *record) {
  FileUse main, locale;
  if (uint32_t st = main.Take(block, OID_FILE_MAIN)) return st;
  if (uint32_t st = locale.Take(block, OID_FILE_LOCALE)) return st;
  std::string index;
  if (!locale.Fetch(name, strlen(name), &index)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "%s not found in locale file!!\n", name);
    return OID_ST_NOT_FOUND;
  }
  if (!index.empty() && index.back() == '\0') index.pop_back();
  if (!main.Fetch(index, record) || !kq::oid::IsBinaryAndChars(*record)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "locale index %s not found in locale file !!\n", index.c_str());
    return OID_ST_INCONSISTENT;
  }
  return 0;
}

// The binary path of the lookups: binary cache, then the files; the entry goes into
// the binary cache with the name when one was asked for.
uint32_t LookupBinary(OID_dbBlock *block, const unsigned char *binary, char *nameOut,
                      unsigned char *charsOut) {
  THR_LockMutex(&OID__binaryCacheMutex);
  uint32_t st = OID__LookupNBCache(&OID__binaryCache, binary, nameOut, charsOut);
  THR_UnlockMutex(&OID__binaryCacheMutex);
  if (st == 0) return 0;
  MainRecord record;
  std::string name;
  st = kq::oid::ReadIdentifier(block, binary, &record, nameOut ? &name : nullptr, nullptr);
  if (st) return st;
  if (nameOut) CopyName(name, nameOut);
  if (charsOut) memcpy(charsOut, record.chars.data(), OID_CHARS_LEN);
  THR_LockMutex(&OID__binaryCacheMutex);
  OID__AddToNBCache(&OID__binaryCache, binary, nameOut ? name.c_str() : nullptr,
                    reinterpret_cast<const unsigned char *>(record.chars.data()));
  THR_UnlockMutex(&OID__binaryCacheMutex);
  return 0;
}

}  // namespace

extern "C" {

uint32_t OID_LookupName(STF_statusList_t *status, OID_dbBlock_t *block, const char *name,
                        unsigned char *binaryOut, unsigned char *charsOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!name || !*name || strnlen(name, OID_NAME_MAX) >= OID_NAME_MAX || !binaryOut) {
    return Fail(status, OID_ST_NOT_FOUND);
  }
  THR_LockMutex(&OID__nameCacheMutex);
  uint32_t st = OID__LookupNBCache(&OID__nameCache, name, binaryOut, charsOut);
  THR_UnlockMutex(&OID__nameCacheMutex);
  if (st == 0) {
    binaryOut[binaryOut[1] + 2] = 0;
    return 0;
  }
  std::string record;
  if ((st = ResolveName(block, name, &record))) return Fail(status, st);
  const auto *bin = reinterpret_cast<const unsigned char *>(record.data());
  const unsigned char *chars = bin + bin[1] + 2;
  OID_CopyBinary(binaryOut, bin);
  if (charsOut) memcpy(charsOut, chars, OID_CHARS_LEN);
  THR_LockMutex(&OID__nameCacheMutex);
  OID__AddToNBCache(&OID__nameCache, name, bin, chars);
  THR_UnlockMutex(&OID__nameCacheMutex);
  return 0;
}

uint32_t OID_LookupBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                          const unsigned char *binary, char *nameOut, unsigned char *charsOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!GoodBinary(binary)) return Fail(status, OID_ST_BAD_BINARY);
  uint32_t st = LookupBinary(block, binary, nameOut, charsOut);
  return st ? Fail(status, st) : 0;
}

uint32_t OID_LookupShort(STF_statusList_t *status, OID_dbBlock_t *block, uint32_t shoid,
                         char *nameOut, unsigned char *charsOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  THR_LockMutex(&OID__shortCacheMutex);
  uint32_t st = OID__LookupShortCache(shoid, nameOut, charsOut);
  THR_UnlockMutex(&OID__shortCacheMutex);
  if (st == 0) return 0;
  const unsigned char *binary = nullptr;
  if (GENU_ShortToBinaryOID(kq::stf::ScratchList(), shoid, &binary))
    return Fail(status, OID_ST_NOT_FOUND);
  if (!GoodBinary(binary)) return Fail(status, OID_ST_BAD_BINARY);
  // Both name and characteristics are read, so the cached entry answers either.
  char name[OID_NAME_MAX];
  unsigned char chars[OID_CHARS_LEN];
  if ((st = LookupBinary(block, binary, name, chars))) return Fail(status, st);
  if (nameOut) memcpy(nameOut, name, strlen(name) + 1);
  if (charsOut) memcpy(charsOut, chars, OID_CHARS_LEN);
  THR_LockMutex(&OID__shortCacheMutex);
  OID__AddToShortCache(shoid, name, chars);
  THR_UnlockMutex(&OID__shortCacheMutex);
  return 0;
}

uint32_t OID_LookupDescriptorFromBinary(STF_statusList_t *status, OID_dbBlock_t *block,
                                        const unsigned char *binary, char *textOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!GoodBinary(binary)) return Fail(status, OID_ST_BAD_BINARY);
  if (!textOut) return Fail(status, OID_ST_NOT_FOUND);
  MainRecord record;
  std::string text;
  if (uint32_t st = kq::oid::ReadIdentifier(block, binary, &record, nullptr, &text)) {
    return Fail(status, st);
  }
  size_t n = text.size() < OID_TEXT_MAX - 1 ? text.size() : OID_TEXT_MAX - 1;
  memcpy(textOut, text.data(), n);
  textOut[n] = '\0';
  return 0;
}

uint32_t OID_LookupDescriptorFromShort(STF_statusList_t *status, OID_dbBlock_t *block,
                                       uint32_t shoid, char *textOut) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  const unsigned char *binary = kq::oid::ShortToBinary(shoid);
  if (!binary) return Fail(status, OID_ST_SHORT_UNKNOWN);
  return OID_LookupDescriptorFromBinary(status, block, binary, textOut);
}

}  // extern "C"
