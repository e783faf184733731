// Finiteness tests at the boundary: nothing that is not a finite number is ever written back
// into host state.
#pragma once

#include <cmath>

#include "host/orbiter_api.h"

namespace td {

inline bool IsFinite(const VECTOR3 &v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace td
