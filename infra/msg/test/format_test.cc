// The insert formatter against snprintf as the model: with slots whose kinds match
// the conversions the output must be snprintf's, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "private/msg_internal.h"

namespace {

// Slots of each kind: int, long, double, pointer.
MSG__slot_t I(int v) { return {MSG_SLOT_INT, {.i = v}}; }
MSG__slot_t L(long v) { return {MSG_SLOT_LONG, {.l = v}}; }
MSG__slot_t D(double v) { return {MSG_SLOT_DOUBLE, {.d = v}}; }
MSG__slot_t P(const char *v) { return {MSG_SLOT_PTR, {.p = v}}; }

std::string Format(const char *format, std::vector<MSG__slot_t> given) {
  MSG__slot_t slots[MSG_MAX_INSERTS];
  for (size_t i = 0; i < MSG_MAX_INSERTS; ++i)
    slots[i] = i < given.size() ? given[i] : MSG__slot_t{MSG_SLOT_FILLER, {.i = MSG_FILLER_VALUE}};
  char out[512];
  size_t length = MSG__DoFormat(out, sizeof out, format, slots);
  EXPECT_EQ(length, strlen(out)) << format;
  return out;
}

template <typename... Args>
std::string Ref(const char *format, Args... args) {
  char out[512];
  snprintf(out, sizeof out, format, args...);
  return out;
}

// The formatter's text and snprintf's for the same format.
template <typename... Args>
std::pair<std::string, std::string> Same(const char *format, std::vector<MSG__slot_t> slots,
                                         Args... args) {
  return {Format(format, slots), Ref(format, args...)};
}

TEST(msg_format, MatchesSnprintfForMatchingKinds) {
  static const char kText[] = "printer";
  const std::pair<std::string, std::string> cases[] = {
      Same("job %d of %d", {L(3), L(12)}, 3, 12),
      Same("[%5d|%-5d|%05d|%+d|% d]", {L(42), L(-42), L(7), L(7)}, 42, -42, 7, 7, 32),
      Same("%ld %li %lld", {L(-9000000000L), L(1), L(2)}, -9000000000L, 1L, 2LL),
      Same("%x %X %#o %u", {L(-1), L(0xbeef), L(8), L(-2)}, -1, 0xbeef, 8, -2),
      Same("%hhd %hu %hx %lx", {L(300), L(-1), L(0x12345), L(-1)}, 300, -1, 0x12345, -1L),
      Same("%zu %jd %td", {L(5), L(-6), L(7)}, 5UL, -6L, 7L),
      Same("%f %.2f %10.3e %g %G %a", {D(3.14159), D(2.005), D(-12345.678), D(1e-7)}, 3.14159,
           2.005, -12345.678, 1e-7, 32.0, 32.0),
      Same("%Lf", {D(0.5)}, 0.5L),
      Same("%c%c%c", {I('o'), I('k'), L('!')}, 'o', 'k', '!'),
      Same("<%s> <%.3s> <%10s> <%-10s>", {P(kText), P(kText), P(kText), P(kText)}, kText, kText,
           kText, kText),
      Same("%p", {P(kText)}, static_cast<const void *>(kText)),
      Same("100%% of %d%%", {L(5)}, 5),
      Same("[%*d] [%-*d]", {L(6), L(1), L(-6), L(2)}, 6, 1, -6, 2),
      Same("%.*f|%*.*s", {L(1), D(9.87), L(8), L(2)}, 1, 9.87, 8, 2, "(null)"),
      Same("%2$s got %1$d", {L(17), P(kText)}, 17, kText),
      Same("%1$*2$d|", {L(5), L(4)}, 5, 4),
      {Format("no conversions at all", {}), "no conversions at all"},
  };
  for (const auto &[got, want] : cases) EXPECT_EQ(got, want);
}

TEST(msg_format, MismatchedKindsConvertAndMalformedConversionsShowAsWritten) {
  // Numbers convert between integer and floating conversions.
  EXPECT_EQ(Format("%d %f", {D(3.9), L(7)}), "3 7.000000");
  EXPECT_EQ(Format("%d", {D(1e300)}), Ref("%d", static_cast<int>(INT64_MAX)));
  // Under %s a number shows in decimal; a string under a numeric conversion is 0.
  EXPECT_EQ(Format("%s/%s/%5s", {L(42), D(2.5), I('A')}), "42/2.5/   65");
  EXPECT_EQ(Format("%d %f", {P("x"), P("y")}), "0 0.000000");
  EXPECT_EQ(Format("%s", {P(nullptr)}), "(null)");
  // Slots no argument fills: the filler 32 for numbers, "(null)" for strings.
  EXPECT_EQ(Format("%s and %d", {P("one")}), "one and 32");
  EXPECT_EQ(Format("%d %s %c|", {L(1)}), "1 (null)  |");
  // Conversions past the fourth slot see the filler too.
  EXPECT_EQ(Format("%d %d %d %d %d %5$s", {L(1), L(2), L(3), L(4)}), "1 2 3 4 32 (null)");
  // %n takes a slot and writes nothing; wide forms print narrow values.
  EXPECT_EQ(Format("a%nb%d", {P("ignored"), L(9)}), "ab9");
  EXPECT_EQ(Format("%ls %lc", {P("wide"), I('w')}), "wide w");
  // Malformed conversions are shown as written.
  EXPECT_EQ(Format("100%", {}), "100%");
  EXPECT_EQ(Format("%5", {}), "%5");
  EXPECT_EQ(Format("%y and %d", {L(3)}), "%y and 3");
  EXPECT_EQ(Format("%-", {}), "%-");
}

TEST(msg_format, OutputIsBoundedAndReportsTheWholeLength) {
  MSG__slot_t slots[MSG_MAX_INSERTS] = {P("abcdefghij"), L(123456), D(1.5), I('z')};
  const std::string whole = "abcdefghij-123456-1.500000-z";
  for (size_t size : {0u, 1u, 5u, 11u, 12u, 28u, 29u, 64u}) {
    std::vector<char> out(size + 8, '#');
    size_t length = MSG__DoFormat(size ? out.data() : nullptr, size, "%s-%d-%f-%c", slots);
    EXPECT_EQ(length, whole.size());
    if (size > 0) {
      EXPECT_EQ(std::string(out.data()), whole.substr(0, size - 1)) << size;
    }
    for (size_t i = size; i < out.size(); ++i) ASSERT_EQ(out[i], '#') << "wrote past " << size;
  }
  // A large width is counted in full even when little fits.
  char small[4];
  MSG__slot_t wide[MSG_MAX_INSERTS] = {L(7), L(0), L(0), L(0)};
  EXPECT_EQ(MSG__DoFormat(small, sizeof small, "%5000d", wide), 5000u);
  EXPECT_STREQ(small, "   ");
}

}  // namespace
