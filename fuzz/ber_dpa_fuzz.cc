// libFuzzer harness: arbitrary bytes decoded as any record of the protocol module.
#include "ber_fuzz_common.h"
#include "internal/ber_mod_kq_0b.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return FuzzBerModule(kq_0b, data, size);
}
