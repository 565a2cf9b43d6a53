#include "printers_cmd.h"

#include <rpc/rpc.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
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

// Kinds stored under the server key: their own program and version are registered.
bool IsServerKind(int kind) {
  return kind == NS_KIND_SPOOLER || kind == NS_KIND_SUPERVISOR || kind == NS_KIND_NOTIFY;
}

bool ValidName(const std::string &name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (!isalnum(c) && c != '-' && c != '_') return false;
  return true;
}

// True when the pts registry service answers its null procedure on this host.
bool RegistryAnswers() {
  CLIENT *c = clnt_create("localhost", PTS_PROGRAM, PTS_VERSION, "udp");
  if (!c) return false;
  struct timeval wait = {2, 0};
  bool ok =
      clnt_call(c, NULLPROC, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                nullptr, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                nullptr, wait) == RPC_SUCCESS;
  clnt_destroy(c);
  return ok;
}

// The directory only says that it refused an address; these are the reasons it has.
std::string WhyRefused(const ns_dpa_addr_t &a) {
  ns_dpa_addr_t **list = ns_list_dpa_addr(a.cls);
  std::string why;
  for (ns_dpa_addr_t **e = list; e && *e && why.empty(); ++e) {
    const ns_dpa_addr_t &old = **e;
    if (strcmp(old.name, a.name) != 0 || !old.flag) continue;
    if (old.auth != a.auth || (a.host && strcmp(old.host, a.host) != 0) ||
        strcmp(old.server ? old.server : "", a.server) != 0)
      why = std::string("it already has a ") + kKindNames[a.cls] + " address (host " + old.host +
            ", server " + (old.server ? old.server : "") + ", authentication " +
            kAuthNames[old.auth] + "); remove it first";
  }
  ns_free_dpa_addr_list(list);
  if (!why.empty()) return why;
  if (IsServerKind(a.cls) && !RegistryAnswers())
    return "the pts registry service (kqptsd) does not answer on this host";
  const char *file = getenv("PRINTERS_CONF");
  return std::string("the printers file ") + (file && *file ? file : "/etc/printers.conf") +
         " could not be written" + (errno ? std::string(" (") + strerror(errno) + ")" : "");
}

// The directory reads the printers file leniently: it skips an entry longer than
// its limit and keeps nothing usable of text that is not an entry. This reads the
// file as it does (an entry runs over lines ending in a backslash; "#" lines and
// empty lines are skipped) and reports what it would drop. False when it drops any.
constexpr size_t kEntryLimit = 1023;  // the directory's own limit

bool CheckPrintersFile(FILE *f, const char *file, FILE *err) {
  bool clean = true;
  std::string entry;
  int line = 0, first = 0;
  auto finish = [&] {
    if (entry.empty()) return;
    std::string name = entry.substr(0, entry.find_first_of(":|"));
    if (entry.find(':') == std::string::npos) {
      fprintf(err, "kq printers: %s:%d: not an entry (NAME:KEY=VALUE:...): %.40s\n", file, first,
              entry.c_str());
      clean = false;
    } else if (entry.size() > kEntryLimit) {
      fprintf(err, "kq printers: %s:%d: entry %s is longer than %zu characters and is skipped\n",
              file, first, name.c_str(), kEntryLimit);
      clean = false;
    }
    entry.clear();
  };
  char buffer[4096];
  bool continuing = false;
  std::string text;
  while (fgets(buffer, sizeof buffer, f)) {
    text += buffer;
    if (text.back() != '\n' && !feof(f)) continue;  // a line longer than the buffer
    line++;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty() || text[0] == '#') {
      if (continuing) finish();
      continuing = false;
      text.clear();
      continue;
    }
    if (entry.empty()) first = line;
    continuing = text.back() == '\\';
    if (continuing) text.pop_back();
    entry += text;
    text.clear();
    if (!continuing) finish();
  }
  finish();
  return clean;
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
  // The directory reads a missing or unreadable printers file as an empty one.
  bool clean = true;
  const char *file = getenv("PRINTERS_CONF");
  if (file && *file) {
    FILE *f = fopen(file, "r");
    struct stat st;
    if (!f || fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
      fprintf(err, "kq printers: cannot read PRINTERS_CONF file %s: %s\n", file,
              f ? "is a directory or device" : strerror(errno));
      if (f) fclose(f);
      return 1;
    }
    clean = CheckPrintersFile(f, file, err);
    fclose(f);
  }
  fprintf(out, "%-16s %-10s %-3s %-20s %8s %3s %-5s %-16s %-5s\n", "NAME", "KIND", "CLS", "HOST",
          "PROGRAM", "VER", "AUTH", "SERVER", "SRC");
  for (int k : kinds) PrintKind(k, out);
  return clean ? 0 : 1;
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
  if (auth < 0) {
    fprintf(err, "kq printer: authentication \"%s\" is not none, sys, des or kerb\n",
            o.auth.c_str());
    return 2;
  }
  // The printers file keeps every address through the pts registry: a server's
  // program and version are registered there under its name, and any other entry
  // is reached through the registration of the server it names.
  const bool server = IsServerKind(kind);
  if (server && (o.program <= 0 || o.version <= 0)) {
    fprintf(err, "kq printer: a %s address needs a positive --program and --version\n",
            kKindNames[kind]);
    return 2;
  }
  if (!server && o.program != 0) {
    fprintf(err,
            "kq printer: a %s address takes its program and version from the pts registry "
            "entry of its server (--server); --program is for spooler, supervisor and notify "
            "addresses\n",
            kKindNames[kind]);
    return 2;
  }
  if (!ValidName(name)) {
    fprintf(err, "kq printer: \"%s\": a name consists of letters, digits, '-' and '_'\n",
            name.c_str());
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
  a.flag = 1;
  if (ns_put_dpa_addr(&a) != 0) {
    fprintf(err, "kq printer: %s was not stored: %s\n", name.c_str(), WhyRefused(a).c_str());
    return 1;
  }
  if (server)
    fprintf(out, "stored %s %s; program %d version %d registered with the pts registry\n",
            kKindNames[kind], name.c_str(), o.program, o.version);
  else
    fprintf(out, "stored %s %s; program and version from the pts registry entry of %s\n",
            kKindNames[kind], name.c_str(), a.server);
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
  sub->add_option("-p,--program", o.program,
                  "RPC program number (spooler, supervisor, notify: registered with the pts "
                  "registry)");
  sub->add_option("-v,--version", o.version, "RPC version number");
  sub->add_option("-a,--auth", o.auth, "none, sys, des or kerb");
  sub->add_option("-s,--server", o.server, "server name (default: NAME)");
  sub->add_flag("-r,--registry", o.registry,
                "accepted for old scripts: the printers file always takes program and version "
                "from the pts registry");
  return {sub, [] { return kq_printer_run(action, name, o, stdout, stderr); }};
}
KQ_COMMAND(AddPrinter);

}  // namespace
