/* The library's version: what a program was compiled with (the macros) and what it
 * runs with (the functions). The shared object keeps its interface within one major
 * version, so a program may check
 *   KQ_GetVersion(&major, NULL, NULL) >= KQ_VERSION && major == KQ_VERSION_MAJOR
 * at start-up. */
#ifndef KQ_INFRA_VERSION_H
#define KQ_INFRA_VERSION_H

#include "kqexport.h"
#include "kqversion.h" /* generated: KQ_VERSION_MAJOR, _MINOR, _PATCH, _STRING */

/* One number that grows with every release: major * 10000 + minor * 100 + patch. */
#define KQ_VERSION (KQ_VERSION_MAJOR * 10000L + KQ_VERSION_MINOR * 100L + KQ_VERSION_PATCH)

KQ_BEGIN_DECLS

/* The running library's version as KQ_VERSION counts it; its three parts are stored
 * through those of the pointers that are not null. */
KQ_EXPORT long KQ_GetVersion(int *major, int *minor, int *patch);
/* The running library's version as text ("0.1.0"), a static string. */
KQ_EXPORT const char *KQ_GetVersionString(void);

KQ_END_DECLS

#endif
