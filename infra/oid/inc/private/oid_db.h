// The registry's process state and database blocks, shared by its source files.
#ifndef KQ_INFRA_OID_INC_PRIVATE_OID_DB_H
#define KQ_INFRA_OID_INC_PRIVATE_OID_DB_H

#include <cstdint>
#include <string>
#include <vector>

#include "infra/kqbm.h"
#include "infra/oid.h"
#include "infra/thr.h"

enum OID__file { OID_FILE_MAIN = 0, OID_FILE_LINK = 1, OID_FILE_LOCALE = 2, OID_FILE_COUNT = 3 };

struct OID_dbBlock {
  KQBM_dbHandle_t files[OID_FILE_COUNT];  // each opened on first use
  char *locale;
  uint32_t mode;
  char *directory;  // with a trailing "/"
  THR_mutex_t mutex;
  THR_condition_t notBusy;
  int busy[OID_FILE_COUNT];
};

// The directory and mode given to OID_Init; false when the registry is not
// initialised.
bool OID__Initialised(std::string *directory, uint32_t *mode);

// Opens a block's file (the block mutex held): 0, OID_ST_ALREADY_OPEN when it is
// open already, or the failure code.
uint32_t OID__OpenDbFile(OID_dbBlock *block, OID__file file);

// Waits until no other thread uses the block's file and marks it used, opening it
// first when needed; OID__SignalNotBusyDbFile gives it back and wakes the waiters.
uint32_t OID__BusyDbFile(OID_dbBlock *block, OID__file file);
void OID__SignalNotBusyDbFile(OID_dbBlock *block, OID__file file);

// The locale file a locale uses: "DPAOIDs_C" for "C" and "en_US", else
// "DPAOIDs_<locale>".
std::string OID__LocaleFileName(const char *locale);

namespace kq::oid {

// One file of a block in use by this thread: opened on first use and taken when
// no other thread uses it; given back when the FileUse ends. Operations that use
// two files take the main file first, so they give it back last.
class FileUse {
 public:
  FileUse() = default;
  FileUse(const FileUse &) = delete;
  FileUse &operator=(const FileUse &) = delete;
  ~FileUse() { Release(); }
  uint32_t Take(OID_dbBlock *block, OID__file file);
  void Release();
  KQBM_dbHandle_t db() const { return block_->files[file_]; }

  // A copy of the content stored under `key`; false when absent.
  bool Fetch(const void *key, size_t keyLength, std::string *content) const;
  bool Fetch(const std::string &key, std::string *content) const {
    return Fetch(key.data(), key.size(), content);
  }
  uint32_t Store(const std::string &key, const std::string &content, int mode) const;
  uint32_t Delete(const std::string &key) const;

 private:
  OID_dbBlock *block_ = nullptr;
  OID__file file_ = OID_FILE_MAIN;
};

// Adds `code` to the list and returns it.
uint32_t Fail(STF_statusList_t *status, uint32_t code);

// Tag 6 and a length below 128.
inline bool GoodBinary(const unsigned char *b) { return b && b[0] == 6 && b[1] < 128; }

// A record holding a binary OID (L + 2 bytes) and its 19 characteristics bytes.
inline bool IsBinaryAndChars(const std::string &r) {
  return r.size() >= 2 && r[0] == 6 &&
         r.size() == static_cast<unsigned char>(r[1]) + 2u + OID_CHARS_LEN;
}

// The L + 2 bytes of a binary OID as a key.
inline std::string BinaryKey(const unsigned char *binary) {
  return std::string(reinterpret_cast<const char *>(binary), binary[1] + 2u);
}

// A main-file binary record: locale index, NUL, characteristics, then the alias
// indexes, each with its NUL, and an empty string.
struct MainRecord {
  std::string index;
  std::string chars;  // 19 bytes
  std::vector<std::string> aliases;
  bool Parse(const std::string &content);
  std::string Serialise() const;
};

// Main file binary -> record, then locale file index -> "name\0descriptor\0".
// Codes: OID_ST_NOT_FOUND for an unknown binary, OID_ST_INCONSISTENT for a
// missing index. `name` and `descriptor` may be null.
uint32_t ReadIdentifier(OID_dbBlock *block, const unsigned char *binary, MainRecord *record,
                        std::string *name, std::string *descriptor);

// Short OID to binary form through the conversions; null when it is unknown or
// has no form.
const unsigned char *ShortToBinary(uint32_t shoid);

}  // namespace kq::oid

#endif
