// kq: the print system's command-line client. Each subcommand lives in its own
// <name>_cmd.cc and registers itself (see command.h).
#include "command.h"

int main(int argc, char **argv) {
  CLI::App app{"kq: command-line client of the kq print system"};
  app.require_subcommand(1);
  std::vector<kq::tool::Command> commands;
  for (kq::tool::CommandAdder add : kq::tool::Commands()) commands.push_back(add(app));
  CLI11_PARSE(app, argc, argv);
  for (const kq::tool::Command &c : commands) {
    if (c.sub->parsed()) return c.run();
  }
  return 2;
}
