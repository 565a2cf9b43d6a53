// The insert formatter against snprintf as the model: with slots whose kinds match
// the conversions the output must be snprintf's, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "private/msg_internal.h"

namespace {

MSG__slot_t Int(int v) { return {MSG_SLOT_INT, {.i = v}}; }
MSG__slot_t Long(long v) { return {MSG_SLOT_LONG, {.l = v}}; }
MSG__slot_t Dbl(double v) { return {MSG_SLOT_DOUBLE, {.d = v}}; }
MSG__slot_t Ptr(const char *v) { return {MSG_SLOT_PTR, {.p = v}}; }

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

TEST(msg_format, MatchesSnprintfForMatchingKinds) {
  static const char kText[] = "printer";
  const struct {
    std::string got, want;
  } cases[] = {
      {Format("job %d of %d", {Long(3), Long(12)}), Ref("job %d of %d", 3, 12)},
      {Format("[%5d|%-5d|%05d|%+d|% d]", {Long(42), Long(-42), Long(7), Long(7)}),
       Ref("[%5d|%-5d|%05d|%+d|% d]", 42, -42, 7, 7, 32)},
      {Format("%ld %li %lld", {Long(-9000000000L), Long(1), Long(2)}),
       Ref("%ld %li %lld", -9000000000L, 1L, 2LL)},
      {Format("%x %X %#o %u", {Long(-1), Long(0xbeef), Long(8), Long(-2)}),
       Ref("%x %X %#o %u", -1, 0xbeef, 8, -2)},
      {Format("%hhd %hu %hx %lx", {Long(300), Long(-1), Long(0x12345), Long(-1)}),
       Ref("%hhd %hu %hx %lx", 300, -1, 0x12345, -1L)},
      {Format("%zu %jd %td", {Long(5), Long(-6), Long(7)}), Ref("%zu %jd %td", 5UL, -6L, 7L)},
      {Format("%f %.2f %10.3e %g %G %a", {Dbl(3.14159), Dbl(2.005), Dbl(-12345.678), Dbl(1e-7)}),
       Ref("%f %.2f %10.3e %g %G %a", 3.14159, 2.005, -12345.678, 1e-7, 32.0, 32.0)},
      {Format("%Lf", {Dbl(0.5)}), Ref("%Lf", 0.5L)},
      {Format("%c%c%c", {Int('o'), Int('k'), Long('!')}), Ref("%c%c%c", 'o', 'k', '!')},
      {Format("<%s> <%.3s> <%10s> <%-10s>", {Ptr(kText), Ptr(kText), Ptr(kText), Ptr(kText)}),
       Ref("<%s> <%.3s> <%10s> <%-10s>", kText, kText, kText, kText)},
      {Format("%p", {Ptr(kText)}), Ref("%p", static_cast<const void *>(kText))},
      {Format("100%% of %d%%", {Long(5)}), Ref("100%% of %d%%", 5)},
      {Format("[%*d] [%-*d]", {Long(6), Long(1), Long(-6), Long(2)}),
       Ref("[%*d] [%-*d]", 6, 1, -6, 2)},
      {Format("%.*f|%*.*s", {Long(1), Dbl(9.87), Long(8), Long(2)}),
       Ref("%.*f|%*.*s", 1, 9.87, 8, 2, "(null)")},
      {Format("%2$s got %1$d", {Long(17), Ptr(kText)}), Ref("%2$s got %1$d", 17, kText)},
      {Format("%1$*2$d|", {Long(5), Long(4)}), Ref("%1$*2$d|", 5, 4)},
      {Format("no conversions at all", {}), "no conversions at all"},
  };
  for (const auto &c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(msg_format, MismatchedKindsConvertAndMalformedConversionsShowAsWritten) {
  // Numbers convert between integer and floating conversions.
  EXPECT_EQ(Format("%d %f", {Dbl(3.9), Long(7)}), "3 7.000000");
  EXPECT_EQ(Format("%d", {Dbl(1e300)}), Ref("%d", static_cast<int>(INT64_MAX)));
  // Under %s a number shows in decimal; a string under a numeric conversion is 0.
  EXPECT_EQ(Format("%s/%s/%5s", {Long(42), Dbl(2.5), Int('A')}), "42/2.5/   65");
  EXPECT_EQ(Format("%d %f", {Ptr("x"), Ptr("y")}), "0 0.000000");
  EXPECT_EQ(Format("%s", {Ptr(nullptr)}), "(null)");
  // Slots no argument fills: the filler 32 for numbers, "(null)" for strings.
  EXPECT_EQ(Format("%s and %d", {Ptr("one")}), "one and 32");
  EXPECT_EQ(Format("%d %s %c|", {Long(1)}), "1 (null)  |");
  // Conversions past the fourth slot see the filler too.
  EXPECT_EQ(Format("%d %d %d %d %d %5$s", {Long(1), Long(2), Long(3), Long(4)}),
            "1 2 3 4 32 (null)");
  // %n takes a slot and writes nothing; wide forms print narrow values.
  EXPECT_EQ(Format("a%nb%d", {Ptr("ignored"), Long(9)}), "ab9");
  EXPECT_EQ(Format("%ls %lc", {Ptr("wide"), Int('w')}), "wide w");
  // Malformed conversions are shown as written.
  EXPECT_EQ(Format("100%", {}), "100%");
  EXPECT_EQ(Format("%5", {}), "%5");
  EXPECT_EQ(Format("%y and %d", {Long(3)}), "%y and 3");
  EXPECT_EQ(Format("%-", {}), "%-");
}

TEST(msg_format, OutputIsBoundedAndReportsTheWholeLength) {
  MSG__slot_t slots[MSG_MAX_INSERTS] = {Ptr("abcdefghij"), Long(123456), Dbl(1.5), Int('z')};
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
  MSG__slot_t wide[MSG_MAX_INSERTS] = {Long(7), Long(0), Long(0), Long(0)};
  EXPECT_EQ(MSG__DoFormat(small, sizeof small, "%5000d", wide), 5000u);
  EXPECT_STREQ(small, "   ");
}

}  // namespace
