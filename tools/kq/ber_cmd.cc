#include "ber_cmd.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "command.h"
#include "infra/erdpa.h"
#include "infra/genu.h"
#include "infra/jqp.h"
#include "infra/svclog.h"
#include "internal/ber_access.h"
#include "internal/ber_mod_evt.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "runtime.h"

namespace {

const ber_module *FindModule(const std::string &name) {
  if (name == "dpa" || name == "kq_0b") return &kq_0b;
  if (name == "evt") return &evt;
  return nullptr;
}

// The most input `ber print` reads: far more than any record, and within what the
// decoder's 32-bit lengths can describe.
constexpr size_t kMaxInput = size_t{256} << 20;

// Reads at most kMaxInput bytes; "" on success, else why not.
std::string ReadAll(FILE *f, std::vector<unsigned char> &bytes) {
  struct stat st;
  if (fstat(fileno(f), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return "is a directory";
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kMaxInput)
      return "larger than " + std::to_string(kMaxInput >> 20) + " MiB";
  }
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
    if (bytes.size() + n > kMaxInput)
      return "more than " + std::to_string(kMaxInput >> 20) + " MiB";
    bytes.insert(bytes.end(), buf, buf + n);
  }
  return ferror(f) ? strerror(errno) : "";
}

// Text made only of hexadecimal digits and white space is read as hex: false when
// it is not such text, `odd` set when it is but one digit lacks its pair.
bool FromHex(const std::vector<unsigned char> &text, std::vector<unsigned char> &bytes, bool &odd) {
  std::vector<unsigned char> out;
  int high = -1;
  odd = false;
  for (unsigned char c : text) {
    if (isspace(c)) continue;
    if (!isxdigit(c)) return false;
    int d = isdigit(c) ? c - '0' : tolower(c) - 'a' + 10;
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<unsigned char>(high * 16 + d));
      high = -1;
    }
  }
  odd = high >= 0;
  if (odd || out.empty()) return false;
  bytes.swap(out);
  return true;
}

// The error type of a reply that carries each error record of the protocol module,
// as JQP_ErrorDecode takes it.
struct ErrorRecord {
  int pdu;
  int32_t errorType;
};
constexpr ErrorRecord kErrorRecords[] = {
    {AttributeError_PDU, 1}, {AccessError_PDU, 3},     {UpdateError_PDU, 4},
    {SecurityError_PDU, 9},  {ServiceError_PDU, 10},   {DocumentAccessError_PDU, 11},
    {PrinterError_PDU, 12},  {SelectionError_PDU, 13},
};

const ErrorRecord *FindErrorRecord(int pdu) {
  for (const ErrorRecord &e : kErrorRecords)
    if (e.pdu == pdu) return &e;
  return nullptr;
}

bool IsAttributeList(const ber_type *t) {
  return t == &kq_0b_d_AttributeList || t == &kq_0b_d_ModifyAttributeList;
}

// Calls `visit(type, value, path)` for every attribute list (plain or with modify
// operators) held anywhere in `value`, a value of type `t`, found through the record
// descriptions. `path` names the field, list elements by their index.
template <typename Visit>
void ForEachAttributeList(const ber_type *t, const void *value, const std::string &path,
                          Visit &visit) {
  if (!value) return;
  if (IsAttributeList(t)) return visit(t, value, path);
  auto join = [&](const char *name) {
    return path.empty() ? std::string(name) : path + "." + name;
  };
  switch (t->kind) {
    case BER_K_SEQUENCE:
      for (uint32_t i = 0; i < t->nfields; i++) {
        const ber_field &f = t->fields[i];
        if (kq::ber::Present(t, f, value))
          ForEachAttributeList(f.type, kq::ber::FieldValue(f, value), join(f.name), visit);
      }
      return;
    case BER_K_CHOICE:
      if (const ber_field *f = kq::ber::Chosen(t, value))
        ForEachAttributeList(f->type, kq::ber::FieldValue(*f, value), join(f->name), visit);
      return;
    case BER_K_SEQOF: {
      int i = 0;
      for (auto *n = kq::ber::Load<const uint8_t *>(value); n;
           n = kq::ber::Load<const uint8_t *>(n), i++)
        ForEachAttributeList(t->elem, kq::ber::At(n, t->elem_offset),
                             path + "[" + std::to_string(i) + "]", visit);
      return;
    }
    default:
      return;
  }
}

// Whether record `pdu` has something to render: an attribute list or an error result.
bool Renders(const ber_type *t, const void *value, int pdu) {
  bool found = FindErrorRecord(pdu) != nullptr;
  auto visit = [&](const ber_type *, const void *, const std::string &) { found = true; };
  ForEachAttributeList(t, value, "", visit);
  return found;
}

