// libFuzzer harness: arbitrary bytes taken as the error packet of every error type of
// a reply. Whatever JQP_ErrorDecode accepts is described with ErrorResult2String and
// released; whatever it refuses must leave no result behind. Run with QV_ROOT set to
// a staged tree, so that attribute lists convert against the real registry.
#include <cstdint>
#include <cstdlib>

#include "infra/erdpa.h"
#include "infra/jqp.h"
#include "infra/stf.h"

namespace {

// Error types 0 to 13, and one on each side of the table.
constexpr int32_t kFirstType = -1, kLastType = 14;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static STF_statusList_t *status = STF_CreateList(nullptr);
  for (int32_t type = kFirstType; type <= kLastType; ++type) {
    ERDPA_errorResult_t *result = nullptr;
    if (JQP_ErrorDecode(status, type, data, static_cast<int32_t>(size), &result) != 0) {
      if (result) abort();  // a refused packet hands nothing out
      continue;
    }
    if (!result) abort();
    char *text = ErrorResult2String(result);
    if (!text) abort();  // only when memory runs out
    free(text);
    if (ERDPA_FreeError(status, result) != 0) abort();
  }
  STF_ClearStatus(status);
  return 0;
}
