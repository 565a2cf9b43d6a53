// `kq printers` and `kq printer`: the directory of printers, servers and queues.
//   kq printers [--kind K]          one line per stored address
//   kq printer add NAME --kind K [--host H] [--program P --version V] [--auth A]
//                  [--server S]
//   kq printer remove NAME --kind K
// K is a kind name (logical, physical, printer, spooler, supervisor, server, queue,
// notify) or its number.
#ifndef KQ_TOOLS_KQ_PRINTERS_CMD_H
#define KQ_TOOLS_KQ_PRINTERS_CMD_H

#include <cstdio>
#include <string>

struct KqPrinterOptions {
  std::string kind;
  std::string host;
  int program = 0;
  int version = 1;
  std::string auth = "sys";
  std::string server;  // defaults to the entry's own name
  bool registry = false;
};

// Exit status: 0 listed (also when empty), 1 PRINTERS_CONF names a file that cannot
// be read or that holds text the directory skips (each said on `err`), 2 bad kind.
int kq_printers_run(const std::string &kind, FILE *out, FILE *err);
// action "add" or "remove". Exit status: 0 done, 1 refused by the directory (the
// reason on `err`), 2 bad usage. Addresses are always stored through the pts registry:
// spooler, supervisor and notify entries register their program and version, other
// entries are reached through their server's registration and take no program.
int kq_printer_run(const std::string &action, const std::string &name,
                   const KqPrinterOptions &options, FILE *out, FILE *err);

#endif
