// Steps of changing length: the same seed gives the same steps (pinned to the bit, as every
// platform must draw them), within the jitter of step_s, and a time acceleration multiplies
// every step from then on.
#include "app/run/step_lengths.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> Draw(uint64_t seed, int n, double factor_from = -1, double factor = 1.0) {
  app::StepLengths lengths(0.01, 0.003, seed);
  std::vector<double> steps;
  for (int i = 0; i < n; ++i) {
    if (i == factor_from) lengths.SetTimeAcceleration(factor);
    steps.push_back(lengths.Next());
  }
  return steps;
}

TEST(StepLengths, DrawnFromTheSeedWithinTheJitterAndStretchedByTheTimeAcceleration) {
  const std::vector<double> a = Draw(7, 10000), b = Draw(7, 10000), c = Draw(8, 10000);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  double lo = 1, hi = 0, sum = 0;
  for (double dt : a) {
    lo = std::min(lo, dt);
    hi = std::max(hi, dt);
    sum += dt;
  }
  EXPECT_GE(lo, 0.007);
  EXPECT_LT(hi, 0.013);
  EXPECT_LT(lo, 0.0071);  // the whole band is used
  EXPECT_GT(hi, 0.0129);
  EXPECT_NEAR(sum / 10000, 0.01, 5e-5);
  // The same numbers on every platform: the first draws of seed 7, to the bit.
  EXPECT_DOUBLE_EQ(a[0], 0.0093389784903476283);

  const std::vector<double> fast = Draw(7, 100, 40, 10.0);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(fast[i], i < 40 ? a[i] : a[i] * 10.0) << i;

  app::StepLengths steady(0.01, 0.0, 7);
  EXPECT_EQ(steady.Next(), 0.01);
  steady.SetTimeAcceleration(10.0);
  EXPECT_EQ(steady.Next(), 0.01 * 10.0);
}

// The host code's first three steps take 0.01 s whatever step_s is, times a time
// acceleration already in force; the draws then go on as without them.
TEST(StepLengths, TheHostCodesFirstThreeStepsTakeAHundredthOfASecond) {
  app::StepLengths plain(0.02, 0.005, 7), launched(0.02, 0.005, 7, true);
  launched.SetTimeAcceleration(10.0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(launched.Next(), 0.01 * 10.0) << i;
  launched.SetTimeAcceleration(1.0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(launched.Next(), plain.Next()) << i;
}

}  // namespace
