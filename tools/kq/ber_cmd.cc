#include "ber_cmd.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "command.h"
#include "internal/ber_mod_evt.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"

namespace {

const ber_module *FindModule(const std::string &name) {
  if (name == "dpa" || name == "kq_0b") return &kq_0b;
  if (name == "evt") return &evt;
  return nullptr;
}

bool ReadAll(FILE *f, std::vector<unsigned char> &bytes) {
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  return !ferror(f);
}

// Text made only of hexadecimal digit pairs and white space is read as hex.
bool FromHex(const std::vector<unsigned char> &text, std::vector<unsigned char> &bytes) {
  std::vector<unsigned char> out;
  int high = -1;
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
  if (high >= 0 || out.empty()) return false;
  bytes.swap(out);
  return true;
}

}  // namespace

int kq_ber_print_run(const std::string &module, int pdu, const std::string &file, FILE *in,
                     FILE *out, FILE *err) {
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
    fprintf(err, "kq ber: cannot open %s\n", file.c_str());
    return 1;
  }
  bool ok = ReadAll(f, bytes);
  if (f != in) fclose(f);
  if (!ok) {
    fprintf(err, "kq ber: cannot read %s\n", file.empty() ? "-" : file.c_str());
    return 1;
  }
  std::vector<unsigned char> decoded;
  if (FromHex(bytes, decoded)) bytes.swap(decoded);

  OssGlobal *world = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
  if (!world || ossinit(world, m) != 0) {
    free(world);
    fprintf(err, "kq ber: cannot set up the coder\n");
    return 1;
  }
  OssBuf buf{static_cast<int32_t>(bytes.size()), bytes.data()};
  void *value = nullptr;
  int rc = ossDecode(world, &pdu, &buf, &value);
  if (rc) {
    fprintf(err, "kq ber: record %d does not decode: %s\n", pdu, ossGetErrMsg(world));
  } else {
    world->printOut = out;
    ossPrintPDU(world, pdu, value);
    ossFreePDU(world, pdu, value);
  }
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
  };
  static Options o;
  CLI::App *sub = app.add_subcommand("ber", "Decode and print protocol records (BER)");
  sub->add_option("-m,--module", o.module, "module: dpa (protocol records) or evt (events)");
  sub->require_subcommand(1);
  CLI::App *print = sub->add_subcommand(
      "print", "Decode an encoding (raw bytes or hexadecimal text) as a record and print it");
  print->add_option("PDU", o.pdu, "record number")->required();
  print->add_option("FILE", o.file, "file holding the encoding; - or none: standard input");
  CLI::App *list = sub->add_subcommand("list", "List the record numbers and their types");
  list->callback([] { o.list = true; });
  return {sub, [] {
            return o.list ? kq_ber_list_run(o.module, stdout, stderr)
                          : kq_ber_print_run(o.module, o.pdu, o.file, stdin, stdout, stderr);
          }};
}
KQ_COMMAND(AddBer);

}  // namespace
