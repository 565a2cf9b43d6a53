// Adding identifiers and names, and deleting identifiers. A change is a list of
// stores applied in order; when one fails, those already made are undone.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/svclog.h"
#include "private/oid_db.h"

using kq::oid::BinaryKey;
using kq::oid::Fail;
using kq::oid::FileUse;
using kq::oid::GoodBinary;
using kq::oid::MainRecord;

namespace {

struct Store {
  const FileUse *file;
  const char *fileName;  // for the log
  std::string key, content;
  int mode;              // KQBM_INSERT or KQBM_REPLACE
  std::string previous;  // what a replace overwrote
};

std::string Str(const char *s) { return std::string(s, strlen(s)); }
std::string WithNul(const std::string &s) { return s + '\0'; }

// Applies the stores; on a failure undoes the earlier ones. Returns 0, or adds
// OID_ST_INCONSISTENT (OID_ST_NO_MEMORY when memory ran out) and, if the undoing
// failed too, OID_ST_ROLLBACK_FAILED.
uint32_t Apply(STF_statusList_t *status, const char *function, std::vector<Store> &stores) {
  for (size_t i = 0; i < stores.size(); i++) {
    Store &s = stores[i];
    if (s.mode == KQBM_REPLACE) s.file->Fetch(s.key, &s.previous);
    uint32_t st = s.file->Store(s.key, s.content, s.mode);
    if (!st) continue;
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: %s, failed to store %s in %s file.  result = %u\n",
                     function, s.key.c_str(), s.fileName, st);
    bool undone = true;
    while (i-- > 0) {
      const Store &u = stores[i];
      uint32_t ust = u.mode == KQBM_REPLACE ? u.file->Store(u.key, u.previous, KQBM_REPLACE)
                                            : u.file->Delete(u.key);
      if (ust) {
        LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: %s, failed to remove %s from %s file.  result = %u\n",
                         function, u.key.c_str(), u.fileName, ust);
        undone = false;
      }
    }
    Fail(status, st == KQBM_ST_NO_MEMORY ? OID_ST_NO_MEMORY : OID_ST_INCONSISTENT);
    return undone ? STF_GetStatus(status) : Fail(status, OID_ST_ROLLBACK_FAILED);
  }
  return 0;
}

// The next locale index: one more than "last-locale-index".
uint32_t NextIndex(const FileUse &locale, const char *function, std::string *index) {
  std::string last;
  if (!locale.Fetch(Str(OID_LAST_INDEX_KEY), &last)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "OID: %s, last-locale-index not found\n", function);
    return OID_ST_INCONSISTENT;
  }
  *index = std::to_string(atoi(last.c_str()) + 1);
  return 0;
}

bool GoodName(const char *name) {
  return name && *name && strnlen(name, OID_NAME_MAX) < OID_NAME_MAX;
}

// The stores that register one more name with its own locale index.
void NameStores(const FileUse &main, const FileUse &locale, const std::string &name,
                const std::string &index, const std::string &binKey, const std::string &chars,
                std::vector<Store> &out) {
  out.push_back({&locale, "locale", name, WithNul(index), KQBM_INSERT, {}});
  out.push_back({&locale, "locale", index, WithNul(name) + '\0', KQBM_INSERT, {}});
  out.push_back({&main, "main", index, binKey + chars, KQBM_INSERT, {}});
}

uint32_t TakeBoth(OID_dbBlock *block, FileUse &main, FileUse &locale) {
  if (uint32_t st = main.Take(block, OID_FILE_MAIN)) return st;
  return locale.Take(block, OID_FILE_LOCALE);
}

}  // namespace

extern "C" {

uint32_t OID_AddOID(STF_statusList_t *status, OID_dbBlock_t *block, const unsigned char *binary,
                    const char *name, const unsigned char *chars, int checkOnly) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!binary || binary[0] != 6 || binary[1] + 2 >= 73) return Fail(status, OID_ST_BAD_BINARY);
  if (!GoodName(name)) return Fail(status, OID_ST_BAD_NAME);
  if (!chars) return Fail(status, OID_ST_BAD_CHARS);
  FileUse main, locale;
  if (uint32_t st = TakeBoth(block, main, locale)) return Fail(status, st);
  std::string binKey = BinaryKey(binary), ignored, index;
  if (locale.Fetch(Str(name), &ignored)) return Fail(status, OID_ST_NAME_EXISTS);
  if (main.Fetch(binKey, &ignored)) return Fail(status, OID_ST_OID_EXISTS);
  if (checkOnly == 1) return 0;
  if (uint32_t st = NextIndex(locale, "_OID__AddOID()", &index)) return Fail(status, st);
  std::string ch(reinterpret_cast<const char *>(chars), OID_CHARS_LEN);
  std::vector<Store> stores;
  NameStores(main, locale, Str(name), index, binKey, ch, stores);
  stores.push_back({&main, "main", binKey, MainRecord{index, ch, {}}.Serialise(), KQBM_INSERT, {}});
  stores.push_back({&locale, "locale", Str(OID_LAST_INDEX_KEY), WithNul(index), KQBM_REPLACE, {}});
  return Apply(status, "_OID__AddOID()", stores);
}

