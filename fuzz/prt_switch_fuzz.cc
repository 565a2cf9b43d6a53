// The name-service switch file on arbitrary input: the bytes are written as the
// switch file, and the printer configuration and the directory read the services of
// their databases from it. Whatever a line holds, an order is 0-terminated, never
// longer than asked for, and names only known services.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/ns.h"
#include "infra/prt.h"
#include "internal/prt_switch.h"

namespace {

std::string switchFile;  // in the harness's own directory

void CheckOrder(const int *order, int maxCount) {
  int n = 0;
  while (order[n]) {
    if (!ns_get_svc_string(order[n])) abort();  // a number no service has
    if (++n > maxCount) abort();                // more entries than room was given for
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char dir[] = "/tmp/prt_switch_fuzz.XXXXXX";
  if (!mkdtemp(dir)) abort();
  switchFile = std::string(dir) + "/nsswitch.conf";
  ns__nsswitch_path = switchFile.c_str();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *f = fopen(switchFile.c_str(), "w");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  for (const char *database : {"printers", "passwd", "p", ""}) {
    for (int maxCount : {1, 3, 10}) {
      int order[11];
      memset(order, 0x55, sizeof order);
      int rc = ns_get_svc_order(database, maxCount, order);
      if (rc == 0) CheckOrder(order, maxCount);
      if (rc == -2 && order[0] != 0) abort();  // a refused line leaves no order
    }
  }
  // The directory's view: at most ten services, listed by name.
  const char *services[11];
  if (ns_getservices(services) == 0) {
    int order[11];
    if (ns_get_svc_order("printers", 10, order) == 0)
      for (int i = 0; order[i]; ++i)
        if (strcmp(services[i], ns_get_svc_string(order[i])) != 0) abort();
  }
  // The same bytes as one entry's text, without the file.
  std::string text(reinterpret_cast<const char *>(data), size);
  int order[11];
  if (ns_parse_confentries(text.c_str(), 10, order) == 0) CheckOrder(order, 10);
  return 0;
}
