// The name-service switch: which services to ask, in which order, for a database.
#include <cstdio>
#include <cstring>
#include <string>

#include "private/prt_internal.h"

const char *ns__nsswitch_path = "/etc/nsswitch.conf";

namespace {

// Index = service number.
const char *const kServiceNames[] = {nullptr,   "user", "printcap", "files", "nis",
                                     "nisplus", "xfn",  "compat",   "dns"};
constexpr int kServiceCount = 8;

int ServiceNumber(const std::string &word) {
  for (int i = 1; i <= kServiceCount; ++i)
    if (word == kServiceNames[i]) return i;
  return 0;
}

// "[STATUS=action ...]": 1 when an action is "return", 0 when all continue, -1 when
// malformed.
int Criterion(const std::string &inside) {
  static const char *const kStatuses[] = {"SUCCESS", "UNAVAIL", "NOTFOUND", "TRYAGAIN"};
  int result = 0;
  size_t pos = 0, count = 0;
  while ((pos = inside.find_first_not_of(" \t", pos)) != std::string::npos) {
    size_t end = inside.find_first_of(" \t", pos);
    std::string item = inside.substr(pos, end == std::string::npos ? end : end - pos);
    pos = end;
    size_t eq = item.find('=');
    if (eq == std::string::npos) return -1;
    std::string status = item.substr(0, eq), action = item.substr(eq + 1);
    bool known = false;
    for (const char *s : kStatuses) known = known || status == s;
    if (!known || (action != "return" && action != "continue")) return -1;
    if (action == "return") result = 1;
    ++count;
  }
  return count ? result : -1;
}

}  // namespace

int ns_parse_confentries(const char *text, int maxCount, int *order) {
  if (!order) return -2;
  order[0] = 0;
  if (!text) return 0;
  std::string line(text, strcspn(text, "\n"));
  int n = 0;
  size_t pos = 0;
  while (n < maxCount && (pos = line.find_first_not_of(" \t", pos)) != std::string::npos) {
    if (line[pos] == '[') {
      size_t close = line.find(']', pos);
      if (close == std::string::npos) break;
      int c = Criterion(line.substr(pos + 1, close - pos - 1));
      if (c < 0) break;
      pos = close + 1;
      if (c == 1) {
        order[n] = 0;
        return 0;
      }
      continue;
    }
    size_t end = line.find_first_of(" \t[", pos);
    int number = ServiceNumber(line.substr(pos, end == std::string::npos ? end : end - pos));
    if (!number) break;
    order[n++] = number;
    order[n] = 0;
    pos = end;
  }
  if (pos != std::string::npos && n < maxCount &&
      line.find_first_not_of(" \t", pos) != std::string::npos) {
    order[0] = 0;  // a word we do not know: nothing of the line is used
    return -2;
  }
  return 0;
}

int ns_get_svc_order(const char *database, int maxCount, int *order) {
  if (!database || !order) return -1;
  FILE *f = fopen(ns__nsswitch_path, "r");
  if (!f) return -1;
  char line[1024];
  size_t dbLength = strlen(database);
  int rc = 1;
  while (fgets(line, sizeof line, f)) {
    const char *p = line + strspn(line, " \t");
    if (*p == '\0' || *p == '\n' || *p == '#') continue;
    if (strncmp(p, database, dbLength) != 0) continue;
    const char *colon = p + dbLength + strspn(p + dbLength, " \t");
    if (*colon != ':') continue;
    rc = ns_parse_confentries(colon + 1, maxCount, order);
    break;
  }
  fclose(f);
  return rc;
}

const char *ns_get_svc_string(int service) {
  return service >= 1 && service <= kServiceCount ? kServiceNames[service] : nullptr;
}
