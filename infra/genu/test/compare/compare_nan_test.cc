// A REAL received from the wire may be NaN: the equality compares of ranges and
// dimensions follow the scalar rule that a NaN equals a NaN and nothing else, so
// that a value read off the wire compares equal to itself and to its repacked copy.
#include <cmath>

#include "../support/genv_test_support.h"

namespace {

const double kNan = std::nan("");

struct Case {
  uint32_t id;  // 25 real range, 63 non-negative real range, 57 medium dimensions
  double a[2], b[2];
  int32_t order;
};

TEST(GenvCompareNan, RangesAndDimensionsTreatNanAsEqualOnlyToNan) {
  const Case cases[] = {
      {25, {kNan, 1}, {kNan, 1}, 0},       {25, {0, kNan}, {0, kNan}, 0},
      {25, {kNan, kNan}, {kNan, kNan}, 0}, {25, {kNan, 1}, {0, 1}, 1},
      {25, {0, 1}, {0, kNan}, 1},          {63, {0, kNan}, {0, kNan}, 0},
      {63, {kNan, 2}, {1, 2}, 1},          {57, {kNan, 297}, {kNan, 297}, 0},
      {57, {210, kNan}, {210, 297}, 1},    {57, {210, 297}, {210, 297}, 0},
  };
  for (const Case &c : cases) {
    kq::genu::test::Status s;
    int32_t order = 99;
    // Both records are two doubles: a range's lower and upper, dimensions' x and y.
    EXPECT_EQ(GEN_CompareAttrValue(s, c.id, c.a, c.b, &order), 0u) << c.id;
    EXPECT_EQ(order, c.order) << c.id << ": " << c.a[0] << "," << c.a[1] << " vs " << c.b[0] << ","
                              << c.b[1];
  }
}

}  // namespace