uint32_t OID_AddName(STF_statusList_t *status, OID_dbBlock_t *block, const unsigned char *binary,
                     const char *name) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!GoodBinary(binary)) return Fail(status, OID_ST_BAD_BINARY);
  if (!GoodName(name)) return Fail(status, OID_ST_BAD_NAME);
  FileUse main, locale;
  if (uint32_t st = TakeBoth(block, main, locale)) return Fail(status, st);
  std::string binKey = BinaryKey(binary), content, index;
  if (locale.Fetch(Str(name), &content)) return Fail(status, OID_ST_NAME_EXISTS);
  MainRecord record;
  if (!main.Fetch(binKey, &content)) return Fail(status, OID_ST_OID_UNKNOWN);
  if (!record.Parse(content)) return Fail(status, OID_ST_INCONSISTENT);
  if (1 + record.aliases.size() > 10) return Fail(status, OID_ST_TOO_MANY_NAMES);
  if (uint32_t st = NextIndex(locale, "OID_AddName()", &index)) return Fail(status, st);
  std::vector<Store> stores;
  NameStores(main, locale, Str(name), index, binKey, record.chars, stores);
  record.aliases.push_back(index);
  stores.push_back({&main, "main", binKey, record.Serialise(), KQBM_REPLACE, {}});
  stores.push_back({&locale, "locale", Str(OID_LAST_INDEX_KEY), WithNul(index), KQBM_REPLACE, {}});
  return Apply(status, "OID_AddName()", stores);
}

uint32_t OID_DeleteOID(STF_statusList_t *status, OID_dbBlock_t *block,
                       const unsigned char *binary) {
  if (!status) return OID_ST_NO_BLOCK;
  STF_ClearStatus(status);
  if (!block) return Fail(status, OID_ST_NO_BLOCK);
  if (!GoodBinary(binary)) return Fail(status, OID_ST_BAD_BINARY);
  FileUse main, locale;
  if (uint32_t st = TakeBoth(block, main, locale)) return Fail(status, st);
  std::string binKey = BinaryKey(binary), content;
  MainRecord record;
  if (!main.Fetch(binKey, &content)) return Fail(status, OID_ST_OID_UNKNOWN);
  if (!record.Parse(content)) return Fail(status, OID_ST_INCONSISTENT);
  if (!locale.Fetch(record.index, &content)) return Fail(status, OID_ST_INCONSISTENT);
  std::vector<std::string> indexes{record.index};
  indexes.insert(indexes.end(), record.aliases.begin(), record.aliases.end());
  bool failed = false;
  auto remove = [&](const FileUse &f, const char *fileName, const std::string &key) {
    if (uint32_t st = f.Delete(key)) {
      LOG_COND_MESSAGE(LOG_SEV_DIAG,
                       "OID: OID_DeleteOID(), failed to delete %s from %s file.  result = %u\n",
                       key.c_str(), fileName, st);
      failed = true;
    }
  };
  for (const std::string &index : indexes) {
    std::string names;
    if (locale.Fetch(index, &names)) remove(locale, "locale", Str(names.c_str()));
    remove(main, "main", index);
    remove(locale, "locale", index);
  }
  remove(main, "main", binKey);
  return failed ? Fail(status, OID_ST_INCONSISTENT) : 0;
}

uint32_t OID_AddDescriptor(STF_statusList_t *status) { return Fail(status, OID_ST_NOT_SUPPORTED); }
uint32_t OID_AddSupported(STF_statusList_t *status) { return Fail(status, OID_ST_NOT_SUPPORTED); }
uint32_t OID_AddReady(STF_statusList_t *status) { return Fail(status, OID_ST_NOT_SUPPORTED); }

}  // extern "C"
