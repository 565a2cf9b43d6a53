// The NIS map "printers.conf.byname": read with yp_all, refreshed every 180
// seconds, and updated on the map's master with remote copy and remote make.
#include <rpcsvc/yp_prot.h>
#include <rpcsvc/ypclnt.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "infra/svclog.h"
#include "private/prt_plist.h"

namespace kq::prt {
namespace {

constexpr time_t kNisLifetime = 180;
constexpr int kAttempts = 5;
const char kMap[] = "printers.conf.byname";

THR_once_t domainOnce = PTHREAD_ONCE_INIT;
char *domain;

void FetchDomain() {
  char *d = nullptr;
  if (yp_get_default_domain(&d) == 0 && d && *d && strcmp(d, "(none)") != 0) domain = strdup(d);
}

int Collect(int status, char *key, int keyLength, char *value, int valueLength, char *data) {
  if (status != YP_TRUE) return 1;
  auto *out = reinterpret_cast<std::vector<plist::Entry> *>(data);
  out->push_back({std::string(value, valueLength), std::string(key, keyLength)});
  return 0;
}

// Runs one shell command with its output discarded; true when it exited with 0.
bool Run(const std::string &command) {
  int status = system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool NisNeedsUpdate(plist &list) {
  const char *d = prt__nis_domain();
  return list.name != kMap || list.domain != (d ? d : "") ||
         time(nullptr) - list.readTime > kNisLifetime;
}

bool ReadNisSource(plist &list, std::vector<plist::Entry> *out) {
  const char *d = prt__nis_domain();
  list.name = kMap;
  list.domain = d ? d : "";
  list.readTime = time(nullptr);
  if (!d) return false;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    out->clear();
    struct ypall_callback callback = {Collect, reinterpret_cast<char *>(out)};
    int rc = yp_all(const_cast<char *>(d), const_cast<char *>(kMap), &callback);
    if (rc == 0) return true;
    if (rc == YPERR_BADARGS) break;
    yp_unbind(const_cast<char *>(d));
  }
  out->clear();
  return false;
}

int PutPrinterToNis(ns_printer_t *printer) {
  const char *d = prt__nis_domain();
  if (!d) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: no NIS domain, %s not written to %s", printer->name,
                     kMap);
    return -1;
  }
  char *master = nullptr;
  if (yp_master(const_cast<char *>(d), const_cast<char *>(kMap), &master) != 0 &&
      yp_master(const_cast<char *>(d), const_cast<char *>("passwd.byname"), &master) != 0) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "libprint: no NIS master for %s", kMap);
    return -1;
  }
  std::string local = std::string("/tmp/") + kMap;
  std::string base(kMap, strlen(kMap) - strlen(".byname"));
  std::string remote = std::string("root@") + master + ":/etc/" + base;
  const std::string makefile = "/var/yp/Makefile";
  char buffer[1024];
  snprintf(buffer, sizeof buffer, "rcp %s %s >/dev/null 2>&1", remote.c_str(), local.c_str());
  Run(buffer);  // a master without the file yet starts from an empty copy
  bool ok = PutPrinterToFile(local, Format::kSystem, printer) == 0;
  snprintf(buffer, sizeof buffer, "rcp %s %s >/dev/null 2>&1", local.c_str(), remote.c_str());
  ok = ok && Run(buffer);
  snprintf(buffer, sizeof buffer, "rcp %s root@%s:%s.print >/dev/null 2>&1",
           "/usr/lib/print/Makefile.yp", master, makefile.c_str());
  ok = ok && Run(buffer);
  snprintf(buffer, sizeof buffer,
           "rsh -l root %s PATH=/usr/ccs/bin:/bin:/usr/bin:$PATH make -f %s -f %s.print "
           "printers.conf >/dev/null 2>&1",
           master, makefile.c_str(), makefile.c_str());
  ok = ok && Run(buffer);
  free(master);
  return ok ? 0 : -1;
}

}  // namespace kq::prt

const char *prt__nis_domain(void) {
  THR_Once(&kq::prt::domainOnce, kq::prt::FetchDomain);
  return kq::prt::domain;
}
