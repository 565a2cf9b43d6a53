// Path classification and the path form conversions.
#include "infra/fa.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <utility>

// The kind FA_CheckFilePath gives, or its status code when it refuses the path.
static uint32_t Kind(const std::string &path) {
  int32_t kind = -1;
  uint32_t st = FA_CheckFilePath(path.data(), static_cast<uint32_t>(path.size()), &kind);
  return st ? st : static_cast<uint32_t>(kind);
}

// White space is skipped in the current code set: U+3000 IDEOGRAPHIC SPACE is white
// space in UTF-8, and a lone lead byte is invalid.
TEST(fa_check, ClassifiesPathsAfterLeadingWhiteSpace) {
  const std::string restore = setlocale(LC_CTYPE, nullptr);
  if (!setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::pair<std::string, uint32_t> rows[] = {
      {"/etc/printers.conf", FA_PATH_ABSOLUTE},
      {"c|/spool/job", FA_PATH_ABSOLUTE},
      {"c:/spool", FA_PATH_RELATIVE},
      {"   d|x", FA_PATH_DRIVE_RELATIVE},
      {"\xe3\x80\x80/abs", FA_PATH_ABSOLUTE},
      {" \xe3\x80", FA_ST_BAD_PATH},
      {"    ", FA_ST_BAD_PATH},
      {std::string(" \0/", 3), FA_ST_BAD_PATH},
  };
  for (const auto &[path, want] : rows) EXPECT_EQ(Kind(path), want) << path;
  setlocale(LC_CTYPE, restore.c_str());
  int32_t kind;
  EXPECT_EQ(FA_CheckFilePath("  /x", 2, &kind), FA_ST_BAD_PATH);  // only the given length counts
}

TEST(fa_convert, CopiesTheBytesBothWays) {
  using Fn = uint32_t (*)(const char *, uint32_t, char **, uint32_t *);
  for (Fn fn : {FA_ConvertFilePath, FA_RevertFilePath}) {
    char *out = nullptr;
    uint32_t len = 0;
    ASSERT_EQ(fn("/var/spool/kq/job1", 10, &out, &len), 0u);
    EXPECT_EQ(len, 10u);
    EXPECT_STREQ(out, "/var/spool");
    free(out);
  }
}
