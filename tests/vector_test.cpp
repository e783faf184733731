// Vector arithmetic: the thresholds and sign conventions the contact and movement code
// depend on.
#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using td::Vec3;

bool BitEqual(const VECTOR3 &a, const VECTOR3 &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(VecUnit, ShortVectorsComeBackUnchangedFromOneMillimetreUpTheyAreNormalised) {
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0.0005, 0, 0)), Vec3(0.0005, 0, 0)));
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0, 0, 0)), Vec3(0, 0, 0)));
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0.001, 0, 0)), Vec3(1, 0, 0)));
  const VECTOR3 u = td::VecUnit(Vec3(3, 0, 4));
  EXPECT_DOUBLE_EQ(u.x, 0.6);
  EXPECT_DOUBLE_EQ(u.z, 0.8);
  EXPECT_DOUBLE_EQ(td::VecLength(td::VecUnit(Vec3(-7, 2, 1e6))), 1.0);
}

TEST(VecUnit, NotANumberPropagatesInsteadOfPassingTheThreshold) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const VECTOR3 u = td::VecUnit(Vec3(nan, 1, 0));
  EXPECT_TRUE(std::isnan(u.x));
  EXPECT_TRUE(std::isnan(u.y));
}

TEST(VecRotateY, PositiveAngleTurnsZTowardsXAndXTowardsMinusZ) {
  const double quarter = std::acos(-1.0) / 2;
  const VECTOR3 z = td::VecRotateY(Vec3(0, 0, 1), quarter);
  EXPECT_NEAR(z.x, 1.0, 1e-15);
  EXPECT_NEAR(z.z, 0.0, 1e-15);
  const VECTOR3 x = td::VecRotateY(Vec3(1, 0, 0), 0.3);
  EXPECT_DOUBLE_EQ(x.x, std::cos(0.3));
  EXPECT_DOUBLE_EQ(x.z, -std::sin(0.3));
  EXPECT_EQ(td::VecRotateY(Vec3(0, 5, 0), 1.0).y, 5.0);
}

TEST(VecRotateY, ZeroAngleReturnsTheVectorBitForBit) {
  const VECTOR3 v = Vec3(0.1, -0.0, std::nextafter(1.0, 2.0));
  EXPECT_TRUE(BitEqual(td::VecRotateY(v, 0.0), v));
  EXPECT_TRUE(BitEqual(td::VecRotateY(v, -0.0), v));
}

TEST(VecProducts, CrossDotAndComponentwise) {
  EXPECT_TRUE(BitEqual(td::VecCross(Vec3(1, 0, 0), Vec3(0, 1, 0)), Vec3(0, 0, 1)));
  EXPECT_TRUE(BitEqual(td::VecCross(Vec3(0, 1, 0), Vec3(1, 0, 0)), Vec3(0, 0, -1)));
  EXPECT_EQ(td::VecDot(Vec3(1, 2, 3), Vec3(4, -5, 6)), 12.0);
  EXPECT_TRUE(BitEqual(td::VecMul(Vec3(1, 2, 3), Vec3(4, -5, 6)), Vec3(4, -10, 18)));
  EXPECT_TRUE(BitEqual(td::VecScale(Vec3(1, 2, 3), -2), Vec3(-2, -4, -6)));
  EXPECT_TRUE(
      BitEqual(td::VecSub(td::VecAdd(Vec3(1, 2, 3), Vec3(4, 5, 6)), Vec3(4, 5, 6)), Vec3(1, 2, 3)));
}

TEST(VecDot, SumsYThenXThenZ) {
  // 1e16 + 1 is lost to rounding unless the small terms meet first: the order shows.
  const VECTOR3 a = Vec3(1.0, 1e16, 1.0);
  const VECTOR3 ones = Vec3(1, 1, 1);
  EXPECT_EQ(td::VecDot(a, ones), (1e16 + 1.0) + 1.0);
  EXPECT_EQ(td::VecLength(Vec3(3, 4, 12)), 13.0);
}

TEST(Abs, NegatesOnlyValuesBelowZero) {
  EXPECT_EQ(td::Abs(-2.5), 2.5);
  EXPECT_EQ(td::Abs(2.5), 2.5);
  EXPECT_TRUE(std::signbit(td::Abs(-0.0)));  // -0.0 does not compare below 0
  EXPECT_TRUE(std::isnan(td::Abs(std::nan(""))));
}

}  // namespace
