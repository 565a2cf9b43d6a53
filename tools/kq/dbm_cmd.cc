// `kq dbm dump` walks the file's pages itself, following the page layout from the
// root in key order, so that it shows what is on disk (and copes with a damaged
// file); `kq dbm get` asks the library, as the registry does.
#include "dbm_cmd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
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

// Walks the tree from the root; `out` null only checks it. `damage` says what is
// wrong with the first bad page met.
struct Dumper {
  const std::vector<uint8_t> &file;
  FILE *out;
  std::set<unsigned> seen;
  long items = 0;
  std::string damage;

  void Damaged(unsigned number, const char *what) {
    if (damage.empty()) damage = "page " + std::to_string(number) + " " + what;
  }

  void Walk(unsigned number, int depth) {
    size_t base = size_t{number} * page::kPageSize;
    if (depth > 24) return Damaged(number, "lies too deep (a loop in the tree)");
    if (base + page::kPageSize > file.size()) return Damaged(number, "lies past the end");
    if (!seen.insert(number).second) return Damaged(number, "is reached twice");
    const uint8_t *pg = &file[base];
    if (!page::ValidatePage(pg, number == 0))
      return Damaged(number, number == 0 ? "(the root) is not a valid page" : "is not valid");
    if (page::IsLeaf(pg)) {
      for (int i = 0; i < page::Last(pg); i++) {
        page::Bytes key = page::EntryKey(pg, i), content = page::ItemContent(pg, i);
        if (out)
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

// The file a name stands for: the name itself when it ends in the suffix, else the
// name with the suffix added, as KQBM_open does.
std::string FileOf(const std::string &name) {
  const std::string suffix = KQBM_SUFFIX;
  bool has = name.size() > suffix.size() &&
             name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  return has ? name : name + suffix;
}

// Page numbers are 16 bits wide: no file of the format is larger.
constexpr off_t kMaxFileSize = off_t{65536} * page::kPageSize;

// Reads a whole B-tree file, refusing what is not a regular file of a possible size.
bool Load(const std::string &file, std::vector<uint8_t> &bytes, FILE *err) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  const char *why = nullptr;
  if (fd < 0 || fstat(fd, &st) != 0) {
    why = strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    why = "is a directory";
  } else if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
  } else if (st.st_size > kMaxFileSize) {
    why = "larger than any B-tree file can be";
  } else {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        why = n < 0 ? strerror(errno) : "shorter than its size";
        break;
      }
      got += static_cast<size_t>(n);
    }
  }
  if (fd >= 0) close(fd);
  if (why) fprintf(err, "kq dbm: cannot read %s: %s\n", file.c_str(), why);
  return !why;
}

int Dump(const std::string &file, FILE *out, FILE *err) {
  std::vector<uint8_t> bytes;
  if (!Load(file, bytes, err)) return 1;
  Dumper d{bytes, out, {}, 0, {}};
  d.Walk(0, 0);
  if (!d.damage.empty()) {
    fprintf(err, "kq dbm: %s is damaged (%s); %ld items shown\n", file.c_str(), d.damage.c_str(),
            d.items);
    return 1;
  }
  return 0;
}

int FromHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A key as `dump` shows it: 0x and hex digits, or text in double quotes (with \0,
// \" and \\); anything else is taken as it stands.
std::string KeyOf(const std::string &text) {
  if (text.size() > 2 && text.size() % 2 == 0 && text[0] == '0' && text[1] == 'x') {
    std::string bytes;
    for (size_t i = 2; i < text.size(); i += 2) {
      int hi = FromHexDigit(text[i]), lo = FromHexDigit(text[i + 1]);
      if (hi < 0 || lo < 0) return text;
      bytes += static_cast<char>(hi << 4 | lo);
    }
    return bytes;
  }
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    std::string bytes;
    for (size_t i = 1; i + 1 < text.size(); i++) {
      if (text[i] == '\\' && i + 2 < text.size()) {
        char next = text[++i];
        bytes += next == '0' ? '\0' : next;
      } else {
        bytes += text[i];
      }
    }
    return bytes;
  }
  return text;
}

int Get(const std::string &file, const std::string &keyText, FILE *out, FILE *err) {
  // Read first: KQBM_open only says that it failed, this says why.
  std::vector<uint8_t> bytes;
  if (!Load(file, bytes, err)) return 1;
  const std::string base = file.substr(0, file.size() - strlen(KQBM_SUFFIX));
  KQBM_dbHandle_t db = KQBM_open(base.c_str(), O_RDONLY, 0, 0);
  Dumper check{bytes, nullptr, {}, 0, {}};
  if (!db) {
    check.Walk(0, 0);
    fprintf(err, "kq dbm: cannot open %s: %s\n", file.c_str(),
            check.damage.empty() ? "not a B-tree file" : check.damage.c_str());
    return 1;
  }
  const std::string key = KeyOf(keyText);
  datum d = KQBM_fetch(db, {const_cast<char *>(key.data()), (int32_t)key.size()});
  int rc = 0;
  if (d.dptr) {
    fprintf(out, "%s\n", Show(reinterpret_cast<const uint8_t *>(d.dptr), (size_t)d.dsize).c_str());
  } else {
    // A miss in a damaged file is not an answer: say so instead.
    check.Walk(0, 0);
    if (!check.damage.empty())
      fprintf(err, "kq dbm: %s is damaged (%s); %s may be in it\n", file.c_str(),
              check.damage.c_str(), keyText.c_str());
    else
      fprintf(err, "kq dbm: %s not found in %s\n", keyText.c_str(), file.c_str());
    rc = 1;
  }
  KQBM_close(db);
  return rc;
}

}  // namespace

int kq_dbm_run(int argc, char **argv, FILE *out, FILE *err) {
  if (argc == 2 && strcmp(argv[0], "dump") == 0) return Dump(FileOf(argv[1]), out, err);
  if (argc == 3 && strcmp(argv[0], "get") == 0) return Get(FileOf(argv[1]), argv[2], out, err);
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
      "  kq dbm get FILE KEY    the content stored under KEY, given as dump shows it\n"
      "                         (0x and hex digits, \"text\") or as plain text\n"
      "FILE may be given with or without its .dbm suffix.");
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
