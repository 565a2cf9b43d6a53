// Per-thread message state: messages of concurrent threads, severity changes inside a
// thread, and the life of the state.
#include <regex>
#include <thread>

#include "log_fixture.h"

namespace {

using svclog_threads = LogTest;

TEST_F(svclog_threads, ConcurrentMessagesNeverInterleave) {
  std::string file = LogToFile("EX");
  constexpr int kMessages = 3000;
  // Every fourth message spans several text buffers, so it is written in pieces.
  auto tail = [](int i) { return i % 4 == 0 ? std::string(1500, 'p') : std::string(); };
  auto writer = [&tail](int id) {
    for (int i = 0; i < kMessages; ++i) {
      if (i % 2) {
        LOG_CondMessage(LOG_SEV_DIAG, "thread.cc", id, "t%d m%d first\nt%d m%d second", id, i, id,
                        i);
      } else {
        ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, "u"), 1);
        LOG_CondAdd("t%d m%d first", id, i);
        LOG_AddText("\n");
        LOG_CondAdd("t%d m%d second", id, i);
        LOG_AddText(tail(i).c_str());
        LOG_EndMessage();
      }
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();

  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u * 2 * kMessages);
  std::regex first("([EX]) ([0-9]+ *) .* \\| t([12]) m([0-9]+) first");
  int next[3] = {0, 0, 0};
  for (size_t i = 0; i < lines.size(); i += 2) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, first)) << lines[i];
    int id = std::stoi(m[3].str()), n = std::stoi(m[4].str());
    EXPECT_EQ(n, next[id]++) << "each thread's messages in order";
    std::string second = m[1].str() + " " + m[2].str() + " ";
    EXPECT_EQ(lines[i + 1].substr(0, second.size()), second) << lines[i + 1];
    EXPECT_EQ(lines[i + 1].find(" | "), lines[i].find(" | "));
    EXPECT_EQ(Texts(lines[i + 1])[0], "t" + m[3].str() + " m" + m[4].str() + " second" + tail(n));
  }
  EXPECT_EQ(next[1], kMessages);
  EXPECT_EQ(next[2], kMessages);
}

TEST_F(svclog_threads, AnotherSeverityEndsTheOpenMessage) {
  std::string file = LogToFile("IW");
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_INFO, "a.c", 1, nullptr), 1);
  LOG_AddText("info ");
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_INFO, "a.c", 2, nullptr), 1) << "same severity continues";
  LOG_AddText("continued");
  EXPECT_EQ(LOG_InMessage(), 1);
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_WARNING, nullptr, 0, nullptr), 1);
  LOG_AddText("warning");
  LOG_EndMessage();
  EXPECT_EQ(LOG_InMessage(), 0);
  auto lines = Lines(ReadFile(file));  // the first lines are LOG_Init's I messages
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2].substr(0, 1) + Texts(lines[lines.size() - 2])[0],
            "Iinfo continued");
  EXPECT_EQ(lines.back().substr(0, 1) + Texts(lines.back())[0], "Wwarning");
}

TEST_F(svclog_threads, EachThreadHasItsOwnIdAndOpenMessage) {
  std::string file = LogToFile("E");
  ASSERT_EQ(LOG_StartMessage(LOG_SEV_ERROR, nullptr, 0, nullptr), 1);
  LOG_AddText("main");
  std::string otherHead;
  std::thread([&] {
    EXPECT_EQ(LOG_InMessage(), 0);
    LOG_AddText("ignored: no message open here");
    LOG_CondMessage(LOG_SEV_ERROR, nullptr, 0, "other");
    otherHead = Head('E');
  }).join();
  LOG_EndMessage();
  auto lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(otherHead, Head('E'));
  EXPECT_EQ(lines[0].substr(0, otherHead.size()) + Texts(lines[0])[0], otherHead + "other");
  EXPECT_EQ(lines[1].substr(0, Head('E').size()) + Texts(lines[1])[0], Head('E') + "main");
}

}  // namespace
