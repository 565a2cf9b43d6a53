#include "oid_cmd.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "infra/genu_oid.h"
#include "infra/oid.h"
#include "internal/oid_build.h"
#include "internal/stf_scratch.h"
#include "runtime.h"

namespace {

bool AllOf(const std::string &s, const char *chars) {
  return !s.empty() && s.find_first_not_of(chars) == std::string::npos;
}

std::string DefaultRegistry() { return kq::tool::RegistryDir(); }

std::string Explain(uint32_t code) {
  STF_statusList_t *list = STF_CreateList(nullptr);
  STF_AddStatus(list, code, 0);
  char line[256] = "";
  uint32_t needed = 0;
  STF_GetMessage(
      list, 1,
      STF_MSG_NO_NEWLINE | STF_MSG_NO_APPLICATION | STF_MSG_NO_SOURCE | STF_MSG_NO_FACILITY,
      nullptr, sizeof line, &needed, line);
  STF_DeleteList(list);
  return line;
}

// Resolves one item to its binary OID (with the closing 0 byte).
uint32_t Resolve(OID_dbBlock_t *block, const std::string &item, unsigned char *bin,
                 OID_nameSeq_t **matches) {
  kq::stf::ScratchList s;
  uint32_t st;
  if (AllOf(item, "0123456789")) {
    unsigned long long v = strtoull(item.c_str(), nullptr, 10);
    const unsigned char *b = nullptr;
    st = v > 0xffffffffull || GENU_ShortToBinaryOID(s, static_cast<uint32_t>(v), &b) || !b
             ? OID_ST_SHORT_UNKNOWN
             : 0;
    if (!st) OID_CopyBinary(bin, b);
  } else if (AllOf(item, "0123456789.")) {
    st = OID_ConvertDecToBin(s, item.c_str(), bin, nullptr);
  } else {
    st = OID_LookupName(s, block, item.c_str(), bin, nullptr);
    if (st == OID_ST_NOT_FOUND)
      st = OID_LookupAbbrev_A(s, block, item.c_str(), bin, nullptr, matches);
  }
  return st;
}

// Characteristics byte 1 tells what kind of identifier the record describes.
std::string Characteristics(const unsigned char *c) {
  char text[256];
  // A bit set as ranges of its members: "0-29", "1,4-6", "none".
  auto bits = [c](int first, int count) {
    std::string list;
    for (int n = 0; n < count; n++) {
      if (!(c[first + n / 8] >> (n % 8) & 1)) continue;
      int last = n;
      while (last + 1 < count && c[first + (last + 1) / 8] >> ((last + 1) % 8) & 1) last++;
      list += (list.empty() ? "" : ",") + std::to_string(n);
      if (last > n) list += "-" + std::to_string(last);
      n = last;
    }
    return list.empty() ? std::string("none") : list;
  };
  unsigned valueClass = c[5] << 8 | c[6];
  switch (c[1]) {
    case 0x23:
      snprintf(text, sizeof text,
               "attribute, %s, value type %u, value class %u, properties 0x%02x/0x%02x; "
               "operations %s; object classes %s",
               c[2] == 2 ? "multi-valued" : "single-valued", c[4], valueClass, c[3], c[7],
               bits(8, OID_MAX_OPERATION + 1).c_str(), bits(12, OID_MAX_OBJECT_CLASS + 1).c_str());
      break;
    case 0x40:
      snprintf(text, sizeof text, "attribute value, value class %u, properties 0x%02x", valueClass,
               c[7]);
      break;
    case 0x30:
      snprintf(text, sizeof text, "value class %u", valueClass);
      break;
    default:
      if (c[1] >> 4 == OID_KIND_OBJECT_CLASS) {
        snprintf(text, sizeof text, "object class");
      } else if (c[1] >> 4 == OID_KIND_SYNTAX) {
        snprintf(text, sizeof text, "syntax, value type %u", c[4]);
      } else {
        std::string raw = "unknown kind:";
        for (int i = 0; i < OID_CHARS_LEN; i++) raw += " " + std::to_string(c[i]);
        return raw;
      }
  }
  return text;
}

// False when the registry does not hold `bin`. Entries are separated by a blank line.
bool Print(OID_dbBlock_t *block, const unsigned char *bin, bool &printed, FILE *out) {
  kq::stf::ScratchList s;
  char name[OID_NAME_MAX] = "", text[OID_TEXT_MAX] = "";
  unsigned char chars[OID_CHARS_LEN];
  if (OID_LookupBinary(s, block, bin, name, chars) != 0) return false;
  char *dotted = nullptr;
  uint32_t len = 0, shoid = 0;
  OID_ConvertBinToDec(s, bin, nullptr, &len, &dotted);
  OID_LookupDescriptorFromBinary(s, block, bin, text);
  if (printed) fputc('\n', out);
  printed = true;
  fprintf(out, "name:        %s\n", name);
  fprintf(out, "oid:         %s\n", dotted ? dotted : "?");
  if (GENU_BinaryToShortOID(s, bin, &shoid) == 0) {
    uint32_t type = GENU_OID_NO_TYPE;
    GENU_AttrIdToType(s, shoid, &type);
    fprintf(out, "short oid:   %u\nvalue type:  %u\n", shoid, type);
  }
  if (*text) fprintf(out, "descriptor:  %s\n", text);
  if (chars[0]) fprintf(out, "characteristics: %s\n", Characteristics(chars).c_str());
  free(dotted);
  return true;
}

}  // namespace

