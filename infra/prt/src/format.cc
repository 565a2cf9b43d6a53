// The text forms of entries: the system file (names, then ":"-separated key=value
// pieces, continued over lines by a trailing backslash) and the user file (names,
// a blank or tab, one value).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/prt.h"
#include "infra/svclog.h"
#include "private/prt_internal.h"

namespace kq::prt {

const char kFileHeader[] =
    "#\n#\tIf you hand edit this file, comments and structure may change.\n#\n";

namespace {

// Splits "name|alias|..." into a new printer (NULL without a name).
ns_printer_t *PrinterFromNames(char *names, const char *source) {
  char **parts = strsplit(names, "|");
  if (!parts || !parts[0]) {
    free(parts);
    return nullptr;
  }
  char **aliases = nullptr;
  for (char **a = parts + 1; *a; ++a) aliases = (char **)list_append((void **)aliases, strdup(*a));
  ns_printer_t *p = ns_printer_create(parts[0], aliases, source, nullptr);
  free(parts);
  return p;
}

// A piece without a value ("flag" or "flag=") yields its key with no value; it takes
// nothing away from an earlier piece of the same key.
void AddKeyWithoutValue(const char *key, ns_printer_t *p) {
  for (ns_kvp_t **kv = p->attributes; kv && *kv; ++kv)
    if (strcmp((*kv)->key, key) == 0) return;
  ns_kvp_t *kv = ns_kvp_create(key, nullptr);
  void **grown = kv ? list_append((void **)p->attributes, kv) : nullptr;
  if (grown) {
    p->attributes = (ns_kvp_t **)grown;
  } else if (kv) {
    free(kv->key);
    free(kv);
  }
}

void TrimBlanks(char **piece) {
  char *s = *piece + strspn(*piece, " \t");
  size_t n = strlen(s);
  while (n && (s[n - 1] == ' ' || s[n - 1] == '\t')) s[--n] = '\0';
  *piece = s;
}

}  // namespace

ns_printer_t *ParseSystemEntry(const char *entry, const char *source) {
  if (!entry) return nullptr;
  char *copy = strdup(entry);
  if (!copy) return nullptr;
  char **pieces = strsplit(copy, ":\n");
  ns_printer_t *p = nullptr;
  if (pieces && pieces[0]) p = PrinterFromNames(pieces[0], source);
  for (char **piece = pieces ? pieces + 1 : nullptr; p && piece && *piece; ++piece) {
    // The blanks that the written form puts between pieces belong to no key.
    char *text = *piece;
    TrimBlanks(&text);
    if (!*text) continue;
    char **kv = strsplit(text, "=");
    if (kv && kv[0]) {
      if (kv[1]) TrimBlanks(&kv[1]);
      TrimBlanks(&kv[0]);
      if (kv[1] && *kv[1])
        ns_set_value_from_string(kv[0], kv[1], p);
      else
        AddKeyWithoutValue(kv[0], p);
    }
    free(kv);
  }
  free(pieces);
  free(copy);
  return p;
}

ns_printer_t *ParseUserEntry(const char *entry, const char *source) {
  if (!entry) return nullptr;
  std::string line = entry;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  size_t cut = line.find_first_of(" \t");
  std::string names = line.substr(0, cut);
  std::string value;
  if (cut != std::string::npos) {
    size_t start = line.find_first_not_of(" \t", cut);
    if (start != std::string::npos) value = line.substr(start);
  }
  ns_printer_t *p = PrinterFromNames(names.data(), source);
  if (!p || value.empty()) return p;
  const char *key = strcmp(p->name, NS_NAME_ALL) == 0 ? NS_KEY_ALL : NS_KEY_USE;
  ns_set_value_from_string(key, value.c_str(), p);
  return p;
}

std::string SystemEntryText(const ns_printer_t *printer) {
  char *names = ns_printer_name_list(printer);
  if (!names) return {};
  std::string text = names;
  free(names);
  bool any = false;
  for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv) {
    char *value = ValueText((*kv)->key, (*kv)->value);
    if (!value || !*value) {
      free(value);
      continue;
    }
    text += ":\\\n\t:";
    text += (*kv)->key;
    text += '=';
    text += value;
    free(value);
    any = true;
  }
  if (!any) return {};
  return text + ":";
}

