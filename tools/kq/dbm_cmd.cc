// `kq dbm dump` walks the file's pages itself, following the page layout from the
// root in key order, so that it shows what is on disk (and copes with a damaged
// file); `kq dbm get` asks the library, as the registry does.
#include "dbm_cmd.h"

#include <fcntl.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "command.h"
#include "infra/kqbm.h"
#include "internal/kqbm_page.h"

namespace {

// Text when every byte is printable (NUL bytes shown as \0), else hex.
std::string Show(const uint8_t *p, size_t n) {
  bool text = true;
  for (size_t i = 0; i < n; i++) {
    if (p[i] != 0 && (p[i] < 32 || p[i] > 126)) text = false;
  }
  std::string out;
  char b[4];
  if (text) {
    out += '"';
    for (size_t i = 0; i < n; i++) {
      if (p[i] == 0)
        out += "\\0";
      else if (p[i] == '"' || p[i] == '\\')
        (out += '\\') += (char)p[i];
      else
        out += (char)p[i];
    }
    return out + '"';
  }
  out = "0x";
  for (size_t i = 0; i < n; i++) {
    snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

namespace page = kq::kqbm;

struct Dumper {
  const std::vector<uint8_t> &file;
  FILE *out, *err;
  std::set<unsigned> seen;
  long items = 0;
  bool damaged = false;

  void Walk(unsigned number, int depth) {
    size_t base = size_t{number} * page::kPageSize;
    if (depth > 24 || base + page::kPageSize > file.size() || !seen.insert(number).second) {
      damaged = true;
      return;
    }
    const uint8_t *pg = &file[base];
    if (!page::ValidatePage(pg, number == 0)) {
      damaged = true;
      return;
    }
    if (page::IsLeaf(pg)) {
      for (int i = 0; i < page::Last(pg); i++) {
        page::Bytes key = page::EntryKey(pg, i), content = page::ItemContent(pg, i);
        fprintf(out, "%s\t%s\n", Show(key.p, key.len).c_str(),
                Show(content.p, content.len).c_str());
        items++;
      }
      return;
    }
    if (page::Last(pg) == 0 && page::Child(pg, 0) == 0) return;  // empty node
    for (int i = 0; i <= page::Last(pg); i++) Walk(page::Child(pg, i), depth + 1);
  }
};

std::string BaseName(std::string file) {
  const std::string suffix = KQBM_SUFFIX;
  if (file.size() > suffix.size() &&
      file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
    file.resize(file.size() - suffix.size());
  }
  return file;
}

int Dump(const std::string &name, FILE *out, FILE *err) {
  std::ifstream f(name + KQBM_SUFFIX, std::ios::binary);
  if (!f) {
    fprintf(err, "kq dbm: cannot read %s%s\n", name.c_str(), KQBM_SUFFIX);
    return 1;
  }
  std::vector<uint8_t> file{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  Dumper d{file, out, err, {}, 0, false};
  d.Walk(0, 0);
  if (d.damaged) {
    fprintf(err, "kq dbm: %s%s is damaged; %ld items shown\n", name.c_str(), KQBM_SUFFIX, d.items);
    return 1;
  }
  return 0;
}

int Get(const std::string &name, const std::string &key, FILE *out, FILE *err) {
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_RDONLY, 0, 0);
  if (!db) {
    fprintf(err, "kq dbm: cannot open %s%s\n", name.c_str(), KQBM_SUFFIX);
    return 1;
  }
  datum d = KQBM_fetch(db, {const_cast<char *>(key.data()), (int32_t)key.size()});
  int rc = 0;
  if (d.dptr) {
    fprintf(out, "%s\n", Show(reinterpret_cast<const uint8_t *>(d.dptr), (size_t)d.dsize).c_str());
  } else {
    fprintf(err, "kq dbm: %s not found\n", key.c_str());
    rc = 1;
  }
  KQBM_close(db);
  return rc;
}

}  // namespace

int kq_dbm_run(int argc, char **argv, FILE *out, FILE *err) {
  if (argc == 2 && strcmp(argv[0], "dump") == 0) return Dump(BaseName(argv[1]), out, err);
  if (argc == 3 && strcmp(argv[0], "get") == 0) return Get(BaseName(argv[1]), argv[2], out, err);
  fprintf(err, "usage: kq dbm dump FILE\n       kq dbm get FILE KEY\n");
  return 2;
}

int kq_dbm_command(int argc, char **argv) { return kq_dbm_run(argc, argv, stdout, stderr); }

namespace {

kq::tool::Command AddDbm(CLI::App &app) {
  static std::vector<std::string> args;
  CLI::App *sub = app.add_subcommand("dbm", "Inspect paged B-tree database files");
  sub->footer(
      "  kq dbm dump FILE       every key and content in key order\n"
      "  kq dbm get FILE KEY    the content stored under KEY");
  sub->add_option("ARGS", args, "dump FILE | get FILE KEY")->required();
  return {sub, [] {
            std::vector<char *> argv;
            for (std::string &a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            return kq_dbm_run(static_cast<int>(args.size()), argv.data(), stdout, stderr);
          }};
}
KQ_COMMAND(AddDbm);

}  // namespace
