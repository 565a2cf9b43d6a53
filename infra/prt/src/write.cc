// Writing an entry into a configuration file: the whole file is rewritten into
// "<file>-" under an exclusive lock on "<file>.LCK" and renamed over the file, so a
// reader sees either the old or the new file, never a part of one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "infra/svclog.h"
#include "private/prt_internal.h"

namespace kq::prt {

void (*beforeRename)(const char *tempFile) = nullptr;

namespace {

// Old entries are converted without resolving "list" members: the write holds the
// source's locks, and the names are all that is written back anyway.
thread_local bool noLookups = false;
thread_local int lookupDepth = 0;

struct NoLookups {
  bool saved = noLookups;
  NoLookups() { noLookups = true; }
  ~NoLookups() { noLookups = saved; }
};

FILE *OpenForUpdate(const std::string &file) {
  for (;;) {
    FILE *f = OpenRegular(file, O_RDWR, "rb+");
    if (!f && errno == ENOENT) f = OpenRegular(file, O_RDWR | O_CREAT | O_TRUNC, "wb+");
    if (f || errno != EAGAIN) return f;
  }
}

bool WriteLine(FILE *out, const std::string &text) {
  return fputs(text.c_str(), out) >= 0 && fputc('\n', out) != EOF;
}

// Writes the new file into `temp`; false on any write failure.
bool WriteTemp(FILE *old, const std::string &temp, Format format, ns_printer_t *printer,
               const std::string &newText) {
  FILE *out = fopen(temp.c_str(), "w");
  if (!out) return false;
  bool ok = fputs(kFileHeader, out) >= 0;
  std::vector<std::string> entries;
  ReadEntries(old, format, 0, &entries);
  bool replaced = false;
  for (const std::string &entry : entries) {
    ns_printer_t *p = ParseEntry(format, entry.c_str(), nullptr);
    if (!p) continue;
    std::string text;
    if (ns_printer_match_name(p, printer->name) == 0) {
      // The first entry of that name becomes the new one; later ones of the same
      // name were unreachable and go.
      if (!replaced) text = newText;
      replaced = true;
    } else {
      text = EntryText(format, p);
    }
    ns_printer_destroy(p);
    if (!text.empty() && ok) ok = WriteLine(out, text);
  }
  if (!replaced && !newText.empty() && ok) ok = WriteLine(out, newText);
  ok = ok && fflush(out) == 0 && fsync(fileno(out)) == 0;
  ok = (fclose(out) == 0) && ok;
  return ok;
}

}  // namespace

namespace {
thread_local int resolutions = 0;
// Each name resolved in this parse, with the name of the entry it resolved to.
thread_local std::unordered_map<std::string, std::string> resolved;
}  // namespace

ListResolution::ListResolution() { ++resolutions; }
ListResolution::~ListResolution() {
  if (--resolutions == 0) resolved.clear();
}

ns_printer_t *LookupForValue(const char *name) {
  if (noLookups || lookupDepth >= 16) return nullptr;
  // A name met again in the same entry's lists (l:list=l,l,l) is not resolved again:
  // each member branching anew made the work grow as the fan-out to the 16th power.
  // The repeat stands under the entry's own name, as the first one does when it was
  // found by an alias, so that the list's text is the same however often it is read.
  if (resolutions) {
    auto [at, fresh] = resolved.emplace(name, name);
    if (!fresh) return ns_printer_create(at->second.c_str(), nullptr, nullptr, nullptr);
  }
  ++lookupDepth;
  ns_printer_t *p = ns_printer_get_name(name, nullptr);
  --lookupDepth;
  if (resolutions && p && p->name) resolved[name] = p->name;
  return p;
}

int PutPrinterToFile(const std::string &file, Format format, ns_printer_t *printer) {
  NoLookups guard;
  if (const char *why = Unwritable(format, printer)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: %s not written to %s: %s",
                     printer->name ? printer->name : "(no name)", file.c_str(), why);
    return -1;
  }
  int lockFd = OpenLockFile(file, false);
  if (lockFd < 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot open lock file %s\n", (file + ".LCK").c_str());
    return -1;
  }
  if (LockRetry(lockFd, F_WRLCK) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot acquire lock on file %s, err=%d", file.c_str(),
                     errno);
    close(lockFd);
    return -1;
  }
  int rc = -1;
  std::string temp = file + "-";
  std::string newText = EntryText(format, printer);
  FILE *old = OpenForUpdate(file);
  struct stat st = {};
  if (!old) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot open file %s for RW, err=%d", file.c_str(),
                     errno);
  } else if (newText.size() > kEntryLimit) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: entry for %s longer than %zu characters not written",
                     printer->name, kEntryLimit);
  } else if (fstat(fileno(old), &st) != 0 || !WriteTemp(old, temp, format, printer, newText)) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot write file %s, err=%d", temp.c_str(), errno);
    unlink(temp.c_str());
  } else {
    // The new file carries the old one's mode from the moment it appears.
    chmod(temp.c_str(), st.st_mode & 07777);
    if (beforeRename) beforeRename(temp.c_str());
    if (rename(temp.c_str(), file.c_str()) != 0) {
      LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot rename %s, err=%d", temp.c_str(), errno);
      unlink(temp.c_str());
    } else {
      if (BumpCounter(lockFd) != 0)
        LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: Cannot update lock file %s, err=%d",
                         (file + ".LCK").c_str(), errno);
      rc = 0;
    }
  }
  if (old) fclose(old);
  Unlock(lockFd);
  close(lockFd);
  return rc;
}

}  // namespace kq::prt
