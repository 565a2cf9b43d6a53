// Choosing the output: standard output, standard error, syslog or a stamped log file.
#include <string.h>
#include <syslog.h>
#include <time.h>

#include "private/svclog_internal.h"

namespace kq::svclog {
namespace {

const char *CurrentAddressText() {
  if (LOG_tosyslog) return "system log";
  if (LOG_address[0]) return LOG_address;
  return LOG_fd == stderr ? "standard error" : "standard output";
}

// path + "." + "MMDD-HHMMSS-mmm" in local time of now.
void MakeFileName(const char *path, char *out, size_t size) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local;
  localtime_r(&now.tv_sec, &local);
  char withColons[32];
  strftime(withColons, sizeof withColons, "%m%d-%H:%M:%S", &local);
  char stamp[32];
  char *to = stamp;
  for (const char *p = withColons; *p; ++p) {
    if (*p != ':') *to++ = *p;
  }
  *to = '\0';
  snprintf(out, size, "%s.%s-%03d", path, stamp, static_cast<int>(now.tv_nsec / 1000000));
}

}  // namespace

void CloseOutputLocked() {
  if (LOG_fd && LOG_fd != stdout && LOG_fd != stderr) fclose(LOG_fd);
  LOG_fd = nullptr;
  LOG_logSize = 0;
  LOG_address[0] = '\0';
  if (LOG_tosyslog) {
    closelog();
    LOG_tosyslog = 0;
  }
}

const char *SetAddressLocked(const char *path) {
  if (LOG__env.haveAddress) path = LOG__env.address;
  if (!path || !*path) return CurrentAddressText();
  // Asking again for the file in use keeps it, unless it is still empty.
  if (!strcmp(path, LOG_filePath) && LOG_logSize > 0) return CurrentAddressText();

  char kept[LOG__PATH_MAX];
  snprintf(kept, sizeof kept, "%s", path);  // path may be LOG_filePath itself
  char previous[sizeof LOG_address];
  memcpy(previous, LOG_address, sizeof previous);
  CloseOutputLocked();
  memcpy(LOG_filePath, kept, sizeof LOG_filePath);

  if (!strcmp(kept, "stdout")) {
    LOG_fd = stdout;
  } else if (!strcmp(kept, "stderr")) {
    LOG_fd = stderr;
  } else if (!strcmp(kept, "syslog")) {
    openlog(LOG_sys_ident, LOG_sys_opt, LOG_sys_fac);
    LOG_tosyslog = 1;
  } else {
    // The stamp has millisecond resolution. A rollover within the same millisecond
    // would reopen, and so truncate, the file just left: wait for the next stamp.
    MakeFileName(kept, LOG_address, sizeof LOG_address);
    for (int tries = 0; previous[0] && !strcmp(previous, LOG_address) && tries < 20; ++tries) {
      struct timespec pause = {0, 200000};
      nanosleep(&pause, nullptr);
      MakeFileName(kept, LOG_address, sizeof LOG_address);
    }
    // Opened with "w+" when the first message is written.
  }
  return CurrentAddressText();
}

}  // namespace kq::svclog
