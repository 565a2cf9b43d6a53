// I18N_Init and I18N_Term: the data file is read by the first user of the process
// and released by the last, under one mutex made once.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/fa.h"
#include "infra/svclog.h"
#include "infra/thr.h"
#include "private/i18n_tables.h"

namespace kq::i18n {
namespace {

THR_once_t g_once = PTHREAD_ONCE_INIT;
THR_mutex_t g_mutex;
uint32_t g_mutexStatus = 0;
int g_users = 0;
Tables g_tables;
std::atomic<const Tables *> g_current{nullptr};

void MakeMutex() { g_mutexStatus = THR_InitMutex(&g_mutex); }

// Directories tried in turn when I18N_Init is given none.
constexpr const char *kSearchDirs[] = {
    nullptr,  // $MERIDON_DIR/usr/kq/share/data
    "../usr/kq/share/data",
    "../share/data",
    "../../../../usr/kq/share/data",
    KQ_INSTALL_DATADIR "/data",  // where the library was installed
};

uint32_t ReadFrom(const std::string &directory, Tables &t) {
  std::string path = directory + "/" + I18N_DATA_FILE;
  char *converted = nullptr;
  uint32_t length = 0;
  if (FA_ConvertFilePath(path.c_str(), static_cast<uint32_t>(path.size()), &converted, &length))
    return I18N_ST_NO_DATA;
  uint32_t st = ReadDataFile(converted, t);
  free(converted);
  return st;
}

uint32_t Load(const char *directory, Tables &t) {
  if (directory) return ReadFrom(directory, t);
  uint32_t st = I18N_ST_NO_DATA;
  for (const char *dir : kSearchDirs) {
    if (dir) {
      st = ReadFrom(dir, t);
    } else {
      const char *env = getenv(I18N_DATA_ENV);
      st = ReadFrom(std::string(env ? env : "") + "/usr/kq/share/data", t);
    }
    if (st != I18N_ST_NO_DATA) break;
  }
  return st;
}

// Registers the two callbacks through which the conversion contexts reach the
// tables.
int RegisterCallbacks(STF_statusList_t *status) {
  return ICONV_RegisterCallback(status, ICONV_CB_CURRENT_LOCALE,
                                reinterpret_cast<ICONV_callback_t>(I18N_GetCurrentDPALocale)) ||
         ICONV_RegisterCallback(status, ICONV_CB_CODESET_NAME,
                                reinterpret_cast<ICONV_callback_t>(I18N_OIDToCodesetName));
}

struct Lock {
  bool held;
  Lock()
      : held(THR_Once(&g_once, MakeMutex) == 0 && g_mutexStatus == 0 &&
             THR_LockMutex(&g_mutex) == 0) {}
  ~Lock() {
    if (held) THR_UnlockMutex(&g_mutex);
  }
};

}  // namespace

const Tables *Current() { return g_current.load(std::memory_order_acquire); }

}  // namespace kq::i18n

using namespace kq::i18n;

extern "C" {

int I18N_Init(STF_statusList_t *status, const char *directory) {
  if (!status) return 1;
  Lock lock;
  if (!lock.held) return STF__Fail(status, I18N_ST_FAILED);
  if (g_users > 0) {
    g_users++;
    return 0;
  }
  uint32_t st = Load(directory, g_tables);
  if (st) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "I18N_Init: reading %s failed, code=0x%x\n", I18N_DATA_FILE, st);
    STF_AddStatus(status, st, 0);
    // A missing file is reported as it is; anything else also as a failed set-up.
    if (st != I18N_ST_NO_DATA && st != I18N_ST_FAILED) STF_AddStatus(status, I18N_ST_FAILED, 0);
    return 1;
  }
  if (RegisterCallbacks(status)) {
    FreeTables(g_tables);
    return STF__Fail(status, I18N_ST_FAILED);
  }
  g_current.store(&g_tables, std::memory_order_release);
  g_users = 1;
  return 0;
}

int I18N_Term(STF_statusList_t *status) {
  if (!status) return 1;
  Lock lock;
  if (!lock.held || g_users <= 0) return STF__Fail(status, I18N_ST_FAILED);
  if (--g_users == 0) {
    g_current.store(nullptr, std::memory_order_release);
    FreeTables(g_tables);
  }
  return 0;
}

}  // extern "C"
