// The tour: explain a few status codes an administrator meets, write a trace to a
// stamped log file, keep a few records in a paged B-tree file, look up identifiers
// in the registry the build installs, and send a job's attributes through the wire
// form of a request and back.
#include "demo_cmd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

#include "command.h"
#include "dbm_cmd.h"
#include "explain_cmd.h"
#include "infra/kqbm.h"
#include "infra/svclog.h"
#include "oid_cmd.h"

namespace {

void Heading(FILE *out, const char *title) { fprintf(out, "\n== %s\n", title); }

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int Trace(const std::string &dir, FILE *out, FILE *err) {
  std::string base = dir + "/kq-demo.log";
  LOG_Init(base.c_str(), "EWADSIX");
  std::string file = LOG_SetAddress(nullptr);
  LOG_COND_MESSAGE(LOG_SEV_INFO, "demo: tracing to %s", file.c_str());
  if (LOG_START_MESSAGE(LOG_SEV_INFO, nullptr)) {
    LOG_CondAdd("demo: one message in pieces:\n");
    LOG_CondAdd("first piece, %d\n", 1);
    LOG_CondAdd("second piece, %d", 2);
    LOG_EndMessage();
  }
  LOG_COND_MESSAGE(LOG_SEV_WARNING, "demo: a warning with errno %d", ENOENT);
  LOG_COND_MESSAGE(LOG_SEV_FUNC, "not selected: never written");
  LOG_Term();
  std::string text = ReadFile(file);
  if (text.empty()) {
    fprintf(err, "kq demo: nothing was written to %s\n", file.c_str());
    return 1;
  }
  fprintf(out, "trace written to %s:\n%s", file.c_str(), text.c_str());
  return 0;
}

int Database(const std::string &dir, FILE *out, FILE *err) {
  std::string name = dir + "/registry";
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
  if (!db) {
    fprintf(err, "kq demo: cannot create %s.dbm\n", name.c_str());
    return 1;
  }
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"id-att-printer-name", "1.0.10175.1.3.649"},
      {"id-att-job-name", "1.0.10175.1.3.133"},
      {"id-att-job-owner", "1.0.10175.1.3.134"},
      {"id-att-document-format", "1.0.10175.1.3.451"},
  };
  for (const auto &[key, value] : rows) {
    datum k{const_cast<char *>(key.data()), static_cast<int32_t>(key.size())};
    datum v{const_cast<char *>(value.data()), static_cast<int32_t>(value.size())};
    if (uint32_t st = KQBM_store(db, k, v, KQBM_REPLACE)) {
      fprintf(err, "kq demo: store of %s failed: 0x%08x\n", key.c_str(), st);
      KQBM_close(db);
      return 1;
    }
  }
  std::string abbrev = "id-att-job-o";
  datum a{abbrev.data(), static_cast<int32_t>(abbrev.size())};
  datum found = KQBM_fetchAbbrev(db, a, nullptr, 0);
  fprintf(out, "abbreviation \"%s\" finds %.*s\n", abbrev.c_str(), found.dptr ? found.dsize : 0,
          found.dptr ? found.dptr : "");
  KQBM_close(db);
  fprintf(out, "kq dbm dump %s.dbm:\n", name.c_str());
  std::string file = name + ".dbm";
  char dump[] = "dump";
  char *argv[] = {dump, file.data(), nullptr};
  return kq_dbm_run(2, argv, out, err);
}

}  // namespace

int kq_demo_run(const std::string &dirArg, FILE *out, FILE *err) {
  std::string dir = dirArg;
  if (dir.empty()) {
    char tmpl[] = "/tmp/kq-demo-XXXXXX";
    if (!mkdtemp(tmpl)) {
      fprintf(err, "kq demo: cannot make a directory under /tmp: %s\n", strerror(errno));
      return 1;
    }
    dir = tmpl;
  } else if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    fprintf(err, "kq demo: cannot make %s: %s\n", dir.c_str(), strerror(errno));
    return 1;
  }

  Heading(out, "kq explain: what a status code in a log means");
  int rc = kq_explain_run({"0xc009008a", "0xc0010006", "0xc003007c", "0xc00a0088"}, "", out, err);
  // A code no catalogue holds shows the fallback line; explain reports it as unknown.
  rc |= kq_explain_run({"0xc0ff0001"}, "", out, out) == 1 ? 0 : 1;
  Heading(out, "The service log: a stamped log file");
  rc |= Trace(dir, out, err);
  Heading(out, "A paged B-tree file");
  rc |= Database(dir, out, err);
  Heading(out, "The object-identifier registry: an abbreviation and a dotted identifier");
  rc |= kq_oid_lookup_run({"id-att-pr-na", "1.0.10175.1.5.11"}, "", out, err);
  Heading(out, "A print request's attributes on the wire and back");
  rc |= kq_demo_wire_run(dir, out, err);
  fprintf(out, "\nEverything the demo wrote is in %s\n", dir.c_str());
  return rc;
}

namespace {

kq::tool::Command AddDemo(CLI::App &app) {
  static std::string dir;
  CLI::App *sub = app.add_subcommand("demo", "A short tour of the library");
  sub->add_option("-d,--dir", dir,
                  "directory for the files it writes (default: a new one in /tmp)");
  return {sub, [] { return kq_demo_run(dir, stdout, stderr); }};
}
KQ_COMMAND(AddDemo);

}  // namespace
