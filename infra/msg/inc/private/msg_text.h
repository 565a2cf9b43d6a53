// A growing NUL-terminated text on the process heap. Running out of memory is
// remembered rather than thrown, so the facility can report it as a status.
#ifndef KQ_INFRA_MSG_INC_PRIVATE_MSG_TEXT_H
#define KQ_INFRA_MSG_INC_PRIVATE_MSG_TEXT_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "infra/kqexport.h"

namespace kq::msg {

class Text {
 public:
  Text() = default;
  ~Text() { free(data_); }
  Text(const Text &) = delete;
  Text &operator=(const Text &) = delete;

  const char *data() const { return data_ ? data_ : ""; }
  size_t size() const { return size_; }
  bool failed() const { return failed_; }

  void Clear() {
    size_ = 0;
    if (data_) data_[0] = '\0';
  }

  void Append(const char *bytes, size_t count) {
    if (!Reserve(size_ + count)) return;
    memcpy(data_ + size_, bytes, count);
    size_ += count;
    data_[size_] = '\0';
  }
  void Append(const char *s) { Append(s, strlen(s)); }

  void AppendF(const char *format, ...) KQ_PRINTF(2, 3) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n >= 0 && Reserve(size_ + static_cast<size_t>(n))) {
      vsnprintf(data_ + size_, static_cast<size_t>(n) + 1, format, again);
      size_ += static_cast<size_t>(n);
    }
    va_end(again);
  }

 private:
  // Room for `length` characters and the NUL.
  bool Reserve(size_t length) {
    if (failed_) return false;
    if (length < capacity_) return true;
    size_t capacity = capacity_ ? capacity_ : 64;
    while (capacity <= length) capacity *= 2;
    char *grown = static_cast<char *>(realloc(data_, capacity));
    if (!grown) {
      failed_ = true;
      return false;
    }
    if (!data_) grown[0] = '\0';
    data_ = grown;
    capacity_ = capacity;
    return true;
  }

  char *data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace kq::msg

#endif
