// Building a registry from the compiled table, so that a fresh installation has
// one. Every identifier gets a locale index, its main-file records and its name
// in the default locale file ("DPAOIDs_C"); besides:
//   attributes    valid for every operation and object class; syntax = value type;
//                 value class = the id-vc- row named by the longest tail of the name;
//   values        value class = the id-vc- row named by the longest head of the name;
//   value classes a second name "VC-<name>", their id being their short OID;
//   object classes the record "C%03d", numbered short OID - 85 (job = 2, ...);
//   syntaxes      the record "S%04d", numbered by their value type id.
// Link file: attribute id-att-X gets the pair (supported, ready) named
// id-att-X-supported / id-att-Xs-supported and id-att-X-ready / id-att-Xs-ready.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "infra/genu_oid.h"
#include "internal/oid_build.h"
#include "internal/stf_scratch.h"
#include "private/oid_db.h"

namespace {

constexpr uint32_t kObjectClassBase = 85;

struct Row {
  uint32_t shoid;
  std::string name, kind, base;  // "id-att-job-name" -> kind "att", base "job-name"
  std::string binary;            // L + 2 bytes
  uint32_t type;
};

std::vector<Row> TableRows() {
  std::vector<Row> rows;
  kq::stf::ScratchList scratch;
  for (uint32_t s = 1; s <= 3562; s = s == 1092 ? 3000 : s + 1) {
    const unsigned char *bin = nullptr;
    uint32_t type = GENU_OID_NO_TYPE;
    if (GENU_ShortToBinaryOID(scratch, s, &bin) || !bin) continue;
    GENU_AttrIdToType(scratch, s, &type);
    std::string name = GENU_ShortOIDToAscii(s);
    size_t dash = name.find('-', 3);
    if (name.compare(0, 3, "id-") || dash == std::string::npos) continue;
    rows.push_back({s, name, name.substr(3, dash - 3), name.substr(dash + 1),
                    std::string(reinterpret_cast<const char *>(bin), bin[1] + 2u), type});
  }
  return rows;
}

class Builder {
 public:
  explicit Builder(std::string dir) : dir_(std::move(dir)) {}
  ~Builder() {
    for (KQBM_dbHandle_t db : {main_, locale_, link_}) KQBM_close(db);
  }

  bool Open(std::string *error) {
    main_ = Create(OID_MAIN_FILE);
    locale_ = Create(OID_DEFAULT_LOCALE_FILE);
    link_ = Create(OID_LINK_FILE);
    KQBM_dbHandle_t cvrt = Create(GENU_OID_DB_NAME);
    KQBM_close(cvrt);
    if (!main_ || !locale_ || !link_ || !cvrt) {
      *error = "cannot create the registry files in " + dir_;
      return false;
    }
    return true;
  }

  bool Build(const std::vector<Row> &rows, std::string *error) {
    for (const Row &r : rows) byName_[r.name] = &r;
    int index = 0;
    for (const Row &r : rows) {
      unsigned char chars[OID_CHARS_LEN];
      Characteristics(r, chars);
      std::string ch(reinterpret_cast<const char *>(chars), OID_CHARS_LEN);
      kq::oid::MainRecord record{std::to_string(++index), ch, {}};
      Name(r.name, record.index, Descriptor(r), r.binary + ch);
      if (r.kind == "vc") {
        record.aliases.push_back(std::to_string(++index));
        Name("VC-" + r.base, record.aliases.back(), "", r.binary + ch);
      }
      Put(main_, r.binary, record.Serialise());
      if (r.kind == "oc" && r.shoid > kObjectClassBase && r.shoid - kObjectClassBase <= 255) {
        Put(main_, Numbered("C%03u", r.shoid - kObjectClassBase), r.binary + ch);
      }
      if (r.kind == "syn" && r.type <= 255) Put(main_, Numbered("S%04u", r.type), r.binary + ch);
      if (r.kind == "att") Link(r);
    }
    Put(locale_, OID_LAST_INDEX_KEY, std::to_string(index) + '\0');
    if (failed_) *error = "a registry record could not be stored in " + dir_;
    return !failed_;
  }

 private:
  KQBM_dbHandle_t Create(const char *name) {
    return KQBM_open((dir_ + "/" + name).c_str(), O_CREAT | O_RDWR, 0644, 0);
  }

