// `kq pts get NAME [--host H]`: the program and version the pts registry service of a
// host holds for a server. The service answers for one name at a time (add, delete,
// get); it has no procedure that lists its bindings, so kq cannot show them all.
#include <rpc/rpc.h>

#include <cstdio>
#include <string>

#include "command.h"
#include "infra/ns.h"

namespace {

// True when the service answers its null procedure: tells "no binding" from "no
// service", which pts_get does not.
bool Answers(const std::string &host) {
  CLIENT *c = clnt_create(host.c_str(), PTS_PROGRAM, PTS_VERSION, "udp");
  if (!c) return false;
  struct timeval wait = {2, 0};
  bool ok =
      clnt_call(c, NULLPROC, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                nullptr, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                nullptr, wait) == RPC_SUCCESS;
  clnt_destroy(c);
  return ok;
}

int Get(const std::string &host, const std::string &name, FILE *out, FILE *err) {
  pts_binding_t *b = pts_get(host.c_str(), name.c_str(), PTS_TYPE_SERVER);
  if (b && b->name.name && *b->name.name) {
    fprintf(out, "%s: program %lu version %lu\n", name.c_str(), b->prognum, b->versnum);
    pts_destroy(b);
    return 0;
  }
  pts_destroy(b);
  if (Answers(host))
    fprintf(err, "kq pts: the pts registry on %s holds no server %s\n", host.c_str(), name.c_str());
  else
    fprintf(err, "kq pts: no pts registry service (kqptsd) answers on %s\n", host.c_str());
  return 1;
}

kq::tool::Command AddPts(CLI::App &app) {
  static std::string host = "localhost", name;
  CLI::App *sub = app.add_subcommand("pts", "Ask the pts registry service about a server");
  sub->require_subcommand(1);
  sub->footer(
      "The service answers for one name at a time; it has no procedure that lists its\n"
      "bindings. `kq printers` lists the directory's entries; those marked \"from the pts\n"
      "registry\" take their program and version from it.");
  CLI::App *get = sub->add_subcommand("get", "The program and version registered for a server");
  get->add_option("NAME", name, "server name")->required();
  get->add_option("--host", host, "host of the service (default: localhost)");
  return {sub, [] { return Get(host, name, stdout, stderr); }};
}
KQ_COMMAND(AddPts);

}  // namespace
