// Reading "charset.dat": a "codeset-mappings:" line, code-set lines (name and dotted
// identifier), a "locale-mappings:" line, locale lines (name, language, country,
// code-set name). Blank lines are skipped; a last line without a newline is not read.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "infra/genu_oid.h"
#include "infra/oid.h"
#include "internal/stf_scratch.h"
#include "private/i18n_tables.h"

namespace kq::i18n {
namespace {

constexpr int kMaxLine = 255;  // characters of a line, newline not counted
constexpr int kMaxWords = 5;   // one more than any valid line, to see too many

struct File {
  FILE *f;
  ~File() {
    if (f) fclose(f);
  }
};

// Splits `line` in place at blanks and tabs; returns the number of words (at most
// kMaxWords).
int SplitWords(char *line, char *words[kMaxWords]) {
  int n = 0;
  char *save = nullptr;
  for (char *w = strtok_r(line, " \t\n", &save); w && n < kMaxWords;
       w = strtok_r(nullptr, " \t\n", &save)) {
    words[n++] = w;
  }
  return n;
}

// The short OID of a dotted identifier (no characteristics); false when it does not
// convert.
bool DottedToShort(const char *dotted, uint32_t *shoid) {
  if (strchr(dotted, ':')) return false;
  kq::stf::ScratchList scratch;
  unsigned char binary[OID_BINARY_MAX + 1];
  bool ok = OID_ConvertDecToBin(scratch, dotted, binary, nullptr) == 0 &&
            GENU_BinaryToShortOID(scratch, binary, shoid) == 0;
  return ok;
}

uint32_t AddCodeset(Tables &t, const char *name, const char *dotted) {
  uint32_t shoid = 0;
  if (!DottedToShort(dotted, &shoid)) return I18N_ST_BAD_DATA;
  auto *e = static_cast<CodesetEntry *>(calloc(1, sizeof(CodesetEntry)));
  if (!e) return I18N_ST_FAILED;
  e->name = strdup(name);
  if (!e->name) {
    free(e);
    return I18N_ST_FAILED;
  }
  e->shoid = shoid;
  e->next = t.codesets;
  t.codesets = e;
  return 0;
}

// Up to two characters of a language or country, NUL-terminated.
void CopyField(char field[3], const char *text) {
  size_t n = strnlen(text, 2);
  memcpy(field, text, n);
  field[n] = '\0';
}

uint32_t AddLocale(Tables &t, char *words[4]) {
  auto *e = static_cast<LocaleEntry *>(calloc(1, sizeof(LocaleEntry)));
  if (!e) return I18N_ST_FAILED;
  e->name = strdup(words[0]);
  e->codeset = strdup(words[3]);
  if (!e->name || !e->codeset) {
    free(e->name);
    free(e->codeset);
    free(e);
    return I18N_ST_FAILED;
  }
  for (char *p = e->name; *p; p++) {
    if (*p == '$') *p = ' ';
  }
  CopyField(e->language, strcmp(e->name, "C") == 0 ? "C " : words[1]);
  CopyField(e->country, strcmp(words[2], "<empty>") == 0 ? "  " : words[2]);
  e->next = t.locales;
  t.locales = e;
  return 0;
}

enum class Section { kStart, kCodesets, kLocales };

uint32_t ParseLine(Tables &t, Section &section, char *line) {
  char *words[kMaxWords];
  int n = SplitWords(line, words);
  if (n == 0) return 0;  // blanks only
  switch (section) {
    case Section::kStart:
      if (n != 1 || strcmp(words[0], "codeset-mappings:") != 0) return I18N_ST_BAD_DATA;
      section = Section::kCodesets;
      return 0;
    case Section::kCodesets:
      if (n == 2) return AddCodeset(t, words[0], words[1]);
      if (n != 1 || strcmp(words[0], "locale-mappings:") != 0) return I18N_ST_BAD_DATA;
      section = Section::kLocales;
      return 0;
    case Section::kLocales:
      return n == 4 ? AddLocale(t, words) : I18N_ST_BAD_DATA;
  }
  return I18N_ST_BAD_DATA;
}

uint32_t ReadLines(FILE *f, Tables &t) {
  char line[kMaxLine + 2];  // the characters, the newline and the NUL
  Section section = Section::kStart;
  bool any = false;
  while (fgets(line, sizeof line, f)) {
    any = true;
    if (!strchr(line, '\n')) {
      // Either a line that does not fit or a last line without a newline.
      if (strlen(line) > kMaxLine) return I18N_ST_BAD_DATA;
      break;
    }
    if (uint32_t st = ParseLine(t, section, line)) return st;
  }
  if (ferror(f)) return I18N_ST_NO_DATA;
  if (!any) return I18N_ST_NO_DATA;
  return section == Section::kLocales ? 0 : I18N_ST_BAD_DATA;
}

}  // namespace

uint32_t ReadDataFile(const char *path, Tables &out) {
  File file{fopen(path, "r")};
  if (!file.f) return I18N_ST_NO_DATA;
  uint32_t st = ReadLines(file.f, out);
  if (st) FreeTables(out);
  return st;
}

void FreeTables(Tables &t) {
  while (CodesetEntry *e = t.codesets) {
    t.codesets = e->next;
    free(e->name);
    free(e);
  }
  while (LocaleEntry *e = t.locales) {
    t.locales = e->next;
    free(e->name);
    free(e->codeset);
    free(e);
  }
}

}  // namespace kq::i18n
