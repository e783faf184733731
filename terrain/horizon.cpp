#include "terrain/horizon.h"

#include <cmath>

#include "math/vector.h"

namespace terrain {

Horizon HorizonAt(double lat_rad, double lon_rad) {
  const double cl = std::cos(lat_rad), sl = std::sin(lat_rad);
  const double co = std::cos(lon_rad), so = std::sin(lon_rad);
  return {td::Vec3(cl * co, sl, cl * so), td::Vec3(-so, 0.0, co), td::Vec3(-sl * co, cl, -sl * so)};
}

}  // namespace terrain
