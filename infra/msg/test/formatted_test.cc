// Catalogue texts with inserts: status arguments (MSG_GetFormattedByArray) and the
// caller's own arguments (MSG_GetFormattedBySprintf).
#include <string>
#include <vector>

#include "msg_fixture.h"

namespace kq::msg::test {
namespace {

class FormattedTest : public MsgTest {
 protected:
  void SetUp() override {
    MsgTest::SetUp();
    Add("C", "C003.cat",
        SharedSource("as",
                     "101 char %c int %d double %.2f string %s\n"
                     "102 bytes <%s>\n"
                     "103 %s and %d\n"
                     "104 100%% raw %d\n"
                     "105 long %s!\n",
                     "110 %s=%d\n"));
  }
};
using msg_formatted = FormattedTest;

TEST_F(msg_formatted, EachArgumentTypeIsInserted) {
  const STF_argument_t args[] = {CharArg('x'), IntArg(-7), DoubleArg(2.5), StringArg("lp0")};
  uint32_t st = 1;
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030065, 4, args, &st),
            "char x int -7 double 2.50 string lp0");
  EXPECT_EQ(st, 0u);
  // A counted byte string is cut at its length.
  const STF_argument_t bytes[] = {BytesArg("abcdef", 3)};
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030066, 1, bytes, &st), "bytes <abc>");
  EXPECT_EQ(st, 0u);
  // Fewer arguments than conversions: the filler shows, never read as a pointer.
  const STF_argument_t one[] = {StringArg("left")};
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 1, one, &st), "left and 32");
  const STF_argument_t number[] = {IntArg(5)};
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 1, number, &st), "5 and 32");
  EXPECT_EQ(st, 0u);
  // The second name is the same operation.
  char buffer[64];
  uint32_t length = 0;
  EXPECT_EQ(MSG_GetFormattedByArrayWide(STF_SRC_STF, 0xc0030066, 0, nullptr, sizeof buffer, &length,
                                        buffer, 1, bytes),
            0u);
  EXPECT_STREQ(buffer, "bytes <abc>");
}

TEST_F(msg_formatted, RawTextWhenArgumentsCannotBeInserted) {
  const STF_argument_t five[] = {IntArg(1), IntArg(2), IntArg(3), IntArg(4), IntArg(5)};
  uint32_t st = 0;
  // No arguments: the text as it is, not read as a format.
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030068, 0, nullptr, &st), "100%% raw %d");
  EXPECT_EQ(st, 0u);
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 5, five, &st), "%s and %d");
  EXPECT_EQ(st, MSG_ST_ARGS_NOT_SHOWN);
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, -1, nullptr, &st), "%s and %d");
  EXPECT_EQ(st, MSG_ST_ARGS_NOT_SHOWN);
  STF_argument_t bad[] = {StringArg("x"), IntArg(1)};
  bad[1].type = 2;
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 2, bad, &st), "%s and %d");
  EXPECT_EQ(st, MSG_ST_BAD_ARG_TYPE);
  bad[1].type = STF_ARG_INT | STF_ARG_LENGTH;
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 2, bad, &st), "%s and %d");
  EXPECT_EQ(st, MSG_ST_BAD_ARG_TYPE);
}

TEST_F(msg_formatted, FallbackLineShowsTheArguments) {
  const char bytes[] = {'a', 'b', 'c', 'd'};
  const STF_argument_t args[] = {CharArg('q'), IntArg(-12), DoubleArg(1.5), StringArg("s p"),
                                 BytesArg(bytes, 3)};
  uint32_t st = 0;
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030099, 5, args, &st),
            "c=c0030099 f=AS cs=STF a=(q,-12,1.500000,\"s p\",\"abc\")");
  EXPECT_EQ(st, MSG_ST_NOT_FOUND);
  STF_argument_t odd[] = {IntArg(1), IntArg(2)};
  odd[0].type = 0x9;
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030099, 2, odd, &st),
            "c=c0030099 f=AS cs=STF a=(<bad arg>,2)");
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030099, 0, nullptr, &st), "c=c0030099 f=AS cs=STF a=()");
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030099, -1, nullptr, &st), "c=c0030099 f=AS cs=STF a=()");
  EXPECT_EQ(st, MSG_ST_NOT_FOUND);
  // Unknown source, and no MSG_UsageBegin: fallback with arguments as well.
  EXPECT_EQ(Formatted(9, 0xc0030065, 1, args + 1, &st), "c=c0030065 cs=0009 a=(-12)");
  EXPECT_EQ(st, MSG_ST_BAD_SOURCE);
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  EXPECT_EQ(Formatted(STF_SRC_STF, 0xc0030067, 2, args + 1, &st),
            "c=c0030067 f=AS cs=STF a=(-12,1.500000)");
  EXPECT_EQ(st, MSG_ST_NOT_IN_USE);
}

