// Classification of file path names and conversion between the internal and the
// external path form, which are the same bytes on this platform.
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "infra/fa.h"

namespace {

uint32_t CopyPath(const char *path, uint32_t length, char **pathOut, uint32_t *lengthOut) {
  if (!path) return FA_ST_NULL_PATH;
  if (length == 0) return FA_ST_EMPTY_PATH;
  if (!pathOut) return FA_ST_NULL_PATH_OUT;
  if (!lengthOut) return FA_ST_NULL_LENGTH;
  char *copy = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
  if (!copy) return FA_ST_NO_MEMORY;
  memcpy(copy, path, length);
  copy[length] = '\0';
  *pathOut = copy;
  *lengthOut = length;
  return 0;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

extern "C" {

uint32_t FA_CheckFilePath(const char *path, uint32_t length, int32_t *kindOut) {
  if (!kindOut) return FA_ST_NULL_KIND;
  if (!path) return FA_ST_NULL_PATH;
  if (length == 0) return FA_ST_EMPTY_PATH;

  // Skip leading white space character by character in the current code set.
  mbstate_t state{};
  size_t pos = 0;
  while (true) {
    if (pos >= length || path[pos] == '\0') return FA_ST_BAD_PATH;
    wchar_t wc;
    size_t n = mbrtowc(&wc, path + pos, length - pos, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) return FA_ST_BAD_PATH;
    if (n == 0 || !iswspace(static_cast<wint_t>(wc))) break;
    pos += n;
  }

  const char *p = path + pos;
  size_t rest = length - pos;
  if (p[0] == '/') {
    *kindOut = FA_PATH_ABSOLUTE;
  } else if (!IsAsciiLetter(p[0])) {
    *kindOut = FA_PATH_RELATIVE;
  } else if (rest >= 2 && p[1] == '|') {
    *kindOut = (rest >= 3 && p[2] == '/') ? FA_PATH_ABSOLUTE : FA_PATH_DRIVE_RELATIVE;
  } else {
    *kindOut = FA_PATH_RELATIVE;
  }
  return 0;
}

uint32_t FA_ConvertFilePath(const char *path, uint32_t length, char **pathOut,
                            uint32_t *lengthOut) {
  return CopyPath(path, length, pathOut, lengthOut);
}

uint32_t FA_RevertFilePath(const char *path, uint32_t length, char **pathOut, uint32_t *lengthOut) {
  return CopyPath(path, length, pathOut, lengthOut);
}

}  // extern "C"
