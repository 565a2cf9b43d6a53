// Catalogue texts with inserts: status arguments (MSG_GetFormattedByArray) and the
// caller's own arguments (MSG_GetFormattedBySprintf).
#include <string>
#include <tuple>
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
                     "101 char %c int %d double %.2f string %s\n102 bytes <%s>\n"
                     "103 %s and %d\n104 100%% raw %d\n105 long %s!\n",
                     "110 %s=%d\n"));
  }
  R Stf(uint32_t code, int32_t count, const STF_argument_t *args) {
    return Formatted(STF_SRC_STF, code, count, args);
  }
};
using msg_formatted = FormattedTest;

TEST_F(msg_formatted, EachArgumentTypeIsInserted) {
  const STF_argument_t args[] = {CharArg('x'), IntArg(-7), DoubleArg(2.5), StringArg("lp0")};
  EXPECT_EQ(Stf(0xc0030065, 4, args), R(0, "char x int -7 double 2.50 string lp0"));
  // A counted byte string is cut at its length.
  const STF_argument_t bytes[] = {BytesArg("abcdef", 3)};
  EXPECT_EQ(Stf(0xc0030066, 1, bytes), R(0, "bytes <abc>"));
  // Fewer arguments than conversions: the filler shows, never read as a pointer.
  const STF_argument_t one[] = {StringArg("left")}, number[] = {IntArg(5)};
  EXPECT_EQ(Stf(0xc0030067, 1, one), R(0, "left and 32"));
  EXPECT_EQ(Stf(0xc0030067, 1, number), R(0, "5 and 32"));
}

TEST_F(msg_formatted, RawTextWhenArgumentsCannotBeInserted) {
  const STF_argument_t five[] = {IntArg(1), IntArg(2), IntArg(3), IntArg(4), IntArg(5)};
  STF_argument_t bad[] = {StringArg("x"), IntArg(1)}, lengthBit[] = {StringArg("x"), IntArg(1)};
  bad[1].type = 2;
  lengthBit[1].type = STF_ARG_INT | STF_ARG_LENGTH;
  // No arguments: the text as it is, not read as a format.
  EXPECT_EQ(Stf(0xc0030068, 0, nullptr), R(0, "100%% raw %d"));
  EXPECT_EQ(Stf(0xc0030067, 5, five), R(MSG_ST_ARGS_NOT_SHOWN, "%s and %d"));
  EXPECT_EQ(Stf(0xc0030067, -1, nullptr), R(MSG_ST_ARGS_NOT_SHOWN, "%s and %d"));
  EXPECT_EQ(Stf(0xc0030067, 2, bad), R(MSG_ST_BAD_ARG_TYPE, "%s and %d"));
  EXPECT_EQ(Stf(0xc0030067, 2, lengthBit), R(MSG_ST_BAD_ARG_TYPE, "%s and %d"));
}

TEST_F(msg_formatted, FallbackLineShowsTheArguments) {
  const char bytes[] = {'a', 'b', 'c', 'd'};
  const STF_argument_t args[] = {CharArg('q'), IntArg(-12), DoubleArg(1.5), StringArg("s p"),
                                 BytesArg(bytes, 3)};
  STF_argument_t odd[] = {IntArg(1), IntArg(2)};
  odd[0].type = 0x9;
  const uint32_t kNF = MSG_ST_NOT_FOUND;  // no text 0xc0030099
  EXPECT_EQ(Stf(0xc0030099, 5, args),
            R(kNF, "c=c0030099 f=AS cs=STF a=(q,-12,1.500000,\"s p\",\"abc\")"));
  EXPECT_EQ(Stf(0xc0030099, 2, odd), R(kNF, "c=c0030099 f=AS cs=STF a=(<bad arg>,2)"));
  EXPECT_EQ(Stf(0xc0030099, 0, nullptr), R(kNF, "c=c0030099 f=AS cs=STF a=()"));
  EXPECT_EQ(Stf(0xc0030099, -1, nullptr), R(kNF, "c=c0030099 f=AS cs=STF a=()"));
  // Unknown source, and no MSG_UsageBegin: fallback with arguments as well.
  EXPECT_EQ(Formatted(9, 0xc0030065, 1, args + 1),
            R(MSG_ST_BAD_SOURCE, "c=c0030065 cs=0009 a=(-12)"));
  ASSERT_EQ(MSG_UsageEnd(), 0u);
  EXPECT_EQ(Stf(0xc0030067, 2, args + 1),
            R(MSG_ST_NOT_IN_USE, "c=c0030067 f=AS cs=STF a=(-12,1.500000)"));
}

