/* Locales and code sets.
 *
 * I18N_: the table read from "charset.dat" that maps code-set names (as the
 * platform's iconv knows them) to code-set identifiers and local locale names to DPA
 * locales (language, country, code set), and the DPA locale of the process.
 *
 * The code-set conversion that texts on the wire go through (ICONV_) is part of the
 * generic values (infra/genu_iconv.h); I18N_Init registers the two callbacks through
 * which it reaches these tables.
 *
 * Functions taking a status list return 0 on success and 1 on failure with a code
 * added; a null status list gives 1 at once. */
#ifndef KQ_INFRA_I18N_H
#define KQ_INFRA_I18N_H

#include <stddef.h>
#include <stdint.h>

#include "genu_iconv.h"
#include "genu_oid.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the locale tables. */
#define I18N_ST_FAILED 0xc0140067u          /* set-up failed, not initialised, or no locale entry */
#define I18N_ST_UNKNOWN_NAME 0xc0140068u    /* unknown code-set name, or no table */
#define I18N_ST_UNKNOWN_CODESET 0xc0140069u /* unknown code set */
#define I18N_ST_BAD_DATA 0xc014006au        /* "charset.dat" has invalid contents */
#define I18N_ST_NO_DATA 0xc014006bu         /* "charset.dat" missing, unreadable or empty */
#define I18N_ST_UNKNOWN_LOCALE 0xc014006cu  /* no locale matches */

#define I18N_DATA_FILE "charset.dat"
#define I18N_DATA_ENV "MERIDON_DIR" /* its value followed by "/usr/kq/share/data" */

/* Reads the data file on the first call of the process (from `directory`, or without
 * one from the search path: $MERIDON_DIR/usr/kq/share/data, ../usr/kq/share/data,
 * ../share/data, ../../../../usr/kq/share/data, then the installed data directory,
 * <prefix>/share/kqcore/data) and registers the two ICONV
 * callbacks; later calls only count. */
KQ_EXPORT int I18N_Init(STF_statusList_t *status, const char *directory /* optional */);
/* Counts one user down; the last one releases the tables. */
KQ_EXPORT int I18N_Term(STF_statusList_t *status);

KQ_EXPORT int I18N_CodesetNameToOID(STF_statusList_t *status, const char *name, uint32_t *shoidOut);
/* *nameOut is malloc'ed; the caller frees it. */
KQ_EXPORT int I18N_OIDToCodesetName(STF_statusList_t *status, uint32_t shoid, char **nameOut);
KQ_EXPORT int I18N_GetDPALocaleFromLocaleName(STF_statusList_t *status, const char *localeName,
                                              I18N_dpaLocale_t *localeOut);
/* Copies at most bufSize characters of the name (and a NUL when there is room);
 * *lengthOut is the name's length, or bufSize when the name is longer. */
KQ_EXPORT int I18N_GetLocaleNameFromDPALocale(STF_statusList_t *status,
                                              const I18N_dpaLocale_t *locale, uint32_t bufSize,
                                              uint32_t *lengthOut, char *buffer);
/* The locale of the messages category as a DPA locale; *localeOut is malloc'ed. */
KQ_EXPORT int I18N_GetCurrentDPALocale(STF_statusList_t *status, I18N_dpaLocale_t **localeOut);

KQ_END_DECLS

#endif
