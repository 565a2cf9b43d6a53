// Path classification and the path form conversions.
#include "infra/fa.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int32_t Kind(const std::string &path) {
  int32_t kind = -1;
  uint32_t st = FA_CheckFilePath(path.data(), static_cast<uint32_t>(path.size()), &kind);
  return st ? static_cast<int32_t>(st) : kind;
}

TEST(fa_check, Kinds) {
  EXPECT_EQ(Kind("/etc/printers.conf"), FA_PATH_ABSOLUTE);
  EXPECT_EQ(Kind("c|/spool/job"), FA_PATH_ABSOLUTE);
  EXPECT_EQ(Kind("c|spool"), FA_PATH_DRIVE_RELATIVE);
  EXPECT_EQ(Kind("Z|"), FA_PATH_DRIVE_RELATIVE);
  EXPECT_EQ(Kind("c:/spool"), FA_PATH_RELATIVE);
  EXPECT_EQ(Kind("9lives"), FA_PATH_RELATIVE);
  EXPECT_EQ(Kind("spool/job"), FA_PATH_RELATIVE);
  EXPECT_EQ(Kind("./a"), FA_PATH_RELATIVE);
  EXPECT_EQ(Kind("c"), FA_PATH_RELATIVE);
  EXPECT_EQ(Kind("  \t/abs"), FA_PATH_ABSOLUTE);
  EXPECT_EQ(Kind("   d|x"), FA_PATH_DRIVE_RELATIVE);
}

TEST(fa_check, Errors) {
  int32_t kind;
  EXPECT_EQ(FA_CheckFilePath("/a", 2, nullptr), FA_ST_NULL_KIND);
  EXPECT_EQ(FA_CheckFilePath(nullptr, 2, &kind), FA_ST_NULL_PATH);
  EXPECT_EQ(FA_CheckFilePath("/a", 0, &kind), FA_ST_EMPTY_PATH);
  EXPECT_EQ(static_cast<uint32_t>(Kind("    ")), FA_ST_BAD_PATH);
  EXPECT_EQ(static_cast<uint32_t>(Kind(std::string(" \0/", 3))), FA_ST_BAD_PATH);
  // Only the given length counts: blanks up to it and nothing else.
  EXPECT_EQ(FA_CheckFilePath("  /x", 2, &kind), FA_ST_BAD_PATH);
}

TEST(fa_check, WhiteSpaceIsSkippedInTheCurrentCodeSet) {
  const char *saved = setlocale(LC_CTYPE, nullptr);
  std::string restore = saved ? saved : "C";
  if (!setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  // U+3000 IDEOGRAPHIC SPACE is white space in UTF-8; a lone lead byte is invalid.
  EXPECT_EQ(Kind("\xe3\x80\x80/abs"), FA_PATH_ABSOLUTE);
  EXPECT_EQ(static_cast<uint32_t>(Kind(" \xe3\x80")), FA_ST_BAD_PATH);
  EXPECT_EQ(static_cast<uint32_t>(Kind("\xff/abs")), FA_ST_BAD_PATH);
  setlocale(LC_CTYPE, restore.c_str());
}

TEST(fa_convert, CopiesTheBytesBothWays) {
  using Fn = uint32_t (*)(const char *, uint32_t, char **, uint32_t *);
  for (Fn fn : {FA_ConvertFilePath, FA_RevertFilePath}) {
    char *out = nullptr;
    uint32_t len = 0;
    const char path[] = "/var/spool/kq/job1";
    ASSERT_EQ(fn(path, 10, &out, &len), 0u);
    EXPECT_EQ(len, 10u);
    EXPECT_STREQ(out, "/var/spool");
    free(out);
    EXPECT_EQ(fn(nullptr, 1, &out, &len), FA_ST_NULL_PATH);
    EXPECT_EQ(fn(path, 0, &out, &len), FA_ST_EMPTY_PATH);
    EXPECT_EQ(fn(path, 1, nullptr, &len), FA_ST_NULL_PATH_OUT);
    EXPECT_EQ(fn(path, 1, &out, nullptr), FA_ST_NULL_LENGTH);
  }
}

}  // namespace
