// The object identifier registry's files on arbitrary input. A registry is built once
// per process the way `kq oid init` builds one; each input is a script: first the
// records it stores into (or deletes from) a fresh copy of the registry's main, link
// and locale files, damaging them as a hand-edited or half-written registry could be,
// then the lookups, abbreviations, related identifiers and dotted conversions it asks
// for on the copy. Every script byte is a command; its arguments follow it:
//   c % 8 == 0   store: file (c / 8 % 3), key and content (a length byte each)
//   c % 8 == 1   delete: file (c / 8 % 3), key
//   otherwise    a lookup of kind c / 8 on one argument (a length byte)
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "infra/genu_oid.h"
#include "infra/kqbm.h"
#include "infra/oid.h"
#include "infra/stf.h"
#include "internal/oid_build.h"
#include "private/oid_cache.h"

namespace fs = std::filesystem;

namespace {

const char *const kFiles[] = {OID_MAIN_FILE, OID_LINK_FILE, OID_DEFAULT_LOCALE_FILE};
std::string built, work;               // the registry as built, and the copy each input damages
bool damaged[3] = {true, true, true};  // work files that differ from the built ones

struct Command {
  uint8_t op;
  std::string key, content;
};

// Reads one length-prefixed argument; false at the end of the input.
bool Argument(const uint8_t *&p, const uint8_t *end, std::string *out) {
  if (p >= end) return false;
  size_t length = *p++;
  size_t n = std::min<size_t>(length, end - p);
  out->assign(reinterpret_cast<const char *>(p), n);
  p += n;
  return true;
}

std::vector<Command> Parse(const uint8_t *p, const uint8_t *end) {
  std::vector<Command> script;
  while (p < end && script.size() < 64) {
    Command c{*p++, {}, {}};
    if (!Argument(p, end, &c.key)) break;
    if (c.op % 8 == 0 && !Argument(p, end, &c.content)) break;
    script.push_back(std::move(c));
  }
  return script;
}

void Damage(const std::vector<Command> &script) {
  for (const Command &c : script) {
    if (c.op % 8 > 1) continue;
    damaged[c.op / 8 % 3] = true;
    std::string path = work + "/" + kFiles[c.op / 8 % 3];
    KQBM_dbHandle_t db = KQBM_open(path.c_str(), O_RDWR, 0, 0);
    if (!db) abort();  // the copy of a good registry opens
    datum key = {const_cast<char *>(c.key.data()), static_cast<int32_t>(c.key.size())};
    if (c.op % 8 == 0) {
      datum content = {const_cast<char *>(c.content.data()),
                       static_cast<int32_t>(c.content.size())};
      KQBM_store(db, key, content, KQBM_REPLACE);
    } else {
      KQBM_delete(db, key);
    }
    KQBM_close(db);
  }
}

uint32_t Number(const std::string &s) {
  uint32_t n = 0;
  for (unsigned char ch : s) n = n * 10 + (ch >= '0' && ch <= '9' ? ch - '0' : ch);
  return n;
}

void Lookup(STF_statusList_t *st, OID_dbBlock_t *block, const Command &c) {
  const char *arg = c.key.c_str();
  unsigned char binary[OID_BINARY_MAX], other[OID_BINARY_MAX], chars[OID_CHARS_LEN];
  char name[OID_NAME_MAX], text[OID_TEXT_MAX];
  uint32_t shoid = 0;
  OID_nameSeq_t *list = nullptr;
  switch (c.op / 8 % 12) {
    case 0:
      if (OID_LookupName(st, block, arg, binary, chars) == 0)
        OID_LookupBinary(st, block, binary, name, chars);
      break;
    case 1:
      OID_LookupAbbrev_N(st, block, arg, binary, chars, &list);
      OID_DeleteNameSeq(list);
      break;
    case 2:
      OID_LookupAbbrev_A(st, block, arg, binary, nullptr, &list);
      OID_DeleteNameSeq(list);
      break;
    case 3:
      if (OID_ConvertDecToBin(st, arg, binary, nullptr) == 0) {
        OID_LookupBinary(st, block, binary, name, chars);
        OID_LookupDescriptorFromBinary(st, block, binary, text);
      }
      break;
    case 4:
      OID_LookupShort(st, block, Number(c.key), name, chars);
      OID_LookupDescriptorFromShort(st, block, Number(c.key), text);
      break;
    case 5:
      if (OID_LookupName(st, block, arg, binary, nullptr) == 0) {
        OID_LookupSupportedFromBinary(st, block, binary, other);
        OID_LookupReadyFromBinary(st, block, binary, other);
      }
      break;
    case 6:
      OID_LookupSupportedFromShort(st, block, Number(c.key), &shoid);
      OID_LookupReadyFromShort(st, block, Number(c.key), &shoid);
      break;
    case 7:
      OID_LookupObjectClass(st, block, Number(c.key), binary);
      OID_LookupSyntax(st, block, Number(c.key), binary);
      break;
    case 8: {
      uint16_t id = 0;
      OID_LookupValueClass(st, block, arg, &id);
      break;
    }
    case 9:
      OID_LookupAbbrev(st, block, arg, binary, chars);
      break;
    default: {
      // Dotted text, with characteristics when it has them: what converts converts
      // back to a text that gives the same binary form.
      unsigned char again[OID_BINARY_MAX], againChars[OID_CHARS_LEN];
      bool withChars = strchr(arg, ':') != nullptr;
      if (OID_ConvertDecToBin(st, arg, binary, withChars ? chars : nullptr) != 0) break;
      char *dotted = nullptr;
      uint32_t length = 0;
      if (OID_ConvertBinToDec(st, binary, withChars ? chars : nullptr, &length, &dotted)) abort();
      if (OID_ConvertDecToBin(st, dotted, again, withChars ? againChars : nullptr) ||
          !OID_EqualBinary(binary, again) ||
          (withChars && memcmp(chars, againChars, OID_CHARS_LEN) != 0))
        abort();
      free(dotted);
      break;
    }
  }
  STF_ClearStatus(st);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char tmpl[] = "/tmp/oid_registry_fuzz.XXXXXX";
  if (!mkdtemp(tmpl)) abort();
  built = std::string(tmpl) + "/built";
  work = std::string(tmpl) + "/work";
  std::string error;
  if (OID__BuildRegistry(built.c_str(), &error) != 0) abort();
  fs::create_directory(work);
  fs::copy_file(built + "/" OID_LOCK_FILE, work + "/" OID_LOCK_FILE);
  // The form conversions' own file, empty: the registry's files are what is fuzzed.
  KQBM_close(KQBM_open((work + "/" GENU_OID_DB_NAME).c_str(), O_CREAT | O_RDWR, 0644, 0));
  STF_statusList_t *st = STF_CreateList(nullptr);
  if (OID_Init(st, work.c_str(), 0) != 0) abort();
  STF_DeleteList(st);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<Command> script = Parse(data, data + size);
  for (int i = 0; i < 3; ++i) {
    if (!damaged[i]) continue;
    damaged[i] = false;
    std::string name = std::string(kFiles[i]) + ".dbm";
    fs::copy_file(built + "/" + name, work + "/" + name, fs::copy_options::overwrite_existing);
  }
  Damage(script);
  OID__InitCache();  // what an earlier input looked up must be read again
  STF_statusList_t *st = STF_CreateList(nullptr);
  OID_dbBlock_t *block = nullptr;
  if (OID_OpenDb(st, work.c_str(), "C", 0, &block) != 0) abort();
  for (const Command &c : script)
    if (c.op % 8 > 1) Lookup(st, block, c);
  OID_CloseDb(st, &block);
  STF_DeleteList(st);
  return 0;
}
