// Vector arithmetic: the thresholds, orders and bit-for-bit results the contact and movement
// code depend on.
#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using td::Vec3;

// The very bits: -0 is not +0 here, and a NaN equals its own copy.
bool BitEqual(const VECTOR3 &a, const VECTOR3 &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;  // NOLINT(bugprone-suspicious-memory-comparison)
}

TEST(VecUnit, ShortVectorsComeBackUnchangedNotANumberPropagates) {
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0.0005, 0, 0)), Vec3(0.0005, 0, 0)));
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0, 0, 0)), Vec3(0, 0, 0)));
  EXPECT_TRUE(BitEqual(td::VecUnit(Vec3(0.001, 0, 0)), Vec3(1, 0, 0)));
  EXPECT_DOUBLE_EQ(td::VecLength(td::VecUnit(Vec3(-7, 2, 1e6))), 1.0);
  const VECTOR3 u = td::VecUnit(Vec3(std::numeric_limits<double>::quiet_NaN(), 1, 0));
  EXPECT_TRUE(std::isnan(u.x) && std::isnan(u.y));
}

TEST(VecRotateY, TurnsZTowardsXAndZeroAngleIsBitForBit) {
  const VECTOR3 x = td::VecRotateY(Vec3(1, 0, 0), 0.3);
  EXPECT_DOUBLE_EQ(x.x, std::cos(0.3));
  EXPECT_DOUBLE_EQ(x.z, -std::sin(0.3));
  EXPECT_NEAR(td::VecRotateY(Vec3(0, 0, 1), std::acos(-1.0) / 2).x, 1.0, 1e-15);
  const VECTOR3 v = Vec3(0.1, -0.0, std::nextafter(1.0, 2.0));
  EXPECT_TRUE(BitEqual(td::VecRotateY(v, 0.0), v));
  EXPECT_TRUE(BitEqual(td::VecRotateY(v, -0.0), v));
}

TEST(Abs, KeepsTheSignOfMinusZero) {
  EXPECT_EQ(td::Abs(-2.5), 2.5);
  EXPECT_TRUE(std::signbit(td::Abs(-0.0)));  // -0.0 does not compare below 0
  EXPECT_TRUE(std::isnan(td::Abs(std::nan(""))));
}

}  // namespace
