// The locale data file "charset.dat" on arbitrary input: the bytes are written as the
// data file of the harness's own directory and read by I18N_Init. A file that loads
// answers its own lookups: every code-set name gives an identifier that names a
// code set of that identifier, and every locale converts to a DPA locale and back to
// a name whose DPA locale has the same code set and fields that begin with its own.
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

// Whether `b` begins with `a` (a locale name is found by its fields' beginnings).
bool Begins(const I18N_localeField_t &a, const I18N_localeField_t &b) {
  return a.length <= b.length && memcmp(a.value, b.value, a.length) == 0;
}

void CheckCodesets(STF_statusList_t *status, const kq::i18n::Tables &t) {
  for (const kq::i18n::CodesetEntry *e = t.codesets; e; e = e->next) {
    uint32_t shoid = 0;
    if (I18N_CodesetNameToOID(status, e->name, &shoid)) abort();
    char *name = nullptr;
    if (I18N_OIDToCodesetName(status, shoid, &name)) abort();
    uint32_t again = 0;
    if (I18N_CodesetNameToOID(status, name, &again) || again != shoid) abort();
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
    I18N_dpaLocale_t again{};
    if (I18N_GetDPALocaleFromLocaleName(status, name, &again)) abort();
    if (!Begins(dpa.language, again.language) || !Begins(dpa.country, again.country) ||
        dpa.codeSet != again.codeSet)
      abort();
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
