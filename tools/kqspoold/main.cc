// kqspoold: the reference print server. Serves the print protocol's request
// procedure over TCP under the RPC program and version it is given, with printers
// and queues from a configuration file and jobs held in memory.
#include <getopt.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/ns.h"
#include "rpc_server.h"
#include "state.h"

namespace {

volatile sig_atomic_t stopping = 0;
void OnSignal(int) { stopping = 1; }

const char kUsage[] =
    "usage: kqspoold -p PROGRAM -v VERSION -c CONFIG [-s SPOOL_DIR] [-t TRACE_DIR] [-l] [-P PORT]\n"
    "                [-w] [-F stall|garbage-reply|garbage-result]\n"
    "  -p PROGRAM   RPC program number to serve and register with rpcbind\n"
    "  -v VERSION   RPC version number\n"
    "  -c CONFIG    configuration: one directive a line, '#' starts a comment:\n"
    "                 server NAME | printer NAME [queue QUEUE] | queue NAME | list-limit N\n"
    "  -s SPOOL_DIR where included documents are written (default: none, dropped)\n"
    "  -t TRACE_DIR keep every request packet there as received, one file a request\n"
    "               (\"<sequence>-op<operation>.ber\")\n"
    "  -l           listen on the loopback address only\n"
    "  -P PORT      TCP port (default: any free port)\n"
    "  -w           write the server, printer and queue entries into the printers\n"
    "               file (PRINTERS_CONF, else /etc/printers.conf; needs kqptsd) and\n"
    "               remove them again on exit\n"
    "  -F FAULT     for client tests: calls of the request procedure are never answered\n"
    "               (stall), answered with a reply whose result does not decode\n"
    "               (garbage-reply) or\n"
    "               with a result packet that is no BER record (garbage-result); the\n"
    "               null procedure still answers\n"
    "Stops on SIGTERM or SIGINT, unregistering from rpcbind.\n";

bool Number(const char *text, unsigned long max, unsigned long *out) {
  char *end = nullptr;
  errno = 0;
  *out = strtoul(text, &end, 10);
  return *text && *end == '\0' && errno == 0 && *out > 0 && *out <= max;
}

// The directory entries of this server: the server itself, then its printers and
// queues, all pointing at the server's program and version.
struct Entry {
  std::string name;
  int kind;
};

std::vector<Entry> Entries(const kq::spool::Config &c) {
  std::vector<Entry> e{{c.server, NS_KIND_SPOOLER}};
  for (const auto &[printer, queue] : c.printers) {
    e.push_back({printer, NS_KIND_LOGICAL});
    if (!queue.empty()) e.push_back({queue, NS_KIND_QUEUE});
  }
  for (const std::string &q : c.queues) e.push_back({q, NS_KIND_QUEUE});
  return e;
}

bool WriteEntries(const kq::spool::Config &c, const kq::spool::RpcOptions &o) {
  char host[256] = "localhost";
  if (!o.loopbackOnly) gethostname(host, sizeof host);
  for (const Entry &e : Entries(c)) {
    ns_dpa_addr_t a = {};
    a.name = const_cast<char *>(e.name.c_str());
    a.host = host;
    a.prognum = static_cast<int>(o.program);
    a.versnum = static_cast<int>(o.version);
    a.auth = NS_AUTH_SYS;
    a.cls = e.kind;
    a.server = const_cast<char *>(c.server.c_str());
    if (ns_put_dpa_addr(&a) != 0) {
      fprintf(stderr, "kqspoold: the directory refused the entry of %s\n", e.name.c_str());
      return false;
    }
  }
  return true;
}

void RemoveEntries(const kq::spool::Config &c) {
  auto entries = Entries(c);
  // The server entry last: the printers point at it until they are gone.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    ns_delete_dpa_addr(it->name.c_str(), it->kind);
}

}  // namespace

int main(int argc, char **argv) {
  kq::spool::RpcOptions options;
  kq::spool::Config config;
  std::string configPath;
  bool writeEntries = false;
  static const option kLong[] = {{"help", no_argument, nullptr, 'h'}, {}};
  unsigned long n = 0;
  for (int c; (c = getopt_long(argc, argv, "p:v:c:s:t:lP:wF:h", kLong, nullptr)) != -1;) {
    switch (c) {
      case 'p':
        if (!Number(optarg, 0xffffffffu, &n)) goto usage;
        options.program = static_cast<uint32_t>(n);
        break;
      case 'v':
        if (!Number(optarg, 0xffffffffu, &n)) goto usage;
        options.version = static_cast<uint32_t>(n);
        break;
      case 'c':
        configPath = optarg;
        break;
      case 's':
        config.spoolDir = optarg;
        break;
      case 't':
        config.traceDir = optarg;
        break;
      case 'l':
        options.loopbackOnly = true;
        break;
      case 'P':
        if (!Number(optarg, 65535, &n)) goto usage;
        options.port = static_cast<uint16_t>(n);
        break;
      case 'w':
        writeEntries = true;
        break;
      case 'F':
        if (strcmp(optarg, "stall") == 0) {
          options.fault = kq::spool::Fault::kStall;
        } else if (strcmp(optarg, "garbage-reply") == 0) {
          options.fault = kq::spool::Fault::kGarbageReply;
        } else if (strcmp(optarg, "garbage-result") == 0) {
          options.fault = kq::spool::Fault::kGarbageResult;
        } else {
          goto usage;
        }
        break;
      case 'h':
        fputs(kUsage, stdout);
        return 0;
      default:
        goto usage;
    }
  }
  if (optind != argc || options.program == 0 || options.version == 0 || configPath.empty())
    goto usage;
  {
    std::string error;
    std::string spoolDir = config.spoolDir, traceDir = config.traceDir;
    if (!kq::spool::LoadConfig(configPath, &config, &error)) {
      fprintf(stderr, "kqspoold: %s\n", error.c_str());
      return 1;
    }
    config.spoolDir = spoolDir;
    config.traceDir = traceDir;
    if (!spoolDir.empty() && access(spoolDir.c_str(), W_OK) != 0) {
      fprintf(stderr, "kqspoold: cannot write into the spool directory %s\n", spoolDir.c_str());
      return 1;
    }
    if (!traceDir.empty() && access(traceDir.c_str(), W_OK) != 0) {
      fprintf(stderr, "kqspoold: cannot write into the trace directory %s\n", traceDir.c_str());
      return 1;
    }
    struct sigaction action = {};
    action.sa_handler = OnSignal;  // no SA_RESTART: poll returns at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    if (writeEntries && !WriteEntries(config, options)) {
      RemoveEntries(config);
      return 1;
    }
    kq::spool::Server server(config);
    int rc = kq::spool::ServeRpc(server, options, &stopping);
    if (writeEntries) RemoveEntries(config);
    return rc;
  }
usage:
  fputs(kUsage, stderr);
  return 2;
}
