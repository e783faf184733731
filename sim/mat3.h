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

// Inline: a frame turn is behind every GetGlobalPos-to-local question the module asks.
inline VECTOR3 Mat3::Mul(const VECTOR3 &v) const {
  VECTOR3 r;
  for (int row = 0; row < 3; ++row) {
    r.data[row] = m[row][0] * v.data[0] + m[row][1] * v.data[1] + m[row][2] * v.data[2];
  }
  return r;
}

inline VECTOR3 Mat3::MulTransposed(const VECTOR3 &v) const {
  VECTOR3 r;
  for (int col = 0; col < 3; ++col) {
    r.data[col] = m[0][col] * v.data[0] + m[1][col] * v.data[1] + m[2][col] * v.data[2];
  }
  return r;
}

}  // namespace sim
