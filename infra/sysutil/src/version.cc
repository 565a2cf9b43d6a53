// The version the library was built as, from the generated public header.
#include "infra/version.h"

extern "C" {

long KQ_GetVersion(int *major, int *minor, int *patch) {
  if (major) *major = KQ_VERSION_MAJOR;
  if (minor) *minor = KQ_VERSION_MINOR;
  if (patch) *patch = KQ_VERSION_PATCH;
  return KQ_VERSION;
}

const char *KQ_GetVersionString(void) { return KQ_VERSION_STRING; }

}  // extern "C"