TEST_F(msg_formatted, ReservedArgumentIsReportedButTheTextIsMade) {
  const STF_argument_t args[] = {StringArg("a"), IntArg(1)};
  char buffer[64];
  uint32_t length = 0;
  EXPECT_EQ(MSG_GetFormattedByArray(STF_SRC_STF, 0xc0030067, 1, nullptr, sizeof buffer, &length,
                                    buffer, 2, args),
            MSG_ST_RESERVED);
  EXPECT_STREQ(buffer, "a and 1");
  // It outranks a later truncation.
  EXPECT_EQ(
      MSG_GetFormattedByArray(STF_SRC_STF, 0xc0030067, 1, nullptr, 3, &length, buffer, 2, args),
      MSG_ST_RESERVED);
  EXPECT_STREQ(buffer, "a ");
  EXPECT_EQ(length, 8u);
}

TEST_F(msg_formatted, CutTextsReportTheWholeLength) {
  const STF_argument_t args[] = {StringArg("abcdefghij"), IntArg(123)};
  char buffer[32];
  uint32_t length = 0;
  // Smaller than the raw text, smaller than the result, exact, and 0.
  for (uint32_t size : {3u, 10u, 18u, 19u, 0u}) {
    memset(buffer, '#', sizeof buffer);
    uint32_t st = MSG_GetFormattedByArray(STF_SRC_STF, 0xc0030067, 0, nullptr, size, &length,
                                          buffer, 2, args);
    EXPECT_EQ(length, 19u) << size;
    EXPECT_EQ(st, size >= 19 ? 0u : MSG_ST_TRUNCATED) << size;
    if (size > 0) {
      EXPECT_EQ(std::string(buffer), std::string("abcdefghij and 123").substr(0, size - 1));
    }
    EXPECT_EQ(buffer[size], '#') << "wrote past " << size;
  }
}

// Texts longer than the 4096-byte work area spill into its guard bytes.
TEST_F(msg_formatted, TextsBeyondTheWorkAreaAreCut) {
  const std::string big(4150, 'x');
  const STF_argument_t args[] = {StringArg(big.c_str())};
  std::vector<char> buffer(8192, '#');
  uint32_t length = 0;
  EXPECT_EQ(MSG_GetFormattedByArray(STF_SRC_STF, 0xc0030069, 0, nullptr, 4100, &length,
                                    buffer.data(), 1, args),
            MSG_ST_TRUNCATED);
  EXPECT_EQ(length, 4150u + 6 + 1);
  EXPECT_EQ(std::string(buffer.data()), ("long " + big).substr(0, 4099));
  EXPECT_EQ(buffer[4100], '#');
  // A caller buffer larger than the default work area gets the whole text.
  EXPECT_EQ(MSG_GetFormattedByArray(STF_SRC_STF, 0xc0030069, 0, nullptr, 8192, &length,
                                    buffer.data(), 1, args),
            0u);
  EXPECT_EQ(std::string(buffer.data()), "long " + big + "!");
  EXPECT_EQ(length, 4150u + 6 + 1);
}

// MSG_GetFormattedBySprintf into a buffer of `size`: the status and the text.
template <typename... Args>
std::pair<uint32_t, std::string> Sprintf(uint32_t source, uint32_t code, uint32_t reserved,
                                         uint32_t size, Args... args) {
  char buffer[64];
  uint32_t length = 0;
  uint32_t st =
      MSG_GetFormattedBySprintf(source, code, reserved, nullptr, size, &length, buffer, args...);
  EXPECT_EQ(length, st == MSG_ST_TRUNCATED ? 9u : strlen(buffer) + 1);
  return {st, buffer};
}

TEST_F(msg_formatted, SprintfFormFormatsOnlyMsgTexts) {
  using R = std::pair<uint32_t, std::string>;
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 0, 64, "width", 42), R(0, "width=42"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 7, 64, "w", 1), R(MSG_ST_RESERVED, "w=1"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc0030099, 0, 64, "w", 1),
            R(MSG_ST_NOT_FOUND, "c=c0030099 f=AS cs=MSG"));
  // STF codes and other sources give the fallback line.
  EXPECT_EQ(Sprintf(STF_SRC_STF, 0xc0030065, 0, 64, 'x', 1),
            R(MSG_ST_SPRINTF_SOURCE, "c=c0030065 f=AS cs=STF"));
  EXPECT_EQ(Sprintf(STF_SRC_ERRNO, 2, 0, 64), R(MSG_ST_BAD_SOURCE, "c=00000002 cs=ERRNO"));
  // The second name is the same operation.
  char buffer[8];
  uint32_t length = 0;
  EXPECT_EQ(MSG_GetFormattedBySprintfWide(STF_SRC_MSG, 0xc003006e, 0, nullptr, 5, &length, buffer,
                                          "width", 42),
            MSG_ST_TRUNCATED);
  EXPECT_STREQ(buffer, "widt");
  EXPECT_EQ(length, 9u);
}

}  // namespace
}  // namespace kq::msg::test
