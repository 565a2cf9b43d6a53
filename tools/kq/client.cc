#include "client.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "infra/genu.h"
#include "infra/jqp.h"
#include "infra/ns.h"
#include "infra/oid.h"
#include "infra/svclog.h"
#include "internal/stf_scratch.h"
#include "runtime.h"

namespace kq::tool {
namespace {

// Status codes of the client frame that have a line of their own.
constexpr uint32_t kNotInDirectory = 0xc009007cu, kNoConnection = 0xc009006cu;

std::string MessageLine(const STF_statusList_t *list, int32_t index) {
  char line[1024] = "";
  uint32_t needed = 0;
  if (STF_GetMessage(list, index, STF_MSG_NO_NEWLINE, nullptr, sizeof line, &needed, line) != 0)
    return "";
  return line;
}

bool HasCode(const STF_statusList_t *list, uint32_t code) {
  STF_objectInfo_t info;
  for (int32_t i = 1; STF_GetObjectInfo(list, i, &info) == 0; i++)
    if (info.code == code) return true;
  return false;
}

// Value parsers by value type: each makes a new value record from the text, owned by
// the caller until it is handed to a set.
using Parser = void *(*)(STF_statusList_t *, const std::string &, std::string *);

bool ParseLong(const std::string &text, long min, long max, long *out) {
  if (text.empty()) return false;
  errno = 0;
  char *end = nullptr;
  long v = strtol(text.c_str(), &end, 0);
  if (errno || *end || v < min || v > max) return false;
  *out = v;
  return true;
}

template <typename T>
void *Copy(const T &value) {
  return memcpy(malloc(sizeof(T)), &value, sizeof(T));
}

void *ParseBoolean(STF_statusList_t *, const std::string &text, std::string *why) {
  static const struct {
    const char *word;
    GEN_Boolean_t value;
  } words[] = {{"true", 1}, {"yes", 1}, {"1", 1}, {"false", 0}, {"no", 0}, {"0", 0}};
  for (const auto &w : words)
    if (strcasecmp(text.c_str(), w.word) == 0) return Copy(w.value);
  *why = "not a boolean (true or false)";
  return nullptr;
}

void *ParseInteger(STF_statusList_t *, const std::string &text, std::string *why) {
  long v = 0;
  if (!ParseLong(text, INT32_MIN, INT32_MAX, &v)) {
    *why = "not an integer";
    return nullptr;
  }
  return Copy(static_cast<GEN_Integer_t>(v));
}

void *ParseShort(STF_statusList_t *, const std::string &text, std::string *why) {
  long v = 0;
  if (!ParseLong(text, INT16_MIN, INT16_MAX, &v)) {
    *why = "not an integer from -32768 to 32767";
    return nullptr;
  }
  return Copy(static_cast<int16_t>(v));
}

void *ParseReal(STF_statusList_t *, const std::string &text, std::string *why) {
  errno = 0;
  char *end = nullptr;
  double v = text.empty() ? NAN : strtod(text.c_str(), &end);
  if (text.empty() || errno || *end || !std::isfinite(v)) {
    *why = "not a number";
    return nullptr;
  }
  return Copy(static_cast<GEN_Real_t>(v));
}

bool ShortOid(const std::string &text, uint32_t *out) {
  kq::stf::ScratchList s;
  long v = 0;
  if (ParseLong(text, 1, INT32_MAX, &v) && strcmp(GENU_ShortOIDToAscii(v), "unknown") != 0) {
    *out = static_cast<uint32_t>(v);
    return true;
  }
  return GENU_AsciiToShortOID(s, text.c_str(), out) == 0;
}

void *ParseIdentifier(STF_statusList_t *, const std::string &text, std::string *why) {
  uint32_t oid = 0;
  if (!ShortOid(text, &oid)) {
    *why = "not a registered identifier name";
    return nullptr;
  }
  return Copy(oid);
}

void *ParseText(STF_statusList_t *s, const std::string &text, std::string *why) {
  GEN_Text_t *out = nullptr;
  if (GENU_MakeText(s, &out, text.c_str(), nullptr) != 0) *why = "not a text";
  return out;
}

// Names travel as plain strings (the form servers keep their own names in, so that an
// equality selector on a name matches byte for byte).
bool MakeName(const std::string &text, GEN_SimpleName_t *out) {
  if (text.size() > GEN_SIMPLE_NAME_MAX) return false;
  *out = {};
  out->choice = GEN_TEXT_STRING;
  memcpy(out->u.string, text.data(), text.size());
  return true;
}

void *ParseSimpleName(STF_statusList_t *, const std::string &text, std::string *why) {
  GEN_SimpleName_t value;
  if (!MakeName(text, &value)) {
    *why = "not a name of at most 255 characters";
    return nullptr;
  }
  return Copy(value);
}

void *ParseNameOrOid(STF_statusList_t *, const std::string &text, std::string *why) {
  GEN_NameOrOID_t value{};
  if (ShortOid(text, &value.u.oid)) {
    value.choice = 1;
  } else {
    value.choice = 2;
    if (!MakeName(text, &value.u.name)) {
      *why = "neither an identifier name nor a name of at most 255 characters";
      return nullptr;
    }
  }
  return Copy(value);
}

void *ParseJobIdentifier(STF_statusList_t *, const std::string &text, std::string *why) {
  GEN_JobIdentifier_t value{};
  if (text.empty() || text.size() >= sizeof value.value) {
    *why = "not a job identifier of 1 to 255 characters";
    return nullptr;
  }
  memcpy(value.value, text.data(), text.size());
  return Copy(value);
}

void *ParseOctets(STF_statusList_t *, const std::string &text, std::string *) {
  GEN_OctetString_t value{static_cast<int32_t>(text.size()), nullptr};
  if (!text.empty())
    value.value =
        static_cast<unsigned char *>(memcpy(malloc(text.size()), text.data(), text.size()));
  return Copy(value);
}

// The value types a command line can give, by the record they are held in.
const struct ValueSyntax {
  std::vector<uint32_t> types;
  Parser parse;
} kSyntaxes[] = {
    {{0}, ParseBoolean},         {{1, 4, 12, 15, 17, 22}, ParseInteger},
    {{26, 71, 75}, ParseShort},  {{23, 62}, ParseReal},
    {{10}, ParseIdentifier},     {{5, 16, 28}, ParseText},
    {{27, 40}, ParseSimpleName}, {{18}, ParseNameOrOid},
    {{14}, ParseJobIdentifier},  {{20}, ParseOctets},
};

Parser ParserOf(uint32_t type) {
  for (const ValueSyntax &syntax : kSyntaxes)
    for (uint32_t t : syntax.types)
      if (t == type) return syntax.parse;
  return nullptr;
}

std::string Registry() { return kq::tool::RegistryDir(); }

// An attribute name: exact, with "id-att-" in front, or an abbreviation the registry
// resolves to one identifier.
bool AttributeId(const std::string &name, uint32_t *id, std::string *why) {
  kq::stf::ScratchList s;
  if (GENU_AsciiToShortOID(s, name.c_str(), id) == 0) return true;
  if (GENU_PrefixToShortOID(s, name.c_str(), "id-att-", id) == 0) return true;
  const std::string dir = Registry();
  OID_dbBlock_t *block = nullptr;
  bool started = OID_Init(s, dir.c_str(), OID_MODE_READ) == 0;
  if (!started || OID_OpenDb(s, dir.c_str(), "C", OID_MODE_READ, &block) != 0) {
    *why = "unknown attribute (the registry in " + dir + " does not open)";
    if (started) OID_Term();
    return false;
  }
  unsigned char binary[OID_BINARY_MAX];
  OID_nameSeq_t *matches = nullptr;
  // Abbreviations are of whole names: "job-na" stands for "id-att-job-na".
  const std::string full = name.rfind("id-", 0) == 0 ? name : "id-att-" + name;
  uint32_t st = OID_LookupAbbrev_A(s, block, full.c_str(), binary, nullptr, &matches);
  bool found = st == 0 && GENU_BinaryToShortOID(s, binary, id) == 0;
  if (st == OID_ST_AMBIGUOUS) {
    *why = "ambiguous attribute abbreviation:";
    for (OID_nameSeq_t *m = matches; m; m = m->next) *why += std::string(" ") + m->name;
  } else if (!found) {
    *why = "unknown attribute";
  }
  OID_DeleteNameSeq(matches);
  OID_CloseDb(s, &block);
  OID_Term();
  return found;
}

}  // namespace

Client::Client(const char *command, FILE *out, FILE *err)
    : command_(command), out_(out), err_(err), status_(STF_CreateList(nullptr)) {
  StartMessages();
  NS_Init(nullptr, NS_CLASS_CLIENT);
}

Client::~Client() {
  kq::stf::ScratchList s;
  for (AS_setHandle_t &set : sets_) AS_Destroy(s, &set);
  JQP_Terminate(s);
  NS_Term();
  STF_DeleteList(status_);
  if (!renderDir_.empty()) {
    LOG_Term();
    if (renderFile_.rfind(renderDir_, 0) == 0) unlink(renderFile_.c_str());
    rmdir(renderDir_.c_str());
  }
}

AS_setHandle_t Client::NewSet() {
  AS_setHandle_t set = AS_nullSetHandle;
  if (AS_Create(status_, &set, nullptr, 0) != 0) return AS_nullSetHandle;
  sets_.push_back(set);
  return set;
}

AS_setHandle_t Client::Common(const std::string &printer) {
  AS_setHandle_t set = NewSet();
  std::string why;
  AddValue(set, kAttrPrinterName, printer, &why);
  commons_.push_back(set);
  return set;
}

bool Client::Run(const std::string &printer,
                 const std::function<int(STF_statusList_t *, ERDPA_errorResult_t **)> &call) {
  ERDPA_errorResult_t *error = nullptr;
  int rc = call(status_, &error);
  if (rc == 0) {
    kq::stf::ScratchList s;
    for (AS_setHandle_t set : commons_) AS_DeleteAttr(s, set, kAttrPrinterName);
    commons_.clear();
  }
  if (rc == 0 && !error) return true;
  if (rc != 0 && HasCode(status_, kNotInDirectory)) {
    fprintf(err_, "%s: printer %s is not in the directory (printers file)\n", command_,
            printer.c_str());
  } else if (rc != 0 && HasCode(status_, kNoConnection)) {
    fprintf(err_, "%s: no print server answers for printer %s\n", command_, printer.c_str());
  } else {
    if (error) {
      char *text = ErrorResult2String(error);
      fprintf(err_, "%s: %s\n", command_, text ? text : "DPA error (out of memory describing it)");
      free(text);
    }
    for (int32_t i = 1;; i++) {
      std::string line = MessageLine(status_, i);
      if (line.empty()) break;
      fprintf(err_, "%s: %s\n", command_, line.c_str());
    }
  }
  if (error) {
    kq::stf::ScratchList s;
    ERDPA_FreeError(s, error);
  }
  return false;
}

bool Client::AddValue(AS_setHandle_t set, uint32_t id, const std::string &text, std::string *why) {
  kq::stf::ScratchList s;
  uint32_t type = GENU_OID_NO_TYPE;
  Parser parse = GENU_AttrIdToType(s, id, &type) == 0 ? ParserOf(type) : nullptr;
  if (!parse) {
    *why = "values of type " + std::string(GENU__TypeToAscii(s, type)) +
           " cannot be given on the command line";
    return false;
  }
  void *value = parse(s, text, why);
  if (!value) return false;
  const AS_valueDescriptor_t *desc = GENU_AVT2Descriptor(static_cast<int32_t>(type));
  if (AS_AddAttrVal(s, set, id, type, value, desc, nullptr) != 0) {
    if (desc && desc->deleteValue) desc->deleteValue(s, value, nullptr);
    *why = "the value does not go into the attribute set";
    return false;
  }
  return true;
}

bool Client::AddAttribute(AS_setHandle_t set, const std::string &assignment, std::string *why) {
  size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) {
    *why = assignment + ": not NAME=VALUE";
    return false;
  }
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  uint32_t id = 0;
  std::string reason;
  if (!AttributeId(name, &id, &reason) || !AddValue(set, id, value, &reason)) {
    *why = name + ": " + reason;
    return false;
  }
  return true;
}

