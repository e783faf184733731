// The bits in which two numbers differ. Bits, not values, on purpose: -0 and +0 differ, and
// a number that is not a number equals itself, so that "nothing changed" means that the
// very same numbers would be computed from them again.
#pragma once

#include <bit>
#include <cstdint>

#include "host/orbiter_api.h"

namespace td {

inline uint64_t BitDiff(double a, double b) {
  return std::bit_cast<uint64_t>(a) ^ std::bit_cast<uint64_t>(b);
}

inline uint64_t BitDiff(const VECTOR3 &a, const VECTOR3 &b) {
  return BitDiff(a.x, b.x) | BitDiff(a.y, b.y) | BitDiff(a.z, b.z);
}

}  // namespace td
