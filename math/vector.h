// 3-vector arithmetic on the host's VECTOR3. Pure functions, by value, no state. The
// summation order of VecDot and VecLength (y, then x, then z) never changes, so that forces
// and placements come out identical across platforms, builds and releases of the module.
#pragma once

#include <cmath>

#include "host/orbiter_api.h"

namespace td {

inline VECTOR3 Vec3(double x, double y, double z) {
  VECTOR3 v;
  v.x = x;
  v.y = y;
  v.z = z;
  return v;
}

// Negates only when x compares less than 0: -0.0 and not-a-number come back unchanged.
inline double Abs(double x) { return x < 0.0 ? -x : x; }

inline VECTOR3 VecSub(const VECTOR3 &a, const VECTOR3 &b) {
  return Vec3(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline VECTOR3 VecAdd(const VECTOR3 &a, const VECTOR3 &b) {
  return Vec3(a.x + b.x, a.y + b.y, a.z + b.z);
}

inline VECTOR3 VecScale(const VECTOR3 &a, double s) { return Vec3(a.x * s, a.y * s, a.z * s); }

inline VECTOR3 VecMul(const VECTOR3 &a, const VECTOR3 &b) {
  return Vec3(a.x * b.x, a.y * b.y, a.z * b.z);
}

inline VECTOR3 VecCross(const VECTOR3 &a, const VECTOR3 &b) {
  return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline double VecDot(const VECTOR3 &a, const VECTOR3 &b) {
  return (a.y * b.y + a.x * b.x) + a.z * b.z;
}

inline double VecLengthSquared(const VECTOR3 &a) { return (a.y * a.y + a.x * a.x) + a.z * a.z; }
inline double VecLength(const VECTOR3 &a) { return std::sqrt(VecLengthSquared(a)); }

// Turns v about the y axis; a positive angle turns +z towards +x. An angle of exactly 0
// returns v bit for bit, without evaluating any trigonometry.
inline VECTOR3 VecRotateY(const VECTOR3 &v, double angle) {
  if (angle == 0.0) return v;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  return Vec3(v.x * c + v.z * s, v.y, v.z * c - v.x * s);
}

// Below this length a vector is returned as it is rather than blown up by a tiny divisor.
inline constexpr double kShortestUnitLength = 0.001;

// VecUnit of a vector whose VecLength the caller has already taken: the same result, without
// the square root a second time.
inline VECTOR3 VecUnitOfLength(const VECTOR3 &v, double len) {
  if (Abs(len) < kShortestUnitLength) return v;
  return Vec3(v.x / len, v.y / len, v.z / len);
}

// A vector shorter than kShortestUnitLength comes back as it is; a not-a-number length fails
// that test and divides.
inline VECTOR3 VecUnit(const VECTOR3 &v) { return VecUnitOfLength(v, VecLength(v)); }

}  // namespace td
