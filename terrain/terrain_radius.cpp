// The reliefs. Hills and crater are heights over the mean radius measured along the ray
// through the point; the slope is a true plane, intersected with that ray.
#include "terrain/terrain_radius.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "math/vector.h"
#include "terrain/horizon.h"

namespace terrain {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Gentle enough for any lander's legs: slopes of at most 2 * 2 pi / 100, about 7 degrees.
constexpr double kInstalledAmplitude_m = 2.0;

// Three plane waves over the surface point, each with its own direction and phase, so that
// no place a vessel is likely to be put (the equator, the prime meridian, the poles) sits on
// a crest or a trough. Each wave has a slope of at most 2*pi/wavelength; so has their mean.
double Hills(const DorvakConfig &c, const VECTOR3 &dir) {
  static const VECTOR3 kWaveDirs[3] = {td::VecUnit(td::Vec3(0.80, 0.36, 0.48)),
                                       td::VecUnit(td::Vec3(-0.28, 0.60, 0.75)),
                                       td::VecUnit(td::Vec3(0.55, -0.70, 0.45))};
  static const double kPhases[3] = {0.7, 2.1, 4.4};
  const double k = 2.0 * std::numbers::pi / c.wavelength_m;
  const VECTOR3 surface = td::VecScale(dir, c.body_radius_m);
  double sum = 0.0;
  for (int i = 0; i < 3; ++i) {
    sum += std::sin(k * td::VecDot(surface, kWaveDirs[i]) + kPhases[i]);
  }
  return c.body_radius_m + c.offset_m + c.amplitude_m * (sum / 3.0);
}

double Slope(const DorvakConfig &c, const VECTOR3 &dir) {
  const Horizon h = HorizonAt(c.ref_lat_rad, c.ref_lon_rad);
  const VECTOR3 ascent = td::VecAdd(td::VecScale(h.north, std::cos(c.azimuth_rad)),
                                    td::VecScale(h.east, std::sin(c.azimuth_rad)));
  // Normal of a plane that climbs tan(slope) metres per metre along the ascent direction.
  const VECTOR3 normal = td::VecSub(td::VecScale(h.up, std::cos(c.slope_rad)),
                                    td::VecScale(ascent, std::sin(c.slope_rad)));
  const VECTOR3 ref_point = td::VecScale(h.up, c.body_radius_m + c.offset_m);
  const double facing = td::VecDot(normal, dir);
  // A ray parallel to the plane, or leaving it behind, meets it nowhere.
  if (!(facing > 0.0)) return kNaN;
  return td::VecDot(normal, ref_point) / facing;
}

double Crater(const DorvakConfig &c, const VECTOR3 &dir) {
  const VECTOR3 centre = HorizonAt(c.ref_lat_rad, c.ref_lon_rad).up;
  // atan2 of sine and cosine keeps the angle accurate near the centre, where acos is not.
  const double angle =
      std::atan2(td::VecLength(td::VecCross(centre, dir)), td::VecDot(centre, dir));
  const double x = c.body_radius_m * angle / c.crater_radius_m;
  double depth = 0.0;
  if (x < 1.0) {
    const double rim = 1.0 - x * x;
    depth = c.crater_depth_m * rim * rim;  // level and smooth both at the centre and the rim
  }
  return c.body_radius_m + c.offset_m - depth;
}

}  // namespace

DorvakConfig DefaultConfig() {
  DorvakConfig c{};
  c.body_radius_m = 1000.0;
  c.relief = kDorvakInstalled;
  c.amplitude_m = kInstalledAmplitude_m;
  c.offset_m = kInstalledAmplitude_m + kDorvakDefaultFlatOffset_m;
  c.wavelength_m = 100.0;
  c.crater_radius_m = 100.0;
  return c;
}

const SolarBody *BodyAtDistance(double distance_m) {
  const SolarBody *nearest = nullptr;
  for (const SolarBody &body : SolarBodies()) {
    const double over_m = distance_m - body.radius_m;
    if (!(over_m >= -kInstalledBandBelow_m && over_m <= kInstalledBandAbove_m)) continue;
    if (nearest == nullptr || std::fabs(over_m) < std::fabs(distance_m - nearest->radius_m)) {
      nearest = &body;
    }
  }
  return nearest;
}

namespace {

// The hills over the body the point lies on: the radius from the table, the shape from the
// settings.
double Installed(const DorvakConfig &c, const VECTOR3 &dir, double distance_m) {
  const SolarBody *body = BodyAtDistance(distance_m);
  if (body == nullptr) return kNaN;
  DorvakConfig on_body = c;
  on_body.body_radius_m = body->radius_m;
  return Hills(on_body, dir);
}

}  // namespace

double TerrainRadius(const DorvakConfig &config, VECTOR3 pos_rel_body) {
  if (config.relief == kDorvakFlat) return config.body_radius_m + config.offset_m;
  if (config.relief == kDorvakNaN) return kNaN;
  const double length = td::VecLength(pos_rel_body);
  if (!(length > 0.0)) return kNaN;
  const VECTOR3 dir = td::VecScale(pos_rel_body, 1.0 / length);
  switch (config.relief) {
    case kDorvakHills:
      return Hills(config, dir);
    case kDorvakSlope:
      return Slope(config, dir);
    case kDorvakCrater:
      return Crater(config, dir);
    case kDorvakInstalled:
      return Installed(config, dir, length);
    default:
      return kNaN;
  }
}

}  // namespace terrain
