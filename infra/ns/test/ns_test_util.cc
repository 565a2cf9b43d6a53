// libtirpc 1.3.3 loses 16 bytes inside clnt_create_timed on every client it makes
// (the client itself is destroyed); only frames of that library are excused.
extern "C" __attribute__((visibility("default"))) const char *__lsan_default_suppressions() {
  return "leak:libtirpc.so\n";
}
