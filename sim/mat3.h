// Rotation matrices of the stand-in host: the columns are a vessel's x, y, z axes in the
// global frame, so global = R * local + pos and local = R^T * (global - pos).
#pragma once

#include "host/orbiter_api.h"

namespace sim {

struct Mat3 {
  double m[3][3];  // m[row][col]

  static Mat3 Identity();
  static Mat3 FromColumns(const VECTOR3 &x, const VECTOR3 &y, const VECTOR3 &z);
  VECTOR3 Column(int c) const;
  VECTOR3 Mul(const VECTOR3 &v) const;            // R v
  VECTOR3 MulTransposed(const VECTOR3 &v) const;  // R^T v
  Mat3 Mul(const Mat3 &o) const;
  Mat3 Transposed() const;
};

// Inline and written out: a frame turn is behind every GetGlobalPos-to-local question the
// module asks, and the compiler keeps a loop of three as a loop. Each sum in the order
// x, y, z, so every build gives the same bits.
inline VECTOR3 Mat3::Mul(const VECTOR3 &v) const {
  VECTOR3 r;
  r.x = m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z;
  r.y = m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z;
  r.z = m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z;
  return r;
}

inline VECTOR3 Mat3::MulTransposed(const VECTOR3 &v) const {
  VECTOR3 r;
  r.x = m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z;
  r.y = m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z;
  r.z = m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z;
  return r;
}

}  // namespace sim
