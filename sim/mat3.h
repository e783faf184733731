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

}  // namespace sim
