// The locale data file "charset.dat" on arbitrary input: the bytes are written as the
// data file of the harness's own directory and read by I18N_Init. A file that loads
// answers its own lookups: a code-set name gives the identifier of its newest line,
// an identifier the name of its newest line, and every locale converts to a DPA
// locale and back to the name of a line that agrees with that DPA locale.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/i18n.h"
#include "infra/stf.h"
#include "private/i18n_tables.h"

namespace {

std::string dir;  // the harness's own data directory

// Whether a locale line agrees with a DPA locale: its code set has the locale's
// identifier, and its language and country begin with the locale's.
bool Agrees(STF_statusList_t *status, const kq::i18n::LocaleEntry &e, const I18N_dpaLocale_t &d) {
  uint32_t shoid = 0;
  return I18N_CodesetNameToOID(status, e.codeset, &shoid) == 0 && shoid == d.codeSet &&
         strnlen(e.language, 2) >= d.language.length &&
         memcmp(e.language, d.language.value, d.language.length) == 0 &&
         strnlen(e.country, 2) >= d.country.length &&
         memcmp(e.country, d.country.value, d.country.length) == 0;
}

void CheckCodesets(STF_statusList_t *status, const kq::i18n::Tables &t) {
  for (const kq::i18n::CodesetEntry *e = t.codesets; e; e = e->next) {
    const kq::i18n::CodesetEntry *byName = t.codesets, *byOid = t.codesets;
    while (strcmp(byName->name, e->name) != 0) byName = byName->next;
    while (byOid->shoid != e->shoid) byOid = byOid->next;
    uint32_t shoid = 0;
    if (I18N_CodesetNameToOID(status, e->name, &shoid) || shoid != byName->shoid) abort();
    char *name = nullptr;
    if (I18N_OIDToCodesetName(status, e->shoid, &name) || strcmp(name, byOid->name) != 0) abort();
    free(name);
  }
}

void CheckLocales(STF_statusList_t *status, const kq::i18n::Tables &t) {
  for (const kq::i18n::LocaleEntry *e = t.locales; e; e = e->next) {
    I18N_dpaLocale_t dpa{};
    if (I18N_GetDPALocaleFromLocaleName(status, e->name, &dpa)) continue;  // unknown code set
    char name[300];
    uint32_t length = 0;
    if (I18N_GetLocaleNameFromDPALocale(status, &dpa, sizeof name - 1, &length, name)) abort();
    if (length >= sizeof name - 1) abort();  // a name read from one line is shorter
    // The name found is that of a line agreeing with the DPA locale.
    const kq::i18n::LocaleEntry *found = t.locales;
    while (found && (strcmp(found->name, name) != 0 || !Agrees(status, *found, dpa)))
      found = found->next;
    if (!found) abort();
    // A buffer too small for the name is filled to its end, never past it.
    char small[3] = {'#', '#', '#'};
    if (I18N_GetLocaleNameFromDPALocale(status, &dpa, 2, &length, small) || small[2] != '#')
      abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char tmpl[] = "/tmp/i18n_charset_fuzz.XXXXXX";
  if (!mkdtemp(tmpl)) abort();
  dir = tmpl;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *f = fopen((dir + "/" I18N_DATA_FILE).c_str(), "w");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  STF_statusList_t *status = STF_CreateList(nullptr);
  if (I18N_Init(status, dir.c_str()) == 0) {
    const kq::i18n::Tables *t = kq::i18n::Current();
    if (!t) abort();
    CheckCodesets(status, *t);
    CheckLocales(status, *t);
    I18N_dpaLocale_t *current = nullptr;
    if (I18N_GetCurrentDPALocale(status, &current) == 0) free(current);
  } else if (kq::i18n::Current()) {
    abort();  // a refused file leaves no tables behind
  }
  I18N_Term(status);
  STF_DeleteList(status);
  return 0;
}
