#include "ns_test_util.h"

#include <cstdlib>

#include "infra/ns.h"
#include "private/ns_internal.h"
#include "internal/prt_switch.h"

namespace kq::ns::test {

void NsFiles::SetUp() {
  PrtFiles::SetUp();
  switchFile = dir + "/nsswitch.conf";
  ns__nsswitch_path = switchFile.c_str();  // absent until a test writes it
  setenv("PTS_TIMEOUT", "3", 1);
  ComputeTimeouts();
}

void NsFiles::TearDown() {
  NS_Term();
  ns__nsswitch_path = "/etc/nsswitch.conf";
  unsetenv("PTS_TIMEOUT");
  PrtFiles::TearDown();
}

}  // namespace kq::ns::test

// libtirpc 1.3.3 loses 16 bytes inside clnt_create_timed on every client it makes
// (the client itself is destroyed); only frames of that library are excused.
extern "C" __attribute__((visibility("default"))) const char *__lsan_default_suppressions() {
  return "leak:libtirpc.so\n";
}
