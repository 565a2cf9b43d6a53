// Message lines built from status entries with the shipped catalogues.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "infra/msg.h"
#include "infra/stf.h"
#include "kqtest.h"

namespace {

class StfMessage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(MSG_UsageBegin("KQTEST"), 0u); }
  static void TearDownTestSuite() { MSG_UsageEnd(); }

  std::string Line(int32_t index, uint32_t flags, uint32_t *status = nullptr,
                   uint32_t bufSize = 512, uint32_t *length = nullptr) {
    std::vector<char> buf(bufSize + 1, '#');
    uint32_t len = 0;
    uint32_t st = STF_GetMessage(list_, index, flags, nullptr, bufSize, &len, buf.data());
    if (status) *status = st;
    if (length) *length = len;
    return std::string(buf.data());
  }
  kq::test::StatusList list_;
};

TEST_F(StfMessage, PrefixPartsAndNewline) {
  STF_ConvertErrno(list_, 2, "open spool file");
  uint32_t st = 1;
  const std::string bare = "A system call failed with errno 2: open spool file\n";
  EXPECT_EQ(Line(1, 0, &st), "%KQTEST:STF.STF, " + bare);
  EXPECT_EQ(st, 0u);
  EXPECT_EQ(Line(1, 0x7, &st), bare);
  EXPECT_EQ(st, 0u);
  EXPECT_EQ(Line(1, 0x107), bare.substr(0, bare.size() - 1));
  // The errno cause line: hyphen, ERRNO source, strerror text.
  EXPECT_EQ(Line(2, 0x1), "-:ERRNO.0000, " + std::string(strerror(2)) + "\n");
  EXPECT_EQ(Line(1, 0x8, &st), "%KQTEST:STF.STF, " + bare);
  EXPECT_EQ(st, STF_ST_BAD_FLAGS);
}

TEST_F(StfMessage, TruncationReportsTheNeededLength) {
  STF_AddStatus(list_, STF_ST_NO_MEMORY, 0);
  uint32_t st = 1, need = 0;
  std::string whole = Line(1, 0, &st, 512, &need);
  ASSERT_EQ(st, 0u);
  ASSERT_EQ(need, whole.size() + 1);

  uint32_t len = 0;
  std::string cut = Line(1, 0, &st, need - 1, &len);
  EXPECT_EQ(st, STF_ST_TRUNCATED);
  EXPECT_EQ(len, need);
  EXPECT_EQ(cut, whole.substr(0, need - 3) + "\n");

  // A buffer smaller than the prefix.
  std::string tiny = Line(1, 0, &st, 5, &len);
  EXPECT_EQ(st, STF_ST_TRUNCATED);
  EXPECT_EQ(len, need);
  EXPECT_EQ(tiny, whole.substr(0, 3) + "\n");

  EXPECT_EQ(Line(9, 0, &st), "");
  EXPECT_EQ(st, STF_ST_NO_ENTRY);
  EXPECT_EQ(STF_GetMessage(nullptr, 1, 0, nullptr, 0, &len, nullptr), 0xffffffffu);
}

TEST_F(StfMessage, LostArgumentsShowTheRawText) {
  STF_AddStatus(list_, STF_ST_SYSTEM_ERROR, 10, 3, 1, 3, 2, 3, 3, 3, 4, 3, 5, 3, 6, 3, 7, 3, 8, 3,
                9, 3, 10);
  uint32_t st = 0;
  std::string line = Line(1, 0x7, &st);
  EXPECT_EQ(st, MSG_ST_ARGS_NOT_SHOWN);
  EXPECT_NE(line.find("%ld"), std::string::npos) << line;
}

struct Collected {
  std::vector<int32_t> indexes;
  std::vector<std::string> lines;
  uint32_t stopAt = 0;
};

uint32_t Collect(const char *text, uint32_t length, int32_t index, void *user) {
  auto *c = static_cast<Collected *>(user);
  EXPECT_EQ(length, strlen(text) + 1);
  c->indexes.push_back(index);
  c->lines.emplace_back(text);
  return c->indexes.size() == c->stopAt ? 77 : 0;
}

TEST_F(StfMessage, PutMessagesWalksNewestFirst) {
  Collected none;
  EXPECT_EQ(STF_PutMessages(list_, 0, nullptr, Collect, &none), 0u);
  EXPECT_TRUE(none.indexes.empty());

  STF_AddStatus(list_, 0xc0030065, 0);
  STF_AddStatus(list_, 0xc0030066, 0);
  STF_AddStatus(list_, 0xc0030067, 0);
  Collected all;
  EXPECT_EQ(STF_PutMessages(list_, 0, nullptr, Collect, &all), 0u);
  EXPECT_EQ(all.indexes, (std::vector<int32_t>{1, 2, -3}));
  EXPECT_EQ(all.lines[0][0], '%');
  EXPECT_EQ(all.lines[1][0], '-');

  Collected stop;
  stop.stopAt = 2;
  EXPECT_EQ(STF_PutMessages(list_, 0, nullptr, Collect, &stop), 77u);
  EXPECT_EQ(stop.indexes.size(), 2u);
}

TEST_F(StfMessage, PutMessagesGrowsItsBufferForLongLines) {
  std::string big(600, 'z');
  STF_ConvertErrno(list_, 5, big.c_str());
  Collected c;
  EXPECT_EQ(STF_PutMessages(list_, 0, nullptr, Collect, &c), 0u);
  ASSERT_EQ(c.lines.size(), 2u);
  EXPECT_NE(c.lines[0].find(big), std::string::npos);
  EXPECT_EQ(c.lines[0].back(), '\n');

  STF__memoryUserBlocked = STF_TAG_MESSAGE_BUFFER;
  Collected starved;
  uint32_t st = STF_PutMessages(list_, 0, nullptr, Collect, &starved);
  STF__memoryUserBlocked = 0;
  EXPECT_EQ(st, STF_ST_NO_MEMORY);
  ASSERT_EQ(starved.lines.size(), 2u);
  // Cut to the first buffer of 200 bytes: 199 characters, the last a newline.
  EXPECT_EQ(starved.lines[0].size(), 199u);
  EXPECT_EQ(starved.lines[0].back(), '\n');
}

}  // namespace
