// Subcommands of kq register themselves: each <name>_cmd.cc defines a function
// that adds its subcommand to the application and returns how to run it, and
// names it with KQ_COMMAND. main() knows none of them by name.
#ifndef KQ_TOOLS_KQ_COMMAND_H
#define KQ_TOOLS_KQ_COMMAND_H

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace kq::tool {

struct Command {
  CLI::App *sub;             // the subcommand as added to the application
  std::function<int()> run;  // runs it once the command line is parsed; exit status
};
using CommandAdder = Command (*)(CLI::App &app);

std::vector<CommandAdder> &Commands();

struct Registration {
  explicit Registration(CommandAdder add) { Commands().push_back(add); }
};

}  // namespace kq::tool

#define KQ_COMMAND(adder) static const ::kq::tool::Registration kqRegistration_##adder(adder)

#endif
