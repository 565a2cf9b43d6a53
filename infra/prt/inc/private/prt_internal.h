// Internals of the printer configuration shared between its source files.
#ifndef KQ_INFRA_PRT_INC_PRIVATE_PRT_INTERNAL_H
#define KQ_INFRA_PRT_INC_PRIVATE_PRT_INTERNAL_H

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

#include "infra/prt.h"
#include "internal/prt_nis.h"
#include "internal/prt_switch.h"

namespace kq::prt {

// Value forms by key.
char *ValueText(const char *key, const void *value);
void *ValueFromText(const char *key, const char *text, const char *entryName);
void ValueFree(const char *key, void *value);
void *ValueCopy(const char *key, const void *value);
ns_bsd_addr_t *BsdAddrCopy(const ns_bsd_addr_t *addr);

// Entry formats. The parsers take the entry text (not modified) and answer a new
// printer or NULL; the writers answer the written form without the final newline,
// or an empty string when the printer has nothing to write.
enum class Format { kSystem, kUser };
ns_printer_t *ParseSystemEntry(const char *entry, const char *source);
ns_printer_t *ParseUserEntry(const char *entry, const char *source);
std::string SystemEntryText(const ns_printer_t *printer);
std::string UserEntryText(const ns_printer_t *printer);
ns_printer_t *ParseEntry(Format format, const char *entry, const char *source);
std::string EntryText(Format format, const ns_printer_t *printer);
// Why the printer cannot be written so that it reads back the same, or NULL.
const char *Unwritable(Format format, const ns_printer_t *printer);
// The names part of an entry ("name|alias|..."), for the name index.
std::string EntryNames(Format format, const std::string &entry);

// Logical entries of a file; entries longer than `limit` characters are skipped
// (logged) when limit is non-zero.
constexpr size_t kEntryLimit = 1023;
void ReadEntries(FILE *file, Format format, size_t limit, std::vector<std::string> *out);

extern const char kFileHeader[];

// Lock files: "<file>.LCK" holding a change counter in its first 4 bytes.
int OpenLockFile(const std::string &file, bool forReading);
// Takes an fcntl lock on the whole lock file without waiting, retrying while it is
// refused; 0 or -1 (errno set) on other failures.
int LockRetry(int fd, short type);
void Unlock(int fd);
uint32_t ReadCounter(int fd);
// Opens a configuration file with open(2) `flags` as a stream of `mode`; NULL (errno
// set, EINVAL for what is not a regular file) when it cannot be opened or is not a
// regular file.
FILE *OpenRegular(const std::string &file, int flags, const char *mode);
int BumpCounter(int fd);

// Writes `printer` into `file` replacing the entry it names. 0 or -1.
int PutPrinterToFile(const std::string &file, Format format, ns_printer_t *printer);
// Updates the NIS map on its master. 0 or -1.
int PutPrinterToNis(ns_printer_t *printer);
// Called (when set) after the temporary file is complete and before the rename.
extern void (*beforeRename)(const char *tempFile);

// Name lookups that keep the depth of "list" values bounded; within one entry's
// parse (a ListResolution) each name is resolved once, later ones answer NULL.
ns_printer_t *LookupForValue(const char *name);
struct ListResolution {
  ListResolution();
  ~ListResolution();
  ListResolution(const ListResolution &) = delete;
  ListResolution &operator=(const ListResolution &) = delete;
};

// One lookup or walk a caller asked for on this thread; nested lookups join the
// outermost one, and each cached list is refreshed at most once in it.
struct CallScope {
  CallScope();
  ~CallScope();
  CallScope(const CallScope &) = delete;
  CallScope &operator=(const CallScope &) = delete;
};

// A NULL-terminated list of `items` with the spare slots list_append expects; NULL
// when empty or when it cannot be allocated (the items stay the caller's).
void **ListFromVector(const std::vector<void *> &items);

}  // namespace kq::prt

// Source operations, dispatched by service name.
ns_printer_t **etc_get_list(void);
ns_printer_t *etc_get_name(const char *name);
int etc_put_printer(ns_printer_t *printer);
ns_printer_t **user_get_list(void);
ns_printer_t *user_get_name(const char *name);
int user_put_printer(ns_printer_t *printer);
ns_printer_t **nis_get_list(void);
ns_printer_t *nis_get_name(const char *name);
int nis_put_printer(ns_printer_t *printer);
ns_printer_t *etc_get_list_once(void);
ns_printer_t *user_get_list_once(void);
ns_printer_t *nis_get_list_once(void);

#endif
