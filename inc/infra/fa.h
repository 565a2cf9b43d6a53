/* File path classification and conversion between the internal and external path
 * forms (identical on this platform). Results are status codes, 0 on success. */
#ifndef KQ_INFRA_FA_H
#define KQ_INFRA_FA_H

#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

#define FA_ST_NULL_KIND 0xc0150065u     /* the kind output is null */
#define FA_ST_NULL_PATH 0xc0150066u     /* the path is null */
#define FA_ST_EMPTY_PATH 0xc0150067u    /* the path length is 0 */
#define FA_ST_NULL_PATH_OUT 0xc0150068u /* the path output is null */
#define FA_ST_NULL_LENGTH 0xc0150069u   /* the length output is null */
#define FA_ST_NO_MEMORY 0xc015006au     /* not enough memory */
#define FA_ST_BAD_PATH 0xc015006bu      /* not a valid multibyte string, or only white space */

/* Path kinds. */
#define FA_PATH_ABSOLUTE 0
#define FA_PATH_RELATIVE 1
#define FA_PATH_DRIVE_RELATIVE 2 /* a letter and "|" not followed by "/" */

KQ_EXPORT uint32_t FA_CheckFilePath(const char *path, uint32_t length, int32_t *kindOut);
/* Both return a new malloc'ed copy of the `length` bytes (NUL added), owned by the
 * caller, and its length. */
KQ_EXPORT uint32_t FA_ConvertFilePath(const char *path, uint32_t length, char **pathOut,
                                      uint32_t *lengthOut);
KQ_EXPORT uint32_t FA_RevertFilePath(const char *path, uint32_t length, char **pathOut,
                                     uint32_t *lengthOut);

KQ_END_DECLS

#endif
