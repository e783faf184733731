// Rotation matrix arithmetic of the stand-in host.
#include "sim/mat3.h"

namespace sim {

Mat3 Mat3::Identity() {
  Mat3 r{};
  for (int i = 0; i < 3; ++i) r.m[i][i] = 1.0;
  return r;
}

Mat3 Mat3::FromColumns(const VECTOR3 &x, const VECTOR3 &y, const VECTOR3 &z) {
  Mat3 r{};
  for (int row = 0; row < 3; ++row) {
    r.m[row][0] = x.data[row];
    r.m[row][1] = y.data[row];
    r.m[row][2] = z.data[row];
  }
  return r;
}

VECTOR3 Mat3::Column(int c) const {
  VECTOR3 v;
  for (int row = 0; row < 3; ++row) v.data[row] = m[row][c];
  return v;
}

Mat3 Mat3::Mul(const Mat3 &o) const {
  Mat3 r{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      r.m[row][col] = m[row][0] * o.m[0][col] + m[row][1] * o.m[1][col] + m[row][2] * o.m[2][col];
    }
  }
  return r;
}

Mat3 Mat3::Transposed() const {
  Mat3 r{};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) r.m[row][col] = m[col][row];
  }
  return r;
}

}  // namespace sim
