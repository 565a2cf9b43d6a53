// kq: the print system's command-line client.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "dbm_cmd.h"
#include "demo_cmd.h"
#include "explain_cmd.h"

int main(int argc, char **argv) {
  CLI::App app{"kq: command-line client of the kq print system"};
  app.require_subcommand(1);

  std::vector<std::string> codes;
  std::string locale;
  CLI::App *explain = app.add_subcommand(
      "explain", "Print the message line for each status code (hexadecimal or decimal)");
  explain->add_option("CODE", codes, "status codes, such as 0xc009008a")->required();
  explain->add_option("-l,--locale", locale, "locale whose catalogue texts are wanted");

  std::string demoDir;
  CLI::App *demo = app.add_subcommand("demo", "A short tour of the library");
  demo->add_option("-d,--dir", demoDir, "directory for the files it writes (default: new /tmp one)");

  std::vector<std::string> dbmArgs;
  CLI::App *dbm = app.add_subcommand("dbm", "Inspect paged B-tree database files");
  dbm->footer("  kq dbm dump FILE       every key and content in key order\n"
              "  kq dbm get FILE KEY    the content stored under KEY");
  dbm->add_option("ARGS", dbmArgs, "dump FILE | get FILE KEY")->required();

  CLI11_PARSE(app, argc, argv);

  if (explain->parsed()) return kq_explain_run(codes, locale, stdout, stderr);
  if (demo->parsed()) return kq_demo_run(demoDir, stdout, stderr);
  std::vector<char *> args;
  for (std::string &a : dbmArgs) args.push_back(a.data());
  args.push_back(nullptr);
  return kq_dbm_run(static_cast<int>(dbmArgs.size()), args.data(), stdout, stderr);
}
