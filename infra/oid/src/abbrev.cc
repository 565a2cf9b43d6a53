// Lookup by abbreviation: every "-"-separated component of the abbreviation is a
// prefix of the matching name's component. Results are not cached.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "private/oid_db.h"

using kq::oid::Fail;
using kq::oid::FileUse;

namespace {

constexpr int kNoList = -1;

// Gives the list of matches to the caller, or frees it when nobody takes it.
void Hand(OID_nameSeq_t *list, OID_nameSeq_t **listOut) {
  if (listOut) {
    *listOut = list;
  } else {
    OID_DeleteNameSeq(list);
  }
}

uint32_t Abbrev(STF_statusList_t *status, OID_dbBlock *block, const char *abbrev,
                unsigned char *binaryOut, unsigned char *charsOut, OID_nameSeq_t **listOut,
                int keepList) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (listOut) *listOut = nullptr;
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!abbrev || !isalnum(static_cast<unsigned char>(abbrev[0])) ||
      strnlen(abbrev, OID_NAME_MAX) >= OID_NAME_MAX || !binaryOut) {
    return Fail(status, OID_ST_NOT_FOUND);
  }
  std::string index, record;
  {
    FileUse main, locale;
    if (uint32_t st = main.Take(block, OID_FILE_MAIN)) return Fail(status, st);
    if (uint32_t st = locale.Take(block, OID_FILE_LOCALE)) return Fail(status, st);
    datum key{const_cast<char *>(abbrev), static_cast<int32_t>(strlen(abbrev))};
    OID_nameSeq_t *list = nullptr;
    datum found = KQBM_fetchAbbrev(locale.db(), key, keepList == kNoList ? nullptr : &list,
                                   keepList == kNoList ? 0 : keepList);
    if (!found.dptr) {
      if (found.dsize == KQBM_ABBREV_AMBIGUOUS) {
        Hand(list, listOut);
        return Fail(status, OID_ST_AMBIGUOUS);
      }
      OID_DeleteNameSeq(list);
      return Fail(status,
                  found.dsize == KQBM_ABBREV_NO_MEMORY ? OID_ST_NO_MEMORY : OID_ST_NOT_FOUND);
    }
    index.assign(found.dptr, strnlen(found.dptr, static_cast<size_t>(found.dsize)));
    Hand(list, listOut);
    if (!main.Fetch(index, &record)) record.clear();
  }
  const auto *bin = reinterpret_cast<const unsigned char *>(record.data());
  if (!kq::oid::IsBinaryAndChars(record)) {
    if (listOut) {
      OID_DeleteNameSeq(*listOut);
      *listOut = nullptr;
    }
    return Fail(status, OID_ST_INCONSISTENT);
  }
  OID_CopyBinary(binaryOut, bin);
  if (charsOut) memcpy(charsOut, bin + bin[1] + 2, OID_CHARS_LEN);
  return 0;
}

}  // namespace

extern "C" {

uint32_t OID_LookupAbbrev(STF_statusList_t *status, OID_dbBlock_t *block, const char *abbrev,
                          unsigned char *binaryOut, unsigned char *charsOut) {
  return Abbrev(status, block, abbrev, binaryOut, charsOut, nullptr, kNoList);
}

uint32_t OID_LookupAbbrev_A(STF_statusList_t *status, OID_dbBlock_t *block, const char *abbrev,
                            unsigned char *binaryOut, unsigned char *charsOut,
                            OID_nameSeq_t **listOut) {
  return Abbrev(status, block, abbrev, binaryOut, charsOut, listOut, 0);
}

uint32_t OID_LookupAbbrev_N(STF_statusList_t *status, OID_dbBlock_t *block, const char *abbrev,
                            unsigned char *binaryOut, unsigned char *charsOut,
                            OID_nameSeq_t **listOut) {
  return Abbrev(status, block, abbrev, binaryOut, charsOut, listOut, 1);
}

void OID_DeleteNameSeq(OID_nameSeq_t *list) {
  while (list) {
    OID_nameSeq_t *next = list->next;
    free(list);
    list = next;
  }
}

}  // extern "C"