// MSG_GetFormattedByArray of an STF code into `size` bytes.
T Into(uint32_t size, uint32_t code, uint32_t reserved, int32_t count, const STF_argument_t *args) {
  return IntoBuffer(size, [&](uint32_t n, uint32_t *length, char *buffer) {
    return MSG_GetFormattedByArray(STF_SRC_STF, code, reserved, nullptr, n, length, buffer, count,
                                   args);
  });
}

TEST_F(msg_formatted, ReservedArgumentIsReportedButTheTextIsMade) {
  const STF_argument_t args[] = {StringArg("a"), IntArg(1)};
  EXPECT_EQ(Into(64, 0xc0030067, 1, 2, args), T(MSG_ST_RESERVED, "a and 1", 8));
  // It outranks a later truncation.
  EXPECT_EQ(Into(3, 0xc0030067, 1, 2, args), T(MSG_ST_RESERVED, "a ", 8));
}

TEST_F(msg_formatted, CutTextsReportTheWholeLength) {
  const STF_argument_t args[] = {StringArg("abcdefghij"), IntArg(123)};
  // Smaller than the raw text, smaller than the result, exact, and 0.
  for (uint32_t size : {3u, 10u, 18u, 19u, 0u}) {
    const std::string cut = size ? std::string("abcdefghij and 123").substr(0, size - 1) : "";
    EXPECT_EQ(Into(size, 0xc0030067, 0, 2, args), T(size >= 19 ? 0 : MSG_ST_TRUNCATED, cut, 19))
        << size;
  }
}

// Texts longer than the 4096-byte work area spill into its guard bytes.
TEST_F(msg_formatted, TextsBeyondTheWorkAreaAreCut) {
  const std::string big(4150, 'x');
  const STF_argument_t args[] = {StringArg(big.c_str())};
  EXPECT_EQ(Into(4100, 0xc0030069, 0, 1, args),
            T(MSG_ST_TRUNCATED, ("long " + big).substr(0, 4099), 4150 + 6 + 1));
  // A caller buffer larger than the default work area gets the whole text.
  EXPECT_EQ(Into(8192, 0xc0030069, 0, 1, args), T(0, "long " + big + "!", 4150 + 6 + 1));
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
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 0, 64, "width", 42), R(0, "width=42"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 7, 64, "w", 1), R(MSG_ST_RESERVED, "w=1"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc0030099, 0, 64, "w", 1),
            R(MSG_ST_NOT_FOUND, "c=c0030099 f=AS cs=MSG"));
  // STF codes and other sources give the fallback line.
  EXPECT_EQ(Sprintf(STF_SRC_STF, 0xc0030065, 0, 64, 'x', 1),
            R(MSG_ST_SPRINTF_SOURCE, "c=c0030065 f=AS cs=STF"));
  EXPECT_EQ(Sprintf(STF_SRC_ERRNO, 2, 0, 64), R(MSG_ST_BAD_SOURCE, "c=00000002 cs=ERRNO"));
  EXPECT_EQ(Sprintf(STF_SRC_MSG, 0xc003006e, 0, 5, "width", 42), R(MSG_ST_TRUNCATED, "widt"));
}

}  // namespace
}  // namespace kq::msg::test
