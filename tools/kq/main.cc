// kq: the print system's command-line client. Each subcommand lives in its own
// <name>_cmd.cc and registers itself (see command.h).
#include <cstring>

#include "command.h"

namespace {

constexpr int kUsage = 2;  // exit status of a command line kq cannot run

// The first word that is not an option, when it names no subcommand: CLI11 would
// only say that a subcommand is required.
const char *UnknownSubcommand(const CLI::App &app, int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    for (const CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; }))
      if (sub->check_name(argv[i])) return nullptr;
    return argv[i];
  }
  return nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  CLI::App app{"kq: command-line client of the kq print system"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kq " KQ_VERSION);
  app.footer(
      "Exit status: 0 success, 1 failure (a lookup, file or server that failed), 2 usage\n"
      "(a command line kq cannot run). `kq SUBCOMMAND --help` describes each subcommand.");
  std::vector<kq::tool::Command> commands;
  for (kq::tool::CommandAdder add : kq::tool::Commands()) commands.push_back(add(app));
  if (argc == 2 && strcmp(argv[1], "help") == 0) {
    fputs(app.help().c_str(), stdout);
    return 0;
  }
  if (const char *word = UnknownSubcommand(app, argc, argv)) {
    fprintf(stderr, "kq: unknown subcommand \"%s\" (kq --help lists them)\n", word);
    return kUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    int rc = app.exit(e);  // prints help, the version or the error
    return rc == 0 ? 0 : kUsage;
  }
  for (const kq::tool::Command &c : commands) {
    if (c.sub->parsed()) return c.run();
  }
  return kUsage;
}