std::string UserEntryText(const ns_printer_t *printer) {
  if (!printer || !printer->name) return {};
  const char *key = strcmp(printer->name, NS_NAME_ALL) == 0 ? NS_KEY_ALL : NS_KEY_USE;
  ns_kvp_t *const *kv = printer->attributes;
  for (; kv && *kv; ++kv)
    if (strcmp((*kv)->key, key) == 0) break;
  if (!kv || !*kv) return {};
  char *value = ValueText(key, (*kv)->value);
  char *names = ns_printer_name_list(printer);
  std::string text;
  if (value && names) text = std::string(names) + "\t" + value;
  free(value);
  free(names);
  return text;
}

namespace {

bool Clean(const char *text, const char *forbidden) {
  return text && *text && !strpbrk(text, forbidden);
}

bool BlankAtEnds(const char *text) {
  size_t n = strlen(text);
  return n && (strchr(" \t", text[0]) || strchr(" \t", text[n - 1]));
}

}  // namespace

const char *Unwritable(Format format, const ns_printer_t *printer) {
  if (!Clean(printer->name, ":|\n \t") || printer->name[0] == '#')
    return "name empty, starting with '#' or holding one of \":|\" or blanks";
  for (char **a = printer->aliases; a && *a; ++a)
    if (!Clean(*a, ":|\n \t")) return "alias empty or holding one of \":|\" or blanks";
  for (ns_kvp_t **kv = printer->attributes; kv && *kv; ++kv) {
    if (format == Format::kSystem && !Clean((*kv)->key, ":=\n \t"))
      return "key empty or holding one of \":=\" or blanks";
    char *value = ValueText((*kv)->key, (*kv)->value);
    bool bad = value && *value &&
               (format == Format::kSystem ? strpbrk(value, ":=\n") || BlankAtEnds(value)
                                          : strchr(value, '\n') || BlankAtEnds(value));
    free(value);
    if (bad) return "value holding \":\", \"=\", a newline or blanks at its ends";
  }
  return nullptr;
}

ns_printer_t *ParseEntry(Format format, const char *entry, const char *source) {
  ListResolution resolution;
  return format == Format::kSystem ? ParseSystemEntry(entry, source)
                                   : ParseUserEntry(entry, source);
}

std::string EntryText(Format format, const ns_printer_t *printer) {
  return format == Format::kSystem ? SystemEntryText(printer) : UserEntryText(printer);
}

std::string EntryNames(Format format, const std::string &entry) {
  return entry.substr(0, entry.find_first_of(format == Format::kSystem ? ":\n" : " \t\n"));
}

namespace {

// One line without its newline into `line`, keeping at most `cap` characters; `last`
// is the line's last character, `cut` tells whether characters were dropped. False at
// the end of the file with nothing read.
bool ReadLine(FILE *file, size_t cap, std::string *line, int *last, bool *cut) {
  line->clear();
  *last = 0;
  *cut = false;
  bool any = false;
  for (int c; (c = getc_unlocked(file)) != EOF;) {
    any = true;
    if (c == '\n') return true;
    if (line->size() < cap)
      *line += static_cast<char>(c);
    else
      *cut = true;
    *last = c;
  }
  return any;
}

}  // namespace

void ReadEntries(FILE *file, Format format, size_t limit, std::vector<std::string> *out) {
  // Nothing beyond the limit is kept in memory: once an entry is known to be too long
  // only its first characters stay (for the log) and the rest of it is passed over.
  const size_t cap = limit ? limit + 2 : std::string::npos;
  std::string text, entry;
  bool continuing = false, tooLong = false;
  auto finish = [&] {
    if (tooLong) {
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: entry longer than %zu characters skipped: %.40s",
                       limit, entry.c_str());
    } else if (!entry.empty()) {
      out->push_back(entry);
    }
    entry.clear();
    continuing = tooLong = false;
  };
  int last;
  bool cut;
  while (ReadLine(file, cap, &text, &last, &cut)) {
    bool blank = text.empty() || text[0] == '#';
    if (blank) {
      // A comment or empty line between entries is skipped; after a continued line
      // it ends the entry.
      if (continuing) finish();
      continue;
    }
    continuing = format == Format::kSystem && last == '\\';
    if (continuing && !cut) text.pop_back();
    if (!tooLong) {
      entry += text;
      if (cut || (limit && entry.size() > limit)) {
        tooLong = true;
        entry.resize(std::min<size_t>(entry.size(), 40));
      }
    }
    if (!continuing) finish();
  }
  if (!entry.empty() || tooLong) finish();
}

}  // namespace kq::prt
