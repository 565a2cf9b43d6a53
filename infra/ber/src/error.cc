// Error texts of the coder.
#include <cstdarg>
#include <cstdio>

#include "internal/ber_coder.h"

namespace kq::ber {

int Error::Set(int code, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  return code;
}

}  // namespace kq::ber
