// Lookups in the locale tables: code-set names and identifiers, locale names and DPA
// locales, and the DPA locale of the process.
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "infra/msg.h"
#include "private/i18n_tables.h"

namespace kq::i18n {
namespace {

constexpr const char *kDefaultCodeset = "ISO8859-1";  // for a locale whose code set is unknown
constexpr uint32_t kAsciiCodeset = 368;  // short OID of id-val-code-set-ascii (its table index)

const LocaleEntry *FindLocale(const char *name) {
  const Tables *t = Current();
  for (const LocaleEntry *e = t ? t->locales : nullptr; e; e = e->next) {
    if (strcmp(e->name, name) == 0) return e;
  }
  return nullptr;
}

bool CodesetOf(const char *name, uint32_t *shoid) {
  const Tables *t = Current();
  for (const CodesetEntry *e = t ? t->codesets : nullptr; e; e = e->next) {
    if (strcmp(e->name, name) == 0) {
      *shoid = e->shoid;
      return true;
    }
  }
  return false;
}

void SetField(I18N_localeField_t &field, const char *text) {
  size_t n = strnlen(text, 2);
  field.length = static_cast<uint16_t>(n);
  memset(field.value, 0, sizeof field.value);
  memcpy(field.value, text, n);
}

void FillLocale(const LocaleEntry &e, uint32_t codeSet, I18N_dpaLocale_t &out) {
  SetField(out.language, e.language);
  SetField(out.country, e.country);
  out.codeSet = codeSet;
}

// Whether the entry's field agrees with the record's over the record's length.
bool FieldMatches(const I18N_localeField_t &field, const char *entryText) {
  return strnlen(entryText, 2) >= field.length && memcmp(field.value, entryText, field.length) == 0;
}

// The first word of the locale of the messages category.
bool CurrentLocaleName(char *buffer, size_t size) {
  if (MSG_setlocale_r(LC_MESSAGES, nullptr, buffer, size) != 0) return false;
  buffer[strcspn(buffer, " \t")] = '\0';
  return true;
}

}  // namespace
}  // namespace kq::i18n

using namespace kq::i18n;

extern "C" {

int I18N_CodesetNameToOID(STF_statusList_t *status, const char *name, uint32_t *shoidOut) {
  if (!status) return 1;
  if (!name || !shoidOut || !CodesetOf(name, shoidOut))
    return STF__Fail(status, I18N_ST_UNKNOWN_NAME);
  return 0;
}

int I18N_OIDToCodesetName(STF_statusList_t *status, uint32_t shoid, char **nameOut) {
  if (!status) return 1;
  if (!nameOut) return STF__Fail(status, I18N_ST_UNKNOWN_CODESET);
  *nameOut = nullptr;
  const Tables *t = Current();
  for (const CodesetEntry *e = t ? t->codesets : nullptr; e; e = e->next) {
    if (e->shoid != shoid) continue;
    *nameOut = strdup(e->name);
    return *nameOut ? 0 : STF__Fail(status, I18N_ST_FAILED);
  }
  return STF__Fail(status, I18N_ST_UNKNOWN_CODESET);
}

int I18N_GetDPALocaleFromLocaleName(STF_statusList_t *status, const char *localeName,
                                    I18N_dpaLocale_t *localeOut) {
  if (!status) return 1;
  const LocaleEntry *e = localeName && localeOut ? FindLocale(localeName) : nullptr;
  if (!e) return STF__Fail(status, I18N_ST_UNKNOWN_LOCALE);
  uint32_t codeSet = 0;
  if (I18N_CodesetNameToOID(status, e->codeset, &codeSet))
    return STF__Fail(status, I18N_ST_UNKNOWN_LOCALE);
  FillLocale(*e, codeSet, *localeOut);
  return 0;
}

int I18N_GetLocaleNameFromDPALocale(STF_statusList_t *status, const I18N_dpaLocale_t *locale,
                                    uint32_t bufSize, uint32_t *lengthOut, char *buffer) {
  if (!status) return 1;
  if (!locale || !lengthOut || (!buffer && bufSize > 0) || locale->language.length > 2 ||
      locale->country.length > 2)
    return STF__Fail(status, I18N_ST_UNKNOWN_LOCALE);
  const Tables *t = Current();
  for (const LocaleEntry *e = t ? t->locales : nullptr; e; e = e->next) {
    uint32_t codeSet = 0;
    if (!CodesetOf(e->codeset, &codeSet) || codeSet != locale->codeSet ||
        !FieldMatches(locale->language, e->language) || !FieldMatches(locale->country, e->country))
      continue;
    size_t n = strlen(e->name);
    size_t copied = n < bufSize ? n : bufSize;
    if (copied) memcpy(buffer, e->name, copied);
    if (copied < bufSize) buffer[copied] = '\0';
    *lengthOut = static_cast<uint32_t>(copied);
    return 0;
  }
  return STF__Fail(status, I18N_ST_UNKNOWN_LOCALE);
}

int I18N_GetCurrentDPALocale(STF_statusList_t *status, I18N_dpaLocale_t **localeOut) {
  if (!status) return 1;
  if (!localeOut) return STF__Fail(status, I18N_ST_FAILED);
  *localeOut = nullptr;
  char name[256];
  if (!CurrentLocaleName(name, sizeof name)) return STF__Fail(status, I18N_ST_FAILED);
  I18N_dpaLocale_t record{};
  if (const LocaleEntry *e = FindLocale(name)) {
    uint32_t codeSet = 0;
    if (!CodesetOf(e->codeset, &codeSet) && !CodesetOf(kDefaultCodeset, &codeSet))
      return STF__Fail(status, I18N_ST_FAILED);
    FillLocale(*e, codeSet, record);
  } else if (strcmp(name, "C") == 0) {
    SetField(record.language, "C");
    record.codeSet = kAsciiCodeset;
  } else {
    return STF__Fail(status, I18N_ST_FAILED);
  }
  *localeOut = static_cast<I18N_dpaLocale_t *>(malloc(sizeof record));
  if (!*localeOut) return STF__Fail(status, I18N_ST_FAILED);
  **localeOut = record;
  return 0;
}

}  // extern "C"
