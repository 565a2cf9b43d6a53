/* Code-set conversion of texts on the wire.
 *
 * ICONV_: per-thread conversion contexts that convert text between the local code
 * set (the code set of the current DPA locale) and the code set a text carries on the
 * wire. The contexts reach the locale tables (infra/i18n.h) only through two
 * callbacks, which I18N_Init registers; this header is the whole contract between the
 * two, so the conversion does not depend on the tables.
 *
 * Functions taking a status list return 0 on success and 1 on failure with a code
 * added; a null status list gives 1 at once. Part of infra/genu.h's family; included
 * by infra/i18n.h. */
#ifndef KQ_INFRA_GENU_ICONV_H
#define KQ_INFRA_GENU_ICONV_H

#include <stddef.h>
#include <stdint.h>

#include "genu_oid.h"
#include "genu_value.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

/* Status codes of the code-set conversion. */
#define ICONV_ST_NO_MEMORY 0xc00e0068u     /* out of memory */
#define ICONV_ST_CONVERSION 0xc00e008cu    /* the text could not be converted */
#define ICONV_ST_TOO_BIG 0xc00e008du       /* output space ran out or input left over */
#define ICONV_ST_BAD_ARGUMENT 0xc00e00a0u  /* null argument or bad callback slot */
#define ICONV_ST_NO_IDENTIFIER 0xc00e00a5u /* a code set has no identifier to send */
#define ICONV_ST_CONTEXT 0xc00e00beu       /* the thread's context could not be stored or read */

/* What a context reports when a callback is missing or answers nothing: the locale
 * tables' own codes (I18N_ST_FAILED and I18N_ST_UNKNOWN_CODESET of infra/i18n.h). */
#define ICONV_ST_NO_LOCALE 0xc0140067u
#define ICONV_ST_NO_CODESET_NAME 0xc0140069u

/* Longest text of the two wire string types. */
#define ICONV_MAX_255 255
#define ICONV_MAX_4095 4095

/* A two-character field of a DPA locale: its length (0 to 2) and the characters. */
typedef struct I18N_localeField {
  uint16_t length;
  char value[2];
} I18N_localeField_t;

/* A DPA locale: language, country (two blanks for none) and code set (short OID). */
typedef struct I18N_dpaLocale {
  I18N_localeField_t language;
  I18N_localeField_t country;
  uint32_t codeSet;
} I18N_dpaLocale_t;

/* Callback slots: 0 answers the current DPA locale, 1 the name of a code set. */
#define ICONV_CB_CURRENT_LOCALE 0
#define ICONV_CB_CODESET_NAME 1
typedef void (*ICONV_callback_t)(void);
typedef int (*ICONV_currentLocaleCallback_t)(STF_statusList_t *status,
                                             I18N_dpaLocale_t **localeOut);
typedef int (*ICONV_codesetNameCallback_t)(STF_statusList_t *status, uint32_t shoid,
                                           char **nameOut);
KQ_EXPORT int ICONV_RegisterCallback(STF_statusList_t *status, int slot, ICONV_callback_t function);

typedef struct ICONV_context ICONV_context_t;

/* Makes sure the thread key exists: 0 or ICONV_ST_CONTEXT. */
KQ_EXPORT uint32_t ICONV_CreateContext(void);
/* Sets up the calling thread's context for the code set of `wireText`: a text as it
 * travels (or is to travel) on the wire, whose choice GEN_TEXT_OTHER carries the code
 * set as a short OID in its codeSet member; only the choice and the code set are
 * read. Texts then go to the wire in that code set and come from it into the local
 * one (the code set of the current DPA locale). Any other choice, a code set of 0 or
 * one equal to the local code set needs no conversion: the thread is left without a
 * context and texts are copied. So it is too, with only a trace written, when there
 * is no current locale, no name for either code set or no platform conversion
 * between them. A context installed before is replaced (and destroyed). A null
 * `wireText` fails with ICONV_ST_BAD_ARGUMENT. */
KQ_EXPORT int ICONV_ConfigureContext(STF_statusList_t *status, const GEN_Text_t *wireText);
/* Takes the thread's context away (null when it has none). */
KQ_EXPORT ICONV_context_t *ICONV_GetAndClearContext(void);
/* Installs a context (null for none); one installed before is destroyed. 0 or
 * ICONV_ST_CONTEXT. */
KQ_EXPORT uint32_t ICONV_SetContext(ICONV_context_t *context);
KQ_EXPORT void ICONV_DestroyContext(ICONV_context_t *context);

/* Wire text to local text, into `out` (room for 255 or 4095 bytes, no NUL added).
 * *codeSet holds the wire code set on entry (short OID, 0 for none) and the code set
 * of the result on return. */
KQ_EXPORT int ICONV_ToGEN_OtherCodeSet255(STF_statusList_t *status, const unsigned char *text,
                                          int32_t length, unsigned char *out, int32_t *outLength,
                                          uint32_t *codeSet);
KQ_EXPORT int ICONV_ToGEN_OtherCodeSet4095(STF_statusList_t *status, const unsigned char *text,
                                           int32_t length, unsigned char *out, int32_t *outLength,
                                           uint32_t *codeSet);
/* Local text in code set `codeSet` (0 for none) to wire text, into `out` of
 * `outSize` bytes (at most 255 or 4095 are used), through the thread's context. A
 * text whose code set already is the context's wire code set is copied, as is any
 * text when the thread has no context. *wireCodeSet receives the BER form of the
 * wire code set (length 0 for none); a code set without one fails with
 * ICONV_ST_NO_IDENTIFIER. A character that cannot be converted ends the text: each
 * byte of the input from there on becomes one "?" as far as the space allows. */
KQ_EXPORT int ICONV_ToBER_OtherCodeSet255(STF_statusList_t *status, const unsigned char *text,
                                          int32_t length, uint32_t codeSet, unsigned char *out,
                                          int32_t outSize, int32_t *outLength,
                                          GENU_berOid_t *wireCodeSet);
KQ_EXPORT int ICONV_ToBER_OtherCodeSet4095(STF_statusList_t *status, const unsigned char *text,
                                           int32_t length, uint32_t codeSet, unsigned char *out,
                                           int32_t outSize, int32_t *outLength,
                                           GENU_berOid_t *wireCodeSet);

KQ_END_DECLS

#endif
