/* Message catalogues: status codes to text. Texts come from the operating system's
 * catalogues, one per facility and locale; when none can be had a fallback line
 * showing the code and the arguments is produced. Every length output counts the
 * terminating NUL and is the length needed, also when the text was cut. */
#ifndef KQ_INFRA_MSG_H
#define KQ_INFRA_MSG_H

#include <stddef.h>
#include <stdint.h>

#include "kqexport.h"
#include "stf_types.h"

KQ_BEGIN_DECLS

#define MSG_ST_BAD_OPTION 0xc0020066u     /* unsupported option of MSG_GetSymbolicNames */
#define MSG_ST_TRUNCATED 0xc0020067u      /* buffer too small; text cut */
#define MSG_ST_BAD_APP_NAME 0xc0020068u   /* invalid application name */
#define MSG_ST_BAD_ARG_TYPE 0xc0020069u   /* an argument type cannot be inserted */
#define MSG_ST_SPRINTF_SOURCE 0xc002006au /* MSG_GetFormattedBySprintf given source 1 */
#define MSG_ST_ARGS_NOT_SHOWN 0xc002006bu /* more than 4 arguments, or lost */
#define MSG_ST_NO_MEMORY 0xc002006cu      /* not enough memory */
#define MSG_ST_NOT_IN_USE 0xc002006du     /* MSG_UsageBegin not called (or called twice) */
#define MSG_ST_RESERVED 0xc002006eu       /* non-zero reserved argument */
#define MSG_ST_NO_LOCALE 0xc002006fu      /* the requested locale is not available */
#define MSG_ST_NOT_FOUND 0xc0020070u      /* catalogue or message not found */
#define MSG_ST_BAD_SOURCE 0xc0020071u     /* unknown status source */

/* A program calls MSG_UsageBegin once, before it asks for any message text (through
 * STF_GetMessage, STF_PutMessages or the functions below); until then every text is
 * the fallback line with the bare code. appName: 3 to 8 letters and digits, the first
 * a letter. The catalogues are found under $QV_ROOT/usr/kq/share/messages, else under
 * the installed <prefix>/share/kqcore/messages. */
KQ_EXPORT uint32_t MSG_UsageBegin(const char *appName);
KQ_EXPORT uint32_t MSG_UsageEnd(void);

KQ_EXPORT uint32_t MSG_GetUnformatted(uint32_t source, uint32_t code, const char *localeName,
                                      uint32_t bufSize, uint32_t *lengthOut, char *buffer);
KQ_EXPORT uint32_t MSG_GetFormattedByArray(uint32_t source, uint32_t code, uint32_t reserved,
                                           const char *localeName, uint32_t bufSize,
                                           uint32_t *lengthOut, char *buffer, int32_t argCount,
                                           const STF_argument_t *arguments);
KQ_EXPORT uint32_t MSG_GetFormattedBySprintf(uint32_t source, uint32_t code, uint32_t reserved,
                                             const char *localeName, uint32_t bufSize,
                                             uint32_t *lengthOut, char *buffer, ...);
KQ_EXPORT uint32_t MSG_GetSymbolicNames(uint32_t source, uint32_t code, uint32_t appSize,
                                        char *appOut, uint32_t sourceSize, char *sourceOut,
                                        uint32_t facilitySize, char *facilityOut, uint32_t option);

/* The same operations under their second names. */
KQ_EXPORT uint32_t MSG_GetUnformattedWide(uint32_t source, uint32_t code, const char *localeName,
                                          uint32_t bufSize, uint32_t *lengthOut, char *buffer);
KQ_EXPORT uint32_t MSG_GetFormattedByArrayWide(uint32_t source, uint32_t code, uint32_t reserved,
                                               const char *localeName, uint32_t bufSize,
                                               uint32_t *lengthOut, char *buffer, int32_t argCount,
                                               const STF_argument_t *arguments);
KQ_EXPORT uint32_t MSG_GetFormattedBySprintfWide(uint32_t source, uint32_t code, uint32_t reserved,
                                                 const char *localeName, uint32_t bufSize,
                                                 uint32_t *lengthOut, char *buffer, ...);

/* setlocale under the catalogue's locale lock; copies the resulting locale name into
 * `buffer`. 0, or -1 when there is no result or it does not fit. */
KQ_EXPORT int MSG_setlocale_r(int category, const char *locale, char *buffer, size_t bufSize);

KQ_END_DECLS

#endif
