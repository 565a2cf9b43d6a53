// Message texts on arbitrary input. The first byte chooses what the rest is:
//  - a text template with % directives, formatted from four typed slots. The whole
//    text fits a buffer of the length the formatter reports; a smaller buffer holds
//    its beginning, NUL-terminated, and nothing is written past either.
//  - the environment a program finds its catalogues through: lines giving NLSPATH,
//    LANG, LC_ALL, QV_ROOT, the application name and the locale asked for, then
//    four bytes of a status code. Texts, formatted texts and symbolic names are
//    fetched under it; every answer is NUL-terminated within the caller's buffer.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/msg.h"
#include "infra/stf.h"
#include "private/msg_internal.h"

// The sanitizer's own check of printf formats stops at flags glibc accepts (the "'"
// of digit grouping); what the formatter hands snprintf is checked here instead.
extern "C" const char *__asan_default_options() { return "check_printf=0"; }

namespace {

constexpr size_t kGuard = 16;

// Formats into a buffer of `size` bytes followed by a guard; the length reported.
size_t Format(const char *format, const MSG__slot_t *slots, size_t size, std::string *out) {
  std::vector<char> buffer(size + kGuard, '#');
  errno = 0;  // "%m" prints errno's text: the same for every call of one input
  size_t length = MSG__DoFormat(buffer.data(), size, format, slots);
  for (size_t i = size; i < buffer.size(); ++i)
    if (buffer[i] != '#') abort();  // written past the buffer
  if (size > 0) {
    const char *end = static_cast<const char *>(memchr(buffer.data(), '\0', size));
    if (!end) abort();
    out->assign(buffer.data(), static_cast<size_t>(end - buffer.data()));
  }
  return length;
}

void FormatTemplate(uint8_t choice, const std::string &text) {
  // A width or precision of seven digits or more is formatted as sprintf does it: the
  // C library then builds the whole text, gigabytes for "%.1000000000f".
  int digits = 0;
  for (char ch : text)
    if ((digits = ch >= '0' && ch <= '9' ? digits + 1 : 0) >= 7) return;
  static const char *const kStrings[] = {"", "word", "%s%n%d", "a much longer insert text"};
  MSG__slot_t slots[MSG_MAX_INSERTS];
  for (int i = 0; i < MSG_MAX_INSERTS; ++i) {
    int kind = (choice >> (2 * i)) & 3;
    switch (kind) {
      case 0:
        slots[i] = {MSG_SLOT_LONG, {}};
        slots[i].value.l = i % 2 ? -1234567L : 42L;
        break;
      case 1:
        slots[i] = {MSG_SLOT_DOUBLE, {}};
        slots[i].value.d = i % 2 ? 1e300 : -0.5;
        break;
      case 2:
        slots[i] = {MSG_SLOT_PTR, {}};
        slots[i].value.p = kStrings[i];
        break;
      default:
        slots[i] = {i % 2 ? MSG_SLOT_INT : MSG_SLOT_FILLER, {}};
        slots[i].value.i = i % 2 ? 'x' : MSG_FILLER_VALUE;
        break;
    }
  }
  std::string whole, part;
  size_t length = Format(text.c_str(), slots, 0, &whole);
  if (length > (1u << 20)) return;  // a width of a megabyte is not worth printing
  if (Format(text.c_str(), slots, length + 1, &whole) != length) abort();
  // Only a %c (or %C) of a NUL character ends the text before its length.
  if (whole.size() > length ||
      (whole.size() < length && text.find_first_of("cC") == std::string::npos))
    abort();
  if (Format(text.c_str(), slots, length / 2 + 1, &part) != length) abort();
  if (whole.compare(0, part.size(), part) != 0) abort();
}

// A NUL-terminated answer within the buffer (the guard bytes after it untouched).
void CheckAnswer(const std::vector<char> &buffer, size_t size) {
  if (size > 0 && !memchr(buffer.data(), '\0', size)) abort();
  for (size_t i = size; i < buffer.size(); ++i)
    if (buffer[i] != '#') abort();
}

void FetchUnder(const std::string &rest) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (lines.size() < 6) {
    size_t nl = rest.find('\n', start);
    if (nl == std::string::npos) break;
    lines.push_back(rest.substr(start, nl - start));
    start = nl + 1;
  }
  uint32_t code = 0;
  for (size_t i = start; i < rest.size() && i < start + 4; ++i)
    code = code << 8 | static_cast<uint8_t>(rest[i]);
  lines.resize(6);
  static const char *const kVariables[] = {"NLSPATH", "LANG", "LC_ALL", "QV_ROOT"};
  std::string saved[4];
  bool had[4];
  for (int i = 0; i < 4; ++i) {
    const char *v = getenv(kVariables[i]);
    had[i] = v != nullptr;
    if (v) saved[i] = v;
    if (!lines[i].empty()) setenv(kVariables[i], lines[i].c_str(), 1);
  }
  const std::string &appName = lines[4];
  const char *locale = lines[5].empty() ? nullptr : lines[5].c_str();
  MSG_UsageBegin(appName.empty() ? nullptr : appName.c_str());
  const char bytes[] = "bytes\0inside";
  STF_argument_t args[4] = {};
  args[0].type = STF_ARG_INT;
  args[0].value.i = static_cast<int32_t>(code);
  args[1].type = STF_ARG_STRING;
  args[1].value.p = "text";
  args[2].type = STF_ARG_DOUBLE;
  args[2].value.d = 2.5;
  args[3].type = STF_ARG_BYTES;
  args[3].length = sizeof bytes;
  args[3].value.p = bytes;
  const uint32_t codes[] = {code, 0xc0020070u, 0xc0010004u, code & 0xffffu};
  for (uint32_t source : {STF_SRC_STF, STF_SRC_MSG, STF_SRC_ERRNO}) {
    for (uint32_t c : codes) {
      for (size_t size : {0, 1, 7, 300}) {
        std::vector<char> buffer(size + kGuard, '#');
        uint32_t length = 0;
        MSG_GetUnformatted(source, c, locale, size, &length, buffer.data());
        CheckAnswer(buffer, size);
        std::fill(buffer.begin(), buffer.end(), '#');
        MSG_GetFormattedByArray(source, c, 0, locale, size, &length, buffer.data(),
                                static_cast<int32_t>(code % 6) - 1, args);
        CheckAnswer(buffer, size);
      }
      char app[16], src[16], facility[MSG_FACILITY_NAME_MAX];
      memset(app, '#', sizeof app);
      memset(src, '#', sizeof src);
      memset(facility, '#', sizeof facility);
      if (MSG_GetSymbolicNames(source, c, sizeof app, app, sizeof src, src, sizeof facility,
                               facility, 0) == 0 &&
          (!memchr(app, '\0', sizeof app) || !memchr(src, '\0', sizeof src) ||
           !memchr(facility, '\0', sizeof facility)))
        abort();
    }
  }
  MSG_UsageEnd();
  for (int i = 0; i < 4; ++i) {
    if (had[i])
      setenv(kVariables[i], saved[i].c_str(), 1);
    else
      unsetenv(kVariables[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  std::string rest(reinterpret_cast<const char *>(data) + 1, size - 1);
  if (data[0] & 1) {
    FetchUnder(rest);
  } else {
    FormatTemplate(data[0] >> 1, rest.c_str());
  }
  return 0;
}