  void Put(KQBM_dbHandle_t db, const std::string &key, const std::string &content) {
    datum k{const_cast<char *>(key.data()), static_cast<int32_t>(key.size())};
    datum v{const_cast<char *>(content.data()), static_cast<int32_t>(content.size())};
    if (KQBM_store(db, k, v, KQBM_INSERT)) failed_ = true;
  }

  void Name(const std::string &name, const std::string &index, const std::string &descriptor,
            const std::string &binaryAndChars) {
    Put(locale_, name, index + '\0');
    Put(locale_, index, name + '\0' + descriptor + '\0');
    Put(main_, index, binaryAndChars);
  }

  static std::string Numbered(const char *format, uint32_t n) {
    char key[8];
    snprintf(key, sizeof key, format, n);
    return key;
  }

  static std::string Descriptor(const Row &r) {
    std::string d = r.base;
    for (char &c : d) c = c == '-' ? ' ' : c;
    return d;
  }

  const Row *Find(const std::string &name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
  }

  // An attribute's value class is the id-vc- row named by the longest "-"-ended
  // tail of its name (current-job-state: job-state); a value's is the one named by
  // the longest head (job-state-pending: job-state).
  uint16_t ValueClassOf(const Row &r) const {
    bool tail = r.kind == "att";
    for (std::string part = r.base; !part.empty();) {
      if (tail) {
        if (const Row *vc = Find("id-vc-" + part)) return static_cast<uint16_t>(vc->shoid);
      }
      size_t dash = tail ? part.find('-') : part.rfind('-');
      if (dash == std::string::npos) break;
      part = tail ? part.substr(dash + 1) : part.substr(0, dash);
      if (!tail) {
        if (const Row *vc = Find("id-vc-" + part)) return static_cast<uint16_t>(vc->shoid);
      }
    }
    return 0;
  }

  void Characteristics(const Row &r, unsigned char *chars) const {
    memset(chars, 0, OID_CHARS_LEN);
    chars[0] = 0x30;
    if (r.kind == "att") {
      OID_attrProperties_t p{0, 0, static_cast<uint8_t>(r.type), ValueClassOf(r), 0};
      uint32_t ops[OID_MAX_OPERATION + 1];
      for (uint32_t i = 0; i <= OID_MAX_OPERATION; i++) ops[i] = i;
      uint32_t every = 0;
      OID_SetAttrCharacteristics(&p, ops, OID_MAX_OPERATION + 1, &every, 1, chars);
    } else if (r.kind == "val") {
      OID_SetValueCharacteristics(ValueClassOf(r), 0, chars);
    } else if (r.kind == "vc") {
      OID_SetValueClassCharacteristics(static_cast<uint16_t>(r.shoid), chars);
    } else if (r.kind == "oc") {
      chars[1] = OID_KIND_OBJECT_CLASS << 4;
    } else if (r.kind == "syn") {
      chars[1] = OID_KIND_SYNTAX << 4;
      chars[4] = static_cast<unsigned char>(r.type);
    }
  }

  const Row *Related(const Row &r, const char *what) const {
    const Row *found = Find("id-att-" + r.base + "-" + what);
    return found ? found : Find("id-att-" + r.base + "s-" + what);
  }

  void Link(const Row &r) {
    const Row *supported = Related(r, "supported"), *ready = Related(r, "ready");
    if (!supported && !ready) return;
    static const std::string kNone("\x06\x00", 2);
    Put(link_, r.binary,
        (supported ? supported->binary : kNone) + kNone + (ready ? ready->binary : kNone));
  }

  std::string dir_;
  KQBM_dbHandle_t main_ = nullptr, locale_ = nullptr, link_ = nullptr;
  std::map<std::string, const Row *> byName_;
  bool failed_ = false;
};

}  // namespace

uint32_t OID__BuildRegistry(const char *directory, std::string *error) {
  if (!directory || !*directory) {
    *error = "no directory";
    return OID_ST_BAD_PATH;
  }
  std::string dir = directory;
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    *error = "cannot create " + dir + ": " + strerror(errno);
    return OID_ST_BAD_PATH;
  }
  std::vector<Row> rows = TableRows();
  {
    Builder b(dir);
    if (!b.Open(error)) return OID_ST_BAD_PATH;
    if (!b.Build(rows, error)) return OID_ST_INCONSISTENT;
  }
  int fd = open((dir + "/" + OID_LOCK_FILE).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = "cannot create the lock file in " + dir;
    return OID_ST_BAD_PATH;
  }
  close(fd);
  return 0;
}
