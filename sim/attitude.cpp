// Placing vessels on a body for scenarios and tests: an upright attitude at a place, and a
// point at a latitude, longitude and distance from the centre, in the body's frame as it has
// turned by now.
#include <cmath>

#include "math/vector.h"
#include "sim/world.h"
#include "terrain/horizon.h"

namespace sim {

Mat3 UprightAttitude(double lat_rad, double lon_rad, double yaw_rad, double pitch_rad,
                     double roll_rad) {
  const terrain::Horizon h = terrain::HorizonAt(lat_rad, lon_rad);
  const Mat3 horizon = Mat3::FromColumns(h.east, h.up, h.north);
  const double cy = std::cos(yaw_rad), sy = std::sin(yaw_rad);
  const double cp = std::cos(pitch_rad), sp = std::sin(pitch_rad);
  const double cr = std::cos(roll_rad), sr = std::sin(roll_rad);
  // Yaw about up turns the nose (+z) towards +x; pitch lifts the nose towards +y; roll
  // tips the top (+y) towards +x.
  const Mat3 yaw =
      Mat3::FromColumns(td::Vec3(cy, 0.0, -sy), td::Vec3(0.0, 1.0, 0.0), td::Vec3(sy, 0.0, cy));
  const Mat3 pitch =
      Mat3::FromColumns(td::Vec3(1.0, 0.0, 0.0), td::Vec3(0.0, cp, -sp), td::Vec3(0.0, sp, cp));
  const Mat3 roll =
      Mat3::FromColumns(td::Vec3(cr, -sr, 0.0), td::Vec3(sr, cr, 0.0), td::Vec3(0.0, 0.0, 1.0));
  return horizon.Mul(yaw).Mul(pitch).Mul(roll);
}

VECTOR3 SurfacePoint(const BodySpec &body, double lat_rad, double lon_rad, double radius_m) {
  VECTOR3 up = terrain::HorizonAt(lat_rad, lon_rad).up;
  if (body.turn_rad != 0.0) up = BodyRotation(body).Mul(up);
  return td::VecAdd(body.pos_global, td::VecScale(up, radius_m));
}

}  // namespace sim
