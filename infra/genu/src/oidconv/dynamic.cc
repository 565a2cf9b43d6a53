// Opening and closing the dynamic-OID database, and looking records up in it.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "infra/genu_oid.h"
#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/oidconv_dynamic.h"

namespace genu = kq::genu;

namespace kq::genu {

namespace {

// The handle is set by GENU_Init and cleared by GENU_Term; the mutex also
// serialises lookups, since a database handle serves one thread at a time.
std::mutex dbMutex;
KQBM_dbHandle_t cvrtDb = nullptr;

}  // namespace

uint32_t DynamicLookup(const char *function, DynamicAnnounce announce, const char *key,
                       int32_t keyLength, const char *keyText, datum *content) {
  LOG_COND_MESSAGE(LOG_SEV_INFO, "%s() -- %s", function,
                   announce == DynamicAnnounce::kIsDynamic ? " It's a dynamic OID......\n"
                                                           : "Maybe dynamic OID??......\n");
  std::lock_guard<std::mutex> lock(dbMutex);
  if (!cvrtDb) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "%s() -- dynamic OID table has not been initialized!!!!!!\n",
                     function);
    return GENU_ST_OID_NOT_OPEN;
  }
  datum k{const_cast<char *>(key), keyLength};
  *content = KQBM_fetch(cvrtDb, k);
  if (!content->dptr) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "No!!  Unknown OID!!!\n");
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "key = %s,  key.size = %d\n", keyText, keyLength);
    return GENU_ST_OID_UNKNOWN;
  }
  return 0;
}

bool ParseShoid(const datum &content, uint32_t *shoid) {
  if (!content.dptr || content.dsize <= 0 || content.dsize > 10) return false;
  std::string text(content.dptr, static_cast<size_t>(content.dsize));
  if (!text.empty() && text.back() == '\0') text.pop_back();
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  unsigned long long v = strtoull(text.c_str(), nullptr, 10);
  if (v > UINT32_MAX) return false;
  *shoid = static_cast<uint32_t>(v);
  return true;
}

}  // namespace kq::genu

using kq::genu::cvrtDb;
using kq::genu::dbMutex;

extern "C" {

int GENU_Init(STF_statusList_t *status, const char *directory, int mode) {
  if (!status) return 1;
  std::lock_guard<std::mutex> lock(dbMutex);
  if (cvrtDb) return STF__Fail(status, GENU_ST_OID_OPEN_TWICE);
  if (mode != 0 && mode != 2) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "Open mode is bad\n");
    return STF__Fail(status, GENU_ST_OID_BAD_MODE);
  }
  if (!directory || !*directory) return STF__Fail(status, GENU_ST_OID_NO_DIR);
  std::string path;
  try {
    path = std::string(directory) + "/" + GENU_OID_DB_NAME;
  } catch (const std::bad_alloc &) {
    return STF__Fail(status, GENU_ST_OID_NO_MEMORY);
  }
  errno = 0;
  cvrtDb = KQBM_open(path.c_str(), mode == 2 ? O_RDWR : O_RDONLY, mode == 2 ? 0666 : 0444, 1);
  if (!cvrtDb)
    return STF__Fail(status, errno == ENOMEM ? GENU_ST_OID_NO_MEMORY : GENU_ST_OID_OPEN_FAILED);
  return 0;
}

void GENU_Term(void) {
  std::lock_guard<std::mutex> lock(dbMutex);
  KQBM_close(cvrtDb);
  cvrtDb = nullptr;
}

KQBM_dbHandle_t GENU_GetCvrtHandle(void) {
  std::lock_guard<std::mutex> lock(dbMutex);
  return cvrtDb;
}

}  // extern "C"
