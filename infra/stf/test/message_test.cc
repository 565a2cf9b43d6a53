// Message lines built from status entries with the shipped catalogues.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "infra/msg.h"
#include "infra/stf.h"
#include "kqtest.h"

namespace {

using Got = std::pair<std::string, uint32_t>;  // the line and the status

class StfMessage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(MSG_UsageBegin("KQTEST"), 0u); }
  static void TearDownTestSuite() { MSG_UsageEnd(); }

  // The line in a buffer of bufSize bytes; length_ gets the length reported.
  Got Line(int32_t index, uint32_t flags, uint32_t bufSize = 512) {
    std::vector<char> buf(bufSize + 1, '#');
    uint32_t st = STF_GetMessage(list_, index, flags, nullptr, bufSize, &length_, buf.data());
    return {buf.data(), st};
  }
  kq::test::StatusList list_;
  uint32_t length_ = 0;
};

TEST_F(StfMessage, PrefixPartsAndNewline) {
  STF_ConvertErrno(list_, 2, "open spool file");
  const std::string bare = "A system call failed with errno 2: open spool file\n";
  EXPECT_EQ(Line(1, 0), Got("%KQTEST:STF.STF, " + bare, 0));
  EXPECT_EQ(Line(1, 0x7), Got(bare, 0));
  EXPECT_EQ(Line(1, 0x107), Got(bare.substr(0, bare.size() - 1), 0));
  // The errno cause line: hyphen, ERRNO source, strerror text.
  EXPECT_EQ(Line(2, 0x1), Got("-:ERRNO.0000, " + std::string(strerror(2)) + "\n", 0));
  EXPECT_EQ(Line(1, 0x8), Got("%KQTEST:STF.STF, " + bare, STF_ST_BAD_FLAGS));
}

TEST_F(StfMessage, TruncationReportsTheNeededLength) {
  STF_AddStatus(list_, STF_ST_NO_MEMORY, 0);
  std::string whole = Line(1, 0).first;
  const uint32_t need = length_;
  ASSERT_EQ(need, whole.size() + 1);
  // One byte short, and a buffer smaller than the prefix.
  EXPECT_EQ(Line(1, 0, need - 1), Got(whole.substr(0, need - 3) + "\n", STF_ST_TRUNCATED));
  EXPECT_EQ(length_, need);
  EXPECT_EQ(Line(1, 0, 5), Got(whole.substr(0, 3) + "\n", STF_ST_TRUNCATED));
  EXPECT_EQ(length_, need);
  EXPECT_EQ(Line(9, 0), Got("", STF_ST_NO_ENTRY));
  EXPECT_EQ(STF_GetMessage(nullptr, 1, 0, nullptr, 0, &length_, nullptr), 0xffffffffu);
}

struct Collected {
  std::vector<int32_t> indexes;
  std::vector<std::string> lines;
  uint32_t stopAt = 0, status = 0;
};

uint32_t Collect(const char *text, uint32_t length, int32_t index, void *user) {
  auto *c = static_cast<Collected *>(user);
  EXPECT_EQ(length, strlen(text) + 1);
  c->indexes.push_back(index);
  c->lines.emplace_back(text);
  return c->indexes.size() == c->stopAt ? 77 : 0;
}

// The lines STF_PutMessages hands out; the callback stops it after stopAt lines.
Collected Put(STF_statusList_t *list, uint32_t stopAt = 0) {
  Collected c;
  c.stopAt = stopAt;
  c.status = STF_PutMessages(list, 0, nullptr, Collect, &c);
  return c;
}

TEST_F(StfMessage, PutMessagesWalksNewestFirst) {
  Collected none = Put(list_);
  EXPECT_EQ(none.status + none.indexes.size(), 0u);
  for (uint32_t code : {0xc0030065u, 0xc0030066u, 0xc0030067u}) STF_AddStatus(list_, code, 0);
  Collected all = Put(list_), stop = Put(list_, 2);
  EXPECT_EQ(all.status, 0u);
  EXPECT_EQ(all.indexes, (std::vector<int32_t>{1, 2, -3}));
  EXPECT_EQ(std::string() + all.lines[0][0] + all.lines[1][0], "%-");
  EXPECT_EQ(std::make_pair(stop.status, stop.indexes.size()), std::make_pair(77u, size_t{2}));
}

TEST_F(StfMessage, PutMessagesGrowsItsBufferForLongLines) {
  std::string big(600, 'z');
  STF_ConvertErrno(list_, 5, big.c_str());
  Collected c = Put(list_);
  ASSERT_EQ(c.lines.size(), 2u);
  EXPECT_NE(c.lines[0].find(big + "\n"), std::string::npos);
  STF__memoryUserBlocked = STF_TAG_MESSAGE_BUFFER;
  Collected starved = Put(list_);
  STF__memoryUserBlocked = 0;
  EXPECT_EQ(starved.status, STF_ST_NO_MEMORY);
  ASSERT_EQ(starved.lines.size(), 2u);
  // Cut to the first buffer of 200 bytes: 199 characters, the last a newline.
  EXPECT_EQ(starved.lines[0].size(), 199u);
  EXPECT_EQ(starved.lines[0].back(), '\n');
}

}  // namespace