// The dotted form of an identifier's content octets ("?" when they are malformed).
std::string Dotted(const ber_oid &oid) {
  std::string text;
  uint64_t arc = 0;
  bool first = true;
  for (uint16_t i = 0; i < oid.length; i++) {
    if (arc >> 56) return "?";
    arc = (arc << 7) | (oid.value[i] & 0x7f);
    if (oid.value[i] & 0x80) continue;
    if (first) {
      uint64_t top = arc < 40 ? 0 : arc < 80 ? 1 : 2;
      text = std::to_string(top) + "." + std::to_string(arc - 40 * top);
      first = false;
    } else {
      text += "." + std::to_string(arc);
    }
    arc = 0;
  }
  return first || arc ? "?" : text;
}

// The codes of a status list, for a line saying why something was not rendered.
std::string Codes(STF_statusList_t *status) {
  std::string text;
  char code[16];
  STF_objectInfo_t info;
  for (int32_t i = 1; STF_GetObjectInfo(status, i, &info) == 0; i++) {
    snprintf(code, sizeof code, " 0x%08x", info.code);
    text += code;
  }
  return text;
}

// Renders attribute lists and error results through the service log: each rendering
// is one message written to a scratch log file, read back without the log's stamps.
class Renderer {
 public:
  explicit Renderer(FILE *out) : out_(out), status_(STF_CreateList(nullptr)) {
    char dir[] = "/tmp/kq-ber-XXXXXX";
    if (mkdtemp(dir)) {
      dir_ = dir;
      LOG_Init((dir_ + "/render").c_str(), "I");
      file_ = LOG_SetAddress(nullptr);
    }
  }
  ~Renderer() {
    if (!dir_.empty()) {
      LOG_Term();
      unlink(file_.c_str());
      rmdir(dir_.c_str());
    }
    STF_DeleteList(status_);
  }
  Renderer(const Renderer &) = delete;
  Renderer &operator=(const Renderer &) = delete;

  bool ok() const { return !failed_; }

  // Renders every attribute list of `value`, a record of type `t`.
  void Walk(const ber_type *t, const void *value) {
    auto visit = [this](const ber_type *list, const void *v, const std::string &path) {
      List(list, v, path);
    };
    ForEachAttributeList(t, value, "", visit);
  }

  // The description of error record `pdu` given as `bytes`.
  void Error(int32_t errorType, const std::vector<unsigned char> &bytes) {
    ERDPA_errorResult_t *result = nullptr;
    if (JQP_ErrorDecode(status_, errorType, bytes.data(), static_cast<int32_t>(bytes.size()),
                        &result)) {
      fprintf(out_, "error: not a DPA error result:%s\n", Codes(status_).c_str());
      failed_ = true;
      return;
    }
    char *text = ErrorResult2String(result);
    fprintf(out_, "error: %s\n", text ? text : "(out of memory)");
    free(text);
    fputs(Rendered([&] { ERDPA_EchoErrorResult(status_, result); }).c_str(), out_);
    ERDPA_FreeError(status_, result);
  }

 private:
  void List(const ber_type *t, const void *value, const std::string &path) {
    const bool modify = t == &kq_0b_d_ModifyAttributeList;
    std::vector<const ber_oid *> types;
    if (modify) {
      for (auto *n = *static_cast<const ModifyAttributeList *>(value); n; n = n->next)
        types.push_back(&n->value.type);
    } else {
      for (auto *n = *static_cast<const AttributeList *>(value); n; n = n->next)
        types.push_back(&n->value.type);
    }
    fprintf(out_, "%s: %zu attribute%s\n", path.empty() ? t->name : path.c_str(), types.size(),
            types.size() == 1 ? "" : "s");
    for (const ber_oid *oid : types) {
      const GENU_berOid_t ber{oid->length, oid->value};
      uint32_t shoid = 0;
      const char *name = GENU_BerToShortOID(status_, &ber, &shoid) ? "(not registered)"
                                                                   : GENU_ShortOIDToAscii(shoid);
      fprintf(out_, "\t%s %s\n", Dotted(*oid).c_str(), name);
    }
    AS_setHandle_t set = AS_nullSetHandle;
    int rc = modify ? ToGEN_ModOpAS(status_, static_cast<const ModifyAttributeList *>(value), &set)
                    : ToGEN_AS(status_, static_cast<const AttributeList *>(value), &set);
    if (rc) {
      fprintf(out_, "\t\tnot rendered:%s\n", Codes(status_).c_str());
      failed_ = true;
      return;
    }
    fputs(Rendered([&] { GEN_EchoAS(status_, set); }).c_str(), out_);
    AS_Destroy(status_, &set);
  }

