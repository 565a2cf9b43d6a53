#include "printers_cmd.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "command.h"
#include "infra/ns.h"

namespace {

const char *const kKindNames[] = {"logical",    "physical", "printer", "spooler",
                                  "supervisor", "server",   "queue",   "notify"};
const char *const kClassNames[] = {"lp", "pp", "lp", "sl", "sv", "sl", "qu", "nf"};
const char *const kAuthNames[] = {"none", "sys", "des", "kerb"};

// A kind by name or number; -1 when it is neither.
int ParseKind(const std::string &text) {
  for (int i = 0; i < 8; ++i)
    if (text == kKindNames[i]) return i;
  char *end = nullptr;
  long n = strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && n >= 0 && n < 8 ? static_cast<int>(n) : -1;
}

void PrintKind(int kind, FILE *out) {
  ns_dpa_addr_t **list = ns_list_dpa_addr(kind);
  for (ns_dpa_addr_t **a = list; a && *a; ++a) {
    const ns_dpa_addr_t &x = **a;
    fprintf(out, "%-16s %-10s %-3s %-20s %8d %3d %-5s %-16s %-5s%s\n", x.name, kKindNames[x.cls],
            kClassNames[x.cls], x.host, x.prognum, x.versnum, kAuthNames[x.auth], x.server,
            x.ns ? x.ns : "", x.flag ? " (program and version from the pts registry)" : "");
  }
  ns_free_dpa_addr_list(list);
}

}  // namespace

int kq_printers_run(const std::string &kind, FILE *out, FILE *err) {
  std::vector<int> kinds = {NS_KIND_PRINTER, NS_KIND_SERVER, NS_KIND_QUEUE};
  if (!kind.empty()) {
    int k = ParseKind(kind);
    if (k < 0) {
      fprintf(err, "kq printers: unknown kind \"%s\"\n", kind.c_str());
      return 2;
    }
    kinds = {k};
  }
  fprintf(out, "%-16s %-10s %-3s %-20s %8s %3s %-5s %-16s %-5s\n", "NAME", "KIND", "CLS", "HOST",
          "PROGRAM", "VER", "AUTH", "SERVER", "SRC");
  for (int k : kinds) PrintKind(k, out);
  return 0;
}

int kq_printer_run(const std::string &action, const std::string &name, const KqPrinterOptions &o,
                   FILE *out, FILE *err) {
  int kind = ParseKind(o.kind);
  if (kind < 0 || kind == NS_KIND_PRINTER || kind == NS_KIND_SERVER) {
    fprintf(err, "kq printer: \"%s\" is not a kind an entry can have\n", o.kind.c_str());
    return 2;
  }
  if (action == "remove") {
    if (ns_delete_dpa_addr(name.c_str(), kind) != 0) {
      fprintf(err, "kq printer: %s has no %s address\n", name.c_str(), kKindNames[kind]);
      return 1;
    }
    fprintf(out, "removed %s %s\n", kKindNames[kind], name.c_str());
    return 0;
  }
  if (action != "add") {
    fprintf(err, "kq printer: unknown action \"%s\" (add or remove)\n", action.c_str());
    return 2;
  }
  int auth = -1;
  for (int i = 0; i < 4; ++i)
    if (o.auth == kAuthNames[i]) auth = i;
  if (auth < 0 || o.program <= 0 || o.version <= 0) {
    fprintf(err,
            "kq printer: needs a positive program and version and an authentication "
            "of none, sys, des or kerb\n");
    return 2;
  }
  ns_dpa_addr_t a = {};
  a.name = const_cast<char *>(name.c_str());
  a.host = o.host.empty() ? nullptr : const_cast<char *>(o.host.c_str());
  a.prognum = o.program;
  a.versnum = o.version;
  a.auth = auth;
  a.cls = kind;
  a.server = const_cast<char *>(o.server.empty() ? name.c_str() : o.server.c_str());
  a.flag = o.registry ? 1 : 0;
  if (ns_put_dpa_addr(&a) != 0) {
    fprintf(err, "kq printer: the directory refused %s (see the service log)\n", name.c_str());
    return 1;
  }
  fprintf(out, "stored %s %s\n", kKindNames[kind], name.c_str());
  return 0;
}

namespace {

kq::tool::Command AddPrinters(CLI::App &app) {
  static std::string kind;
  CLI::App *sub =
      app.add_subcommand("printers", "List the directory's printers, servers and queues");
  sub->add_option("-k,--kind", kind,
                  "only this kind (logical, physical, printer, spooler, "
                  "supervisor, server, queue, or its number)");
  return {sub, [] { return kq_printers_run(kind, stdout, stderr); }};
}
KQ_COMMAND(AddPrinters);

kq::tool::Command AddPrinter(CLI::App &app) {
  static std::string action, name;
  static KqPrinterOptions o;
  CLI::App *sub = app.add_subcommand("printer", "Add or remove a directory entry's address");
  sub->add_option("ACTION", action, "add or remove")->required();
  sub->add_option("NAME", name, "entry name")->required();
  sub->add_option("-k,--kind", o.kind, "kind of the address")->required();
  sub->add_option("--host", o.host, "server host (default: this host)");
  sub->add_option("-p,--program", o.program, "RPC program number");
  sub->add_option("-v,--version", o.version, "RPC version number");
  sub->add_option("-a,--auth", o.auth, "none, sys, des or kerb");
  sub->add_option("-s,--server", o.server, "server name (default: NAME)");
  sub->add_flag("-r,--registry", o.registry, "program and version come from the pts registry");
  return {sub, [] { return kq_printer_run(action, name, o, stdout, stderr); }};
}
KQ_COMMAND(AddPrinter);

}  // namespace
