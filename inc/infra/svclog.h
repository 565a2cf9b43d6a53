/* The service log: messages of a severity are built per thread in pieces and
 * written as one block of lines to standard output, standard error, syslog or a
 * stamped, rotating log file. The facility never fails its callers. */
#ifndef KQ_INFRA_SVCLOG_H
#define KQ_INFRA_SVCLOG_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

/* Severities 1..32; their letters are " EWADXIFMSabcdefghijklmnopqrstuvx". */
#define LOG_SEV_ERROR 1    /* E */
#define LOG_SEV_WARNING 2  /* W */
#define LOG_SEV_ALERT 3    /* A */
#define LOG_SEV_CODING 4   /* D: coding runtime failures */
#define LOG_SEV_DIAG 5     /* X: failure diagnostics */
#define LOG_SEV_INFO 6     /* I: information, request echo */
#define LOG_SEV_FUNC 7     /* F: function entry and exit */
#define LOG_SEV_PACK 8     /* M: value packing detail */
#define LOG_SEV_SYSTEM 9   /* S */
#define LOG_SEV_OIDDB 14   /* e: OID database detail */
#define LOG_SEV_GENCONV 16 /* g: generic value conversions */
#define LOG_SEV_CRED 18    /* i: credentials */

/* Largest text one formatted call may produce. */
#define LOG_MAX_TEXT_CHUNK 2048

KQ_EXPORT int LOG_Init(const char *address, const char *severityLetters);
KQ_EXPORT int LOG_Syslog(const char *severityLetters, const char *ident, int option, int facility);
KQ_EXPORT int LOG_Term(void);

/* Returns "standard output", "standard error", "system log" or the log file name. */
KQ_EXPORT const char *LOG_SetAddress(const char *path);
/* Returns the new mask (the current one for a null argument). */
KQ_EXPORT uint32_t LOG_SetSeverity(const char *letters);
/* Each returns the previous value. */
KQ_EXPORT int LOG_SetEnabled(int flag);
KQ_EXPORT int LOG_SetUseOnce(int flag);
KQ_EXPORT long LOG_SetLogSize(long bytes);
KQ_EXPORT int LOG_SetMaxNoOfLogs(int count);
KQ_EXPORT int LOG_GetMaxTextChunk(void);

/* How a line reads. Every line starts with the severity letter and the thread id.
 * User-class messages (E, W, A, D, S by default) then give the local date and time.
 * Trace-class messages give the source file in 10 columns, a name of 11 characters
 * or more kept as its first 3, "~" and its last 6 ("set~ngs.cc" is settings.cc),
 * the line, and the time as seconds since midnight UTC with microseconds
 * ("86181.146797" is 23:56:21.146797). Both are fixed by the log's line format,
 * which the other programs of the print system read as well; " | " precedes the text.
 *
 * 1 when a message is open for this thread at this severity. */
KQ_EXPORT int LOG_StartMessage(int severity, const char *sourceFile, int line,
                               const char *userName);
KQ_EXPORT void LOG_AddText(const char *text);
KQ_EXPORT void LOG_CondAdd(const char *format, ...) KQ_PRINTF(1, 2);
KQ_EXPORT void LOG_EndMessage(void);
KQ_EXPORT int LOG_InMessage(void);
KQ_EXPORT void LOG_CondMessage(int severity, const char *sourceFile, int line, const char *format,
                               ...) KQ_PRINTF(4, 5);
KQ_EXPORT void LOG_CondFuncTrace(const char *functionName, const char *sourceFile, int line,
                                 int entering, const char *format, ...) KQ_PRINTF(5, 6);
/* The format is the catalogue text of `messageCode` (status source 2). */
KQ_EXPORT void LOG_CondUserMessage(int severity, uint32_t messageCode, ...);

/* The calls above that take a source position, with the caller's own filled in:
 * __FILE__ and __LINE__ where the macro is used. The format argument is always
 * given (null where the function takes none).
 *   LOG_COND_MESSAGE(severity, format, ...)
 *   LOG_COND_FUNC_TRACE(functionName, entering, format, ...)
 *   LOG_START_MESSAGE(severity, userName) */
#define LOG_COND_MESSAGE(severity, ...) LOG_CondMessage((severity), __FILE__, __LINE__, __VA_ARGS__)
#define LOG_COND_FUNC_TRACE(functionName, entering, ...) \
  LOG_CondFuncTrace((functionName), __FILE__, __LINE__, (entering), __VA_ARGS__)
#define LOG_START_MESSAGE(severity, userName) \
  LOG_StartMessage((severity), __FILE__, __LINE__, (userName))

KQ_END_DECLS

#endif