int kq_oid_init_run(const std::string &dir, FILE *out, FILE *err) {
  kq::tool::StartMessages();
  std::string error;
  if (OID__BuildRegistry(dir.c_str(), &error) != 0) {
    fprintf(err, "kq oid init: %s\n", error.c_str());
    return 1;
  }
  fprintf(out, "registry built in %s\n", dir.c_str());
  return 0;
}

int kq_oid_lookup_run(const std::vector<std::string> &items, const std::string &dir, FILE *out,
                      FILE *err) {
  kq::tool::StartMessages();  // sets QV_ROOT to the build's stage when unset
  std::string d = dir.empty() ? DefaultRegistry() : dir;
  // Without its main file the registry would only report its lock file missing.
  struct stat st_;
  std::string main = d + "/" OID_MAIN_FILE KQBM_SUFFIX;
  if (stat(main.c_str(), &st_) != 0) {
    fprintf(err, "kq oid lookup: no registry in %s (%s: %s)\n", d.c_str(), main.c_str(),
            strerror(errno));
    return 1;
  }
  STF_statusList_t *s = STF_CreateList(nullptr);
  OID_dbBlock_t *block = nullptr;
  uint32_t st = OID_Init(s, d.c_str(), OID_MODE_READ);
  if (!st) st = OID_OpenDb(s, d.c_str(), "C", OID_MODE_READ, &block);
  if (st) {
    fprintf(err, "kq oid lookup: cannot open the registry in %s: %s\n", d.c_str(),
            Explain(st).c_str());
    OID_Term();
    STF_DeleteList(s);
    return 1;
  }
  int rc = 0;
  bool printed = false;
  for (const std::string &item : items) {
    unsigned char bin[OID_BINARY_MAX];
    OID_nameSeq_t *matches = nullptr;
    st = Resolve(block, item, bin, &matches);
    if (st) {
      fprintf(err, "kq oid lookup: %s: %s\n", item.c_str(), Explain(st).c_str());
      for (OID_nameSeq_t *m = matches; m; m = m->next) fprintf(err, "  %s\n", m->name);
      OID_DeleteNameSeq(matches);
      rc = 1;
      continue;
    }
    if (!Print(block, bin, printed, out)) {
      fprintf(err, "kq oid lookup: %s: not found in the registry\n", item.c_str());
      rc = 1;
    }
  }
  OID_CloseDb(s, &block);
  OID_Term();
  STF_DeleteList(s);
  return rc;
}

namespace {

kq::tool::Command AddOid(CLI::App &app) {
  static std::string initDir, lookupDir;
  static std::vector<std::string> items;
  CLI::App *sub = app.add_subcommand("oid", "The object identifier registry");
  sub->require_subcommand(1);
  CLI::App *init = sub->add_subcommand("init", "Build a complete registry in DIR");
  init->add_option("DIR", initDir, "registry directory (created when missing)")->required();
  CLI::App *lookup = sub->add_subcommand(
      "lookup", "Look up names, abbreviations, dotted OIDs (1.0.10175.1.5.1) or short OIDs");
  lookup->add_option("ITEM", items, "what to look up")->required();
  lookup->add_option("-d,--dir", lookupDir, "registry directory (default: the installed one)");
  return {sub, [init] {
            return init->parsed() ? kq_oid_init_run(initDir, stdout, stderr)
                                  : kq_oid_lookup_run(items, lookupDir, stdout, stderr);
          }};
}
KQ_COMMAND(AddOid);

}  // namespace
