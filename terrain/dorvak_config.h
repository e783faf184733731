// Settings of the procedural terrain library, handed to it by the host before the module
// loads it (exported as dorvakConfigure). Heights are over the body's mean radius.
#pragma once

#include "host/orbiter_api.h"

extern "C" {

enum DorvakRelief : int {
  kDorvakFlat = 0,   // mean radius + offset_m everywhere (offset may be negative)
  kDorvakHills = 1,  // offset_m + smooth rolling hills of amplitude_m and wavelength_m
  kDorvakNaN = 2,    // not a number everywhere (for tests)
  kDorvakSlope = 3,  // a plane through the reference point, rising at slope_rad towards azimuth_rad
  // offset_m, with a bowl of crater_radius_m and crater_depth_m at the reference point
  kDorvakCrater = 4,
  // What the library computes when no host configures it, as in the simulator, which knows
  // nothing of these settings: hills of amplitude_m and wavelength_m, offset_m over the mean
  // radius of the body of the solar system whose surface lies nearest to the point asked about
  // (terrain/solar_bodies.h), within 100 m below it and 10 km above; not a number elsewhere
  // (no terrain: the module finds no contact there). body_radius_m is not used.
  kDorvakInstalled = 5,
};

struct DorvakConfig {
  double body_radius_m;
  int relief;
  double offset_m;
  double amplitude_m;
  double wavelength_m;
  double slope_rad;    // angle of the plane against the local horizon at the reference point
  double azimuth_rad;  // direction of steepest ascent, from north towards east
  double ref_lat_rad;  // reference point of slope and crater
  double ref_lon_rad;
  double crater_radius_m;
  double crater_depth_m;
};

// The flat relief's height when none is asked for: a centimetre over the mean radius, where
// the host's own smooth sphere lies. Were the two the same surface, whether a vessel resting
// on them touched the terrain (and was anchored) would be down to rounding.
inline constexpr double kDorvakDefaultFlatOffset_m = 0.01;

typedef void (*DorvakConfigureFn)(const DorvakConfig *config);
}
