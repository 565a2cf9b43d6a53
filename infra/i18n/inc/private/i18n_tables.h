// The locale tables read from "charset.dat": two singly linked lists, newest entry
// first, alive from the first I18N_Init to the last I18N_Term. They are only read
// after set-up, so lookups take no lock.
#ifndef KQ_INFRA_I18N_INC_PRIVATE_I18N_TABLES_H
#define KQ_INFRA_I18N_INC_PRIVATE_I18N_TABLES_H

#include <cstdint>
#include <cstdio>

#include "infra/i18n.h"
#include "internal/stf_fail.h"

namespace kq::i18n {

struct CodesetEntry {
  CodesetEntry *next;
  char *name;
  uint32_t shoid;
};

struct LocaleEntry {
  LocaleEntry *next;
  char *name;  // "$" already turned into blanks
  char language[3];
  char country[3];  // two blanks for none
  char *codeset;    // code-set name
};

struct Tables {
  CodesetEntry *codesets = nullptr;
  LocaleEntry *locales = nullptr;
};

// The tables in use, or null before I18N_Init and after the last I18N_Term.
const Tables *Current();

// Reads a data file into `out` (empty on entry). 0 or an I18N_ST_ code; on failure
// `out` holds nothing.
uint32_t ReadDataFile(const char *path, Tables &out);
void FreeTables(Tables &t);

}  // namespace kq::i18n

#endif