  // The text `emit` adds to one service-log message.
  std::string Rendered(const std::function<void()> &emit) {
    return file_.empty() ? "" : kq::tool::LoggedText(file_, emit);
  }

  FILE *out_;
  STF_statusList_t *status_;
  std::string dir_, file_;
  bool failed_ = false;
};

}  // namespace

int kq_ber_print_run(const std::string &module, int pdu, const std::string &file, FILE *in,
                     FILE *out, FILE *err, bool raw) {
  const ber_module *m = FindModule(module);
  if (!m) {
    fprintf(err, "kq ber: unknown module \"%s\" (dpa or evt)\n", module.c_str());
    return 2;
  }
  if (!BER__FindPDU(m, pdu)) {
    fprintf(err, "kq ber: module %s has no record number %d\n", module.c_str(), pdu);
    return 2;
  }
  std::vector<unsigned char> bytes;
  FILE *f = (file.empty() || file == "-") ? in : fopen(file.c_str(), "rb");
  if (!f) {
    fprintf(err, "kq ber: cannot open %s: %s\n", file.c_str(), strerror(errno));
    return 1;
  }
  std::string why = ReadAll(f, bytes);
  if (f != in) fclose(f);
  const char *name = file.empty() ? "-" : file.c_str();
  if (!why.empty()) {
    fprintf(err, "kq ber: cannot read %s: %s\n", name, why.c_str());
    return 1;
  }
  std::vector<unsigned char> decoded;
  bool odd = false;
  if (FromHex(bytes, decoded, odd)) bytes.swap(decoded);
  if (odd) {
    fprintf(err, "kq ber: %s: hexadecimal text with an odd number of digits\n", name);
    return 1;
  }

  OssGlobal *world = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
  if (!world || ossinit(world, m) != 0) {
    free(world);
    fprintf(err, "kq ber: cannot set up the coder\n");
    return 1;
  }
  OssBuf buf{static_cast<int32_t>(bytes.size()), bytes.data()};  // bounded by kMaxInput
  void *value = nullptr;
  int rc = ossDecode(world, &pdu, &buf, &value);
  if (rc) {
    fprintf(err, "kq ber: record %d does not decode: %s\n", pdu, ossGetErrMsg(world));
  } else if (raw || m != &kq_0b || !Renders(BER__FindPDU(m, pdu)->type, value, pdu)) {
    world->printOut = out;
    ossPrintPDU(world, pdu, value);
  } else {
    kq::tool::StartMessages();
    const ber_pdu *record = BER__FindPDU(m, pdu);
    fprintf(out, "%s\n", record->name);
    Renderer render(out);
    render.Walk(record->type, value);
    if (const ErrorRecord *e = FindErrorRecord(pdu)) render.Error(e->errorType, bytes);
    rc = render.ok() ? 0 : 1;
  }
  if (value) ossFreePDU(world, pdu, value);
  ossterm(world);
  free(world);
  return rc ? 1 : 0;
}

int kq_ber_list_run(const std::string &module, FILE *out, FILE *err) {
  const ber_module *m = FindModule(module);
  if (!m) {
    fprintf(err, "kq ber: unknown module \"%s\" (dpa or evt)\n", module.c_str());
    return 2;
  }
  for (uint32_t i = 0; i < m->npdus; i++)
    fprintf(out, "%5d  %s\n", m->pdus[i].number, m->pdus[i].name);
  return 0;
}

namespace {

kq::tool::Command AddBer(CLI::App &app) {
  struct Options {
    std::string module = "dpa";
    int pdu = 0;
    std::string file;
    bool list = false;
    bool raw = false;
  };
  static Options o;
  CLI::App *sub = app.add_subcommand("ber", "Decode and print protocol records (BER)");
  sub->add_option("-m,--module", o.module, "module: dpa (protocol records) or evt (events)");
  sub->require_subcommand(1);
  CLI::App *print = sub->add_subcommand(
      "print", "Decode an encoding (raw bytes or hexadecimal text) as a record and print it");
  print->add_option("PDU", o.pdu, "record number")->required();
  print->add_option("FILE", o.file, "file holding the encoding; - or none: standard input");
  print->add_flag("--raw", o.raw,
                  "print the record's structure as decoded instead of rendering its attribute "
                  "lists and error description");
  CLI::App *list = sub->add_subcommand("list", "List the record numbers and their types");
  list->callback([] { o.list = true; });
  // -m belongs to both subcommands: given after either, it passes up to `ber`.
  print->fallthrough();
  list->fallthrough();
  return {sub, [] {
            return o.list ? kq_ber_list_run(o.module, stdout, stderr)
                          : kq_ber_print_run(o.module, o.pdu, o.file, stdin, stdout, stderr, o.raw);
          }};
}
KQ_COMMAND(AddBer);

}  // namespace