bool Client::OpenRenderLog() {
  if (!renderDir_.empty()) return renderable_;
  char dir[] = "/tmp/kq-render-XXXXXX";
  if (!mkdtemp(dir)) return false;
  renderDir_ = dir;
  // The request traces are written by now: the log serves the rendering from here on,
  // into a scratch file unless LOG_FILE_PATH holds it to the user's file (which then
  // receives the renderings too). Standard output or syslog cannot be read back.
  LOG_Init((renderDir_ + "/render").c_str(), "I");
  renderFile_ = LOG_SetAddress(nullptr);
  return renderable_ = renderFile_.rfind('/', 0) == 0;
}

std::string Client::Captured(const std::function<void()> &emit) {
  if (!OpenRenderLog()) return "?";
  return kq::tool::LoggedText(renderFile_, emit);
}

std::string Client::RenderSet(AS_setHandle_t set) {
  kq::stf::ScratchList s;
  // The log's indentation is that of a trace message: two tabs less on a terminal.
  std::istringstream lines(Captured([&] { GEN_EchoAS(s, set); }));
  std::string text, line;
  while (std::getline(lines, line)) {
    size_t tabs = 0;
    while (tabs < 2 && tabs < line.size() && line[tabs] == '\t') tabs++;
    line = line.substr(tabs);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

std::vector<RenderedAttr> Client::Render(AS_setHandle_t set) {
  kq::stf::ScratchList s;
  std::vector<RenderedAttr> out;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  uint32_t id = 0;
  for (uint32_t rc = AS_FindFirstAttr(s, set, &attr, &id); rc == 0;
       rc = AS_FindNextAttrR(s, &attr, &id)) {
    RenderedAttr r{GENU_ShortOIDToAscii(id), {}};
    uint32_t type = GENU_OID_NO_TYPE;
    GENU_AttrIdToType(s, id, &type);
    AS_attrValHandle_t val = AS_nullAttrValHandle;
    void *value = nullptr;
    for (uint32_t vr = AS_FindFirstAttrValR(s, attr, &val, &value); vr == 0;
         vr = AS_FindNextAttrValVR(s, &val, &value)) {
      std::string text = Captured([&] { GENU_EchoAttrValue(s, "", value, type); });
      while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
      size_t start = text.find_first_not_of(" \t");
      r.values.push_back(start == std::string::npos ? "" : text.substr(start));
    }
    AS_FreeAttrValHandle(s, &val);
    out.push_back(std::move(r));
  }
  AS_FreeAttrHandle(s, &attr);
  return out;
}

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string DefaultPrinter(const std::string &given) {
  if (!given.empty()) return given;
  for (const char *name : {"PRINTER", "LPDEST"})
    if (const char *v = getenv(name); v && *v) return v;
  return "";
}

}  // namespace kq::tool
