// libFuzzer harness: arbitrary bytes decoded as an event message.
#include "ber_fuzz_common.h"
#include "internal/ber_mod_evt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return FuzzBerModule(evt, data, size);
}
