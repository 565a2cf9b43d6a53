// Which passwd source an entry came from: the local file or NIS, decided by the order
// of the switch's passwd line and, when both are listed, by looking in the first one.
#include <pwd.h>
#include <rpcsvc/ypclnt.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "internal/csec_files.h"
#include "private/csec_internal.h"

int CSEC__MatchPasswdFile(uid_t uid, const char *name) {
  FILE *file = fopen(csec__passwd_path, "r");
  if (!file) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "Cannot open /etc/passwd file\n");
    return -1;
  }
  struct passwd entry, *found = nullptr;
  char buffer[1024];
  int rc = -2;
  for (;;) {
    int e = fgetpwent_r(file, &entry, buffer, sizeof buffer, &found);
    if (e == ERANGE) {
      // A line longer than the buffer is left where it starts: step over it.
      int c;
      while ((c = getc(file)) != EOF && c != '\n') {
      }
      continue;
    }
    if (e != 0) break;
    if (found->pw_uid == uid && strcasecmp(found->pw_name, name) == 0) {
      rc = 0;
      break;
    }
  }
  fclose(file);
  if (rc != 0)
    LOG_COND_MESSAGE(LOG_SEV_CRED, "User %s(uid=%d) not found in /etc/passwd file\n", name,
                     static_cast<int>(uid));
  return rc;
}

int CSEC__MatchNISPasswd(uid_t uid, const char *name) {
  const char *domain = CSEC__GetNISDomain();
  if (!domain) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "NIS not enabled");
    return -1;
  }
  char *value = nullptr;
  int length = 0;
  THR_LockMutex(&kq::csecurity::Mutex());
  int rc = yp_match(const_cast<char *>(domain), const_cast<char *>("passwd.byname"),
                    const_cast<char *>(name), static_cast<int>(strlen(name)), &value, &length);
  THR_UnlockMutex(&kq::csecurity::Mutex());
  if (rc != 0) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "yp_match failed on map passwd for domain %s", domain);
    return rc;
  }
  std::string entry(value, length);
  free(value);
  // name:password:uid:...
  size_t first = entry.find(':');
  size_t second = first == std::string::npos ? first : entry.find(':', first + 1);
  if (second == std::string::npos) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "Invalid passwd entry: %s", entry.c_str());
    return -2;
  }
  int found = atoi(entry.c_str() + second + 1);
  if (found != static_cast<int>(uid)) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "Unmatched UID for user:%s, expect %d found %d", name,
                     static_cast<int>(uid), found);
    return -3;
  }
  return 0;
}

int CSEC_getpwuid_r(uid_t uid, struct passwd *pwd, char *buffer, size_t size,
                    struct passwd **result, const int *services, int *sourceOut) {
  int rc = getpwuid_r(uid, pwd, buffer, size, result);
  if (rc != 0) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "getpwuid_r failed: errno=%d\n", rc);
    return rc;
  }
  if (!*result) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "getpwuid_r failed: no entry for uid %d\n",
                     static_cast<int>(uid));
    return ENOENT;
  }
  if (uid == 0) {
    *sourceOut = SEC_SVC_FILES;
    return 0;
  }
  if (services && services[0] != 0 && services[1] == 0) {
    *sourceOut = services[0];
    return 0;
  }
  // Positions (1-based) of the files and of NIS in the order; compat is both.
  int files = 0, nis = 0, position = 0;
  for (int i = 0; services && i < SEC_MAX_SERVICES && services[i] != 0; ++i) {
    if (services[i] == SEC_SVC_COMPAT) {
      if (!files) files = ++position;
      if (!nis) nis = ++position;
      break;
    }
    ++position;
    if (services[i] == SEC_SVC_FILES && !files) files = position;
    if (services[i] == SEC_SVC_NIS && !nis) nis = position;
  }
  const char *name = (*result)->pw_name;
  if (!files && !nis) {
    LOG_COND_MESSAGE(LOG_SEV_CRED, "passwd not found in NIS and FILE\n");
    return -2;
  }
  if (!files)
    *sourceOut = SEC_SVC_NIS;
  else if (!nis)
    *sourceOut = SEC_SVC_FILES;
  else if (files < nis)
    *sourceOut = CSEC__MatchPasswdFile(uid, name) == 0 ? SEC_SVC_FILES : SEC_SVC_NIS;
  else if (CSEC__MatchPasswdFile(uid, name) != 0)
    *sourceOut = SEC_SVC_NIS;
  else
    *sourceOut = CSEC__MatchNISPasswd(uid, name) == 0 ? SEC_SVC_NIS : SEC_SVC_FILES;
  return 0;
}
